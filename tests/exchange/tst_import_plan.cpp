// Planning an import: every contact in the file's order, as it will be stored, however many.

#include <QTest>

#include <cstring>
#include <string>
#include <vector>

#include "exchange/import_plan.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/text_field.h"

class ImportPlanTest : public QObject {
    Q_OBJECT

private slots:
    // Each client keeps its own fields and history, a contact without a company is listed by
    // name, and only the client already on file (in other letters' case) is a duplicate.
    void everyContactIsPlannedInTheFilesOrder_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("a few contacts") << 3;
        QTest::newRow("a file too large for one processor's share") << 1500;
    }
    void everyContactIsPlannedInTheFilesOrder() {
        QFETCH(int, count);
        store::ResetClientStore();
        store::ClientTable[1].InUse = 1;
        store::StoreField(store::ClientTable[1].ClientName, "CLIENT 2");
        store::StoreField(store::ClientTable[1].Contact, "person 2");
        std::vector<exchange::Contact> contacts(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            exchange::Contact& contact = contacts[static_cast<std::size_t>(i)];
            contact.client = i % 10 == 1 ? "" : "Client " + std::to_string(i);
            contact.contact = "Person " + std::to_string(i);
            contact.history = "Called " + std::to_string(i) + "\nSent prices";
        }
        const exchange::ImportPlan plan = exchange::PlanImport(contacts);
        QCOMPARE(plan.clients.size(), contacts.size());
        QCOMPARE(plan.freeSlots, store::MaxClients - 1);
        for (int i = 0; i < count; ++i) {
            const exchange::PlannedClient& planned = plan.clients[static_cast<std::size_t>(i)];
            const std::string name = i % 10 == 1 ? "Person " : "Client ";
            QCOMPARE(store::FieldText(planned.stored.record.ClientName), name + std::to_string(i));
            QCOMPARE(planned.stored.history, "Called " + std::to_string(i) + "\r\nSent prices");
            QCOMPARE(planned.duplicate, i == 2);
        }
    }
};

QTEST_GUILESS_MAIN(ImportPlanTest)
#include "tst_import_plan.moc"
