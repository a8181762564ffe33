#include "platform/print/paint.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <vector>

#include "platform/print/fonts.h"

namespace print {

namespace {

constexpr int PDF_RESOLUTION = 1440;

// Places the painter's origin at the paper's corner and its unit at one logical unit.
void UsePaperUnits(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (auto* paged = dynamic_cast<QPagedPaintDevice*>(device)) {
        const QPageLayout layout = paged->pageLayout();
        const QRect paintRect = layout.paintRectPixels(device->logicalDpiX());
        painter.translate(-paintRect.topLeft());
    }
    painter.scale(device->logicalDpiX() / UNITS_PER_INCH, device->logicalDpiY() / UNITS_PER_INCH);
}

QPointF InUnits(float x, float y) {
    return {x * UNITS_PER_INCH, y * UNITS_PER_INCH};
}

void PaintItems(const Page& page, const std::vector<QFont>& fonts, QPainter& painter) {
    const QPen textPen(Qt::black);
    painter.setPen(textPen);
    int currentFont = -1;
    for (const Item& item : page.items) {
        if (item.kind == ItemKind::Rule) {
            painter.setPen(
                QPen(Qt::black, item.width * UNITS_PER_POINT, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(InUnits(item.x, item.y), InUnits(item.x2, item.y2));
            painter.setPen(textPen);
            continue;
        }
        if (item.text.empty()) continue;
        if (item.font != currentFont && item.font < fonts.size()) {
            painter.setFont(fonts[item.font]);
            currentFont = item.font;
        }
        painter.drawText(InUnits(item.left, item.y), DisplayText(item.text));
    }
}

std::vector<QFont> FontsOf(const Document& document) {
    std::vector<QFont> fonts;
    fonts.reserve(document.fonts.size());
    for (const FontChoice& choice : document.fonts) fonts.push_back(FontFor(choice));
    return fonts;
}

void PaintWithFonts(const Document& document, std::size_t page, const std::vector<QFont>& fonts,
                    QPainter& painter) {
    if (page >= document.pages.size()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    UsePaperUnits(painter);
    PaintItems(document.pages[page], fonts, painter);
    painter.restore();
}

}  // namespace

void PaintPage(const Document& document, std::size_t page, QPainter& painter) {
    PaintWithFonts(document, page, FontsOf(document), painter);
}

bool PaintDocument(const Document& document, QPainter& painter, QPagedPaintDevice& device,
                   const std::vector<std::size_t>& pages, const PagesDone& progress) {
    const std::vector<QFont> fonts = FontsOf(document);
    const std::size_t count = pages.empty() ? document.pages.size() : pages.size();
    for (std::size_t done = 0; done < count; ++done) {
        if (done > 0) device.newPage();
        PaintWithFonts(document, pages.empty() ? done : pages[done], fonts, painter);
        if (progress && !progress(done + 1)) return false;
    }
    return true;
}

bool WritePdf(const Document& document, QIODevice& device, const PdfSetup& setup) {
    QPdfWriter writer(&device);
    writer.setResolution(PDF_RESOLUTION);
    writer.setTitle(QString::fromStdString(document.title));
    writer.setCreator(QString::fromStdString(document.title));
    const QPageSize paper = setup.paper.isValid() ? setup.paper : QPageSize(QPageSize::Letter);
    writer.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const bool whole = PaintDocument(document, painter, writer, setup.pages, setup.progress);
    return painter.end() && whole;
}

bool WritePdf(const Document& document, const QString& path, const PdfSetup& setup) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!WritePdf(document, file, setup)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace print
