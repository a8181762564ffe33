#include "exchange/csv_import.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <csv.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <span>
#include <thread>
#include <utility>

#include "exchange/byte_scan.h"
#include "exchange/line_breaks.h"
#include "exchange/utf8.h"
#include "store/files.h"
#include "store/text_field.h"

namespace exchange {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleMark = "\xFF\xFE";
constexpr std::string_view Utf16BigMark = "\xFE\xFF";
constexpr std::array<char, 3> Separators{',', ';', '\t'};
constexpr auto LineBreakBytes = BytesOf("\r\n");

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

std::string Utf16ToUtf8(std::string_view bytes, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding);  // skips the byte-order mark
    const QString text = decoder(Bytes(bytes));
    return text.toUtf8().toStdString();
}

// The file's text as UTF-8, and the name of the encoding it was read in. A file that is UTF-8
// already is not copied: the text is a view of its bytes, and `converted` stays empty.
struct DecodedFile {
    std::string_view text;
    std::string encoding;
    std::string converted;
};

DecodedFile DecodedText(std::string_view bytes) {
    DecodedFile file;
    const auto convertedTo = [&file](std::string text, const char* encoding) {
        file.converted = std::move(text);
        file.text = file.converted;
        file.encoding = encoding;
    };
    if (bytes.starts_with(Utf16LittleMark)) {
        convertedTo(Utf16ToUtf8(bytes, QStringConverter::Utf16LE), "UTF-16");
    } else if (bytes.starts_with(Utf16BigMark)) {
        convertedTo(Utf16ToUtf8(bytes, QStringConverter::Utf16BE), "UTF-16");
    } else if (bytes.starts_with(Utf8Mark)) {
        bytes.remove_prefix(Utf8Mark.size());
        // A marked file is UTF-8 whatever it holds; a broken sequence becomes U+FFFD.
        if (IsValidUtf8(bytes)) {
            file.text = bytes;
            file.encoding = "UTF-8";
        } else {
            convertedTo(QString::fromUtf8(Bytes(bytes)).toUtf8().toStdString(), "UTF-8");
        }
    } else if (IsValidUtf8(bytes)) {
        file.text = bytes;
        file.encoding = "UTF-8";
    } else {
        convertedTo(store::DecodeWindows1252(bytes), "Windows-1252");
    }
    return file;
}

// Where the line after the one at `at` starts, past its line break: LF, CR LF or a lone CR;
// the size of the text after the last line.
std::size_t NextLineStart(std::string_view text, std::size_t at) {
    std::size_t end = FindFirst(text, at, LineBreakBytes);
    if (end < text.size()) {
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        end += crLf ? 2U : 1U;
    }
    return end;
}

// The physical line starting at `at`, with its line break.
std::string_view LineAt(std::string_view text, std::size_t at) {
    return text.substr(at, NextLineStart(text, at) - at);
}

// The text cut into its physical lines, each with its line break.
std::vector<std::string_view> PhysicalLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        lines.push_back(LineAt(text, start));
        start += lines.back().size();
    }
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
        if (row.size() > width) {
            // The extra fields hold text when the text goes on past the last wanted field.
            if (row.text.size() > row.ends[width - 1]) {
                return Failure("the row has " + std::to_string(row.size()) +
                                   " fields, but the header row names " + std::to_string(width) +
                                   ". A field that holds the separator must be in quotes.",
                               row.line);
            }
        }
        if (row.size() > width) row.text.resize(row.ends[width - 1]);
        row.ends.resize(width, row.text.size());
    }
    return std::nullopt;
}

// Below this a second thread costs more than it saves.
constexpr std::size_t SplitBytes = 256 * 1024;
// How far past the middle a row start is looked for.
constexpr std::size_t SplitSearchLines = 4096;

