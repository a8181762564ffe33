#include "support/details_driver.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "details/details_window.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/text_field.h"
#include "support/form_driver.h"
#include "support/program_fixture.h"

namespace testing {

namespace {

std::string HistoryPath(const TempAppFolder& folder, int clientNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "C%04d.dat", clientNumber);
    return folder.dataPath() + name;
}

}  // namespace

store::ClientRecord FullClient(const std::string& name) {
    store::ClientRecord client =
        MakeClient(name, "Contact of " + name, "555-0100", "12", "Keeper of " + name);
    store::StoreField(client.Address, "1 Main Street");
    store::StoreField(client.City, "Springfield");
    store::StoreField(client.State, "IL");
    store::StoreField(client.Zip, "62701");
    store::StoreField(client.Fax, "555-0101");
    store::StoreField(client.Cell, "555-0102");
    store::StoreField(client.EMail, "info@example.com");
    return client;
}

void WriteHistoryBytes(const TempAppFolder& folder, int clientNumber, const std::string& bytes) {
    QFile file(QString::fromStdString(HistoryPath(folder, clientNumber)));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
             static_cast<qint64>(bytes.size()));
}

std::optional<std::string> HistoryBytes(const TempAppFolder& folder, int clientNumber) {
    QFile file(QString::fromStdString(HistoryPath(folder, clientNumber)));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll().toStdString();
}

void OpenNewClient() {
    Click(shell::MainForm, app::AddButton);
}

void OpenClientAtRow(int row) {
    DoubleClickRow(shell::MainForm, shell::MainList, row);
}

void CloseDetailsDroppingEdits() {
    if (!gui::EZ_ISFORM(shell::DetailsForm)) return;
    MessageBoxes boxes;
    boxes.answer({0});
    gui::EZ_UNLOADFORM(shell::DetailsForm);
    QCoreApplication::processEvents();
}

void TypeInto(int id, const std::string& text) {
    QWidget* box = ControlWidget(shell::DetailsForm, id);
    QVERIFY2(box != nullptr, "no such box");
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(box, QString::fromStdString(text));
    QCoreApplication::processEvents();
}

void Retype(int id, const std::string& text) {
    QWidget* box = ControlWidget(shell::DetailsForm, id);
    QVERIFY2(box != nullptr, "no such box");
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, QString::fromStdString(text));
    QCoreApplication::processEvents();
}

bool SaveEnabled() {
    return IsEnabled(shell::DetailsForm, details::SaveButton);
}

platform::CalendarDate PickerShows() {
    return gui::PickerDate(shell::DetailsForm, details::FollowUpPicker);
}

}  // namespace testing
