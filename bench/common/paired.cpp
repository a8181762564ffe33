#include "common/paired.h"

#include <algorithm>

namespace bench {

namespace {

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 != 0) return *middle;
    const double upper = *middle;
    const double lower = *std::max_element(values.begin(), middle);
    return (lower + upper) / 2;
}

}  // namespace

double Now() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

void PairedTimes::add(double programSeconds, double limitSeconds) {
    program_.push_back(programSeconds);
    limit_.push_back(limitSeconds);
}

void PairedTimes::report(benchmark::State& state) const {
    const double program = Median(program_);
    const double limit = Median(limit_);
    state.counters["program_ms"] = program * 1e3;
    state.counters["limit_ms"] = limit * 1e3;
    state.counters["ratio"] = limit > 0 ? program / limit : 0;
}

}  // namespace bench
