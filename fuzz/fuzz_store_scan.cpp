// Any bytes as "Clients.dat" through the store and scan layers alone, without a window: the
// load (the store's own reader, served from memory), a sort by the key the file remembers and
// a click on a column title, the list's texts in the list's model, the user's scan over
// every known day and the start-up scan that rolls past-due follow-ups forward, and the image
// a save writes, kept in memory and loaded back. Several times as many inputs a second as
// fuzz_clients_file, which runs the whole program for each.

#include <QLatin1StringView>
#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/client_list.h"
#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "fuzz_program.h"
#include "memory_data_file.h"
#include "platform/gui/list_model.h"
#include "shell/sort_key.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace {

using store::ClientRecord;
using store::ClientTable;
using store::MaxClients;
using store::RecordSize;
using Table = store::SlotTable;
using fuzzing::Require;

// The same day as the runs of the whole program: 16 March 2026.
followup::DayNumber Today = 0;

// As at a new start, but the table keeps the previous input's bytes: a load must replace them
// all, and emptying them first would hide one that leaves some behind.
void StartOverTheStore() {
    store::ProgramSettings = store::Settings{};
    store::CurrentRecord = store::EmptyRecord();
    store::CurrentSlot = 0;
    store::CurrentClientNumber = 0;
    store::SaveNeeded = 0;
}

// What the client table must hold after the latest step; static, since a table is 696,348
// bytes. Only the leading slots the file's bytes reach can hold more than a number: every
// slot past them loads empty and free, and stays so, in its place, through the sorts, the
// scans and the save. So each step compares the reached slots and the numbers of all, and
// the unreached slots are checked whole once, after the saved image is loaded back: the save
// writes the table whole and the load reads the image whole, so bytes a step left there show
// then. A file of 16 KiB costs a fortieth of a whole table per step.
Table& Expected() {
    static Table table;
    return table;
}

// How many leading slots the input's bytes reach; slot 0, which a save writes, always counts.
int ReachedSlots = 1;
// How many leading slots of Expected() may hold more than a number (the previous input's).
int DirtySlots = 0;
// The most slots any input so far reached.
int ReachedEver = 1;

// Byte compares of the checker's own statics, of known size: without the sanitizers' checks
// of every word and every pointer step, which cost more than the compare, nor the coverage
// hooks on every loop step (the fuzzer is to learn from the program, not from its checker).
__attribute__((no_sanitize("address", "undefined", "coverage"))) bool SameBytes(const void* a,
                                                                                const void* b,
                                                                                std::size_t size) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    std::uint64_t differ = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t u = 0;
        std::uint64_t v = 0;
        std::memcpy(&u, x + i, 8);
        std::memcpy(&v, y + i, 8);
        differ |= u ^ v;
    }
    for (; i < size; ++i) differ |= x[i] ^ y[i];
    return differ == 0;
}

__attribute__((no_sanitize("address", "undefined", "coverage"))) bool AllZero(const void* bytes,
                                                                              std::size_t size) {
    const auto* x = static_cast<const unsigned char*>(bytes);
    std::uint64_t set = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t u = 0;
        std::memcpy(&u, x + i, 8);
        set |= u;
    }
    for (; i < size; ++i) set |= x[i];
    return set == 0;
}

// The reached slots of two tables are byte for byte the same.
bool SameReachedSlots(const Table& a, const Table& b) {
    return SameBytes(a.data(), b.data(), static_cast<std::size_t>(ReachedSlots) * RecordSize);
}

// A client number or slot as an index into the arrays kept by number.
std::size_t At(std::int32_t number) {
    return static_cast<std::size_t>(number);
}

bool IsClientNumber(std::int32_t number) {
    return number >= 1 && number <= MaxClients;
}

