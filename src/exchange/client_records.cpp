#include "exchange/client_records.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <optional>
#include <utility>

#include "exchange/field_rules.h"
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

// What storing a contact leaves for the history, "Label: value" a line, in the order the
// block shows them: the contact's own extras, what the fields' rules refused, the fields cut.
struct ForHistory {
    std::vector<std::string> refused;
    std::vector<std::string> cut;
};

// Stores text into the field and notes what the field could not keep; a field cut keeps the
// whole text (or the text it was made from) in the history.
template <std::size_t N>
void Keep(std::array<char, N>& field, std::string_view text, std::string_view name,
          StoredContact& stored, ForHistory& history, std::string_view whole = {}) {
    const store::StoredText kept = store::StoreField(field, text);
    // ASCII text is its own bytes in the data file, and the file holds every one of them.
    if (!kept.ascii && !Storable(text)) stored.unstorableFields.push_back(name);
    if (kept.length > N) {
        stored.cutFields.push_back(name);
        const std::string_view original = whole.empty() ? text : whole;
        history.cut.push_back(std::string(name) + ": " + std::string(BlankTrimmed(original)));
    }
}

// The label of a "Label: value" line.
std::string_view LabelOf(std::string_view line) {
    return BlankTrimmed(line.substr(0, line.find(':')));
}

void NoteKept(StoredContact& stored, std::string_view label) {
    if (!label.empty() &&
        std::ranges::find(stored.keptInHistory, label) == stored.keptInHistory.end()) {
        stored.keptInHistory.emplace_back(label);
    }
}

// The field rules the details window's boxes apply as the user types: a state of two letters,
// an extension of digits, numbers and addresses that fit. What they refuse is noted.
void ApplyFieldRules(Contact& c, StoredContact& stored, ForHistory& history) {
    const auto refuse = [&](std::string_view label, std::string_view value) {
        history.refused.push_back(std::string(label) + ": " + std::string(BlankTrimmed(value)));
        NoteKept(stored, label);
    };
    if (!BlankTrimmed(c.state).empty()) {
        if (std::optional<std::string> code = StateCode(c.state)) {
            c.state = std::move(*code);
        } else {
            refuse(FieldNames[3], c.state);
            c.state.clear();
        }
    }
    if (BlankTrimmed(c.ext).empty()) {
        NumberAndExtension split = SplitExtension(c.phone);
        c.phone = std::move(split.number);
        c.ext = std::move(split.extension);
    } else if (std::optional<std::string> digits = ExtensionDigits(c.ext)) {
        c.ext = std::move(*digits);
    } else {
        refuse(FieldNames[7], c.ext);
        c.ext.clear();
    }
    // Every address that fits after those before it, joined without blanks.
    std::string email;
    for (const std::string& address : SplitAddresses(c.email)) {
        std::string joined = email.empty() ? address : email + ";" + address;
        if (StoredLength(joined) <= sizeof(store::ClientRecord::EMail)) {
            email = std::move(joined);
        } else {
            refuse(FieldNames[11], address);
        }
    }
    c.email = std::move(email);
}

// The contact's history with the block of what it keeps for the fields appended.
std::string WithKeptBlock(Contact& contact, const ForHistory& history, std::string_view fileName) {
    std::string text = std::move(contact.history);
    if (contact.extras.empty() && history.refused.empty() && history.cut.empty()) return text;
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "Imported ";
    if (!fileName.empty()) text += "from " + std::string(fileName) + " ";
    text += "on " + followup::DayNumberToText(followup::TodayDayNumber()) + ":";
    const std::array<const std::vector<std::string>*, 3> blocks{&contact.extras, &history.refused,
                                                                &history.cut};
    for (const std::vector<std::string>* lines : blocks) {
        for (const std::string& line : *lines) text += "\n" + line;
    }
    return text;
}

