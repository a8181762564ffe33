#include "platform/print/print_system.h"

#include "platform/print/cups.h"

namespace print {

namespace {

PrintSystem& Replaced() {
    static PrintSystem system;
    return system;
}

}  // namespace

void SetPrintSystem(PrintSystem system) {
    Replaced() = std::move(system);
}

Printers FindPrinters() {
    // Copies, so that a replacement may replace itself.
    if (const auto replaced = Replaced().printers) return replaced();
    return cups::FindPrinters();
}

QPageSize PaperOf(const std::string& printer) {
    if (const auto replaced = Replaced().paperOf) return replaced(printer);
    return cups::PaperOf(printer);
}

JobAnswer Submit(const PrintJob& job) {
    if (const auto replaced = Replaced().submit) return replaced(job);
    return cups::Submit(job);
}

std::optional<PrintChoice> ChoosePrinter(QWidget* parent, const Document& document) {
    if (const auto replaced = Replaced().choose) return replaced(parent, document);
    return cups::ChooseWithDialog(parent, document);
}

}  // namespace print
