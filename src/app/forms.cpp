#include "app/forms.h"

#include "app/autosave.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/scan_results_window.h"
#include "followup/scan_window.h"
#include "options/options_window.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace app {

void DesignProcedure(const std::string& form) {
    if (form == shell::MainForm) {
        BuildMainWindow();
    } else if (form == shell::DetailsForm) {
        details::BuildDetailsWindow();
    } else if (form == shell::ScanForm) {
        followup::BuildScanWindow();
    } else if (form == shell::ScanResultsForm) {
        followup::BuildScanResults();
    } else if (form == shell::PrintForm) {
        reports::BuildPrintWindow();
    } else if (form == shell::OptionsForm) {
        options::BuildOptionsWindow();
    } else if (form == shell::ImportForm) {
        transfer::BuildImportWindow();
    } else if (form == shell::RestoreForm) {
        transfer::BuildRestoreWindow();
    }
    gui::EZ_SETFORMICON(form, shell::AppIcon);
}

void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel) {
    // What the handler changes is saved once it (and whatever it opened) has finished.
    const ActionScope action;
    if (form == shell::MainForm) {
        HandleMainWindowEvent(id, code, value, cancel);
    } else if (form == shell::DetailsForm) {
        details::DetailsEvents(id, code, value, cancel);
    } else if (form == shell::ScanForm) {
        followup::ScanWindowEvents(id, code, value, cancel);
    } else if (form == shell::ScanResultsForm) {
        followup::ScanResultsEvents(id, code, value, cancel);
    } else if (form == shell::PrintForm) {
        reports::PrintWindowEvents(id, code, value, cancel);
    } else if (form == shell::OptionsForm) {
        options::OptionsWindowEvents(id, code, value, cancel);
    } else if (form == shell::ImportForm) {
        transfer::ImportWindowEvents(id, code, value, cancel);
    } else if (form == shell::RestoreForm) {
        transfer::RestoreWindowEvents(id, code, value, cancel);
    }
}

}  // namespace app
