#pragma once

#include <functional>
#include <string>

namespace mail {

// Whether the desktop has a mail program for "mailto:" addresses (or what a test installed).
bool MailHandlerAvailable();
// Hands a fully encoded "mailto:" URL to the desktop (or to what a test installed).
bool OpenMailUrl(const std::string& url);

// Runs program with the URL as its one argument and waits at most waitMs for it: true when
// it ends with code 0 or is still running then (the mail program it started, in its place);
// false when it cannot be started, fails or crashes.
bool RunUrlOpener(const std::string& program, const std::string& url, int waitMs);

// Seams, so that a run without a desktop can stand in for the mail program.

// Opens a "mailto:" URL (fully percent-encoded); false when it could not be handed over.
using UrlOpener = std::function<bool(const std::string& url)>;
// True when the desktop has a mail program for "mailto:" addresses.
using MailHandlerCheck = std::function<bool()>;
// An empty function restores the desktop's own.
void SetUrlOpener(UrlOpener opener);
void SetMailHandlerCheck(MailHandlerCheck check);

}  // namespace mail
