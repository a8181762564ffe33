#pragma once

// The paper a report is laid out on when no printer names one. The report layout (inches from
// the top-left corner, nothing right of 8 inches or below 10.4 inches) fits US Letter and A4.

#include <QPageSize>

namespace print {

// Letter for a size within a few millimetres of 216 x 279 mm, A4 for anything else: the two
// papers the C library's locales name.
QPageSize PaperForSize(int widthMillimetres, int heightMillimetres);

// The paper of the user's locale (LC_PAPER): Letter in the US, Canada and the like, else A4.
QPageSize LocalePaper();

}  // namespace print
