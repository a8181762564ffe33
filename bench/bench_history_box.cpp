// The history box of the details window with a large history: the text set into the box
// (EZ_SETTEXT, CR LF converted), laid out and painted, and one key typed into it, beside Qt's
// best case: the same number of characters in short lines set into a bare QPlainTextEdit,
// and the same key.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "common/paired.h"
#include "common/qt_main.h"
#include "platform/gui/ez.h"
#include "platform/gui/ez_harness.h"

namespace {

enum class Lines { Unbroken, WordsUnbroken, Short };

constexpr int ShortLine = 80;

// A history of about `bytes` bytes: one line without a blank, one line of words, or lines of
// 80 characters.
std::string History(std::size_t bytes, Lines lines) {
    std::string text;
    text.reserve(bytes + bytes / ShortLine * 2);
    const std::string word = lines == Lines::Unbroken ? "Followupcall" : "Follow up call ";
    while (text.size() < bytes) {
        text += word;
        if (lines == Lines::Short && text.size() % (ShortLine + 2) >= ShortLine) text += "\r\n";
    }
    return text;
}

void HistoryBox(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0)) << 20;
    const auto lines = static_cast<Lines>(state.range(1));
    const std::string text = History(bytes, lines);
    const QString shortLines = QString::fromStdString(History(bytes, Lines::Short))
                                   .replace(QLatin1String("\r\n"), QLatin1String("\n"));
    ezharness::Install();
    gui::EZ_DEFFONT(10, "Arial", 9, "V");
    ezharness::Open(
        "B",
        [] {
            gui::EZ_USEFONT(10);
            gui::EZ_TEXT(245, 1.5, 1, 57.75, 7.5, "", "EMSTV");
        },
        "", "CMK", 60.75, 10);
    auto* box = testing::Control<QPlainTextEdit>("B", 245);
    QPlainTextEdit bare;
    bare.setFont(box->font());
    bare.resize(box->size());
    bare.show();
    if (!box) return state.SkipWithError("the box was not made");
    std::vector<double> keys;  // the typed key alone, in seconds
    bench::RunPaired(
        state, [] { QCoreApplication::processEvents(); },
        [&] {
            gui::EZ_SETTEXT("B", 245, text);
            QCoreApplication::processEvents();
            const double typed = bench::Now();
            QTest::keyClick(box, Qt::Key_A);
            QCoreApplication::processEvents();
            keys.push_back(bench::Now() - typed);
        },
        [&] {
            bare.setPlainText(shortLines);
            QCoreApplication::processEvents();
            QTest::keyClick(&bare, Qt::Key_A);
            QCoreApplication::processEvents();
        });
    std::sort(keys.begin(), keys.end());
    if (!keys.empty()) state.counters["key_ms"] = keys[keys.size() / 2] * 1e3;
    if (gui::EZ_GETTEXT("B", 245) != "a" + text) state.SkipWithError("the text did not read back");
    ezharness::CloseAll({"B"});
}

// Arguments: megabytes, then 0 one line without blanks, 1 one line of words, 2 short lines.
void BM_HistoryBox(benchmark::State& state) {
    HistoryBox(state);
}
BENCHMARK(BM_HistoryBox)
    ->ArgNames({"MB", "lines"})
    ->ArgsProduct({{1, 10}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
