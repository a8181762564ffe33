#include "support/captured_reports.h"

#include <algorithm>
#include <cmath>

#include "platform/print/dp.h"

namespace testing {

namespace {

constexpr float Tolerance = 1e-4f;

bool Near(float a, float b) {
    return std::fabs(a - b) < Tolerance;
}

bool IsText(const print::Item& item) {
    return item.kind != print::ItemKind::Rule;
}

}  // namespace

CapturedReports::CapturedReports() {
    hooks_.setEndDocHandler([this](const print::Document& document, int mode) {
        ended_.push_back({document, mode});
    });
}

const print::Document& CapturedReports::last() const {
    static const print::Document none;
    return ended_.empty() ? none : ended_.back().document;
}

std::vector<std::string> PageTexts(const print::Document& document, std::size_t page) {
    std::vector<std::string> texts;
    if (page >= document.pages.size()) return texts;
    for (const print::Item& item : document.pages[page].items) {
        if (IsText(item)) texts.push_back(item.text);
    }
    return texts;
}

std::vector<std::string> TextsAt(const print::Document& document, std::size_t page, float x) {
    std::vector<print::Item> found;
    if (page >= document.pages.size()) return {};
    for (const print::Item& item : document.pages[page].items) {
        if (IsText(item) && Near(item.x, x)) found.push_back(item);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const print::Item& a, const print::Item& b) { return a.y < b.y; });
    std::vector<std::string> texts;
    for (const print::Item& item : found) texts.push_back(item.text);
    return texts;
}

std::string LineAt(const print::Document& document, std::size_t page, float y) {
    std::vector<print::Item> found;
    if (page >= document.pages.size()) return {};
    for (const print::Item& item : document.pages[page].items) {
        if (IsText(item) && Near(item.y, y)) found.push_back(item);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const print::Item& a, const print::Item& b) { return a.left < b.left; });
    std::string line;
    for (const print::Item& item : found) {
        if (!line.empty()) line += ' ';
        line += item.text;
    }
    return line;
}

std::string WrappedText(const print::Document& document, std::size_t page) {
    std::string text;
    for (const print::Item& item : ItemsOf(document, page, print::ItemKind::WrappedLine)) {
        if (!text.empty()) text += '\n';
        text += item.text;
    }
    return text;
}

std::vector<print::Item> ItemsOf(const print::Document& document, std::size_t page,
                                 print::ItemKind kind) {
    std::vector<print::Item> found;
    if (page >= document.pages.size()) return found;
    for (const print::Item& item : document.pages[page].items) {
        if (item.kind == kind) found.push_back(item);
    }
    return found;
}

}  // namespace testing
