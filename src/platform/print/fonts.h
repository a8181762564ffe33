#pragma once

// Fonts and text measure for the report pages. Texts are measured and painted in one fixed
// logical resolution, so a page is laid out the same in the preview, in a PDF and on paper.

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "platform/print/document.h"

namespace print {

// 20 logical units per point: every size given to a twentieth of a point is a whole pixel
// size, glyph advances are fine-grained, and the fonts stay small enough for the glyph caches
// (a far larger pixel size makes painting a page nearly twice as slow).
constexpr double UNITS_PER_INCH = 1440.0;
constexpr double UNITS_PER_POINT = UNITS_PER_INCH / 72.0;

// The installed family that stands in for a face name ("Arial" is Liberation Sans).
QString FamilyFor(const std::string& face);

// The font of a choice, sized in logical units.
QFont FontFor(const FontChoice& choice);

// A text as it is drawn: control characters (tabs among them) show as blanks.
QString DisplayText(std::string_view utf8);

// The advance width of a text in inches.
double TextWidthInches(const FontChoice& choice, std::string_view utf8);

}  // namespace print
