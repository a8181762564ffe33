#include "store/backups.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string_view>

#include "store/client_record.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/data_swap.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

// A backup being built, or one being removed, waits under a name of this form; whatever still
// carries it when the next backup starts was cut short and is cleared.
constexpr std::string_view HiddenPrefix = ".incomplete-";
// Dots, since a colon cannot stand in a file name everywhere.
constexpr const char* TimeFormat = "yyyy-MM-dd HH.mm.ss";
constexpr std::size_t TimeLength = 19;
// The stamp in each backup: the number of its making, one above the highest before it.
constexpr const char* StampName = ".made";
constexpr std::size_t LargestStamp = 32;
// A notice names this many files that could not be read, and counts the others.
constexpr std::size_t NamedFilesAtMost = 3;

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

// A backup as its folder tells it: made at `when`, the `sequence`-th in that second, the
// `made`-th of all (0: made before backups were numbered, older than every numbered one).
struct NamedBackup {
    std::string name;
    QDateTime when;
    int sequence = 1;
    BackupReason reason = BackupReason::Daily;
    long long made = 0;
};

// A history file that could not be read, and why.
struct Unread {
    std::string path;
    std::string why;
};

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string SystemWords(int error) {
    return std::strerror(error);
}

BackupResult Failed(const std::string& error) {
    return {false, error.empty() ? SystemWords(EIO) : error, {}, {}, {}};
}

