#include "exchange/field_rules.h"

#include <regex>

#include "store/text_field.h"

namespace exchange {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlankByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankByte(text.back())) text.remove_suffix(1);
    return text;
}

// Lower case, dots and commas dropped, one blank between words: "Washington, D.C." gives
// "washington dc".
std::string NameKey(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == '.' || c == ',') continue;
        if (IsBlankByte(c)) {
            if (!key.empty() && key.back() != ' ') key += ' ';
        } else {
            key += Lower(c);
        }
    }
    if (!key.empty() && key.back() == ' ') key.pop_back();
    return key;
}

struct StateName {
    std::string_view code;
    std::string_view name;  // as NameKey makes it
};

// The USPS codes of the states, the District of Columbia and the inhabited territories.
// clang-format off
constexpr StateName StateNames[] = {
    {"AL", "alabama"}, {"AK", "alaska"}, {"AZ", "arizona"}, {"AR", "arkansas"},
    {"CA", "california"}, {"CO", "colorado"}, {"CT", "connecticut"}, {"DE", "delaware"},
    {"DC", "district of columbia"}, {"DC", "washington dc"}, {"FL", "florida"}, {"GA", "georgia"},
    {"HI", "hawaii"}, {"ID", "idaho"}, {"IL", "illinois"}, {"IN", "indiana"}, {"IA", "iowa"},
    {"KS", "kansas"}, {"KY", "kentucky"}, {"LA", "louisiana"}, {"ME", "maine"}, {"MD", "maryland"},
    {"MA", "massachusetts"}, {"MI", "michigan"}, {"MN", "minnesota"}, {"MS", "mississippi"},
    {"MO", "missouri"}, {"MT", "montana"}, {"NE", "nebraska"}, {"NV", "nevada"},
    {"NH", "new hampshire"}, {"NJ", "new jersey"}, {"NM", "new mexico"}, {"NY", "new york"},
    {"NC", "north carolina"}, {"ND", "north dakota"}, {"OH", "ohio"}, {"OK", "oklahoma"},
    {"OR", "oregon"}, {"PA", "pennsylvania"}, {"RI", "rhode island"}, {"SC", "south carolina"},
    {"SD", "south dakota"}, {"TN", "tennessee"}, {"TX", "texas"}, {"UT", "utah"}, {"VT", "vermont"},
    {"VA", "virginia"}, {"WA", "washington"}, {"WV", "west virginia"}, {"WI", "wisconsin"},
    {"WY", "wyoming"}, {"AS", "american samoa"}, {"GU", "guam"}, {"MP", "northern mariana islands"},
    {"PR", "puerto rico"}, {"VI", "us virgin islands"}, {"VI", "virgin islands"},
    {"VI", "united states virgin islands"},
};
// clang-format on

// A number of a North American plan: ten digits with any of these between them, and "+1" or
// "1" before them.
constexpr std::string_view NumberFormatting = " ()./-";

std::optional<std::string> NorthAmerican(std::string_view number) {
    const bool plus = number.starts_with('+');
    if (plus) number.remove_prefix(1);
    std::string digits;
    for (const char c : number) {
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (NumberFormatting.find(c) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (digits.size() == 11 && digits.front() == '1') {
        digits.erase(0, 1);
    } else if (plus) {
        return std::nullopt;  // another country's code
    }
    if (digits.size() != 10) return std::nullopt;
    return digits.substr(0, 3) + "-" + digits.substr(3, 3) + "-" + digits.substr(6);
}

// Whether the text begins with the word, in any case.
bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[i]) != word[i]) return false;
    }
    return true;
}

// Without a leading "tel:" (a vCard 4.0 number is an address of that scheme).
std::string_view WithoutScheme(std::string_view number) {
    number = Trimmed(number);
    if (StartsWithWord(number, "tel:")) number.remove_prefix(4);
    return Trimmed(number);
}

}  // namespace

std::optional<std::string> StateCode(std::string_view state) {
    state = Trimmed(state);
    if (state.size() == 2 && IsLetter(state[0]) && IsLetter(state[1])) {
        std::string code(state);
        for (char& c : code) c = static_cast<char>(c & ~0x20);  // ASCII letters upper case
        return code;
    }
    const std::string key = NameKey(state);
    for (const StateName& known : StateNames) {
        if (known.name == key) return std::string(known.code);
    }
    return std::nullopt;
}

NumberAndExtension SplitExtension(std::string_view number) {
    number = WithoutScheme(number);
    // A number before the mark, and digits alone after it.
    static const std::regex Extension(
        R"(^(.*[0-9].*?)[\s,;]*(?:x|ext\.?|extension|ext=)\s*[:.#]?\s*([0-9]+)$)",
        std::regex::icase | std::regex::optimize);
    std::match_results<std::string_view::const_iterator> match;
    // Every mark holds an "x".
    if (number.find_first_of("xX") == std::string_view::npos ||
        !std::regex_match(number.begin(), number.end(), match, Extension)) {
        return {std::string(number), {}};
    }
    return {std::string(Trimmed(std::string_view(match[1].first, match[1].second))),
            match[2].str()};
}

std::string FittedNumber(std::string_view number, std::size_t width) {
    number = WithoutScheme(number);
    if (StoredLength(number) <= width) return std::string(number);
    if (const auto plan = NorthAmerican(number)) return *plan;
    std::string compact;
    for (const char c : number) {
        if (c != '(' && c != ')' && c != '.' && !IsBlankByte(c)) compact += c;
    }
    return compact;
}

std::optional<std::string> ExtensionDigits(std::string_view ext) {
    ext = Trimmed(ext);
    for (const std::string_view mark : {"extension", "ext.", "ext", "x", "#"}) {
        if (StartsWithWord(ext, mark)) {
            ext = Trimmed(ext.substr(mark.size()));
            break;
        }
    }
    if (ext.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return std::string(ext);
}

std::size_t StoredLength(std::string_view text) {
    if (store::IsAscii(text)) return Trimmed(text).size();
    return Trimmed(store::EncodeWindows1252(text)).size();
}

}  // namespace exchange
