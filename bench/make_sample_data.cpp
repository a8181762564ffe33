// Writes a program folder's "Data/" with a realistic table of clients and their histories, for
// looking at the program and for measuring it:  make_sample_data FOLDER [COUNT] [HISTORY_BYTES]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "followup/day_numbers.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/history.h"
#include "support/sample_clients.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT] [HISTORY_BYTES]\n", argv[0]);
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 2000;
    const long historyBytes = argc > 3 ? std::atol(argv[3]) : 0;
    app::AppPath = std::string(argv[1]) + "/";
    store::EnsureFolder(app::AppPath);
    store::EnsureFolder(app::DataFolder());
    followup::InitMonthLengths();

    store::ResetClientStore();
    for (int i = 1; i <= store::MaxClients; ++i) store::ClientTable[i].ClientNumber = i;
    const auto clients = testing::SampleClients(count, followup::TodayDayNumber());
    for (int i = 0; i < count && i < store::MaxClients; ++i) {
        store::ClientTable[i + 1] = clients[static_cast<std::size_t>(i)];
        store::ClientTable[i + 1].ClientNumber = i + 1;
        if (historyBytes > 0) {
            store::WriteHistory(i + 1, testing::SampleHistory(i, static_cast<std::size_t>(historyBytes)));
        }
    }
    store::ProgramSettings.LastStartScanDate = 0;
    store::SaveNeeded = 1;
    return store::SaveClientTable() ? 0 : 1;
}
