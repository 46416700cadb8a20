#include "ui/program_dialog_window.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "automation/program_dialog.h"
#include "ui/binder.h"

namespace velmor {

ProgramDialogWindow::ProgramDialogWindow(TForm8& dialog, UserInterface& ui, QWidget* parent)
    : QDialog(parent),
      d_(dialog),
      ui_(ui),
      description_(new QLineEdit),
      path_(new QLineEdit),
      params_(new QLineEdit),
      title_(new QLineEdit),
      restart_(new QCheckBox(QStringLiteral("Запускать при восстановление соединения"))),
      mustKill_(new QCheckBox(QStringLiteral("Завершать работу после отсоединения \"вручную\""))) {
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(qs(d_.Caption));
    description_->setObjectName(QStringLiteral("Edit1"));
    path_->setObjectName(QStringLiteral("Edit2"));
    title_->setObjectName(QStringLiteral("Edit3"));
    params_->setObjectName(QStringLiteral("Edit4"));
    restart_->setObjectName(QStringLiteral("CheckBox1"));
    mustKill_->setObjectName(QStringLiteral("CheckBox2"));

    auto* browse = new QPushButton(QStringLiteral("Обзор"));
    browse->setObjectName(QStringLiteral("Button1"));
    connect(browse, &QPushButton::clicked, this, [this] { browseClicked(); });

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Описание:")), 0, 0);
    fields->addWidget(description_, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Путь:")), 1, 0);
    fields->addWidget(path_, 1, 1);
    fields->addWidget(browse, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Параметры\nзапуска:")), 2, 0);
    fields->addWidget(params_, 2, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Часть заголовка")), 3, 0);
    fields->addWidget(title_, 3, 1, 1, 2);
    fields->setColumnStretch(1, 1);

    auto* methods = new QGroupBox(QStringLiteral(" Параметры запуска "));
    methods->setObjectName(QStringLiteral("RadioGroup1"));
    auto* methodsLayout = new QVBoxLayout(methods);
    for (int i = 0; i < 3; ++i) {
        methods_[i] = new QRadioButton(QString::fromUtf8(TForm8::kRunMethods[i]));
        methods_[i]->setObjectName(QStringLiteral("RunMethod%1").arg(i));
        methodsLayout->addWidget(methods_[i]);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(ok, &QPushButton::clicked, this, [this] { okClicked(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(methods);
    layout->addWidget(restart_);
    layout->addWidget(mustKill_);
    if (!d_.Note.empty()) {
        auto* note = new QLabel(qs(d_.Note));
        note->setObjectName(QStringLiteral("NoteLabel"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addLayout(buttons);
    resize(420, sizeHint().height());
    load();
}

void ProgramDialogWindow::load() {
    description_->setText(qs(d_.Edit1));
    path_->setText(qs(d_.Edit2));
    title_->setText(qs(d_.Edit3));
    params_->setText(qs(d_.Edit4));
    methods_[std::clamp(d_.RadioGroup1, 0, 2)]->setChecked(true);
    restart_->setChecked(d_.CheckBox1);
    mustKill_->setChecked(d_.CheckBox2);
}

void ProgramDialogWindow::store() {
    d_.Edit1 = description_->text().toStdString();
    d_.Edit2 = path_->text().toStdString();
    d_.Edit3 = title_->text().toStdString();
    d_.Edit4 = params_->text().toStdString();
    for (int i = 0; i < 3; ++i) {
        if (methods_[i]->isChecked()) d_.RadioGroup1 = i;
    }
    d_.CheckBox1 = restart_->isChecked();
    d_.CheckBox2 = mustKill_->isChecked();
}

void ProgramDialogWindow::browseClicked() {
    store();
    d_.Button1Click(ui_);
    load();
}

void ProgramDialogWindow::okClicked() {
    store();
    std::string error;
    if (!d_.OkClick(error)) {
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok, error);
        return;
    }
    accept();
}

}  // namespace velmor
