#include "store/client_table.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "app/app_state.h"
#include "store/files.h"

namespace store {

std::array<ClientRecord, TableSlots> ClientTable{};
Settings ProgramSettings{};
ClientRecord CurrentRecord{};
std::int32_t CurrentSlot = 0;
std::int32_t CurrentClientNumber = 0;
std::int32_t SaveNeeded = 0;

namespace {

char* TableBytes() { return reinterpret_cast<char*>(ClientTable.data()); }

static_assert(sizeof(ClientTable) == FileSize);

void MakeNewTable() {
    ClientTable.fill(EmptyRecord());
    for (int i = 1; i <= MaxClients; ++i) ClientTable[i].ClientNumber = i;
}

}  // namespace

std::string DataFilePath() { return app::DataFolder() + DataFileName; }

bool LoadClientTable() {
    const std::string path = DataFilePath();
    if (FileExists(path)) {
        // The file is read straight into the table. A short file fills the table as far as
        // it reaches; the rest is empty (an empty record is all zero bytes). Bytes past the
        // table's size are ignored.
        const std::span<char> table(TableBytes(), FileSize);
        const auto filled = ReadFileInto(path, table);
        std::fill(table.begin() + std::ptrdiff_t(filled.value_or(0)), table.end(), '\0');
        // A damaged file may hold any value here; every reader takes "in use" as 1.
        for (int i = 1; i <= MaxClients; ++i) ClientTable[i].InUse = ClientTable[i].InUse > 0;
        std::memcpy(&ProgramSettings, TableBytes(), sizeof(Settings));
        return filled.has_value();
    }
    MakeNewTable();
    SaveNeeded = 1;
    SaveClientTable();
    return true;
}

bool SaveClientTable() {
    if (SaveNeeded == 0) return true;
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
    ClientTable.fill(EmptyRecord());
    ProgramSettings = Settings{};
    CurrentRecord = EmptyRecord();
    CurrentSlot = 0;
    CurrentClientNumber = 0;
    SaveNeeded = 0;
}

}  // namespace store
