#include "exchange/import_plan.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/in_blocks.h"
#include "exchange/in_parallel.h"
#include "exchange/vcard_import.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace exchange {

namespace {

// Below this many contacts a second thread costs more than it saves.
constexpr std::size_t ContactsPerThread = 256;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A text folded for a comparison that ignores case; plain ASCII, as most names are, without
// the round trip through UTF-16.
std::string Folded(const std::string& text) {
    if (!store::IsAscii(text)) return QString::fromStdString(text).toCaseFolded().toStdString();
    std::string folded = text;
    for (char& c : folded) c = LowerAscii(c);
    return folded;
}

// The client and contact of a record, folded.
using ClientIdentity = std::pair<std::string, std::string>;
ClientIdentity Identity(const store::ClientRecord& record) {
    return {Folded(store::FieldText(record.ClientName)), Folded(store::FieldText(record.Contact))};
}

// A field's bytes as its text is shown, before decoding: without the blanks and NULs around.
template <std::size_t N>
std::string_view Trimmed(const std::array<char, N>& field) {
    return store::TrimBlanksAndNuls(std::string_view(field.data(), N));
}

// FNV-1a, a byte at a time.
constexpr std::uint64_t HashStart = 0xCBF29CE484222325U;
std::uint64_t HashStep(std::uint64_t hash, char c) {
    return (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3U;
}

// A hash of a record's identity, the folded client, a NUL and the folded contact: equal
// identities hash alike. A record in ASCII, as most are, is folded as it is hashed, with no
// string made for it.
std::uint64_t IdentityHash(const store::ClientRecord& record) {
    const std::string_view client = Trimmed(record.ClientName);
    const std::string_view contact = Trimmed(record.Contact);
    std::uint64_t hash = HashStart;
    const auto add = [&hash](std::string_view text, auto fold) {
        for (const char c : text) hash = HashStep(hash, fold(c));
    };
    if (store::IsAscii(client) && store::IsAscii(contact)) {
        add(client, LowerAscii);
        hash = HashStep(hash, '\0');
        add(contact, LowerAscii);
        return hash;
    }
    const auto same = [](char c) { return c; };
    const ClientIdentity identity = Identity(record);
    add(identity.first, same);
    hash = HashStep(hash, '\0');
    add(identity.second, same);
    return hash;
}

// Whether two records have the same client and contact, ignoring case. Records in ASCII, as
// most are, are compared as they are, without folded copies.
bool SameIdentity(const store::ClientRecord& a, const store::ClientRecord& b) {
    const std::array<std::string_view, 4> texts = {Trimmed(a.ClientName), Trimmed(a.Contact),
                                                   Trimmed(b.ClientName), Trimmed(b.Contact)};
    if (!std::ranges::all_of(texts, store::IsAscii)) return Identity(a) == Identity(b);
    const auto same = [](std::string_view x, std::string_view y) {
        return std::ranges::equal(x, y, {}, LowerAscii, LowerAscii);
    };
    return same(texts[0], texts[2]) && same(texts[1], texts[3]);
}

// The clients on file, by the hash of their identity, to be looked up: a contact whose hash is
// among them is compared in full with the clients of that hash.
class ClientsOnFile {
public:
    explicit ClientsOnFile(std::vector<const store::ClientRecord*> clients)
        : clients_(std::move(clients)), byHash_(clients_.size()) {
        InParallel(clients_.size(), ContactsPerThread, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) byHash_[i] = {IdentityHash(*clients_[i]), i};
        });
        std::sort(byHash_.begin(), byHash_.end());
    }

    bool Holds(const store::ClientRecord& record) const {
        if (byHash_.empty()) return false;
        const std::uint64_t hash = IdentityHash(record);
        auto at = std::lower_bound(byHash_.begin(), byHash_.end(),
                                   std::pair<std::uint64_t, std::size_t>{hash, 0});
        if (at == byHash_.end() || at->first != hash) return false;
        for (; at != byHash_.end() && at->first == hash; ++at) {
            if (SameIdentity(*clients_[at->second], record)) return true;
        }
        return false;
    }

private:
    std::vector<const store::ClientRecord*> clients_;
    std::vector<std::pair<std::uint64_t, std::size_t>> byHash_;
};

