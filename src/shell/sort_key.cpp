#include "shell/sort_key.h"

namespace shell {

SortKey ActiveSortKey = ClientNameKey;

}  // namespace shell
