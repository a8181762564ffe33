#include "app/forms.h"

#include "app/app_state.h"
#include "app/autosave.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/scan_results_window.h"
#include "followup/scan_window.h"
#include "options/options_window.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace app {

void DesignProcedure(const std::string& form) {
    if (form == MainForm) {
        BuildMainWindow();
    } else if (form == DetailsForm) {
        details::BuildDetailsWindow();
    } else if (form == ScanForm) {
        followup::BuildScanWindow();
    } else if (form == ScanResultsForm) {
        followup::BuildScanResults();
    } else if (form == PrintForm) {
        reports::BuildPrintWindow();
    } else if (form == OptionsForm) {
        options::BuildOptionsWindow();
    } else if (form == ImportForm) {
        transfer::BuildImportWindow();
    } else if (form == RestoreForm) {
        transfer::BuildRestoreWindow();
    }
    gui::EZ_SETFORMICON(form, AppIcon);
}

void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel) {
    // What the handler changes is saved once it (and whatever it opened) has finished.
    const ActionScope action;
    if (form == MainForm) {
        HandleMainWindowEvent(id, code, value, cancel);
    } else if (form == DetailsForm) {
        details::DetailsEvents(id, code, value, cancel);
    } else if (form == ScanForm) {
        followup::ScanWindowEvents(id, code, value, cancel);
    } else if (form == ScanResultsForm) {
        followup::ScanResultsEvents(id, code, value, cancel);
    } else if (form == PrintForm) {
        reports::PrintWindowEvents(id, code, value, cancel);
    } else if (form == OptionsForm) {
        options::OptionsWindowEvents(id, code, value, cancel);
    } else if (form == ImportForm) {
        transfer::ImportWindowEvents(id, code, value, cancel);
    } else if (form == RestoreForm) {
        transfer::RestoreWindowEvents(id, code, value, cancel);
    }
}

}  // namespace app
