#include "ui/phone_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/binder.h"
#include "ui/dialog_parts.h"
#include "ui/widgets.h"

namespace velmor {

PhoneDialogWindow::PhoneDialogWindow(TForm2& dialog, QWidget* parent)
    : QDialog(parent), dialog_(dialog), edit_(new QLineEdit(qs(dialog.Number))) {
    setUpDialogFrame(this, "Form2", dialog.Caption);

    auto* label = new QLabel(qs(dialog.LabelText));
    label->setObjectName(QStringLiteral("Label1"));
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(edit_);
    edit_->setObjectName(QStringLiteral("Edit1"));
    edit_->setValidator(new StorableTextValidator(edit_));

    auto* ok = dialogButton("ОК", "OkButton", true);
    auto* cancel = dialogButton("Отмена", "CancelButton");
    connect(ok, &QPushButton::clicked, this, [this] { this->ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    // Wide enough for the whole caption in the title bar.
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

void PhoneDialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    edit_->setFocus();
    edit_->selectAll();
}

void PhoneDialogWindow::ok() {
    dialog_.Number = edit_->text().toStdString();
    dialog_.OkClick();
    // An empty number closes the dialog as well; the logic has then accepted nothing.
    accept();
}

}  // namespace velmor
