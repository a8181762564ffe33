#include "platform/print/dp.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

#include "platform/print/delivery.h"
#include "platform/print/fonts.h"
#include "platform/print/wrap.h"

namespace print {

namespace {

// How wide texts are in one of a document's fonts. The short texts that recur on every page
// (labels, the page header) are measured once each, and the advances of the first 256 code
// points, looked up once each, are the guesses that steer the wrapping's measures. In the
// report face, whose kerning is known, a text whose guesses leave room for the most that
// kerning can add surely fits without being measured.
class FontMeasure {
public:
    explicit FontMeasure(const FontChoice& choice) : FontMeasure(FontFor(choice)) {}
    explicit FontMeasure(const QFont& font)
        : metrics_(font),
          kerningSlack_(QFontInfo(font).family() == QLatin1String(KNOWN_KERNING_FAMILY)
                            ? KNOWN_KERNING_SLACK_EM * font.pixelSize()
                            : std::numeric_limits<double>::infinity()) {
        guesses_.fill(-1);
    }

    // In logical units, as drawn.
    double width(std::string_view text) const {
        return metrics_.horizontalAdvance(DisplayText(text));
    }

    double recurringWidth(std::string_view text) {
        if (text.size() > MAX_REMEMBERED_LENGTH) return width(text);
        std::string key(text);
        if (const auto known = widths_.find(key); known != widths_.end()) return known->second;
        const double measured = width(text);
        if (widths_.size() < MAX_REMEMBERED_TEXTS) widths_.emplace(std::move(key), measured);
        return measured;
    }

    double guess(char32_t c) {
        // Control characters are drawn as blanks.
        if (c < 0x20 || c == 0x7F) c = U' ';
        if (c >= guesses_.size()) return metrics_.horizontalAdvance(QString::fromUcs4(&c, 1));
        double& known = guesses_[c];
        if (known < 0) known = metrics_.horizontalAdvance(QChar(static_cast<char16_t>(c)));
        return known;
    }

    // The most a text's width can exceed the sum of its guesses, for each character whose
    // kerning is known; infinite where the font's kerning is not.
    double kerningSlack() const { return kerningSlack_; }

    // The text, or as much of it as fits with "…" after it, in logical units.
    std::string fitted(const std::string& text, double maxWidth) {
        // In the report face, texts whose advances fit with room for kerning need no measure.
        double guessed = 0;
        bool known = true;
        const QString shown = DisplayText(text);
        for (char32_t c : shown.toUcs4()) {
            guessed += guess(c) + kerningSlack_;
            known = known && KerningKnown(c);
        }
        if (known && guessed <= maxWidth) return text;
        if (width(text) <= maxWidth) return text;
        return metrics_.elidedText(shown, Qt::ElideRight, maxWidth).toStdString();
    }

private:
    static constexpr std::size_t MAX_REMEMBERED_LENGTH = 48;
    static constexpr std::size_t MAX_REMEMBERED_TEXTS = 8192;

