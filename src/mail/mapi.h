#pragma once

#include <cstdint>
#include <string>

namespace mail {

// The hand-off of a client's address to the user's mail program, in the steps of a Simple
// MAPI conversation: load, log on, send, log off, unload. The mail system is the desktop's
// handler for "mailto:" addresses, which opens the mail program's compose window.

using SessionHandle = std::uint32_t;

// Result codes of the send.
inline constexpr int SUCCESS_SUCCESS = 0;
inline constexpr int MAPI_E_FAILURE = 2;
inline constexpr int MAPI_E_INVALID_SESSION = 19;

// Non-zero while the mail system is loaded.
extern std::uint32_t MapiModule;

// 1 when the mail system is loaded (also when it was already), else 0.
int LoadMapi();
void UnloadMapi();
// A session with the mail program, 0 when none can be had: the mail system is not loaded, or
// the desktop has no mail program for "mailto:" addresses.
SessionHandle OpenMapiSession(const std::string& profile, const std::string& password);
// Hands the message to the mail program, which shows its compose window; 0 on success.
int SendMapiMessage(SessionHandle session, const std::string& subject, const std::string& note,
                    const std::string& addresses, const std::string& names, int showDialog);
void CloseMapiSession(SessionHandle session);

// The action of "Send E-mail": a compose window addressed to every address in the given text,
// as the details window's e-mail box holds it.
void EmailClient(const std::string& address);

}  // namespace mail
