#include "exchange/csv_import.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <csv.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "store/files.h"
#include "store/text_field.h"

namespace exchange {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleMark = "\xFF\xFE";
constexpr std::string_view Utf16BigMark = "\xFE\xFF";
constexpr std::array<char, 3> Separators{',', ';', '\t'};

std::string LineText(std::size_t line) {
    return "Line " + std::to_string(line) + ": ";
}

CsvReading Failure(std::string error, std::size_t line = 0) {
    CsvReading reading;
    reading.error = line != 0 ? LineText(line) + error : std::move(error);
    reading.errorLine = line;
    return reading;
}

QByteArrayView Bytes(std::string_view bytes) {
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IsValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder(Bytes(bytes));
    return !decoder.hasError();
}

std::string Utf16ToUtf8(std::string_view bytes, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding);  // skips the byte-order mark
    const QString text = decoder(Bytes(bytes));
    return text.toUtf8().toStdString();
}

// The file's text as UTF-8, and the name of the encoding it was read in.
std::pair<std::string, std::string> DecodedText(std::string_view bytes) {
    if (bytes.starts_with(Utf16LittleMark)) {
        return {Utf16ToUtf8(bytes, QStringConverter::Utf16LE), "UTF-16"};
    }
    if (bytes.starts_with(Utf16BigMark)) {
        return {Utf16ToUtf8(bytes, QStringConverter::Utf16BE), "UTF-16"};
    }
    if (bytes.starts_with(Utf8Mark)) {
        bytes.remove_prefix(Utf8Mark.size());
        // A marked file is UTF-8 whatever it holds; a broken sequence becomes U+FFFD.
        if (IsValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
        const QString text = QString::fromUtf8(Bytes(bytes));
        return {text.toUtf8().toStdString(), "UTF-8"};
    }
    if (IsValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
    return {store::DecodeWindows1252(bytes), "Windows-1252"};
}

// The text cut into its physical lines, each with its line break: LF, CR LF or a lone CR.
std::vector<std::string_view> PhysicalLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lineEnds =
            text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
        if (lineEnds) {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
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

std::string WithNewlines(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\r') {
            if (i + 1 < field.size() && field[i + 1] == '\n') ++i;
            text += '\n';
        } else {
            text += field[i];
        }
    }
    return text;
}

// What the parser's callbacks gather.
struct Gathered {
    std::vector<CsvRow> rows;
    CsvRow current;
    std::size_t rowStartLine = 1;  // where a row beginning now begins
};

void OnField(void* bytes, std::size_t size, void* data) {
    Gathered& gathered = *static_cast<Gathered*>(data);
    if (gathered.current.fields.empty()) gathered.current.line = gathered.rowStartLine;
    const std::string_view field =
        size == 0 ? std::string_view() : std::string_view(static_cast<const char*>(bytes), size);
    gathered.current.fields.push_back(WithNewlines(field));
}

void OnRowEnd(int, void* data) {
    Gathered& gathered = *static_cast<Gathered*>(data);
    const auto& fields = gathered.current.fields;
    const bool holdsText =
        std::any_of(fields.begin(), fields.end(), [](const auto& f) { return !f.empty(); });
    if (holdsText) gathered.rows.push_back(std::move(gathered.current));
    gathered.current = CsvRow{};
}

// Only the blank is trimmed around unquoted fields: a tab may be the separator itself.
int IsSpace(unsigned char c) {
    return c == ' ' ? 1 : 0;
}

// One parser for one file, freed whatever happens.
class Parser {
public:
    explicit Parser(char separator) {
        csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_delim(&parser_, static_cast<unsigned char>(separator));
        csv_set_space_func(&parser_, IsSpace);
    }
    ~Parser() { csv_free(&parser_); }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Between rows, with nothing of a field read.
    bool BetweenRows(const Gathered& gathered) const {
        return gathered.current.fields.empty() && parser_.quoted == 0 && parser_.entry_pos == 0;
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

std::optional<CsvReading> NulError(std::string_view text,
                                   const std::vector<std::string_view>& lines) {
    const std::size_t nul = text.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    std::size_t before = 0;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        before += lines[line].size();
        if (nul < before) {
            return Failure(
                "the file holds a NUL character, which no text file does; it is not "
                "a CSV file.",
                line + 1);
        }
    }
    return std::nullopt;
}

// Every row made as long as the header; an error for a row whose extra fields hold text.
std::optional<CsvReading> FitRows(std::vector<CsvRow>& rows, std::size_t width) {
    for (CsvRow& row : rows) {
        if (row.fields.size() > width) {
            const auto extra = row.fields.begin() + static_cast<std::ptrdiff_t>(width);
            if (std::any_of(extra, row.fields.end(), [](const auto& f) { return !f.empty(); })) {
                return Failure("the row has " + std::to_string(row.fields.size()) +
                                   " fields, but the header row names " + std::to_string(width) +
                                   ". A field that holds the separator must be in quotes.",
                               row.line);
            }
        }
        row.fields.resize(width);
    }
    return std::nullopt;
}

}  // namespace

CsvReading ReadCsv(std::string_view bytes) {
    auto [text, encoding] = DecodedText(bytes);
    const std::vector<std::string_view> lines = PhysicalLines(text);
    if (auto error = NulError(text, lines)) return *error;

    std::size_t first = 0;  // the line where the rows begin
    std::optional<char> separator = lines.empty() ? std::nullopt : NamedSeparator(lines[0]);
    if (separator) first = 1;
    while (first < lines.size() && IsBlankLine(lines[first])) ++first;
    if (first == lines.size()) return Failure("The file holds no header row: it is empty.");
    if (!separator) separator = GuessedSeparator(lines[first]);

    Gathered gathered;
    Parser parser(*separator);
    std::size_t quoteOpenedOn = 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::size_t line = i + 1;
        if (parser.BetweenRows(gathered)) gathered.rowStartLine = line;
        if (!parser.InsideQuotes()) quoteOpenedOn = line;
        if (!parser.Parse(lines[i], gathered)) {
            if (parser.OutOfRoom()) return Failure("a field is too large to be read.", line);
            return Failure(parser.InsideQuotes()
                               ? "a quoted field goes on after its closing quote. A quote "
                                 "inside a quoted field must be written twice (\"\")."
                               : "a field holds a quote (\") but does not begin with one. Put "
                                 "the whole field in quotes and write the quote twice.",
                           line);
        }
    }
    if (!parser.Finish(gathered)) return Failure("a quoted field is not closed.", quoteOpenedOn);
    if (gathered.rows.empty()) return Failure("The file holds no header row: it is empty.");

    CsvReading reading;
    CsvTable& table = reading.table;
    table.header = std::move(gathered.rows.front().fields);
    gathered.rows.erase(gathered.rows.begin());
    if (auto error = FitRows(gathered.rows, table.header.size())) return *error;
    table.rows = std::move(gathered.rows);
    table.separator = *separator;
    table.encoding = std::move(encoding);
    return reading;
}

CsvReading ReadCsvFile(const std::string& path) {
    std::string reason;
    if (store::KindOfPath(path, &reason) != store::PathKind::File) {
        return Failure("\"" + path + "\" cannot be read: " +
                       (reason.empty() ? std::string("there is no such file") : reason) + ".");
    }
    const std::optional<std::string> bytes = store::ReadFileBytes(path, MaxCsvFileBytes);
    if (!bytes) {
        return Failure("\"" + path + "\" cannot be read: " + store::LastFileError() + ".");
    }
    return ReadCsv(*bytes);
}

}  // namespace exchange
