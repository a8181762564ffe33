#include "shell/window_links.h"

#include <utility>

namespace shell {

namespace {

WindowLinks& Links() {
    static WindowLinks links;
    return links;
}

}  // namespace

void ConnectWindows(WindowLinks links) {
    Links() = std::move(links);
}

std::int32_t MainListRowCount() {
    return Links().mainListRowCount ? Links().mainListRowCount() : 0;
}

std::vector<int> MainListRows(bool highlightedOnly) {
    return Links().mainListRows ? Links().mainListRows(highlightedOnly) : std::vector<int>{};
}

void ResortMainList() {
    if (Links().resortMainList) Links().resortMainList();
}

void ShowClientInMainList(std::int32_t clientNumber) {
    if (Links().showClientInMainList) Links().showClientInMainList(clientNumber);
}

void MoveMainListHighlight(int fromRow, int toRow) {
    if (Links().moveMainListHighlight) Links().moveMainListHighlight(fromRow, toRow);
}

void OpenDetailsForScanResult(std::int32_t row, std::int32_t slot) {
    if (Links().openDetailsForScanResult) Links().openDetailsForScanResult(row, slot);
}

void OpenPrintWindow(const std::string& opener) {
    if (Links().openPrintWindow) Links().openPrintWindow(opener);
}

}  // namespace shell
