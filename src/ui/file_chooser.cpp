#include "ui/file_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "form/file_filter.h"

namespace velmor {
namespace {

// Hides the files that may not be executed while the programs filter is selected.
class ExecutablesOnly : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setActive(bool on) {
        if (on == active_) return;
        active_ = on;
        invalidateFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!active_) return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) return true;
        const QModelIndex index = files->index(row, 0, parent);
        const QFileInfo info = files->fileInfo(index);
        return info.isDir() || info.isExecutable();
    }

  private:
    bool active_ = false;
};

}  // namespace

QStringList qtNameFilters(const std::string& filter, int* executables) {
    if (executables) *executables = -1;
    QStringList out;
    for (const FileFilterItem& item : parseFileFilter(filter)) {
        const QString name = QString::fromStdString(filterName(item.description));
        QStringList patterns;
        bool programs = false;
        for (const std::string& p : item.patterns) {
            if (p == "*.exe" || p == "*.EXE") {
                programs = true;
            } else if (p == "*.*") {
                patterns << QStringLiteral("*");
            } else {
                patterns << QString::fromStdString(p);
            }
        }
        if (programs) {
            if (executables) *executables = static_cast<int>(out.size());
            patterns = {QStringLiteral("*")};
        }
        out << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    if (out.isEmpty()) out << QStringLiteral("* (*)");
    return out;
}

void prepareFileDialog(QFileDialog& dialog, const std::string& filter) {
    int executables = -1;
    const QStringList filters = qtNameFilters(filter, &executables);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(filters);
    if (executables >= 0) {
        auto* proxy = new ExecutablesOnly(&dialog);
        dialog.setProxyModel(proxy);
        const QString programs = filters.at(executables);
        proxy->setActive(dialog.selectedNameFilter() == programs);
        QObject::connect(&dialog, &QFileDialog::filterSelected, proxy,
                         [proxy, programs](const QString& f) { proxy->setActive(f == programs); });
    }
}

std::optional<std::string> chooseExistingFile(QWidget* parent, const std::string& filter) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    prepareFileDialog(dialog, filter);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first().toStdString();
}

}  // namespace velmor
