// The phonebook entry dialog: name, device, numbers and the saved user name and password of an
// entry. The simulation settings of a simulated-modem entry are kept as they are.
#pragma once

#include <QDialog>

#include "platform/phonebook.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmor {

class EntryDialog : public QDialog {
    Q_OBJECT
  public:
    EntryDialog(const PhonebookEntry& entry, bool creating, QWidget* parent = nullptr);

    // The entry as edited (the fields of the dialog over the entry it was opened with).
    PhonebookEntry result() const;
    // The name is acceptable: not empty, no "[" or "]", no control characters.
    bool nameAcceptable() const;

    // The serial devices offered besides the simulated modem.
    static QStringList serialDevices();

  private:
    void check();

    PhonebookEntry entry_;
    QLineEdit* name_;
    QComboBox* device_;
    QLineEdit* phone_;
    QPlainTextEdit* alternates_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* savePassword_;
    QLabel* problem_;
    QPushButton* ok_;
};

}  // namespace velmor
