#include "platform/print/delivery.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>
#include <array>

#include "platform/clock.h"
#include "platform/print/dp.h"
#include "platform/print/paint.h"
#include "platform/print/paper.h"
#include "platform/print/preview.h"
#include "platform/print/print_system.h"
#include "platform/print/progress.h"
#include "platform/program_identity.h"

namespace print {

namespace {

EndDocHandler& EndHandler() {
    static EndDocHandler handler;
    return handler;
}

NoticeHandler& Notices() {
    static NoticeHandler handler;
    return handler;
}

std::string& ReportsFolderSetting() {
    static std::string folder;
    return folder;
}

bool& PrintersIgnoredFlag() {
    static bool ignored = false;
    return ignored;
}

// Same-named reports get " (2)", " (3)", ... up to this many.
constexpr int MAX_SAME_NAMED_REPORTS = 999;

// A trailing marker in a notice picks the message box's icon.
QMessageBox::Icon TakeIconMarker(QString& text) {
    constexpr std::array<std::pair<const char*, QMessageBox::Icon>, 3> markers{{
        {"{?}", QMessageBox::Question},
        {"{!}", QMessageBox::Warning},
        {"{S}", QMessageBox::Critical},
    }};
    for (const auto& [marker, icon] : markers) {
        if (text.endsWith(QLatin1String(marker))) {
            text.chop(3);
            return icon;
        }
    }
    return QMessageBox::Information;
}

void Notify(const std::string& caption, const std::string& text) {
    // A copy, so that a handler may replace itself.
    if (const NoticeHandler handler = Notices()) {
        handler(caption, text);
        return;
    }
    QString shown = QString::fromStdString(text);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        qWarning("%s", qPrintable(shown));
        return;
    }
    const QMessageBox::Icon icon = TakeIconMarker(shown);
    QMessageBox box(icon, QString::fromStdString(caption), shown, QMessageBox::Ok,
                    QApplication::activeWindow());
    // The user may want to copy the file's path.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

QString ReportsFolder() {
    QString folder = QString::fromStdString(ReportsFolderSetting());
    if (folder.isEmpty()) {
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (documents.isEmpty()) documents = QDir::homePath();
        folder = documents + "/" + QString::fromLatin1(platform::ProgramName) + " Reports";
    }
    return QDir::cleanPath(folder);
}

// Makes the folder (only its owner may enter it) unless it is there.
bool EnsureReportsFolder(const QString& folder) {
    if (QFileInfo(folder).isDir()) return true;
    const QString parent = QFileInfo(folder).path();
    if (!QFileInfo(parent).isDir() && !QDir().mkpath(parent)) return false;
    QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(folder).isDir();
}

// "Report 2026-12-07 09-05-00.pdf" from the local date and time, or the first of
// "Report ... (2).pdf", "(3)", ... that is not taken yet; empty when all are.
QString UnusedReportPath(const QString& folder) {
    platform::SYSTEMTIME now;
    platform::GetLocalTime(now);
    const QString stem = QStringLiteral("%1/Report %2-%3-%4 %5-%6-%7")
                             .arg(folder)
                             .arg(now.wYear, 4, 10, QLatin1Char('0'))
                             .arg(now.wMonth, 2, 10, QLatin1Char('0'))
                             .arg(now.wDay, 2, 10, QLatin1Char('0'))
                             .arg(now.wHour, 2, 10, QLatin1Char('0'))
                             .arg(now.wMinute, 2, 10, QLatin1Char('0'))
                             .arg(now.wSecond, 2, 10, QLatin1Char('0'));
    for (int copy = 1; copy <= MAX_SAME_NAMED_REPORTS; ++copy) {
        const QString path = copy == 1 ? stem + QStringLiteral(".pdf")
                                       : QStringLiteral("%1 (%2).pdf").arg(stem).arg(copy);
        if (!QFileInfo::exists(path)) return path;
    }
    return QString();
}

constexpr const char* NO_PRINTER_TEXT = "No printer is set up on this computer.";
constexpr const char* NO_DEFAULT_PRINTER_TEXT =
    "Printers are set up on this computer, but none of them is chosen as the default printer.";
constexpr const char* WARNING_MARKER = "{!}";

QString Caption(const Document& document) {
    return QString::fromStdString(document.title);
}

std::string EndedAsSentence(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    if (text.empty()) return "no reason given.";
    if (text.back() != '.' && text.back() != '!' && text.back() != '?') text += '.';
    return text;
}

// Writes the document into a PDF file, showing progress; cancelled tells whether the user
// stopped it (the file is then left as it was).
bool WritePdfShowingProgress(const Document& document, const QString& path, PdfSetup setup,
                             bool& cancelled) {
    WorkProgress progress(Caption(document), QStringLiteral("Saving the report as a PDF file..."),
                          setup.pages.empty() ? document.pages.size() : setup.pages.size());
    cancelled = false;
    setup.progress = [&](std::size_t done) {
        cancelled = !progress.step(done);
        return !cancelled;
    };
    return WritePdf(document, path, setup);
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
    return file.commit();
}

// Keeps the report as a PDF file when it could not be printed, and tells the user why and
// where it went: the PDF made for the printer when there is one, else one on the paper of the
// user's locale.
int SaveInstead(const Document& document, const std::string& reason,
                const QByteArray& madeForPrinter = {}, const char* marker = "") {
    const QString folder = ReportsFolder();
    if (EnsureReportsFolder(folder)) {
        const QString path = UnusedReportPath(folder);
        bool cancelled = false;
        const bool saved =
            !path.isEmpty() &&
            (madeForPrinter.isEmpty()
                 ? WritePdfShowingProgress(document, path, {LocalePaper(), {}, {}}, cancelled)
                 : WriteBytes(path, madeForPrinter));
        // Stopped by the user, who knows.
        if (cancelled) return 0;
        if (saved) {
            Notify(document.title,
                   reason + " The report was saved as a PDF file:\n" + path.toStdString() + marker);
            return 1;
        }
    }
    Notify(document.title, reason + " The report could not be saved as a PDF file in " +
                               folder.toStdString() + " either.{!}");
    return 0;
}

// "Print to File" in the printer dialog.
int PrintToFile(const Document& document, const PrintChoice& choice) {
    bool cancelled = false;
    const QString path = QString::fromStdString(choice.file);
    if (WritePdfShowingProgress(document, path, {choice.paper, choice.pages, {}}, cancelled)) {
        return 1;
    }
    if (!cancelled) {
        Notify(document.title,
               "The report could not be saved as the PDF file " + choice.file + ".{!}");
    }
    return 0;
}

// Makes the pages chosen into a PDF for the printer and hands it to the print system, whose
// answer is checked: a printer that does not take the job leaves the report in a PDF file.
// Nothing reaches the printer when the user cancels while the pages are made.
int PrintOn(const Document& document, const PrintChoice& choice) {
    if (!choice.file.empty()) return PrintToFile(document, choice);
    if (choice.printer.empty()) return 0;
    PrintJob job{choice.printer, document.title, {}, choice.options};
    JobAnswer answer;
    {
        const std::size_t pages =
            choice.pages.empty() ? document.pages.size() : choice.pages.size();
        WorkProgress progress(Caption(document), QStringLiteral("Printing the report..."), pages);
        bool cancelled = false;
        PdfSetup setup{choice.paper, choice.pages, [&](std::size_t done) {
                           cancelled = !progress.step(done);
                           return !cancelled;
                       }};
        QBuffer buffer(&job.pdf);
        buffer.open(QIODevice::WriteOnly);
        const bool made = WritePdf(document, buffer, setup);
        if (cancelled) return 0;
        if (!made) {
            return SaveInstead(document, "The report could not be made ready for the printer \"" +
                                             choice.printer + "\".");
        }
        answer = Submit(job);
    }
    if (answer.jobId > 0) return 1;
    return SaveInstead(
        document,
        "The printer \"" + choice.printer +
            "\" did not take the report. The print system said: " + EndedAsSentence(answer.error),
        job.pdf, WARNING_MARKER);
}

int Preview(const Document& document) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return SaveInstead(document, "The print preview cannot be shown.");
    }
    // Printing from the preview is checked as printing straight away is: a report the printer
    // does not take is kept as a PDF file instead.
    ShowPreview(document, QApplication::activeWindow(), [&document](QWidget& preview) {
        if (const auto choice = ChoosePrinter(&preview, document)) PrintOn(document, *choice);
    });
    return 1;
}

