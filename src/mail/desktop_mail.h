#pragma once

#include <string>

namespace mail {

// Whether the desktop has a mail program for "mailto:" addresses (or what a test installed).
bool MailHandlerAvailable();
// Hands a fully encoded "mailto:" URL to the desktop (or to what a test installed).
bool OpenMailUrl(const std::string& url);

}  // namespace mail
