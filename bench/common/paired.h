#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <type_traits>
#include <vector>

namespace bench {

// Seconds on the steady clock, for timing one piece of work.
double Now();

// The program's work and the physical limit it is judged against, timed in turns in one run,
// so that a busy moment of a shared machine falls on both alike. The benchmark's own time is
// the program's; the counters give both medians and their ratio.
class PairedTimes {
public:
    void add(double programSeconds, double limitSeconds);
    // Sets program_ms, limit_ms (medians of the iterations) and ratio (program / limit).
    void report(benchmark::State& state) const;

private:
    std::vector<double> program_;
    std::vector<double> limit_;
};

// Runs the benchmark's iterations: each one does the program's work and the limit's, in
// alternating order; prepare (untimed) runs before each of them. A program that returns a
// double gives its own time in seconds (for work whose end it notes itself). Register with
// UseManualTime().
template <typename Prepare, typename Program, typename Limit>
void RunPaired(benchmark::State& state, Prepare prepare, Program program, Limit limit) {
    PairedTimes times;
    bool programFirst = true;
    for (auto _ : state) {
        double programSeconds = 0;
        double limitSeconds = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool programTurn = (turn == 0) == programFirst;
            prepare();
            const double start = Now();
            if (programTurn) {
                if constexpr (std::is_same_v<std::invoke_result_t<Program>, double>) {
                    programSeconds = program();
                } else {
                    program();
                    programSeconds = Now() - start;
                }
            } else {
                limit();
                limitSeconds = Now() - start;
            }
        }
        programFirst = !programFirst;
        times.add(programSeconds, limitSeconds);
        state.SetIterationTime(programSeconds);
    }
    times.report(state);
}

}  // namespace bench
