#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"
#include "store/client_record.h"
#include "support/local_time.h"
#include "support/temp_app_folder.h"

namespace testing {

// A client with every field of the details window filled.
store::ClientRecord FullClient(const std::string& name);

// A history file's bytes, and whether (and with what) it exists.
void WriteHistoryBytes(const TempAppFolder& folder, int clientNumber, const std::string& bytes);
std::optional<std::string> HistoryBytes(const TempAppFolder& folder, int clientNumber);

// The details window, opened the ways a person opens it from the main window.
void OpenNewClient();
void OpenClientAtRow(int row);
// Closes the details window, answering No if it asks about unsaved edits.
void CloseDetailsDroppingEdits();

// Types into a box of the details window as a person does: focus, then keys.
void TypeInto(int id, const std::string& text);
// Replaces a box's whole text by typing.
void Retype(int id, const std::string& text);

bool SaveEnabled();
// The date the details window's picker shows.
platform::CalendarDate PickerShows();

}  // namespace testing
