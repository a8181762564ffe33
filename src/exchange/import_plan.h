#pragma once

// What an import will do, worked out before anything is stored, so that the user sees it
// first: each client as the data file will keep it, what it cuts or cannot keep, the likely
// duplicates of clients on file, and which clients do not fit in the free slots.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/contact.h"
#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"
#include "store/client_import.h"

namespace exchange {

struct PlannedClient {
    StoredContact stored;
    // The same client and contact (ignoring case) as a client on file.
    bool duplicate = false;
};

struct ImportPlan {
    std::vector<PlannedClient> clients;  // in the file's order
    int freeSlots = 0;  // free slots whose numbers have no earlier client's history file
};

// Plans the import of the contacts into the client table as it is now, in the file's order. A
// contact without a client name takes the contact's name as its client name. The file's name
// heads what each history keeps of the values no field holds (see StoreContact).
ImportPlan PlanImport(std::vector<Contact> contacts, std::string_view fileName = {});

// The same plan for the contacts of a CSV file's rows under the mapping.
ImportPlan PlanImport(std::span<const CsvRow> rows, const ColumnMapping& mapping,
                      std::string_view fileName = {});

// Which clients an import adds: the duplicates only when the user asked for them, and only as
// many as the free slots hold, in the file's order. Indexes into ImportPlan::clients.
struct ImportSelection {
    std::vector<std::size_t> added;
    std::vector<std::size_t> leftOutDuplicates;
    std::vector<std::size_t> notFitting;
};
ImportSelection SelectForImport(const ImportPlan& plan, bool addDuplicates);

// Adds the selected clients, with their histories, to the client table as one step: all of
// them are on the disk when it returns, or none (see store::AddClients).
store::AddedClients AddSelectedClients(const ImportPlan& plan, const ImportSelection& selection,
                                       const store::AddProgress& progress = {});

}  // namespace exchange
