// "Clients.dat" with the full table: the safe save beside a plain write, flush and rename of
// the same bytes, and the load beside a plain read of them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/paired.h"
#include "common/sample_folder.h"
#include "store/client_table.h"
#include "store/data_folder.h"

namespace {

// The folder with the full table and every client's history, as "Data/" is after long use.
class FullFolder {
public:
    FullFolder() {
        ok_ = folder_.isValid() &&
              bench::WriteSampleFolder(folder_.path().toStdString(), bench::FullTable,
                                       bench::HistoryBytes, true);
    }
    bool ok() const { return ok_; }

private:
    QTemporaryDir folder_;
    bool ok_ = false;
};

FullFolder& Folder() {
    static FullFolder folder;
    return folder;
}

std::string_view TableBytes() {
    return {reinterpret_cast<const char*>(store::ClientTable.data()), store::FileSize};
}

// What any program that keeps its file whole across a crash must do at the least: write the
// bytes to a new file, flush it to the disk and rename it over the old one.
bool PlainWriteFlushRename(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && !bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        ok = written > 0;
        if (ok) bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool PlainRead(const std::string& path, std::vector<char>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t have = 0;
    while (have < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + have, buffer.size() - have);
        if (got <= 0) break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return have == buffer.size();
}

void BM_SafeSave(benchmark::State& state) {
    if (!Folder().ok()) return state.SkipWithError("the sample folder could not be written");
    const std::string plainPath = store::DataFolder() + "Plain.dat";
    bool failed = false;
    bench::RunPaired(
        state, [] { store::SaveNeeded = 1; }, [&] { failed = !store::SaveClientTable() || failed; },
        [&] { failed = !PlainWriteFlushRename(plainPath, TableBytes()) || failed; });
    if (failed) state.SkipWithError("a write failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(store::FileSize));
}
BENCHMARK(BM_SafeSave)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    if (!Folder().ok()) return state.SkipWithError("the sample folder could not be written");
    store::SaveNeeded = 1;
    store::SaveClientTable();
    std::vector<char> buffer(store::FileSize);
    bool failed = false;
    bench::RunPaired(
        state, [] {},
        [&] { failed = store::LoadClientTable() == store::LoadOutcome::Unreadable || failed; },
        [&] { failed = !PlainRead(store::DataFilePath(), buffer) || failed; });
    if (failed) state.SkipWithError("a read failed");
}
BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
