#include "exchange/header_mapping.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/csv_export.h"

namespace exchange {

namespace {

using enum ColumnTarget;

// Column names as Key() makes them; "#" stands for any number of a numbered family
// ("E-mail 2 Address", "Phone 3 - Value"). The program's own FieldNames come first; then, in
// no particular order, those of Outlook ("Business Street 2", "Assistant's Name"), Google
// Contacts, old and new ("Given Name", "Organization 1 - Name", "Address 1 - Postal Code"),
// Thunderbird ("Primary Email", "Work ZipCode") and the plain names of other programs. A value
// kept in the history is labelled as given here, or else by its column's name.
struct KnownColumn {
    std::string_view key;
    ColumnTarget target;
    std::string_view label = {};
};
constexpr KnownColumn KnownColumns[] = {
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
    {"organization#name", Client},
    {"street", Address},
    {"streetaddress", Address},
    {"businessstreet", Address},
    {"businessstreet#", Address},
    {"workaddress", Address},
    {"workaddress#", Address},
    {"address#street", Address},
    {"address#pobox", Address},
    {"address#extendedaddress", Address},
    {"town", City},
    {"businesscity", City},
    {"workcity", City},
    {"address#city", City},
    {"region", State},
    {"province", State},
    {"stateprovince", State},
    {"businessstate", State},
    {"workstate", State},
    {"address#region", State},
    {"zipcode", Zip},
    {"postalcode", Zip},
    {"postcode", Zip},
    {"businesspostalcode", Zip},
    {"workzipcode", Zip},
    {"workpostalcode", Zip},
    {"address#postalcode", Zip},
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
    {"businessphone#", Phone},
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
    {"relation#value", Gatekeeper},
    {"emailaddress", EMail},
    {"email#address", EMail},
    {"email#value", EMail},
    {"primaryemail", EMail},
    {"secondaryemail", EMail},
    {"notes", History},
    {"note", History},
    {"comments", History},

    {"title", Extra},
    {"jobtitle", Extra, "Job title"},
    {"organizationtitle", Extra, "Title"},
    {"organization#title", Extra, "Title"},
    {"department", Extra, "Department"},
    {"organizationdepartment", Extra, "Department"},
    {"organization#department", Extra, "Department"},
    {"organization#jobdescription", Extra, "Job description"},
    {"profession", Extra},
    {"occupation", Extra},
    {"officelocation", Extra},
    {"managersname", Extra, "Manager"},
    {"spouse", Extra},
    {"referredby", Extra},
    {"nameprefix", Extra, "Name prefix"},
    {"namesuffix", Extra, "Name suffix"},
    {"suffix", Extra, "Name suffix"},
    {"nickname", Extra, "Nickname"},
    {"birthday", Extra, "Birthday"},
    {"birthyear", Extra},
    {"birthmonth", Extra},
    {"anniversary", Extra, "Anniversary"},
    {"categories", Extra},
    {"webpage", Extra, "Website"},
    {"webpage#", Extra, "Website"},
    {"website", Extra, "Website"},
    {"website#value", Extra, "Website"},
    {"screenname", Extra},
    {"im#value", Extra, "IM"},
    {"event#value", Extra, "Event"},
    {"customfield#value", Extra, "Custom field"},
    {"custom#", Extra},
    {"country", Extra, "Country"},
    {"countryregion", Extra, "Country"},
    {"businesscountry", Extra, "Country"},
    {"businesscountryregion", Extra, "Country"},
    {"workcountry", Extra, "Country"},
    {"address#country", Extra, "Country"},
    {"homephone", Extra, "Home phone"},
    {"homephone#", Extra, "Home phone"},
    {"otherphone", Extra, "Other phone"},
    {"homefax", Extra, "Home fax"},
    {"otherfax", Extra, "Other fax"},
    {"pager", Extra, "Pager"},
    {"pagernumber", Extra, "Pager"},
    {"carphone", Extra, "Car phone"},
    {"companymainphone", Extra, "Company main phone"},
    {"assistantsphone", Extra, "Assistant's phone"},
    {"primaryphone", Extra, "Primary phone"},
    {"callback", Extra},
    {"radiophone", Extra},
    {"isdn", Extra},
    {"telex", Extra},
    {"ttytddphone", Extra},
    {"homestreet", Extra},
    {"homestreet#", Extra},
    {"homeaddress", Extra},
    {"homeaddress#", Extra},
    {"homecity", Extra},
    {"homestate", Extra},
    {"homepostalcode", Extra},
    {"homezipcode", Extra},
    {"homecountry", Extra},
    {"homecountryregion", Extra},
    {"otherstreet", Extra},
    {"othercity", Extra},
    {"otherstate", Extra},
    {"otherpostalcode", Extra},
    {"othercountryregion", Extra},
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

// The entry of the key: exactly, else as one of a numbered family.
const KnownColumn* Known(std::string_view key) {
    for (const std::string& candidate : {std::string(key), FamilyKey(key)}) {
        for (const KnownColumn& known : KnownColumns) {
            if (known.key == candidate) return &known;
        }
    }
    return nullptr;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// What a column of types is the type of: "phone1type" gives "phone1", "phonelabel" "phone";
// nothing for any other key.
std::string_view TypeStem(std::string_view key) {
    for (const std::string_view suffix : {"type", "label"}) {
        if (key.size() > suffix.size() && key.ends_with(suffix)) {
            return key.substr(0, key.size() - suffix.size());
        }
    }
    return {};
}

// Whether the column of the key holds values the stem's types belong to: "phone1value" those
// of "phone1" (not of "phone12"), "phonenumber" those of "phone".
bool OfStem(std::string_view key, std::string_view stem) {
    if (stem.empty() || !key.starts_with(stem) || TypeStem(key) == stem) return false;
    return key.size() == stem.size() || !IsDigit(stem.back()) || !IsDigit(key[stem.size()]);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// "HOME FAX" and "home fax" give "Home fax".
std::string SentenceCase(std::string_view text) {
    std::string result = Lower(text);
    if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
        result[0] = static_cast<char>(result[0] - 'a' + 'A');
    }
    return result;
}

// Whether the type names the word, in any case.
bool Names(std::string_view type, std::string_view word) {
    return Lower(type).find(word) != std::string::npos;
}

// Google Contacts writes several values of a cell joined with this.
constexpr std::string_view ValueSeparator = " ::: ";

// The cell's values as written; blank ones left out.
std::vector<std::string_view> Values(std::string_view cell) {
    std::vector<std::string_view> values;
    while (true) {
        const std::size_t at = cell.find(ValueSeparator);
        const std::string_view value = cell.substr(0, at);
        if (!IsBlank(value)) values.push_back(value);
        if (at == std::string_view::npos) return values;
        cell.remove_prefix(at + ValueSeparator.size());
    }
}

// A type as written, without Google's "*" that marks the preferred value.
std::string TypeText(std::string_view type) {
    type = BlankTrimmed(type);
    if (type.starts_with('*')) type = BlankTrimmed(type.substr(1));
    return std::string(type);
}

using Column = RowContacts::Column;

// Where a value goes and what the history would call it.
struct Routed {
    ColumnTarget target;
    std::string label;
};

// A value of the column goes where its type says: a phone to the field of its kind, or kept
// as "Home phone"; a relation to Gatekeeper when it is the assistant, else kept under its type.
Routed Route(const Column& column, const std::string& type) {
    if (type.empty()) return {column.target, column.label};
    const bool toNumber = column.target == Phone || column.target == Fax || column.target == Cell;
    if (column.kind == "phone" && toNumber) {
        const bool named = Names(type, "phone") || Names(type, "fax") || Names(type, "pager");
        const std::string label = SentenceCase(type) + (named ? "" : " phone");
        if (Names(type, "fax")) {
            return {Names(type, "home") || Names(type, "other") ? Extra : Fax, label};
        }
        if (Names(type, "mobile") || Names(type, "cell")) return {Cell, label};
        if (Names(type, "work") || Names(type, "main") || Names(type, "business")) {
            return {Phone, label};
        }
        return {Extra, label};
    }
    if (column.kind == "relation" && column.target == Gatekeeper) {
        return {Lower(type) == "assistant" ? Gatekeeper : Extra, type};
    }
    if (column.target == Extra) {
        return {Extra, column.kind == "customfield" ? type : column.label + " (" + type + ")"};
    }
    return {column.target, column.label};
}

// The cell's text; the apostrophe CsvText put before a formula's first character (and before
// any apostrophes in front of it) goes.
std::string_view TextAt(const CsvRow& row, std::size_t column) {
    if (column >= row.size()) return {};
    std::string_view text = row.field(column);
    const std::size_t start = text.find_first_not_of('\'');
    if (start > 0 && start != std::string_view::npos &&
        FormulaStarts.find(text[start]) != std::string_view::npos) {
        text.remove_prefix(1);
    }
    return text;
}

// The address groups of a row that hold any text (each named by the type column of its parts)
// and the one whose parts fill the address fields: the work address, else the first.
struct AddressGroups {
    std::vector<std::size_t> given;
    std::size_t chosen = RowContacts::NoColumn;
};

AddressGroups GroupsOf(const std::vector<Column>& columns, const CsvRow& row) {
    AddressGroups groups;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (column.kind != "address" || column.target == NotImported) continue;
        const std::size_t group = column.typeColumn;
        if (!IsBlank(TextAt(row, c)) &&
            std::find(groups.given.begin(), groups.given.end(), group) == groups.given.end()) {
            groups.given.push_back(group);
        }
    }
    const auto work = std::find_if(groups.given.begin(), groups.given.end(), [&](std::size_t g) {
        const std::string type = TypeText(TextAt(row, g));
        return Names(type, "work") || Names(type, "business");
    });
    if (work != groups.given.end()) {
        groups.chosen = *work;
    } else if (!groups.given.empty()) {
        groups.chosen = groups.given.front();
    }
    return groups;
}

// An address group left out, as one line for the history: "Home address: 5 Elm, Paris, 75001".
std::string AddressLine(const std::vector<Column>& columns, const CsvRow& row, std::size_t group) {
    std::string parts;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (column.typeColumn != group || column.kind != "address") continue;
        if (column.target == NotImported) continue;
        const std::string_view text = BlankTrimmed(TextAt(row, c));
        if (text.empty()) continue;
        if (!parts.empty()) parts += ", ";
        parts += text;
    }
    if (parts.empty()) return {};
    const std::string type = TypeText(TextAt(row, group));
    const std::string label = type.empty()             ? "Address"
                              : Names(type, "address") ? SentenceCase(type)
                                                       : SentenceCase(type) + " address";
    return label + ": " + parts;
}

// A value and what the history calls it, should it go there.
struct Value {
    std::string text;
    std::string label;
};
using TargetValues = std::array<std::vector<Value>, static_cast<std::size_t>(ValueType) + 1>;

// The values of one row, each where its column and type send it.
TargetValues ValuesOf(const std::vector<Column>& columns, const CsvRow& row,
                      std::vector<std::string>& extras) {
    TargetValues values;
    const AddressGroups groups = GroupsOf(columns, row);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (column.target == NotImported || column.target == ValueType) continue;
        const std::string_view text = TextAt(row, c);
        if (IsBlank(text)) continue;
        if (column.kind == "address" && column.typeColumn != groups.chosen) continue;
        if (column.target == History) {
            values[static_cast<std::size_t>(History)].push_back({std::string(text), column.label});
            continue;
        }
        // Only a column with types beside it holds a list: elsewhere " ::: " is the text's own,
        // as in a company named so in a file of ours.
        const bool typed = column.typeColumn != RowContacts::NoColumn;
        const std::vector<std::string_view> pieces =
            typed ? Values(text) : std::vector<std::string_view>{text};
        const std::vector<std::string_view> types =
            typed ? Values(TextAt(row, column.typeColumn)) : std::vector<std::string_view>();
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string_view type = types.size() == pieces.size() ? types[i]
                                          : types.empty()               ? ""
                                                                        : types.front();
            Routed routed = Route(column, TypeText(type));
            values[static_cast<std::size_t>(routed.target)].push_back(
                {std::string(pieces[i]), std::move(routed.label)});
        }
    }
    for (const std::size_t group : groups.given) {
        if (group == groups.chosen) continue;
        std::string line = AddressLine(columns, row, group);
        if (!line.empty()) extras.push_back(std::move(line));
    }
    return values;
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
        case Extra:
            return "Kept in the history";
        case ValueType:
            return "Type of the values beside it";
        default:
            return FieldNames[static_cast<std::size_t>(target) - 1];
    }
}

