#include "common/qt_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include "common/running_program.h"

namespace bench {

int RunWithApplication(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    StopFullProgram();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
