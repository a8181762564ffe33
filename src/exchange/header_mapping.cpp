#include "exchange/header_mapping.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/in_parallel.h"

namespace exchange {

namespace {

using enum ColumnTarget;

// Column names as Key() makes them; "#" stands for any number of a numbered family
// ("E-mail 2 Address", "Phone 3 - Value"). The program's own FieldNames come first; then, in
// no particular order, those of Outlook ("Business Street 2", "Assistant's Name"), Google
// Contacts, old and new ("Given Name", "Organization 1 - Name", "Address 1 - Postal Code"),
// Thunderbird ("Primary Email", "Work ZipCode") and the plain names of other programs.
constexpr std::pair<std::string_view, ColumnTarget> KnownColumns[] = {
    {"client", Client},
    {"address", Address},
    {"city", City},
    {"state", State},
    {"zip", Zip},
    {"contact", Contact},
    {"phone", Phone},
    {"ext", Ext},
    {"fax", Fax},
    {"cell", Cell},
    {"gatekeeper", Gatekeeper},
    {"email", EMail},
    {"followupdate", FollowUpDate},
    {"followupaction", FollowUpAction},
    {"history", History},

    {"company", Client},
    {"companyname", Client},
    {"organization", Client},
    {"organisation", Client},
    {"organizationname", Client},
    {"organization1name", Client},
    {"street", Address},
    {"streetaddress", Address},
    {"businessstreet", Address},
    {"businessstreet2", Address},
    {"businessstreet3", Address},
    {"workaddress", Address},
    {"workaddress2", Address},
    {"address1street", Address},
    {"town", City},
    {"businesscity", City},
    {"workcity", City},
    {"address1city", City},
    {"region", State},
    {"province", State},
    {"stateprovince", State},
    {"businessstate", State},
    {"workstate", State},
    {"address1region", State},
    {"zipcode", Zip},
    {"postalcode", Zip},
    {"postcode", Zip},
    {"businesspostalcode", Zip},
    {"workzipcode", Zip},
    {"workpostalcode", Zip},
    {"address1postalcode", Zip},
    {"name", Contact},
    {"fullname", Contact},
    {"displayname", Contact},
    {"contactname", Contact},
    {"firstname", FirstName},
    {"givenname", FirstName},
    {"middlename", MiddleName},
    {"additionalname", MiddleName},
    {"lastname", LastName},
    {"familyname", LastName},
    {"surname", LastName},
    {"phonenumber", Phone},
    {"telephone", Phone},
    {"businessphone", Phone},
    {"businessphone2", Phone},
    {"workphone", Phone},
    {"phone#value", Phone},
    {"extension", Ext},
    {"faxnumber", Fax},
    {"businessfax", Fax},
    {"mobile", Cell},
    {"mobilephone", Cell},
    {"mobilenumber", Cell},
    {"cellphone", Cell},
    {"assistant", Gatekeeper},
    {"assistantsname", Gatekeeper},
    {"emailaddress", EMail},
    {"email#address", EMail},
    {"email#value", EMail},
    {"primaryemail", EMail},
    {"secondaryemail", EMail},
    {"notes", History},
    {"note", History},
    {"comments", History},
};

// The name's letters and digits, lower case: "E-mail 2 Address" gives "email2address".
std::string Key(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            key += c;
        }
    }
    return key;
}

// The key with each run of digits made "#": "email2address" gives "email#address".
std::string FamilyKey(std::string_view key) {
    std::string family;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const bool digit = key[i] >= '0' && key[i] <= '9';
        const bool runGoesOn = i > 0 && key[i - 1] >= '0' && key[i - 1] <= '9';
        if (!digit) {
            family += key[i];
        } else if (!runGoesOn) {
            family += '#';
        }
    }
    return family;
}

