#include "ui/login_dialog_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "form/number_edit.h"
#include "form/number_text.h"
#include "ui/binder.h"
#include "ui/dialog_parts.h"
#include "ui/password_line_edit.h"
#include "ui/widgets.h"

namespace velmor {
namespace {

constexpr int kFieldWidth = 200;

QLabel* fieldLabel(const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* textEdit(const char* name, const std::string& text) {
    auto* edit = new QLineEdit(qs(text));
    edit->setObjectName(QString::fromLatin1(name));
    edit->setValidator(new StorableTextValidator(edit));
    edit->setFixedWidth(kFieldWidth);
    return edit;
}

QLineEdit* resultField(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    field->setToolTip(QStringLiteral("Результат фильтра"));
    field->setFixedWidth(kFieldWidth * 3 / 4);
    return field;
}

}  // namespace

LoginDialogWindow::LoginDialogWindow(LoginDialog& dialog, LocaleFormat locale, QWidget* parent)
    : QDialog(parent),
      dialog_(dialog),
      locale_(std::move(locale)),
      login_(textEdit("LoginEdit", dialog.Login)),
      money_(new NumberLineEdit),
      moneyArrows_(new UpDownArrows),
      statistics_(new QCheckBox(QStringLiteral("Вести денежную статистику для данного логина"))) {
    const bool masked = dialog.masked();
    setUpDialogFrame(this, masked ? "Form5" : "Form3", dialog.Caption);

    QWidget* passwordWidget = nullptr;
    if (masked) {
        maskedPassword_ = new PasswordLineEdit(dialog.PasswordEdit);
        maskedPassword_->setObjectName(QStringLiteral("PasswordEdit"));
        passwordWidget = maskedPassword_;
    } else {
        password_ = textEdit("Password", dialog.Password);
        passwordWidget = password_;
    }

    money_->setObjectName(QStringLiteral("MoneyEdit"));
    money_->setDecimalSeparator(QLatin1Char(locale_.decimalSeparator));
    money_->setFixedWidth(90);
    moneyArrows_->setObjectName(QStringLiteral("MoneyUpDown"));
    moneyArrows_->setFixedHeight(money_->sizeHint().height());
    showMoney();
    statistics_->setObjectName(QStringLiteral("StatisticsCheck"));
    statistics_->setChecked(dialog.KeepStatistics);

    auto* moneyRow = new QHBoxLayout;
    moneyRow->setSpacing(0);
    moneyRow->addWidget(money_);
    moneyRow->addWidget(moneyArrows_);
    moneyRow->addStretch(1);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(fieldLabel("Label1", QStringLiteral("Логин"), login_), 1, 0);
    grid->addWidget(login_, 1, 1);
    grid->addWidget(fieldLabel("Label2", QStringLiteral("Пароль"), passwordWidget), 2, 0);
    grid->addWidget(passwordWidget, 2, 1);
    grid->addWidget(fieldLabel("Label3", QStringLiteral("Денег на счету"), money_), 3, 0);
    grid->addLayout(moneyRow, 3, 1);
    grid->addWidget(statistics_, 4, 0, 1, -1);

    auto* ok = dialogButton("ОК", "OkButton", true);
    auto* cancel = dialogButton("Отмена", "CancelButton");
    connect(ok, &QPushButton::clicked, this, [this] { this->ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    if (!masked) {
        // The filtered login and password, and the connection the login is meant for.
        loginResult_ = resultField("LoginResult");
        passwordResult_ = resultField("PasswordResult");
        auto* heading = new QLabel(QStringLiteral("Результат"));
        heading->setObjectName(QStringLiteral("Label4"));
        auto* take = new QPushButton(QStringLiteral("Результат"));
        take->setObjectName(QStringLiteral("ResultButton"));
        take->setAutoDefault(false);
        take->setToolTip(QStringLiteral("Взять логин и пароль из результата фильтра"));
        connect(take, &QPushButton::clicked, this, [this] { resultClick(); });
        grid->addWidget(heading, 0, 2);
        grid->addWidget(loginResult_, 1, 2);
        grid->addWidget(passwordResult_, 2, 2);
        grid->addWidget(take, 3, 2);

        entries_ = new QComboBox;
        entries_->setObjectName(QStringLiteral("Entries"));
        for (const std::string& name : dialog.Entries)
            entries_->addItem(qs(name));
        entries_->setCurrentIndex(dialog.EntryIndex < entries_->count() ? dialog.EntryIndex : -1);
        entries_->setEnabled(dialog.EntryChangeable);
        entries_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        entries_->setMinimumContentsLength(12);
        connect(entries_, &QComboBox::currentIndexChanged, this,
                [this](int index) { dialog_.EntryIndex = index; });
        grid->addWidget(fieldLabel("Label5", QStringLiteral("Соединение"), entries_), 5, 0);
        grid->addWidget(entries_, 5, 1, 1, 2);
    }
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(login_, &QLineEdit::textChanged, this, [this] { textChanged(); });
    if (password_) connect(password_, &QLineEdit::textChanged, this, [this] { textChanged(); });
    if (maskedPassword_)
        connect(maskedPassword_, &QLineEdit::textChanged, this, [this] { textChanged(); });
    connect(money_, &FormLineEdit::focusLost, this, [this] { readMoney(); });
    connect(moneyArrows_, &UpDownArrows::stepped, this, [this](int delta) { stepMoney(delta); });
    connect(statistics_, &QCheckBox::toggled, this,
            [this](bool on) { dialog_.KeepStatistics = on; });
    textChanged();
    setFixedSize(sizeHint());
}

void LoginDialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    login_->setFocus();
}

void LoginDialogWindow::textChanged() {
    dialog_.Login = login_->text().toStdString();
    if (password_) dialog_.Password = password_->text().toStdString();
    dialog_.textChanged();
    if (loginResult_) loginResult_->setText(qs(dialog_.LoginResult));
    if (passwordResult_) passwordResult_->setText(qs(dialog_.PasswordResult));
}

void LoginDialogWindow::readMoney() {
    // Text that is no number leaves the money as it was.
    if (const auto value = numberEditValue(money_->text().toStdString(), locale_.decimalSeparator,
                                           locale_.thousandSeparator))
        dialog_.Money = *value;
    showMoney();
}

void LoginDialogWindow::showMoney() {
    money_->setText(qs(formatReal(dialog_.Money, locale_.decimalSeparator)));
}

void LoginDialogWindow::stepMoney(int delta) {
    readMoney();
    dialog_.Money = std::clamp(dialog_.Money + delta, kMoneyMin, kMoneyMax);
    showMoney();
}

void LoginDialogWindow::ok() {
    readMoney();
    if (dialog_.OkClick()) {
        accept();
        return;
    }
    focusFirstEmpty();
}

void LoginDialogWindow::resultClick() {
    readMoney();
    if (dialog_.ResultClick()) {
        accept();
        return;
    }
    focusFirstEmpty();
}

void LoginDialogWindow::focusFirstEmpty() {
    // Without both a login and a password the dialog stays open, at the field still missing.
    QLineEdit* password = password_ ? password_ : maskedPassword_;
    if (login_->text().isEmpty())
        login_->setFocus();
    else if (password->text().isEmpty())
        password->setFocus();
}

}  // namespace velmor
