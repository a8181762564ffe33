#pragma once

// Clients written to a CSV or vCard file the user chose, never into the program's data folder.

#include <span>
#include <string>
#include <vector>

#include "exchange/contact.h"
#include "store/client_record.h"

namespace exchange {

enum class ExportFormat { Csv, VCard };

// What an export did, in words the user can be shown.
struct ExportResult {
    bool written = false;
    std::string message;  // how many clients went to which file, or why none did
    // The clients whose history file exists but could not be read: they went out without it.
    std::vector<std::string> unreadableHistories;
};

// Writes CsvText or VCardText of the contacts to the path, replacing a file there whole or not
// at all. A path inside the data folder is refused, so that an export can never take the place
// of the clients' own files.
ExportResult ExportContacts(std::span<const Contact> contacts, const std::string& path,
                            ExportFormat format);
// The same for the clients with their histories.
ExportResult ExportClients(std::span<const store::ClientRecord> clients, const std::string& path,
                           ExportFormat format);

}  // namespace exchange
