// The phonebook entry dialog: name, device, numbers, the saved user name and password and the
// modem's settings of an entry. The simulation settings of a simulated-modem entry are kept as
// they are.
#pragma once

#include <QDialog>

#include "platform/phonebook.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace velmor {

class EntryDialog : public QDialog {
    Q_OBJECT
  public:
    EntryDialog(const PhonebookEntry& entry, bool creating, QWidget* parent = nullptr);

    // The entry as edited (the fields of the dialog over the entry it was opened with).
    PhonebookEntry result() const;
    // The name is acceptable: not empty, no "[" or "]", no control characters.
    bool nameAcceptable() const;

    // The serial ports offered besides the simulated modem: /dev/serial/by-id first, then ttyS
    // (those with a port behind them), ttyUSB and ttyACM.
    static QStringList serialDevices();

  private:
    void check();
    std::string deviceValue() const;  // "sim" for the simulator

    PhonebookEntry entry_;
    QLineEdit* name_;
    QComboBox* device_;
    QLineEdit* phone_;
    QPlainTextEdit* alternates_;
    QLineEdit* user_;
    QComboBox* speed_;
    QLineEdit* init1_;
    QLineEdit* init2_;
    QLineEdit* init3_;
    QCheckBox* hardwareFlow_;
    QSpinBox* dialTimeout_;
    QLabel* problem_;
    QPushButton* ok_;
};

}  // namespace velmor
