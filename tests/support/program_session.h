#pragma once

#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace testing {

// The real program running in a folder for the length of a scope: started on construction,
// stopped (every window closed, the table saved) before the folder goes away, so declare it
// after the folder.
class ProgramSession {
public:
    explicit ProgramSession(const TempAppFolder& folder) { StartProgram(folder); }
    ~ProgramSession() { StopProgram(); }
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;
};

}  // namespace testing
