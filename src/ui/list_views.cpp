#include "ui/list_views.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include "ui/icons.h"

namespace velmor {

ReportList::ReportList(Binder& binder, ListView& control, Rows rows, QWidget* parent)
    : QTreeWidget(parent),
      binder_(binder),
      control_(control),
      rows_(std::move(rows)),
      scrollTimer_(new QTimer(this)) {
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
            if (dropHandler_) flags |= Qt::ItemIsDragEnabled;
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

// --- reordering by drag and drop ------------------------------------------------------------

void ReportList::enableReorder(const QString& scrollTimerName,
                               std::function<void(int from, int to)> handler) {
    dropHandler_ = std::move(handler);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);  // drawn by the list itself
    setAutoScroll(false);          // the scroll timer does it, a row at a time
    scrollTimer_->setObjectName(scrollTimerName);
    scrollTimer_->setInterval(kScrollIntervalMs);
    connect(scrollTimer_, &QTimer::timeout, this, [this] { scrollTick(); });
    shown_.clear();  // the rows are made again, draggable
}

QMimeData* ReportList::rowData(int row) const {
    // The process and the list it comes from, so that no other list (nor another program) can
    // drop a row here.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kRowMimeType), QStringLiteral("%1:%2:%3")
                                                         .arg(QCoreApplication::applicationPid())
                                                         .arg(reinterpret_cast<quintptr>(this))
                                                         .arg(row)
                                                         .toLatin1());
    return data;
}

int ReportList::draggedRow(const QMimeData* data) const {
    if (!data || !data->hasFormat(QString::fromLatin1(kRowMimeType))) return -1;
    const QList<QByteArray> parts = data->data(QString::fromLatin1(kRowMimeType)).split(':');
    if (parts.size() != 3) return -1;
    bool ok = false;
    if (parts[0].toLongLong(&ok) != QCoreApplication::applicationPid() || !ok) return -1;
    if (parts[1].toULongLong(&ok) != reinterpret_cast<quintptr>(this) || !ok) return -1;
    const int row = parts[2].toInt(&ok);
    return ok && row >= 0 && row < topLevelItemCount() ? row : -1;
}

bool ReportList::acceptsDrop(const QMimeData* data) const {
    return dropHandler_ && draggedRow(data) >= 0 && control_.itemIndex >= 0 &&
           control_.itemIndex < topLevelItemCount();
}

int ReportList::dropRow(QPoint at) const {
    QTreeWidgetItem* item = itemAt(at);
    return item ? indexOfTopLevelItem(item) : -1;
}

void ReportList::startDrag(Qt::DropActions) {
    const int row = currentIndex().row();
    if (!dropHandler_ || row < 0) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(rowData(row));
    const QRect rect = visualItemRect(topLevelItem(row));
    if (rect.isValid()) {
        drag->setPixmap(viewport()->grab(rect));
        drag->setHotSpot(QPoint(qMin(12, rect.width()), rect.height() / 2));
    }
    drag->exec(Qt::MoveAction);
    // However it ended (dropped elsewhere, cancelled), the list stops scrolling.
    stopScrolling();
}

void ReportList::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    dragOver(event->position().toPoint());
}

void ReportList::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        stopScrolling();
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    dragOver(event->position().toPoint());
}

void ReportList::dragLeaveEvent(QDragLeaveEvent* event) {
    stopScrolling();
    event->accept();
}

void ReportList::dropEvent(QDropEvent* event) {
    stopScrolling();
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    const int from = draggedRow(event->mimeData());
    const int to = dropRow(event->position().toPoint());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    binder_.run([this, from, to] { dropHandler_(from, to); });
}

void ReportList::dragOver(QPoint at) {
    dragPoint_ = at;
    // Near the top or bottom edge the list scrolls; between the two bands it stops.
    const int height = viewport()->height();
    int direction = 0;
    if (at.y() < kScrollBand)
        direction = -1;
    else if (at.y() >= height - kScrollBand)
        direction = 1;
    if (direction == 0) {
        scrollTimer_->stop();
    } else {
        scrollDirection_ = direction;
        if (!scrollTimer_->isActive()) scrollTimer_->start();
    }
    indicator_ = dropRow(at);
    viewport()->update();
}

void ReportList::scrollTick() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + scrollDirection_);
    indicator_ = dropRow(dragPoint_);
    viewport()->update();
}

void ReportList::stopScrolling() {
    scrollTimer_->stop();
    scrollDirection_ = 0;
    if (indicator_) {
        indicator_.reset();
        viewport()->update();
    }
}

void ReportList::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (!indicator_) return;
    // A line where the dragged row would go: above the row under the pointer, or after the last.
    int y = 0;
    if (const QTreeWidgetItem* item = *indicator_ >= 0 ? topLevelItem(*indicator_) : nullptr)
        y = visualItemRect(item).top();
    else if (topLevelItemCount() > 0)
        y = visualItemRect(topLevelItem(topLevelItemCount() - 1)).bottom() + 1;
    QPainter painter(viewport());
    painter.fillRect(QRect(0, qMax(0, y - 1), viewport()->width(), 2),
                     palette().color(QPalette::Highlight));
}

}  // namespace velmor
