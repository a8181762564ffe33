// Planning an import: every contact in the file's order, as it will be stored, however many.

#include <QFile>
#include <QTest>

#include <string>
#include <vector>

#include "exchange/import_plan.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/temp_data_folder.h"

namespace {

// An empty table as a load leaves it: every slot free and numbered.
void EmptyNumberedTable() {
    store::ResetClientStore();
    for (int slot = 1; slot <= store::MaxClients; ++slot)
        store::ClientTable[slot].ClientNumber = slot;
}

}  // namespace

class ImportPlanTest : public QObject {
    Q_OBJECT

private slots:
    // Each client keeps its own fields and history, a contact without a company is listed by
    // name, and only the clients already on file (in other letters' case, accented or not) are
    // duplicates.
    void everyContactIsPlannedInTheFilesOrder_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("a few contacts") << 3;
        QTest::newRow("as many as the table holds") << 2000;
    }
    void everyContactIsPlannedInTheFilesOrder() {
        QFETCH(int, count);
        EmptyNumberedTable();
        store::ClientTable[1].InUse = 1;
        store::StoreField(store::ClientTable[1].ClientName, "CLIENT 2");
        store::StoreField(store::ClientTable[1].Contact, "person 2");
        store::ClientTable[2].InUse = 1;
        store::StoreField(store::ClientTable[2].ClientName, "CLIENT 3 CAFÉ");
        store::StoreField(store::ClientTable[2].Contact, "PERSON 3 JOSÉ");
        std::vector<exchange::Contact> contacts(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            exchange::Contact& contact = contacts[static_cast<std::size_t>(i)];
            contact.client = i % 10 == 1 ? "" : "Client " + std::to_string(i);
            contact.contact = "Person " + std::to_string(i);
            if (i == 3) {
                contact.client += " Café";
                contact.contact += " José";
            }
            contact.history = "Called " + std::to_string(i) + "\nSent prices";
        }
        const exchange::ImportPlan plan = exchange::PlanImport(contacts);
        QCOMPARE(plan.clients.size(), contacts.size());
        QCOMPARE(plan.freeSlots, store::MaxClients - 2);
        for (int i = 0; i < count; ++i) {
            const exchange::PlannedClient& planned = plan.clients[static_cast<std::size_t>(i)];
            const std::string name = i % 10 == 1 ? "Person " : "Client ";
            QCOMPARE(store::FieldText(planned.stored.record.ClientName),
                     name + std::to_string(i) + (i == 3 ? " Café" : ""));
            QCOMPARE(exchange::HistoryAsStored(planned.stored),
                     "Called " + std::to_string(i) + "\r\nSent prices");
            QCOMPARE(planned.duplicate, i == 2 || i == 3);
        }
    }

    // A client on file with the same client and contact, in any letters' case and with any
    // blanks around, is a duplicate; one with another contact is not.
    void duplicatesAreTheSameClientAndContact_data() {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("contact");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("the same names in other letters' case") << "acme café"
                                                               << "ANN" << true;
        QTest::newRow("the same names with blanks around") << "  Acme Café "
                                                           << " Ann\t" << true;
        QTest::newRow("the same client with another contact") << "Acme Café"
                                                              << "Bo" << false;
        QTest::newRow("the same client without a contact") << "Acme Café"
                                                           << "" << false;
        QTest::newRow("the contact's name as the client") << "Ann"
                                                          << "Ann" << false;
    }
    // A free slot whose number still has an earlier client's history file takes no one.
    void earlierHistoriesLeaveLessRoom() {
        const testing::TempDataFolder folder;
        EmptyNumberedTable();
        QFile earlier(QString::fromStdString(folder.dataPath() + "C0007.dat"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier client");
        earlier.close();
        QCOMPARE(exchange::PlanImport(std::vector<exchange::Contact>{}).freeSlots,
                 store::MaxClients - 1);
    }

    void duplicatesAreTheSameClientAndContact() {
        QFETCH(QString, client);
        QFETCH(QString, contact);
        EmptyNumberedTable();
        store::ClientTable[5].InUse = 1;
        store::StoreField(store::ClientTable[5].ClientName, "ACME CAFÉ");
        store::StoreField(store::ClientTable[5].Contact, "ann");
        exchange::Contact imported;
        imported.client = client.toStdString();
        imported.contact = contact.toStdString();
        const exchange::ImportPlan plan = exchange::PlanImport({imported});
        QCOMPARE(plan.freeSlots, store::MaxClients - 1);
        QTEST(plan.clients.at(0).duplicate, "duplicate");
    }

    // A field's text is noted as cut only when what the file keeps of it is longer than the
    // field, and as unstorable only when a character has no byte in the file.
    void eachFieldNotesWhatItCannotKeep_data() {
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("unstorable");
        const auto width = static_cast<int>(sizeof(store::ClientRecord{}.ClientName));
        QTest::newRow("fills the field") << QString(width, 'a') << false << false;
        QTest::newRow("one too many") << QString(width + 1, 'a') << true << false;
        QTest::newRow("too long only with the blanks around it")
            << " " + QString(width, 'a') + "\t " << false << false;
        QTest::newRow("accented, a byte each in the file")
            << QString(width, u'é') << false << false;
        QTest::newRow("accented, one too many") << QString(width + 1, u'é') << true << false;
        QTest::newRow("a character the file has no byte for") << "Zoë ✓" << false << true;
    }
    void eachFieldNotesWhatItCannotKeep() {
        QFETCH(QString, client);
        QFETCH(bool, cut);
        QFETCH(bool, unstorable);
        exchange::Contact contact;
        contact.client = client.toStdString();
        const exchange::StoredContact stored = exchange::StoreContact(std::move(contact));
        QCOMPARE(!stored.cutFields.empty(), cut);
        QCOMPARE(!stored.unstorableFields.empty(), unstorable);
    }

    // Clients are added in the file's order while free places last; the rest are named as not
    // fitting, never dropped unsaid; duplicates stay out unless asked for.
    void theFreePlacesAndTheDuplicatesDecideWhatIsAdded_data() {
        QTest::addColumn<int>("freeSlots");
        QTest::addColumn<bool>("addDuplicates");
        QTest::addColumn<QList<int>>("added");
        QTest::addColumn<QList<int>>("leftOut");
        QTest::addColumn<QList<int>>("notFitting");
        // Contacts 0..4; 1 and 3 are already on file.
        QTest::newRow("room for all, duplicates left out")
            << 10 << false << QList<int>{0, 2, 4} << QList<int>{1, 3} << QList<int>{};
        QTest::newRow("room for all, duplicates added")
            << 10 << true << QList<int>{0, 1, 2, 3, 4} << QList<int>{} << QList<int>{};
        QTest::newRow("room for two: the rest named as not fitting")
            << 2 << true << QList<int>{0, 1} << QList<int>{} << QList<int>{2, 3, 4};
        QTest::newRow("a full table takes none")
            << 0 << false << QList<int>{} << QList<int>{1, 3} << QList<int>{0, 2, 4};
    }
    void theFreePlacesAndTheDuplicatesDecideWhatIsAdded() {
        QFETCH(int, freeSlots);
        QFETCH(bool, addDuplicates);
        QFETCH(QList<int>, added);
        QFETCH(QList<int>, leftOut);
        QFETCH(QList<int>, notFitting);
        exchange::ImportPlan plan;
        plan.freeSlots = freeSlots;
        for (int i = 0; i < 5; ++i) plan.clients.push_back({{}, i == 1 || i == 3});
        const exchange::ImportSelection selection = exchange::SelectForImport(plan, addDuplicates);
        const auto list = [](const std::vector<std::size_t>& indexes) {
            QList<int> numbers;
            for (const std::size_t index : indexes) numbers.append(static_cast<int>(index));
            return numbers;
        };
        QCOMPARE(list(selection.added), added);
        QCOMPARE(list(selection.leftOutDuplicates), leftOut);
        QCOMPARE(list(selection.notFitting), notFitting);
    }
};

QTEST_GUILESS_MAIN(ImportPlanTest)
#include "tst_import_plan.moc"