ColumnMapping MapHeader(std::span<const std::string> header) {
    ColumnMapping mapping;
    std::vector<std::string> keys;
    for (const std::string& name : header) {
        keys.push_back(Key(name));
        const KnownColumn* known = Known(keys.back());
        mapping.push_back(known != nullptr ? known->target : NotImported);
    }
    // A column of types goes with the columns of values beside it: "Phone 1 - Type" with
    // "Phone 1 - Value", "E-mail Type" with "E-mail Address".
    for (std::size_t t = 0; t < keys.size(); ++t) {
        if (mapping[t] != NotImported) continue;
        for (std::size_t c = 0; c < keys.size(); ++c) {
            if (c != t && mapping[c] != NotImported && OfStem(keys[c], TypeStem(keys[t]))) {
                mapping[t] = ValueType;
                break;
            }
        }
    }
    mapping.names.assign(header.begin(), header.end());
    return mapping;
}

RowContacts::RowContacts(const ColumnMapping& mapping) : columns_(mapping.size()) {
    std::vector<std::string> keys(mapping.size());
    for (std::size_t c = 0; c < mapping.size(); ++c) {
        const std::string_view name =
            c < mapping.names.size() ? BlankTrimmed(mapping.names[c]) : "";
        keys[c] = Key(name);
        const KnownColumn* known = Known(keys[c]);
        Column& column = columns_[c];
        column.target = mapping[c];
        column.label = known != nullptr && !known->label.empty() ? std::string(known->label)
                       : name.empty()                            ? "Column " + std::to_string(c + 1)
                                                                 : std::string(name);
    }
    // Each column of values takes its types from the column of the longest stem it has.
    for (std::size_t t = 0; t < mapping.size(); ++t) {
        if (mapping[t] != ValueType) continue;
        const std::string_view stem = TypeStem(keys[t]);
        for (std::size_t c = 0; c < mapping.size(); ++c) {
            Column& column = columns_[c];
            const bool longer = column.typeColumn == NoColumn ||
                                TypeStem(keys[column.typeColumn]).size() < stem.size();
            if (c == t || !longer || !OfStem(keys[c], stem)) continue;
            column.typeColumn = t;
            column.kind.clear();
            for (const char letter : stem) {
                if (!IsDigit(letter)) column.kind += letter;
            }
        }
    }
}

