#include "exchange/import_plan.h"

#include <QString>

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "store/client_table.h"
#include "store/text_field.h"

namespace exchange {

namespace {

// Who a record is: its client and contact, trimmed and in capitals, so that case does not
// tell two apart.
std::string Identity(const store::ClientRecord& record) {
    const QString client = QString::fromStdString(store::FieldText(record.ClientName));
    const QString contact = QString::fromStdString(store::FieldText(record.Contact));
    return (client.toUpper() + QChar(0) + contact.toUpper()).toStdString();
}

}  // namespace

ImportPlan PlanImport(std::vector<Contact> contacts, std::string_view fileName) {
    std::unordered_set<std::string> onFile;
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& record = store::ClientTable[slot];
        if (record.InUse > 0) onFile.insert(Identity(record));
    }
    ImportPlan plan;
    // A free slot whose number still has an earlier client's history file takes no one.
    plan.freeSlots = store::RoomForClients();
    for (Contact& contact : contacts) {
        PlannedClient& planned = plan.clients.emplace_back();
        planned.stored = StoreContact(std::move(contact), fileName);
        planned.duplicate = onFile.contains(Identity(planned.stored.record));
    }
    return plan;
}

ImportPlan PlanImport(std::span<const CsvRow> rows, const ColumnMapping& mapping,
                      std::string_view fileName) {
    return PlanImport(ContactsFromRows(rows, mapping), fileName);
}

ImportSelection SelectForImport(const ImportPlan& plan, bool addDuplicates) {
    ImportSelection selection;
    const auto room = static_cast<std::size_t>(std::max(plan.freeSlots, 0));
    for (std::size_t i = 0; i < plan.clients.size(); ++i) {
        if (plan.clients[i].duplicate && !addDuplicates) {
            selection.leftOutDuplicates.push_back(i);
        } else if (selection.added.size() < room) {
            selection.added.push_back(i);
        } else {
            selection.notFitting.push_back(i);
        }
    }
    return selection;
}

store::AddedClients AddSelectedClients(const ImportPlan& plan, const ImportSelection& selection,
                                       const store::AddProgress& progress) {
    std::vector<store::NewClient> clients;
    for (const std::size_t index : selection.added) {
        const StoredContact& stored = plan.clients[index].stored;
        clients.push_back({stored.record, HistoryAsStored(stored)});
    }
    return store::AddClients(clients, progress);
}

}  // namespace exchange
