#include "ui/list_views.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

#include "ui/icons.h"

namespace velmor {

ReportList::ReportList(Binder& binder, ListView& control, Rows rows, QWidget* parent)
    : QTreeWidget(parent), binder_(binder), control_(control), rows_(std::move(rows)) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(16, 16));
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    binder.control(this, control);
    binder.onRefresh([this] { display(); });

    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (filling_ || binder_.refreshing() || stretched(column)) return;
        if (column >= 0 && column < static_cast<int>(control_.columns.size()))
            control_.columns[static_cast<std::size_t>(column)].width = size;
    });
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!filling_ && !binder_.refreshing()) selectionChangedByUser();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int top) {
        if (!filling_ && !binder_.refreshing()) control_.topIndex = top;
    });
}

bool ReportList::stretched(int column) const {
    // With several columns the last one takes the rest of the list's width.
    return columnCount() > 1 && column == columnCount() - 1;
}

void ReportList::onDoubleClick(Binder::Handler handler) {
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this, handler](QTreeWidgetItem*, int) { binder_.run(handler); });
}

void ReportList::onCheck(std::function<void(int, bool)> handler) {
    connect(this, &QTreeWidget::itemChanged, this, [this, handler](QTreeWidgetItem* item, int) {
        if (filling_ || binder_.refreshing()) return;
        const int row = indexOfTopLevelItem(item);
        if (row < 0 || row >= static_cast<int>(shown_.size())) return;
        const bool checked = item->checkState(0) == Qt::Checked;
        if (shown_[static_cast<std::size_t>(row)].checked == checked) return;
        shown_[static_cast<std::size_t>(row)].checked = checked;
        binder_.run([handler, row, checked] { handler(row, checked); });
    });
}

void ReportList::setColumnAlignment(int column, Qt::Alignment alignment) {
    if (column >= static_cast<int>(alignment_.size()))
        alignment_.resize(static_cast<std::size_t>(column) + 1, Qt::AlignLeft | Qt::AlignVCenter);
    alignment_[static_cast<std::size_t>(column)] = alignment;
    if (headerItem()) headerItem()->setTextAlignment(column, alignment);
}

void ReportList::display() {
    filling_ = true;
    const QSignalBlocker blockHeader(header());
    const QSignalBlocker blockScroll(verticalScrollBar());

    // Columns: captions and widths.
    const int columns = static_cast<int>(control_.columns.size());
    if (columnCount() != columns) setColumnCount(columns);
    for (int c = 0; c < columns; ++c)
        header()->setSectionResizeMode(
            c, stretched(c) ? QHeaderView::Stretch : QHeaderView::Interactive);
    for (int c = 0; c < columns; ++c) {
        const ListColumn& col = control_.columns[static_cast<std::size_t>(c)];
        if (headerItem()->text(c) != qs(col.caption)) headerItem()->setText(c, qs(col.caption));
        if (c < static_cast<int>(alignment_.size()))
            headerItem()->setTextAlignment(c, alignment_[static_cast<std::size_t>(c)]);
        if (!stretched(c) && columnWidth(c) != col.width) setColumnWidth(c, col.width);
    }

    // Rows: rebuilt only when they differ from what is shown, so that scrolling and the current
    // item survive a redraw.
    std::vector<ListRow> rows = rows_();
    if (rows != shown_) {
        const QSignalBlocker block(this);
        if (topLevelItemCount() != static_cast<int>(rows.size())) {
            clear();
            for (std::size_t i = 0; i < rows.size(); ++i)
                addTopLevelItem(new QTreeWidgetItem(this));
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QTreeWidgetItem* item = topLevelItem(static_cast<int>(i));
            const ListRow& row = rows[i];
            for (int c = 0; c < columns; ++c) {
                item->setText(c, c < row.cells.size() ? row.cells[c] : QString());
                if (c < static_cast<int>(alignment_.size()))
                    item->setTextAlignment(c, alignment_[static_cast<std::size_t>(c)]);
            }
            item->setIcon(0, row.mark ? markIcon(*row.mark) : QIcon());
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (row.checked) flags |= Qt::ItemIsUserCheckable;
            item->setFlags(flags);
            if (row.checked) item->setCheckState(0, *row.checked ? Qt::Checked : Qt::Unchecked);
        }
        shown_ = std::move(rows);
    }

    // Selection and the first visible row.
    {
        const QSignalBlocker block(this);
        QTreeWidgetItem* want =
            control_.itemIndex >= 0 ? topLevelItem(control_.itemIndex) : nullptr;
        if (want) {
            if (currentItem() != want || !want->isSelected())
                setCurrentItem(want, 0, QItemSelectionModel::ClearAndSelect);
        } else {
            clearSelection();
            setCurrentItem(nullptr);
        }
        if (verticalScrollBar()->value() != control_.topIndex)
            verticalScrollBar()->setValue(control_.topIndex);
    }
    filling_ = false;
}

void ReportList::selectionChangedByUser() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        // A click on empty space keeps the row that was selected.
        display();
        return;
    }
    control_.itemIndex = indexOfTopLevelItem(selected.front());
}

}  // namespace velmor
