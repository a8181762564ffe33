#pragma once

#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace testing {

// The real program running in a folder for the length of a scope: started on construction,
// stopped (every window closed, the table saved) before the folder goes away, so declare it
// after the folder. While it runs, the program file seems to live in the folder.
class ProgramSession {
public:
    explicit ProgramSession(const TempAppFolder& folder) {
        hooks_.setAppFolder(folder.path());
        StartProgram(folder);
    }
    ~ProgramSession() { StopProgram(); }
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

private:
    Hooks hooks_;
};

}  // namespace testing
