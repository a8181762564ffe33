#include <QComboBox>
#include <QSignalBlocker>

#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

QComboBox* FindCombo(const std::string& form, int id) {
    return qobject_cast<QComboBox*>(ControlWidget(form, id));
}

}  // namespace

}  // namespace layer

void EZ_COMBOBOX(int id, double column, double row, double width, double height,
                 const std::string&) {
    auto* combo = new QComboBox;
    combo->setFont(layer::CurrentFont());
    combo->setEditable(false);
    // Long item texts must not widen the box past the room its window gave it.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(1);
    if (!layer::AddControl(layer::ControlKind::ComboBox, id, combo, column, row, width, height)) {
        return;
    }
    // `activated` comes from the person only (the list, the arrow keys, a typed letter), never
    // from the program's setCurrentIndex.
    QObject::connect(combo, &QComboBox::activated, combo, [combo](int index) {
        const layer::Owner owner = layer::OwnerOf(combo);
        if (owner.found) layer::Raise(owner.form, owner.id, EV_CLICK, index);
    });
}

void SetComboItems(const std::string& form, int id, const std::vector<std::string>& items) {
    QComboBox* combo = layer::FindCombo(form, id);
    if (!combo) return;
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const std::string& item : items) combo->addItem(layer::ToQ(item));
    combo->setCurrentIndex(-1);
}

void SetComboIndex(const std::string& form, int id, int index) {
    QComboBox* combo = layer::FindCombo(form, id);
    if (!combo) return;
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int ComboIndex(const std::string& form, int id) {
    const QComboBox* combo = layer::FindCombo(form, id);
    return combo ? combo->currentIndex() : -1;
}

}  // namespace gui
