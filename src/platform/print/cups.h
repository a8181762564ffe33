#pragma once

// The real print system: the CUPS server, through libcups, and Qt's printer dialog.

#include <cups/ipp.h>

#include <QPageSize>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/print/print_system.h"

class QPrinter;

namespace print::cups {

Printers FindPrinters();
QPageSize PaperOf(const std::string& printer);
// Creates the job, sends the PDF and checks every answer; a job that fails part-way is
// cancelled, so that nothing half-sent is printed.
JobAnswer Submit(const PrintJob& job);
std::optional<PrintChoice> ChooseWithDialog(QWidget* parent, const Document& document);

// True when the print system's answer says the request was carried out: any IPP status below
// the redirection class, "ok-conflicting" (some options replaced) among them.
bool Succeeded(ipp_status_t status);
// The pages the dialog's choices print, in their order (0 = the first of pageCount).
std::vector<std::size_t> ChosenPages(const QPrinter& printer, std::size_t pageCount);

}  // namespace print::cups
