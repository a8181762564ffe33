#include "support/hooks.h"

#include <QTest>

#include <utility>

#include "app/autosave.h"
#include "support/seam_stack.h"

namespace testing {

int FailUnexpectedBox(const gui::MessageBoxRequest& request) {
    const std::string what =
        "a message box no test expected: \"" + request.caption + "\": " + request.text;
    QTest::qFail(what.c_str(), __FILE__, __LINE__);
    // Answered as its cautious default, should the program go on.
    if (request.buttons == "YNC") return -1;
    return request.buttons == "OK" ? 1 : 0;
}

namespace {

[[maybe_unused]] const bool UnexpectedBoxesFail =
    (gui::SetMessageBoxAnswerer(FailUnexpectedBox), true);

// What a seam that cannot be asked for its value holds outside every Hooks.
template <typename Value>
std::function<Value()> Always(Value value) {
    return [value] { return value; };
}

using Clock = std::function<platform::SYSTEMTIME()>;

SeamStack<Clock>& ClockSeam() {
    static SeamStack<Clock> seam([](const Clock& clock) { platform::SetClock(clock); },
                                 Always(Clock{}));
    return seam;
}

SeamStack<gui::MessageBoxAnswerer>& BoxSeam() {
    static SeamStack<gui::MessageBoxAnswerer> seam(
        [](const gui::MessageBoxAnswerer& answerer) { gui::SetMessageBoxAnswerer(answerer); },
        Always(gui::MessageBoxAnswerer(FailUnexpectedBox)));
    return seam;
}

SeamStack<std::string>& AppFolderSeam() {
    // An empty override is the program file's own folder.
    static SeamStack<std::string> seam(gui::OverrideAppFolder, Always(std::string()));
    return seam;
}

SeamStack<int>& SaveDelaySeam() {
    static SeamStack<int> seam([](const int& delay) { app::SetSaveDelay(delay); }, app::SaveDelay);
    return seam;
}

SeamStack<print::EndDocHandler>& EndDocSeam() {
    static SeamStack<print::EndDocHandler> seam(
        [](const print::EndDocHandler& handler) { print::SetEndDocHandler(handler); },
        Always(print::EndDocHandler{}));
    return seam;
}

SeamStack<bool>& PrintersIgnoredSeam() {
    static SeamStack<bool> seam([](const bool& ignored) { print::SetPrintersIgnored(ignored); },
                                Always(false));
    return seam;
}

SeamStack<print::PrintSystem>& PrintSystemSeam() {
    static SeamStack<print::PrintSystem> seam(
        [](const print::PrintSystem& system) { print::SetPrintSystem(system); },
        Always(print::PrintSystem{}));
    return seam;
}

SeamStack<std::string>& ReportsFolderSeam() {
    // An empty folder is "Vendrix 2 Reports" in the user's documents folder.
    static SeamStack<std::string> seam(print::SetReportsFolder, Always(std::string()));
    return seam;
}

SeamStack<print::NoticeHandler>& NoticeSeam() {
    static SeamStack<print::NoticeHandler> seam(
        [](const print::NoticeHandler& handler) { print::SetNoticeHandler(handler); },
        Always(print::NoticeHandler{}));
    return seam;
}

SeamStack<mail::MailHandlerCheck>& MailCheckSeam() {
    static SeamStack<mail::MailHandlerCheck> seam(
        [](const mail::MailHandlerCheck& check) { mail::SetMailHandlerCheck(check); },
        Always(mail::MailHandlerCheck{}));
    return seam;
}

SeamStack<mail::UrlOpener>& UrlOpenerSeam() {
    static SeamStack<mail::UrlOpener> seam(
        [](const mail::UrlOpener& opener) { mail::SetUrlOpener(opener); },
        Always(mail::UrlOpener{}));
    return seam;
}

}  // namespace

Hooks::~Hooks() {
    for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) (*undo)();
}

Hooks& Hooks::setNow(const platform::SYSTEMTIME& now) {
    undo_.push_back(ClockSeam().replace([now] { return now; }));
    return *this;
}

Hooks& Hooks::setFileCalls(const store::FileCalls& calls) {
    store_.setFileCalls(calls);
    return *this;
}

Hooks& Hooks::setDataFolder(const std::string& folder) {
    store_.setDataFolder(folder);
    return *this;
}

Hooks& Hooks::answerBoxes(gui::MessageBoxAnswerer answerer) {
    undo_.push_back(BoxSeam().replace(std::move(answerer)));
    return *this;
}

Hooks& Hooks::setAppFolder(const std::string& folder) {
    undo_.push_back(AppFolderSeam().replace(folder));
    return *this;
}

Hooks& Hooks::setSaveDelay(int milliseconds) {
    undo_.push_back(SaveDelaySeam().replace(milliseconds));
    return *this;
}

Hooks& Hooks::setEndDocHandler(print::EndDocHandler handler) {
    undo_.push_back(EndDocSeam().replace(std::move(handler)));
    return *this;
}

Hooks& Hooks::ignorePrinters() {
    undo_.push_back(PrintersIgnoredSeam().replace(true));
    return *this;
}

Hooks& Hooks::usePrinters() {
    undo_.push_back(PrintersIgnoredSeam().replace(false));
    return *this;
}

Hooks& Hooks::setPrintSystem(print::PrintSystem system) {
    undo_.push_back(PrintSystemSeam().replace(std::move(system)));
    return *this;
}

Hooks& Hooks::setReportsFolder(const std::string& folder) {
    undo_.push_back(ReportsFolderSeam().replace(folder));
    return *this;
}

Hooks& Hooks::setNoticeHandler(print::NoticeHandler handler) {
    undo_.push_back(NoticeSeam().replace(std::move(handler)));
    return *this;
}

Hooks& Hooks::setMailHandlerCheck(mail::MailHandlerCheck check) {
    undo_.push_back(MailCheckSeam().replace(std::move(check)));
    return *this;
}

Hooks& Hooks::setFileChooser(gui::FileChooser chooser) {
    static SeamStack<gui::FileChooser> seam(
        [](const gui::FileChooser& installed) { gui::SetFileChooser(installed); },
        Always(gui::FileChooser{}));
    undo_.push_back(seam.replace(std::move(chooser)));
    return *this;
}

Hooks& Hooks::setUrlOpener(mail::UrlOpener opener) {
    undo_.push_back(UrlOpenerSeam().replace(std::move(opener)));
    return *this;
}

}  // namespace testing
