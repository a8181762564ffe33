#include "support/store_hooks.h"

#include "store/data_folder.h"
#include "support/seam_stack.h"

namespace testing {

namespace {

SeamStack<store::FileCalls>& FileCallsSeam() {
    static SeamStack<store::FileCalls> seam(
        [](const store::FileCalls& calls) { store::SetFileCalls(calls); },
        // Setting the calls is the only way to read them: put back what was found.
        [] {
            const store::FileCalls current = store::SetFileCalls(store::SystemFileCalls());
            store::SetFileCalls(current);
            return current;
        });
    return seam;
}

SeamStack<std::string>& DataFolderSeam() {
    static SeamStack<std::string> seam(
        [](const std::string& folder) { store::SetDataFolder(folder); }, store::DataFolder);
    return seam;
}

}  // namespace

StoreHooks::~StoreHooks() {
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) (*undo)();
}

StoreHooks& StoreHooks::setFileCalls(const store::FileCalls& calls) {
    undo_.push_back(FileCallsSeam().replace(calls));
    return *this;
}

StoreHooks& StoreHooks::setDataFolder(const std::string& folder) {
    undo_.push_back(DataFolderSeam().replace(folder));
    return *this;
}

}  // namespace testing
