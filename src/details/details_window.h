#pragma once

#include <cstdint>
#include <string>

#include "store/client_changes.h"

namespace details {

// Controls of "Vendrix Details"; the scan results window and the tests refer to them.
inline constexpr int ClientNameBox = 165;
inline constexpr int AddressBox = 170;
inline constexpr int CityBox = 175;
inline constexpr int StateBox = 180;
inline constexpr int ZipBox = 185;
inline constexpr int ContactBox = 190;
inline constexpr int PhoneBox = 195;
inline constexpr int ExtBox = 200;
inline constexpr int FaxBox = 205;
inline constexpr int CellBox = 210;
inline constexpr int GatekeeperBox = 215;
inline constexpr int EMailBox = 220;
inline constexpr int SendButton = 225;
inline constexpr int FollowUpCheck = 230;
inline constexpr int FollowUpPicker = 235;
inline constexpr int ActionBox = 240;
inline constexpr int HistoryBox = 245;
inline constexpr int NextButton = 250;
inline constexpr int PreviousButton = 255;
inline constexpr int NewButton = 260;
inline constexpr int SaveButton = 265;
inline constexpr int ExitButton = 270;
inline constexpr int HelpButton = 275;

inline constexpr const char* DetailsCaption = "Vendrix Details";

// What the details window keeps between events; only the window's own code changes it.
struct DetailsState {
    // 1 once something was saved in this opening of the details window.
    std::int32_t DetailsSaved = 0;
    // 1-based row of the scan results whose client the window shows, kept while the window is
    // open so that every save updates that row; 0 = none.
    std::int32_t ScanEditRow = 0;
    // True while the history box shows no history because the client's history file could
    // not be read: a save then leaves that file as it is on the disk.
    bool HistoryUnreadable = false;
    // Fixed when the window is built: true for an existing client opened from the main list,
    // the one mode in which next and previous move.
    bool WalksMainList = false;
};
extern DetailsState Window;

// Opens "Vendrix Details" over the named window ("F1" or "F4"); the caller has set
// CurrentRecord, CurrentSlot and CurrentClientNumber (see OpenDetailsOnScanResult for "F4").
void OpenDetailsWindow(const std::string& parent);
// Opens it over the scan results ("F4") on the client of the given slot, tied to the given
// 1-based results row so that each save updates that row.
void OpenDetailsOnScanResult(std::int32_t row, std::int32_t slot);
void BuildDetailsWindow();
void DetailsEvents(int& id, int& code, int& value, int& cancel);

// Record to window: CurrentRecord and its history into the controls; Save ends disabled.
void ShowCurrentRecord();
// Window to record: the controls into CurrentRecord; returns the history text to store.
std::string ReadDetailsIntoRecord();
// Stores the window's contents through the client store. A new client, once stored, is the
// client the window edits from then on. False when nothing or not all of it could be stored
// (the user was told); the window then still counts as changed.
bool SaveDetails();
// Tells the user why a store of the window's contents did not happen; true when it did.
bool TellStoreResult(const store::StoreResult& result);
// Empties the window for a further new client.
void ClearDetails();

// The window's changed state is the enabled state of "&Save".
bool DetailsChanged();
void MarkChanged();
// Gives a box its own text again on leaving it, without changing the changed state.
void RewriteTextBox(const std::string& form, int id);
// "Send E-mail" is usable while the e-mail box holds an address.
void UpdateSendButton();

// Move to the client of the next or previous row of the main list.
void ShowNextClient();
void ShowPreviousClient();

}  // namespace details
