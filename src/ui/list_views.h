// The report lists of the form (phones, logins, programs): rows from the model's lists, a mark
// icon or a check box per row, column widths and selection kept in the ListView control.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <optional>
#include <vector>

#include "app/controls.h"
#include "dialing/entry_lists.h"
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

  private:
    void display();
    bool stretched(int column) const;
    void selectionChangedByUser();

    Binder& binder_;
    ListView& control_;
    Rows rows_;
    std::vector<ListRow> shown_;
    std::vector<Qt::Alignment> alignment_;
    bool filling_ = false;
};

}  // namespace velmor