// Every slot the file did not reach is as expected: free, empty, with the number it was given
// at the load. (Past the reach, Expected() holds nothing but those numbers.)
void RequireUnreachedSlotsEmpty(const char* what) {
    const auto reached = static_cast<std::size_t>(ReachedSlots);
    Require(SameBytes(&ClientTable[reached], &Expected()[reached],
                      (store::TableSlots - reached) * RecordSize),
            what);
}

// Every byte as the file holds it (zeros past a short one), but "in use" made 0 or 1 and the
// client numbers made unique in 1..2000, a client keeping the valid number no client before
// it holds; a table whose numbers changed must be saved.
__attribute__((no_sanitize("coverage"))) void RequireLoadedAsTheFileSays(std::string_view input) {
    const std::size_t slotsReached = (input.size() + RecordSize - 1) / RecordSize;
    ReachedSlots = static_cast<int>(std::clamp<std::size_t>(slotsReached, 1, store::TableSlots));
    Table& expected = Expected();
    auto* bytes = reinterpret_cast<char*>(expected.data());
    const std::size_t reached = static_cast<std::size_t>(ReachedSlots) * RecordSize;
    const std::size_t filled = std::min(input.size(), reached);
    if (filled > 0) std::memcpy(bytes, input.data(), filled);
    // Past the reached slots, what the previous input left becomes empty again.
    const std::size_t dirty = static_cast<std::size_t>(DirtySlots) * RecordSize;
    std::memset(bytes + filled, 0, std::max(reached, dirty) - filled);
    DirtySlots = ReachedSlots;
    ReachedEver = std::max(ReachedEver, ReachedSlots);
    Require(std::memcmp(&store::ProgramSettings, bytes, sizeof(store::Settings)) == 0,
            "the settings are not the file's first 36 bytes");
    std::array<bool, MaxClients + 1> numberSeen{};
    std::array<bool, MaxClients + 1> numberClaimed{};
    bool renumbered = false;
    for (int slot = 1; slot <= MaxClients; ++slot) {
        const ClientRecord& loaded = ClientTable[slot];
        ClientRecord& stored = expected[slot];
        // Past the reach the file holds no number; the previous input's numbers go.
        if (slot >= ReachedSlots) stored.ClientNumber = 0;
        Require(loaded.InUse == (stored.InUse > 0 ? 1 : 0), "'in use' is not 0 or 1 after a load");
        Require(IsClientNumber(loaded.ClientNumber) && !numberSeen[At(loaded.ClientNumber)],
                "a client number is out of 1..2000 or held by two slots after a load");
        numberSeen[At(loaded.ClientNumber)] = true;
        renumbered = renumbered || loaded.ClientNumber != stored.ClientNumber;
        if (loaded.InUse != 0 && IsClientNumber(stored.ClientNumber)) {
            Require(numberClaimed[At(stored.ClientNumber)] ||
                        loaded.ClientNumber == stored.ClientNumber,
                    "a client lost a number no client before it held");
            numberClaimed[At(stored.ClientNumber)] = true;
        }
        stored.InUse = loaded.InUse;
        stored.ClientNumber = loaded.ClientNumber;
    }
    Require(SameReachedSlots(ClientTable, expected), "a load changed bytes the file holds");
    Require((store::SaveNeeded != 0) == renumbered,
            "a renumbered table is not marked for saving, or an unchanged one is");
}

const unsigned char* KeyBytes(const ClientRecord& record, shell::SortKey key) {
    return reinterpret_cast<const unsigned char*>(&record) + (key.start - 1);
}

bool KeyInsideRecord(shell::SortKey key) {
    return key.start >= 1 && key.length >= 1 &&
           std::int64_t{key.start} - 1 + key.length <= std::int64_t{store::RecordSize};
}

bool SameKey(shell::SortKey a, shell::SortKey b) {
    return a.start == b.start && a.length == b.length;
}

