// Any bytes as a vCard file through the import, without a window: every contact read holds
// UTF-8 texts and can be stored as the data file would keep it, an error names a card and a
// line of the file, and the program's own cards of what was read read back to the same cards.
// Links the exchange layer alone.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "checks.h"
#include "exchange/client_records.h"
#include "exchange/vcard_export.h"
#include "exchange/vcard_import.h"

namespace {

using fuzzing::IsValidUtf8;
using fuzzing::Require;

using exchange::Contact;

// More than the lines of the file in any encoding: every CR or LF byte may end one.
std::size_t MostLines(std::string_view bytes) {
    std::size_t breaks = 0;
    for (const char c : bytes) breaks += c == '\r' || c == '\n' ? 1 : 0;
    return breaks + 1;
}

// The number after the prefix up to the character that ends it, or 0.
std::size_t NumberAfter(const std::string& text, std::string_view prefix, char end) {
    if (!text.starts_with(prefix)) return 0;
    std::size_t value = 0;
    std::size_t i = prefix.size();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1'000'000'000; ++i) {
        value = value * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    return i < text.size() && text[i] == end ? value : 0;
}

void CheckError(const std::string& error, std::string_view bytes) {
    if (error.starts_with("The file holds no vCard")) return;
    std::size_t line = NumberAfter(error, "Line ", ':');
    if (line == 0) {
        Require(NumberAfter(error, "Card ", ' ') > 0, "an error names neither a card nor a line");
        const std::size_t open = error.find(" (line ");
        Require(open != std::string::npos, "a card's error names no line");
        line = NumberAfter(error.substr(open), " (line ", ')');
    }
    Require(line >= 1 && line <= MostLines(bytes), "an error names a line outside the file");
}

std::vector<const std::string*> Texts(const Contact& c) {
    return {&c.client,       &c.address,        &c.city,       &c.state,
            &c.zip,          &c.contact,        &c.phone,      &c.ext,
            &c.fax,          &c.cell,           &c.gatekeeper, &c.email,
            &c.followUpDate, &c.followUpAction, &c.history};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)exchange::HoldsVCards(bytes);
    const exchange::VCardReading reading = exchange::ReadVCards(bytes);
    if (!reading.error.empty()) {
        Require(reading.contacts.empty(), "a file with an error gave contacts");
        CheckError(reading.error, bytes);
        return 0;
    }
    for (const Contact& contact : reading.contacts) {
        for (const std::string* text : Texts(contact)) {
            Require(IsValidUtf8(*text), "a contact's text is not valid UTF-8");
            Require(text->find('\r') == std::string::npos, "a contact's text holds a CR");
        }
        for (const std::string& extra : contact.extras) {
            Require(IsValidUtf8(extra) && extra.find(": ") != std::string::npos,
                    "a kept value is not valid UTF-8 or has no label");
        }
        Require(exchange::StoreContact(exchange::Contact(contact)).record.InUse == 1,
                "a stored contact is not in use");
    }

    // What was read, written as the program's own cards, reads back to the same cards.
    if (reading.contacts.empty()) return 0;  // cards holding nothing the program keeps
    const std::string written = exchange::VCardText(reading.contacts);
    const exchange::VCardReading again = exchange::ReadVCards(written);
    Require(again.error.empty(), "the program's own cards cannot be read back");
    Require(again.contacts.size() == reading.contacts.size(), "cards were lost or made up");
    Require(exchange::VCardText(again.contacts) == written, "a card changed on its way back");
    return 0;
}
