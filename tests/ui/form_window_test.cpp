// The window over the real form: a first start through the front end's dialogs, the demo entry
// on screen, a dial started from the button, the close while dialling, and the phone and login
// lists edited through their dialogs and reordered by dropping rows.
#include <gtest/gtest.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <ctime>
#include <fstream>

#include "app/tform1.h"
#include "platform/ras.h"
#include "ui/list_views.h"
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

// Answers the first start's message and sets the program password "Пароль".
void answerFirstStart() {
    whenModal([](QWidget* up) {
        auto* box = qobject_cast<QMessageBox*>(up);
        ASSERT_TRUE(box);
        box->button(QMessageBox::Ok)->click();
        whenModal([](QWidget* next) {
            auto* lock = qobject_cast<LockDialogWindow*>(next);
            ASSERT_TRUE(lock);
            typeText(lock->passwordEdit(), QStringLiteral("Пароль"));
            child<QPushButton>(lock, "OkButton")->click();
        });
    });
}

bool dropRow(ReportList* list, int from, int onRow) {
    const std::unique_ptr<QMimeData> data(list->rowData(from));
    const QPoint at = list->visualItemRect(list->topLevelItem(onRow)).center();
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return drop.isAccepted();
}

TEST(FormWindow, PhonesAndLoginsAreAddedThroughTheDialogsAndMovedByDropping) {
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    QtEventLoop loop;
    auto ras = ras::makePhonebookService(loop, dir + "phonebook.ini");
    QtUserInterface ui(home.path());
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::russian());
    MainWindow window(form, ui);
    answerFirstStart();
    form.FormCreate("");
    ASSERT_FALSE(form.TerminateRequested());
    window.refresh();
    window.show();
    form.FormShow();

    auto* phones = child<ReportList>(&window, "ListView1");
    auto* logins = child<ReportList>(&window, "ListView2");
    ASSERT_TRUE(phones && logins);
    const int phoneRows = phones->topLevelItemCount();
    const int loginRows = logins->topLevelItemCount();

    // "Вставить телефон в список": the number typed in the dialog is the new last row.
    whenModal([](QWidget* up) {
        EXPECT_EQ(up->windowTitle(), QStringLiteral("Введите новый телефон"));
        typeText(child<QLineEdit>(up, "Edit1"), QStringLiteral("8-495-000"));
        child<QPushButton>(up, "OkButton")->click();
    });
    child<QToolButton>(&window, "BitBtn1")->click();
    ASSERT_EQ(phones->topLevelItemCount(), phoneRows + 1);
    EXPECT_EQ(phones->topLevelItem(phoneRows)->text(0), QStringLiteral("8-495-000"));
    // Cancelled, nothing is added.
    whenModal([](QWidget* up) {
        typeText(child<QLineEdit>(up, "Edit1"), QStringLiteral("9"));
        child<QPushButton>(up, "CancelButton")->click();
    });
    child<QToolButton>(&window, "BitBtn1")->click();
    EXPECT_EQ(phones->topLevelItemCount(), phoneRows + 1);

    // The new number dropped on the first row goes first and stays selected.
    EXPECT_TRUE(dropRow(phones, phoneRows, 0));
    EXPECT_EQ(phones->topLevelItem(0)->text(0), QStringLiteral("8-495-000"));
    EXPECT_EQ(form.Model.phones.front().number, "8-495-000");
    EXPECT_EQ(form.Model.conn.ListView1.itemIndex, 0);
    EXPECT_TRUE(phones->topLevelItem(0)->isSelected());

    // A first start runs locked: the login dialog is the masked one.
    ASSERT_TRUE(form.Model.state.locked);
    whenModal([](QWidget* up) {
        EXPECT_EQ(up->objectName(), QStringLiteral("Form5"));
        typeText(child<QLineEdit>(up, "LoginEdit"), QStringLiteral("гость"));
        typeText(child<PasswordLineEdit>(up, "PasswordEdit"), QStringLiteral("тайна"));
        auto* money = child<QLineEdit>(up, "MoneyEdit");
        money->selectAll();
        typeText(money, QStringLiteral("12,5"));
        child<QPushButton>(up, "OkButton")->click();
    });
    child<QToolButton>(&window, "BitBtn11")->click();
    ASSERT_EQ(logins->topLevelItemCount(), loginRows + 1);
    EXPECT_EQ(logins->topLevelItem(loginRows)->text(0), QStringLiteral("гость"));
    EXPECT_EQ(logins->topLevelItem(loginRows)->text(1), QStringLiteral("12,50"));
    EXPECT_EQ(form.Model.logins.back().password, "тайна");

    window.close();
}

// Whether the system's clock has been set since the watch began: a calendar timer rightly fires
// early then, and some machines step their clock many times a second for a while.
class ClockSetWatch {
  public:
    ClockSetWatch() : fd_(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        itimerspec far{};
        far.it_value.tv_sec = std::time(nullptr) + 365L * 24 * 3600;
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr);
    }
    ~ClockSetWatch() { ::close(fd_); }
    bool clockWasSet() const {
        std::uint64_t count = 0;
        return ::read(fd_, &count, sizeof count) < 0 && errno == ECANCELED;
    }

  private:
    int fd_;
};

TEST(QtLoop, CalendarTimerFiresAtItsMomentAtOnceWhenPastAndNotWhenStopped) {
    QtEventLoop loop;
    WallTimer timer(loop);
    int fired = 0;
    timer.onTimer = [&] { ++fired; };
    auto in = [](int ms) {
        const QDateTime t = QDateTime::currentDateTime().addMSecs(ms);
        return LocalDateTime{t.date().year(),   t.date().month(),  t.date().day(), t.time().hour(),
                             t.time().minute(), t.time().second(), t.time().msec()};
    };
    for (int attempt = 0;; ++attempt) {
        if (attempt == 10) GTEST_SKIP() << "the system's clock is being set all the time";
        const ClockSetWatch watch;
        fired = 0;
        QElapsedTimer clock;
        clock.start();
        timer.arm(in(300));
        spin(150);
        const int early = fired;
        for (int i = 0; i < 300 && fired == 0; ++i)
            spin(10);
        if (watch.clockWasSet()) continue;
        EXPECT_EQ(early, 0);
        EXPECT_EQ(fired, 1);
        EXPECT_GE(clock.elapsed(), 290);
        break;
    }
    const std::uint64_t before = loop.firings();
    EXPECT_FALSE(timer.armed());
    timer.arm(in(-60000));
    spin(50);
    EXPECT_EQ(fired, 2);
    timer.arm(in(200));
    timer.stop();
    spin(400);
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(loop.firings(), before + 1);
}

}  // namespace
}  // namespace velmor::test
