#pragma once
// How every benchmark of windows starts: offscreen unless the caller chose a platform (a run
// on a real display is how a figure is checked against what a user sees), inside the toolkit's
// application, then Google Benchmark's own run.
#include "toolkit/Application.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace benchsupport {

// `prepare` runs once the application exists, before the first benchmark.
inline int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& prepare = {})
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    if (prepare)
        prepare();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchsupport
