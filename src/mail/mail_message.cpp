#include "mail/mail_message.h"

namespace mail {

namespace {

bool IsPlainAddressCharacter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '@' || c == '+';
}

// Percent-encodes every byte outside a plain address, "%" itself included, so that an
// encoded sequence typed by the user stays literal text.
std::string PercentEncoded(std::string_view text) {
    constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsPlainAddressCharacter(c)) {
            encoded.push_back(ch);
        } else {
            encoded.push_back('%');
            encoded.push_back(Hex[c >> 4]);
            encoded.push_back(Hex[c & 0x0F]);
        }
    }
    return encoded;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string FitBuffer(std::string_view text, std::size_t size) {
    if (size == 0) return {};
    if (text.size() < size) return std::string(text);
    std::size_t length = size - 1;
    // Cutting inside a UTF-8 sequence would leave an invalid character behind.
    while (length > 0 && IsContinuationByte(text[length])) --length;
    return std::string(text.substr(0, length));
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::vector<Recipient> SplitRecipients(std::string_view names, std::string_view addresses) {
    std::vector<Recipient> recipients;
    if (TrimBlanks(names).empty()) return recipients;
    const auto part = [](std::string_view list, std::size_t index) -> std::string_view {
        for (; index > 0; --index) {
            const auto separator = list.find(';');
            if (separator == std::string_view::npos) return {};
            list.remove_prefix(separator + 1);
        }
        return list.substr(0, list.find(';'));
    };
    std::size_t count = 1;
    for (const char c : names) count += c == ';' ? 1 : 0;
    for (std::size_t i = 0; i < count; ++i) {
        Recipient recipient;
        recipient.name = FitBuffer(part(names, i), RecipientBufferSize);
        recipient.address = FitBuffer(part(addresses, i), RecipientBufferSize);
        recipients.push_back(std::move(recipient));
    }
    return recipients;
}

std::string MailtoUrl(const Message& message) {
    std::string url = "mailto:";
    bool first = true;
    for (const Recipient& recipient : message.recipients) {
        const std::string address = TrimBlanks(recipient.address);
        if (address.empty()) continue;
        if (!first) url.push_back(',');
        url += PercentEncoded(address);
        first = false;
    }
    url += "?subject=" + PercentEncoded(message.subject);
    url += "&body=" + PercentEncoded(message.noteText);
    return url;
}

}  // namespace mail
