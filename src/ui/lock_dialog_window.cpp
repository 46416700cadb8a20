#include "ui/lock_dialog_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "form/user_interface.h"
#include "ui/binder.h"
#include "ui/dialog_parts.h"
#include "ui/password_line_edit.h"

namespace velmor {

LockDialogWindow::LockDialogWindow(TForm6& dialog, UserInterface& ui, QWidget* parent)
    : QDialog(parent), dialog_(dialog), ui_(ui), edit_(new PasswordLineEdit(dialog.PasswordEdit)) {
    setUpDialogFrame(this, "Form6", dialog.Caption);

    auto* label = new QLabel(qs(dialog.LabelText));
    label->setObjectName(QStringLiteral("Label1"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    edit_->setObjectName(QStringLiteral("PasswordEdit"));

    auto* ok = dialogButton("ОК", "OkButton", true);
    auto* help = dialogButton("Справка", "HelpButton");
    connect(ok, &QPushButton::clicked, this, [this] { this->ok(); });
    connect(help, &QPushButton::clicked, this, [this] { ui_.showHelp(dialog_.HelpTopic()); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(help);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(10);
    layout->addWidget(label);
    layout->addWidget(edit_, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);

    const QSize size = sizeHint();
    setFixedSize(qMax(size.width(), 320), size.height());
}

void LockDialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the desktop, with the input focus in the password edit.
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    edit_->setFocus();
}

void LockDialogWindow::ok() {
    std::string error;
    if (dialog_.OkClick(error)) {
        accept();
        return;
    }
    ui_.messageBox(MessageKind::Error, MessageButtons::Ok, error);
    edit_->setFocus();
}

}  // namespace velmor
