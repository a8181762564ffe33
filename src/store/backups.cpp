#include "store/backups.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>

#include "store/client_record.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

// A backup being built, or one being removed, waits under a name of this form; whatever still
// carries it when the next backup starts was cut short and is cleared.
constexpr std::string_view HiddenPrefix = ".incomplete-";
// Sorts in time order as text; dots, since a colon cannot stand in a file name everywhere.
constexpr const char* TimeFormat = "yyyy-MM-dd HH.mm.ss";
constexpr std::size_t TimeLength = 19;
// Up to this many copied files are flushed one by one; beyond it one flush of the whole disk
// costs far less than thousands of single ones.
constexpr std::size_t FlushEachUpTo = 64;

struct ReasonName {
    BackupReason reason;
    std::string_view words;
};
constexpr std::array<ReasonName, 4> ReasonNames{{
    {BackupReason::Daily, "daily"},
    {BackupReason::BeforeImport, "before import"},
    {BackupReason::BeforeRestore, "before restore"},
    {BackupReason::BeforeDelete, "before delete"},
}};

// A backup as its folder name tells it: made at `when`, the `sequence`-th in that second.
struct NamedBackup {
    std::string name;
    QDateTime when;
    int sequence = 1;
    BackupReason reason = BackupReason::Daily;
};

std::string SystemWords(int error) {
    return std::strerror(error);
}

BackupResult Failed(const std::string& error) {
    return {false, error.empty() ? SystemWords(EIO) : error, {}};
}

