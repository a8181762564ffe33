#include "platform/print/cups.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <algorithm>
#include <memory>

namespace print::cups {

namespace {

// How much of the PDF goes to the server in one write.
constexpr qsizetype WRITE_CHUNK = 64 * 1024;

// Where Qt's printer dialog leaves the job options of its "Options" page (pages per sheet,
// banner pages, job priority...): a list of names and values, Qt's own key for them.
constexpr auto QT_CUPS_OPTIONS = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The paper sizes CUPS gives are in hundredths of a millimetre.
constexpr double CUPS_UNITS_PER_MM = 100.0;

std::string LastError() {
    // libcups then names only the failed socket call ("Bad file descriptor").
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
        return "The print service (CUPS) is not running or cannot be reached.";
    }
    const char* said = cupsLastErrorString();
    return said != nullptr && *said != '\0' ? said : "no reason given";
}

struct DestsDeleter {
    int count = 0;
    void operator()(cups_dest_t* dests) const { cupsFreeDests(count, dests); }
};

struct OptionsDeleter {
    int count = 0;
    void operator()(cups_option_t* options) const { cupsFreeOptions(count, options); }
};

bool Sent(http_status_t status) {
    return status == HTTP_STATUS_CONTINUE;
}

// Writes the PDF as the job's one document; false when the server did not take all of it.
bool SendDocument(const PrintJob& job, int jobId) {
    if (!Sent(cupsStartDocument(CUPS_HTTP_DEFAULT, job.printer.c_str(), jobId, job.title.c_str(),
                                CUPS_FORMAT_PDF, 1))) {
        return false;
    }
    bool sent = true;
    for (qsizetype at = 0; sent && at < job.pdf.size(); at += WRITE_CHUNK) {
        const auto length = static_cast<std::size_t>(std::min(WRITE_CHUNK, job.pdf.size() - at));
        sent = Sent(cupsWriteRequestData(CUPS_HTTP_DEFAULT, job.pdf.constData() + at, length));
    }
    // Finished even after a failed write, which ends the request.
    const bool finished = Succeeded(cupsFinishDocument(CUPS_HTTP_DEFAULT, job.printer.c_str()));
    return sent && finished;
}

void AddOption(JobOptions& options, const char* name, const QString& value) {
    options.emplace_back(name, value.toStdString());
}

const char* SidesOf(QPrinter::DuplexMode duplex) {
    switch (duplex) {
        case QPrinter::DuplexNone:
            return "one-sided";
        case QPrinter::DuplexLongSide:
            return "two-sided-long-edge";
        case QPrinter::DuplexShortSide:
            return "two-sided-short-edge";
        case QPrinter::DuplexAuto:
            break;
    }
    return nullptr;
}

JobOptions OptionsOf(QPrinter& printer) {
    JobOptions options;
    const QStringList dialogOptions =
        printer.printEngine()->property(QT_CUPS_OPTIONS).toStringList();
    for (qsizetype i = 0; i + 1 < dialogOptions.size(); i += 2) {
        options.emplace_back(dialogOptions[i].toStdString(), dialogOptions[i + 1].toStdString());
    }
    if (printer.copyCount() > 1) {
        AddOption(options, "copies", QString::number(printer.copyCount()));
        AddOption(options, "collate", printer.collateCopies() ? "true" : "false");
    }
    if (const char* sides = SidesOf(printer.duplex())) AddOption(options, "sides", sides);
    // The pages are laid out for this paper; the printer is to take it, not scale them.
    AddOption(options, "media", printer.pageLayout().pageSize().key());
    return options;
}

}  // namespace

bool Succeeded(ipp_status_t status) {
    // IPP's successful (0x0000-0x00FF) and informational (0x0100-0x01FF) classes; libcups's
    // own "invalid" is -1.
    return status >= IPP_STATUS_OK && status < IPP_STATUS_REDIRECTION_OTHER_SITE;
}

