#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/mail/desktop_mail.h"
#include "platform/print/dp.h"
#include "platform/print/print_system.h"
#include "store/files.h"
#include "support/store_hooks.h"

namespace testing {

// The seams through which a test stands in for the clock, the disk, the person at the screen,
// the printers and the desktop. A Hooks installs what it is told for as long as it lives, and
// on destruction gives back what it replaced: outside every Hooks that is the real clock, the
// store's own file calls and data folder, the answerer that fails a test on a message box
// nobody expected, the program's own folder and save delay, the real preview, printers, print
// system, reports folder and notice box, and the desktop's mail program. Seams it was never
// told about are left alone, so hooks nest: an inner one for one step of a test inside an
// outer one for the whole test, each ending in whatever order.
class Hooks {
public:
    Hooks() = default;
    ~Hooks();
    Hooks(const Hooks&) = delete;
    Hooks& operator=(const Hooks&) = delete;

    // The program's clock stands still at this local time.
    Hooks& setNow(const platform::SYSTEMTIME& now);
    // Every read, write and removal of the store goes through these calls.
    Hooks& setFileCalls(const store::FileCalls& calls);
    // The clients and their histories are read from and saved in this folder (ending in "/").
    Hooks& setDataFolder(const std::string& folder);
    // Message boxes are answered by this function instead of a person; an empty one lets the
    // real boxes show, for the tests of the boxes themselves.
    Hooks& answerBoxes(gui::MessageBoxAnswerer answerer);
    // The program file seems to live in this folder.
    Hooks& setAppFolder(const std::string& folder);
    // A change is saved this many milliseconds after the action that made it.
    Hooks& setSaveDelay(int milliseconds);
    // Ended report documents come here instead of a preview or a printer; an empty handler
    // sends them to the real preview and printers.
    Hooks& setEndDocHandler(print::EndDocHandler handler);
    // The machine seems to have no printer, or again has the ones the print system names.
    Hooks& ignorePrinters();
    Hooks& usePrinters();
    // The printers, their paper, the print jobs and the printer dialog come from here (empty
    // parts are the real ones).
    Hooks& setPrintSystem(print::PrintSystem system);
    // Reports that cannot be printed are saved as PDF files in this folder.
    Hooks& setReportsFolder(const std::string& folder);
    // What the printing layer tells the user comes here instead of a box.
    Hooks& setNoticeHandler(print::NoticeHandler handler);
    // The desktop's mail program: whether there is one, and what a "mailto:" URL is given to
    // (empty functions: the desktop's own).
    Hooks& setMailHandlerCheck(mail::MailHandlerCheck check);
    Hooks& setUrlOpener(mail::UrlOpener opener);
    // Files are chosen by this function instead of the desktop's file dialog.
    Hooks& setFileChooser(gui::FileChooser chooser);

private:
    StoreHooks store_;
    std::vector<std::function<void()>> undo_;
};

// The answerer installed outside any Hooks: a message box fails the running test at once,
// where a real box would wait for a person until the test's time ran out.
int FailUnexpectedBox(const gui::MessageBoxRequest& request);

}  // namespace testing
