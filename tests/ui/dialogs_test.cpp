// The front end's dialogs: message boxes, the lock dialog, the exit question, the entry dialog,
// and the application-wide services (hints, help, minimize, terminate).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>

#include "app/exit_dialog.h"
#include "app/lock_dialog.h"
#include "platform/phonebook.h"
#include "platform/virtual_loop.h"
#include "ui/entry_dialog.h"
#include "ui/exit_dialog_window.h"
#include "ui/file_chooser.h"
#include "ui/lock_dialog_window.h"
#include "ui/main_window.h"
#include "ui/password_line_edit.h"
#include "ui/qt_translations.h"
#include "ui/qt_user_interface.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

// Clicks the button with the given text of the message box that shows next, after checking what
// the box offers.
void answerMessage(QStringList expectedButtons, QString press, QString* text = nullptr,
                   QMessageBox::Icon* icon = nullptr, QString* title = nullptr) {
    expectedButtons.sort();
    whenModal([=](QWidget* up) {
        auto* box = qobject_cast<QMessageBox*>(up);
        ASSERT_TRUE(box) << "not a message box";
        QStringList shown;
        for (QAbstractButton* b : box->buttons())
            shown << b->text();
        shown.sort();

        EXPECT_EQ(shown, expectedButtons);
        if (text) *text = box->text();
        if (icon) *icon = box->icon();
        if (title) *title = box->windowTitle();
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == press) b->click();
        }
    });
}

TEST(MessageBoxes, OfferTheButtonsEachMessageNeedsAndTellWhichWasPressed) {
    QtUserInterface ui;
    QString text, title;
    QMessageBox::Icon icon{};
    answerMessage({"OK"}, "OK", &text, &icon, &title);
    EXPECT_EQ(
        ui.messageBox(MessageKind::Error, MessageButtons::Ok, "Не найдено ни одного подключения."),
        MessageResult::Ok);
    EXPECT_EQ(text, QStringLiteral("Не найдено ни одного подключения."));
    EXPECT_EQ(title, QStringLiteral("Velmor"));
    EXPECT_EQ(icon, QMessageBox::Critical);

    answerMessage({"OK", "Ignore"}, "Ignore", nullptr, &icon);
    EXPECT_EQ(
        ui.messageBox(MessageKind::Error, MessageButtons::OkIgnore, "Файл настроек поврежден."),
        MessageResult::Ignore);
    answerMessage({"OK", "Ignore"}, "OK");
    EXPECT_EQ(ui.messageBox(MessageKind::Error, MessageButtons::OkIgnore, "x"), MessageResult::Ok);

    answerMessage({"Да", "Нет"}, "Нет", nullptr, &icon);
    EXPECT_EQ(ui.messageBox(MessageKind::Question, MessageButtons::YesNo, "Удалить Демо ?"),
              MessageResult::No);
    EXPECT_EQ(icon, QMessageBox::Question);
    answerMessage({"Да", "Нет"}, "Да");
    EXPECT_EQ(ui.messageBox(MessageKind::Question, MessageButtons::YesNo, "x"), MessageResult::Yes);

    answerMessage({"Отмена", "Ignore"}, "Отмена", nullptr, &icon);
    EXPECT_EQ(ui.messageBox(MessageKind::Warning, MessageButtons::CancelIgnore,
                            "Логин a уже занесён в список."),
              MessageResult::Cancel);
    EXPECT_EQ(icon, QMessageBox::Warning);
    answerMessage({"Отмена", "Ignore"}, "Ignore");
    EXPECT_EQ(ui.messageBox(MessageKind::Warning, MessageButtons::CancelIgnore, "x"),
              MessageResult::Ignore);

    answerMessage({"OK"}, "OK", &text, &icon);
    ui.messageBox(MessageKind::Information, MessageButtons::Ok,
                  "Не задан пароль <b>для</b> работы");
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(text, QStringLiteral("Не задан пароль <b>для</b> работы")) << "shown as plain text";
}

