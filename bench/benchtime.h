// What the benchmarks share: the best of a few timed runs.
#pragma once

#include <algorithm>
#include <chrono>

using TBenchClock = std::chrono::steady_clock;

// Seconds the fastest of Runs calls of Work took.
template <class TWork>
double BestSeconds(int Runs, TWork Work)
{
    double Best = 1e30;
    for (int Run = 0; Run < Runs; ++Run) {
        const auto Start = TBenchClock::now();
        Work();
        Best = std::min(Best, std::chrono::duration<double>(TBenchClock::now() - Start).count());
    }
    return Best;
}
