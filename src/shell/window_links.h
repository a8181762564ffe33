#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What one window asks of another that sits above it. Each window says here what it needs,
// passing what it knows, and includes only this header, never the window it acts on. The
// application, which sees every window, hands over how each is done once at start-up; until
// then (a window tested on its own) each asks nothing of anyone and answers "none".
namespace shell {

struct WindowLinks {
    std::function<std::int32_t()> mainListRowCount;
    std::function<std::vector<int>(bool highlightedOnly)> mainListRows;
    std::function<void()> resortMainList;
    std::function<void(std::int32_t clientNumber)> showClientInMainList;
    std::function<void(int fromRow, int toRow)> moveMainListHighlight;
    std::function<void(std::int32_t row, std::int32_t slot)> openDetailsForScanResult;
    std::function<void(const std::string& opener)> openPrintWindow;
};

// Called by the application before its first window opens.
void ConnectWindows(WindowLinks links);

// The main window's client list: the rows the last fill put in it.
std::int32_t MainListRowCount();
// Its rows in ascending order (0-based): the highlighted ones, or all of them.
std::vector<int> MainListRows(bool highlightedOnly);
// Re-sorts and refills the list after saved fields, which may be sort keys.
void ResortMainList();
// Highlights the client's row at its place after the sort, shows it and enables "&Edit".
void ShowClientInMainList(std::int32_t clientNumber);
// Moves the list's highlight from one row to another and shows the new row.
void MoveMainListHighlight(int fromRow, int toRow);

// Opens "Vendrix Details" over the scan results for the client of the given slot, tied to
// the given 1-based results row so that each save updates that row.
void OpenDetailsForScanResult(std::int32_t row, std::int32_t slot);
// Opens the print window over the named window, which holds the rows to print.
void OpenPrintWindow(const std::string& opener);

}  // namespace shell
