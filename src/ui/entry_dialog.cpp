#include "ui/entry_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/binder.h"

namespace velmor {

QStringList EntryDialog::serialDevices() {
    QStringList devices;
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& pattern : {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}) {
        for (const QString& name : dev.entryList({pattern}, QDir::System | QDir::Files, QDir::Name))
            devices << dev.absoluteFilePath(name);
    }
    for (int i = 0; i < 4; ++i) {
        const QString path = QStringLiteral("/dev/ttyS%1").arg(i);
        if (QFileInfo::exists(path)) devices << path;
    }
    return devices;
}

EntryDialog::EntryDialog(const PhonebookEntry& entry, bool creating, QWidget* parent)
    : QDialog(parent),
      entry_(entry),
      name_(new QLineEdit(qs(entry.name))),
      device_(new QComboBox),
      phone_(new QLineEdit(qs(entry.phoneNumber))),
      alternates_(new QPlainTextEdit),
      user_(new QLineEdit(qs(entry.userName))),
      password_(new QLineEdit(qs(entry.password))),
      savePassword_(new QCheckBox(QStringLiteral("Сохранить пароль"))),
      problem_(new QLabel),
      ok_(new QPushButton(QStringLiteral("ОК"))) {
    setObjectName(QStringLiteral("EntryDialog"));
    setWindowTitle(creating ? QStringLiteral("Создать соединение")
                            : QStringLiteral("Изменить настройки соединения"));
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    name_->setObjectName(QStringLiteral("NameEdit"));
    device_->setObjectName(QStringLiteral("DeviceBox"));
    device_->setEditable(true);
    device_->addItem(QStringLiteral("sim"));
    device_->addItems(serialDevices());
    device_->setCurrentText(qs(entry.device.empty() ? std::string("sim") : entry.device));
    device_->setToolTip(QStringLiteral(
        "sim - встроенный имитатор модема; для настоящего модема - путь к его устройству"));
    phone_->setObjectName(QStringLiteral("PhoneEdit"));
    alternates_->setObjectName(QStringLiteral("AlternatesEdit"));
    QStringList alternates;
    for (const std::string& a : entry.alternates)
        alternates << qs(a);
    alternates_->setPlainText(alternates.join(QLatin1Char('\n')));
    alternates_->setToolTip(QStringLiteral("По одному номеру в строке"));
    alternates_->setTabChangesFocus(true);
    alternates_->setFixedHeight(fontMetrics().lineSpacing() * 4 + 10);
    user_->setObjectName(QStringLiteral("UserEdit"));
    password_->setObjectName(QStringLiteral("PasswordEdit"));
    password_->setEchoMode(QLineEdit::Password);
    savePassword_->setObjectName(QStringLiteral("SavePasswordCheck"));
    savePassword_->setChecked(!entry.password.empty());
    password_->setEnabled(savePassword_->isChecked());
    problem_->setObjectName(QStringLiteral("ProblemLabel"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000;"));
    ok_->setObjectName(QStringLiteral("OkButton"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("CancelButton"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Имя соединения:"), name_);
    form->addRow(QStringLiteral("Устройство:"), device_);
    form->addRow(QStringLiteral("Телефон:"), phone_);
    form->addRow(QStringLiteral("Другие номера:"), alternates_);
    form->addRow(QStringLiteral("Имя пользователя:"), user_);
    form->addRow(QStringLiteral("Пароль:"), password_);
    form->addRow(QString(), savePassword_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(problem_, 1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(name_, &QLineEdit::textChanged, this, [this] { check(); });
    connect(savePassword_, &QCheckBox::toggled, password_, &QWidget::setEnabled);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    check();
    setMinimumWidth(340);
}

bool EntryDialog::nameAcceptable() const {
    const QString name = name_->text().trimmed();
    if (name.isEmpty()) return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c.unicode() < 0x20) return false;
    }
    return true;
}

void EntryDialog::check() {
    const bool good = nameAcceptable();
    ok_->setEnabled(good);
    if (good)
        problem_->clear();
    else if (name_->text().trimmed().isEmpty())
        problem_->setText(QStringLiteral("Введите имя соединения."));
    else
        problem_->setText(QStringLiteral("Имя не может содержать [ и ]."));
}

PhonebookEntry EntryDialog::result() const {
    PhonebookEntry e = entry_;  // keeps the simulation settings
    e.name = name_->text().trimmed().toStdString();
    e.device = device_->currentText().trimmed().toStdString();
    if (e.device.empty()) e.device = "sim";
    e.deviceKind = deviceKindOf(e.device);
    e.phoneNumber = phone_->text().trimmed().toStdString();
    // One number a line; a ";" separates numbers as in the phonebook file.
    QString numbers = alternates_->toPlainText();
    numbers.replace(QLatin1Char('\n'), QLatin1Char(';'));
    e.alternates = splitList(numbers.toStdString());
    e.userName = user_->text().trimmed().toStdString();
    e.password = savePassword_->isChecked() ? password_->text().toStdString() : std::string();
    return e;
}

}  // namespace velmor
