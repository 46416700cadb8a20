#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <cstdlib>
#include <memory>

namespace velmor::test {
namespace {

// One application object for all window tests.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "velmor_ui_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // Windows closed by one test must not end the nested event loops of the next.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void RecordingHandlers::record(const std::string& call) {
    calls.push_back(call);
    const auto it = actions.find(call);
    if (it != actions.end()) it->second();
}

std::vector<std::string> RecordingHandlers::take() {
    std::vector<std::string> taken;
    taken.swap(calls);
    return taken;
}

void RecordingHandlers::PageLeft(int page, int inner) {
    record("PageLeft(" + std::to_string(page) + "," + std::to_string(inner) + ")");
}

void RecordingHandlers::capplistChange(int index, bool checked) {
    record("capplistChange(" + std::to_string(index) + "," + (checked ? "1" : "0") + ")");
}

void RecordingHandlers::ListDrop(bool logins, int from, int to) {
    record("ListDrop(" + std::string(logins ? "1" : "0") + "," + std::to_string(from) + "," +
           std::to_string(to) + ")");
}

void RecordingHandlers::TimeEditDblClick(Edit& edit, UpDown& upDown, bool hour) {
    lastEdit = &edit;
    lastUpDown = &upDown;
    record(std::string("TimeEditDblClick(") + (hour ? "hour" : "minute") + ")");
}

void RecordingHandlers::tariffExit(NumberEdit& edit) {
    lastNumberEdit = &edit;
    record("tariffExit");
}

bool RecordingHandlers::Close() {
    record("Close");
    return allowClose;
}

void pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

void typeText(QWidget* w, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        const int key = one.toUpper().at(0).unicode();
        pressKey(w, key, Qt::NoModifier, one);
    }
}

void doubleClick(QWidget* w, QPoint at) {
    if (at.isNull()) at = w->rect().center();
    const QPointF local(at);
    const QPointF global(w->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w, &dbl);
    QMouseEvent release2(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                         Qt::NoModifier);
    QApplication::sendEvent(w, &release2);
}

void whenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, started, action] {
        QWidget* up = QApplication::activePopupWidget();
        if (!up) up = QApplication::activeModalWidget();
        if (up && up->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(up);
            return;
        }
        if (started->elapsed() > 2000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no dialog or menu showed";
        }
    });
    timer->start();
}

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace velmor::test
