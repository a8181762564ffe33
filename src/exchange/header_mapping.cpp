#include "exchange/header_mapping.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
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
// ("E-mail 2 Address", "Phone 3 - Value"). Each target's list begins with the program's own
// name of the field; then come, in no particular order, those of Outlook ("Business Street 2",
// "Assistant's Name"), Google Contacts, old and new ("Given Name", "Organization 1 - Name",
// "Address 1 - Postal Code"), Thunderbird ("Primary Email", "Work ZipCode") and the plain names
// of other programs. A value kept in the history is labelled as given here, or else by its
// column's name.
struct KnownColumns {
    ColumnTarget target;
    std::initializer_list<std::string_view> keys;
    std::string_view label = {};
};
const KnownColumns Known[] = {
    {Client,
     {"client", "company", "companyname", "organization", "organisation", "organizationname",
      "organization#name"}},
    {Address,
     {"address", "street", "streetaddress", "businessstreet", "businessstreet#", "workaddress",
      "workaddress#", "address#street", "address#pobox", "address#extendedaddress"}},
    {City, {"city", "town", "businesscity", "workcity", "address#city"}},
    {State,
     {"state", "region", "province", "stateprovince", "businessstate", "workstate",
      "address#region"}},
    {Zip,
     {"zip", "zipcode", "postalcode", "postcode", "businesspostalcode", "workzipcode",
      "workpostalcode", "address#postalcode"}},
    {Contact, {"contact", "name", "fullname", "displayname", "contactname"}},
    {FirstName, {"firstname", "givenname"}},
    {MiddleName, {"middlename", "additionalname"}},
    {LastName, {"lastname", "familyname", "surname"}},
    {Phone,
     {"phone", "phonenumber", "telephone", "businessphone", "businessphone#", "workphone",
      "phone#value"}},
    {Ext, {"ext", "extension"}},
    {Fax, {"fax", "faxnumber", "businessfax"}},
    {Cell, {"cell", "mobile", "mobilephone", "mobilenumber", "cellphone"}},
    {Gatekeeper, {"gatekeeper", "assistant", "assistantsname", "relation#value"}},
    {EMail,
     {"email", "emailaddress", "email#address", "email#value", "primaryemail", "secondaryemail"}},
    {FollowUpDate, {"followupdate"}},
    {FollowUpAction, {"followupaction"}},
    {History, {"history", "notes", "note", "comments"}},

    {Extra, {"title", "profession", "occupation", "officelocation", "spouse", "referredby"}},
    {Extra, {"birthyear", "birthmonth", "categories", "screenname", "custom#"}},
    {Extra, {"callback", "radiophone", "isdn", "telex", "ttytddphone"}},
    {Extra,
     {"homestreet", "homestreet#", "homeaddress", "homeaddress#", "homecity", "homestate",
      "homepostalcode", "homezipcode", "homecountry", "homecountryregion"}},
    {Extra, {"otherstreet", "othercity", "otherstate", "otherpostalcode", "othercountryregion"}},
    {Extra, {"jobtitle"}, "Job title"},
    {Extra, {"organizationtitle", "organization#title"}, "Title"},
    {Extra, {"department", "organizationdepartment", "organization#department"}, "Department"},
    {Extra, {"organization#jobdescription"}, "Job description"},
    {Extra, {"managersname"}, "Manager"},
    {Extra, {"nameprefix"}, "Name prefix"},
    {Extra, {"namesuffix", "suffix"}, "Name suffix"},
    {Extra, {"nickname"}, "Nickname"},
    {Extra, {"birthday"}, "Birthday"},
    {Extra, {"anniversary"}, "Anniversary"},
    {Extra, {"webpage", "webpage#", "website", "website#value"}, "Website"},
    {Extra, {"im#value"}, "IM"},
    {Extra, {"event#value"}, "Event"},
    {Extra, {"customfield#value"}, "Custom field"},
    {Extra,
     {"country", "countryregion", "businesscountry", "businesscountryregion", "workcountry",
      "address#country"},
     "Country"},
    {Extra, {"homephone", "homephone#"}, "Home phone"},
    {Extra, {"otherphone"}, "Other phone"},
    {Extra, {"homefax"}, "Home fax"},
    {Extra, {"otherfax"}, "Other fax"},
    {Extra, {"pager", "pagernumber"}, "Pager"},
    {Extra, {"carphone"}, "Car phone"},
    {Extra, {"companymainphone"}, "Company main phone"},
    {Extra, {"assistantsphone"}, "Assistant's phone"},
    {Extra, {"primaryphone"}, "Primary phone"},
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// The name's letters and digits, lower case: "E-mail 2 Address" gives "email2address".
std::string Key(std::string_view name) {
    std::string key = Lower(name);
    std::erase_if(key, [](char c) { return !IsDigit(c) && (c < 'a' || c > 'z'); });
    return key;
}

// The key with each run of digits made "#": "email2address" gives "email#address".
std::string FamilyKey(std::string_view key) {
    std::string family;
    for (const char c : key) {
        if (!IsDigit(c)) {
            family += c;
        } else if (family.empty() || family.back() != '#') {
            family += '#';
        }
    }
    return family;
}

// The entry of the key: exactly, else as one of a numbered family; none for a column not known.
const KnownColumns* KnownColumn(std::string_view key) {
    for (const std::string& candidate : {std::string(key), FamilyKey(key)}) {
        for (const KnownColumns& known : Known) {
            if (std::ranges::find(known.keys, candidate) != known.keys.end()) return &known;
        }
    }
    return nullptr;
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

// "HOME FAX" and "home fax" give "Home fax".
std::string SentenceCase(std::string_view text) {
    std::string result = Lower(text);
    if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
        result[0] = static_cast<char>(result[0] - 'a' + 'A');
    }
    return result;
}

// Whether the type names any of the words, in any case.
bool Names(std::string_view type, std::initializer_list<std::string_view> words) {
    const std::string lower = Lower(type);
    return std::ranges::any_of(
        words, [&](std::string_view word) { return lower.find(word) != std::string::npos; });
}

// Google Contacts writes several values of a cell joined with this.
constexpr std::string_view ValueSeparator = " ::: ";

// The cell's values as written; blank ones left out.
std::vector<std::string_view> Values(std::string_view cell) {
    std::vector<std::string_view> values;
    while (true) {
        const std::size_t at = cell.find(ValueSeparator);
        if (!BlankTrimmed(cell.substr(0, at)).empty()) values.push_back(cell.substr(0, at));
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

// A value and what the history calls it, should it go there.
struct Value {
    std::string text;
    std::string label;
};

// Where a value of the column goes, and its label, by its type: a phone to the field of its
// kind, or kept as "Home phone"; a relation to Gatekeeper when it is the assistant, else kept
// under its type.
std::pair<ColumnTarget, std::string> Route(const Column& column, const std::string& type) {
    if (type.empty()) return {column.target, column.label};
    const bool toNumber = column.target == Phone || column.target == Fax || column.target == Cell;
    if (column.kind == "phone" && toNumber) {
        const bool named = Names(type, {"phone", "fax", "pager"});
        const std::string label = SentenceCase(type) + (named ? "" : " phone");
        if (Names(type, {"fax"})) return {Names(type, {"home", "other"}) ? Extra : Fax, label};
        if (Names(type, {"mobile", "cell"})) return {Cell, label};
        if (Names(type, {"work", "main", "business"})) return {Phone, label};
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
    if (column >= row.fields.size()) return {};
    std::string_view text = row.fields[column];
    const std::size_t start = text.find_first_not_of('\'');
    if (start > 0 && start != std::string_view::npos &&
        FormulaStarts.find(text[start]) != std::string_view::npos) {
        text.remove_prefix(1);
    }
    return text;
}

// The address group (each named by the type column of its parts) whose parts fill the address
// fields: the work address, else the first that holds any text.
std::size_t ChosenAddress(const std::vector<Column>& columns, const CsvRow& row) {
    std::size_t first = RowContacts::NoColumn;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (column.kind != "address" || column.target == NotImported) continue;
        if (BlankTrimmed(TextAt(row, c)).empty()) continue;
        const std::string type = TypeText(TextAt(row, column.typeColumn));
        if (Names(type, {"work", "business"})) return column.typeColumn;
        if (first == RowContacts::NoColumn) first = column.typeColumn;
    }
    return first;
}

// An address group left out, as one line for the history: "Home address: 5 Elm, Paris, 75001".
std::string AddressLine(std::string_view groupType, const std::string& parts) {
    const std::string type = TypeText(groupType);
    const std::string label = type.empty()               ? "Address"
                              : Names(type, {"address"}) ? SentenceCase(type)
                                                         : SentenceCase(type) + " address";
    return label + ": " + parts;
}

}  // namespace

std::string_view ColumnTargetName(ColumnTarget target) {
    // The names of the targets after those of FieldNames, in their order.
    constexpr std::array<std::string_view, 5> OtherNames{
        "Contact: first name", "Contact: middle name",         "Contact: last name",
        "Kept in the history", "Type of the values beside it",
    };
    const auto index = static_cast<std::size_t>(target);
    if (target == NotImported) return "(not imported)";
    return index <= FieldNames.size() ? FieldNames[index - 1]
                                      : OtherNames[index - FieldNames.size() - 1];
}

ColumnMapping MapHeader(std::span<const std::string> header) {
    ColumnMapping mapping;
    std::vector<std::string> keys;
    for (const std::string& name : header) {
        keys.push_back(Key(name));
        const KnownColumns* known = KnownColumn(keys.back());
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
    std::vector<std::string> keys;
    for (std::size_t c = 0; c < mapping.size(); ++c) {
        const std::string_view name =
            c < mapping.names.size() ? BlankTrimmed(mapping.names[c]) : "";
        keys.push_back(Key(name));
        const KnownColumns* known = KnownColumn(keys.back());
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
            column.kind = stem;
            std::erase_if(column.kind, IsDigit);
        }
    }
}

std::optional<exchange::Contact> RowContacts::operator()(const CsvRow& row) const {
    // The row's values, each where its column and type send it.
    std::array<std::vector<Value>, ColumnTargets.size()> values;
    const auto valuesOf = [&](ColumnTarget target) -> std::vector<Value>& {
        return values[static_cast<std::size_t>(target)];
    };
    const std::size_t chosenAddress = ChosenAddress(columns_, row);
    std::vector<std::pair<std::size_t, std::string>> otherAddresses;  // group, its parts
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const Column& column = columns_[c];
        const std::string_view text = TextAt(row, c);
        if (column.target == NotImported || BlankTrimmed(text).empty()) continue;
        if (column.kind == "address" && column.typeColumn != chosenAddress) {
            const auto group = std::ranges::find(otherAddresses, column.typeColumn,
                                                 &std::pair<std::size_t, std::string>::first);
            if (group == otherAddresses.end()) {
                otherAddresses.emplace_back(column.typeColumn, BlankTrimmed(text));
            } else {
                group->second += ", " + std::string(BlankTrimmed(text));
            }
            continue;
        }
        if (column.target == ValueType) continue;
        // Only a column with types beside it holds a list: elsewhere " ::: " is the text's own,
        // as in a company named so in a file of ours.
        if (column.typeColumn == NoColumn || column.target == History) {
            valuesOf(column.target).push_back({std::string(text), column.label});
            continue;
        }
        const std::vector<std::string_view> pieces = Values(text);
        const std::vector<std::string_view> types = Values(TextAt(row, column.typeColumn));
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string_view type = types.size() == pieces.size() ? types[i]
                                          : types.empty()               ? ""
                                                                        : types.front();
            auto [target, label] = Route(column, TypeText(type));
            valuesOf(target).push_back({std::string(pieces[i]), std::move(label)});
        }
    }

    std::vector<std::string> overflow;
    // The first value of a field fills it; the others, unless the same, are kept.
    const auto first = [&](ColumnTarget target) {
        const std::vector<Value>& given = valuesOf(target);
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
        for (const Value& value : valuesOf(target)) {
            if (!text.empty()) text += between;
            text += value.text;
        }
        return text;
    };
    exchange::Contact c;
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
        for (const Value& whole : valuesOf(ColumnTarget::Contact)) {
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
    for (const Value& value : valuesOf(Extra)) c.extras.push_back(value.label + ": " + value.text);
    c.extras.insert(c.extras.end(), overflow.begin(), overflow.end());
    for (const auto& [group, groupParts] : otherAddresses) {
        c.extras.push_back(AddressLine(TextAt(row, group), groupParts));
    }
    if (FillsNoField(c)) return std::nullopt;
    return c;
}

std::vector<exchange::Contact> ContactsFromRows(std::span<const CsvRow> rows,
                                                const ColumnMapping& mapping) {
    const RowContacts contactOf(mapping);
    std::vector<exchange::Contact> contacts;
    for (const CsvRow& row : rows) {
        if (std::optional<exchange::Contact> contact = contactOf(row)) {
            contacts.push_back(std::move(*contact));
        }
    }
    return contacts;
}

}  // namespace exchange
