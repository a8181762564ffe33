#include <QTest>

#include "details/details_window.h"
#include "store/client_changes.h"
#include "support/program_fixture.h"

using store::StoreOutcome;

class SaveDetailsTest : public QObject {
    Q_OBJECT

private slots:
    // A store that did not happen is told in one box; one that did is not told at all.
    void whatAStoreFoundIsTold_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("a stored client shows no box") << int(StoreOutcome::Stored) << ""
                                                      << "";
        QTest::newRow("a full table shows the limit box")
            << int(StoreOutcome::TableFull) << "No more clients may be added at this time.{!}"
            << "Limit of 2000 Clients";
        QTest::newRow("free numbers that all keep an earlier history name the folder")
            << int(StoreOutcome::NoFreeNumber)
            << "No more clients may be added at this time: every free client number still has "
               "the history file of an earlier client in \"/clients/Data/\".{!}"
            << "Limit of 2000 Clients";
        QTest::newRow("a history not written gives the system's words")
            << int(StoreOutcome::HistoryNotWritten)
            << "The client's history could not be written to the disk (No space left on "
               "device); nothing was saved and the history file is unchanged.{S}"
            << "History Not Saved";
        QTest::newRow("a folder that may not be written is named with its reason")
            << int(StoreOutcome::NotWritable)
            << "The client cannot be saved: Vendrix 2 may not write in \"/clients/Data/\" (No "
               "space left on device).{S}"
            << "Client Not Saved";
    }
    void whatAStoreFoundIsTold() {
        QFETCH(int, outcome);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        testing::Hooks hooks;
        hooks.setDataFolder("/clients/Data/");
        testing::MessageBoxes boxes;
        const bool stored = details::TellStoreResult(
            {static_cast<StoreOutcome>(outcome), "No space left on device"});
        QCOMPARE(stored, text.isEmpty());
        QCOMPARE(boxes.asked().size(), std::size_t(text.isEmpty() ? 0 : 1));
        if (text.isEmpty()) return;
        QCOMPARE(QString::fromStdString(boxes.asked()[0].text), text);
        QCOMPARE(QString::fromStdString(boxes.asked()[0].caption), caption);
        QCOMPARE(boxes.asked()[0].buttons, std::string("OK"));
    }
};

QTEST_MAIN(SaveDetailsTest)
#include "tst_save_details.moc"
