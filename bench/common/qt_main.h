#pragma once

namespace bench {

// Runs the benchmarks named on the command line inside a QApplication on the offscreen
// platform (unless QT_QPA_PLATFORM names another), as the windows and the print layer need.
int RunWithApplication(int argc, char** argv);

}  // namespace bench
