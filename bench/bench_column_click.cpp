// A click on a column header of the main list with the full table: the table sorted by the
// column and the 2000 rows put into the real list of the real main window, beside the sort
// alone.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "app/client_list.h"
#include "common/paired.h"
#include "common/qt_main.h"
#include "common/running_program.h"
#include "shell/sort_key.h"

namespace {

void SortBy(int column) {
    shell::ActiveSortKey = app::ColumnSortKeys[static_cast<std::size_t>(column)];
    app::SortClientTable();
}

// Before each click the table is in the order of another column, as it is when the user
// clicks a header other than the one the list is sorted by.
void ClickFromOtherOrder(benchmark::State& state, bool waitForScreen) {
    if (!bench::StartFullProgram()) return state.SkipWithError("the program did not start");
    const int column = static_cast<int>(state.range(0));
    const int previous = (column + 1) % static_cast<int>(app::ColumnSortKeys.size());
    bench::RunPaired(
        state,
        [&] {
            SortBy(previous);
            QCoreApplication::processEvents();
        },
        [&] {
            SortBy(column);
            app::FillClientList();
            if (waitForScreen) QCoreApplication::processEvents();
        },
        [&] { SortBy(column); });
}

// Sort and refill: what the click's handler does.
void BM_ColumnClick(benchmark::State& state) {
    ClickFromOtherOrder(state, false);
}
BENCHMARK(BM_ColumnClick)
    ->ArgName("column")
    ->DenseRange(0, 4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same, until the visible rows have been painted anew.
void BM_ColumnClickOnScreen(benchmark::State& state) {
    ClickFromOtherOrder(state, true);
}
BENCHMARK(BM_ColumnClickOnScreen)
    ->ArgName("column")
    ->DenseRange(0, 4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
