#pragma once

#include <string>

#include "store/client_record.h"

namespace testing {

// A client record with the given fields (stored as the details window stores them).
store::ClientRecord MakeClient(const std::string& name, const std::string& contact = "",
                               const std::string& phone = "", const std::string& ext = "",
                               const std::string& gatekeeper = "");

}  // namespace testing