// The clients fill slots 1..n in the key's byte order, equal keys and the free slots keeping
// their order from before the sort, and every slot holds a record from before it, whole.
// The unreached slots, all free and after every reached one, stay where they are: a client
// moved there leaves a gap among the reached slots, and a free slot moved there changes the
// numbers checked after the reload.
__attribute__((no_sanitize("coverage"))) void RequireSortedBy(shell::SortKey key) {
    Require(KeyInsideRecord(key), "a sort used a key reaching outside the record");
    Table& expected = Expected();
    static Table reordered;  // only its reached slots are used
    std::array<std::int16_t, MaxClients + 1> slotBefore{};
    int clients = 0;
    for (int slot = 1; slot < ReachedSlots; ++slot) {
        slotBefore[At(expected[slot].ClientNumber)] = static_cast<std::int16_t>(slot);
        clients += expected[slot].InUse;
    }
    std::array<bool, MaxClients + 1> numberSeen{};
    for (int slot = 1; slot < ReachedSlots; ++slot) {
        const ClientRecord& record = ClientTable[slot];
        Require((record.InUse != 0) == (slot <= clients),
                "the clients are not in slots 1..n after a sort");
        Require(IsClientNumber(record.ClientNumber) && !numberSeen[At(record.ClientNumber)],
                "a sort lost or doubled a record");
        numberSeen[At(record.ClientNumber)] = true;
        const int from = slotBefore[At(record.ClientNumber)];
        Require(from != 0, "a sort moved a slot the file does not reach");
        reordered[slot] = expected[from];
        if (slot == 1 || slot == clients + 1) continue;  // the first client or free slot
        const ClientRecord& previous = ClientTable[slot - 1];
        const int order = slot > clients
                              ? 0
                              : std::memcmp(KeyBytes(previous, key), KeyBytes(record, key),
                                            static_cast<std::size_t>(key.length));
        Require(order < 0 || (order == 0 && slotBefore[At(previous.ClientNumber)] < from),
                "a sort is not in the key's byte order, or not stable");
    }
    std::copy(reordered.begin() + 1, reordered.begin() + ReachedSlots, expected.begin() + 1);
    Require(SameReachedSlots(ClientTable, expected), "a sort changed a record");
}

// As at a start that remembers the last column, with whatever key the file holds: one that
// reaches outside a record gives way to the client name.
void SortByRememberedKey() {
    const shell::SortKey remembered{store::ProgramSettings.SortKeyStart,
                                    store::ProgramSettings.SortKeyLength};
    shell::ActiveSortKey = remembered;
    app::SortClientTable();
    Require(SameKey(shell::ActiveSortKey,
                    KeyInsideRecord(remembered) ? remembered : shell::ClientNameKey),
            "a sort dropped a good key, or kept one reaching outside the record");
    RequireSortedBy(shell::ActiveSortKey);
}

int CountClients() {
    int clients = 0;
    while (clients < MaxClients && ClientTable[clients + 1].InUse != 0) ++clients;
    return clients;
}

// One column title per input, chosen by its last byte: clicking all five for every input
// would spend most of the run sorting, and the fuzzer varies that byte anyway.
void ClickColumnTitleChosenBy(std::string_view input) {
    const int column = input.empty() ? 0
                                     : static_cast<unsigned char>(input.back()) %
                                           static_cast<int>(app::ColumnSortKeys.size());
    store::SaveNeeded = 0;
    gui::NMLISTVIEW click;
    click.hdr.code = gui::LVN_COLUMNCLICK;
    click.iSubItem = column;
    Require(app::ColumnClickHook(app::MainWindow.FormHandle, gui::WM_NOTIFY, 0, &click) == 1,
            "a column click was not taken");
    const shell::SortKey key = app::ColumnSortKeys[static_cast<std::size_t>(column)];
    Require(SameKey(shell::ActiveSortKey, key) &&
                SameKey({store::ProgramSettings.SortKeyStart, store::ProgramSettings.SortKeyLength},
                        key) &&
                store::SaveNeeded == 1,
            "a column click did not keep its column's key for the next start");
    RequireSortedBy(key);
    Require(app::MainWindow.ClientCount == CountClients(),
            "the list's count is not the number of clients");
}

