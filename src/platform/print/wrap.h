#pragma once

// Breaking a text into the lines of a box, in bytes of its UTF-8 so that the caller can go on
// with what is left.

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace print {

// One line: the bytes [begin, end) of the text, drawn on the box's row `row` (0 = first).
// An empty line (two line breaks in a row) still takes its row.
struct LineSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct Wrapped {
    std::vector<LineSpan> lines;  // one per row used
    std::size_t consumed = 0;     // bytes placed, with the blanks and breaks after the last
};

// The width of a piece of the text, in the unit of maxWidth.
using MeasureText = std::function<double(std::string_view)>;

// A quick guess at one character's advance in the same unit, kerning and shaping left out.
// It only decides where the measuring starts, so a row needs two or three measures instead of
// eight; the measure alone decides what fits.
using GuessAdvance = std::function<double(char32_t)>;

// Fills at most maxRows rows (at least one) of maxWidth each: breaks at blanks, splits a
// word longer than a row between characters (never inside a UTF-8 sequence or before a
// combining mark), starts a new row at CR LF, LF or CR. While text remains, at least one
// character is placed. The rows are the same with or without a guess, as long as a longer
// piece never measures narrower than a shorter one.
Wrapped WrapText(std::string_view text, double maxWidth, int maxRows, const MeasureText& measure,
                 const GuessAdvance& guess = {});

}  // namespace print