// Where, near the middle of a large file, the second of two readings starts: the first line
// after the middle, and after `from`, with an even number of quotes before it, which in a
// well-formed file is a row's first line (a quoted field holds its quotes in pairs, and a
// plainly well-formed file has no other quote). The size of the text when the file is small
// or no such line is near.
std::size_t SplitOffset(std::string_view text, std::size_t from) {
    if (text.size() < SplitBytes) return text.size();
    std::size_t at = NextLineStart(text, std::max(text.size() / 2, NextLineStart(text, from)));
    std::size_t quotes = CountOf(text.substr(0, at), '"');
    for (std::size_t line = 0; line < SplitSearchLines && at < text.size(); ++line) {
        if (quotes % 2 == 0) return at;
        const std::size_t next = NextLineStart(text, at);
        quotes += CountOf(text.substr(at, next - at), '"');
        at = next;
    }
    return text.size();
}

// The rows of a plainly well-formed file, read without the library: most files are written
// by programs, and the library takes byte by byte what this takes in runs. Whatever is not
// plainly well-formed (a quote inside an unquoted field, anything but a separator or a line
// break after a closing quote, a quoted field left open) gives nothing, and the library reads
// the whole file instead, with its exact messages. Rows come as the library gives them:
// blanks around unquoted fields dropped, line breaks in quoted fields made "\n", rows without
// text left out; their lines are counted from the start of the part read.
struct PlainRows {
    std::vector<CsvRow> rows;
    std::size_t lineBreaks = 0;  // how many lines the part ended
};

class PlainReader {
public:
    PlainReader(std::string_view text, char separator)
        : text_(text), separator_(separator), endsField_{{separator, '\r', '\n', '"'}} {}

    std::optional<PlainRows> Read() {
        PlainRows read;
        for (;;) {
            SkipBlanksAndLineBreaks();
            if (at_ == text_.size()) break;
            CsvRow row;
            row.line = lineBreaks_ + 1;
            // As many fields as the row before, most likely: room made once, not as they come.
            row.ends.reserve(width_);
            for (;;) {
                while (at_ < text_.size() && text_[at_] == ' ') ++at_;
                const bool taken =
                    at_ < text_.size() && text_[at_] == '"' ? Quoted(row.text) : Unquoted(row.text);
                if (!taken) return std::nullopt;
                row.ends.push_back(row.text.size());
                if (at_ == text_.size()) break;
                const char ends = text_[at_];
                if (ends == separator_) {
                    ++at_;
                    continue;
                }
                if (ends != '\r' && ends != '\n') return std::nullopt;
                break;
            }
            width_ = std::max(width_, row.size());
            if (!row.text.empty()) read.rows.push_back(std::move(row));
        }
        read.lineBreaks = lineBreaks_;
        return read;
    }

private:
    // One line break, LF, CR LF or a lone CR, at the position.
    void PassLineBreak() {
        if (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') ++at_;
        ++at_;
        ++lineBreaks_;
    }

    void SkipBlanksAndLineBreaks() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == ' ') {
                ++at_;
            } else if (c == '\r' || c == '\n') {
                PassLineBreak();
            } else {
                break;
            }
        }
    }

    // Up to the separator or line break, trailing blanks dropped, appended to the text; false
    // at a quote.
    bool Unquoted(std::string& field) {
        const std::size_t start = at_;
        at_ = FindFirst(text_, at_, endsField_);
        if (at_ < text_.size() && text_[at_] == '"') return false;
        std::size_t end = at_;
        while (end > start && text_[end - 1] == ' ') --end;
        field.append(text_.substr(start, end - start));
        return true;
    }

    // From the opening quote to the closing one, doubled quotes made single and every line
    // break "\n", in one pass, appended to the text; false when the closing quote is missing.
    bool Quoted(std::string& field) {
        constexpr auto specials = BytesOf("\"\r\n");
        std::size_t start = ++at_;
        for (;;) {
            const std::size_t special = FindFirst(text_, at_, specials);
            if (special == text_.size()) return false;
            field.append(text_.substr(start, special - start));
            const char c = text_[special];
            std::size_t next = special + 1;
            if (c == '"') {
                if (next == text_.size() || text_[next] != '"') {
                    at_ = next;
                    return true;
                }
                field += '"';
                ++next;
            } else {
                field += '\n';
                ++lineBreaks_;
                if (c == '\r' && next < text_.size() && text_[next] == '\n') ++next;
            }
            start = at_ = next;
        }
    }

    std::string_view text_;
    char separator_;
    AnyOf<4> endsField_;
    std::size_t width_ = 1;  // the most fields a row had so far
    std::size_t at_ = 0;
    std::size_t lineBreaks_ = 0;
};

