#pragma once

// Which column of an imported table fills which field of a contact.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact.h"
#include "exchange/csv_import.h"

namespace exchange {

// What a column fills. The first fifteen follow FieldNames; the parts of a person's name join
// into the contact, which a column of the whole name fills only when the parts are empty.
enum class ColumnTarget {
    NotImported,
    Client,
    Address,
    City,
    State,
    Zip,
    Contact,
    Phone,
    Ext,
    Fax,
    Cell,
    Gatekeeper,
    EMail,
    FollowUpDate,
    FollowUpAction,
    History,
    FirstName,
    MiddleName,
    LastName,
};

// Every target, in the order a choice of them is offered.
inline constexpr std::array<ColumnTarget, 19> ColumnTargets{
    ColumnTarget::NotImported, ColumnTarget::Client,       ColumnTarget::Address,
    ColumnTarget::City,        ColumnTarget::State,        ColumnTarget::Zip,
    ColumnTarget::Contact,     ColumnTarget::FirstName,    ColumnTarget::MiddleName,
    ColumnTarget::LastName,    ColumnTarget::Phone,        ColumnTarget::Ext,
    ColumnTarget::Fax,         ColumnTarget::Cell,         ColumnTarget::Gatekeeper,
    ColumnTarget::EMail,       ColumnTarget::FollowUpDate, ColumnTarget::FollowUpAction,
    ColumnTarget::History};

// The target as the user reads it: a name of FieldNames, "Contact: first name", ... or
// "(not imported)".
std::string_view ColumnTargetName(ColumnTarget target);

// One target per column of the table, in the columns' order.
using ColumnMapping = std::vector<ColumnTarget>;

// The target of each column, found by its name: the program's own FieldNames, and the columns
// that Outlook, Google Contacts, Thunderbird and other address books write, without regard to
// case, blanks or punctuation. Any other column is not imported.
ColumnMapping MapHeader(std::span<const std::string> header);

// The contact each row gives under the mapping, worked out once for all rows.
class RowContacts {
public:
    // The columns of each target, in column order.
    using TargetColumns =
        std::array<std::vector<std::size_t>, static_cast<std::size_t>(ColumnTarget::LastName) + 1>;

    explicit RowContacts(const ColumnMapping& mapping);
    // The row's contact, or nothing when the row fills no field.
    std::optional<Contact> operator()(const CsvRow& row) const;

private:
    TargetColumns columns_;
};

// The contacts the rows give under the mapping (columns beyond it are not imported). Several
// columns of one target join: e-mail addresses with "; ", address lines with ", ", history
// texts as lines; of several columns for any other field the first that holds text counts.
// A row that fills no field gives no contact.
std::vector<Contact> ContactsFromRows(std::span<const CsvRow> rows, const ColumnMapping& mapping);

}  // namespace exchange
