#pragma once

#include <cstdint>

namespace shell {

// A sort key: the run of a record's stored bytes from start (counted from 1) of length bytes.
struct SortKey {
    std::int32_t start;
    std::int32_t length;
};

// The client name, the main list's first column and its order when nothing else was chosen.
inline constexpr SortKey ClientNameKey{1, 50};

// The key the main list is ordered by now; the options window remembers it when asked to.
extern SortKey ActiveSortKey;

}  // namespace shell
