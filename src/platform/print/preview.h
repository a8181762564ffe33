#pragma once

// The print preview: the document's pages one under the other in a scrolling window, from
// which the user may print. A page is painted only when it comes into view, so the first page
// is on screen at once however long the report is (a preview that records every page before
// it shows the first keeps the user waiting a second or more for a 2000-page report).

#include <functional>
#include <string>

#include "platform/print/document.h"

class QPrinter;
class QWidget;

namespace print {

// The preview window's object name; its property "pageCount" holds the number of pages.
inline constexpr const char* PREVIEW_WINDOW_NAME = "printPreview";

// Called when printing from the preview failed, with the reason for the user.
using PrintFailed = std::function<void(const std::string& reason)>;

// Shows the document over parent until the user closes the window. "Print" asks for the
// printer in the printer's own dialog and prints every page on the printer given.
void ShowPreview(const Document& document, QPrinter& printer, QWidget* parent,
                 const PrintFailed& printFailed);

}  // namespace print
