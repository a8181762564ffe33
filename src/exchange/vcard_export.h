#pragma once

// Clients written as vCard 3.0 (RFC 2426), the version address books import most widely.

#include <span>
#include <string>
#include <vector>

#include "exchange/contact.h"
#include "store/client_record.h"

namespace exchange {

// One card per contact, CR LF line ends, lines folded at 75 octets, UTF-8. The phone's
// extension travels in the number's text ("555-0100 x12"); the gatekeeper and the follow-up in
// X-VENDRIX- properties.
std::string VCardText(std::span<const Contact> contacts);

// What writing a file of cards did, in words the user can be shown.
struct VCardExport {
    bool written = false;
    std::string message;  // how many clients went where, or why nothing was written
    // The clients whose history file exists but could not be read: they went out without it.
    std::vector<std::string> unreadableHistories;
};

// Writes the cards to the path safely (a temporary file renamed over the old one). A path in
// the data folder is refused, so that an export can never replace the clients' own files.
VCardExport WriteVCardFile(const std::string& path, std::span<const Contact> contacts);
// The same for the clients with their histories, which are read as the file is written.
VCardExport ExportClientsVCard(std::span<const store::ClientRecord> clients,
                               const std::string& path);

}  // namespace exchange
