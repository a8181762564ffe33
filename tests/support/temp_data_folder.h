#pragma once

#include <QTemporaryDir>

#include <string>

namespace testing {

// A fresh program folder for one test: its "Data/" folder exists and is the store's data folder.
class TempDataFolder {
public:
    TempDataFolder();
    std::string path() const;      // ends in "/"
    std::string dataPath() const;  // path() + "Data/"
    std::string dataFile() const;  // dataPath() + "Clients.dat"

private:
    QTemporaryDir dir_;
};

}  // namespace testing
