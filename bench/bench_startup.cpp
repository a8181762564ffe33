// Start-up with the full table: from process start to the main window shown and idle, beside
// a bare Qt Widgets window started the same way, and the peak memory of both. Each start is a
// new process of startup_harness (built beside this program), on the offscreen platform.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/paired.h"
#include "common/sample_folder.h"

extern char** environ;

namespace {

struct Start {
    bool ok = false;
    double seconds = 0;  // process start to the first idle moment with the window shown
    double peakMb = 0;   // VmHWM at that moment
};

std::string HarnessPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "startup_harness")
        .string();
}

long long SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Start RunHarness(std::vector<std::string> arguments) {
    Start start;
    int pipe[2];
    if (::pipe(pipe) != 0) return start;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    posix_spawn_file_actions_addclose(&actions, pipe[1]);
    const std::string harness = HarnessPath();
    arguments.insert(arguments.begin(), harness);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    const long long begun = SteadyNanoseconds();
    const int spawned =
        posix_spawn(&child, harness.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string output;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    if (spawned != 0) return start;
    int status = 0;
    ::waitpid(child, &status, 0);
    long long idle = 0;
    long peakKb = 0;
    if (std::sscanf(output.c_str(), "%lld %ld", &idle, &peakKb) != 2) return start;
    start.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && idle > begun;
    start.seconds = static_cast<double>(idle - begun) / 1e9;
    start.peakMb = static_cast<double>(peakKb) / 1024.0;
    return start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void StartUpBeside(benchmark::State& state, const std::string& limitMode) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir folder;
    if (!folder.isValid() ||
        !bench::WriteSampleFolder(folder.path().toStdString(), bench::FullTable,
                                  bench::HistoryBytes, true)) {
        return state.SkipWithError("the sample folder could not be written");
    }
    const std::vector<std::string> program{"program", folder.path().toStdString()};
    const std::vector<std::string> bare{limitMode};
    // The first starts fill the file cache and the font cache for both.
    for (int warm = 0; warm < 2; ++warm) {
        if (!RunHarness(program).ok || !RunHarness(bare).ok) {
            return state.SkipWithError("startup_harness failed");
        }
    }

    bench::PairedTimes times;
    std::vector<double> programPeaks;
    std::vector<double> barePeaks;
    bool programFirst = true;
    for (auto _ : state) {
        Start ours;
        Start theirs;
        if (programFirst) {
            ours = RunHarness(program);
            theirs = RunHarness(bare);
        } else {
            theirs = RunHarness(bare);
            ours = RunHarness(program);
        }
        programFirst = !programFirst;
        if (!ours.ok || !theirs.ok) return state.SkipWithError("startup_harness failed");
        times.add(ours.seconds, theirs.seconds);
        programPeaks.push_back(ours.peakMb);
        barePeaks.push_back(theirs.peakMb);
        state.SetIterationTime(ours.seconds);
    }
    times.report(state);
    state.counters["program_MB"] = Median(programPeaks);
    state.counters["limit_MB"] = Median(barePeaks);
    state.counters["extra_MB"] = Median(programPeaks) - Median(barePeaks);
}

// The limit: a bare window that shows nothing at all.
void BM_StartUp(benchmark::State& state) {
    StartUpBeside(state, "bare");
}
BENCHMARK(BM_StartUp)->UseManualTime()->Unit(benchmark::kMillisecond);

// The limit: the same bare window with one line of text, which costs it the font set-up that
// every window with a word on it pays.
void BM_StartUpBesideTextWindow(benchmark::State& state) {
    StartUpBeside(state, "bare-text");
}
BENCHMARK(BM_StartUpBesideTextWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
