#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <map>

#include "platform/gui/layer.h"
#include "platform/gui/program_icon.h"

namespace gui {

namespace {

constexpr double Canvas = 256;

}  // namespace

// A contact card with a check mark: the clients and the follow-ups the program keeps. Drawn
// without clipping, so that it can also be written out as a scalable drawing.
void PaintProgramIcon(QPainter& painter, int size) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Canvas, size / Canvas);
    const bool small = size < 32;

    const QRectF card(14, 40, 228, 164);
    QPainterPath cardPath;
    cardPath.addRoundedRect(card, 22, 22);
    QLinearGradient paper(card.topLeft(), card.bottomLeft());
    paper.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    paper.setColorAt(1, QColor(0xdc, 0xe4, 0xee));
    painter.fillPath(cardPath, paper);

    QPainterPath band;
    band.addRect(QRectF(card.left(), card.top(), card.width(), 40));
    painter.fillPath(cardPath.intersected(band), QColor(0x3b, 0x6c, 0xa6));
    painter.setPen(QPen(QColor(0x4a, 0x5d, 0x78), small ? 14 : 8));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(cardPath);

    const QColor person(0x7a, 0x8f, 0xab);
    painter.setPen(Qt::NoPen);
    painter.setBrush(person);
    painter.drawEllipse(QPointF(72, 114), 21, 21);
    QPainterPath shoulders;
    shoulders.moveTo(36, 178);
    shoulders.cubicTo(36, 146, 108, 146, 108, 178);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);

    if (!small) {
        painter.setBrush(QColor(0x9d, 0xad, 0xc2));
        for (const double y : {100.0, 124.0, 148.0}) {
            painter.drawRoundedRect(QRectF(124, y, y < 140 ? 92 : 56, 11), 5, 5);
        }
    }

    const QPointF badge(194, 192);
    painter.setPen(QPen(Qt::white, small ? 12 : 9));
    painter.setBrush(QColor(0x2f, 0x9a, 0x5a));
    painter.drawEllipse(badge, 50, 50);
    QPainterPath tick;
    tick.moveTo(badge + QPointF(-25, 2));
    tick.lineTo(badge + QPointF(-7, 20));
    tick.lineTo(badge + QPointF(25, -16));
    painter.setPen(QPen(Qt::white, small ? 18 : 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

namespace layer {

namespace {

constexpr std::string_view ProgramIconName = "$pgmicon";
constexpr std::array<int, 7> IconSizes{16, 24, 32, 48, 64, 128, 256};

// Draws the icon at whatever size is asked for, when it is asked for: a window system that
// takes one size does not pay for the others.
class ProgramIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int side = std::min(rect.width(), rect.height());
        if (side <= 0) return;
        painter->save();
        painter->translate(rect.x() + (rect.width() - side) / 2,
                           rect.y() + (rect.height() - side) / 2);
        PaintProgramIcon(*painter, side);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) return {};
        const auto drawn = drawn_.find(side);
        if (drawn != drawn_.end()) return drawn->second;
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(0, 0, side, side), mode, state);
        painter.end();
        drawn_.emplace(side, pixmap);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : IconSizes) sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine* clone() const override { return new ProgramIconEngine(*this); }
    QString key() const override { return QStringLiteral("vendrix-program-icon"); }

private:
    std::map<int, QPixmap> drawn_;
};

QIcon MakeProgramIcon() {
    return QIcon(new ProgramIconEngine);  // the icon owns its engine
}

std::map<std::string, QIcon>& Icons() {
    static std::map<std::string, QIcon> icons;
    return icons;
}

}  // namespace

}  // namespace layer

std::string EZ_LOADICON(const std::string& name) {
    if (!qApp) return {};
    auto& icons = layer::Icons();
    if (icons.count(name)) return name;
    if (QString::fromStdString(name).compare(QLatin1String(layer::ProgramIconName.data()),
                                             Qt::CaseInsensitive) == 0) {
        const QIcon icon = layer::MakeProgramIcon();
        icons[name] = icon;
        QApplication::setWindowIcon(icon);
        return name;
    }
    if (QFileInfo(layer::ToQ(name)).isFile()) {
        icons[name] = QIcon(layer::ToQ(name));
        return name;
    }
    return {};
}

void EZ_SETFORMICON(const std::string& form, const std::string& icon) {
    layer::Form* target = layer::FindForm(form);
    const auto found = layer::Icons().find(icon);
    if (target && found != layer::Icons().end()) target->window->setWindowIcon(found->second);
}

}  // namespace gui