bool HasHighByte(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
}

// The five texts of a client's row, as the list shows them.
std::array<std::string, 5> RowTexts(const ClientRecord& client) {
    return {store::FieldText(client.ClientName), store::FieldText(client.Contact),
            store::FieldText(client.Phone), store::FieldText(client.Ext),
            store::FieldText(client.Gatekeeper)};
}

// The stored fields behind them, as the record holds them.
std::array<std::string_view, 5> RowFields(const ClientRecord& client) {
    const auto bytes = [](const auto& field) {
        return std::string_view(field.data(), field.size());
    };
    return {bytes(client.ClientName), bytes(client.Contact), bytes(client.Phone), bytes(client.Ext),
            bytes(client.Gatekeeper)};
}

// The list's rows as its model keeps them: each client's five texts, readable, and given back
// as they went in; a text with characters beyond ASCII stores back as the bytes it came from.
__attribute__((no_sanitize("coverage"))) void RequireListModelShowsClients() {
    static gui::layer::RowsModel* const model = [] {
        auto* rows = new gui::layer::RowsModel;
        rows->setTitles({"Client", "Contact", "Phone", "Ext", "Gatekeeper"});
        return rows;
    }();
    const int clients = CountClients();
    // Worked out once for filling and checking. Local: what an input allocates, it frees, or
    // libFuzzer runs it again to look for a leak.
    std::vector<std::array<std::string, 5>> rows(static_cast<std::size_t>(clients));
    model->clear();
    model->beginBulk();
    for (int row = 0; row < clients; ++row) {
        auto& texts = rows[static_cast<std::size_t>(row)];
        texts = RowTexts(ClientTable[row + 1]);
        model->addRow(row, texts[0]);
        for (int column = 1; column < 5; ++column) model->setCell(row, column, texts[At(column)]);
    }
    model->endBulk();
    Require(model->rowCount() == clients, "the list's model does not hold a row per client");
    for (int row = 0; row < clients; ++row) {
        const auto& texts = rows[static_cast<std::size_t>(row)];
        const auto fields = RowFields(ClientTable[row + 1]);
        for (int column = 0; column < 5; ++column) {
            const QString shown =
                model->data(model->index(row, column), Qt::DisplayRole).toString();
            const std::string& text = texts[At(column)];
            // ASCII reads the same as Latin-1, which compares without a conversion.
            const auto length = static_cast<qsizetype>(text.size());
            Require(HasHighByte(text) ? shown.toStdString() == text
                                      : shown == QLatin1StringView(text.data(), length),
                    "the list's model changed a text");
            // The blanks and NULs trimmed off around a text are no characters beyond ASCII.
            if (!HasHighByte(fields[At(column)])) continue;
            Require(fuzzing::IsValidUtf8(text), "the list shows a broken character");
            Require(store::EncodeWindows1252(text) == store::TrimBlanksAndNuls(fields[At(column)]),
                    "a field's text does not store back as its bytes");
        }
    }
}

// Exactly the flagged clients due from first to last, whole, in table order; nothing else.
__attribute__((no_sanitize("coverage"))) void RequireScanFoundDueClients(followup::DayNumber first,
                                                                         followup::DayNumber last) {
    const auto& results = followup::ScanResults;
    int found = 0;
    bool same = true;
    for (int slot = 1; slot <= MaxClients && ClientTable[slot].InUse != 0; ++slot) {
        const ClientRecord& client = ClientTable[slot];
        if (client.FollowUpFlag == 0 || client.FollowUpDate < first || client.FollowUpDate > last) {
            continue;
        }
        ++found;
        same = same && SameBytes(&results[found], &client, RecordSize);
    }
    // A scan writes at most one row per client, and no input had clients past ReachedEver:
    // the rows after it were never written, so they need no look.
    const std::size_t unused =
        static_cast<std::size_t>(std::max(ReachedEver - 1 - found, 0)) * RecordSize;
    Require(found == followup::ScanResultCount && same && AllZero(&results[0], RecordSize) &&
                AllZero(results.data() + found + 1, unused),
            "the scan results are not the due clients in table order");
}

