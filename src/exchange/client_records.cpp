#include "exchange/client_records.h"

#include <charconv>
#include <cstdio>
#include <utility>

#include "exchange/line_breaks.h"
#include "followup/day_numbers.h"
#include "store/history.h"
#include "store/text_field.h"

namespace exchange {

namespace {

// Whether the data file can hold the text's characters: ASCII always can.
bool Storable(std::string_view text) {
    return store::IsAscii(text) || store::DecodeWindows1252(store::EncodeWindows1252(text)) == text;
}

// Stores text into the field and notes what the field could not keep.
template <std::size_t N>
void Keep(std::array<char, N>& field, std::string_view text, std::string_view name,
          StoredContact& stored) {
    const store::StoredText kept = store::StoreField(field, text);
    // ASCII text is its own bytes in the data file, and the file holds every one of them.
    if (!kept.ascii && !Storable(text)) stored.unstorableFields.push_back(name);
    if (kept.length > N) stored.cutFields.push_back(name);
}

int Number(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc{} && end == digits.data() + digits.size() ? value : -1;
}

}  // namespace

std::vector<std::string> SplitAddresses(const std::string& email) {
    std::vector<std::string> addresses;
    std::string address;
    for (const char c : email + ";") {
        if (c == ';' || c == ',' || c == ' ' || c == '\t') {
            if (!address.empty()) addresses.push_back(address);
            address.clear();
        } else {
            address += c;
        }
    }
    return addresses;
}

std::string IsoDate(std::int32_t dayNumber) {
    const auto date = followup::DayNumberToPickerDate(dayNumber);
    if (!date) return {};
    char text[11];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date->year, date->month, date->day);
    return text;
}

std::int32_t DayNumberFromIso(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return 0;
    const int year = Number(text.substr(0, 4));
    const int month = Number(text.substr(5, 2));
    const int day = Number(text.substr(8, 2));
    if (year < 1961 || year > 2060 || month < 1 || month > 12 || day < 1) return 0;
    if (day > followup::YearLengths(year)[static_cast<std::size_t>(month)]) return 0;
    return followup::DayNumberFromDate(month, day, year);
}

Contact ContactFromRecord(const store::ClientRecord& record, std::string history) {
    Contact contact;
    contact.client = store::FieldText(record.ClientName);
    contact.address = store::FieldText(record.Address);
    contact.city = store::FieldText(record.City);
    contact.state = store::FieldText(record.State);
    contact.zip = store::FieldText(record.Zip);
    contact.contact = store::FieldText(record.Contact);
    contact.phone = store::FieldText(record.Phone);
    contact.ext = store::FieldText(record.Ext);
    contact.fax = store::FieldText(record.Fax);
    contact.cell = store::FieldText(record.Cell);
    contact.gatekeeper = store::FieldText(record.Gatekeeper);
    contact.email = store::FieldText(record.EMail);
    if (record.FollowUpFlag != 0) contact.followUpDate = IsoDate(record.FollowUpDate);
    contact.followUpAction = store::FieldText(record.FollowUpAction);
    contact.history = WithLfLineBreaks(std::move(history));
    return contact;
}

Contact ContactOfClient(const store::ClientRecord& record, bool& unreadable) {
    store::History history = store::ReadHistoryOf(record.ClientNumber);
    unreadable = !history.readable;
    return ContactFromRecord(record, std::move(history.text));
}

Contact ClientContacts::operator()(std::size_t i) {
    bool unreadable = false;
    Contact contact = ContactOfClient(clients_[i], unreadable);
    unreadable_[i] = unreadable ? 1 : 0;
    return contact;
}

std::vector<std::string> ClientContacts::UnreadableHistories() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < clients_.size(); ++i) {
        if (unreadable_[i] != 0) names.push_back(store::FieldText(clients_[i].ClientName));
    }
    return names;
}

StoredContact StoreContact(Contact&& contact) {
    StoredContact stored;
    store::ClientRecord& record = stored.record;
    Keep(record.ClientName, contact.client, FieldNames[0], stored);
    Keep(record.Address, contact.address, FieldNames[1], stored);
    Keep(record.City, contact.city, FieldNames[2], stored);
    Keep(record.State, contact.state, FieldNames[3], stored);
    Keep(record.Zip, contact.zip, FieldNames[4], stored);
    Keep(record.Contact, contact.contact, FieldNames[5], stored);
    Keep(record.Phone, contact.phone, FieldNames[6], stored);
    Keep(record.Ext, contact.ext, FieldNames[7], stored);
    Keep(record.Fax, contact.fax, FieldNames[8], stored);
    Keep(record.Cell, contact.cell, FieldNames[9], stored);
    Keep(record.Gatekeeper, contact.gatekeeper, FieldNames[10], stored);
    Keep(record.EMail, contact.email, FieldNames[11], stored);
    if (!contact.followUpDate.empty()) {
        const std::int32_t day = DayNumberFromIso(contact.followUpDate);
        stored.badFollowUpDate = day == 0;
        record.FollowUpFlag = day != 0 ? 1 : 0;
        record.FollowUpDate = day;
    }
    Keep(record.FollowUpAction, contact.followUpAction, FieldNames[13], stored);
    stored.history = std::move(contact.history);
    if (!Storable(stored.history)) stored.unstorableFields.push_back(FieldNames[14]);
    record.InUse = 1;
    return stored;
}

std::string HistoryAsStored(const StoredContact& stored) {
    return WithLineBreaks(stored.history, "\r\n");
}

}  // namespace exchange
