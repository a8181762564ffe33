#pragma once

// Comma-separated values read into a table of texts: the header row and the rows below it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

struct CsvRow {
    std::size_t line = 0;             // the line of the file (from 1) the row begins on
    std::vector<std::string> fields;  // exactly as many as the header row has
};

struct CsvTable {
    std::vector<std::string> header;  // the names of the columns, as the file gives them
    std::vector<CsvRow> rows;         // every row below the header that holds any text
    char separator = ',';             // ',', ';' or '\t'
    std::string encoding;             // how the file's bytes were read: "UTF-8", ...
    std::vector<std::string> notes;   // what could not be read as written, for the user
};

struct CsvReading {
    CsvTable table;
    // Why the file cannot be imported, for the user; empty when it was read. Such a file gives
    // no rows at all: nothing of it is imported.
    std::string error;
    std::size_t errorLine = 0;  // the line the error names; 0 when it names none
};

// Reads CSV bytes with libcsv: UTF-8 with or without a byte-order mark (a stray byte shown as
// "?" and noted), UTF-16 with a mark, Windows-1252 when the bytes are no UTF-8 at all; fields
// separated by ',', ';' or tab, whichever the header line holds most of (or what an Excel
// "sep=" first line names); quoted fields may hold separators, doubled quotes and line breaks.
// Every text comes out as UTF-8 with "\n" between its lines, and blanks (and tabs, unless they
// separate) around unquoted fields are dropped. A row with fewer fields than the header is
// filled up with empty ones; one with more is an error unless the extra fields are empty,
// since its texts would not stand under their column names.
CsvReading ReadCsv(std::string_view bytes);

// Reads the file at the path (see ReadImportFile) as ReadCsv does.
CsvReading ReadCsvFile(const std::string& path);

}  // namespace exchange
