// Opening the print preview of the style 2 report of all 2000 clients (a page or more per
// client, with the history): from the user's click on "Print All" until the first page is
// on screen. Beside it, the least that showing one page costs: painting the report's first
// page into an image of the preview's size; and, for comparison, Qt's own preview dialog of
// 2000 pages of one line each, which draws every page before it shows the first.
#include <benchmark/benchmark.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include "common/paired.h"
#include "common/qt_main.h"
#include "common/report_run.h"
#include "common/running_program.h"
#include "platform/print/dp.h"
#include "platform/print/paint.h"
#include "reports/report_engine.h"

namespace {

constexpr const char* PreviewName = "printPreview";
// A preview that has not shown a page by then is taken as broken.
constexpr int GiveUpMilliseconds = 60000;

bool InPreview(const QWidget* widget) {
    return widget->window() != nullptr && widget->window()->objectName() == PreviewName;
}

// The page area of a preview: the viewport of its scrolling view.
bool IsPageArea(const QWidget* widget) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget->parentWidget());
    return area != nullptr && area->viewport() == widget && InPreview(widget);
}

// Notes when the preview's page area has been painted for the first time, then closes the
// preview as the user would.
class FirstPageWatch : public QObject {
public:
    // Watches for the next preview; the moment its page shows, 0 until then.
    void reset() {
        seen_ = false;
        shownAt_ = 0;
    }
    double shownAt() const { return shownAt_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            IsPageArea(static_cast<QWidget*>(watched))) {
            seen_ = true;
            // Queued: the page is on screen once this paint has been delivered.
            QTimer::singleShot(0, [this] {
                shownAt_ = bench::Now();
                ClosePreview();
            });
        }
        return false;
    }

private:
    static void ClosePreview() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == PreviewName && window->isVisible()) window->close();
        }
    }

    double shownAt_ = 0;
    bool seen_ = false;
};

void PaintFirstPage(const print::Document& document, QImage& image) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(image.width() / 8.5 / 96.0, image.width() / 8.5 / 96.0);
    print::PaintPage(document, 0, painter);
}

void BM_PreviewFirstPage(benchmark::State& state) {
    if (!bench::StartFullProgram()) return state.SkipWithError("the program did not start");
    const auto clients = bench::AllListedClients();
    const auto style = reports::ReportStyle::PagePerClientWithHistory;
    FirstPageWatch watch;
    qApp->installEventFilter(&watch);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == PreviewName) window->close();
        }
    });
    // How much of the wait is the report itself: the document made and handed on.
    print::SetEndDocHandler([](const print::Document&, int) {});
    const double documentStart = bench::Now();
    reports::PrintReport(clients, style, true);
    const double documentSeconds = bench::Now() - documentStart;
    print::SetEndDocHandler(nullptr);
    QImage page(816, 1056, QImage::Format_ARGB32_Premultiplied);
    std::shared_ptr<const print::Document> document;
    bool failed = false;
    bench::RunPaired(
        state, [&] { watch.reset(); },
        [&] {
            const double clicked = bench::Now();
            giveUp.start(GiveUpMilliseconds);
            reports::PrintReport(clients, style, true);
            giveUp.stop();
            document = print::LastDocument();
            failed = failed || watch.shownAt() == 0;
            // Up to the first page on screen, not until the preview closed.
            return watch.shownAt() - clicked;
        },
        [&] {
            if (document) PaintFirstPage(*document, page);
        });
    qApp->removeEventFilter(&watch);
    if (failed) state.SkipWithError("the preview showed no page");
    if (document) state.counters["pages"] = static_cast<double>(document->pages.size());
    state.counters["document_ms"] = documentSeconds * 1e3;
}
BENCHMARK(BM_PreviewFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond);

// Qt's print preview of as many pages as the report has, one line on each, from its opening
// until its first page is on screen.
void BM_QtPreviewOfOneLinePages(benchmark::State& state) {
    constexpr int Pages = 2000;
    FirstPageWatch watch;
    qApp->installEventFilter(&watch);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    for (auto _ : state) {
        watch.reset();
        const double opened = bench::Now();
        QPrintPreviewDialog dialog(&printer);
        dialog.setObjectName(PreviewName);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [](QPrinter* target) {
            QPainter painter(target);
            for (int page = 1; page <= Pages; ++page) {
                if (page > 1) target->newPage();
                painter.drawText(100, 100, QStringLiteral("Page %1").arg(page));
            }
        });
        dialog.exec();
        if (watch.shownAt() == 0) return state.SkipWithError("the preview showed no page");
        state.SetIterationTime(watch.shownAt() - opened);
    }
    qApp->removeEventFilter(&watch);
}
BENCHMARK(BM_QtPreviewOfOneLinePages)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
