#include "exchange/utf8.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace exchange {

namespace {

constexpr std::size_t NamedLines = 10;

// The length of the well-formed sequence starting at i, or 0 when it is not one. The second
// byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

// Calls bad(i) for each byte that is no part of a well-formed sequence, and good(i, length)
// for each sequence and each ASCII byte.
template <typename Good, typename Bad>
void ForEachSequence(std::string_view bytes, Good good, Bad bad) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length =
            static_cast<unsigned char>(bytes[i]) < 0x80 ? 1 : SequenceLength(bytes, i);
        if (length == 0) {
            bad(i);
            ++i;
        } else {
            good(i, length);
            i += length;
        }
    }
}

}  // namespace

void LineList::add(std::size_t line) {
    if (count_ > 0 && line == last_) return;
    last_ = line;
    ++count_;
    if (first_.size() < NamedLines) first_.push_back(line);
}

std::string LineList::text() const {
    std::string text = count_ == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < first_.size(); ++i) {
        if (i > 0) text += i + 1 == first_.size() && count_ == first_.size() ? " and " : ", ";
        text += std::to_string(first_[i]);
    }
    if (count_ > first_.size()) text += " and " + std::to_string(count_ - first_.size()) + " more";
    return text;
}

bool IsValidUtf8(std::string_view bytes) {
    bool valid = true;
    ForEachSequence(
        bytes, [](std::size_t, std::size_t) {}, [&valid](std::size_t) { valid = false; });
    return valid;
}

bool LooksLikeUtf8(std::string_view bytes) {
    std::size_t good = 0;
    std::size_t bad = 0;
    ForEachSequence(
        bytes, [&good](std::size_t, std::size_t length) { good += length > 1 ? length : 0; },
        [&bad](std::size_t) { ++bad; });
    return bad <= good;
}

std::string WithBadBytesShown(std::string_view bytes, LineList& lines, std::size_t firstLine) {
    std::string text(bytes);
    std::size_t line = firstLine;
    std::size_t counted = 0;  // the bytes whose line breaks are counted
    ForEachSequence(
        bytes, [](std::size_t, std::size_t) {},
        [&](std::size_t i) {
            for (; counted < i; ++counted) {
                const char c = bytes[counted];
                const bool crLf =
                    c == '\r' && counted + 1 < bytes.size() && bytes[counted + 1] == '\n';
                if ((c == '\r' && !crLf) || c == '\n') ++line;
            }
            text[i] = '?';
            lines.add(line);
        });
    return text;
}

std::string BadBytesNote(const LineList& lines) {
    return "Bytes that are no UTF-8 characters are shown as \"?\" on " + lines.text() + ".";
}

FileText TextOfFile(std::string_view bytes) {
    FileText file;
    const auto fromUtf16 = [&file, bytes](QStringConverter::Encoding encoding) {
        QStringDecoder decoder(encoding);  // skips the byte-order mark
        const QString text =
            decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        file.converted = text.toStdString();
        file.isConverted = true;
        file.encoding = "UTF-16";
        if (decoder.hasError()) {
            file.notes.push_back("Characters that are not UTF-16 are shown as \"\xEF\xBF\xBD\".");
        }
        if (bytes.size() % 2 != 0) {
            file.notes.push_back("The file ends in half a UTF-16 character, which is left out.");
        }
    };
    if (bytes.starts_with("\xFF\xFE")) {
        fromUtf16(QStringConverter::Utf16LE);
    } else if (bytes.starts_with("\xFE\xFF")) {
        fromUtf16(QStringConverter::Utf16BE);
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        // A marked file is UTF-8 whatever it holds.
        file.bytes = bytes.substr(3);
        file.encoding = "UTF-8";
    } else {
        file.bytes = bytes;
        file.encoding = LooksLikeUtf8(bytes) ? "UTF-8" : "Windows-1252";
    }
    return file;
}

}  // namespace exchange
