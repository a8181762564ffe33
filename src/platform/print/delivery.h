#pragma once

// Delivering an ended document: to the seam a test installed, to the preview window, to the
// printer, or into a PDF file when nothing can be printed.

#include "platform/print/document.h"

namespace print {

// 1 when the document reached the preview, the printer or a PDF file; 0 when it could not
// be kept (the user has been told).
int Deliver(const Document& document, int mode);

}  // namespace print
