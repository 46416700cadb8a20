// The main window: the page control with its five pages and the buttons under it, drawn from the
// form model; widget events go to the form's handlers.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "form/form_model.h"
#include "ui/app_window.h"
#include "ui/binder.h"
#include "ui/form_handlers.h"

class QMenu;
class QStyle;
class QTabWidget;

namespace velmor {

class TForm1;
class QtUserInterface;

class MainWindow : public QWidget, public AppWindow {
    Q_OBJECT
  public:
    // The program's window: the handlers are the form's, errors and the window operations go
    // through the front end, which learns about this window (the front end must outlive it).
    MainWindow(TForm1& form, QtUserInterface& ui);
    // A window over a model and handlers of any kind; errors a handler raises go to errors.
    MainWindow(MainForm& model, FormHandlers& handlers,
               std::function<void(const std::string&)> errors = {});
    ~MainWindow() override;

    QWidget* widget() override { return this; }
    MainForm& model() override { return model_; }
    // Shows the model in every widget.
    void refresh() override;
    // A step of its own at the end of every redraw, which follows every handler and every change
    // of the model outside one.
    void onRefresh(std::function<void()> step) { binder_.onRefresh(std::move(step)); }
    // Makes the widgets of every page now rather than when each is first shown.
    void makeAllPages();
    // The page control's and the tray's menu.
    QMenu* popupMenu1() const { return popupMenu1_; }
    // The size of the window's client area at the screen's resolution.
    static QSize clientSize(const QWidget* onScreen);
    // The application is minimized or restored by the program: the form applies the display
    // mode and the window follows it.
    void minimizeApplication() override;
    void restoreApplication() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void build();
    QWidget* innerPages(const char* name, int& index, int page,
                        std::initializer_list<std::pair<const char*, QWidget*>> pages);
    void buildMenu();
    // Makes the widgets of a page of the page control unless they are made.
    void makePage(int index);
    QWidget* pageWidgets(int index);
    // Shows, minimizes or hides the window and its taskbar button as the model says (once the
    // window has been shown for the first time).
    void followWindowState();

    std::unique_ptr<FormHandlers> ownedHandlers_;
    MainForm& model_;
    FormHandlers& handlers_;
    Binder binder_;
    static constexpr int kPages = 5;
    QTabWidget* pages_ = nullptr;
    std::array<bool, kPages> pageMade_{};
    QMenu* popupMenu1_ = nullptr;
    QStyle* tabStyle_ = nullptr;
    int shownIcon_ = -1;
    QtUserInterface* ui_ = nullptr;
    bool following_ = false;
    int taskbarButton_ = -1;  // what was last asked of the window manager
};

}  // namespace velmor
