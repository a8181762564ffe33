#include "common/running_program.h"

#include <memory>

#include "app/client_list.h"
#include "app/main_window.h"
#include "common/sample_folder.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace bench {

namespace {

struct Program {
    testing::TempAppFolder folder;
    bool running = false;
};

std::unique_ptr<Program>& TheProgram() {
    static std::unique_ptr<Program> program;
    return program;
}

}  // namespace

bool StartFullProgram() {
    auto& program = TheProgram();
    if (!program) {
        program = std::make_unique<Program>();
        if (WriteSampleFolder(program->folder.path(), FullTable, HistoryBytes, true)) {
            testing::StartProgram(program->folder);
            program->running = app::MainWindow.ClientCount == FullTable;
        }
    }
    return program->running;
}

void StopFullProgram() {
    auto& program = TheProgram();
    if (!program) return;
    testing::StopProgram();
    program.reset();
}

}  // namespace bench