std::string WithoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string LastPart(const std::string& path) {
    const std::string bare = WithoutSlash(path);
    return bare.substr(bare.find_last_of('/') + 1);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsPlainFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

// "Clients.dat" and the history files in the data folder: normal files, or links to them.
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

// The number in a backup's stamp; 0 when it has none that reads as one.
long long ReadStamp(const std::string& folder) {
    const auto bytes = ReadFileBytes(folder + StampName, LargestStamp);
    if (!bytes) return 0;
    char* end = nullptr;
    const long long made = std::strtoll(bytes->c_str(), &end, 10);
    return end != bytes->c_str() && made > 0 ? made : 0;
}

// Every folder in "Backups/" named as a backup, the last made first; without `inOrder`, as
// listed and with no stamp read (a start asks only whether today's backup is there).
std::vector<NamedBackup> NamedBackups(bool inOrder = true) {
    const std::string backups = BackupsFolder();
    std::vector<NamedBackup> found;
    for (const std::string& name :
         EntryNames(backups, [](std::string_view n) { return !n.starts_with(HiddenPrefix); })) {
        if (!IsFolder(backups + name)) continue;
        if (auto backup = ParseBackupName(name)) {
            if (inOrder) backup->made = ReadStamp(backups + name + "/");
            found.push_back(std::move(*backup));
        }
    }
    if (!inOrder) return found;
    std::sort(found.begin(), found.end(), [](const NamedBackup& a, const NamedBackup& b) {
        if (a.made != b.made) return a.made > b.made;
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
    return found;
}

// The in-use records of a backup's "Clients.dat"; nothing when it cannot be read.
std::optional<int> CountClients(const std::string& path) {
    const auto table = std::make_unique<SlotTable>();
    const std::span<char> bytes(reinterpret_cast<char*>(table->data()), FileSize);
    if (!IsPlainFile(path) || !ReadFileInto(path, bytes)) return std::nullopt;
    return static_cast<int>(std::count_if(table->begin() + 1, table->end(),
                                          [](const ClientRecord& r) { return r.InUse > 0; }));
}

// Removes a folder and the files in it; true when it is gone.
bool RemoveFolder(const std::string& folder) {
    const FileCalls calls = CurrentFileCalls();
    const std::string bare = WithoutSlash(folder);
    for (const std::string& name : EntryNames(bare, [](std::string_view) { return true; })) {
        calls.remove((bare + "/" + name).c_str());
    }
    return calls.removeFolder(bare.c_str()) == 0;
}

// What a backup cut short, or a removal cut short, left behind.
void ClearLeftovers(const std::string& backups) {
    for (const std::string& name :
         EntryNames(backups, [](std::string_view n) { return n.starts_with(HiddenPrefix); })) {
        if (IsFolder(backups + name)) RemoveFolder(backups + name);
    }
}

// A new file holding the bytes, with the given permissions, flushed later with the others.
bool WriteNewFile(const std::string& path, std::string_view bytes, mode_t mode,
                  std::string& error) {
    if (WriteFileUnflushed(path, bytes, mode)) return true;
    error = Quoted(path) + ": " + LastFileError();
    return false;
}

// Makes sure the new files' bytes reached the disk.
bool FlushFiles(const std::vector<std::string>& paths, const std::string& folder,
                std::string& error) {
    std::string failed;
    if (store::FlushFiles(paths, folder, &failed)) return true;
    error = Quoted(failed) + ": " + LastFileError();
    return false;
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
std::string NewBackupName(const std::vector<NamedBackup>& backups, const QDateTime& when,
                          BackupReason reason) {
    const QDateTime second = when.addMSecs(-when.time().msec());
    int sequence = 1;
    for (const NamedBackup& backup : backups) {
        if (backup.when == second) sequence = std::max(sequence, backup.sequence + 1);
    }
    while (::access((BackupsFolder() + FolderName(second, sequence, reason)).c_str(), F_OK) == 0)
        ++sequence;
    return FolderName(second, sequence, reason);
}

// "Backups/" itself, made when missing; a file or anything else of that name in the way is
// named as what it is.
bool EnsureBackupsFolder(const std::string& backups, std::string& error) {
    const std::string bare = WithoutSlash(backups);
    if (CurrentFileCalls().makeFolder(bare.c_str(), 0700) == 0 || errno == EEXIST) {
        struct stat info {};
        if (::stat(bare.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
        error = Quoted(bare) + (IsPlainFile(bare) ? " is a file, not a folder"
                                                  : " is in the way: it is not a folder");
        return false;
    }
    error = Quoted(bare) + ": " + SystemWords(errno);
    return false;
}

// What happened to the files that could not be read, then the first few of them with why:
// "Could not be read, so not in the backup: "A" (why), "B" (why) and 2 more."
std::string UnreadNotice(const std::vector<Unread>& unread, const std::string& what) {
    if (unread.empty()) return {};
    std::string text = "Could not be read, so " + what + ": ";
    for (std::size_t i = 0; i < unread.size() && i < NamedFilesAtMost; ++i) {
        if (i > 0) text += ", ";
        text += Quoted(unread[i].path) + " (" + unread[i].why + ")";
    }
    if (unread.size() > NamedFilesAtMost) {
        text += " and " + std::to_string(unread.size() - NamedFilesAtMost) + " more";
    }
    return text + ".";
}

// Fills the folder being built with the data folder's files and the stamp. A file whose bytes
// the newest backup holds already is linked to its copy there rather than copied again: backups
// share unchanged files and take little room, and nothing ever writes into a backup's files.
// Links to the data folder's own files would be undone by an editor that writes a file in
// place. A history file that cannot be read is left out; the table itself cannot be.
bool FillBackup(const std::string& building, const std::vector<std::string>& names,
                const std::vector<NamedBackup>& backups, std::vector<Unread>& unread,
                std::string& error) {
    const std::string data = DataFolder();
    const std::string previous =
        backups.empty() ? std::string() : BackupsFolder() + backups.front().name + "/";
    const long long made = backups.empty() ? 1 : std::max(backups.front().made, 0LL) + 1;
    const FileCalls calls = CurrentFileCalls();
    std::vector<std::string> copied;
    for (const std::string& name : names) {
        const auto bytes = ReadFileBytes(data + name, LargestHistory);
        if (!bytes) {
            if (name == DataFileName) {
                error = Quoted(data + name) + " cannot be read: " + LastFileError();
                return false;
            }
            unread.push_back({data + name, LastFileError()});
            continue;
        }
        if (!previous.empty() && HoldsBytes(previous + name, *bytes) &&
            calls.link((previous + name).c_str(), (building + name).c_str()) == 0) {
            continue;
        }
        // Only the user may read it: nothing ever writes into a backup, and its files may be
        // shared with later backups.
        if (!WriteNewFile(building + name, *bytes, 0400, error)) return false;
        copied.push_back(building + name);
    }
    if (!WriteNewFile(building + StampName, std::to_string(made) + "\n", 0400, error)) {
        return false;
    }
    copied.push_back(building + StampName);
    if (!FlushFiles(copied, building, error)) return false;
    if (!FlushFolder(building)) {
        error = Quoted(building) + ": " + SystemWords(errno);
        return false;
    }
    return true;
}

QDate WeekStart(const QDate& date) {
    return date.addDays(1 - date.dayOfWeek());
}

// Removes the backups the rules no longer keep; the one named `spared` stays in any case.
void Prune(const QDateTime& now, const std::string& spared) {
    if (!DataWritable()) return;
    const QDate today = now.date();
    const QDate oldestWeek = WeekStart(today).addDays(-7 * (KeptWeeklyBackups - 1));
    const QDate oldestEventDay = today.addDays(1 - KeptEventBackupDays);
    int dailies = 0;
    int events = 0;
    bool restoreUndoKept = false;
    std::set<QDate> weeks;
    std::vector<std::string> removed;
    for (const NamedBackup& backup : NamedBackups()) {
        const QDate day = backup.when.date();
        bool keep = backup.name == spared;
        if (backup.reason == BackupReason::Daily) {
            keep = dailies++ < KeptDailyBackups || keep;
            // The last made first: the first daily backup seen of a week is that week's newest.
            const QDate week = WeekStart(day);
            if (week >= oldestWeek && weeks.insert(week).second) keep = true;
        } else {
            keep = events++ < KeptEventBackupsAtLeast || day >= oldestEventDay || keep;
            // The newest restore can always be undone, however many imports followed it.
            if (backup.reason == BackupReason::BeforeRestore && !restoreUndoKept) {
                restoreUndoKept = true;
                keep = true;
            }
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

BackupResult MakeBackupSparing(BackupReason reason, const QDateTime& now,
                               const std::string& spared) {
    if (!DataWritable()) return Failed(ReadOnlyReason());
    std::string error;
    if (!SameDataFolder(&error)) return Failed(error);
    // The daily backup keeps the files as the last run left them, before anything changes.
    if (reason != BackupReason::Daily && SaveNeeded != 0 && !SaveClientTable()) {
        return Failed("the clients could not be saved to " + Quoted(DataFilePath()) +
                      " first: " + LastFileError());
    }
    const std::vector<std::string> names = DataFileNames(DataFolder());
    if (std::find(names.begin(), names.end(), DataFileName) == names.end()) return {};

    const std::string backups = BackupsFolder();
    if (!EnsureBackupsFolder(backups, error)) return Failed(error);
    ClearLeftovers(backups);
    const std::string building = MakeHiddenFolder(backups + std::string(HiddenPrefix), error);
    if (building.empty()) return Failed(error);
    const std::vector<NamedBackup> listed = NamedBackups();
    const std::string target = backups + NewBackupName(listed, now, reason);
    std::vector<Unread> unread;
    if (!FillBackup(building, names, listed, unread, error)) {
        RemoveFolder(building);
        return Failed(error);
    }
    if (CurrentFileCalls().rename(WithoutSlash(building).c_str(), target.c_str()) != 0) {
        error = Quoted(target) + ": " + SystemWords(errno);
        RemoveFolder(building);
        return Failed(error);
    }
    FlushFolder(backups);
    Prune(now, spared);
    BackupResult made{true, {}, target + "/", {}, UnreadNotice(unread, "not in the backup")};
    for (const Unread& file : unread) made.leftOut.push_back(file.path);
    return made;
}

// Reads a file of a backup, which must be a plain file and no link.
std::optional<std::string> ReadBackupFile(const std::string& path, std::string& error) {
    const FileCalls calls = CurrentFileCalls();
    // Not blocking: a pipe under a file's name must not hold the program up.
    const int fd = calls.open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Quoted(path) + (errno == ELOOP ? " is a link, which a backup never holds"
                                               : " cannot be read: " + SystemWords(errno));
        return std::nullopt;
    }
    struct stat info {};
    std::string bytes;
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!read) error = Quoted(path) + " is not a plain file";
    while (read) {
        constexpr std::size_t Piece = 64 * 1024;
        const std::size_t before = bytes.size();
        bytes.resize(before + Piece);
        const ssize_t got = calls.read(fd, bytes.data() + before, Piece);
        bytes.resize(before + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) break;
        if (got < 0 || bytes.size() > LargestHistory) {
            error = Quoted(path) + " cannot be read: " + SystemWords(got < 0 ? errno : EFBIG);
            read = false;
        }
    }
    calls.close(fd);
    if (!read) return std::nullopt;
    return bytes;
}

// Copies the backup's "Clients.dat" and history files into the folder and flushes them.
bool CopyBackup(const std::string& backup, const std::string& into, std::string& error) {
    const std::string from = WithoutSlash(backup) + "/";
    if (!IsFolder(WithoutSlash(from))) {
        error = Quoted(from) + " is not a folder";
        return false;
    }
    const std::vector<std::string> names = EntryNames(from, IsDataFileName);
    if (std::find(names.begin(), names.end(), DataFileName) == names.end()) {
        error = Quoted(from + DataFileName) + ": " + SystemWords(ENOENT);
        return false;
    }
    std::vector<std::string> copied;
    for (const std::string& name : names) {
        const auto bytes = ReadBackupFile(from + name, error);
        if (!bytes || !WriteNewFile(into + name, *bytes, 0600, error)) return false;
        copied.push_back(into + name);
    }
    if (!FlushFiles(copied, into, error)) return false;
    if (!FlushFolder(into)) {
        error = Quoted(into) + ": " + SystemWords(errno);
        return false;
    }
    return true;
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
    return MakeBackupSparing(reason, now, {});
}

bool DailyBackupDue(const QDate& today) {
    const auto backups = NamedBackups(false);
    return std::none_of(backups.begin(), backups.end(), [&today](const NamedBackup& b) {
        return b.reason == BackupReason::Daily && b.when.date() == today;
    });
}

BackupResult MakeDailyBackupIfDue(const QDateTime& now) {
    if (!DailyBackupDue(now.date())) return {};
    return MakeBackup(BackupReason::Daily, now);
}

void PruneBackups(const QDateTime& now) {
    Prune(now, {});
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
    std::string error;
    if (!SameDataFolder(&error)) return Failed(error);
    const std::string data = DataFolder();
    // The backup's files are copied beside the data folder first: one that cannot be read
    // restores nothing, and makes no backup before it either.
    const std::string building = MakeReplacementFolder(data, error);
    if (building.empty()) return Failed(error);
    if (!CopyBackup(backup.folder, building, error)) {
        RemoveFolder(building);
        return Failed(error);
    }
    const BackupResult undo =
        MakeBackupSparing(BackupReason::BeforeRestore, now, LastPart(backup.folder));
    // With no client file there is no backup to make, and only history files to lose.
    const bool nothingToKeep = undo.ok && undo.folder.empty() && DataFileNames(data).empty();
    if (!undo.ok || (undo.folder.empty() && !nothingToKeep)) {
        RemoveFolder(building);
        return Failed("the clients on file could not be backed up first: " +
                      (undo.ok ? Quoted(DataFilePath()) + ": " + SystemWords(ENOENT) : undo.error));
    }
    const std::string old = SwapInFolder(building, data, error);
    if (old.empty()) {
        RemoveFolder(building);
        return Failed(error);
    }
    AdoptDataFolder();
    // A history file the backup before could not read goes into it as it is, not away; failing
    // that, back into the data folder under a name no client reads.
    const FileCalls calls = CurrentFileCalls();
    std::vector<Unread> kept;
    for (const std::string& path : undo.leftOut) {
        const std::string name = LastPart(path);
        const std::string from = old + "/" + name;
        if (calls.rename(from.c_str(), (undo.folder + name).c_str()) == 0) {
            kept.push_back({path, "now in " + Quoted(undo.folder)});
        } else if (calls.rename(from.c_str(), (data + name + ".unread").c_str()) == 0) {
            kept.push_back({path, "now " + Quoted(data + name + ".unread")});
        } else if (calls.rename(from.c_str(), (from + ".unread").c_str()) == 0) {
            // No longer a data file's name, so the old folder's removal carries it back into
            // the data folder, or keeps the old folder while it cannot.
            kept.push_back({path, "now " + Quoted(data + name + ".unread")});
        }
    }
    RemoveSwappedFolder(old, data);
    BackupResult restored{true, {}, undo.folder, undo.leftOut, undo.notice};
    if (!kept.empty()) restored.notice = UnreadNotice(kept, "kept as found");
    return restored;
}

}  // namespace store
