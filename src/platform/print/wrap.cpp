#include "platform/print/wrap.h"

#include <QChar>
#include <algorithm>
#include <cstdint>
#include <functional>

namespace print {

namespace {

struct CodePoint {
    char32_t value = 0;
    std::size_t offset = 0;  // where its bytes begin
};

constexpr char32_t REPLACEMENT = 0xFFFD;
constexpr char32_t ZERO_WIDTH_JOINER = 0x200D;
// The first probe of how much of a row fits, in characters; about a third of a row of
// 10-point text, so most rows are settled in a few measures.
constexpr std::size_t FIRST_PROBE = 48;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the code point at offset; a byte that starts no valid sequence stands alone.
CodePoint DecodeAt(std::string_view text, std::size_t offset, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) return {lead, offset};
    std::size_t need = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return {REPLACEMENT, offset};
    }
    if (offset + need >= text.size()) return {REPLACEMENT, offset};
    for (std::size_t i = 1; i <= need; ++i) {
        if (!IsContinuation(byte(i))) return {REPLACEMENT, offset};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {REPLACEMENT, offset};
    }
    length = need + 1;
    return {value, offset};
}

// The text's code points, decoded as far as they are asked for.
class CodePoints {
public:
    explicit CodePoints(std::string_view text) : text_(text) {}

    // Whether a code point with this index exists.
    bool Has(std::size_t index) {
        while (points_.size() <= index && next_ < text_.size()) {
            std::size_t length = 1;
            points_.push_back(DecodeAt(text_, next_, length));
            next_ += length;
        }
        return index < points_.size();
    }
    char32_t At(std::size_t index) { return Has(index) ? points_[index].value : 0; }
    // The byte offset where code point `index` begins (the text's size past the end).
    std::size_t Offset(std::size_t index) {
        return Has(index) ? points_[index].offset : text_.size();
    }
    std::string_view Slice(std::size_t from, std::size_t to) {
        const std::size_t begin = Offset(from);
        return text_.substr(begin, Offset(to) - begin);
    }

private:
    std::string_view text_;
    std::vector<CodePoint> points_;
    std::size_t next_ = 0;
};

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t';
}
bool IsLineBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}

// A character that belongs to the one before it, so a row must not begin with it.
bool ClingsToPrevious(char32_t c) {
    if (c == ZERO_WIDTH_JOINER) return true;
    switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

// The index just past the line break that begins at `at` (CR LF counts as one).
std::size_t PastLineBreak(CodePoints& points, std::size_t at) {
    if (!points.Has(at)) return at;
    if (points.At(at) == U'\r' && points.At(at + 1) == U'\n') return at + 2;
    return at + 1;
}

// Narrows [fitting, tooMany) down to the largest count that fits, halving the gap.
std::size_t Bisect(std::size_t fitting, std::size_t tooMany, std::size_t available,
                   const std::function<bool(std::size_t)>& fits) {
    while (tooMany <= available && tooMany - fitting > 1) {
        const std::size_t middle = fitting + (tooMany - fitting) / 2;
        (fits(middle) ? fitting : tooMany) = middle;
    }
    return fitting;
}

// How many characters from `from` fit in the row, at most `available`.
std::size_t FittingCount(CodePoints& points, std::size_t from, std::size_t available,
                         double maxWidth, const MeasureText& measure) {
    const auto fits = [&](std::size_t count) {
        return measure(points.Slice(from, from + count)) <= maxWidth;
    };
    std::size_t fitting = 0;
    std::size_t tooMany = available + 1;
    std::size_t probe = std::min(available, FIRST_PROBE);
    while (probe > fitting) {
        if (!fits(probe)) {
            tooMany = probe;
            break;
        }
        fitting = probe;
        probe = std::min(available, probe * 2);
    }
    return Bisect(fitting, tooMany, available, fits);
}

// The same count, found by measuring around the count the guessed advances give: up from
// it in growing steps while the pieces fit, or down while they do not. The guess is usually
// off by a character or two, so two or three measures settle a row.
std::size_t FittingCountNear(CodePoints& points, std::size_t from, std::size_t available,
                             double maxWidth, const MeasureText& measure,
                             const GuessAdvance& guess) {
    if (available == 0) return 0;
    const auto fits = [&](std::size_t count) {
        return measure(points.Slice(from, from + count)) <= maxWidth;
    };
    std::size_t guessed = 0;
    for (double width = 0; guessed < available; ++guessed) {
        width += guess(points.At(from + guessed));
        if (width > maxWidth) break;
    }
    guessed = std::max<std::size_t>(guessed, 1);

    std::size_t fitting = 0;
    std::size_t tooMany = available + 1;
    if (fits(guessed)) {
        fitting = guessed;
        for (std::size_t step = 1; fitting < available; step *= 2) {
            const std::size_t probe = std::min(available, fitting + step);
            if (!fits(probe)) {
                tooMany = probe;
                break;
            }
            fitting = probe;
        }
    } else {
        tooMany = guessed;
        for (std::size_t step = 1; tooMany > step; step *= 2) {
            const std::size_t probe = tooMany - step;
            if (fits(probe)) {
                fitting = probe;
                break;
            }
            tooMany = probe;
        }
    }
    return Bisect(fitting, tooMany, available, fits);
}

}  // namespace

Wrapped WrapText(std::string_view text, double maxWidth, int maxRows, const MeasureText& measure,
                 const GuessAdvance& guess) {
    Wrapped result;
    CodePoints points(text);
    const std::size_t rows = static_cast<std::size_t>(std::max(maxRows, 1));
    std::size_t start = 0;
    std::size_t paragraphEnd = 0;  // the line break or the end that closes the paragraph
    bool inParagraph = false;
    while (result.lines.size() < rows && points.Has(start)) {
        if (!inParagraph) {
            paragraphEnd = start;
            while (points.Has(paragraphEnd) && !IsLineBreak(points.At(paragraphEnd))) {
                ++paragraphEnd;
            }
            inParagraph = true;
        }
        const std::size_t available = paragraphEnd - start;
        const std::size_t fitting =
            guess ? FittingCountNear(points, start, available, maxWidth, measure, guess)
                  : FittingCount(points, start, available, maxWidth, measure);

        std::size_t lineEnd = start + fitting;
        std::size_t next = lineEnd;
        if (fitting < available) {
            // Break at the last blank the fitting part reaches, dropping the blanks there,
            // unless only blanks at the row's start are reached.
            std::size_t blank = start + fitting;
            while (blank > start && !IsBlank(points.At(blank))) --blank;
            lineEnd = blank;
            while (lineEnd > start && IsBlank(points.At(lineEnd - 1))) --lineEnd;
            if (lineEnd > start) {
                next = blank;
                while (next < paragraphEnd && IsBlank(points.At(next))) ++next;
            } else {
                // A word longer than the row: split it between characters, keeping a
                // character together with the marks that belong to it.
                lineEnd = start + fitting;
                while (lineEnd > start && ClingsToPrevious(points.At(lineEnd))) --lineEnd;
                if (lineEnd == start) {
                    lineEnd = start + 1;
                    while (lineEnd < paragraphEnd && ClingsToPrevious(points.At(lineEnd))) {
                        ++lineEnd;
                    }
                }
                next = lineEnd;
            }
        }
        if (next >= paragraphEnd) {
            next = PastLineBreak(points, paragraphEnd);
            inParagraph = false;
        }
        result.lines.push_back({points.Offset(start), points.Offset(lineEnd)});
        start = next;
    }
    result.consumed = points.Offset(start);
    return result;
}

}  // namespace print
