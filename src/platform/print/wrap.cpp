#include "platform/print/wrap.h"

#include <QChar>
#include <algorithm>
#include <array>
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

// A code point and the bytes it takes.
struct Decoded {
    char32_t value = 0;
    std::size_t length = 1;
};

// Decodes the sequence of two or more bytes at offset; a byte that starts no valid sequence
// stands alone.
Decoded DecodeSequenceAt(std::string_view text, std::size_t offset) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
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
        return {REPLACEMENT, 1};
    }
    if (offset + need >= text.size()) return {REPLACEMENT, 1};
    for (std::size_t i = 1; i <= need; ++i) {
        if (!IsContinuation(byte(i))) return {REPLACEMENT, 1};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {REPLACEMENT, 1};
    }
    return {value, need + 1};
}

Decoded DecodeAt(std::string_view text, std::size_t offset) {
    const auto lead = static_cast<unsigned char>(text[offset]);
    return lead < 0x80 ? Decoded{lead, 1} : DecodeSequenceAt(text, offset);
}

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t';
}

// The code points of a paragraph.
class CodePoints {
public:
    explicit CodePoints(std::string_view text) : text_(text) {
        for (std::size_t at = 0; at < text.size();) {
            const Decoded point = DecodeAt(text, at);
            points_.push_back({point.value, at});
            at += point.length;
        }
    }

    std::size_t Count() const { return points_.size(); }
    // The code point with this index, 0 past the end.
    char32_t At(std::size_t index) const {
        return index < points_.size() ? points_[index].value : 0;
    }
    // The byte offset where code point `index` begins (the text's size past the end).
    std::size_t Offset(std::size_t index) const {
        return index < points_.size() ? points_[index].offset : text_.size();
    }
    std::string_view Slice(std::size_t from, std::size_t to) const {
        const std::size_t begin = Offset(from);
        return text_.substr(begin, Offset(to) - begin);
    }

private:
    std::string_view text_;
    std::vector<CodePoint> points_;
};

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

// The byte just past the line break that begins at `at` (CR LF counts as one).
std::size_t PastLineBreak(std::string_view text, std::size_t at) {
    if (at >= text.size()) return at;
    return text.substr(at, 2) == "\r\n" ? at + 2 : at + 1;
}

// The guesses, asked once for all ASCII characters: a history asks for thousands.
class Guesses {
public:
    explicit Guesses(const GuessAdvance& guess) : guess_(guess) {
        if (!guess_) return;
        for (char32_t c = 0; c < ascii_.size(); ++c) ascii_[c] = guess_(c);
    }

    explicit operator bool() const { return static_cast<bool>(guess_); }
    double operator()(char32_t c) const { return c < ascii_.size() ? ascii_[c] : guess_(c); }
    double Ascii(unsigned char byte) const { return ascii_[byte]; }  // a byte below 0x80

private:
    const GuessAdvance& guess_;
    std::array<double, 128> ascii_{};
};

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
std::size_t FittingCount(const CodePoints& points, std::size_t from, std::size_t available,
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
std::size_t FittingCountNear(const CodePoints& points, std::size_t from, std::size_t available,
                             double maxWidth, const MeasureText& measure, const Guesses& guess) {
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

// How the rows are filled.
struct Row {
    double maxWidth;
    std::size_t rows;  // the most the box holds
    const MeasureText& measure;
    const Guesses& guess;
    double kerningSlack;
};

// Where the paragraph at `at` ends: at its line break, or the text's end.
std::size_t ParagraphEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] != '\r' && text[at] != '\n') ++at;
    return at;
}