ColumnTarget TargetOfKey(std::string_view key) {
    for (const auto& [known, target] : KnownColumns) {
        if (known == key) return target;
    }
    return NotImported;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

using TargetColumns = RowContacts::TargetColumns;

// One row's texts as the targets take them: blank texts count as none.
class RowTexts {
public:
    RowTexts(const CsvRow& row, const TargetColumns& columns) : row_(row), columns_(columns) {}

    // The first text of the target's columns.
    std::string_view First(ColumnTarget target) const {
        for (const std::size_t column : Columns(target)) {
            const std::string_view text = Text(column);
            if (!IsBlank(text)) return text;
        }
        return {};
    }
    // Every text of the target's columns, in their order, with the separator between.
    std::string Joined(ColumnTarget target, std::string_view between) const {
        std::string joined;
        for (const std::size_t column : Columns(target)) {
            const std::string_view text = Text(column);
            if (IsBlank(text)) continue;
            if (!joined.empty()) joined += between;
            joined += text;
        }
        return joined;
    }

private:
    const std::vector<std::size_t>& Columns(ColumnTarget target) const {
        return columns_[static_cast<std::size_t>(target)];
    }
    std::string_view Text(std::size_t column) const {
        return column < row_.size() ? row_.field(column) : std::string_view();
    }

    const CsvRow& row_;
    const TargetColumns& columns_;
};

std::string PersonName(const RowTexts& texts) {
    std::string name;
    for (const ColumnTarget part : {FirstName, MiddleName, LastName}) {
        const std::string_view given = texts.First(part);
        if (given.empty()) continue;
        if (!name.empty()) name += ' ';
        name += given;
    }
    return name.empty() ? std::string(texts.First(Contact)) : name;
}

bool IsEmpty(const exchange::Contact& c) {
    for (const std::string* text :
         {&c.client, &c.address, &c.city, &c.state, &c.zip, &c.contact, &c.phone, &c.ext, &c.fax,
          &c.cell, &c.gatekeeper, &c.email, &c.followUpDate, &c.followUpAction, &c.history}) {
        if (!text->empty()) return false;
    }
    return true;
}

}  // namespace

std::string_view ColumnTargetName(ColumnTarget target) {
    switch (target) {
        case NotImported:
            return "(not imported)";
        case FirstName:
            return "Contact: first name";
        case MiddleName:
            return "Contact: middle name";
        case LastName:
            return "Contact: last name";
        default:
            return FieldNames[static_cast<std::size_t>(target) - 1];
    }
}

ColumnMapping MapHeader(std::span<const std::string> header) {
    ColumnMapping mapping;
    mapping.reserve(header.size());
    for (const std::string& name : header) {
        const std::string key = Key(name);
        const ColumnTarget exact = TargetOfKey(key);
        mapping.push_back(exact != NotImported ? exact : TargetOfKey(FamilyKey(key)));
    }
    return mapping;
}

RowContacts::RowContacts(const ColumnMapping& mapping) {
    for (std::size_t column = 0; column < mapping.size(); ++column) {
        columns_[static_cast<std::size_t>(mapping[column])].push_back(column);
    }
}

std::optional<exchange::Contact> RowContacts::operator()(const CsvRow& row) const {
    const RowTexts texts(row, columns_);
    const auto first = [&texts](ColumnTarget target) { return std::string(texts.First(target)); };
    std::optional<exchange::Contact> made(std::in_place);
    exchange::Contact& c = *made;
    c.client = first(Client);
    c.address = texts.Joined(Address, ", ");
    c.city = first(City);
    c.state = first(State);
    c.zip = first(Zip);
    c.contact = PersonName(texts);
    c.phone = first(Phone);
    c.ext = first(Ext);
    c.fax = first(Fax);
    c.cell = first(Cell);
    c.gatekeeper = first(Gatekeeper);
    c.email = texts.Joined(EMail, "; ");
    c.followUpDate = first(FollowUpDate);
    c.followUpAction = first(FollowUpAction);
    c.history = texts.Joined(History, "\n");
    if (IsEmpty(c)) return std::nullopt;
    return made;
}

namespace {

// Below this many rows a second thread costs more than it saves.
constexpr std::size_t RowsPerThread = 256;

}  // namespace

std::vector<exchange::Contact> ContactsFromRows(std::span<const CsvRow> rows,
                                                const ColumnMapping& mapping) {
    const RowContacts contactOf(mapping);
    std::vector<std::optional<exchange::Contact>> all(rows.size());
    InParallel(rows.size(), RowsPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) all[i] = contactOf(rows[i]);
    });
    std::vector<exchange::Contact> contacts;
    contacts.reserve(all.size());
    for (std::optional<exchange::Contact>& c : all) {
        if (c) contacts.push_back(std::move(*c));
    }
    return contacts;
}

}  // namespace exchange
