#pragma once

#include <QTemporaryDir>

#include <string>

namespace testing {

// A fresh program folder for one test: AppPath points at it and its "Data/" folder exists.
class TempAppFolder {
public:
    TempAppFolder();
    std::string path() const;      // ends in "/"
    std::string dataPath() const;  // path() + "Data/"
    std::string dataFile() const;  // dataPath() + "Clients.dat"

private:
    QTemporaryDir dir_;
};

}  // namespace testing
