#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "details/details_window.h"
#include "store/client_record.h"

namespace details {

// A single-line box and the fixed text field of ClientRecord it shows.
struct BoundBox {
    int id;
    std::size_t offset;
    std::size_t width;
};

using Record = store::ClientRecord;

// The boxes 165..220 in id order, which is also the order they are shown and read in.
inline constexpr std::array<BoundBox, 12> RecordBoxes{{
    {ClientNameBox, offsetof(Record, ClientName), sizeof(Record::ClientName)},
    {AddressBox, offsetof(Record, Address), sizeof(Record::Address)},
    {CityBox, offsetof(Record, City), sizeof(Record::City)},
    {StateBox, offsetof(Record, State), sizeof(Record::State)},
    {ZipBox, offsetof(Record, Zip), sizeof(Record::Zip)},
    {ContactBox, offsetof(Record, Contact), sizeof(Record::Contact)},
    {PhoneBox, offsetof(Record, Phone), sizeof(Record::Phone)},
    {ExtBox, offsetof(Record, Ext), sizeof(Record::Ext)},
    {FaxBox, offsetof(Record, Fax), sizeof(Record::Fax)},
    {CellBox, offsetof(Record, Cell), sizeof(Record::Cell)},
    {GatekeeperBox, offsetof(Record, Gatekeeper), sizeof(Record::Gatekeeper)},
    {EMailBox, offsetof(Record, EMail), sizeof(Record::EMail)},
}};

// The field's text as shown: NULs and blanks trimmed, decoded.
std::string BoundText(const store::ClientRecord& record, const BoundBox& box);
// Stores text into the field: trimmed, cut to the field's width, padded with blanks.
void StoreBoundText(store::ClientRecord& record, const BoundBox& box, const std::string& text);

// The date picker and the Action box are usable only while "&Follow up" is ticked.
void EnableFollowUpControls(bool enabled);

}  // namespace details
