#include "platform/print/delivery.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <array>

#include "platform/clock.h"
#include "platform/print/dp.h"
#include "platform/print/paint.h"
#include "platform/print/preview.h"

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
        folder = documents + QStringLiteral("/Reports");
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

// Keeps the report as a PDF file when it could not be printed, and tells the user why and
// where it went.
int SaveInstead(const Document& document, const std::string& reason) {
    const QString folder = ReportsFolder();
    if (EnsureReportsFolder(folder)) {
        const QString path = UnusedReportPath(folder);
        if (!path.isEmpty() && WritePdf(document, path)) {
            Notify(document.title,
                   reason + " The report was saved as a PDF file:\n" + path.toStdString());
            return 1;
        }
    }
    Notify(document.title, reason + " The report could not be saved as a PDF file in " +
                               folder.toStdString() + " either.{!}");
    return 0;
}

void SetUpPrinter(QPrinter& printer, const Document& document) {
    printer.setDocName(QString::fromStdString(document.title));
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
}

int Preview(const Document& document) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return SaveInstead(document, "The print preview cannot be shown.");
    }
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, document);
    // Printing from the preview fails as printing straight away does: the report is kept as
    // a PDF file instead.
    ShowPreview(document, printer, QApplication::activeWindow(),
                [&document](const std::string& reason) { SaveInstead(document, reason); });
    return 1;
}

int Print(const Document& document) {
    const QPrinterInfo info =
        PrintersIgnoredFlag() ? QPrinterInfo() : QPrinterInfo::defaultPrinter();
    if (info.isNull()) return SaveInstead(document, "No printer is set up on this computer.");
    QPrinter printer(info, QPrinter::HighResolution);
    SetUpPrinter(printer, document);
    QPainter painter;
    if (painter.begin(&printer)) {
        PaintDocument(document, painter, printer);
        if (painter.end() && printer.printerState() != QPrinter::Error) return 1;
    }
    return SaveInstead(document, "The report could not be sent to the printer \"" +
                                     info.printerName().toStdString() + "\".");
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
