// A backup of the full data folder beside a plain copy of the same files into a new folder (what
// "cp -r" does: read, create, write and close each, flushing nothing). The first backup copies
// every file and flushes them to the disk; a following one links the files the backup before it
// already holds. Its budget: the first backup of the full folder (2000 clients, 2 KB histories)
// within 1 s; one flush of the disk at its end meets it, on the program's one thread.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "common/paired.h"
#include "common/sample_folder.h"
#include "store/backups.h"
#include "store/data_folder.h"

namespace {

class FullFolder {
public:
    FullFolder() {
        ok_ = folder_.isValid() &&
              bench::WriteSampleFolder(folder_.path().toStdString(), bench::FullTable,
                                       bench::HistoryBytes, true);
        names_ = QDir(QString::fromStdString(store::DataFolder())).entryList(QDir::Files);
    }
    bool ok() const { return ok_ && names_.size() == bench::FullTable + 1; }
    const QStringList& names() const { return names_; }
    // A new name beside the data folder each time. Nothing is removed while the benchmark runs:
    // the disk's allocator searches past thousands of inodes freed moments before, which slows
    // every file made next (measured at 20 to 40 times on ext4), and would be timed too.
    std::string freshFolder(const std::string& what) {
        return folder_.path().toStdString() + "/" + what + "-" + std::to_string(++made_) + "/";
    }

private:
    QTemporaryDir folder_;
    bool ok_ = false;
    QStringList names_;
    int made_ = 0;
};

FullFolder& Folder() {
    static FullFolder folder;
    return folder;
}

// Puts the folder out of the way (see freshFolder).
void MoveAway(std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    const std::string away = Folder().freshFolder("Moved");
    std::rename(folder.c_str(), away.substr(0, away.size() - 1).c_str());
}

bool CopyFile(const std::string& from, const std::string& to, std::vector<char>& buffer) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = in >= 0 && out >= 0;
    ssize_t got = 0;
    while (ok && (got = ::read(in, buffer.data(), buffer.size())) > 0) {
        ok = ::write(out, buffer.data(), static_cast<std::size_t>(got)) == got;
    }
    if (in >= 0) ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok && got == 0;
}

bool PlainCopy(const std::string& from, const std::string& to) {
    if (::mkdir(to.c_str(), 0700) != 0) return false;
    std::vector<char> buffer(1 << 20);
    for (const QString& name : Folder().names()) {
        if (!CopyFile(from + name.toStdString(), to + name.toStdString(), buffer)) return false;
    }
    return true;
}

// Argument 0: no backup before it; 1: the backup before it holds the same files.
void BM_Backup(benchmark::State& state) {
    if (!Folder().ok()) return state.SkipWithError("the sample folder could not be written");
    const bool following = state.range(0) == 1;
    const std::string data = store::DataFolder();
    std::string copy;
    MoveAway(store::BackupsFolder());
    if (following && !store::MakeBackup(store::BackupReason::BeforeImport).ok) {
        return state.SkipWithError("the first backup failed");
    }
    std::string made;
    bool failed = false;
    bench::RunPaired(
        state,
        [&] {
            copy = Folder().freshFolder("Copy");
            if (!following) MoveAway(store::BackupsFolder());
            if (!made.empty()) MoveAway(made);
            made.clear();
        },
        [&] {
            const store::BackupResult result = store::MakeBackup(store::BackupReason::BeforeImport);
            made = result.folder;
            failed = !result.ok || failed;
        },
        [&] { failed = !PlainCopy(data, copy) || failed; });
    if (failed) state.SkipWithError("a backup or a copy failed");
}
BENCHMARK(BM_Backup)
    ->ArgName("following")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
