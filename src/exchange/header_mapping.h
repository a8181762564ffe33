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
// Extra keeps the column's values in the history under the column's name; a ValueType column
// names the type of the values in the columns beside it ("Phone 1 - Type" for "Phone 1 -
// Value"), which decides the field they fill.
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
    Extra,
    ValueType,
};

// Every target, in the order a choice of them is offered.
inline constexpr std::array<ColumnTarget, 21> ColumnTargets{
    ColumnTarget::NotImported, ColumnTarget::Client,       ColumnTarget::Address,
    ColumnTarget::City,        ColumnTarget::State,        ColumnTarget::Zip,
    ColumnTarget::Contact,     ColumnTarget::FirstName,    ColumnTarget::MiddleName,
    ColumnTarget::LastName,    ColumnTarget::Phone,        ColumnTarget::Ext,
    ColumnTarget::Fax,         ColumnTarget::Cell,         ColumnTarget::Gatekeeper,
    ColumnTarget::EMail,       ColumnTarget::FollowUpDate, ColumnTarget::FollowUpAction,
    ColumnTarget::History,     ColumnTarget::Extra,        ColumnTarget::ValueType};

// The target as the user reads it: a name of FieldNames, "Contact: first name", ... or
// "(not imported)".
std::string_view ColumnTargetName(ColumnTarget target);

// One target per column of the table, in the columns' order, and the columns' names: they
// label the values kept in the history and pair a column of types with its values.
struct ColumnMapping : std::vector<ColumnTarget> {
    std::vector<std::string> names;
};

// The target of each column, found by its name: the program's own FieldNames, and the columns
// that Outlook, Google Contacts, Thunderbird and other address books write, without regard to
// case, blanks or punctuation. Columns of values the program has no field for but a user
// wants kept (a title, a home phone, a birthday) are kept in the history; any other column is
// not imported.
ColumnMapping MapHeader(std::span<const std::string> header);

// The contact each row gives under the mapping, worked out once for all rows.
//
// Several columns of one target join: e-mail addresses with "; ", address lines with ", ",
// history texts as lines; of several columns for any other field the first that holds text
// counts and the others' texts are kept in the history. A cell may hold several values joined
// with " ::: " (as Google Contacts writes them): each counts on its own. A column with a type
// column beside it gives each value to the field its type names: a phone to Phone, Cell or Fax
// or, as "Home phone", to the history; a relation of type Assistant to Gatekeeper; of several
// address groups the work one (else the first) fills the address fields, the others are kept
// in the history. A leading apostrophe that keeps a spreadsheet from reading a text as a
// formula ("'=x", as CsvText writes it) is dropped.
class RowContacts {
public:
    // What a column gives.
    struct Column {
        ColumnTarget target = ColumnTarget::NotImported;
        std::string label;  // what the history calls its values
        // The column naming its values' types, and what kind of values they are ("phone",
        // "email", "relation", "address", ... as its name says); none without one.
        std::size_t typeColumn = NoColumn;
        std::string kind;
    };
    static constexpr std::size_t NoColumn = static_cast<std::size_t>(-1);

    explicit RowContacts(const ColumnMapping& mapping);
    // The row's contact, or nothing when the row fills no field.
    std::optional<Contact> operator()(const CsvRow& row) const;

private:
    std::vector<Column> columns_;
};

// The contacts the rows give under the mapping (columns beyond it are not imported), as
// RowContacts makes them. A row that fills no field gives no contact.
std::vector<Contact> ContactsFromRows(std::span<const CsvRow> rows, const ColumnMapping& mapping);

}  // namespace exchange
