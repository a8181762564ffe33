#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// One client as it travels between Vendrix 2 and other programs: UTF-8 texts as the user reads
// them, whole, not yet cut to the widths of the data file's fields.
struct Contact {
    std::string client;
    std::string address;
    std::string city;
    std::string state;
    std::string zip;
    std::string contact;
    std::string phone;
    std::string ext;
    std::string fax;
    std::string cell;
    std::string gatekeeper;
    // One or more addresses, as the details window's e-mail box holds them ("a@x.com; b@y.com").
    std::string email;
    // "YYYY-MM-DD" (ISO 8601) when the client has a follow-up set, else empty.
    std::string followUpDate;
    std::string followUpAction;
    // Lines separated by "\n".
    std::string history;
    // Values the other program had that no field holds, each "Label: value" ("Home phone: ...");
    // the import keeps them in the history.
    std::vector<std::string> extras;
};

// The addresses of an e-mail text, split at ";", "," and blanks, in their order.
std::vector<std::string> SplitAddresses(const std::string& email);

// The text without the blanks and tabs around it.
std::string_view BlankTrimmed(std::string_view text);

// True when the contact fills no field; what it would only keep in the history makes no client.
bool FillsNoField(const Contact& contact);

}  // namespace exchange