bool IsDataFileName(std::string_view name) {
    if (name == DataFileName) return true;
    // "C" + four digits + ".dat", as HistoryFileName writes them, damaged numbers included.
    return name.size() == 9 && name.front() == 'C' && name.ends_with(".dat") &&
           std::all_of(name.begin() + 1, name.begin() + 5,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The names of the folder's entries that pass the filter, sorted.
template <typename Filter>
std::vector<std::string> EntryNames(const std::string& folder, Filter filter) {
    std::vector<std::string> names;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && filter(name)) names.emplace_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// "Clients.dat" and the history files in a folder: normal files only.
std::vector<std::string> DataFileNames(const std::string& folder) {
    return EntryNames(folder, [&folder](std::string_view name) {
        return IsDataFileName(name) && FileExists(folder + std::string(name));
    });
}

std::optional<NamedBackup> ParseBackupName(const std::string& name) {
    if (name.size() < TimeLength + 2) return std::nullopt;
    NamedBackup backup;
    backup.name = name;
    backup.when = QDateTime::fromString(QString::fromStdString(name.substr(0, TimeLength)),
                                        QString::fromLatin1(TimeFormat));
    if (!backup.when.isValid()) return std::nullopt;
    std::string_view rest = std::string_view(name).substr(TimeLength);
    if (rest.front() == '-') {
        const auto blank = rest.find(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        const std::string digits(rest.substr(1, blank - 1));
        if (digits.empty() || digits.size() > 4 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        backup.sequence = std::atoi(digits.c_str());
        rest.remove_prefix(blank);
    }
    if (rest.front() != ' ') return std::nullopt;
    rest.remove_prefix(1);
    const auto named = std::find_if(ReasonNames.begin(), ReasonNames.end(),
                                    [rest](const ReasonName& r) { return r.words == rest; });
    if (named == ReasonNames.end()) return std::nullopt;
    backup.reason = named->reason;
    return backup;
}

// Every folder in "Backups/" named as a backup, newest first.
std::vector<NamedBackup> NamedBackups() {
    const std::string backups = BackupsFolder();
    std::vector<NamedBackup> found;
    for (const std::string& name :
         EntryNames(backups, [](std::string_view n) { return !n.starts_with(HiddenPrefix); })) {
        if (!IsFolder(backups + name)) continue;
        if (auto backup = ParseBackupName(name)) found.push_back(std::move(*backup));
    }
    std::sort(found.begin(), found.end(), [](const NamedBackup& a, const NamedBackup& b) {
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
    return found;
}

// The in-use records of a "Clients.dat"; nothing when it cannot be read.
std::optional<int> CountClients(const std::string& path) {
    const auto table = std::make_unique<SlotTable>();
    const std::span<char> bytes(reinterpret_cast<char*>(table->data()), FileSize);
    if (!FileExists(path) || !ReadFileInto(path, bytes)) return std::nullopt;
    return static_cast<int>(std::count_if(table->begin() + 1, table->end(),
                                          [](const ClientRecord& r) { return r.InUse > 0; }));
}

bool FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = CurrentFileCalls().flush(fd) == 0;
    ::close(fd);
    return flushed;
}

// Removes a folder and the files in it; true when it is gone.
bool RemoveFolder(const std::string& folder) {
    const FileCalls calls = CurrentFileCalls();
    for (const std::string& name : EntryNames(folder, [](std::string_view) { return true; })) {
        calls.remove((folder + "/" + name).c_str());
    }
    return ::rmdir(folder.c_str()) == 0;
}

// What a backup cut short, or a removal cut short, left behind.
void ClearLeftovers(const std::string& backups) {
    for (const std::string& name :
         EntryNames(backups, [](std::string_view n) { return n.starts_with(HiddenPrefix); })) {
        if (IsFolder(backups + name)) RemoveFolder(backups + name);
    }
}

// A new file holding the bytes, which only the user may read: nothing ever writes into a
// backup, and its files may be shared with later backups.
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& error) {
    const FileCalls calls = CurrentFileCalls();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0400);
    if (fd < 0) {
        error = SystemWords(errno);
        return false;
    }
    bool written = true;
    while (written && !bytes.empty()) {
        const ssize_t count = calls.write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            // A write that takes nothing would loop for ever; the disk is as good as full.
            error = SystemWords(count < 0 ? errno : ENOSPC);
            written = false;
        } else {
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
    }
    if (calls.close(fd) != 0 && written) {
        error = SystemWords(errno);
        written = false;
    }
    return written;
}

// Makes sure the copied files' bytes reached the disk.
bool FlushFiles(const std::vector<std::string>& paths, const std::string& folder,
                std::string& error) {
    const FileCalls calls = CurrentFileCalls();
    if (paths.size() > FlushEachUpTo) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool flushed = fd >= 0 && ::syncfs(fd) == 0;
        if (!flushed) error = SystemWords(errno);
        if (fd >= 0) ::close(fd);
        return flushed;
    }
    for (const std::string& path : paths) {
        const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool flushed = fd >= 0 && calls.flush(fd) == 0;
        if (!flushed) error = SystemWords(errno);
        if (fd >= 0) calls.close(fd);
        if (!flushed) return false;
    }
    return true;
}

// True when the file holds exactly these bytes.
bool HoldsBytes(const std::string& path, std::string_view bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) != bytes.size()) {
        return false;
    }
    const auto held = ReadFileBytes(path, bytes.size());
    return held && *held == bytes;
}

std::string FolderName(const QDateTime& when, int sequence, BackupReason reason) {
    std::string name = when.toString(QString::fromLatin1(TimeFormat)).toStdString();
    if (sequence > 1) name += "-" + std::to_string(sequence);
    return name + " " + BackupReasonWords(reason);
}

// A name no backup has: the sequence counts the backups made within the same second.
std::string NewBackupName(const QDateTime& when, BackupReason reason) {
    const QDateTime second = when.addMSecs(-when.time().msec());
    int sequence = 1;
    for (const NamedBackup& backup : NamedBackups()) {
        if (backup.when == second) sequence = std::max(sequence, backup.sequence + 1);
    }
    while (::access((BackupsFolder() + FolderName(second, sequence, reason)).c_str(), F_OK) == 0)
        ++sequence;
    return FolderName(second, sequence, reason);
}

// Writes the files copied so far out to the disk on a thread of its own, a batch at a time,
// while the later ones are still being copied: the flush at the end then waits for little more
// than the last batch. Without a thread to be had, that flush writes every file.
class BatchWriter {
public:
    explicit BatchWriter(const std::string& folder) {
        try {
            thread_ = std::jthread([this, folder] { Run(folder); });
        } catch (const std::system_error&) {
        }
    }
    BatchWriter(const BatchWriter&) = delete;
    BatchWriter& operator=(const BatchWriter&) = delete;
    // Ends the writing once its syncfs under way is done.
    ~BatchWriter() {
        stopping_ = true;
        batches_.fetch_add(1);
        batches_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    void FileCopied() {
        if (++copied_ % BatchFiles != 0) return;
        batches_.fetch_add(1);
        batches_.notify_one();
    }

private:
    void Run(const std::string& folder) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        std::size_t seen = 0;
        while (true) {
            batches_.wait(seen);
            seen = batches_.load();
            if (stopping_) break;
            // Only a head start: a failure here is met again by the flush at the end.
            ::syncfs(fd);
        }
        ::close(fd);
    }

