#pragma once

// The print system (CUPS) as the print layer sees it: which printers there are, the paper a
// printer takes, and handing it a finished job whose answer is checked. Each part can be
// replaced, so that tests run without a print server or a person at the printer dialog.

#include <QByteArray>
#include <QPageSize>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/print/document.h"

class QWidget;

namespace print {

struct Printers {
    int count = 0;            // print queues set up on this computer
    std::string defaultName;  // empty when none of them is the default
    std::string error;        // what the print system said when it could not be asked
};

using JobOptions = std::vector<std::pair<std::string, std::string>>;

// One finished report for a printer: a PDF document and the print system's options for it.
struct PrintJob {
    std::string printer;
    std::string title;
    QByteArray pdf;
    JobOptions options;
};

// The print system's answer: a job number above 0 once it has taken the job (a queue that
// holds its jobs takes them too); else 0 and what it said.
struct JobAnswer {
    int jobId = 0;
    std::string error;
};

// What the user chose in the printer dialog.
struct PrintChoice {
    std::string printer;             // the print queue; empty when printing to a file
    std::string file;                // "Print to File": the PDF file to write
    QPageSize paper;                 // as chosen; invalid: the printer's own
    std::vector<std::size_t> pages;  // the pages in the order printed (0 = the first)
    JobOptions options;              // copies, sides and the like
};

struct PrintSystem {
    std::function<Printers()> printers;
    // The paper the printer takes by default; invalid when it does not say.
    std::function<QPageSize(const std::string& printer)> paperOf;
    std::function<JobAnswer(const PrintJob& job)> submit;
    // Asks the user for a printer and how to print the document; nothing when cancelled.
    std::function<std::optional<PrintChoice>(QWidget* parent, const Document& document)> choose;
};

// Replaces the parts of the print system that are set; empty parts use the real one.
void SetPrintSystem(PrintSystem system);

Printers FindPrinters();
QPageSize PaperOf(const std::string& printer);
JobAnswer Submit(const PrintJob& job);
std::optional<PrintChoice> ChoosePrinter(QWidget* parent, const Document& document);

}  // namespace print
