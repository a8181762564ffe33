#include "exchange/csv_import.h"

#include <csv.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "exchange/import_file.h"
#include "exchange/line_breaks.h"
#include "exchange/utf8.h"
#include "store/text_field.h"

namespace exchange {

namespace {

constexpr std::string_view Separators = ",;\t";

CsvReading Failure(std::string error, std::size_t line = 0) {
    CsvReading reading;
    reading.error = line != 0 ? "Line " + std::to_string(line) + ": " + error : std::move(error);
    reading.errorLine = line;
    return reading;
}

// The physical line starting at `at`, with its line break: LF, CR LF or a lone CR.
std::string_view LineAt(std::string_view text, std::size_t at) {
    std::size_t end = FindLineBreak(text, at);
    if (end == std::string_view::npos) return text.substr(at);
    end += text.compare(end, 2, "\r\n") == 0 ? 2U : 1U;
    return text.substr(at, end - at);
}

// The line (from 1) holding the byte at `at`.
std::size_t LineOf(std::string_view text, std::size_t at) {
    std::size_t line = 1;
    for (std::size_t start = 0; start <= at; ++line) start += LineAt(text, start).size();
    return line - 1;
}

// The separator the header line (the first that is not blank) holds most of outside quotes;
// ',' when it holds none.
char GuessedSeparator(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() &&
           LineAt(text, at).find_first_not_of(" \t\r\n") == std::string_view::npos) {
        at += LineAt(text, at).size();
    }
    std::string outsideQuotes;
    bool quoted = false;
    for (const char c : LineAt(text, at)) {
        if (c == '"') quoted = !quoted;
        if (!quoted) outsideQuotes += c;
    }
    return std::ranges::max(Separators, {}, [&](char separator) {
        return std::ranges::count(outsideQuotes, separator);
    });
}

// Each field libcsv reads goes to the row being read: the last of the rows.
void OnField(void* bytes, std::size_t size, void* data) {
    const std::string_view field(static_cast<const char*>(bytes), bytes != nullptr ? size : 0);
    static_cast<std::vector<CsvRow>*>(data)->back().fields.push_back(WithLineBreaks(field, "\n"));
}

// At a row's end the row is kept when it holds any text, and the next is begun.
void OnRowEnd(int, void* data) {
    std::vector<CsvRow>& rows = *static_cast<std::vector<CsvRow>*>(data);
    if (std::ranges::all_of(rows.back().fields, [](const auto& f) { return f.empty(); })) {
        rows.pop_back();
    }
    rows.emplace_back();
}

// The rows from the line at `at` (line `line` of the file) on, read by libcsv fed one physical
// line at a time, so that each row and each fault is named by its line.
CsvReading ReadRows(std::string_view text, std::size_t at, std::size_t line, char separator) {
    csv_parser parser{};
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    const std::unique_ptr<csv_parser, decltype(&csv_free)> freed(&parser, csv_free);
    // Blanks and tabs around unquoted fields are dropped by libcsv, a tab only where it does
    // not separate them.
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    CsvReading reading;
    std::vector<CsvRow>& rows = reading.table.rows;
    rows.emplace_back();
    std::size_t quoteOpenedOn = 0;
    for (; at < text.size(); ++line) {
        const std::string_view physical = LineAt(text, at);
        at += physical.size();
        const bool inQuotes = parser.quoted != 0;
        if (!inQuotes) quoteOpenedOn = line;
        if (!inQuotes && rows.back().fields.empty() && parser.entry_pos == 0) {
            rows.back().line = line;
        }
        if (csv_parse(&parser, physical.data(), physical.size(), OnField, OnRowEnd, &rows) ==
            physical.size()) {
            continue;
        }
        if (csv_error(&parser) != CSV_EPARSE) {
            return Failure("a field is too large to be read.", line);
        }
        return Failure(parser.quoted != 0
                           ? "a quoted field goes on after its closing quote. A quote inside a "
                             "quoted field must be written twice (\"\")."
                           : "a field holds a quote (\") but does not begin with one. Put the "
                             "whole field in quotes and write the quote twice.",
                       line);
    }
    if (csv_fini(&parser, OnField, OnRowEnd, &rows) != 0) {
        return Failure("a quoted field is not closed.", quoteOpenedOn);
    }
    rows.pop_back();  // the row begun after the last
    return reading;
}

}  // namespace

CsvReading ReadCsv(std::string_view bytes) {
    FileText file = TextOfFile(bytes);
    std::string_view text = file.text();
    std::string decoded;
    if (file.encoding == "Windows-1252") {
        decoded = store::DecodeWindows1252(text);
        text = decoded;
    } else if (!file.isConverted && !IsValidUtf8(text)) {
        LineList lines;
        decoded = WithBadBytesShown(text, lines);
        text = decoded;
        file.notes.push_back(BadBytesNote(lines));
    }
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        return Failure(
            "the file holds a NUL character, which no text file does; it is not a "
            "CSV file.",
            LineOf(text, nul));
    }

    // Excel's first line "sep=;" names the separator; the line is no row.
    const std::string_view firstLine = text.substr(0, FindLineBreak(text));
    const bool named = firstLine.size() == 5 && firstLine.starts_with("sep=") &&
                       Separators.find(firstLine[4]) != std::string_view::npos;
    const std::size_t start = named ? LineAt(text, 0).size() : 0;
    const char separator = named ? firstLine[4] : GuessedSeparator(text.substr(start));
    CsvReading reading = ReadRows(text, start, named ? 2 : 1, separator);
    if (!reading.error.empty()) return reading;
    std::vector<CsvRow>& rows = reading.table.rows;
    if (rows.empty()) return Failure("The file holds no header row: it is empty.");
    CsvTable& table = reading.table;
    table.header = std::move(rows.front().fields);
    rows.erase(rows.begin());
    // A row is made as long as the header. Empty fields past the header's go; a text there
    // would stand under no column name.
    const std::size_t width = table.header.size();
    for (CsvRow& row : rows) {
        const std::size_t count = row.fields.size();
        while (row.fields.size() > width && row.fields.back().empty()) row.fields.pop_back();
        if (row.fields.size() > width) {
            return Failure("the row has " + std::to_string(count) +
                               " fields, but the header row names " + std::to_string(width) +
                               ". A field that holds the separator must be in quotes.",
                           row.line);
        }
        row.fields.resize(width);
    }
    table.separator = separator;
    table.encoding = std::move(file.encoding);
    table.notes = std::move(file.notes);
    return reading;
}

CsvReading ReadCsvFile(const std::string& path) {
    const ImportFileBytes file = ReadImportFile(path);
    if (!file.bytes) return Failure(file.error);
    return ReadCsv(*file.bytes);
}

}  // namespace exchange
