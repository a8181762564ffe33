#include "exchange/csv_import.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "exchange/import_file.h"
#include "exchange/line_breaks.h"
#include "exchange/utf8.h"
#include "store/text_field.h"

namespace exchange {

namespace {

constexpr std::array<char, 3> Separators{',', ';', '\t'};

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

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Excel's first line "sep=;" names the separator; the line is no row.
std::optional<char> NamedSeparator(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.size() != 5 || !line.starts_with("sep=")) return std::nullopt;
    const char c = line[4];
    return std::find(Separators.begin(), Separators.end(), c) != Separators.end()
               ? std::optional<char>(c)
               : std::nullopt;
}

// The separator the header line holds most of outside quotes; ',' when it holds none.
char GuessedSeparator(std::string_view headerLine) {
    std::array<std::size_t, Separators.size()> counts{};
    bool quoted = false;
    for (const char c : headerLine) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        for (std::size_t i = 0; i < Separators.size(); ++i) {
            if (c == Separators[i]) ++counts[i];
        }
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    return Separators[static_cast<std::size_t>(most - counts.begin())];
}

// What the parser's callbacks gather.
struct Gathered {
    std::vector<CsvRow> rows;
    CsvRow current;
    std::size_t rowStartLine = 1;  // where a row beginning now begins
};

void OnField(void* bytes, std::size_t size, void* data) {
    Gathered& gathered = *static_cast<Gathered*>(data);
    if (gathered.current.size() == 0) gathered.current.line = gathered.rowStartLine;
    const std::string_view field =
        size == 0 ? std::string_view() : std::string_view(static_cast<const char*>(bytes), size);
    gathered.current.add(WithLineBreaks(field, "\n"));
}

void OnRowEnd(int, void* data) {
    Gathered& gathered = *static_cast<Gathered*>(data);
    // The fields' texts together are empty only when every field is.
    if (!gathered.current.text.empty()) gathered.rows.push_back(std::move(gathered.current));
    gathered.current = CsvRow{};
}

// The blanks trimmed around unquoted fields: a tab too, unless it separates them.
int IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' ? 1 : 0;
}
int IsBlankNotTab(unsigned char c) {
    return c == ' ' ? 1 : 0;
}

// One parser for one file, freed whatever happens.
class Parser {
public:
    explicit Parser(char separator) {
        csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_delim(&parser_, static_cast<unsigned char>(separator));
        csv_set_space_func(&parser_, separator == '\t' ? IsBlankNotTab : IsBlank);
    }
    ~Parser() { csv_free(&parser_); }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Between rows, with nothing of a field read.
    bool BetweenRows(const Gathered& gathered) const {
        return gathered.current.size() == 0 && parser_.quoted == 0 && parser_.entry_pos == 0;
    }
    bool InsideQuotes() const { return parser_.quoted != 0; }

    bool Parse(std::string_view line, Gathered& gathered) {
        return csv_parse(&parser_, line.data(), line.size(), OnField, OnRowEnd, &gathered) ==
               line.size();
    }
    bool Finish(Gathered& gathered) {
        return csv_fini(&parser_, OnField, OnRowEnd, &gathered) == 0;
    }
    bool OutOfRoom() { return csv_error(&parser_) != CSV_EPARSE; }

private:
    csv_parser parser_{};
};

// The rows from the line at `at` (line `line` of the file) on, or the first fault instead.
std::optional<CsvReading> ReadRows(std::string_view text, std::size_t at, std::size_t line,
                                   char separator, std::vector<CsvRow>& rows) {
    Gathered gathered;
    Parser parser(separator);
    std::size_t quoteOpenedOn = 0;
    for (; at < text.size(); ++line) {
        const std::string_view physical = LineAt(text, at);
        at += physical.size();
        if (parser.BetweenRows(gathered)) gathered.rowStartLine = line;
        if (!parser.InsideQuotes()) quoteOpenedOn = line;
        if (parser.Parse(physical, gathered)) continue;
        if (parser.OutOfRoom()) return Failure("a field is too large to be read.", line);
        return Failure(parser.InsideQuotes()
                           ? "a quoted field goes on after its closing quote. A quote inside a "
                             "quoted field must be written twice (\"\")."
                           : "a field holds a quote (\") but does not begin with one. Put the "
                             "whole field in quotes and write the quote twice.",
                       line);
    }
    if (!parser.Finish(gathered)) return Failure("a quoted field is not closed.", quoteOpenedOn);
    rows = std::move(gathered.rows);
    return std::nullopt;
}

// Every row made as long as the header; an error for a row whose extra fields hold text.
std::optional<CsvReading> FitRows(std::vector<CsvRow>& rows, std::size_t width) {
    for (CsvRow& row : rows) {
        if (row.size() > width) {
            // The extra fields hold text when the text goes on past the last wanted field.
            if (row.text.size() > row.ends[width - 1]) {
                return Failure("the row has " + std::to_string(row.size()) +
                                   " fields, but the header row names " + std::to_string(width) +
                                   ". A field that holds the separator must be in quotes.",
                               row.line);
            }
            row.text.resize(row.ends[width - 1]);
        }
        row.ends.resize(width, row.text.size());
    }
    return std::nullopt;
}

// The line (from 1) holding the byte at `at`.
std::size_t LineOf(std::string_view text, std::size_t at) {
    std::size_t line = 1;
    for (std::size_t start = 0; start <= at; ++line) start += LineAt(text, start).size();
    return line - 1;
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

    std::size_t at = 0;
    std::size_t line = 1;
    std::optional<char> separator = NamedSeparator(LineAt(text, 0));
    if (separator) {
        at = LineAt(text, 0).size();
        line = 2;
    }
    for (; at < text.size() && IsBlankLine(LineAt(text, at)); ++line) {
        at += LineAt(text, at).size();
    }
    if (at == text.size()) return Failure("The file holds no header row: it is empty.");
    if (!separator) separator = GuessedSeparator(LineAt(text, at));

    std::vector<CsvRow> rows;
    if (auto error = ReadRows(text, at, line, *separator, rows)) return *error;
    if (rows.empty()) return Failure("The file holds no header row: it is empty.");

    CsvReading reading;
    CsvTable& table = reading.table;
    table.header = rows.front().texts();
    rows.erase(rows.begin());
    if (auto error = FitRows(rows, table.header.size())) return *error;
    table.rows = std::move(rows);
    table.separator = *separator;
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
