#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"
#include "platform/gui/list_model.h"

namespace gui {
namespace layer {

namespace {

// Draws a cell as one line of plain text, cut with "…" where it is too long for its column.
// The style's own item painting lays every text out twice (once to cut it, once to draw it),
// which is most of the time a full list takes to appear. The keyboard's current row has a
// frame only while it is highlighted: the style's frame on an unhighlighted row looks like a
// highlight, and the program counts none.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = item.rect.adjusted(margin, 0, -margin, 0);
        if (!item.text.isEmpty() && textRect.width() > 0) {
            const QPalette::ColorGroup group =
                !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                      : QPalette::Inactive;
            painter->save();
            painter->setFont(item.font);
            painter->setPen(item.palette.color(group, (item.state & QStyle::State_Selected)
                                                          ? QPalette::HighlightedText
                                                          : QPalette::Text));
            const QFontMetrics metrics(item.font);
            // Most cells fit for sure by their length alone; only the others are measured.
            const bool fits = qint64(metrics.maxWidth()) * item.text.size() <= textRect.width() ||
                              metrics.horizontalAdvance(item.text) <= textRect.width();
            const QString shown =
                fits ? item.text : metrics.elidedText(item.text, Qt::ElideRight, textRect.width());
            const int baseline =
                textRect.top() + (textRect.height() - metrics.height()) / 2 + metrics.ascent();
            painter->drawText(QPoint(textRect.left(), baseline), shown);
            painter->restore();
        }

        if (item.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(item);
            focus.rect = item.rect;
            focus.state |= QStyle::State_KeyboardFocusChange;
            focus.backgroundColor = item.palette.color(
                (item.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled,
                (item.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected)) option->state &= ~QStyle::State_HasFocus;
    }
};

// Column titles measured in their own font. The toolkit measures a title in bold, for a
// highlighted section; these sections are never highlighted, and the bold face would be
// loaded for nothing.
class ListHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        if (model()) option.text = model()->headerData(logicalIndex, orientation()).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

// A list of rows and columns. The person's actions raise events; changes made by the
// program raise none, since its handlers change the selection themselves.
class ListView : public QTreeView {
public:
    ListView() : rows_(new RowsModel(this)) {
        setHeader(new ListHeader(Qt::Horizontal, this));
        setModel(rows_);
        setItemDelegate(new RowDelegate(this));
        setRootIsDecorated(false);
        setItemsExpandable(false);
        setUniformRowHeights(true);
        setSortingEnabled(false);
        setAllColumnsShowFocus(false);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setTextElideMode(Qt::ElideRight);
        setFocusPolicy(Qt::StrongFocus);
        header()->setSectionsClickable(true);
        header()->setSectionsMovable(false);
        header()->setStretchLastSection(false);
        header()->setHighlightSections(false);
        header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        connect(header(), &QHeaderView::sectionClicked, this,
                [this](int column) { columnClicked(column); });
    }

    RowsModel& rows() { return *rows_; }

    // Column widths in characters, applied once the character width is known.
    void setColumnWidths(std::vector<double> widths) { columnWidths_ = std::move(widths); }
    void placeColumns(double unit) {
        unit_ = unit;
        for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
            header()->resizeSection(int(i), int(std::lround(columnWidths_[i] * unit)));
        }
        for (const int column : fittedColumns_) fitColumn(column);
    }

    // The column as wide as its widest text, and never narrower than its own width: the list
    // scrolls sideways only when a text needs it. Fitted now, once the columns are placed, and
    // whenever they are placed again.
    void fitColumnToTexts(int column) {
        if (column < 0 || std::size_t(column) >= columnWidths_.size()) return;
        if (std::find(fittedColumns_.begin(), fittedColumns_.end(), column) ==
            fittedColumns_.end()) {
            fittedColumns_.push_back(column);
        }
        if (unit_ > 0) fitColumn(column);
    }

