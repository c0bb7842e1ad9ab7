#pragma once

#include <benchmark/benchmark.h>

#include <QtGlobal>

namespace telvora::bench {

/// A benchmark program's main: an `Application` (QGuiApplication for fonts and text
/// layout, QApplication for widgets) on the offscreen platform unless told otherwise.
template<typename Application>
int runOffscreenBenchmarks(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace telvora::bench
