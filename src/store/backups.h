#pragma once

#include <QDate>
#include <QDateTime>

#include <string>
#include <vector>

namespace store {

// Backups live beside the data folder, in "Backups/", one folder per backup named after the
// local date and time it was made and why: "2026-12-07 09.15.02 daily". Each holds copies of
// "Clients.dat" and of every history file, readable by the user alone. A backup is built under
// a hidden name and renamed into place only once every file in it reached the disk, so a
// backup cut short by a crash never lists; its leftovers are cleared by the next backup.
//
// Kept: the 7 newest daily backups, and the newest daily backup of each of the last 8 weeks
// (this week and the 7 before it, weeks starting on Monday). Backups made before an import,
// a restore or a delete are kept for 7 days, and the 3 newest of them whatever their age, so
// that the latest restore can always be undone.
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
    std::string error;   // when not ok: the system's words
    std::string folder;  // the backup made, ending in "/" ("" when none was needed)
};

// Keeps a backup of "Clients.dat" and every history file as they are now. Unsaved changes to
// the table are saved first, except for the daily backup, which keeps the files exactly as
// the last run left them. Older backups are pruned afterwards. Writes nothing when the data
// folder may not be written.
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

// Backs up the present state ("before restore", so the restore itself can be undone), then
// replaces "Clients.dat" and the history files by the backup's: history files the backup does
// not hold are removed. The caller reloads the table afterwards. Nothing is changed when the
// safety backup cannot be made or the data folder may not be written. The result's folder is
// the "before restore" backup, also when the restore failed part way.
BackupResult RestoreBackup(const Backup& backup,
                           const QDateTime& now = QDateTime::currentDateTime());

}  // namespace store
