#include "support/control_clicks.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QTest>

#include <cstring>

#include "support/form_driver.h"

namespace testing {

bool ClickControl(const std::string& form, int id) {
    auto* button = Control<QAbstractButton>(form, id);
    if (button == nullptr) return false;
    const bool ticks = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    const QPoint at = ticks ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

bool ControlEnabled(const std::string& form, int id) {
    const QWidget* widget = ControlWidget(form, id);
    return widget != nullptr && widget->isEnabled();
}

store::Settings SettingsInFile(const TempAppFolder& folder) {
    store::Settings settings{};
    QFile file(QString::fromStdString(folder.dataFile()));
    if (!file.open(QIODevice::ReadOnly)) return settings;
    const QByteArray head = file.read(sizeof settings);
    if (head.size() == qsizetype(sizeof settings)) {
        std::memcpy(&settings, head.constData(), sizeof settings);
    }
    return settings;
}

}  // namespace testing
