#pragma once

#include <string>

#include "shell/forms.h"

namespace app {

// The windows by name; the names live below the windows so that each may name the others.
using shell::DetailsForm;
using shell::ImportForm;
using shell::MainForm;
using shell::OptionsForm;
using shell::PrintForm;
using shell::RestoreForm;
using shell::ScanForm;
using shell::ScanResultsForm;

// Called by the toolkit while a window is made: builds its controls and sets the icon.
void DesignProcedure(const std::string& form);
// Called by the toolkit for every event: hands it to the window's handler.
void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel);

}  // namespace app
