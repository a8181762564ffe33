#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/mail/desktop_mail.h"
#include "platform/print/dp.h"
#include "store/files.h"

namespace testing {

// The seams through which a test stands in for the clock, the disk, the person at the screen,
// the printers and the desktop. A Hooks installs what it is told for as long as it lives, and
// on destruction gives back what it replaced: the real clock, the file calls it found, the
// answerer that fails a test on a message box nobody expected, the program's own folder, the
// real preview and printers, the notice box, and the desktop's mail program. Seams it was
// never told about are left alone, so hooks can nest: an inner one for one step of a test
// inside an outer one for the whole test.
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
    // Message boxes are answered by this function instead of a person.
    Hooks& answerBoxes(gui::MessageBoxAnswerer answerer);
    // The program file seems to live in this folder.
    Hooks& setAppFolder(const std::string& folder);
    // Ended report documents come here instead of a preview or a printer.
    Hooks& setEndDocHandler(print::EndDocHandler handler);
    // The machine seems to have no printer.
    Hooks& ignorePrinters();
    // What the printing layer tells the user comes here instead of a box.
    Hooks& setNoticeHandler(print::NoticeHandler handler);
    // The desktop's mail program: whether there is one, and what a "mailto:" URL is given to.
    Hooks& setMailHandlerCheck(mail::MailHandlerCheck check);
    Hooks& setUrlOpener(mail::UrlOpener opener);

private:
    bool clock_ = false;
    std::optional<store::FileCalls> previousFileCalls_;
    bool boxes_ = false;
    bool appFolder_ = false;
    bool endDoc_ = false;
    bool printersIgnored_ = false;
    bool notices_ = false;
    bool mailCheck_ = false;
    bool urlOpener_ = false;
};

// The answerer installed outside any Hooks: a message box fails the running test at once,
// where a real box would wait for a person until the test's time ran out.
int FailUnexpectedBox(const gui::MessageBoxRequest& request);

}  // namespace testing
