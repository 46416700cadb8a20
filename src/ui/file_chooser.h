// The program's file-open dialog with its "description|patterns" filters. On this system a filter
// of Windows programs ("*.exe") lists the files that may be executed.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace velmor {

// The name filters shown for the program's filter, in order; executables: the index of the one
// that stands for programs (-1: none).
QStringList qtNameFilters(const std::string& filter, int* executables = nullptr);

// Sets a dialog up for the filter (existing files only; the programs filter shows only files with
// the execute permission).
void prepareFileDialog(QFileDialog& dialog, const std::string& filter);

// Shows the dialog modally; the chosen existing file, or nothing when cancelled.
std::optional<std::string> chooseExistingFile(QWidget* parent, const std::string& filter);

}  // namespace velmor
