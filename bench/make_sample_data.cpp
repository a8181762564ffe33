// Writes a program folder's "Data/" with a realistic table of clients and their histories, for
// looking at the program and for measuring it:
//   make_sample_data FOLDER [COUNT] [HISTORY_BYTES] [--scanned-today]
// With --scanned-today the table records that today's start-up scan has run, so that a start
// on it opens no results window (as the start-up measurements need).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/sample_folder.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    bool scannedToday = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--scanned-today") {
            scannedToday = true;
        } else {
            arguments.push_back(argument);
        }
    }
    if (arguments.empty()) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT] [HISTORY_BYTES] [--scanned-today]\n",
                     argv[0]);
        return 2;
    }
    const int count = arguments.size() > 1 ? std::atoi(arguments[1].c_str()) : bench::FullTable;
    const long historyBytes = arguments.size() > 2 ? std::atol(arguments[2].c_str()) : 0;
    return bench::WriteSampleFolder(arguments[0], count,
                                    static_cast<std::size_t>(historyBytes > 0 ? historyBytes : 0),
                                    scannedToday)
               ? 0
               : 1;
}
