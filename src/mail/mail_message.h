#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mail {

// Sizes of the fixed buffers the message's texts travel in, terminator included; a longer
// text is cut to one less.
inline constexpr std::size_t SubjectBufferSize = 1000;
inline constexpr std::size_t NoteBufferSize = 32768;
inline constexpr std::size_t RecipientBufferSize = 300;

inline constexpr int MAPI_TO = 1;

struct Recipient {
    int recipientClass = MAPI_TO;
    std::string name;
    std::string address;
};

struct Message {
    std::string subject;
    std::string noteText;
    std::vector<Recipient> recipients;
};

// The text as it fits a buffer of that size: at most size - 1 bytes, never half a character.
std::string FitBuffer(std::string_view text, std::size_t size);
// Removes blanks from both ends.
std::string TrimBlanks(std::string_view text);

// One recipient per ";"-separated part of the names (and the matching part of the
// addresses), parts untrimmed; none when the names are blank.
std::vector<Recipient> SplitRecipients(std::string_view names, std::string_view addresses);

// The message as a "mailto:" URL: every recipient's address (blanks at its ends removed,
// empty ones left out), then the subject and the note text. Everything but letters, digits
// and "-._~@+" is percent-encoded, so no text can add a header, a recipient or an option.
std::string MailtoUrl(const Message& message);

}  // namespace mail