    std::vector<int> selectedRowNumbers() const {
        std::vector<int> numbers;
        for (const QModelIndex& index : selectionModel()->selectedRows()) {
            numbers.push_back(index.row());
        }
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

protected:
    // The program runs its own type-ahead on the key events.
    void keyboardSearch(const QString&) override {}

    // The keyboard's row is a highlighted one, or none: Qt would make the first row current
    // without highlighting it, and the first Down would then pass over it unseen. With none
    // current, the first arrow key (or Home, End) highlights the first row.
    void focusInEvent(QFocusEvent* event) override {
        const bool hadCurrent = currentIndex().isValid();
        QTreeView::focusInEvent(event);
        if (hadCurrent) return;
        const std::vector<int> selected = selectedRowNumbers();
        const QModelIndex current =
            selected.empty() ? QModelIndex() : rows_->index(selected.front(), 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }

    // From no current row, End goes to the last row (Qt would take any key to the first).
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action == MoveEnd && !currentIndex().isValid() && rows_->rowCount() > 0) {
            return rows_->index(rows_->rowCount() - 1, 0);
        }
        return QTreeView::moveCursor(action, modifiers);
    }

    void focusOutEvent(QFocusEvent* event) override {
        QTreeView::focusOutEvent(event);
        viewport()->update();
    }

    // A frame around the rows shows the list has the keyboard: a highlighted row looks the
    // same with the focus as without, and a list may have no row highlighted at all.
    void paintEvent(QPaintEvent* event) override {
        QTreeView::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(viewport());
        QPen pen(palette().color(QPalette::Highlight));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
    }

    void keyPressEvent(QKeyEvent* event) override {
        // The highlight before the key: a change the handler makes in answer to the key (the
        // type-ahead) is the person's doing as much as one the view makes.
        const std::vector<int> before = selectedRowNumbers();
        const int original = VirtualKey(event->key(), event->modifiers());
        if (original != 0 && KeyEventsAllowed()) {
            const Owner owner = OwnerOf(this);
            QPointer<ListView> self(this);
            const int value =
                owner.found ? Raise(owner.form, owner.id, EV_KEY, original).value : original;
            if (!self) return;
            if (value == VK_TAB && original != VK_TAB) {
                if (auto* form = dynamic_cast<FormWindow*>(window())) form->moveFocusOn();
                notifyIfChanged(before);
                return;
            }
            if (value == 0) {
                notifyIfChanged(before);
                return;
            }
        }
        QPointer<ListView> self(this);
        QTreeView::keyPressEvent(event);
        if (self) notifyIfChanged(before);
    }

    void mousePressEvent(QMouseEvent* event) override {
        beforeMouse_ = selectedRowNumbers();
        mouseDown_ = true;
        QTreeView::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        QTreeView::mouseReleaseEvent(event);
        if (!mouseDown_) return;
        mouseDown_ = false;
        QPointer<ListView> self(this);
        notifyIfChanged(beforeMouse_);
        if (!self || event->button() != Qt::LeftButton) return;
        const Owner owner = OwnerOf(this);
        if (owner.found) Raise(owner.form, owner.id, EV_CLICK, 0);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        // The click of the first press has been told; the second press tells the double-click.
        const std::vector<int> before = selectedRowNumbers();
        mouseDown_ = false;
        const bool onRow = indexAt(event->position().toPoint()).isValid();
        QPointer<ListView> self(this);
        QTreeView::mouseDoubleClickEvent(event);
        if (!self) return;
        notifyIfChanged(before);
        if (!self || !onRow || event->button() != Qt::LeftButton) return;
        const Owner owner = OwnerOf(this);
        if (owner.found) Raise(owner.form, owner.id, EV_DBLCLICK, 0);
    }

private:
    // Each different text is measured once: a list of thousands of notes holds few.
    void fitColumn(int column) {
        const QFontMetrics metrics(font());
        const int margins =
            2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
        int widest = int(std::lround(columnWidths_[std::size_t(column)] * unit_));
        std::unordered_set<std::string_view> measured;
        for (int row = 0; row < rows_->rowCount(); ++row) {
            const std::string_view text = rows_->cellText(row, column);
            if (!measured.insert(text).second) continue;
            const QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
            widest = std::max(widest, metrics.horizontalAdvance(shown) + margins);
        }
        header()->resizeSection(column, widest);
    }

