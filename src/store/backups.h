#pragma once

#include <QDate>
#include <QDateTime>

#include <string>
#include <vector>

namespace store {

// Backups live beside the data folder, in "Backups/", one folder per backup named after the
// local date and time it was made and why: "2026-12-07 09.15.02 daily". Each holds copies of
// "Clients.dat" and of every history file that could be read, readable by the user alone, and a
// stamp with the number of its making: backups are ordered by that number, not by their names, so
// that a clock set wrong once cannot make an older backup the newest. A backup is built under a
// hidden name and renamed into place only once every file in it reached the disk, so a backup
// cut short by a crash never lists; its leftovers are cleared by the next backup.
//
// Kept: the 7 newest daily backups, and the newest daily backup of each of the last 8 weeks
// (this week and the 7 before it, weeks starting on Monday). Backups made before an import,
// a restore or a delete are kept for 7 days, and the 3 newest of them whatever their age, so
// that the latest restore can always be undone; the newest backup made before a restore is
// kept in any case, and so is the backup a restore brings back while it does.
constexpr const char* BackupsFolderName = "Backups/";
constexpr int KeptDailyBackups = 7;
constexpr int KeptWeeklyBackups = 8;
constexpr int KeptEventBackupDays = 7;
constexpr int KeptEventBackupsAtLeast = 3;

enum class BackupReason {
    Daily,
    BeforeImport,
    BeforeRestore,
    BeforeDelete,
};

// The words a backup's folder name ends in: "daily", "before import", ...
std::string BackupReasonWords(BackupReason reason);

// The parent of DataFolder() + "Backups/".
std::string BackupsFolder();

struct Backup {
    std::string folder;  // its folder, ending in "/"
    QDateTime when;      // local date and time it was made
    BackupReason reason = BackupReason::Daily;
    int clients = 0;  // in-use records in its "Clients.dat"
};

struct BackupResult {
    bool ok = true;
    std::string error;   // when not ok: why, naming the file or folder at fault
    std::string folder;  // the backup made, ending in "/" ("" when none was needed)
    // With ok: the history files that could not be read and are not in the backup (their
    // paths), and a sentence naming them and why, to be shown ("" when there are none).
    std::vector<std::string> leftOut;
    std::string notice;
};

// Keeps a backup of "Clients.dat" and every history file as they are now. Unsaved changes to
// the table are saved first, except for the daily backup, which keeps the files exactly as
// the last run left them. A history file that cannot be read is left out and named in the
// notice; only a "Clients.dat" that cannot be read fails the backup. Older backups are pruned
// afterwards. Writes nothing when the data folder may not be written.
BackupResult MakeBackup(BackupReason reason, const QDateTime& now = QDateTime::currentDateTime());

// True on the first start of a day: no daily backup was made on that day yet.
bool DailyBackupDue(const QDate& today);
// The daily backup, when it is due; otherwise nothing is written and the result is ok.
BackupResult MakeDailyBackupIfDue(const QDateTime& now = QDateTime::currentDateTime());

// Removes the backups that the rules above no longer keep, as of now.
void PruneBackups(const QDateTime& now);

// The backups that can be restored, newest first. A folder without a readable "Clients.dat"
// is not one.
std::vector<Backup> ListBackups();

// Replaces the data folder whole by the backup's files, in one step (see data_swap.h): the
// backup's "Clients.dat" and history files, copied (a backup holding a link or anything but a
// plain file under such a name is refused), are put in place of the data folder, after the
// present state was backed up ("before restore", so the restore itself can be undone). Other
// files the user kept in the data folder stay; history files the backup lacks are gone.
// When the result is not ok, nothing was changed. When it is, its folder is the "before
// restore" backup, a history file that could not be read is moved there as it is, or failing
// that kept in the data folder as "<name>.unread" (named in the notice), and the caller must reload
// the table at once: the one in memory is not the file's any more.
BackupResult RestoreBackup(const Backup& backup,
                           const QDateTime& now = QDateTime::currentDateTime());

}  // namespace store
