#include "store/client_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <string_view>

#include "store/client_import.h"
#include "store/client_numbers.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace store {

SlotTable ClientTable{};
Settings ProgramSettings{};
ClientRecord CurrentRecord{};
std::int32_t CurrentSlot = 0;
std::int32_t CurrentClientNumber = 0;
std::int32_t SaveNeeded = 0;

namespace {

char* TableBytes() {
    return reinterpret_cast<char*>(ClientTable.data());
}

static_assert(sizeof(ClientTable) == FileSize);

// An empty record is all zero bytes, so one memset empties the table, not one per record.
static_assert(std::bit_cast<std::array<char, RecordSize>>(EmptyRecord()) ==
              std::array<char, RecordSize>{});
void EmptyTable() {
    std::memset(TableBytes(), 0, FileSize);
}

void MakeNewTable() {
    EmptyTable();
    for (int i = 1; i <= MaxClients; ++i) ClientTable[i].ClientNumber = i;
}

}  // namespace

std::string DataFilePath() {
    return DataFolder() + DataFileName;
}

LoadOutcome LoadClientTable(std::string* reason) {
    const std::string path = DataFilePath();
    switch (KindOfPath(path, reason)) {
        case PathKind::Unusable:
            EmptyTable();
            return LoadOutcome::Unreadable;
        case PathKind::File: {
            // The file is read straight into the table. A short file fills the table as far
            // as it reaches; the rest is empty (an empty record is all zero bytes). Bytes past
            // the table's size are ignored.
            const std::span<char> table(TableBytes(), FileSize);
            const auto filled = ReadFileInto(path, table);
            if (!filled) {
                if (reason) *reason = LastFileError();
                EmptyTable();
                return LoadOutcome::Unreadable;
            }
            std::fill(table.begin() + std::ptrdiff_t(*filled), table.end(), '\0');
            // The slots past the file's end are all zero: free, and numbered as a block.
            const auto emptyFrom = static_cast<int>((*filled + RecordSize - 1) / RecordSize);
            // A damaged file may hold any value here; every reader takes "in use" as 1.
            for (int i = 1; i < emptyFrom; ++i) {
                ClientTable[i].InUse = ClientTable[i].InUse > 0;
            }
            std::memcpy(&ProgramSettings, TableBytes(), sizeof(Settings));
            // Histories of an import cut short take their names now, or go, before any number
            // is given anew.
            SettlePendingHistories();
            if (AssignClientNumbers(emptyFrom)) SaveNeeded = 1;
            return LoadOutcome::Loaded;
        }
        case PathKind::Nothing:
            break;
    }
    MakeNewTable();
    SettlePendingHistories();
    SaveNeeded = 1;
    if (DataWritable()) SaveClientTable();
    return AnyHistoryFiles() ? LoadOutcome::CreatedBesideHistories : LoadOutcome::Created;
}

bool SaveClientTable() {
    if (SaveNeeded == 0) return true;
    if (!DataWritable()) return false;
    PrepareForWriting();
    char* slotZero = TableBytes();
    std::memcpy(slotZero, &ProgramSettings, sizeof(Settings));
    std::memset(slotZero + SettingsBlankStart, ' ', SettingsBlankLength);
    if (!ReplaceFileSafely(DataFilePath(), std::string_view(TableBytes(), FileSize))) {
        return false;
    }
    SaveNeeded = 0;
    return true;
}

void ResetClientStore() {
    ResetDataFolder();
    EmptyTable();
    ProgramSettings = Settings{};
    CurrentRecord = EmptyRecord();
    CurrentSlot = 0;
    CurrentClientNumber = 0;
    SaveNeeded = 0;
}

}  // namespace store
