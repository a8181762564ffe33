#include "common/sample_folder.h"

#include "followup/day_numbers.h"
#include "shell/app_state.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"
#include "support/sample_clients.h"
#include "support/temp_app_folder.h"

namespace bench {

bool WriteSampleFolder(const std::string& folder, int count, std::size_t historyBytes,
                       bool scannedToday) {
    testing::UseAppPath(folder.empty() || folder.back() == '/' ? folder : folder + "/");
    store::EnsureFolder(shell::AppPath);
    store::SetDataFolder(shell::AppPath + store::DataFolderName);
    store::EnsureFolder(store::DataFolder());

    store::ResetClientStore();
    for (int i = 1; i <= store::MaxClients; ++i) store::ClientTable[i].ClientNumber = i;
    const followup::DayNumber today = followup::TodayDayNumber();
    const auto clients = testing::SampleClients(count, today);
    bool written = true;
    for (int i = 0; i < count && i < store::MaxClients; ++i) {
        store::ClientTable[i + 1] = clients[static_cast<std::size_t>(i)];
        store::ClientTable[i + 1].ClientNumber = i + 1;
        if (historyBytes > 0) {
            written =
                store::WriteHistory(i + 1, testing::SampleHistory(i, historyBytes)) && written;
        }
    }
    store::ProgramSettings.LastStartScanDate = scannedToday ? today : 0;
    store::SaveNeeded = 1;
    return store::SaveClientTable() && written;
}

}  // namespace bench
