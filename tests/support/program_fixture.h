#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/ez.h"
#include "store/client_record.h"
#include "support/client_records.h"
#include "support/hooks.h"
#include "support/temp_app_folder.h"

namespace testing {

// Answers message boxes instead of a person and keeps what they asked. Outside its life a
// message box fails the running test at once.
class MessageBoxes {
public:
    MessageBoxes();
    // The answers to give, in order; once used up, "OK" and "YN" boxes get 1, "NY" boxes 0,
    // "YNC" boxes -1.
    void answer(std::vector<int> answers);
    const std::vector<gui::MessageBoxRequest>& asked() const { return asked_; }
    // The text of the latest box ("" when none was shown).
    std::string lastText() const;
    void clear() { asked_.clear(); }

private:
    Hooks hooks_;
    std::vector<int> answers_;
    std::vector<gui::MessageBoxRequest> asked_;
};

// Settings under which a start opens no follow-up window: the start-up scan is switched off.
store::Settings NoStartUpScan();

// Writes a "Clients.dat" holding the given clients in slots 1..n (numbers 1..2000) and the
// settings.
void WriteClientsFile(const TempAppFolder& folder, const std::vector<store::ClientRecord>& clients,
                      const store::Settings& settings = {});

// The settings block at the head of the folder's "Clients.dat" (zeros when unreadable).
store::Settings SettingsInFile(const TempAppFolder& folder);

// Starts the program in the folder as the run loop would: resets the store, points the
// program folder at it, installs the window procedures and runs the start procedure.
void StartProgram(const TempAppFolder& folder);

// A fresh program folder holding the clients and settings, with the program started in it.
std::unique_ptr<TempAppFolder> StartProgramWith(const std::vector<store::ClientRecord>& clients,
                                                const store::Settings& settings);

// Closes every window of the program, the main one last (its close saves the table), and
// lets Qt delete them. Unsaved edits are dropped; a main window whose save fails (its folder
// is gone) is closed all the same. A test's own message box answerer is removed.
void StopProgram();

// The texts of one row of a list view, cell by cell (for checks on what the user sees).
std::vector<std::string> ListRow(const std::string& form, int id, int row);

}  // namespace testing
