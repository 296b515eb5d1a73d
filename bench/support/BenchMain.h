#pragma once
// The main of the benchmarks that need widgets.

#include <functional>

namespace stanor::bench {

// Runs the benchmarks named on the command line under a QApplication, on the
// offscreen platform unless QT_QPA_PLATFORM names another one. beforeExit
// runs once they are done, while the application object still lives (for
// the forms a benchmark keeps between its runs).
int runWithApplication(int argc, char** argv, const std::function<void()>& beforeExit = {});

}  // namespace stanor::bench