int Print(const Document& document) {
    const Printers printers = PrintersIgnoredFlag() ? Printers{} : FindPrinters();
    if (printers.count == 0 && !printers.error.empty()) {
        return SaveInstead(document,
                           "The print system could not be asked for its printers. " +
                               EndedAsSentence(printers.error),
                           {}, WARNING_MARKER);
    }
    if (printers.count == 0) return SaveInstead(document, NO_PRINTER_TEXT);
    if (printers.defaultName.empty()) return SaveInstead(document, NO_DEFAULT_PRINTER_TEXT);
    PrintChoice choice;
    choice.printer = printers.defaultName;
    choice.paper = PaperOf(choice.printer);
    if (!choice.paper.isValid()) choice.paper = LocalePaper();
    return PrintOn(document, choice);
}

}  // namespace

int Deliver(const Document& document, int mode) {
    if (const EndDocHandler handler = EndHandler()) {
        handler(document, mode);
        return 1;
    }
    return mode == END_PREVIEW ? Preview(document) : Print(document);
}

void SetReportsFolder(const std::string& folder) {
    ReportsFolderSetting() = folder;
}

void SetNoticeHandler(NoticeHandler handler) {
    Notices() = std::move(handler);
}

void SetEndDocHandler(EndDocHandler handler) {
    EndHandler() = std::move(handler);
}

void SetPrintersIgnored(bool ignored) {
    PrintersIgnoredFlag() = ignored;
}

}  // namespace print
