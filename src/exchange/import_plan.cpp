#include "exchange/import_plan.h"

#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

#include "exchange/in_parallel.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace exchange {

namespace {

// A text folded for a comparison that ignores case; plain ASCII, as most names are, without
// the round trip through UTF-16.
std::string Folded(const std::string& text) {
    if (!store::IsAscii(text)) return QString::fromStdString(text).toCaseFolded().toStdString();
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// The client and contact of a record, folded.
using ClientIdentity = std::pair<std::string, std::string>;
ClientIdentity Identity(const store::ClientRecord& record) {
    return {Folded(store::FieldText(record.ClientName)), Folded(store::FieldText(record.Contact))};
}

// A person without a company (a private contact in an address book) is listed by name.
StoredContact StoreNamed(Contact contact) {
    if (contact.client.empty()) contact.client = contact.contact;
    return StoreContact(std::move(contact));
}

// Below this many contacts a second thread costs more than it saves.
constexpr std::size_t ContactsPerThread = 256;

std::string Reason(const store::StoreResult& result) {
    switch (result.outcome) {
        case store::StoreOutcome::Stored:
            return {};
        case store::StoreOutcome::NotWritable:
            return "The clients cannot be saved in the data folder (" + result.reason + ").";
        case store::StoreOutcome::TableFull:
            return "Every one of the 2000 client slots is taken.";
        case store::StoreOutcome::NoFreeNumber:
            return "Every free client number still has an earlier client's history file.";
        case store::StoreOutcome::HistoryNotWritten:
            return "A history file could not be written (" + result.reason + ").";
    }
    return {};
}

}  // namespace

ImportPlan PlanImport(std::vector<Contact> contacts) {
    ImportPlan plan;
    std::vector<const store::ClientRecord*> clients;
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& record = store::ClientTable[slot];
        if (record.InUse > 0) {
            clients.push_back(&record);
        } else {
            plan.freeSlots += 1;
        }
    }
    // The clients on file as the contacts are compared with them, sorted to be looked up.
    std::vector<ClientIdentity> onFile(clients.size());
    InParallel(clients.size(), ContactsPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) onFile[i] = Identity(*clients[i]);
    });
    std::sort(onFile.begin(), onFile.end());
    // Each contact stored on its own, the work shared among the processors: composing and
    // encoding every text is most of what planning a large file costs.
    plan.clients.resize(contacts.size());
    InParallel(contacts.size(), ContactsPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            PlannedClient& planned = plan.clients[i];
            planned.stored = StoreNamed(std::move(contacts[i]));
            planned.duplicate =
                !onFile.empty() &&
                std::binary_search(onFile.begin(), onFile.end(), Identity(planned.stored.record));
        }
    });
    return plan;
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

ImportResult AddSelectedClients(const ImportPlan& plan, const ImportSelection& selection) {
    ImportResult result;
    for (const std::size_t index : selection.added) {
        const StoredContact& stored = plan.clients[index].stored;
        const store::StoreResult added = store::AddClient(stored.record, HistoryAsStored(stored));
        if (added.outcome != store::StoreOutcome::Stored) {
            result.error = Reason(added);
            break;
        }
        result.added += 1;
    }
    return result;
}

}  // namespace exchange
