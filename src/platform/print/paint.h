#pragma once

// Painting a document on paper-like devices: printers, PDF files and the preview.

#include <QString>
#include <cstddef>
#include <string>

#include "platform/print/document.h"

class QIODevice;
class QPagedPaintDevice;
class QPainter;

namespace print {

// Paints one page (0 = the first) with the painter, which is active on a page of paper:
// coordinates count from the paper's edge whatever margins the device keeps.
void PaintPage(const Document& document, std::size_t page, QPainter& painter);

// Paints every page, starting a new page of the device between two pages.
void PaintDocument(const Document& document, QPainter& painter, QPagedPaintDevice& device);

// Writes the document as a PDF file of portrait US Letter pages. False when it could not be
// written; the target is then left as it was.
bool WritePdf(const Document& document, const QString& path);
bool WritePdf(const Document& document, QIODevice& device);

}  // namespace print