TEST(LockDialog, CodesTypedAndPastedTextAndShowsItMasked) {
    ProgramState state;  // no password: set mode
    TForm6 dialog(state);
    QtUserInterface ui;
    LockDialogWindow window(dialog, ui);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Смена пароля"));
    EXPECT_EQ(child<QLabel>(&window, "Label1")->text(),
              QStringLiteral("Введите пароль для работы с программой и нажмите \"ОК\""));
    PasswordLineEdit* edit = window.passwordEdit();
    EXPECT_EQ(edit->objectName(), QStringLiteral("PasswordEdit"));
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');

    typeText(edit, QStringLiteral("Пароль1"));
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Пароль1");
    const QString own = edit->text();
    EXPECT_EQ(own.toStdString(), dialog.PasswordEdit.text());
    ASSERT_EQ(own.size(), 7);
    const QString typed = QStringLiteral("Пароль1");
    for (int i = 0; i < own.size(); ++i)
        EXPECT_NE(own[i], typed[i]) << "character " << i << " is not coded";

    pressKey(edit, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Пароль");
    // Moving the cursor and undoing change nothing behind the password's back.
    pressKey(edit, Qt::Key_Home);
    typeText(edit, QStringLiteral("!"));
    pressKey(edit, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("\x1a"));
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Пароль!");

    edit->pasteText(QStringLiteral("ёЁ"));
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Пароль!ёЁ");
    edit->pasteText(QStringLiteral("漢字"));  // not in the settings file's code page
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Пароль!ёЁ");
    EXPECT_EQ(edit->text().toStdString(), dialog.PasswordEdit.text());
}

TEST(LockDialog, ShortPasswordShowsTheErrorAndStaysOpenUntilOkAccepts) {
    ProgramState state;
    TForm6 dialog(state);
    QtUserInterface ui;
    LockDialogWindow window(dialog, ui);
    QString error;
    bool stillOpen = false;
    int result = -1;
    whenModal([&](QWidget* up) {
        ASSERT_EQ(up, &window);
        typeText(window.passwordEdit(), QStringLiteral("ж"));
        answerMessage({"OK"}, "OK", &error);
        // After the error box: still open; a second character lets "ОК" close it.
        QTimer::singleShot(300, &window, [&] {
            stillOpen = window.isVisible();
            typeText(window.passwordEdit(), QStringLiteral("ы"));
            child<QPushButton>(&window, "OkButton")->click();
        });
        child<QPushButton>(&window, "OkButton")->click();
    });
    result = window.exec();
    EXPECT_EQ(error, QStringLiteral("Пароль не может быть короче двух символов"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(state.lockPassword, "жы");
}

TEST(LockDialog, UnlockHelpAndClosingAnyWay) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("help")));
    std::ofstream(home.filePath(QStringLiteral("help/block.htm")).toStdString()) << "<html></html>";
    QtUserInterface ui(home.path());
    std::vector<QUrl> opened;
    ui.setUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    ProgramState state;
    state.lockPassword = "Секрет";
    TForm6 dialog(state);
    whenModal([&](QWidget* up) {
        EXPECT_EQ(up->windowTitle(), QStringLiteral("Отключение защиты"));
        child<QPushButton>(up, "HelpButton")->click();
        typeText(up->findChild<PasswordLineEdit*>(), QStringLiteral("секрет"));  // wrong case
        child<QPushButton>(up, "OkButton")->click();
    });
    ui.showLockDialog(dialog);
    EXPECT_TRUE(state.locked) << "a wrong password closes silently";
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile(),
              QFileInfo(home.filePath(QStringLiteral("help/block.htm"))).canonicalFilePath());

    TForm6 again(state);
    whenModal([&](QWidget* up) {
        typeText(up->findChild<PasswordLineEdit*>(), QStringLiteral("Секрет"));
        pressKey(up->findChild<PasswordLineEdit*>(), Qt::Key_Return, Qt::NoModifier,
                 QStringLiteral("\r"));
    });
    ui.showLockDialog(again);
    EXPECT_FALSE(state.locked) << "Return presses the default button";

    // Set mode closed by its close box without a password: the caller learns it from FormClose.
    ProgramState fresh;
    TForm6 set(fresh);
    whenModal([&](QWidget* up) {
        child<QPushButton>(up, "HelpButton")->click();  // no "protect" page: nothing opens
        up->close();
    });
    ui.showLockDialog(set);
    EXPECT_TRUE(set.FormClose());
    EXPECT_EQ(opened.size(), 1u);
}

