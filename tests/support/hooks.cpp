#include "support/hooks.h"

#include <QTest>

#include <utility>

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

}  // namespace

Hooks::~Hooks() {
    if (clock_) platform::SetClock({});
    if (previousFileCalls_) store::SetFileCalls(*previousFileCalls_);
    if (boxes_) gui::SetMessageBoxAnswerer(FailUnexpectedBox);
    if (appFolder_) gui::OverrideAppFolder("");
    if (endDoc_) print::SetEndDocHandler({});
    if (printersIgnored_) print::SetPrintersIgnored(false);
    if (notices_) print::SetNoticeHandler({});
    if (mailCheck_) mail::SetMailHandlerCheck({});
    if (urlOpener_) mail::SetUrlOpener({});
}

Hooks& Hooks::setNow(const platform::SYSTEMTIME& now) {
    platform::SetClock([now] { return now; });
    clock_ = true;
    return *this;
}

Hooks& Hooks::setFileCalls(const store::FileCalls& calls) {
    const store::FileCalls previous = store::SetFileCalls(calls);
    // Only the first replacement's predecessor is the one to give back.
    if (!previousFileCalls_) previousFileCalls_ = previous;
    return *this;
}

Hooks& Hooks::answerBoxes(gui::MessageBoxAnswerer answerer) {
    gui::SetMessageBoxAnswerer(std::move(answerer));
    boxes_ = true;
    return *this;
}

Hooks& Hooks::setAppFolder(const std::string& folder) {
    gui::OverrideAppFolder(folder);
    appFolder_ = true;
    return *this;
}

Hooks& Hooks::setEndDocHandler(print::EndDocHandler handler) {
    print::SetEndDocHandler(std::move(handler));
    endDoc_ = true;
    return *this;
}

Hooks& Hooks::ignorePrinters() {
    print::SetPrintersIgnored(true);
    printersIgnored_ = true;
    return *this;
}

Hooks& Hooks::setNoticeHandler(print::NoticeHandler handler) {
    print::SetNoticeHandler(std::move(handler));
    notices_ = true;
    return *this;
}

Hooks& Hooks::setMailHandlerCheck(mail::MailHandlerCheck check) {
    mail::SetMailHandlerCheck(std::move(check));
    mailCheck_ = true;
    return *this;
}

Hooks& Hooks::setUrlOpener(mail::UrlOpener opener) {
    mail::SetUrlOpener(std::move(opener));
    urlOpener_ = true;
    return *this;
}

}  // namespace testing