// A person without a company (a private contact in an address book) is listed by name.
StoredContact StoreNamed(Contact&& contact) {
    if (contact.client.empty()) contact.client = contact.contact;
    return StoreContact(std::move(contact));
}

// What becomes of each contact against the table as it is now; Plan may be called on several
// threads at once.
class Planner {
public:
    Planner() : onFile_(ClientsInUse()) {}

    PlannedClient Plan(Contact&& contact) const {
        PlannedClient planned{StoreNamed(std::move(contact))};
        planned.duplicate = onFile_.Holds(planned.stored.record);
        return planned;
    }

    ImportPlan Finish(std::vector<PlannedClient> clients) const {
        return {std::move(clients), freeSlots_};
    }

private:
    std::vector<const store::ClientRecord*> ClientsInUse() {
        std::vector<const store::ClientRecord*> clients;
        for (int slot = 1; slot <= store::MaxClients; ++slot) {
            const store::ClientRecord& record = store::ClientTable[slot];
            if (record.InUse > 0) {
                clients.push_back(&record);
            } else {
                freeSlots_ += 1;
            }
        }
        return clients;
    }

    int freeSlots_ = 0;  // counted before onFile_ is made from the clients in use
    ClientsOnFile onFile_;
};

}  // namespace

// Each contact is planned on its own, the work shared among the processors: composing and
// encoding every text is most of what planning a large file costs.
ImportPlan PlanImport(std::vector<Contact> contacts) {
    const Planner planner;
    std::vector<PlannedClient> clients(contacts.size());
    InParallel(contacts.size(), ContactsPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) clients[i] = planner.Plan(std::move(contacts[i]));
    });
    return planner.Finish(std::move(clients));
}

ImportPlan PlanImport(std::span<const CsvRow> rows, const ColumnMapping& mapping) {
    const Planner planner;
    const RowContacts contactOf(mapping);
    // Each row planned in its own place; rows that fill no field leave theirs empty, and are
    // taken out after.
    std::vector<PlannedClient> clients(rows.size());
    std::vector<char> planned(rows.size(), 0);
    InParallel(rows.size(), ContactsPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            if (std::optional<Contact> contact = contactOf(rows[i])) {
                clients[i] = planner.Plan(std::move(*contact));
                planned[i] = 1;
            }
        }
    });
    if (std::find(planned.begin(), planned.end(), 0) != planned.end()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (planned[i] != 0) clients[kept++] = std::move(clients[i]);
        }
        clients.resize(kept);
    }
    return planner.Finish(std::move(clients));
}

PlannedFile PlanVCardImport(std::string_view bytes, std::size_t pieceBytes) {
    const Planner planner;
    std::vector<InBlocks<PlannedClient>> pieces;
    std::string error =
        ReadVCardsInto(bytes, pieceBytes,
                       {.begin = [&pieces](std::size_t count) { pieces.assign(count, {}); },
                        .keep =
                            [&pieces, &planner](std::size_t piece, Contact&& contact) {
                                pieces[piece].push(planner.Plan(std::move(contact)));
                            }});
    if (!error.empty()) return {{}, std::move(error)};
    return {planner.Finish(Joined(std::span(pieces))), {}};
}

PlannedFile PlanVCardFileImport(const std::string& path) {
    const VCardFileBytes file = ReadVCardFileBytes(path);
    if (!file.bytes) return {{}, file.error};
    return PlanVCardImport(*file.bytes, VCardPieceBytes(*file.bytes));
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
    clients.reserve(selection.added.size());
    for (const std::size_t index : selection.added) {
        const StoredContact& stored = plan.clients[index].stored;
        clients.push_back({stored.record, HistoryAsStored(stored)});
    }
    return store::AddClients(clients, progress);
}

}  // namespace exchange