TEST(QtTexts, TheFileDialogAndTheEditMenusSpeakRussian) {
    std::unique_ptr<QTranslator> translator(installQtTranslations(*QCoreApplication::instance()));
    ASSERT_NE(translator, nullptr)
        << "Qt's translations (qt6-translations-l10n) are not installed in "
        << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList items;
    for (const QAction* a : menu->actions())
        items << a->text();
    QFileDialog dialog;
    prepareFileDialog(dialog, "Все файлы|*.*");
    const auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    EXPECT_TRUE(items.contains("&Копировать\tCtrl+C")) << items.join("|").toStdString();
    EXPECT_TRUE(items.contains("Выделить всё\tCtrl+A")) << items.join("|").toStdString();
    EXPECT_EQ(dialog.findChild<QLabel*>("lookInLabel")->text(), "Перейти к:");
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), "&Открыть");
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "Отмена");
}

TEST(Help, InstalledProgramFindsThePagesInItsDataFolder) {
    QTemporaryDir prefix;
    const QDir dir(prefix.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("share/velmor/help")));
    const QString page = dir.filePath(QStringLiteral("share/velmor/help/conn.htm"));
    std::ofstream(page.toStdString()) << "<html></html>";
    const QtUserInterface ui(dir.filePath(QStringLiteral("bin")));
    EXPECT_EQ(ui.helpPage("conn"), QFileInfo(page).canonicalFilePath());
    // A help folder beside the program is the one used.
    ASSERT_TRUE(dir.mkpath(QStringLiteral("bin/help")));
    EXPECT_EQ(ui.helpPage("conn"), QString());
}

class ExitDialogTest : public ::testing::Test {
  protected:
    VirtualLoop loop;
    ProgramState state;
    TForm7 dialog{loop, state};

    // Shows the dialog, runs action once it is up, and returns when it has closed.
    void run(std::function<void(QWidget*)> action) {
        whenModal(std::move(action));
        ExitDialogWindow::run(dialog, nullptr);
        EXPECT_TRUE(dialog.closed());
    }
};

TEST_F(ExitDialogTest, ButtonsSetTheFlags) {
    state.closeAllowed = false;
    run([](QWidget* up) {
        EXPECT_EQ(up->windowTitle(), QStringLiteral("Velmor - выход из программы"));
        EXPECT_EQ(child<QLabel>(up, "Label1")->text(),
                  QStringLiteral("Сейчас установлено соединение с Интернетом."));
        EXPECT_EQ(child<QLabel>(up, "Label2")->text(),
                  QStringLiteral("Разорвать при выходе из программы?"));
        EXPECT_EQ(child<QLabel>(up, "Label3")->text(), QStringLiteral("Осталось времени: 15 сек."));
        EXPECT_EQ(child<QProgressBar>(up, "ProgressBar1")->maximum(), 15);
        EXPECT_FALSE(up->windowFlags() & Qt::WindowMinimizeButtonHint);
        child<QPushButton>(up, "YesButton")->click();
    });
    EXPECT_TRUE(state.hangUpOnExit);
    EXPECT_TRUE(state.closeAllowed) << "set when shown";

    run([](QWidget* up) { child<QPushButton>(up, "NoButton")->click(); });
    EXPECT_FALSE(state.hangUpOnExit);
    EXPECT_TRUE(state.closeAllowed);

    run([](QWidget* up) { child<QPushButton>(up, "CancelButton")->click(); });
    EXPECT_FALSE(state.closeAllowed);

    // The close box changes neither flag; Escape counts as "Отмена".
    state.hangUpOnExit = true;
    run([](QWidget* up) { up->close(); });
    EXPECT_TRUE(state.hangUpOnExit);
    EXPECT_TRUE(state.closeAllowed);
    run([](QWidget* up) { pressKey(up, Qt::Key_Escape); });
    EXPECT_FALSE(state.closeAllowed);
}

