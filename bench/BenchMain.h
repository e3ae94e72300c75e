#pragma once

#include <QCoreApplication>

#include <benchmark/benchmark.h>

// The main() of every benchmark program: an application of the kind its
// benchmarks need (covers want a QGuiApplication, a window a QApplication),
// the benchmarks asked for, then `afterwards` while the application lives.
template <typename Application = QCoreApplication>
int runBenchmarks(int argc, char** argv, void (*afterwards)() = nullptr) {
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (afterwards)
        afterwards();
    return 0;
}
