#pragma once

#include <string>

namespace transfer {

// Controls of "Import Clients".
inline constexpr int ImportSummary = 100;
inline constexpr int ImportPreviewList = 105;
inline constexpr int ImportNotesLabel = 110;
inline constexpr int ImportNotesList = 115;
inline constexpr int AddDuplicatesCheck = 120;
inline constexpr int ImportHelpButton = 125;
inline constexpr int ImportButton = 130;
inline constexpr int ImportCancelButton = 135;
// A CSV file's columns and what the highlighted one is imported as.
inline constexpr int ImportColumnList = 140;
inline constexpr int ImportColumnTargetLabel = 145;
inline constexpr int ImportColumnTargetChoice = 150;

inline constexpr const char* ImportWindowCaption = "Import Clients";
inline constexpr const char* ImportHelpTopic = "Importing Clients";

// "Import Clients...": the user chooses a CSV or vCard file; it is read, and "Import Clients"
// opens over the named window showing what the import will do; there the user can choose what
// each column of a CSV file is imported as. Nothing is stored before the user presses Import.
void ImportClients(const std::string& opener);
// Reads the file and opens the window for it (the part after the file dialog).
void ImportFile(const std::string& opener, const std::string& path);
void BuildImportWindow();
void ImportWindowEvents(int& id, int& code, int& value, int& cancel);

}  // namespace transfer