TEST_F(ExitDialogTest, CountdownIsShownAndEndsAsYes) {
    QString afterOne;
    int barAfterOne = -1;
    run([&](QWidget* up) {
        loop.advance(1000);
        afterOne = child<QLabel>(up, "Label3")->text();
        barAfterOne = child<QProgressBar>(up, "ProgressBar1")->value();
        loop.advance(14000);
    });
    EXPECT_EQ(afterOne, QStringLiteral("Осталось времени: 14 сек."));
    EXPECT_EQ(barAfterOne, 1);
    EXPECT_TRUE(state.hangUpOnExit);
    EXPECT_TRUE(state.closeAllowed);
}

TEST(EntryDialog, EditsTheEntryFieldsAndKeepsTheSimulation) {
    PhonebookEntry entry;
    entry.name = "Демо";
    entry.phoneNumber = "123";
    entry.alternates = {"456", "789"};
    entry.userName = "user";
    entry.password = "pw";
    entry.sim.speed = 28800;
    entry.sim.busy = {"456"};

    EntryDialog dialog(entry, false);
    EXPECT_EQ(child<QComboBox>(&dialog, "DeviceBox")->currentText(), QStringLiteral("Симулятор"));
    EXPECT_FALSE(child<QLineEdit>(&dialog, "Init1Edit")->isEnabled());
    EXPECT_EQ(child<QPlainTextEdit>(&dialog, "AlternatesEdit")->toPlainText(),
              QStringLiteral("456\n789"));
    // No password is asked for: the phonebook keeps none.
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("PasswordEdit")), nullptr);

    auto* name = child<QLineEdit>(&dialog, "NameEdit");
    auto* ok = child<QPushButton>(&dialog, "OkButton");
    name->setText(QStringLiteral("  "));
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(child<QLabel>(&dialog, "ProblemLabel")->text().isEmpty());
    name->setText(QStringLiteral("Plохо [1]"));
    EXPECT_FALSE(ok->isEnabled());
    name->setText(QStringLiteral(" Новый провайдер "));
    EXPECT_TRUE(ok->isEnabled());
    child<QComboBox>(&dialog, "DeviceBox")->setCurrentText(QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(child<QLineEdit>(&dialog, "Init1Edit")->isEnabled());
    child<QComboBox>(&dialog, "SpeedBox")->setCurrentText(QStringLiteral("57600"));
    child<QLineEdit>(&dialog, "Init3Edit")->setText(QStringLiteral("AT+CGDCONT=1,\"IP\",\"inet\""));
    child<QCheckBox>(&dialog, "HardwareFlowCheck")->setChecked(false);
    child<QSpinBox>(&dialog, "DialTimeoutSpin")->setValue(45);
    child<QPlainTextEdit>(&dialog, "AlternatesEdit")
        ->setPlainText(QStringLiteral(" 111 \n\n222;333\n"));

    const PhonebookEntry edited = dialog.result();
    EXPECT_EQ(edited.name, "Новый провайдер");
    EXPECT_EQ(edited.device, "/dev/ttyUSB0");
    EXPECT_EQ(edited.deviceKind, DeviceKind::Serial);
    EXPECT_EQ(edited.phoneNumber, "123");
    EXPECT_EQ(edited.alternates, (std::vector<std::string>{"111", "222", "333"}));
    EXPECT_EQ(edited.userName, "user");
    EXPECT_EQ(edited.password, "") << "a password is never written to the phonebook";
    EXPECT_EQ(edited.sim, entry.sim);
    EXPECT_EQ(edited.modem.speed, 57600u);
    EXPECT_EQ(edited.modem.init1, "ATZ");
    EXPECT_EQ(edited.modem.init2, ModemSettings{}.init2);
    EXPECT_EQ(edited.modem.init3, "AT+CGDCONT=1,\"IP\",\"inet\"");
    EXPECT_EQ(edited.modem.flowControl, FlowControl::None);
    EXPECT_EQ(edited.modem.dialTimeoutSec, 45u);

    // Through the front end: cancelled leaves the entry alone, accepted writes it.
    QtUserInterface ui;
    PhonebookEntry created;
    whenModal([](QWidget* up) { child<QPushButton>(up, "CancelButton")->click(); });
    EXPECT_FALSE(ui.editPhonebookEntry(created, true));
    EXPECT_TRUE(created.name.empty());
    whenModal([](QWidget* up) {
        EXPECT_EQ(up->windowTitle(), QStringLiteral("Создать соединение"));
        child<QLineEdit>(up, "NameEdit")->setText(QStringLiteral("Провайдер"));
        child<QLineEdit>(up, "PhoneEdit")->setText(QStringLiteral("8-800"));
        child<QPushButton>(up, "OkButton")->click();
    });
    EXPECT_TRUE(ui.editPhonebookEntry(created, true));
    EXPECT_EQ(created.name, "Провайдер");
    EXPECT_EQ(created.phoneNumber, "8-800");
    EXPECT_EQ(created.device, "sim");
}

