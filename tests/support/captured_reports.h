#pragma once

#include <string>
#include <vector>

#include "platform/print/document.h"
#include "support/hooks.h"

namespace testing {

// Keeps every report document ended while it lives, instead of previewing or printing it.
class CapturedReports {
public:
    struct Ended {
        print::Document document;
        int mode = 0;  // 4 preview, 5 printer
    };

    CapturedReports();
    CapturedReports(const CapturedReports&) = delete;
    CapturedReports& operator=(const CapturedReports&) = delete;

    const std::vector<Ended>& ended() const { return ended_; }
    // The document ended last; an empty one when none was.
    const print::Document& last() const;

private:
    Hooks hooks_;
    std::vector<Ended> ended_;
};

// The texts of a page (dpText, wrapped lines, page fields) in the order they were drawn.
std::vector<std::string> PageTexts(const print::Document& document, std::size_t page);

// The texts of a page drawn with their alignment point at x, top to bottom.
std::vector<std::string> TextsAt(const print::Document& document, std::size_t page, float x);

// The texts of a page on the base line y, left to right, joined by single blanks.
std::string LineAt(const print::Document& document, std::size_t page, float y);

// The history text placed on a page by dpWrapText, its lines joined by "\n".
std::string WrappedText(const print::Document& document, std::size_t page);

// The items of a page of a kind.
std::vector<print::Item> ItemsOf(const print::Document& document, std::size_t page,
                                 print::ItemKind kind);

}  // namespace testing