// The day number of "YYYY-MM-DD" within 1961..2060; 0 for anything else.
std::int32_t DayNumberFromIso(const std::string& text) {
    const QDate date = QDate::fromString(QString::fromStdString(text), u"yyyy-MM-dd");
    if (!date.isValid() || date.year() < 1961 || date.year() > 2060) return 0;
    return followup::DayNumberFromDate(date.month(), date.day(), date.year());
}

}  // namespace

std::string_view BlankTrimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool FillsNoField(const Contact& c) {
    for (const std::string* text :
         {&c.client, &c.address, &c.city, &c.state, &c.zip, &c.contact, &c.phone, &c.ext, &c.fax,
          &c.cell, &c.gatekeeper, &c.email, &c.followUpDate, &c.followUpAction, &c.history}) {
        if (!text->empty()) return false;
    }
    return true;
}

std::vector<std::string> SplitAddresses(const std::string& email) {
    constexpr std::string_view Separators = ";, \t";
    std::vector<std::string> addresses;
    std::size_t start = 0;
    while ((start = email.find_first_not_of(Separators, start)) != std::string::npos) {
        const std::size_t end = email.find_first_of(Separators, start);
        addresses.push_back(email.substr(start, end - start));
        start = end;
    }
    return addresses;
}

std::string IsoDate(std::int32_t dayNumber) {
    const auto date = followup::DayNumberToPickerDate(dayNumber);
    if (!date) return {};
    return QDate(date->year, date->month, date->day).toString(Qt::ISODate).toStdString();
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
    contact.history = WithLineBreaks(history, "\n");
    return contact;
}

Contact ContactOfClient(const store::ClientRecord& record, bool& unreadable) {
    store::History history = store::ReadHistoryOf(record.ClientNumber);
    unreadable = !history.readable;
    return ContactFromRecord(record, std::move(history.text));
}

StoredContact StoreContact(Contact&& contact, std::string_view fileName) {
    StoredContact stored;
    ForHistory history;
    if (BlankTrimmed(contact.client).empty()) contact.client = contact.contact;
    for (const std::string& extra : contact.extras) NoteKept(stored, LabelOf(extra));
    ApplyFieldRules(contact, stored, history);
    const auto fitted = [](std::string_view number) {
        return FittedNumber(number, sizeof(store::ClientRecord::Phone));
    };
    store::ClientRecord& record = stored.record;
    Keep(record.ClientName, contact.client, FieldNames[0], stored, history);
    Keep(record.Address, contact.address, FieldNames[1], stored, history);
    Keep(record.City, contact.city, FieldNames[2], stored, history);
    Keep(record.State, contact.state, FieldNames[3], stored, history);
    Keep(record.Zip, contact.zip, FieldNames[4], stored, history);
    Keep(record.Contact, contact.contact, FieldNames[5], stored, history);
    Keep(record.Phone, fitted(contact.phone), FieldNames[6], stored, history, contact.phone);
    Keep(record.Ext, contact.ext, FieldNames[7], stored, history);
    Keep(record.Fax, fitted(contact.fax), FieldNames[8], stored, history, contact.fax);
    Keep(record.Cell, fitted(contact.cell), FieldNames[9], stored, history, contact.cell);
    Keep(record.Gatekeeper, contact.gatekeeper, FieldNames[10], stored, history);
    Keep(record.EMail, contact.email, FieldNames[11], stored, history);
    if (!contact.followUpDate.empty()) {
        const std::int32_t day = DayNumberFromIso(contact.followUpDate);
        stored.badFollowUpDate = day == 0;
        record.FollowUpFlag = day != 0 ? 1 : 0;
        record.FollowUpDate = day;
    }
    Keep(record.FollowUpAction, contact.followUpAction, FieldNames[13], stored, history);
    stored.history = WithKeptBlock(contact, history, fileName);
    if (!Storable(stored.history)) stored.unstorableFields.push_back(FieldNames[14]);
    record.InUse = 1;
    return stored;
}

std::string HistoryAsStored(const StoredContact& stored) {
    return WithLineBreaks(stored.history, "\r\n");
}

}  // namespace exchange
