// The report lists of the form (phones, logins, programs): rows from the model's lists, a mark
// icon or a check box per row, column widths and selection kept in the ListView control.
#pragma once

#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <optional>
#include <vector>

#include "form/controls.h"
#include "form/entry_lists.h"
#include "ui/binder.h"

namespace velmor {

struct ListRow {
    QStringList cells;
    std::optional<ItemMark> mark;  // the icon of the first column
    std::optional<bool> checked;   // a check box in the first column
    friend bool operator==(const ListRow&, const ListRow&) = default;
};

class ReportList : public QTreeWidget {
    Q_OBJECT
  public:
    using Rows = std::function<std::vector<ListRow>()>;

    // rows: the rows the model holds now. The ListView keeps the selected row (itemIndex), the
    // first visible row (topIndex) and the column captions and widths; the last of several
    // columns takes the rest of the list's width.
    ReportList(Binder& binder, ListView& control, Rows rows, QWidget* parent = nullptr);

    // Double click on a row (the click has selected it).
    void onDoubleClick(Binder::Handler handler);
    // The user ticked or cleared a row's check box.
    void onCheck(std::function<void(int row, bool checked)> handler);
    // Alignment of a column's cells (the money column is right-aligned).
    void setColumnAlignment(int column, Qt::Alignment alignment);

    // Reordering by drag and drop within the list: a drag starts on any row; the list takes a drop
    // only from itself and only while it has a selected row, and hands the handler the dragged
    // row and the row dropped on (-1: empty space below the rows). While dragging, the pointer
    // within kScrollBand pixels of the top or bottom edge scrolls the list a row per tick of the
    // scroll timer (named scrollTimerName).
    void enableReorder(const QString& scrollTimerName,
                       std::function<void(int from, int to)> handler);
    static constexpr int kScrollBand = 20;
    static constexpr int kScrollIntervalMs = 250;
    static constexpr const char* kRowMimeType = "application/x-velmor-list-row";
    // What a drag from a row of this list carries.
    QMimeData* rowData(int row) const;
    QTimer* scrollTimer() const { return scrollTimer_; }
    // -1 scrolling up, 1 down, 0 not scrolling.
    int scrollDirection() const { return scrollTimer_->isActive() ? scrollDirection_ : 0; }

  protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void display();
    bool stretched(int column) const;
    void selectionChangedByUser();
    // The row a drag of this list carries, or -1 for a drag from anywhere else.
    int draggedRow(const QMimeData* data) const;
    bool acceptsDrop(const QMimeData* data) const;
    // The row a drop at a point of the viewport goes before: -1 below the rows.
    int dropRow(QPoint at) const;
    void dragOver(QPoint at);
    void scrollTick();
    void stopScrolling();

    Binder& binder_;
    ListView& control_;
    Rows rows_;
    std::vector<ListRow> shown_;
    std::vector<Qt::Alignment> alignment_;
    bool filling_ = false;

    std::function<void(int, int)> dropHandler_;
    QTimer* scrollTimer_;
    int scrollDirection_ = 0;
    QPoint dragPoint_;
    std::optional<int> indicator_;  // where a drop would go while dragging (-1: the end)
};

}  // namespace velmor
