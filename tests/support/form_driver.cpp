#include "support/form_driver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTest>

#include "platform/gui/ez.h"

namespace testing {

QWidget* OpenWindow(const std::string& form) {
    const QString name = QString::fromStdString(form);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible()) return window;
    }
    return nullptr;
}

QWidget* ControlWidget(const std::string& form, int id) {
    QWidget* window = OpenWindow(form);
    if (window == nullptr) return nullptr;
    return window->findChild<QWidget*>(QStringLiteral("c%1").arg(id));
}

void Click(const std::string& form, int id) {
    QWidget* control = ControlWidget(form, id);
    QVERIFY2(control != nullptr,
             qPrintable(
                 QStringLiteral("no control %1 on %2").arg(id).arg(QString::fromStdString(form))));
    // A check box or radio button takes the click on its tick mark, as a person aims it.
    const bool ticks = qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control);
    const QPoint at = ticks ? QPoint(6, control->height() / 2) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
}

void DoubleClickRow(const std::string& form, int listId, int row) {
    auto* list = Control<QAbstractItemView>(form, listId);
    QVERIFY2(list != nullptr, "no such list");
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QVERIFY2(rect.isValid(), "no such row");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCoreApplication::processEvents();
}

void ClickRow(const std::string& form, int listId, int row) {
    auto* list = Control<QAbstractItemView>(form, listId);
    QVERIFY2(list != nullptr, "no such list");
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QVERIFY2(rect.isValid(), "no such row");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

void ChooseItem(const std::string& form, int comboId, int index) {
    auto* combo = Control<QComboBox>(form, comboId);
    QVERIFY2(combo != nullptr, "no such drop-down list");
    combo->showPopup();
    QAbstractItemView* items = combo->view();
    QTRY_VERIFY(items->isVisible());
    const QRect rect = items->visualRect(items->model()->index(index, 0));
    QVERIFY2(rect.isValid(), "no such item");
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, rect.center());
}

bool IsEnabled(const std::string& form, int id) {
    return gui::IsWindowEnabled(gui::EZ_HANDLE(form, id));
}

bool IsShown(const std::string& form, int id) {
    QWidget* control = ControlWidget(form, id);
    return control != nullptr && control->isVisible();
}

std::vector<int> SelectedRows(const std::string& form, int listId) {
    return gui::SelectedRows(form, listId);
}

}  // namespace testing