    static constexpr std::size_t BatchFiles = 256;
    std::size_t copied_ = 0;
    std::atomic<std::size_t> batches_{0};
    std::atomic<bool> stopping_{false};
    std::jthread thread_;
};

// Fills the folder being built with the data folder's files. A file whose bytes the previous
// backup holds already is linked to its copy there rather than copied again: backups share
// unchanged files and take little room, and nothing ever writes into a backup's files. Links
// to the data folder's own files would be undone by an editor that writes a file in place.
bool FillBackup(const std::string& building, const std::vector<std::string>& names,
                std::string& error) {
    const std::string data = DataFolder();
    const auto backups = NamedBackups();
    const std::string previous =
        backups.empty() ? std::string() : BackupsFolder() + backups.front().name + "/";
    std::vector<std::string> copied;
    // Started with the first file copied: a backup that links every file needs none.
    std::optional<BatchWriter> writer;
    for (const std::string& name : names) {
        const auto bytes = ReadFileBytes(data + name, LargestHistory);
        if (!bytes) {
            error = LastFileError();
            return false;
        }
        if (!previous.empty() && HoldsBytes(previous + name, *bytes) &&
            ::link((previous + name).c_str(), (building + name).c_str()) == 0) {
            continue;
        }
        if (!WriteNewFile(building + name, *bytes, error)) return false;
        copied.push_back(building + name);
        if (!writer && names.size() > FlushEachUpTo) writer.emplace(building);
        if (writer) writer->FileCopied();
    }
    writer.reset();
    if (!FlushFiles(copied, building, error)) return false;
    if (!FlushFolder(building)) {
        error = SystemWords(errno);
        return false;
    }
    return true;
}

QDate WeekStart(const QDate& date) {
    return date.addDays(1 - date.dayOfWeek());
}

}  // namespace

std::string BackupReasonWords(BackupReason reason) {
    for (const ReasonName& named : ReasonNames) {
        if (named.reason == reason) return std::string(named.words);
    }
    return {};
}

std::string BackupsFolder() {
    std::string data = DataFolder();
    while (!data.empty() && data.back() == '/') data.pop_back();
    const auto slash = data.find_last_of('/');
    const std::string parent =
        slash == std::string::npos ? std::string() : data.substr(0, slash + 1);
    return parent + BackupsFolderName;
}

BackupResult MakeBackup(BackupReason reason, const QDateTime& now) {
    if (!DataWritable()) return Failed(ReadOnlyReason());
    // The daily backup keeps the files as the last run left them, before anything changes.
    if (reason != BackupReason::Daily && SaveNeeded != 0 && !SaveClientTable()) {
        return Failed(LastFileError());
    }
    const std::vector<std::string> names = DataFileNames(DataFolder());
    if (std::find(names.begin(), names.end(), DataFileName) == names.end()) return {};

    const std::string backups = BackupsFolder();
    EnsureFolder(backups);
    ClearLeftovers(backups);
    std::string building = backups + std::string(HiddenPrefix) + "XXXXXX";
    // mkdtemp makes the folder for the user alone.
    if (::mkdtemp(building.data()) == nullptr) return Failed(SystemWords(errno));
    std::string error;
    const std::string target = backups + NewBackupName(now, reason);
    const FileCalls calls = CurrentFileCalls();
    if (!FillBackup(building + "/", names, error)) {
        RemoveFolder(building);
        return Failed(error);
    }
    if (calls.rename(building.c_str(), target.c_str()) != 0) {
        error = SystemWords(errno);
        RemoveFolder(building);
        return Failed(error);
    }
    FlushFolder(backups);
    PruneBackups(now);
    return {true, {}, target + "/"};
}

