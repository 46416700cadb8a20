// The window over the real form: a first start through the front end's dialogs, the demo entry
// on screen, a dial started from the button, and the close while dialling.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>

#include "app/tform1.h"
#include "platform/ras.h"
#include "ui/lock_dialog_window.h"
#include "ui/main_window.h"
#include "ui/password_line_edit.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_user_interface.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

TEST(FormWindow, FirstStartDialAndCloseThroughTheWindow) {
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    QtEventLoop loop;
    auto ras = ras::makePhonebookService(loop, dir + "phonebook.ini");
    QtUserInterface ui(home.path());
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::russian());
    MainWindow window(form, ui);
    EXPECT_EQ(ui.mainWindow(), &window);

    // First start: the message, then the set-password dialog.
    QString message;
    bool lockDialogShown = false;
    whenModal([&](QWidget* up) {
        auto* box = qobject_cast<QMessageBox*>(up);
        ASSERT_TRUE(box);
        message = box->text();
        box->button(QMessageBox::Ok)->click();
        whenModal([&](QWidget* next) {
            auto* lock = qobject_cast<LockDialogWindow*>(next);
            ASSERT_TRUE(lock);
            lockDialogShown = true;
            typeText(lock->passwordEdit(), QStringLiteral("Пароль"));
            child<QPushButton>(lock, "OkButton")->click();
        });
    });
    form.FormCreate("");
    ASSERT_FALSE(form.TerminateRequested());
    window.refresh();
    window.show();
    form.FormShow();
    EXPECT_EQ(message, QStringLiteral("Не задан пароль для работы с программой."));
    EXPECT_TRUE(lockDialogShown);
    EXPECT_EQ(form.Model.state.lockPassword, "Пароль");

    // The demo entry with its numbers and login.
    EXPECT_EQ(child<QComboBox>(&window, "ComboBox1")->currentText().toStdString(),
              form.Model.conn.ComboBox1.text());
    EXPECT_FALSE(form.Model.conn.ComboBox1.text().empty());
    EXPECT_EQ(child<QTreeWidget>(&window, "ListView1")->topLevelItemCount(),
              static_cast<int>(form.Model.phones.size()));
    EXPECT_GT(form.Model.phones.size(), 0u);
    EXPECT_EQ(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Жду Ваших приказаний"));

    // The dial button starts the dial cycle; the window follows it.
    auto* dial = child<QPushButton>(&window, "Button1");
    dial->click();
    EXPECT_EQ(dial->text(), QStringLiteral("Прервать"));
    EXPECT_FALSE(child<QComboBox>(&window, "ComboBox1")->isEnabled());
    spin(1500);  // the simulated modem reports its states through the program's loop
    EXPECT_EQ(child<QLabel>(&window, "Label2")->text().toStdString(),
              form.Model.conn.Label2.caption);
    EXPECT_EQ(child<QLabel>(&window, "Label6")->text(), QStringLiteral("1"));

    // Closing while dialling aborts without a question and saves the settings.
    window.close();
    EXPECT_FALSE(window.isVisible());
    std::ifstream settings(dir + "Velmor.ini");
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_NE(text.find("LockPass="), std::string::npos);
}

}  // namespace
}  // namespace velmor::test