// The rows of the text from `offset` on, where line `first` starts, read as PlainReader reads
// them, in two halves at once when the file is large; nothing when any part is not plainly
// well-formed.
std::optional<std::vector<CsvRow>> ReadPlainRows(std::string_view text, std::size_t offset,
                                                 std::size_t first, char separator) {
    const std::size_t split = SplitOffset(text, offset);
    const std::string_view head = text.substr(offset, split - offset);
    const std::string_view rest = text.substr(split);
    std::optional<PlainRows> tail;
    std::jthread helper;
    if (!rest.empty()) helper = std::jthread([&] { tail = PlainReader(rest, separator).Read(); });
    std::optional<PlainRows> read = PlainReader(head, separator).Read();
    if (helper.joinable()) helper.join();
    if (!read || (!rest.empty() && !tail)) return std::nullopt;
    for (CsvRow& row : read->rows) row.line += first;
    if (tail) {
        const std::size_t tailFirst = first + read->lineBreaks;
        for (CsvRow& row : tail->rows) row.line += tailFirst;
        std::move(tail->rows.begin(), tail->rows.end(), std::back_inserter(read->rows));
    }
    return std::move(read->rows);
}

// The rows as the library reads them from line `first` on; its first error, if any, instead.
std::optional<CsvReading> ReadLibraryRows(std::span<const std::string_view> lines,
                                          std::size_t first, char separator,
                                          std::vector<CsvRow>& rows) {
    Gathered gathered;
    Parser parser(separator);
    std::size_t quoteOpenedOn = 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::size_t line = i + 1;
        if (parser.BetweenRows(gathered)) gathered.rowStartLine = line;
        if (!parser.InsideQuotes()) quoteOpenedOn = line;
        if (parser.Parse(lines[i], gathered)) continue;
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

}  // namespace

CsvReading ReadCsv(std::string_view bytes, CsvReadingWay way) {
    DecodedFile decoded = DecodedText(bytes);
    const std::string_view text = decoded.text;
    // The lines are cut out only for the library, or for a message naming one.
    if (text.find('\0') != std::string_view::npos) {
        if (auto error = NulError(text, PhysicalLines(text))) return *error;
    }

    std::size_t first = 0;   // the line where the rows begin
    std::size_t offset = 0;  // where it begins
    std::optional<char> separator = NamedSeparator(LineAt(text, 0));
    if (separator) {
        first = 1;
        offset = LineAt(text, 0).size();
    }
    for (; offset < text.size() && IsBlankLine(LineAt(text, offset)); ++first) {
        offset += LineAt(text, offset).size();
    }
    if (offset == text.size()) return Failure("The file holds no header row: it is empty.");
    if (!separator) separator = GuessedSeparator(LineAt(text, offset));

    std::vector<CsvRow> rows;
    std::optional<std::vector<CsvRow>> plain;
    if (way == CsvReadingWay::Fastest) plain = ReadPlainRows(text, offset, first, *separator);
    if (plain) {
        rows = std::move(*plain);
    } else if (auto error = ReadLibraryRows(PhysicalLines(text), first, *separator, rows)) {
        return *error;
    }
    if (rows.empty()) return Failure("The file holds no header row: it is empty.");

    CsvReading reading;
    CsvTable& table = reading.table;
    table.header = rows.front().texts();
    rows.erase(rows.begin());
    if (auto error = FitRows(rows, table.header.size())) return *error;
    table.rows = std::move(rows);
    table.separator = *separator;
    table.encoding = std::move(decoded.encoding);
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
