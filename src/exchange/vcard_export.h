#pragma once

// Clients written as vCard 3.0 (RFC 2426), the version address books import most widely.

#include <span>
#include <string>

#include "exchange/contact.h"

namespace exchange {

// One card per contact, CR LF line ends, lines folded at 75 octets, UTF-8. The phone's
// extension travels in the number's text ("555-0100 x12"); the gatekeeper and the follow-up in
// X-VENDRIX- properties.
std::string VCardText(std::span<const Contact> contacts);

}  // namespace exchange
