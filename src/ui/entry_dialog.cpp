#include "ui/entry_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/binder.h"

namespace velmor {

namespace {

const QString kSimCaption = QStringLiteral("Симулятор");

// A serial port of the given name has a UART behind it (the kernel lists every possible ttyS).
bool realSerialPort(const QString& name) {
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
    if (!type.open(QIODevice::ReadOnly)) return true;
    return type.readAll().trimmed() != "0";
}

}  // namespace

QStringList EntryDialog::serialDevices() {
    QStringList devices;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& name : byId.entryList(QDir::System | QDir::Files, QDir::Name))
        devices << byId.absoluteFilePath(name);
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& pattern :
         {QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}) {
        QStringList names = dev.entryList({pattern}, QDir::System | QDir::Files);
        // ttyS2 before ttyS10.
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString& name : names) {
            if (pattern.startsWith(QStringLiteral("ttyS")) && !realSerialPort(name)) continue;
            devices << dev.absoluteFilePath(name);
        }
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
      speed_(new QComboBox),
      init1_(new QLineEdit(qs(entry.modem.init1))),
      init2_(new QLineEdit(qs(entry.modem.init2))),
      init3_(new QLineEdit(qs(entry.modem.init3))),
      hardwareFlow_(new QCheckBox(QStringLiteral("Аппаратное управление потоком (RTS/CTS)"))),
      dialTimeout_(new QSpinBox),
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
    device_->addItem(kSimCaption);
    device_->addItems(serialDevices());
    device_->setCurrentText(deviceKindOf(entry.device) == DeviceKind::Sim ? kSimCaption
                                                                          : qs(entry.device));
    device_->setToolTip(
        QStringLiteral("Симулятор - встроенный имитатор модема; для настоящего модема - его порт"));
    speed_->setObjectName(QStringLiteral("SpeedBox"));
    for (const std::uint32_t v : portSpeeds())
        speed_->addItem(QString::number(v), v);
    speed_->setCurrentText(QString::number(entry.modem.speed));
    init1_->setObjectName(QStringLiteral("Init1Edit"));
    init2_->setObjectName(QStringLiteral("Init2Edit"));
    init3_->setObjectName(QStringLiteral("Init3Edit"));
    init3_->setToolTip(
        QStringLiteral("Для мобильного модема: AT+CGDCONT=1,\"IP\",\"точка доступа\""));
    hardwareFlow_->setObjectName(QStringLiteral("HardwareFlowCheck"));
    hardwareFlow_->setChecked(entry.modem.flowControl == FlowControl::Hardware);
    dialTimeout_->setObjectName(QStringLiteral("DialTimeoutSpin"));
    dialTimeout_->setRange(1, 3600);
    dialTimeout_->setSuffix(QStringLiteral(" с"));
    dialTimeout_->setValue(static_cast<int>(entry.modem.dialTimeoutSec));
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
    user_->setToolTip(
        QStringLiteral("Пароль вводится в списке логинов, где он хранится зашифрованным"));
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
    form->addRow(QStringLiteral("Скорость порта:"), speed_);
    form->addRow(QStringLiteral("Инициализация 1:"), init1_);
    form->addRow(QStringLiteral("Инициализация 2:"), init2_);
    form->addRow(QStringLiteral("Инициализация 3:"), init3_);
    form->addRow(QString(), hardwareFlow_);
    form->addRow(QStringLiteral("Ждать ответа:"), dialTimeout_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(problem_, 1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(name_, &QLineEdit::textChanged, this, [this] { check(); });
    // The modem's settings matter only for a real modem.
    const auto showModem = [this] {
        const bool serial = deviceKindOf(deviceValue()) == DeviceKind::Serial;
        for (QWidget* w : std::initializer_list<QWidget*>{speed_, init1_, init2_, init3_,
                                                          hardwareFlow_, dialTimeout_})
            w->setEnabled(serial);
    };
    connect(device_, &QComboBox::currentTextChanged, this, showModem);
    showModem();
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    check();
    // At least as wide as its longest row (the flow-control check box) needs.
    setMinimumWidth(std::max(340, layout->minimumSize().width()));
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

std::string EntryDialog::deviceValue() const {
    const QString text = device_->currentText().trimmed();
    return text.isEmpty() || text == kSimCaption ? std::string("sim") : text.toStdString();
}

PhonebookEntry EntryDialog::result() const {
    PhonebookEntry e = entry_;  // keeps the simulation settings
    e.name = name_->text().trimmed().toStdString();
    e.device = deviceValue();
    e.deviceKind = deviceKindOf(e.device);
    e.modem.speed = speed_->currentData().toUInt();
    e.modem.init1 = init1_->text().trimmed().toStdString();
    e.modem.init2 = init2_->text().trimmed().toStdString();
    e.modem.init3 = init3_->text().trimmed().toStdString();
    e.modem.flowControl = hardwareFlow_->isChecked() ? FlowControl::Hardware : FlowControl::None;
    e.modem.dialTimeoutSec = static_cast<std::uint32_t>(dialTimeout_->value());
    e.phoneNumber = phone_->text().trimmed().toStdString();
    // One number a line; a ";" separates numbers as in the phonebook file.
    QString numbers = alternates_->toPlainText();
    numbers.replace(QLatin1Char('\n'), QLatin1Char(';'));
    e.alternates = splitList(numbers.toStdString());
    e.userName = user_->text().trimmed().toStdString();
    // The password is typed in the login list, which keeps it enciphered; the phonebook keeps none.
    e.password.clear();
    return e;
}

}  // namespace velmor