    QFontMetricsF metrics_;
    double kerningSlack_;  // in logical units for each character; infinite when not known
    std::array<double, 256> guesses_;
    std::unordered_map<std::string, double> widths_;
};

struct OpenDocument {
    Document document;
    std::uint16_t font = 0;
    std::vector<FontMeasure> measures;  // one per entry of document.fonts
};

// Document n lives in slot n - 1.
std::array<std::unique_ptr<OpenDocument>, MAX_OPEN_DOCUMENTS>& OpenDocuments() {
    static std::array<std::unique_ptr<OpenDocument>, MAX_OPEN_DOCUMENTS> documents;
    return documents;
}

std::shared_ptr<const Document>& LastEnded() {
    static std::shared_ptr<const Document> document;
    return document;
}

OpenDocument* Find(int doc) {
    if (doc < 1 || doc > MAX_OPEN_DOCUMENTS) return nullptr;
    return OpenDocuments()[static_cast<std::size_t>(doc - 1)].get();
}

Page& CurrentPage(OpenDocument& open) {
    return open.document.pages.back();
}

// The index of the font, adding it on first use.
std::uint16_t FontIndex(OpenDocument& open, const FontChoice& choice) {
    auto& fonts = open.document.fonts;
    const auto found = std::find(fonts.begin(), fonts.end(), choice);
    if (found != fonts.end()) return static_cast<std::uint16_t>(found - fonts.begin());
    // So many different fonts cannot come from a report; the last one then serves.
    if (fonts.size() >= std::numeric_limits<std::uint16_t>::max()) {
        return static_cast<std::uint16_t>(fonts.size() - 1);
    }
    fonts.push_back(choice);
    open.measures.emplace_back(choice);
    return static_cast<std::uint16_t>(fonts.size() - 1);
}

bool RightAligned(int align) {
    return align == ALIGN_RIGHT || align == ALIGN_RIGHT_BEFORE_NEXT;
}

// Where the text's left end falls when its alignment point is x.
float LeftEnd(FontMeasure& measure, float x, int align, std::string_view text) {
    if (!RightAligned(align) && align != ALIGN_CENTER) return x;
    const double width = measure.recurringWidth(text) / UNITS_PER_INCH;
    return static_cast<float>(RightAligned(align) ? x - width : x - width / 2);
}

std::int8_t AlignOf(int align) {
    return static_cast<std::int8_t>(RightAligned(align) || align == ALIGN_CENTER ? align
                                                                                 : ALIGN_LEFT);
}

void AddText(OpenDocument& open, ItemKind kind, float x, float y, int align, std::string text) {
    Item item;
    item.kind = kind;
    item.font = open.font;
    item.align = AlignOf(align);
    item.x = x;
    item.y = y;
    item.left = LeftEnd(open.measures[open.font], x, item.align, text);
    item.text = std::move(text);
    CurrentPage(open).items.push_back(std::move(item));
}

// Page counts become known only now; their place depends on their width.
void FillPageCounts(OpenDocument& open) {
    const std::string count = std::to_string(open.document.pages.size());
    for (Page& page : open.document.pages) {
        for (Item& item : page.items) {
            if (item.kind != ItemKind::PageCount) continue;
            item.text = count;
            item.left = LeftEnd(open.measures[item.font], item.x, item.align, item.text);
        }
    }
}

// Texts on base lines closer than this share a line.
constexpr float SAME_LINE = 1e-4f;

// The text after item on its base line: the one whose alignment point comes next rightwards.
const Item* NextOnLine(const Page& page, const Item& item) {
    const Item* next = nullptr;
    for (const Item& other : page.items) {
        if (other.kind == ItemKind::Rule || other.text.empty() || &other == &item) continue;
        if (std::fabs(other.y - item.y) > SAME_LINE || !(other.x > item.x)) continue;
        if (next == nullptr || other.x < next->x) next = &other;
    }
    return next;
}

// Moves the texts that keep a blank before the next one left where it comes too close, the
// rightmost first, so that a whole run of them ("Page 1000 of 2000") keeps its blanks.
void KeepBlanksBeforeNext(OpenDocument& open) {
    std::vector<Item*> spaced;
    for (Page& page : open.document.pages) {
        spaced.clear();
        for (Item& item : page.items) {
            if (item.align == ALIGN_RIGHT_BEFORE_NEXT && !item.text.empty())
                spaced.push_back(&item);
        }
        std::sort(spaced.begin(), spaced.end(),
                  [](const Item* a, const Item* b) { return a->x > b->x; });
        for (Item* item : spaced) {
            const Item* next = NextOnLine(page, *item);
            if (next == nullptr) continue;
            FontMeasure& measure = open.measures[item->font];
            const double blank = measure.recurringWidth(" ") / UNITS_PER_INCH;
            const double right = std::min<double>(item->x, next->left - blank);
            item->left =
                static_cast<float>(right - measure.recurringWidth(item->text) / UNITS_PER_INCH);
        }
    }
}

// A tiny allowance, so that a base line computed as y1 + n * spacing in floats is not lost
// to rounding when it lands on y2.
constexpr double BOTTOM_TOLERANCE = 1e-4;

int RowsBetween(float y1, float y2, float lineSpacing) {
    if (!(lineSpacing > 0) || !(y2 >= y1)) return 1;
    const double rows = std::floor((double{y2} - y1 + BOTTOM_TOLERANCE) / lineSpacing) + 1;
    return static_cast<int>(std::min(rows, double{INT_MAX}));
}

}  // namespace

int dpStartDoc(int, const std::string& title, const std::string&, int, int, int, int, int) {
    // Fonts and painting need the GUI application.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 0;
    auto& documents = OpenDocuments();
    const auto free = std::find(documents.begin(), documents.end(), nullptr);
    if (free == documents.end()) return 0;
    auto open = std::make_unique<OpenDocument>();
    open->document.number = static_cast<int>(free - documents.begin()) + 1;
    open->document.title = title;
    open->document.pages.emplace_back();
    open->font = FontIndex(*open, FontChoice{});
    *free = std::move(open);
    return (*free)->document.number;
}

int dpNewPage(int doc, int, int, int) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    auto& pages = open->document.pages;
    // A report's pages hold much the same number of items.
    const std::size_t items = pages.back().items.size();
    pages.emplace_back().items.reserve(items);
    return 1;
}

