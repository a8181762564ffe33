#pragma once

// Between a client of the data file and a contact of an exchanged file: what is written out,
// and what storing a contact keeps, cuts or cannot keep.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact.h"
#include "store/client_record.h"

namespace exchange {

// The fields as the user reads them, in the order files are written.
inline constexpr std::array<std::string_view, 15> FieldNames{
    "Client", "Address", "City", "State",      "Zip",    "Contact",        "Phone",
    "Ext",    "Fax",     "Cell", "Gatekeeper", "E-mail", "Follow-up date", "Follow-up action",
    "History"};

// A record and its history as the history file holds it (Windows-1252 decoded, CR LF or LF).
Contact ContactFromRecord(const store::ClientRecord& record, std::string history);

// A client's contact with its history; `unreadable` tells that its history file exists but
// could not be read, so that the contact has none (and the user is to be told).
Contact ContactOfClient(const store::ClientRecord& record, bool& unreadable);

// A contact as the data file would keep it.
struct StoredContact {
    store::ClientRecord record{};  // in use; its number is given when it is added
    // The history as the contact has it, LF between lines; HistoryAsStored gives it as the
    // program's own files keep it. Only the clients added need that copy: a preview of
    // thousands of contacts makes none.
    std::string history;
    // Names (from FieldNames) of the fields whose text is longer than the field holds.
    std::vector<std::string_view> cutFields;
    // Names of the fields holding characters the data file cannot store (kept as "?").
    std::vector<std::string_view> unstorableFields;
    // The labels of what no field holds and the history keeps ("Home phone", "Title",
    // "E-mail", "State"), each once; the fields cut are kept whole there too.
    std::vector<std::string> keptInHistory;
    // A follow-up date that is no date between 1961 and 2060; the client gets no follow-up.
    bool badFollowUpDate = false;
};
// The contact under the details window's rules for its fields (see field_rules.h), a contact
// without a client name listed by the contact's name. What no field can hold, and the whole
// text of each field cut, go to the end of the history as one block headed "Imported from
// <fileName> on <today>:".
StoredContact StoreContact(Contact&& contact, std::string_view fileName = {});

// The stored contact's history with CR LF between its lines, as the program's own files.
std::string HistoryAsStored(const StoredContact& stored);

// "YYYY-MM-DD" of a day number; empty for no date.
std::string IsoDate(std::int32_t dayNumber);

}  // namespace exchange
