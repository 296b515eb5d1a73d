#include "BenchMain.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace stanor::bench {

int runWithApplication(int argc, char** argv, const std::function<void()>& beforeExit)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit)
        beforeExit();
    return 0;
}

}  // namespace stanor::bench
