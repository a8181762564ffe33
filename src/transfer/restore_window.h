#pragma once

#include <string>

namespace transfer {

// Controls of "Restore from a Backup".
inline constexpr int RestoreIntro = 100;
inline constexpr int BackupList = 105;
inline constexpr int RestoreChoice = 110;
inline constexpr int RestoreHelpButton = 115;
inline constexpr int RestoreButton = 120;
inline constexpr int RestoreCancelButton = 125;

inline constexpr const char* RestoreWindowCaption = "Restore from a Backup";
inline constexpr const char* RestoreHelpTopic = "Restoring a Backup";

// "Restore from a Backup...": the backups by date and time with their clients, newest first;
// the highlighted one is restored after one question, once the clients on file now are kept in
// a backup of their own.
void OpenRestoreWindow(const std::string& opener);
void BuildRestoreWindow();
void RestoreWindowEvents(int& id, int& code, int& value, int& cancel);

}  // namespace transfer