std::optional<exchange::Contact> RowContacts::operator()(const CsvRow& row) const {
    std::vector<std::string> extras;
    TargetValues values = ValuesOf(columns_, row, extras);
    std::vector<std::string> overflow;
    // The first value of a field fills it; the others, unless the same, are kept.
    const auto first = [&](ColumnTarget target) {
        const std::vector<Value>& given = values[static_cast<std::size_t>(target)];
        if (given.empty()) return std::string();
        for (std::size_t i = 1; i < given.size(); ++i) {
            const auto same = [&](const Value& v) { return v.text == given[i].text; };
            if (std::none_of(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(i), same)) {
                overflow.push_back(given[i].label + ": " + given[i].text);
            }
        }
        return given.front().text;
    };
    const auto joined = [&](ColumnTarget target, std::string_view between) {
        std::string text;
        for (const Value& value : values[static_cast<std::size_t>(target)]) {
            if (!text.empty()) text += between;
            text += value.text;
        }
        return text;
    };
    std::optional<exchange::Contact> made(std::in_place);
    exchange::Contact& c = *made;
    c.client = first(Client);
    c.address = joined(Address, ", ");
    c.city = first(City);
    c.state = first(State);
    c.zip = first(Zip);
    std::string parts;
    for (const ColumnTarget part : {FirstName, MiddleName, LastName}) {
        const std::string given = first(part);
        if (given.empty()) continue;
        if (!parts.empty()) parts += ' ';
        parts += given;
    }
    // A whole name stands in for no parts; beside them it is kept only when it says more.
    if (parts.empty()) {
        c.contact = first(ColumnTarget::Contact);
    } else {
        c.contact = std::move(parts);
        for (const Value& whole : values[static_cast<std::size_t>(ColumnTarget::Contact)]) {
            if (whole.text != c.contact) overflow.push_back(whole.label + ": " + whole.text);
        }
    }
    c.phone = first(Phone);
    c.ext = first(Ext);
    c.fax = first(Fax);
    c.cell = first(Cell);
    c.gatekeeper = first(Gatekeeper);
    c.email = joined(EMail, "; ");
    c.followUpDate = first(FollowUpDate);
    c.followUpAction = first(FollowUpAction);
    c.history = joined(History, "\n");
    for (const Value& value : values[static_cast<std::size_t>(Extra)]) {
        c.extras.push_back(value.label + ": " + value.text);
    }
    c.extras.insert(c.extras.end(), overflow.begin(), overflow.end());
    c.extras.insert(c.extras.end(), extras.begin(), extras.end());
    if (FillsNoField(c)) return std::nullopt;
    return made;
}

std::vector<exchange::Contact> ContactsFromRows(std::span<const CsvRow> rows,
                                                const ColumnMapping& mapping) {
    const RowContacts contactOf(mapping);
    std::vector<exchange::Contact> contacts;
    contacts.reserve(rows.size());
    for (const CsvRow& row : rows) {
        if (std::optional<exchange::Contact> contact = contactOf(row)) {
            contacts.push_back(std::move(*contact));
        }
    }
    return contacts;
}

}  // namespace exchange
