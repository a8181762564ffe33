#include "common/report_run.h"

#include "app/client_list.h"
#include "app/main_window.h"
#include "store/client_table.h"

namespace bench {

std::vector<const store::ClientRecord*> AllListedClients() {
    std::vector<const store::ClientRecord*> clients;
    for (int row = 0; row < app::MainWindow.ClientCount && row < store::MaxClients; ++row) {
        clients.push_back(&store::ClientTable[static_cast<std::size_t>(row) + 1]);
    }
    return clients;
}

}  // namespace bench
