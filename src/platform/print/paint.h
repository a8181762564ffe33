#pragma once

// Painting a document on paper-like devices: printers, PDF files and the preview.

#include <QPageSize>
#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/print/document.h"

class QIODevice;
class QPagedPaintDevice;
class QPainter;

namespace print {

// Paints one page (0 = the first) with the painter, which is active on a page of paper:
// coordinates count from the paper's edge whatever margins the device keeps.
void PaintPage(const Document& document, std::size_t page, QPainter& painter);

// Told after each page how many pages are done; false stops the painting.
using PagesDone = std::function<bool(std::size_t done)>;

// Paints the pages given (all when none are), in that order, starting a new page of the
// device between two pages. False when the progress stopped it.
bool PaintDocument(const Document& document, QPainter& painter, QPagedPaintDevice& device,
                   const std::vector<std::size_t>& pages = {}, const PagesDone& progress = {});

// How a PDF is made: portrait pages of the paper given, the pages chosen (all when none are),
// and who hears of the progress.
struct PdfSetup {
    QPageSize paper = QPageSize(QPageSize::Letter);
    std::vector<std::size_t> pages;
    PagesDone progress;
};

// Writes the document as a PDF file. False when it could not be written or the progress
// stopped it; the target file is then left as it was.
bool WritePdf(const Document& document, const QString& path, const PdfSetup& setup = {});
bool WritePdf(const Document& document, QIODevice& device, const PdfSetup& setup = {});

}  // namespace print
