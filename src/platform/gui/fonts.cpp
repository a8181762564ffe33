#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

#include "platform/gui/font_warm_up.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

struct FontDefinition {
    QString family;
    double points = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool symbol = false;
};

struct FontState {
    std::map<int, FontDefinition> definitions;
    int current = 0;
};

FontState& Fonts() {
    static FontState state;
    return state;
}

// Windows faces and the metric-compatible faces that stand in for them here. Choosing the
// family directly spares fontconfig a search for a face that is not installed.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> FaceSubstitutes{{
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"MS Sans Serif", "Liberation Sans"},
}};

constexpr std::array<std::string_view, 4> SymbolFaces{"Webdings", "Wingdings", "Wingdings 3",
                                                      "Symbol"};

// A single-line text box of this toolkit is 1.3125 rows high; the row is made tall enough for
// such a box to show its text whole.
constexpr double StandardBoxRows = 1.3125;
// Symbol-font signs are drawn larger than the text around them, as the symbol face was.
constexpr double SymbolScale = 1.3;

QString SubstituteFace(const QString& face) {
    for (const auto& [windows, here] : FaceSubstitutes) {
        if (face.compare(QLatin1String(windows.data(), qsizetype(windows.size())),
                         Qt::CaseInsensitive) == 0) {
            return QLatin1String(here.data(), qsizetype(here.size()));
        }
    }
    return face;
}

bool IsSymbolFace(const QString& face) {
    return std::any_of(SymbolFaces.begin(), SymbolFaces.end(), [&](std::string_view symbol) {
        return face.compare(QLatin1String(symbol.data(), qsizetype(symbol.size())),
                            Qt::CaseInsensitive) == 0;
    });
}

QFont MakeFont(const FontDefinition& definition) {
    QFont font(definition.family);
    font.setPointSizeF(definition.points);
    font.setBold(definition.bold);
    font.setItalic(definition.italic);
    font.setUnderline(definition.underline);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace

QFont FontFor(int number) {
    const auto& definitions = Fonts().definitions;
    const auto found = definitions.find(number);
    if (found == definitions.end()) return QApplication::font();
    if (found->second.symbol) {
        // The signs are shown with ordinary characters, in the main font made a little larger.
        QFont font = number == MainFontNumber ? QApplication::font() : FontFor(MainFontNumber);
        font.setPointSizeF(font.pointSizeF() * SymbolScale);
        return font;
    }
    return MakeFont(found->second);
}

QFont CurrentFont() {
    return FontFor(Fonts().current);
}

bool CurrentFontIsSymbol() {
    const auto& definitions = Fonts().definitions;
    const auto found = definitions.find(Fonts().current);
    return found != definitions.end() && found->second.symbol;
}

QString SymbolText(const QString& text) {
    // Webdings draws its arrows on the digits 3 to 6.
    QString shown;
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '3':
                shown += QChar(0x25C0);
                break;
            case '4':
                shown += QChar(0x25B6);
                break;
            case '5':
                shown += QChar(0x25B2);
                break;
            case '6':
                shown += QChar(0x25BC);
                break;
            default:
                shown += c;
                break;
        }
    }
    return shown;
}

Units CharacterUnits() {
    FinishFontWarmUp();
    const QFontMetricsF metrics(FontFor(MainFontNumber));
    const int frame = QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    // A box needs its text height, its frame and a pixel of margin above and below.
    const double boxHeight = std::ceil(metrics.height()) + 2.0 * frame + 2.0;
    Units units;
    units.column = metrics.averageCharWidth();
    units.row = std::max(metrics.lineSpacing(), boxHeight / StandardBoxRows);
    return units;
}

QRect ToPixels(double column, double row, double width, double height) {
    const Units units = CharacterUnits();
    const int left = int(std::lround(column * units.column));
    const int top = int(std::lround(row * units.row));
    const int right = int(std::lround((column + width) * units.column));
    const int bottom = int(std::lround((row + height) * units.row));
    return QRect(left, top, std::max(1, right - left), std::max(1, bottom - top));
}

QString ToQ(const std::string& text) {
    return QString::fromStdString(text);
}
std::string FromQ(const QString& text) {
    return text.toStdString();
}

}  // namespace layer

void EZ_DEFFONT(int number, const std::string& face, double points, const std::string& style) {
    layer::FontDefinition definition;
    const QString family = layer::ToQ(face);
    definition.family = layer::SubstituteFace(family);
    definition.points = points > 0 ? points : 9;
    const QString letters = layer::ToQ(style).toUpper();
    definition.bold = letters.contains(QLatin1Char('B'));
    definition.italic = letters.contains(QLatin1Char('I'));
    definition.underline = letters.contains(QLatin1Char('U'));
    definition.symbol = layer::IsSymbolFace(family);
    layer::Fonts().definitions[number] = definition;
}

void EZ_USEFONT(int number) {
    layer::Fonts().current = number;
}

}  // namespace gui