// Counts the tool-tip events that reach it.
class HintCounter : public QWidget {
  public:
    int tips = 0;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) ++tips;
        return QWidget::event(e);
    }
};

TEST(ApplicationServices, HintsMinimizeRefreshAndTerminate) {
    QtUserInterface ui;
    HintCounter w;
    w.setToolTip(QStringLiteral("подсказка"));
    const auto tip = [&] {
        QHelpEvent e(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
        QApplication::sendEvent(&w, &e);
    };
    tip();
    ui.setHintsEnabled(false);
    tip();
    EXPECT_FALSE(ui.hintsEnabled());
    ui.setHintsEnabled(true);
    tip();
    EXPECT_EQ(w.tips, 2);

    MainForm model;
    RecordingHandlers handlers;
    // Minimizing and restoring go through the form, which applies the display mode; the window
    // follows the model.
    handlers.actions["ApplyModeOnMinimize"] = [&] { model.window.minimized = true; };
    handlers.actions["ApplyModeOnRestore"] = [&] { model.window.minimized = false; };
    MainWindow window(model, handlers);
    ui.setMainWindow(&window);
    window.show();
    EXPECT_FALSE(ui.applicationMinimized());
    ui.minimizeApplication();
    EXPECT_TRUE(ui.applicationMinimized());
    EXPECT_TRUE(window.isMinimized());
    ui.restoreApplication();
    EXPECT_FALSE(ui.applicationMinimized());
    EXPECT_FALSE(window.isMinimized());

    model.conn.Label2.caption = "Жду Ваших приказаний";
    ui.refresh();
    EXPECT_EQ(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Жду Ваших приказаний"));
    window.hide();

    // Terminate ends the program's event loop once the current handler has returned.
    QTimer tooLate;
    tooLate.setSingleShot(true);
    QObject::connect(&tooLate, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    tooLate.start(3000);
    ui.terminate();
    EXPECT_TRUE(ui.terminateRequested());
    EXPECT_EQ(QApplication::exec(), 0) << "the loop did not end";
}

}  // namespace
}  // namespace velmor::test
