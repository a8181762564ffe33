#include "exchange/utf8.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <algorithm>

namespace exchange {

namespace {

constexpr std::size_t NamedLines = 10;

// The length of the well-formed sequence starting at i (1 for ASCII), or 0 when it is not one:
// its first byte tells how long it would be.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) return 1;
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string_view sequence = bytes.substr(i, length);
    return sequence.size() == length && IsValidUtf8(sequence) ? length : 0;
}

// Whether 8-bit text is taken for UTF-8: unless most of its bytes above 0x7F are no part of a
// well-formed sequence, it is, and a stray byte is a fault in it.
bool LooksLikeUtf8(std::string_view bytes) {
    std::size_t good = 0;
    std::size_t bad = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) ++bad;
        if (length > 1) good += length;
        i += std::max<std::size_t>(length, 1);
    }
    return bad <= good;
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
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

std::string WithBadBytesShown(std::string_view bytes, LineList& lines, std::size_t firstLine) {
    std::string text(bytes);
    std::size_t line = firstLine;
    for (std::size_t i = 0; i < bytes.size();) {
        // CR LF is one line break, its CR no break of its own.
        if (bytes[i] == '\n' || (bytes[i] == '\r' && bytes.substr(i + 1, 1) != "\n")) ++line;
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            text[i] = '?';
            lines.add(line);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return text;
}

std::string BadBytesNote(const LineList& lines) {
    return "Bytes that are no UTF-8 characters are shown as \"?\" on " + lines.text() + ".";
}

FileText TextOfFile(std::string_view bytes) {
    FileText file;
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    if (littleEndian || bytes.starts_with("\xFE\xFF")) {
        QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE
                                            : QStringConverter::Utf16BE);
        // The decoder skips the byte-order mark.
        const QString text =
            decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        file.content = text.toStdString();
        file.isConverted = true;
        file.encoding = "UTF-16";
        if (decoder.hasError()) {
            file.notes.push_back("Characters that are not UTF-16 are shown as \"\xEF\xBF\xBD\".");
        }
        if (bytes.size() % 2 != 0) {
            file.notes.push_back("The file ends in half a UTF-16 character, which is left out.");
        }
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        // A marked file is UTF-8 whatever it holds.
        file.content = bytes.substr(3);
        file.encoding = "UTF-8";
    } else {
        file.content = bytes;
        file.encoding = LooksLikeUtf8(bytes) ? "UTF-8" : "Windows-1252";
    }
    return file;
}

}  // namespace exchange
