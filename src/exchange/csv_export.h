#pragma once

// Clients written out as comma-separated values (RFC 4180) for spreadsheet programs.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact.h"
#include "store/client_record.h"

namespace exchange {

// The first characters that make a spreadsheet take a cell for a formula. CsvText writes an
// apostrophe before a text that begins with one (unless it is a phone number or a plain
// number), so that the spreadsheet shows it as text; the import drops that apostrophe again.
inline constexpr std::string_view FormulaStarts = "=+-@\t\r\n";

// The contacts as a CSV file: a UTF-8 byte-order mark, a header row of FieldNames, one row per
// contact in the order given, CR LF after every row and between the lines of a text; a field is
// quoted when it holds a separator, a quote or a line break, or begins or ends with a blank.
std::string CsvText(std::span<const Contact> contacts);

struct CsvExport {
    std::size_t clientCount = 0;  // how many clients the file holds
    std::string path;             // the file, as the user chose it
    std::string error;            // why nothing was written; empty when the file was written
    // The clients whose history file exists but could not be read: they went out without it.
    std::vector<std::string> unreadableHistories;
};

// Writes CsvText(contacts) to the path, replacing a file there whole or not at all. Refuses a
// path inside the data folder, so that an export can never take the place of the clients' own
// files.
CsvExport ExportCsvFile(std::span<const Contact> contacts, const std::string& path);
// The same for the clients with their histories, which are read as the file is written.
CsvExport ExportClientsCsv(std::span<const store::ClientRecord> clients, const std::string& path);

// What the user is told: how many clients went to which file, or why none did.
std::string CsvExportMessage(const CsvExport& result);

}  // namespace exchange