// The user's scan over every known day changes nothing.
void ScanEveryKnownDay() {
    followup::CollectFollowUps(followup::FirstDayOfWindow, followup::LastDayOfWindow, false);
    Require(SameReachedSlots(ClientTable, Expected()), "the user's scan changed the table");
    RequireScanFoundDueClients(followup::FirstDayOfWindow, followup::LastDayOfWindow);
}

// The start-up scan moves every flagged follow-up before today to today, and nothing else.
void ScanAtStart() {
    followup::CollectFollowUps(Today, Today, true);
    Table& expected = Expected();
    for (int slot = 1; slot <= MaxClients && expected[slot].InUse != 0; ++slot) {
        ClientRecord& client = expected[slot];
        if (client.FollowUpFlag != 0 && client.FollowUpDate < Today) client.FollowUpDate = Today;
    }
    Require(SameReachedSlots(ClientTable, expected),
            "the start-up scan changed more than the past-due follow-ups");
    RequireScanFoundDueClients(Today, Today);
}

// A save writes the table whole, its first 50 bytes being the settings and 14 blanks.
void RequireSaveWritesTheTable() {
    fuzzing::ForgetSavedDataFile();
    store::SaveNeeded = 1;
    Require(store::SaveClientTable() && store::SaveNeeded == 0, "a save failed or stayed pending");
    const std::string& image = fuzzing::SavedDataFile();
    Require(image.size() == store::FileSize, "the saved image is not 696,348 bytes");
    Require(std::memcmp(image.data(), &store::ProgramSettings, sizeof(store::Settings)) == 0,
            "the saved image does not begin with the settings");
    Require(image.compare(store::SettingsBlankStart, store::SettingsBlankLength,
                          std::string(store::SettingsBlankLength, ' ')) == 0,
            "the settings are not followed by 14 blanks");
    // The save wrote the settings into slot 0 as well, and changed nothing else. Past the
    // reached slots the image is checked when it is loaded back.
    Expected()[0] = ClientTable[0];
    Require(SameReachedSlots(ClientTable, Expected()), "a save changed a client");
    Require(SameBytes(image.data(), Expected().data(),
                      static_cast<std::size_t>(ReachedSlots) * RecordSize),
            "the saved image is not the table");
}

// What was saved loads back as it was, with nothing to renumber and nothing to save.
void RequireSavedImageLoadsBack() {
    const store::Settings settings = store::ProgramSettings;
    fuzzing::SetDataFileBytes(fuzzing::SavedDataFile());
    StartOverTheStore();
    Require(store::LoadClientTable() == store::LoadOutcome::Loaded &&
                SameReachedSlots(ClientTable, Expected()) &&
                std::memcmp(&settings, &store::ProgramSettings, sizeof settings) == 0 &&
                store::SaveNeeded == 0,
            "a saved table does not load back as it was saved");
    // What no step may have touched, checked whole once more, as it went through the save.
    RequireUnreachedSlotsEmpty("a saved table does not load back as it was saved");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Today = followup::DayNumberFromDate(3, 16, 2026);
    fuzzing::UseDataFileInMemory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    fuzzing::SetDataFileBytes(input);
    StartOverTheStore();
    Require(store::LoadClientTable() == store::LoadOutcome::Loaded, "the data file was not loaded");
    RequireLoadedAsTheFileSays(input);
    SortByRememberedKey();
    ClickColumnTitleChosenBy(input);
    RequireListModelShowsClients();
    ScanEveryKnownDay();
    ScanAtStart();
    RequireSaveWritesTheTable();
    RequireSavedImageLoadsBack();
    return 0;
}
