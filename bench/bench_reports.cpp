// A report of all 2000 clients to a finished PDF, in style 0 (a list, about 38 pages) and in
// style 2 (a page or more per client, with the history), beside painting the same texts at
// the same places with QPainter straight into a PDF.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <vector>

#include "common/paired.h"
#include "common/qt_main.h"
#include "common/report_run.h"
#include "common/running_program.h"
#include "platform/print/dp.h"
#include "platform/print/fonts.h"
#include "platform/print/paint.h"
#include "reports/report_engine.h"

namespace {

constexpr int PdfResolution = 1440;

// One page's drawing, ready for the painter: texts with their fonts and places, and rules.
struct Drawing {
    struct Text {
        int font;
        QPointF at;
        QString text;
    };
    struct Rule {
        QLineF line;
        double width;
    };
    std::vector<std::vector<Text>> pageTexts;
    std::vector<std::vector<Rule>> pageRules;
    std::vector<QFont> fonts;
};

Drawing DrawingOf(const print::Document& document) {
    Drawing drawing;
    for (const print::FontChoice& choice : document.fonts) {
        drawing.fonts.push_back(print::FontFor(choice));
    }
    const auto inUnits = [](float x, float y) {
        return QPointF(x * print::UNITS_PER_INCH, y * print::UNITS_PER_INCH);
    };
    for (const print::Page& page : document.pages) {
        auto& texts = drawing.pageTexts.emplace_back();
        auto& rules = drawing.pageRules.emplace_back();
        for (const print::Item& item : page.items) {
            if (item.kind == print::ItemKind::Rule) {
                rules.push_back({QLineF(inUnits(item.x, item.y), inUnits(item.x2, item.y2)),
                                 item.width * print::UNITS_PER_POINT});
            } else if (!item.text.empty()) {
                texts.push_back(
                    {item.font, inUnits(item.left, item.y), QString::fromStdString(item.text)});
            }
        }
    }
    return drawing;
}

// The limit: a PDF of US Letter pages painted with nothing but QPainter calls.
void PaintStraightIntoPdf(const Drawing& drawing, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(PdfResolution);
    writer.setTitle(title);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    for (std::size_t page = 0; page < drawing.pageTexts.size(); ++page) {
        if (page > 0) writer.newPage();
        for (const Drawing::Rule& rule : drawing.pageRules[page]) {
            painter.setPen(QPen(Qt::black, rule.width, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(rule.line);
        }
        painter.setPen(Qt::black);
        int font = -1;
        for (const Drawing::Text& text : drawing.pageTexts[page]) {
            if (text.font != font)
                painter.setFont(drawing.fonts[static_cast<std::size_t>(font = text.font)]);
            painter.drawText(text.at, text.text);
        }
    }
    painter.end();
    benchmark::DoNotOptimize(buffer.size());
}

void BM_ReportToPdf(benchmark::State& state) {
    if (!bench::StartFullProgram()) return state.SkipWithError("the program did not start");
    const auto style = static_cast<reports::ReportStyle>(state.range(0));
    const auto clients = bench::AllListedClients();
    qint64 pdfBytes = 0;
    print::SetEndDocHandler([&](const print::Document& document, int) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        print::WritePdf(document, buffer);
        pdfBytes = buffer.size();
    });
    // One run, untimed, gives the texts and places the limit paints.
    reports::PrintReport(clients, style, false);
    const auto document = print::LastDocument();
    if (!document || pdfBytes == 0) {
        print::SetEndDocHandler(nullptr);
        return state.SkipWithError("the report made no PDF");
    }
    const Drawing drawing = DrawingOf(*document);
    const QString title = QString::fromStdString(document->title);
    bench::RunPaired(
        state, [] {}, [&] { reports::PrintReport(clients, style, false); },
        [&] { PaintStraightIntoPdf(drawing, title); });
    print::SetEndDocHandler(nullptr);
    state.counters["pages"] = static_cast<double>(document->pages.size());
    state.counters["pdf_MB"] = static_cast<double>(pdfBytes) / (1 << 20);
}
BENCHMARK(BM_ReportToPdf)
    ->ArgName("style")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