bool DailyBackupDue(const QDate& today) {
    const auto backups = NamedBackups();
    return std::none_of(backups.begin(), backups.end(), [&today](const NamedBackup& b) {
        return b.reason == BackupReason::Daily && b.when.date() == today;
    });
}

BackupResult MakeDailyBackupIfDue(const QDateTime& now) {
    if (!DailyBackupDue(now.date())) return {};
    return MakeBackup(BackupReason::Daily, now);
}

void PruneBackups(const QDateTime& now) {
    if (!DataWritable()) return;
    const QDate today = now.date();
    const QDate oldestWeek = WeekStart(today).addDays(-7 * (KeptWeeklyBackups - 1));
    const QDate oldestEventDay = today.addDays(1 - KeptEventBackupDays);
    int dailies = 0;
    int events = 0;
    std::set<QDate> weeks;
    std::vector<std::string> removed;
    for (const NamedBackup& backup : NamedBackups()) {
        const QDate day = backup.when.date();
        bool keep = false;
        if (backup.reason == BackupReason::Daily) {
            keep = dailies++ < KeptDailyBackups;
            // Newest first: the first daily backup seen of a week is that week's newest.
            const QDate week = WeekStart(day);
            if (week >= oldestWeek && weeks.insert(week).second) keep = true;
        } else {
            keep = events++ < KeptEventBackupsAtLeast || day >= oldestEventDay;
        }
        if (!keep) removed.push_back(backup.name);
    }
    if (removed.empty()) return;
    // Each goes under a hidden name first, so a removal cut short never leaves a backup that
    // lists with some of its files gone.
    const std::string backups = BackupsFolder();
    const FileCalls calls = CurrentFileCalls();
    std::vector<std::string> hidden;
    for (const std::string& name : removed) {
        const std::string to = backups + std::string(HiddenPrefix) + name;
        if (calls.rename((backups + name).c_str(), to.c_str()) == 0) hidden.push_back(to);
    }
    FlushFolder(backups);
    for (const std::string& folder : hidden) RemoveFolder(folder);
}

std::vector<Backup> ListBackups() {
    std::vector<Backup> listed;
    const std::string backups = BackupsFolder();
    for (const NamedBackup& named : NamedBackups()) {
        const std::string folder = backups + named.name + "/";
        const auto clients = CountClients(folder + DataFileName);
        if (!clients) continue;
        listed.push_back({folder, named.when, named.reason, *clients});
    }
    return listed;
}

BackupResult RestoreBackup(const Backup& backup, const QDateTime& now) {
    if (!DataWritable()) return Failed(ReadOnlyReason());
    // The whole backup is read before anything changes: one that cannot be read restores
    // nothing.
    const std::vector<std::string> names = DataFileNames(backup.folder);
    if (std::find(names.begin(), names.end(), DataFileName) == names.end()) {
        return Failed(SystemWords(ENOENT));
    }
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& name : names) {
        auto bytes = ReadFileBytes(backup.folder + name, LargestHistory);
        if (!bytes) return Failed(LastFileError());
        files.emplace_back(name, std::move(*bytes));
    }
    // The table last: until it is in place, the clients on file are the present ones.
    std::stable_partition(files.begin(), files.end(),
                          [](const auto& file) { return file.first != DataFileName; });

    BackupResult result = MakeBackup(BackupReason::BeforeRestore, now);
    if (!result.ok) return result;
    // A restore cut short still names the backup that undoes what it changed.
    const auto cutShort = [&result] {
        BackupResult failed = Failed(LastFileError());
        failed.folder = result.folder;
        return failed;
    };
    PrepareForWriting();
    const std::string data = DataFolder();
    for (const auto& [name, bytes] : files) {
        if (HoldsBytes(data + name, bytes)) continue;
        if (!ReplaceFileSafely(data + name, bytes)) return cutShort();
    }
    std::vector<std::string> extra;
    for (const std::string& name : DataFileNames(data)) {
        if (!std::binary_search(names.begin(), names.end(), name)) extra.push_back(data + name);
    }
    if (!extra.empty() && !RemoveFiles(extra)) return cutShort();
    return result;
}

}  // namespace store
