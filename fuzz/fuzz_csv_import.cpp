// Any bytes as a CSV file through the import, without a window: read into a table, its columns
// mapped by their names and, a second time, by a mapping the bytes choose, every contact stored
// as the data file would keep it, and the contacts written out and read back unchanged. Links
// the exchange layer alone, for thousands of inputs a second.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "checks.h"
#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"

namespace {

using fuzzing::IsValidUtf8;
using fuzzing::Require;

using exchange::Contact;

// The physical lines of the bytes (LF, CR LF or a lone CR ends one); no reading has more.
std::size_t LineCount(std::string_view bytes) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    }
    return lines + (bytes.empty() || bytes.back() == '\n' || bytes.back() == '\r' ? 0 : 1);
}

std::vector<const std::string*> Texts(const Contact& c) {
    return {&c.client,       &c.address,        &c.city,       &c.state,
            &c.zip,          &c.contact,        &c.phone,      &c.ext,
            &c.fax,          &c.cell,           &c.gatekeeper, &c.email,
            &c.followUpDate, &c.followUpAction, &c.history};
}

void CheckContacts(const std::vector<Contact>& contacts) {
    for (const Contact& contact : contacts) {
        bool any = false;
        for (const std::string* text : Texts(contact)) {
            Require(IsValidUtf8(*text), "a contact's text is not valid UTF-8");
            Require(text->find('\r') == std::string::npos, "a contact's text holds a CR");
            any = any || !text->empty();
        }
        any = any || !contact.extras.empty();
        Require(any, "a contact holds no text at all");
        const exchange::StoredContact stored = exchange::StoreContact(exchange::Contact(contact));
        Require(stored.record.InUse == 1, "a stored contact is not in use");
    }
}

void CheckReading(const exchange::CsvReading& reading, std::string_view bytes) {
    const std::size_t lines = LineCount(bytes);
    if (!reading.error.empty()) {
        Require(reading.errorLine <= lines, "an error names a line past the end of the file");
        if (reading.errorLine != 0) {
            const std::string prefix = "Line " + std::to_string(reading.errorLine) + ": ";
            Require(reading.error.starts_with(prefix), "an error does not begin with its line");
        }
        Require(reading.table.rows.empty(), "a file with an error gave rows");
        return;
    }
    const exchange::CsvTable& table = reading.table;
    Require(std::string_view(",;\t").find(table.separator) != std::string_view::npos,
            "an unknown separator");
    std::size_t previous = 0;
    for (const exchange::CsvRow& row : table.rows) {
        Require(row.fields.size() == table.header.size(), "a row is not as wide as the header");
        Require(row.line > previous && row.line <= lines, "a row's line is out of order");
        previous = row.line;
        for (const std::string& field : row.fields) {
            Require(IsValidUtf8(field), "a field is not valid UTF-8");
        }
    }
    for (const std::string& name : table.header) {
        Require(IsValidUtf8(name), "a column name is not valid UTF-8");
    }
    for (const std::string& note : table.notes) {
        Require(IsValidUtf8(note), "a note is not valid UTF-8");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const exchange::CsvReading reading = exchange::ReadCsv(bytes);
    CheckReading(reading, bytes);
    if (!reading.error.empty()) return 0;

    const exchange::ColumnMapping byName = exchange::MapHeader(reading.table.header);
    Require(byName.size() == reading.table.header.size(), "a column without a target");
    const std::vector<Contact> contacts = exchange::ContactsFromRows(reading.table.rows, byName);
    CheckContacts(contacts);

    // Any mapping the window could offer, so that every way of joining columns is tried.
    exchange::ColumnMapping chosen = byName;
    for (std::size_t column = 0; column < chosen.size(); ++column) {
        const std::size_t pick = (column * 7 + size) % exchange::ColumnTargets.size();
        chosen[column] = exchange::ColumnTargets[pick];
    }
    CheckContacts(exchange::ContactsFromRows(reading.table.rows, chosen));

    const exchange::CsvReading again = exchange::ReadCsv(exchange::CsvText(contacts));
    Require(again.error.empty(), "the program's own export cannot be read back");
    const std::vector<Contact> back =
        exchange::ContactsFromRows(again.table.rows, exchange::MapHeader(again.table.header));
    Require(back.size() == contacts.size(), "the export lost or made up contacts");
    for (std::size_t i = 0; i < back.size(); ++i) {
        const auto before = Texts(contacts[i]);
        const auto after = Texts(back[i]);
        for (std::size_t k = 0; k < before.size(); ++k) {
            Require(*before[k] == *after[k], "a text changed on its way out and back");
        }
    }
    return 0;
}
