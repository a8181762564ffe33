#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace testing {

// One seam of the program as the living test hooks share it. Each replacement is stacked on
// the ones before it; taking one out, in whatever order the hooks end, installs the latest
// replacement still standing, or else what the seam held before the first one. So an inner
// hooks object never leaves behind a stand-in that an outer one has already given back.
template <typename Value>
class SeamStack {
public:
    using Install = std::function<void(const Value&)>;
    // What the seam holds while no replacement stands.
    using Current = std::function<Value()>;

    SeamStack(Install install, Current current)
        : install_(std::move(install)), current_(std::move(current)) {}
    SeamStack(const SeamStack&) = delete;
    SeamStack& operator=(const SeamStack&) = delete;

    // Installs the value; the returned function takes this replacement out again.
    std::function<void()> replace(Value value) {
        if (standing_.empty()) before_ = current_();
        const int id = ++lastId_;
        standing_.push_back({id, value});
        install_(value);
        return [this, id] { takeOut(id); };
    }

private:
    struct Replacement {
        int id;
        Value value;
    };

    void takeOut(int id) {
        std::erase_if(standing_, [id](const Replacement& r) { return r.id == id; });
        install_(standing_.empty() ? before_ : standing_.back().value);
    }

    Install install_;
    Current current_;
    Value before_{};
    std::vector<Replacement> standing_;
    int lastId_ = 0;
};

}  // namespace testing
