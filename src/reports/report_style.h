#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace reports {

// The five report layouts, numbered as they are stored in DefaultPrintStyle.
enum class ReportStyle : std::int32_t {
    ListWithFollowUp = 0,
    ListPhonesOnly = 1,
    PagePerClientWithHistory = 2,
    PagePerClientNoHistory = 3,
    ListByFollowUpDate = 4,
};

inline constexpr int ReportStyleCount = 5;

// The captions of the styles' radio buttons, by style number.
inline constexpr std::array<const char*, ReportStyleCount> StyleCaptions{
    "Contact names, phone numbers, follow-up", "Contact names, phone numbers only",
    "One client per page, including history",  "One client per page, no history",
    "Client listing by follow-up date",
};

// In the print and options windows the radio button of style s has id 100 + 5 * s.
inline constexpr int FirstStyleRadio = 100;
inline constexpr int StyleRadioStep = 5;

constexpr int StyleRadioId(ReportStyle style) {
    return FirstStyleRadio + StyleRadioStep * static_cast<int>(style);
}

// The style of a radio button id, or nothing for any other id.
constexpr std::optional<ReportStyle> StyleOfRadio(int id) {
    const int offset = id - FirstStyleRadio;
    if (offset < 0 || offset % StyleRadioStep != 0 || offset / StyleRadioStep >= ReportStyleCount) {
        return std::nullopt;
    }
    return static_cast<ReportStyle>(offset / StyleRadioStep);
}

// A stored style number as a style; a number outside 0..4 (a damaged data file) counts as
// the first style, so that one radio button is always on.
constexpr ReportStyle StyleFromNumber(std::int32_t number) {
    return number >= 0 && number < ReportStyleCount ? static_cast<ReportStyle>(number)
                                                    : ReportStyle::ListWithFollowUp;
}

}  // namespace reports
