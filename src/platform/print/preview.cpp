#include "platform/print/preview.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/print/paint.h"

namespace print {

namespace {

constexpr double PAPER_WIDTH_INCHES = 8.5;
constexpr double PAPER_HEIGHT_INCHES = 11.0;
constexpr int PAGE_GAP = 12;  // pixels around and between the pages
constexpr int SHADOW = 3;
constexpr double MIN_ZOOM = 0.1;
constexpr double MAX_ZOOM = 8.0;
constexpr double ZOOM_STEP = 1.25;

// The pages one under the other, each painted only while it is in view.
class PageView : public QAbstractScrollArea {
public:
    enum class Fit { None, Width, Page };

    explicit PageView(const Document& document) : document_(document) {
        setObjectName(QStringLiteral("previewPages"));
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(QStringLiteral("Pages"));
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
        verticalScrollBar()->setSingleStep(20);
        horizontalScrollBar()->setSingleStep(20);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { tellCurrentPage(); });
    }

    std::function<void(int)> onPageChanged;  // the page in view changed (0 = the first)

    int pageCount() const { return static_cast<int>(document_.pages.size()); }
    int lastPage() const { return std::max(0, pageCount() - 1); }

    // The page the user is looking at: the one last gone to while the view has not moved
    // since, else the page in the upper half of the view (the last page once the view has
    // reached the end).
    int currentPage() const {
        const int value = verticalScrollBar()->value();
        if (wentTo_ >= 0 && value == wentToScroll_) return wentTo_;
        if (value > 0 && value >= verticalScrollBar()->maximum()) return lastPage();
        const double probe = value + std::min<double>(viewport()->height(), pageHeight()) / 2;
        const int page = static_cast<int>(std::floor((probe - PAGE_GAP / 2.0) / pageStep()));
        return std::clamp(page, 0, lastPage());
    }

    // Scrolls the page's top into view (as far as the end of the document allows).
    void showPage(int page) {
        page = std::clamp(page, 0, lastPage());
        QScrollBar& bar = *verticalScrollBar();
        // Noted first, so that the page box hears of this page and of no other on the way.
        wentTo_ = page;
        wentToScroll_ = std::clamp(static_cast<int>(std::lround(pageTop(page) - PAGE_GAP)),
                                   bar.minimum(), bar.maximum());
        bar.setValue(wentToScroll_);
        tellCurrentPage();
    }

    void fit(Fit fit) {
        fit_ = fit;
        relayOut();
    }

    void zoomBy(double factor) {
        fit_ = Fit::None;
        zoom_ = std::clamp(zoom_ * factor, MIN_ZOOM, MAX_ZOOM);
        relayOut();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        const double top = verticalScrollBar()->value();
        const double bottom = top + viewport()->height();
        const double left = pageLeft() - horizontalScrollBar()->value();
        const int first = std::max(0, static_cast<int>((top - PAGE_GAP) / pageStep()));
        for (int page = first; page < pageCount() && pageTop(page) < bottom; ++page) {
            const QRectF paper(left, pageTop(page) - top, pageWidth(), pageHeight());
            if (!event->region().intersects(paper.toAlignedRect().adjusted(0, 0, SHADOW, SHADOW))) {
                continue;
            }
            painter.fillRect(paper.translated(SHADOW, SHADOW), palette().shadow());
            painter.fillRect(paper, Qt::white);
            painter.save();
            painter.setClipRect(paper);
            painter.translate(paper.topLeft());
            painter.scale(zoom_, zoom_);
            PaintPage(document_, static_cast<std::size_t>(page), painter);
            painter.restore();
        }
        if (hasFocus()) {
            // The pages have the keyboard (the arrow keys scroll them): a frame shows it.
            QPen pen(palette().color(QPalette::Highlight));
            pen.setWidth(2);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
        }
    }

    void focusInEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusInEvent(event);
        viewport()->update();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QAbstractScrollArea::focusOutEvent(event);
        viewport()->update();
    }

    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        relayOut();
    }

    void wheelEvent(QWheelEvent* event) override {
        if ((event->modifiers() & Qt::ControlModifier) == 0) {
            QAbstractScrollArea::wheelEvent(event);
            return;
        }
        if (event->angleDelta().y() != 0)
            zoomBy(event->angleDelta().y() > 0 ? ZOOM_STEP : 1 / ZOOM_STEP);
        event->accept();
    }

