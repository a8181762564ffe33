#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace store {

static_assert(std::endian::native == std::endian::little,
              "the data file holds little-endian integers and is read as one block");

constexpr int MaxClients = 2000;  // client slots 1..2000; slot 0 holds the settings
constexpr int TableSlots = MaxClients + 1;
constexpr std::size_t RecordSize = 348;
constexpr std::size_t FileSize = RecordSize * TableSlots;  // 696,348 bytes

// Fixed-width text: Windows-1252 bytes padded with blanks, no terminator; NULs where never
// written.
template <std::size_t N>
using Text = std::array<char, N>;

// One client, byte for byte as in "Clients.dat". The integers sit at unaligned offsets in
// the file, hence the packing.
#pragma pack(push, 1)
struct ClientRecord {
    Text<50> ClientName;
    Text<50> Address;
    Text<30> City;
    Text<2> State;
    Text<10> Zip;
    Text<30> Contact;
    Text<12> Phone;
    Text<4> Ext;
    Text<12> Fax;
    Text<12> Cell;
    Text<30> Gatekeeper;
    Text<60> EMail;
    std::int32_t FollowUpFlag;
    std::int32_t FollowUpDate;
    Text<30> FollowUpAction;
    std::int32_t ClientNumber;
    std::int32_t InUse;
};

// The nine program options and bookkeeping values kept in the first bytes of slot 0.
struct Settings {
    std::int32_t DefaultPrintStyle;
    std::int32_t PreviewBeforePrint;
    std::int32_t NoScanOnStart;
    std::int32_t RememberSortColumn;
    std::int32_t ConfirmExit;
    std::int32_t LastStartScanDate;
    std::int32_t SortKeyStart;
    std::int32_t SortKeyLength;
    std::int32_t RollPastDueForward;
};
#pragma pack(pop)

static_assert(sizeof(ClientRecord) == RecordSize);
static_assert(offsetof(ClientRecord, ClientName) == 0);
static_assert(offsetof(ClientRecord, Address) == 50);
static_assert(offsetof(ClientRecord, City) == 100);
static_assert(offsetof(ClientRecord, State) == 130);
static_assert(offsetof(ClientRecord, Zip) == 132);
static_assert(offsetof(ClientRecord, Contact) == 142);
static_assert(offsetof(ClientRecord, Phone) == 172);
static_assert(offsetof(ClientRecord, Ext) == 184);
static_assert(offsetof(ClientRecord, Fax) == 188);
static_assert(offsetof(ClientRecord, Cell) == 200);
static_assert(offsetof(ClientRecord, Gatekeeper) == 212);
static_assert(offsetof(ClientRecord, EMail) == 242);
static_assert(offsetof(ClientRecord, FollowUpFlag) == 302);
static_assert(offsetof(ClientRecord, FollowUpDate) == 306);
static_assert(offsetof(ClientRecord, FollowUpAction) == 310);
static_assert(offsetof(ClientRecord, ClientNumber) == 340);
static_assert(offsetof(ClientRecord, InUse) == 344);
static_assert(sizeof(Settings) == 36);

// A whole table of slots, as "Clients.dat" holds it: slot 0 the settings, 1..2000 the clients.
// Slots are numbered with the file's signed integers, so a slot number indexes it as it is.
struct SlotTable : std::array<ClientRecord, TableSlots> {
    using Slots = std::array<ClientRecord, TableSlots>;
    using Slots::operator[];
    ClientRecord& operator[](std::int32_t slot) {
        return Slots::operator[](static_cast<std::size_t>(slot));
    }
    const ClientRecord& operator[](std::int32_t slot) const {
        return Slots::operator[](static_cast<std::size_t>(slot));
    }
};
static_assert(sizeof(SlotTable) == FileSize);

constexpr std::size_t SettingsBlankStart = sizeof(Settings);  // 14 blanks follow the settings
constexpr std::size_t SettingsBlankLength = 14;

// A zero-filled record: every field empty, free, number 0.
constexpr ClientRecord EmptyRecord() {
    return ClientRecord{};
}

}  // namespace store