// Whether a paragraph surely fits its row: the kerning of all its characters is known, and
// their guessed advances, with the most that kerning can add for each, stay within the row.
bool SurelyFits(std::string_view paragraph, const Row& row) {
    if (!row.guess) return false;
    double width = 0;
    // ASCII, the common case, is added up without decoding or calls.
    const auto ascii = [](char byte) { return static_cast<unsigned char>(byte) < 0x80; };
    if (std::all_of(paragraph.begin(), paragraph.end(), ascii)) {
        for (const char byte : paragraph) {
            width += row.guess.Ascii(static_cast<unsigned char>(byte)) + row.kerningSlack;
            if (!(width <= row.maxWidth)) return false;
        }
        return true;
    }
    for (std::size_t at = 0; at < paragraph.size();) {
        const Decoded c = DecodeAt(paragraph, at);
        if (c.value >= 0x100 && !KerningKnown(c.value)) return false;
        width += row.guess(c.value) + row.kerningSlack;
        if (!(width <= row.maxWidth)) return false;
        at += c.length;
    }
    return true;
}

// Fills rows with a paragraph (a text without line breaks) until it or the box's rows run
// out; the lines' offsets count from base. Returns how many of its bytes were placed, with
// the blanks consumed at the last break.
std::size_t WrapParagraph(std::string_view paragraph, std::size_t base, const Row& row,
                          std::vector<LineSpan>& lines) {
    const CodePoints points(paragraph);
    const std::size_t end = points.Count();
    std::size_t start = 0;
    do {
        const std::size_t available = end - start;
        const std::size_t fitting =
            row.guess
                ? FittingCountNear(points, start, available, row.maxWidth, row.measure, row.guess)
                : FittingCount(points, start, available, row.maxWidth, row.measure);

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
                while (next < end && IsBlank(points.At(next))) ++next;
            } else {
                // A word longer than the row: split it between characters, keeping a
                // character together with the marks that belong to it.
                lineEnd = start + fitting;
                while (lineEnd > start && ClingsToPrevious(points.At(lineEnd))) --lineEnd;
                if (lineEnd == start) {
                    lineEnd = start + 1;
                    while (lineEnd < end && ClingsToPrevious(points.At(lineEnd))) ++lineEnd;
                }
                next = lineEnd;
            }
        }
        lines.push_back({base + points.Offset(start), base + points.Offset(lineEnd)});
        start = next;
    } while (start < end && lines.size() < row.rows);
    return points.Offset(start);
}

}  // namespace

bool KerningKnown(char32_t c) {
    // The characters Windows-1252 holds beyond Latin-1.
    static constexpr std::array<char32_t, 27> WINDOWS_1252_EXTRAS{
        0x0152, 0x0153, 0x0160, 0x0161, 0x0178, 0x017D, 0x017E, 0x0192, 0x02C6,
        0x02DC, 0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E,
        0x2020, 0x2021, 0x2022, 0x2026, 0x2030, 0x2039, 0x203A, 0x20AC, 0x2122,
    };
    return c < 0x100 || std::find(WINDOWS_1252_EXTRAS.begin(), WINDOWS_1252_EXTRAS.end(), c) !=
                            WINDOWS_1252_EXTRAS.end();
}

Wrapped WrapText(std::string_view text, double maxWidth, int maxRows, const MeasureText& measure,
                 const GuessAdvance& guess, double kerningSlack) {
    Wrapped result;
    Guesses guesses(guess);
    const Row row{maxWidth, static_cast<std::size_t>(std::max(maxRows, 1)), measure, guesses,
                  kerningSlack};
    std::size_t at = 0;
    while (at < text.size() && result.lines.size() < row.rows) {
        const std::size_t end = ParagraphEnd(text, at);
        const std::string_view paragraph = text.substr(at, end - at);
        // Most paragraphs of a history fit their row with room to spare: they take it whole,
        // unmeasured.
        std::size_t placed = paragraph.size();
        if (SurelyFits(paragraph, row)) {
            result.lines.push_back({at, end});
        } else {
            placed = WrapParagraph(paragraph, at, row, result.lines);
        }
        if (at + placed < end) {
            at += placed;
            break;
        }
        at = PastLineBreak(text, end);
    }
    result.consumed = at;
    return result;
}

}  // namespace print
