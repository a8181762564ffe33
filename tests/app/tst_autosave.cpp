// The save after each action: it waits for the action to end, and a disk that keeps failing is
// told of once, until a save succeeds again.

#include <QFile>
#include <QTest>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "app/autosave.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/text_field.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace {

constexpr int Delay = 5;

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The name in slot 1 as the file on disk has it, and a name as the file holds it.
QByteArray SavedName(const testing::TempAppFolder& folder) {
    return FileBytes(folder.dataFile()).mid(store::RecordSize, 8);
}
QByteArray Stored(const std::string& name) {
    return QByteArray::fromStdString(name).leftJustified(8, ' ');
}

int FailedWrites = 0;

store::FileCalls FullDisk() {
    store::FileCalls calls = store::SystemFileCalls();
    calls.write = [](int, const void*, std::size_t) -> ssize_t {
        ++FailedWrites;
        return errno = ENOSPC, -1;
    };
    return calls;
}

// One user action that renames the first client, as the program's handlers change the table.
void RenameInAnAction(const std::string& name) {
    const app::ActionScope action;
    store::StoreField(store::ClientTable[1].ClientName, name);
    store::SaveNeeded = 1;
}

}  // namespace

class AutosaveTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        store::ResetClientStore();
        app::CancelScheduledSave();
    }
    void cleanup() { app::CancelScheduledSave(); }

    // A timer fires inside a message box or a preview an action opened, while the table may
    // be half changed: the save waits for the outermost action to end.
    void aSaveWaitsForTheActionToEnd_data() {
        QTest::addColumn<int>("depth");
        QTest::newRow("a save due inside one action waits for its end") << 1;
        QTest::newRow("a save due inside nested actions waits for the outermost") << 2;
    }
    void aSaveWaitsForTheActionToEnd() {
        QFETCH(int, depth);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        QCOMPARE(store::LoadClientTable(), store::LoadOutcome::Loaded);
        testing::Hooks hooks;
        hooks.setSaveDelay(Delay);
        {
            std::vector<std::unique_ptr<app::ActionScope>> actions;
            for (int i = 0; i < depth; ++i) actions.push_back(std::make_unique<app::ActionScope>());
            store::StoreField(store::ClientTable[1].ClientName, "Half");
            store::SaveNeeded = 1;
            app::SaveIfPending();
            QTest::qWait(Delay * 10);
            QCOMPARE(SavedName(folder), Stored("Acme"));
            store::StoreField(store::ClientTable[1].ClientName, "Whole");
            while (actions.size() > 1) {
                actions.pop_back();
                QTest::qWait(Delay * 10);
                QCOMPARE(store::SaveNeeded, 1);
            }
        }
        QTRY_COMPARE(store::SaveNeeded, 0);
        QCOMPARE(SavedName(folder), Stored("Whole"));
    }

    // Each change on a failing disk tries again; the user hears of it once, and again only
    // after a save went through in between.
    void aFailingDiskIsToldOnceUntilASaveSucceeds_data() {
        QTest::addColumn<QList<bool>>("diskWorks");  // one entry per change
        QTest::addColumn<QList<int>>("toldAfter");   // the boxes shown after each change
        QTest::newRow("three changes on a failing disk are told once")
            << QList<bool>{false, false, false} << QList<int>{1, 1, 1};
        QTest::newRow("a failure after a good save is told again")
            << QList<bool>{false, true, false} << QList<int>{1, 1, 2};
        QTest::newRow("good saves after a failure tell nothing")
            << QList<bool>{false, true, true} << QList<int>{1, 1, 1};
    }
    void aFailingDiskIsToldOnceUntilASaveSucceeds() {
        QFETCH(QList<bool>, diskWorks);
        QFETCH(QList<int>, toldAfter);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        QCOMPARE(store::LoadClientTable(), store::LoadOutcome::Loaded);
        testing::Hooks hooks;
        hooks.setSaveDelay(Delay);
        testing::MessageBoxes boxes;
        for (qsizetype change = 0; change < diskWorks.size(); ++change) {
            const std::string name = "Name " + std::to_string(change);
            const int failedBefore = FailedWrites;
            {
                testing::Hooks disk;
                if (!diskWorks[change]) disk.setFileCalls(FullDisk());
                RenameInAnAction(name);
                if (diskWorks[change]) {
                    QTRY_COMPARE(store::SaveNeeded, 0);
                } else {
                    QTRY_VERIFY(FailedWrites > failedBefore);
                }
            }
            QCOMPARE(store::SaveNeeded, diskWorks[change] ? 0 : 1);
            QCOMPARE(int(boxes.asked().size()), toldAfter[change]);
            for (const auto& box : boxes.asked()) {
                QCOMPARE(box.caption, std::string("Clients Not Saved"));
            }
            if (diskWorks[change]) QCOMPARE(SavedName(folder), Stored(name));
        }
    }
};

QTEST_MAIN(AutosaveTest)
#include "tst_autosave.moc"