private:
    // Paper size at the screen's resolution and the zoom.
    double pageWidth() const { return PAPER_WIDTH_INCHES * logicalDpiX() * zoom_; }
    double pageHeight() const { return PAPER_HEIGHT_INCHES * logicalDpiY() * zoom_; }
    double pageStep() const { return pageHeight() + PAGE_GAP; }
    double pageTop(int page) const { return PAGE_GAP + page * pageStep(); }
    // Centred while the pages are narrower than the view.
    double pageLeft() const {
        return std::max<double>(PAGE_GAP, (viewport()->width() - pageWidth()) / 2.0);
    }

    // Lays the pages out anew at the zoom (or fit) chosen, keeping the same page in view.
    void relayOut() {
        const int page = currentPage();
        refit();
        showPage(page);
    }

    void refit() {
        const double width = std::max(1, viewport()->width() - 2 * PAGE_GAP - SHADOW);
        const double height = std::max(1, viewport()->height() - 2 * PAGE_GAP - SHADOW);
        const double widthZoom = width / (PAPER_WIDTH_INCHES * logicalDpiX());
        const double pageZoom = std::min(widthZoom, height / (PAPER_HEIGHT_INCHES * logicalDpiY()));
        if (fit_ == Fit::Width) zoom_ = std::clamp(widthZoom, MIN_ZOOM, MAX_ZOOM);
        if (fit_ == Fit::Page) zoom_ = std::clamp(pageZoom, MIN_ZOOM, MAX_ZOOM);
        layOut();
    }

    void layOut() {
        const int contentHeight = static_cast<int>(std::ceil(PAGE_GAP + pageCount() * pageStep()));
        const int contentWidth = static_cast<int>(std::ceil(pageWidth() + 2 * PAGE_GAP + SHADOW));
        verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
        verticalScrollBar()->setPageStep(viewport()->height());
        horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        viewport()->update();
        tellCurrentPage();
    }

    void tellCurrentPage() {
        const int page = currentPage();
        if (page == shownPage_) return;
        shownPage_ = page;
        if (onPageChanged) onPageChanged(page);
    }

    const Document& document_;
    double zoom_ = 1.0;
    Fit fit_ = Fit::Width;
    int shownPage_ = -1;  // the page last told to onPageChanged
    int wentTo_ = -1;     // the page showPage went to, and the scroll position it left
    int wentToScroll_ = -1;
};

class PreviewWindow : public QDialog {
public:
    PreviewWindow(const Document& document, QWidget* parent, const PrintFromPreview& print)
        : QDialog(parent), print_(print) {
        setObjectName(QString::fromLatin1(PREVIEW_WINDOW_NAME));
        setWindowTitle(QString::fromStdString(document.title) + QStringLiteral(" - Print Preview"));
        setProperty("pageCount", static_cast<int>(document.pages.size()));
        setSizeGripEnabled(true);

        view_ = new PageView(document);
        auto* tools = new QToolBar;
        tools->setObjectName(QStringLiteral("previewTools"));
        tools->setToolButtonStyle(Qt::ToolButtonTextOnly);

        addTool(tools, QStringLiteral("&Print..."), QKeySequence::Print, [this] {
            if (print_) print_(*this);
        });
        tools->addSeparator();
        addTool(tools, QStringLiteral("Fit &Width"), {},
                [this] { view_->fit(PageView::Fit::Width); });
        addTool(tools, QStringLiteral("Fit P&age"), {},
                [this] { view_->fit(PageView::Fit::Page); });
        addTool(tools, QStringLiteral("Zoom &In"), QKeySequence::ZoomIn,
                [this] { view_->zoomBy(ZOOM_STEP); });
        addTool(tools, QStringLiteral("Zoom &Out"), QKeySequence::ZoomOut,
                [this] { view_->zoomBy(1 / ZOOM_STEP); });
        tools->addSeparator();
        addTool(tools, QStringLiteral("&First"), QKeySequence(Qt::CTRL | Qt::Key_Home),
                [this] { view_->showPage(0); });
        addTool(tools, QStringLiteral("P&revious"), {},
                [this] { view_->showPage(view_->currentPage() - 1); });

        pageBox_ = new QSpinBox;
        pageBox_->setObjectName(QStringLiteral("previewPageNumber"));
        pageBox_->setRange(1, std::max(1, view_->pageCount()));
        pageBox_->setKeyboardTracking(false);
        pageBox_->setAccessibleName(QStringLiteral("Page"));
        tools->addWidget(pageBox_);
        auto* ofPages = new QLabel(QStringLiteral(" of %1 ").arg(view_->pageCount()));
        ofPages->setObjectName(QStringLiteral("previewPageCount"));
        tools->addWidget(ofPages);

        addTool(tools, QStringLiteral("&Next"), {},
                [this] { view_->showPage(view_->currentPage() + 1); });
        addTool(tools, QStringLiteral("&Last"), QKeySequence(Qt::CTRL | Qt::Key_End),
                [this] { view_->showPage(view_->pageCount() - 1); });
        tools->addSeparator();
        addTool(tools, QStringLiteral("&Close"), {}, [this] { reject(); });

        connect(pageBox_, &QSpinBox::valueChanged, this, [this](int number) {
            if (number - 1 != view_->currentPage()) view_->showPage(number - 1);
        });
        view_->onPageChanged = [this](int page) {
            const QSignalBlocker quiet(pageBox_);
            pageBox_->setValue(page + 1);
        };

        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(tools);
        layout->addWidget(view_, 1);
        view_->setFocus();
    }

    ~PreviewWindow() override {
        // The page box may go before the view while the window is taken apart.
        view_->onPageChanged = nullptr;
    }

protected:
    // Showing a window forgets how its focus last moved: the focus shows from the start.
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        setAttribute(Qt::WA_KeyboardFocusChange);
    }

private:
    template <typename Act>
    void addTool(QToolBar* tools, const QString& text, const QKeySequence& keys, Act act) {
        QAction* action = tools->addAction(text);
        if (!keys.isEmpty()) action->setShortcut(keys);
        // A toolbar's buttons take no focus of their own; here Tab reaches each of them.
        if (QWidget* button = tools->widgetForAction(action)) button->setFocusPolicy(Qt::TabFocus);
        connect(action, &QAction::triggered, this, act);
    }

    PrintFromPreview print_;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
};

}  // namespace

void ShowPreview(const Document& document, QWidget* parent, const PrintFromPreview& print) {
    PreviewWindow window(document, parent, print);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.resize(screen->availableSize() * 3 / 4);
    }
    window.exec();
}

}  // namespace print
