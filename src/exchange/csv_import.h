#pragma once

// Comma-separated values read into a table of texts: the header row and the rows below it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// A row's fields (exactly as many as the header row has), kept one after the other in one
// text: a file of thousands of rows makes two allocations a row, not one a field.
struct CsvRow {
    std::size_t line = 0;           // the line of the file (from 1) the row begins on
    std::string text;               // the fields' texts, one after the other
    std::vector<std::size_t> ends;  // where in text each field ends

    std::size_t size() const { return ends.size(); }
    std::string_view field(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(start, ends[i] - start);
    }
    // Every field as a string of its own.
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (std::size_t i = 0; i < size(); ++i) all.emplace_back(field(i));
        return all;
    }
    // Adds the field after the others.
    void add(std::string_view field) {
        text += field;
        ends.push_back(text.size());
    }
    bool operator==(const CsvRow&) const = default;
};

struct CsvTable {
    std::vector<std::string> header;  // the names of the columns, as the file gives them
    std::vector<CsvRow> rows;         // every row below the header that holds any text
    char separator = ',';             // ',', ';' or '\t'
    std::string encoding;             // how the file's bytes were read: "UTF-8", ...
};

struct CsvReading {
    CsvTable table;
    // Why the file cannot be imported, for the user; empty when it was read. Such a file gives
    // no rows at all: nothing of it is imported.
    std::string error;
    std::size_t errorLine = 0;  // the line the error names; 0 when it names none
};

// Reads CSV bytes: UTF-8 with or without a byte-order mark, UTF-16 with one, anything else as
// Windows-1252; fields separated by ',', ';' or tab, whichever the header line holds most of
// (or what an Excel "sep=" first line names); quoted fields may hold separators, doubled
// quotes and line breaks. Every text comes out as UTF-8 with "\n" between its lines, and
// blanks around unquoted fields are dropped. A row with fewer fields than the header is filled
// up with empty ones; one with more is an error unless the extra fields are empty, since its
// texts would not stand under their column names.
//
// A plainly well-formed file (quotes only around whole fields, nothing but a separator or a line
// break after a closing one) is read without libcsv, which reads every other file and gives
// every error; `way` makes libcsv read any file, to compare the two.
enum class CsvReadingWay { Fastest, LibraryOnly };
CsvReading ReadCsv(std::string_view bytes, CsvReadingWay way = CsvReadingWay::Fastest);

// The largest file ReadCsvFile reads: far beyond 2000 clients with long histories.
constexpr std::size_t MaxCsvFileBytes = 64 * 1024 * 1024;
// Reads the file at the path as ReadCsv does.
CsvReading ReadCsvFile(const std::string& path);

}  // namespace exchange
