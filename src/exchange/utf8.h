#pragma once

// The text of an imported file as UTF-8, whatever it was written in, and the notes on what
// could not be read as written.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// Lines of a file that hold something worth a note: counted, the first few by number.
class LineList {
public:
    void add(std::size_t line);  // the same line added again straight after counts once
    bool empty() const { return count_ == 0; }
    // "line 3", "lines 3, 7 and 12", or the first ten and "and 5 more".
    std::string text() const;

private:
    std::vector<std::size_t> first_;
    std::size_t count_ = 0;
    std::size_t last_ = 0;
};

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing beyond
// U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view bytes);

// The bytes with every byte that is no part of a well-formed sequence made "?"; the lines
// holding one (counted from firstLine at the start of the bytes) are added to `lines`.
std::string WithBadBytesShown(std::string_view bytes, LineList& lines, std::size_t firstLine = 1);

// The note for lines holding bytes that are not UTF-8.
std::string BadBytesNote(const LineList& lines);

// A file's text: UTF-16 (told by its byte-order mark) converted to UTF-8, anything else as
// written, without a UTF-8 byte-order mark.
struct FileText {
    std::string_view text() const { return content; }

    std::string content;
    bool isConverted = false;  // from UTF-16
    // "UTF-16", "UTF-8", or "Windows-1252" for 8-bit text that does not look like UTF-8.
    std::string encoding;
    std::vector<std::string> notes;  // what could not be read as written
};
FileText TextOfFile(std::string_view bytes);

}  // namespace exchange