    void notifyIfChanged(const std::vector<int>& before) {
        if (!NotifyEventsAllowed() || selectedRowNumbers() == before) return;
        const Owner owner = OwnerOf(this);
        if (owner.found) Raise(owner.form, owner.id, EV_NOTIFY, LVN_ITEMCHANGED);
    }

    void columnClicked(int column) {
        const HookProc hook = Hook();
        const Owner owner = OwnerOf(this);
        if (!hook || !owner.found) return;
        NMLISTVIEW record;
        record.hdr.hwndFrom = EZ_HANDLE(owner.form, owner.id);
        record.hdr.idFrom = std::uintptr_t(owner.id);
        record.hdr.code = LVN_COLUMNCLICK;
        record.iItem = -1;
        record.iSubItem = column;
        hook(EZ_HANDLE(owner.form, 0), WM_NOTIFY, std::uintptr_t(owner.id), &record);
    }

    RowsModel* rows_;  // owned as a child, so that it outlives the view's own clean-up
    std::vector<double> columnWidths_;
    std::vector<int> fittedColumns_;
    double unit_ = 0;  // the character width the columns were last placed with
    std::vector<int> beforeMouse_;
    bool mouseDown_ = false;
};

ListView* AsList(QWidget* widget) {
    return dynamic_cast<ListView*>(widget);
}

// The list being filled between EZ_SETREDRAWSTATE(..., 0) and (..., 1). The cells added to
// it in between skip the lookup of the window and the control by name, which would otherwise
// be made for each of the thousands of cells of a full list.
struct Filling {
    std::string form;
    int id = 0;
    QPointer<ListView> list;
};

Filling& CurrentFilling() {
    static Filling filling;
    return filling;
}

ListView* FindList(const std::string& form, int id) {
    const Filling& filling = CurrentFilling();
    if (filling.list && filling.id == id && filling.form == form) return filling.list;
    return AsList(ControlWidget(form, id));
}

struct Column {
    QString title;
    double width = 10;
};

// "Client{19}|Contact{14}|": a title and its width in characters per item.
std::vector<Column> ParseColumns(const std::string& text) {
    std::vector<Column> columns;
    static const QRegularExpression item(QStringLiteral(R"(([^|{]*)(?:\{([0-9.]+)\})?)"));
    for (const QString& part : ToQ(text).split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = item.match(part);
        Column column;
        column.title = match.captured(1);
        bool ok = false;
        const double width = match.captured(2).toDouble(&ok);
        if (ok && width > 0) column.width = width;
        columns.push_back(column);
    }
    return columns;
}

}  // namespace

std::optional<int> ListMessage(QWidget* widget, int message, int wParam, int lParam) {
    ListView* list = AsList(widget);
    if (!list) return std::nullopt;
    const int count = list->rows().rowCount();
    switch (message) {
        case LVM_GETITEMCOUNT:
            return count;
        case LVM_GETSELECTEDCOUNT:
            return int(list->selectedRowNumbers().size());
        case LVM_GETNEXTITEM: {
            if ((lParam & LVNI_SELECTED) == 0) return wParam + 1 < count ? wParam + 1 : -1;
            for (const int row : list->selectedRowNumbers()) {
                if (row > wParam) return row;
            }
            return -1;
        }
        case LVM_ENSUREVISIBLE:
            if (wParam < 0 || wParam >= count) return 0;
            list->scrollTo(list->rows().index(wParam, 0));
            return 1;
        default:
            return 0;
    }
}

void ListSetItem(QWidget* widget, const LVITEM& item) {
    ListView* list = AsList(widget);
    if (!list || (item.mask & LVIF_STATE) == 0 || (item.stateMask & LVIS_SELECTED) == 0) return;
    if (item.iItem < 0 || item.iItem >= list->rows().rowCount()) return;
    const auto command = (item.state & LVIS_SELECTED) != 0 ? QItemSelectionModel::Select
                                                           : QItemSelectionModel::Deselect;
    list->selectionModel()->select(list->rows().index(item.iItem, 0),
                                   command | QItemSelectionModel::Rows);
}

void PlaceListColumns(QWidget* widget) {
    if (ListView* list = AsList(widget)) list->placeColumns(CharacterUnits().column);
}

QStringList ListColumnTitles(QWidget* widget) {
    QStringList titles;
    ListView* list = AsList(widget);
    if (!list) return titles;
    for (int column = 0; column < list->rows().columnCount(); ++column) {
        titles << list->rows().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    return titles;
}

void ListClearSelection(QWidget* widget) {
    if (ListView* list = AsList(widget)) list->selectionModel()->clearSelection();
}

void ListSelectOnly(QWidget* widget, int row) {
    ListView* list = AsList(widget);
    if (!list || row < 0 || row >= list->rows().rowCount()) return;
    const QModelIndex index = list->rows().index(row, 0);
    list->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(index);
}

}  // namespace layer

void EZ_LISTVIEW(int id, double column, double row, double width, double height,
                 const std::string& columns, const std::string& style) {
    auto* list = new layer::ListView;
    list->setFont(layer::CurrentFont());
    const bool several = layer::ToQ(style).contains(QLatin1Char('M'), Qt::CaseInsensitive);
    list->setSelectionMode(several ? QAbstractItemView::ExtendedSelection
                                   : QAbstractItemView::SingleSelection);
    const std::vector<layer::Column> parsed = layer::ParseColumns(columns);
    QStringList titles;
    std::vector<double> widths;
    for (const layer::Column& c : parsed) {
        titles << c.title;
        widths.push_back(c.width);
    }
    list->rows().setTitles(titles);
    list->setColumnWidths(std::move(widths));
    const layer::Control* control =
        layer::AddControl(layer::ControlKind::List, id, list, column, row, width, height);
    if (control && !control->unplaced) layer::PlaceListColumns(list);
}

void EZ_CLEAR(const std::string& form, int id) {
    if (layer::ListView* list = layer::FindList(form, id)) list->rows().clear();
}

void EZ_ADDLVITEM(const std::string& form, int id, const std::string& text, int, int row,
                  int column, const std::string&) {
    layer::ListView* list = layer::FindList(form, id);
    if (!list) return;
    if (column == 0) {
        list->rows().addRow(row, text);
    } else {
        list->rows().setCell(row, column, text);
    }
}

void EZ_SETREDRAWSTATE(const std::string& form, int id, int on) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return;
    if (layer::ListView* list = layer::AsList(widget)) {
        layer::Filling& filling = layer::CurrentFilling();
        if (on) {
            list->rows().endBulk();
            if (filling.list == list) filling = {};
        } else {
            list->rows().beginBulk();
            filling = {form, id, list};
        }
    }
    widget->setUpdatesEnabled(on != 0);
}

void EZ_REDRAWCONTROL(const std::string& form, int id) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return;
    widget->update();
    if (layer::ListView* list = layer::AsList(widget)) list->viewport()->update();
}

}  // namespace gui

namespace gui {

void FitListColumnToTexts(const std::string& form, int id, int column) {
    if (layer::ListView* list = layer::FindList(form, id)) list->fitColumnToTexts(column);
}

std::vector<std::string> ListRowTexts(const std::string& form, int id, int row) {
    std::vector<std::string> texts;
    layer::ListView* list = layer::FindList(form, id);
    if (!list || row < 0 || row >= list->rows().rowCount()) return texts;
    for (int column = 0; column < list->rows().columnCount(); ++column) {
        texts.push_back(layer::FromQ(list->rows().index(row, column).data().toString()));
    }
    return texts;
}

}  // namespace gui
