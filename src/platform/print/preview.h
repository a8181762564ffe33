#pragma once

// The print preview: the document's pages one under the other in a scrolling window, from
// which the user may print. A page is painted only when it comes into view, so the first page
// is on screen at once however long the report is (a preview that records every page before
// it shows the first keeps the user waiting a second or more for a 2000-page report).

#include <functional>
#include <string>

#include "platform/print/document.h"

class QWidget;

namespace print {

// The preview window's object name; its property "pageCount" holds the number of pages.
inline constexpr const char* PREVIEW_WINDOW_NAME = "printPreview";

// What the preview's "Print" does; it is handed the preview window.
using PrintFromPreview = std::function<void(QWidget& preview)>;

// Shows the document over parent until the user closes the window.
void ShowPreview(const Document& document, QWidget* parent, const PrintFromPreview& print);

}  // namespace print
