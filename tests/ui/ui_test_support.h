// What the window tests share: the application object, recorded handlers and simulated input.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/form_handlers.h"
#include "ui/main_window.h"

namespace velmor::test {

// Handlers that record their calls ("PingCheckClick", "PageLeft(1,3)") and run an action set for
// a handler after recording it (the logic the real form would run).
class RecordingHandlers : public FormHandlers {
  public:
#define VELMOR_RECORD_HANDLER(name) \
    void name() override {          \
        record(#name);              \
    }
    VELMOR_FORM_HANDLERS(VELMOR_RECORD_HANDLER)
#undef VELMOR_RECORD_HANDLER

    void PageLeft(int page, int inner) override;
    void capplistChange(int index, bool checked) override;
    void ListDrop(bool logins, int from, int to) override;
    void TimeEditDblClick(Edit& edit, UpDown& upDown, bool hour) override;
    void ClocksShown(bool shown) override {
        clocksShown = shown;
    }
    void GraphShown(bool shown) override {
        graphShown = shown;
    }
    void tariffExit(NumberEdit& edit) override;
    bool Close() override;

    std::vector<std::string> calls;
    std::map<std::string, std::function<void()>> actions;
    bool allowClose = true;
    bool clocksShown = false;  // the last word of ClocksShown (not recorded in calls)
    bool graphShown = false;   // and of GraphShown
    // The arguments of the last call that had some.
    Edit* lastEdit = nullptr;
    UpDown* lastUpDown = nullptr;
    NumberEdit* lastNumberEdit = nullptr;

    std::vector<std::string> take();

  private:
    void record(const std::string& call);
};

// A widget of a window by object name; fails the test when there is none.
template <class W>
W* child(QObject* parent, const char* name) {
    // The main window makes a page's widgets when the page is first shown.
    for (QObject* o = parent; o; o = o->parent()) {
        if (auto* window = qobject_cast<MainWindow*>(o)) window->makeAllPages();
    }
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (!w) ADD_FAILURE() << "no widget named " << name;
    return w;
}

// Types text into a widget key by key, as the keyboard would.
void typeText(QWidget* w, const QString& text);
void pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
              const QString& text = {});
void doubleClick(QWidget* w, QPoint at = {});
// Runs action from the event loop as soon as a modal dialog or menu is up (a QMessageBox, a
// QDialog or a QMenu), giving it that widget; fails when none shows within two seconds.
void whenModal(std::function<void(QWidget*)> action);
// Lets queued events and timers run for ms milliseconds.
void spin(int ms);

}  // namespace velmor::test
