// The launched-program dialog ("Добавить приложение") over its Qt-free logic TForm8.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace velmor {

class TForm8;
class UserInterface;

class ProgramDialogWindow : public QDialog {
  public:
    ProgramDialogWindow(TForm8& dialog, UserInterface& ui, QWidget* parent = nullptr);

    // "OK": the fields go to the dialog; a refusal is shown and the window stays.
    void okClicked();
    // "Обзор".
    void browseClicked();

  private:
    void store();  // widgets to TForm8
    void load();   // TForm8 to widgets

    TForm8& d_;
    UserInterface& ui_;
    QLineEdit* description_;
    QLineEdit* path_;
    QLineEdit* params_;
    QLineEdit* title_;
    QRadioButton* methods_[3];
    QCheckBox* restart_;
    QCheckBox* mustKill_;
};

}  // namespace velmor
