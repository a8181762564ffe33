#pragma once

#include <cstdint>
#include <string>

// What one window asks of another that sits above it. Each window says here what it needs,
// passing what it knows; the application, which sees every window, carries it out. So a
// window includes only this header, never the window it acts on.
namespace shell {

// The main window's client list.
std::int32_t MainListRowCount();
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
