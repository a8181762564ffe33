#include <QLabel>
#include <QStatusBar>

#include "platform/gui/common_controls.h"
#include "platform/gui/font_warm_up.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

std::vector<QLabel*> Parts(QStatusBar* bar) {
    std::vector<QLabel*> parts;
    for (QLabel* label : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->property("sbPart").isValid()) parts.push_back(label);
    }
    std::sort(parts.begin(), parts.end(), [](QLabel* a, QLabel* b) {
        return a->property("sbPart").toInt() < b->property("sbPart").toInt();
    });
    return parts;
}

}  // namespace

QWidget* MakeStatusBar() {
    // A status bar measures its font while it is made. Made inside a holder that has the
    // program's font already, it measures that font instead of loading the desktop's default
    // font only for the measure.
    FinishFontWarmUp();
    QWidget holder;
    holder.setFont(CurrentFont());
    auto* bar = new QStatusBar(&holder);
    bar->setSizeGripEnabled(false);
    bar->setParent(nullptr);
    bar->setFont(CurrentFont());
    return bar;
}

void PlaceStatusBars(Form& form) {
    for (const Control& control : form.controls) {
        if (!control.widget || control.kind != ControlKind::StatusBar) continue;
        const int height = control.widget->sizeHint().height();
        const QSize client = form.window->size();
        control.widget->setGeometry(0, client.height() - height, client.width(), height);
        control.widget->raise();
    }
}

}  // namespace layer

void EZ_SETSBPARTS(const std::string& form, int id, int count, const std::string& percents) {
    auto* bar = qobject_cast<QStatusBar*>(layer::ControlWidget(form, id));
    if (!bar || count < 1) return;
    for (QLabel* old : layer::Parts(bar)) {
        bar->removeWidget(old);
        delete old;
    }
    const QStringList shares = layer::ToQ(percents).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (int part = 0; part < count; ++part) {
        bool ok = false;
        const int share = part < shares.size() ? shares[part].trimmed().toInt(&ok) : 0;
        auto* label = new QLabel(bar);
        label->setProperty("sbPart", part + 1);
        label->setObjectName(QStringLiteral("part%1").arg(part + 1));
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(1);  // the share decides the width, not the text
        bar->addWidget(label, ok && share > 0 ? share : 1);
    }
}

void EZ_SETSBTEXT(const std::string& form, int id, int part, const std::string& text,
                  const std::string&) {
    auto* bar = qobject_cast<QStatusBar*>(layer::ControlWidget(form, id));
    if (!bar) return;
    const std::vector<QLabel*> parts = layer::Parts(bar);
    if (parts.empty() && part == 1) {
        bar->showMessage(layer::ToQ(text));
        return;
    }
    if (part < 1 || part > int(parts.size())) return;
    QLabel* label = parts[std::size_t(part - 1)];
    label->setText(layer::ToQ(text));
    // A text longer than its part can still be read whole by pointing at it.
    label->setToolTip(label->text());
}

}  // namespace gui

namespace gui {

std::string StatusBarText(const std::string& form, int id, int part) {
    auto* bar = qobject_cast<QStatusBar*>(layer::ControlWidget(form, id));
    if (!bar) return {};
    const std::vector<QLabel*> parts = layer::Parts(bar);
    if (parts.empty()) return part == 1 ? layer::FromQ(bar->currentMessage()) : std::string();
    if (part < 1 || part > int(parts.size())) return {};
    return layer::FromQ(parts[std::size_t(part - 1)]->text());
}

}  // namespace gui
