#pragma once

// The real print system: the CUPS server, through libcups, and Qt's printer dialog.

#include <QPageSize>
#include <optional>
#include <string>

#include "platform/print/print_system.h"

namespace print::cups {

Printers FindPrinters();
QPageSize PaperOf(const std::string& printer);
// Creates the job, sends the PDF and checks every answer; a job that fails part-way is
// cancelled, so that nothing half-sent is printed.
JobAnswer Submit(const PrintJob& job);
std::optional<PrintChoice> ChooseWithDialog(QWidget* parent, const Document& document);

}  // namespace print::cups
