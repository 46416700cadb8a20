// The exit question on screen: the two texts, the countdown bar and line, "Да", "Нет", "Отмена".
// It only renders the exit dialog's logic.
#pragma once

#include <QDialog>

#include "app/exit_dialog.h"

class QLabel;
class QProgressBar;

namespace velmor {

class ExitDialogWindow : public QDialog {
    Q_OBJECT
  public:
    // Shows the dialog modally until the logic says it has closed.
    static void run(TForm7& dialog, QWidget* parent);

    ExitDialogWindow(TForm7& dialog, QWidget* parent = nullptr);
    ~ExitDialogWindow() override;

  public slots:
    // Escape: as "Отмена", which keeps the program running.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void showCountdown();

    TForm7& dialog_;
    QProgressBar* bar_;
    QLabel* seconds_;
    bool shown_ = false;
};

}  // namespace velmor
