#pragma once

// Breaking a text into the lines of a box, in bytes of its UTF-8 so that the caller can go on
// with what is left.

#include <cstddef>
#include <functional>
#include <limits>
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
// It decides where the measuring starts, so a row needs two or three measures instead of
// eight; the measure alone decides what fits, unless a kerning slack (below) is given.
using GuessAdvance = std::function<double(char32_t)>;

// The kerning of the report face as far as the wrapping relies on it: between Latin-1
// characters and the others of Windows-1252 (all that a history file can hold), it makes no
// piece wider than its characters' own advances add up to by more than this many ems for
// each character.
inline constexpr const char* KNOWN_KERNING_FAMILY = "Liberation Sans";
inline constexpr double KNOWN_KERNING_SLACK_EM = 0.04;

// Whether c is one of those characters.
bool KerningKnown(char32_t c);

// Fills at most maxRows rows (at least one) of maxWidth each: breaks at blanks, splits a
// word longer than a row between characters (never inside a UTF-8 sequence or before a
// combining mark), starts a new row at CR LF, LF or CR. While text remains, at least one
// character is placed. The rows are the same with or without a guess, as long as a longer
// piece never measures narrower than a shorter one.
// kerningSlack is the most a piece of characters whose kerning is known can measure wider
// than their guesses add up to, for each character: a paragraph of them that fits with that
// much to spare takes its row without a measure. Infinite (the default) trusts no guess that
// far; a finite slack must hold for every such piece, or the rows may differ from the
// measured ones.
Wrapped WrapText(std::string_view text, double maxWidth, int maxRows, const MeasureText& measure,
                 const GuessAdvance& guess = {},
                 double kerningSlack = std::numeric_limits<double>::infinity());

}  // namespace print
