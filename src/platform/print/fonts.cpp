#include "platform/print/fonts.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace print {

namespace {

// The Windows faces a report may ask for, served by the metric-compatible Liberation fonts.
// Naming the family directly spares fontconfig a search for a face that is not installed.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> SUBSTITUTES{{
    {"arial", "Liberation Sans"},
    {"times new roman", "Liberation Serif"},
    {"courier new", "Liberation Mono"},
}};

constexpr float MIN_POINTS = 1.0f;
constexpr float MAX_POINTS = 200.0f;

// Style codes: the lowest bit asks for bold, the next for italic, so the label style 16 is
// regular, the value style 17 bold and the title style 19 bold italic.
constexpr int BOLD_BIT = 1;
constexpr int ITALIC_BIT = 2;

}  // namespace

QString FamilyFor(const std::string& face) {
    const QString name = QString::fromStdString(face).trimmed();
    const QByteArray key = name.toLower().toUtf8();
    for (const auto& [windows, installed] : SUBSTITUTES) {
        if (std::string_view(key.constData(), static_cast<std::size_t>(key.size())) == windows) {
            return QString::fromUtf8(installed.data(), static_cast<qsizetype>(installed.size()));
        }
    }
    return name.isEmpty() ? QStringLiteral("Liberation Sans") : name;
}

QFont FontFor(const FontChoice& choice) {
    QFont font(FamilyFor(choice.face));
    const float points =
        std::isfinite(choice.points) ? std::clamp(choice.points, MIN_POINTS, MAX_POINTS) : 10.0f;
    font.setPixelSize(static_cast<int>(std::lround(points * UNITS_PER_POINT)));
    font.setBold((choice.style & BOLD_BIT) != 0);
    font.setItalic((choice.style & ITALIC_BIT) != 0);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QString DisplayText(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    }
    return text;
}

double TextWidthInches(const FontChoice& choice, std::string_view utf8) {
    return QFontMetricsF(FontFor(choice)).horizontalAdvance(DisplayText(utf8)) / UNITS_PER_INCH;
}

}  // namespace print
