#pragma once

// The details window's input rules for the fields an imported contact fills: what a box would
// have taken from the user, an import stores; what it would not, goes to the history.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace exchange {

// The state as the State box keeps it: two letters upper case, and a US state's or
// territory's full name ("Oregon", "district of columbia") as its two letters; nothing for
// anything else.
std::optional<std::string> StateCode(std::string_view state);

// A phone number and the extension written after it ("555-0142 x204", "ext. 5", vCard 4.0's
// "tel:+1-555-0142;ext=5"); the extension is empty when the number names none.
struct NumberAndExtension {
    std::string number;
    std::string extension;
};
NumberAndExtension SplitExtension(std::string_view number);

// The number as a field of the width keeps it: as it is when it fits; else without its
// formatting, a North American number as "503-555-0142" ("+1 (503) 555.0142"). What still does
// not fit is left for the field to cut.
std::string FittedNumber(std::string_view number, std::size_t width);

// The extension's digits ("x204", "ext. 5" give "204", "5"); nothing when it holds anything
// but digits after such a mark.
std::optional<std::string> ExtensionDigits(std::string_view ext);

// The text's length in the data file's bytes, without the blanks around it.
std::size_t StoredLength(std::string_view text);

}  // namespace exchange
