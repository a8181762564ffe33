#pragma once

// Clients written out as comma-separated values (RFC 4180) for spreadsheet programs.

#include <span>
#include <string>
#include <string_view>

#include "exchange/contact.h"

namespace exchange {

// The first characters that make a spreadsheet take a cell for a formula. CsvText writes an
// apostrophe before a text that begins with one (unless it is a phone number or a plain
// number), so that the spreadsheet shows it as text; the import drops that apostrophe again.
inline constexpr std::string_view FormulaStarts = "=+-@\t\r\n";

// The contacts as a CSV file: a UTF-8 byte-order mark, a header row of FieldNames, one row per
// contact in the order given, CR LF after every row and between the lines of a text; a field is
// quoted when it holds a separator, a quote or a line break, or begins or ends with a blank.
std::string CsvText(std::span<const Contact> contacts);

}  // namespace exchange
