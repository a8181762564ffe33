#include "exchange/csv_export.h"

#include <iterator>

#include "exchange/client_records.h"
#include "exchange/line_breaks.h"

namespace exchange {

namespace {

constexpr std::string_view RowEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Readers trim unquoted fields and end rows at line breaks, so such fields go in quotes.
bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    return IsBlank(text.front()) || IsBlank(text.back()) ||
           text.find_first_of(",;\t\"\r\n") != std::string_view::npos;
}

// A plain number or a phone number: a sign and digits, with blanks, dots, dashes, slashes or
// parentheses between them ("-12.5", "+1 (503) 555-0142").
bool IsNumber(std::string_view text) {
    if (text.starts_with('+') || text.starts_with('-')) text.remove_prefix(1);
    return text.find_first_of("0123456789") != std::string_view::npos &&
           text.find_first_not_of("0123456789 .-/()") == std::string_view::npos;
}

// Whether the text needs an apostrophe before it: a spreadsheet would take it for a formula,
// or the import would take the apostrophes it begins with for one written here.
bool NeedsFormulaGuard(std::string_view text) {
    const std::size_t start = text.find_first_not_of('\'');
    if (start == std::string_view::npos ||
        FormulaStarts.find(text[start]) == std::string_view::npos) {
        return false;
    }
    return start > 0 || !IsNumber(text);
}

void AppendField(std::string& out, std::string_view text) {
    const std::string_view guard = NeedsFormulaGuard(text) ? "'" : "";
    if (!NeedsQuotes(text)) {
        out += guard;
        out += text;
        return;
    }
    out += '"';
    out += guard;
    // Every line break the same way as the rows', whichever form the text held.
    for (const char c : WithLineBreaks(text, RowEnd)) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendRow(std::string& out, std::span<const std::string_view> texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out += ',';
        AppendField(out, texts[i]);
    }
    out += RowEnd;
}

}  // namespace

std::string CsvText(std::span<const Contact> contacts) {
    std::string text = "\xEF\xBB\xBF";  // the byte-order mark
    AppendRow(text, FieldNames);
    for (const Contact& c : contacts) {
        const std::string_view fields[] = {c.client,       c.address,        c.city,       c.state,
                                           c.zip,          c.contact,        c.phone,      c.ext,
                                           c.fax,          c.cell,           c.gatekeeper, c.email,
                                           c.followUpDate, c.followUpAction, c.history};
        static_assert(std::size(fields) == FieldNames.size());
        AppendRow(text, fields);
    }
    return text;
}

}  // namespace exchange