Printers FindPrinters() {
    cups_dest_t* list = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &list);
    const std::unique_ptr<cups_dest_t, DestsDeleter> dests(list, DestsDeleter{count});
    Printers printers;
    printers.count = std::max(0, count);
    if (count <= 0 && !Succeeded(cupsLastError())) printers.error = LastError();
    for (int i = 0; i < count; ++i) {
        if (list[i].is_default == 0) continue;
        printers.defaultName = list[i].name;
        if (list[i].instance != nullptr)
            printers.defaultName += std::string("/") + list[i].instance;
    }
    return printers;
}

QPageSize PaperOf(const std::string& printer) {
    const auto slash = printer.find('/');
    const std::string name = printer.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : printer.substr(slash + 1);
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(),
                                         instance.empty() ? nullptr : instance.c_str());
    if (dest == nullptr) return QPageSize();
    const std::unique_ptr<cups_dest_t, DestsDeleter> held(dest, DestsDeleter{1});
    // The user's own choice (lpoptions) first, then the printer's "media-default".
    // cupsGetDestMediaDefault is not asked: without the user's choice it answers Letter
    // whatever the printer says.
    std::string media;
    if (const char* chosen = cupsGetOption("media", dest->num_options, dest->options)) {
        media = chosen;
    } else if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        if (ipp_attribute_t* fallback =
                cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media")) {
            if (const char* text = ippGetString(fallback, 0, nullptr)) media = text;
        }
        cupsFreeDestInfo(info);
    }
    // A list such as "A4,Tray1" names the paper first.
    media = media.substr(0, media.find(','));
    const pwg_media_t* paper = pwgMediaForPWG(media.c_str());
    if (paper == nullptr) paper = pwgMediaForPPD(media.c_str());
    if (paper == nullptr) paper = pwgMediaForLegacy(media.c_str());
    if (paper == nullptr || paper->width <= 0 || paper->length <= 0) return QPageSize();
    return QPageSize(QSizeF(paper->width / CUPS_UNITS_PER_MM, paper->length / CUPS_UNITS_PER_MM),
                     QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
}

JobAnswer Submit(const PrintJob& job) {
    cups_option_t* list = nullptr;
    int count = 0;
    for (const auto& [name, value] : job.options) {
        count = cupsAddOption(name.c_str(), value.c_str(), count, &list);
    }
    const std::unique_ptr<cups_option_t, OptionsDeleter> options(list, OptionsDeleter{count});
    const int jobId =
        cupsCreateJob(CUPS_HTTP_DEFAULT, job.printer.c_str(), job.title.c_str(), count, list);
    if (jobId <= 0) return {0, LastError()};
    if (SendDocument(job, jobId)) return {jobId, {}};
    const std::string error = LastError();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, job.printer.c_str(), jobId, 1);
    return {0, error};
}

std::vector<std::size_t> ChosenPages(const QPrinter& printer, std::size_t pageCount) {
    std::size_t first = 0;
    std::size_t last = pageCount == 0 ? 0 : pageCount - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min(static_cast<std::size_t>(printer.fromPage() - 1), last);
        last =
            std::clamp(static_cast<std::size_t>(std::max(printer.toPage(), printer.fromPage()) - 1),
                       first, last);
    }
    std::vector<std::size_t> pages;
    for (std::size_t page = first; page <= last && page < pageCount; ++page) pages.push_back(page);
    if (printer.pageOrder() == QPrinter::LastPageFirst) std::reverse(pages.begin(), pages.end());
    return pages;
}

std::optional<PrintChoice> ChooseWithDialog(QWidget* parent, const Document& document) {
    // The printer starts as the default one, with its own paper.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(document.title));
    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, static_cast<int>(document.pages.size()));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;

    PrintChoice choice;
    choice.paper = printer.pageLayout().pageSize();
    choice.pages = ChosenPages(printer, document.pages.size());
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        choice.file = printer.outputFileName().toStdString();
    } else {
        choice.printer = printer.printerName().toStdString();
        choice.options = OptionsOf(printer);
    }
    return choice;
}

}  // namespace print::cups
