// The end of the desktop session (a logout, SIGTERM) while the program runs: the main window
// saves, every window closes without asking, and none is destroyed under an open message box.

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "details/details_window.h"
#include "platform/gui/ez.h"
#include "platform/gui/session_end.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/details_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/program_session.h"

namespace {

QByteArray SavedName(const testing::TempAppFolder& folder) {
    QFile file(QString::fromStdString(folder.dataFile()));
    return file.open(QIODevice::ReadOnly) ? file.readAll().mid(store::RecordSize, 7) : QByteArray();
}

}  // namespace

class SessionEndTest : public QObject {
    Q_OBJECT

private slots:
    void theMainWindowSavesAndEveryWindowCloses_data() {
        QTest::addColumn<QString>("boxOf");  // the window whose message box is open; "" none
        QTest::addColumn<bool>("detailsOpen");
        QTest::newRow("outside any event loop, the main window alone") << "" << false;
        QTest::newRow("outside any event loop, with the details window open") << "" << true;
        QTest::newRow("inside a message box of the main window") << shell::MainForm << false;
        QTest::newRow("inside a message box of the details window") << shell::DetailsForm << true;
    }
    void theMainWindowSavesAndEveryWindowCloses() {
        QFETCH(QString, boxOf);
        QFETCH(bool, detailsOpen);
        testing::TempAppFolder folder;
        store::Settings settings = testing::NoStartUpScan();
        settings.ConfirmExit = 1;  // nobody is there to answer
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, settings);
        testing::ProgramSession session(folder);
        testing::Hooks hooks;
        hooks.setSaveDelay(60000);
        if (detailsOpen) {
            testing::OpenNewClient();
            testing::TypeInto(details::ClientNameBox, "Unsaved");
            QVERIFY(gui::EZ_ISFORM(shell::DetailsForm));
        }
        // A change the save after its action has not reached yet.
        store::StoreField(store::ClientTable[1].ClientName, "Changed");
        store::SaveNeeded = 1;

        if (boxOf.isEmpty()) {
            testing::MessageBoxes boxes;
            gui::EndSession();
            QVERIFY(boxes.asked().empty());
        } else {
            // The end arrives while a box waits for an answer, as the run loop meets it.
            bool openUnderTheBox = false;
            bool boxEnded = false;
            testing::Hooks realBoxes;
            realBoxes.answerBoxes({});
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (QApplication::activeModalWidget() == nullptr) return;
                watch.stop();
                gui::EndSession();
                openUnderTheBox = gui::EZ_ISFORM(shell::MainForm) &&
                                  gui::EZ_ISFORM(shell::DetailsForm) == detailsOpen;
            });
            QTimer::singleShot(0, [&] {
                gui::EZ_MSGBOX(boxOf.toStdString(), "Waiting for an answer", "Question", "OK");
                boxEnded = true;
            });
            watch.start(5);
            QApplication::exec();
            QVERIFY(boxEnded);
            QVERIFY(openUnderTheBox);
            QVERIFY(gui::layer::SessionEnding());
            testing::MessageBoxes boxes;
            gui::layer::FinishSession();
            gui::layer::StopWatchingForSessionEnd();
            QVERIFY(boxes.asked().empty());
        }
        QVERIFY(!gui::EZ_ISFORM(shell::MainForm));
        QVERIFY(!gui::EZ_ISFORM(shell::DetailsForm));
        QCOMPARE(store::SaveNeeded, 0);
        QCOMPARE(SavedName(folder), QByteArray("Changed"));
    }
};

QTEST_MAIN(SessionEndTest)
#include "tst_session_end.moc"
