#pragma once

#include <vector>

#include "reports/report_style.h"
#include "store/client_record.h"

namespace bench {

// The clients of a report of all rows of the main list: slots 1..n, in list order.
std::vector<const store::ClientRecord*> AllListedClients();

}  // namespace bench
