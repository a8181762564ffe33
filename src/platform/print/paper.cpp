#include "platform/print/paper.h"

#include <QLocale>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <langinfo.h>
#endif

namespace print {

namespace {

constexpr int LETTER_WIDTH_MM = 216;
constexpr int LETTER_HEIGHT_MM = 279;
constexpr int SIZE_TOLERANCE_MM = 3;

}  // namespace

QPageSize PaperForSize(int widthMillimetres, int heightMillimetres) {
    const bool letter = std::abs(widthMillimetres - LETTER_WIDTH_MM) <= SIZE_TOLERANCE_MM &&
                        std::abs(heightMillimetres - LETTER_HEIGHT_MM) <= SIZE_TOLERANCE_MM;
    return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

QPageSize LocalePaper() {
#if defined(__GLIBC__)
    // glibc hands these two numbers out through the pointer; the program's locale was taken
    // from the environment when the application started.
    const auto width =
        static_cast<int>(reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_WIDTH)));
    const auto height =
        static_cast<int>(reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_HEIGHT)));
    if (width > 0 && height > 0) return PaperForSize(width, height);
#endif
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

}  // namespace print