int dpFont(int doc, int style, float points, int, const std::string& face) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    open->font = FontIndex(*open, FontChoice{style, points, face});
    return 1;
}

int dpText(int doc, float x, float y, int align, const std::string& text) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    // An empty field draws nothing and need not be kept.
    if (!text.empty()) AddText(*open, ItemKind::Text, x, y, align, text);
    return 1;
}

float dpTextWidth(int doc, const std::string& text) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    return static_cast<float>(open->measures[open->font].recurringWidth(text) / UNITS_PER_INCH);
}

std::string dpFitText(int doc, float maxWidth, const std::string& text) {
    OpenDocument* open = Find(doc);
    if (open == nullptr || text.empty()) return text;
    return open->measures[open->font].fitted(text,
                                             std::max(0.0, double{maxWidth}) * UNITS_PER_INCH);
}

int dpWrapText(int doc, float x1, float y1, float x2, float y2, float lineSpacing,
               const std::string& text) {
    OpenDocument* open = Find(doc);
    if (open == nullptr || text.empty()) return 0;
    FontMeasure& measure = open->measures[open->font];
    const double width = (double{x2} - x1) * UNITS_PER_INCH;
    const Wrapped wrapped = WrapText(
        text, width, RowsBetween(y1, y2, lineSpacing),
        [&](std::string_view piece) { return measure.width(piece); },
        [&](char32_t c) { return measure.guess(c); }, measure.kerningSlack());
    for (std::size_t row = 0; row < wrapped.lines.size(); ++row) {
        const LineSpan& line = wrapped.lines[row];
        if (line.end == line.begin) continue;
        const float y = static_cast<float>(y1 + static_cast<double>(row) * lineSpacing);
        AddText(*open, ItemKind::WrappedLine, x1, y, ALIGN_LEFT,
                text.substr(line.begin, line.end - line.begin));
    }
    return static_cast<int>(std::min<std::size_t>(wrapped.consumed, INT_MAX));
}

int dpLine(int doc, float x1, float y1, float x2, float y2, float width, int) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    Item item;
    item.kind = ItemKind::Rule;
    item.x = x1;
    item.y = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.width = width;
    CurrentPage(*open).items.push_back(std::move(item));
    return 1;
}

int dpPageNo(int doc, float x, float y, int align, int) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    AddText(*open, ItemKind::PageNumber, x, y, align, std::to_string(open->document.pages.size()));
    return 1;
}

int dpPageCount(int doc, float x, float y, int align, int) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    AddText(*open, ItemKind::PageCount, x, y, align, std::string());
    return 1;
}

int dpEndDoc(int doc, int mode) {
    OpenDocument* open = Find(doc);
    if (open == nullptr) return 0;
    FillPageCounts(*open);
    KeepBlanksBeforeNext(*open);
    // The number is free again before delivery, which may take as long as the user likes.
    auto ended = std::make_shared<const Document>(std::move(open->document));
    OpenDocuments()[static_cast<std::size_t>(doc - 1)].reset();
    LastEnded() = ended;
    return Deliver(*ended, mode);
}

std::shared_ptr<const Document> LastDocument() {
    return LastEnded();
}

}  // namespace print
