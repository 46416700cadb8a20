#include "ui/exit_dialog_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/binder.h"
#include "ui/dialog_parts.h"

namespace velmor {

void ExitDialogWindow::run(TForm7& dialog, QWidget* parent) {
    ExitDialogWindow window(dialog, parent);
    window.exec();
    // Should the loop have ended another way (the program quitting), it counts as the close box.
    if (!dialog.closed()) dialog.CloseBox();
}

ExitDialogWindow::ExitDialogWindow(TForm7& dialog, QWidget* parent)
    : QDialog(parent), dialog_(dialog), bar_(new QProgressBar), seconds_(new QLabel) {
    setUpDialogFrame(this, "Form7", dialog.Caption);  // only a close box in the title bar

    auto* text1 = new QLabel(qs(dialog.Text1));
    text1->setObjectName(QStringLiteral("Label1"));
    auto* text2 = new QLabel(qs(dialog.Text2));
    text2->setObjectName(QStringLiteral("Label2"));
    QFont bold = text2->font();
    bold.setBold(true);
    text2->setFont(bold);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setRange(0, TForm7::kSeconds);
    bar_->setTextVisible(false);
    seconds_->setObjectName(QStringLiteral("Label3"));

    auto* yes = dialogButton("Да", "YesButton", true);
    auto* no = new QPushButton(QStringLiteral("Нет"));
    no->setObjectName(QStringLiteral("NoButton"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(yes, &QPushButton::clicked, this, [this] { dialog_.YesClick(); });
    connect(no, &QPushButton::clicked, this, [this] { dialog_.NoClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { dialog_.CancelClick(); });

    dialog_.onTick = [this] { showCountdown(); };
    dialog_.onClose = [this] { QDialog::done(QDialog::Accepted); };

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {yes, no, cancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(text1);
    layout->addWidget(text2);
    layout->addSpacing(4);
    layout->addWidget(bar_);
    layout->addWidget(seconds_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    showCountdown();
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

ExitDialogWindow::~ExitDialogWindow() {
    dialog_.onTick = nullptr;
    dialog_.onClose = nullptr;
}

void ExitDialogWindow::showCountdown() {
    bar_->setValue(dialog_.position());
    seconds_->setText(QStringLiteral("Осталось времени: ") + qs(dialog_.secondsText()) +
                      QStringLiteral(" сек."));
}

void ExitDialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    dialog_.FormShow();
    showCountdown();
}

void ExitDialogWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close box: changes neither flag.
    if (!dialog_.closed()) dialog_.CloseBox();
    event->accept();
}

void ExitDialogWindow::reject() {
    if (!dialog_.closed())
        dialog_.CancelClick();
    else
        QDialog::reject();
}

}  // namespace velmor
