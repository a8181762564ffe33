// The follow-up scan for today over the full table, as at start-up (past-due follow-ups are
// moved to today first), beside one pass that copies every record; and the same scan with
// its results window opened on the real main window.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <array>
#include <cstring>

#include "common/paired.h"
#include "common/qt_main.h"
#include "common/running_program.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"

namespace {

using Table = store::SlotTable;

// The table as loaded, with its past-due follow-ups, put back before every scan.
const Table& LoadedTable() {
    static const Table table = store::ClientTable;
    return table;
}

void RestoreTable() {
    store::ClientTable = LoadedTable();
}

// The least a scan can cost: every record read once and copied once.
void CopyEveryRecord() {
    static Table copy;
    std::memcpy(copy.data(), store::ClientTable.data(), sizeof copy);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
}

void BM_CollectFollowUps(benchmark::State& state) {
    if (!bench::StartFullProgram()) return state.SkipWithError("the program did not start");
    LoadedTable();
    const followup::DayNumber today = followup::TodayDayNumber();
    bench::RunPaired(
        state, RestoreTable, [&] { followup::CollectFollowUps(today, today, true); },
        CopyEveryRecord);
    state.counters["found"] = followup::ScanResultCount;
    RestoreTable();
}
BENCHMARK(BM_CollectFollowUps)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The start-up scan with its results window, until the window has been painted; beside the
// scan's table work alone.
void BM_ScanFollowUpsWithResultsWindow(benchmark::State& state) {
    if (!bench::StartFullProgram()) return state.SkipWithError("the program did not start");
    LoadedTable();
    gui::SetMessageBoxAnswerer([](const gui::MessageBoxRequest&) { return 1; });
    const followup::DayNumber today = followup::TodayDayNumber();
    bench::RunPaired(
        state,
        [] {
            if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
            RestoreTable();
        },
        [&] {
            followup::ScanFollowUps(today, today, shell::MainForm, 0);
            QCoreApplication::processEvents();
        },
        [&] { followup::CollectFollowUps(today, today, true); });
    state.counters["found"] = followup::ScanResultCount;
    if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);
    gui::SetMessageBoxAnswerer({});
    RestoreTable();
}
BENCHMARK(BM_ScanFollowUpsWithResultsWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
