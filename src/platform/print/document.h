#pragma once

// A report document as the drawing calls build it: pages of placed texts, rules and page
// number fields, in inches from the paper's top-left corner. Plain data, so that the tests and
// the painters read the same thing.

#include <cstdint>
#include <string>
#include <vector>

namespace print {

// The font a text is drawn in: the style code and face given to dpFont, size in points.
struct FontChoice {
    int style = 16;
    float points = 10.0f;
    std::string face = "Arial";

    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

enum class ItemKind : std::uint8_t {
    Text,         // dpText
    WrappedLine,  // one line placed by dpWrapText
    PageNumber,   // dpPageNo: the page's own number
    PageCount,    // dpPageCount: the number of pages, filled in when the document ends
    Rule,         // dpLine
};

constexpr int ALIGN_LEFT = 0;
constexpr int ALIGN_CENTER = 1;
constexpr int ALIGN_RIGHT = 2;
// The right end at x, or further left where needed to keep one blank between it and the next
// text on its base line, settled when the document ends: the next text may be a page count.
constexpr int ALIGN_RIGHT_BEFORE_NEXT = 3;

struct Item {
    ItemKind kind = ItemKind::Text;
    std::uint16_t font = 0;  // index into Document::fonts (texts only)
    std::int8_t align = ALIGN_LEFT;
    float x = 0;     // as given; for a text the point its alignment refers to
    float y = 0;     // a text's base line
    float left = 0;  // where the text's left end falls once aligned (and kept apart)
    float x2 = 0;    // rules only: the other end and the width in points
    float y2 = 0;
    float width = 0;
    std::string text;  // UTF-8, as drawn
};

struct Page {
    std::vector<Item> items;
};

struct Document {
    int number = 0;  // the number dpStartDoc handed out
    std::string title;
    std::vector<FontChoice> fonts;  // every font selected, once each
    std::vector<Page> pages;        // never empty
};

}  // namespace print
