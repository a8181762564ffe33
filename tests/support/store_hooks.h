#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/files.h"

namespace testing {

// The store's seams for a test: the system calls under every read, write and removal, and
// the data folder. A StoreHooks installs what it is told for as long as it lives and on
// destruction gives back what its replacements found; seams it was never told about are left
// alone. The store's own tests use it alone; Hooks installs the same seams through one.
class StoreHooks {
public:
    StoreHooks() = default;
    ~StoreHooks();
    StoreHooks(const StoreHooks&) = delete;
    StoreHooks& operator=(const StoreHooks&) = delete;

    // Every read, write and removal of the store goes through these calls.
    StoreHooks& setFileCalls(const store::FileCalls& calls);
    // The clients and their histories are read from and saved in this folder (ending in "/").
    StoreHooks& setDataFolder(const std::string& folder);

private:
    std::vector<std::function<void()>> undo_;
};

}  // namespace testing
