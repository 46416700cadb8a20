#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include "ui/icons.h"
#include "ui/pages.h"
#include "ui/qt_user_interface.h"
#include "ui/x11_taskbar.h"

namespace velmor {
namespace {

// Tabs with narrow margins, so that the captions of five pages fit the window's width.
class CompactTabStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return 7;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

void compactTabs(QTabWidget* tabs, QStyle* style) {
    if (QTabBar* bar = tabs->tabBar()) bar->setStyle(style);
}

}  // namespace

MainWindow::MainWindow(MainForm& model, FormHandlers& handlers,
                       std::function<void(const std::string&)> errors)
    : model_(model), handlers_(handlers), binder_(std::move(errors)) {
    build();
}

MainWindow::~MainWindow() {
    if (ui_) ui_->setMainWindow(nullptr);
}

QSize MainWindow::clientSize(const QWidget* onScreen) {
    const QScreen* screen =
        onScreen && onScreen->screen() ? onScreen->screen() : QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    return QSize(qRound(390 * scale), qRound(370 * scale));
}

void MainWindow::build() {
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    PageContext ctx{model_, handlers_, binder_};
    tabStyle_ = new CompactTabStyle;
    tabStyle_->setParent(this);
    pages_ = new QTabWidget;
    compactTabs(pages_, tabStyle_);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setUsesScrollButtons(false);
    // A page's widgets are made when the page is first shown (makePage): a window that opens on
    // one page does not pay for the other four. The window's size is fixed, so nothing waits.
    const char* const pageNames[kPages] = {"TabSheet1", "TabSheet5", "TabSheet15", "TabSheet10",
                                           "TabSheet16"};
    for (int i = 0; i < kPages; ++i) {
        auto* holder = new QWidget;
        holder->setObjectName(QString::fromLatin1(pageNames[i]));
        auto* holderLayout = new QVBoxLayout(holder);
        holderLayout->setContentsMargins(0, 0, 0, 0);
        pages_->addTab(holder, QString::fromUtf8(kPageCaptions[i]));
    }
    binder_.onRefresh([this] {
        makePage(model_.window.pageIndex);
        if (pages_->currentIndex() != model_.window.pageIndex)
            pages_->setCurrentIndex(model_.window.pageIndex);
    });
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        makePage(index);
        if (binder_.refreshing()) return;
        const int left = model_.window.pageIndex;
        const int inner = left == 1   ? model_.window.settingsPageIndex
                          : left == 2 ? model_.window.eventsPageIndex
                          : left == 4 ? model_.window.statsPageIndex
                                      : 0;
        model_.window.pageIndex = index;
        binder_.run([this, left, inner] { handlers_.PageLeft(left, inner); });
    });
    buildMenu();

    // The buttons under the pages.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    const std::pair<const char*, std::pair<Button*, Binder::Handler>> bottom[] = {
        {"Button2", {&model_.Button2, [this] { handlers_.Button2Click(); }}},
        {"Button5", {&model_.Button5, [this] { close(); }}},
        {"Button10", {&model_.Button10, [this] { handlers_.Button10Click(); }}},
        {"Button3", {&model_.Button3, [this] { handlers_.Button3Click(); }}},
    };
    for (const auto& [name, button] : bottom) {
        QPushButton* b = makeButton(ctx, name, *button.first, button.second);
        buttons->addWidget(b, 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 4, 3, 6);
    layout->setSpacing(6);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);

    binder_.setRedraw([this] { refresh(); });
    binder_.onRefresh([this] {
        const QString caption = qs(model_.window.caption);
        if (windowTitle() != caption) setWindowTitle(caption);
        // The icon of the chosen set and state, as the tray shows it.
        if (shownIcon_ != model_.window.iconIndex) {
            shownIcon_ = model_.window.iconIndex;
            setWindowIcon(trayIcon(shownIcon_));
        }
    });
    binder_.onRefresh([this] { followWindowState(); });

    setFixedSize(clientSize(this));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    refresh();
}

QWidget* MainWindow::innerPages(const char* name, int& index, int page,
                                std::initializer_list<std::pair<const char*, QWidget*>> pages) {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QString::fromLatin1(name));
    compactTabs(tabs, tabStyle_);
    tabs->setUsesScrollButtons(false);
    tabs->setDocumentMode(false);
    const char* const* captions = page == 1   ? kSettingsPageCaptions
                                  : page == 2 ? kEventsPageCaptions
                                              : kStatsPageCaptions;
    int i = 0;
    for (const auto& [sheet, widget] : pages) {
        widget->setObjectName(QString::fromLatin1(sheet));
        tabs->addTab(widget, QString::fromUtf8(captions[i++]));
    }
    binder_.onRefresh([tabs, &index] {
        if (tabs->currentIndex() != index) tabs->setCurrentIndex(index);
    });
    connect(tabs, &QTabWidget::currentChanged, this, [this, &index, page](int now) {
        if (binder_.refreshing()) return;
        const int left = index;
        index = now;
        binder_.run([this, page, left] { handlers_.PageLeft(page, left); });
    });
    // The outer page holding the inner page control.
    auto* sheet = new QWidget;
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(tabs);
    return sheet;
}

QWidget* MainWindow::pageWidgets(int index) {
    PageContext c{model_, handlers_, binder_};
    switch (index) {
        case 0:
            return buildConnectionPage(c);
        case 1:
            return innerPages("PageControl2", model_.window.settingsPageIndex, 1,
                              {{"TabSheet2", buildGeneralPage(c)},
                               {"TabSheet3", buildInterfacePage(c)},
                               {"TabSheet4", buildDialPage(c)},
                               {"TabSheet6", buildHotKeysPage(c)},
                               {"TabSheet7", buildExtraPage(c)}});
        case 2:
            return innerPages("PageControl4", model_.window.eventsPageIndex, 2,
                              {{"TabSheet8", buildSoundsPage(c)}, {"TabSheet9", buildAppsPage(c)}});
        case 3:
            return buildTimerPage(c);
        default:
            return innerPages("PageControl3", model_.window.statsPageIndex, 4,
                              {{"TabSheet11", buildTimeStatsPage(c)},
                               {"TabSheet12", buildTrafficStatsPage(c)},
                               {"TabSheet13", buildMoneyStatsPage(c)},
                               {"TabSheet14", buildTariffPage(c)},
                               {"TabSheetGraph", buildGraphPage(c)}});
    }
}

void MainWindow::makePage(int index) {
    if (index < 0 || index >= kPages || pageMade_[static_cast<std::size_t>(index)]) return;
    pageMade_[static_cast<std::size_t>(index)] = true;
    pages_->widget(index)->layout()->addWidget(pageWidgets(index));
    // The new widgets show the model at once: steps added during a refresh run in that refresh.
    if (!binder_.refreshing()) binder_.refresh();
}

void MainWindow::makeAllPages() {
    for (int i = 0; i < kPages; ++i)
        makePage(i);
}

void MainWindow::buildMenu() {
    TrayMenu& m = model_.menu;
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, MenuItem& item, Binder::Handler onClick) {
        QAction* a = popupMenu1_->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        binder_.menuItem(a, item, std::move(onClick));
    };
    FormHandlers& h = handlers_;
    add("MShow", m.MShow, [&h] { h.MShowClick(); });
    popupMenu1_->addSeparator();
    // Calling, aborting and hanging up are the dial button's action.
    add("MCall", m.MCall, [&h] { h.Button1Click(); });
    add("MStop", m.MStop, [&h] { h.Button1Click(); });
    add("MHangUp", m.MHangUp, [&h] { h.Button1Click(); });
    add("MRecall", m.MRecall, [&h] { h.MRecallClick(); });
    add("MNext", m.MNext, [&h] { h.MNextClick(); });
    popupMenu1_->addSeparator();
    add("CopyIP", m.CopyIP, [&h] { h.CopyIPClick(); });
    add("MExit", m.MExit, [this] { close(); });

    // The menu is brought up to date whenever it opens, on the pages or on the tray icon.
    connect(popupMenu1_, &QMenu::aboutToShow, this,
            [this] { binder_.run([this] { handlers_.PopupMenu1Popup(); }); });
    // The right button on the pages (and on every control of them without a menu of its own).
    pages_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pages_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupMenu1_->exec(pages_->mapToGlobal(at)); });
}

void MainWindow::refresh() {
    binder_.refresh();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool closed = false;
    binder_.run([this, &closed] { closed = handlers_.Close(); });
    if (closed) {
        event->accept();
        // The program ends with its window, not with the last window shown (a message box over
        // the hidden window would otherwise end it).
        if (ui_) QCoreApplication::quit();
    } else {
        event->ignore();
    }
}

void MainWindow::minimizeApplication() {
    binder_.run([this] { handlers_.ApplyModeOnMinimize(); });
}

void MainWindow::restoreApplication() {
    binder_.run([this] { handlers_.ApplyModeOnRestore(); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    following_ = true;
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !following_ || binder_.refreshing()) return;
    // The user minimized or restored the window (title bar, taskbar, window manager). Handled
    // once the window system's own change is complete, so that hiding the window is not undone.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (binder_.refreshing()) return;
            if (isMinimized() && !model_.window.minimized) {
                binder_.run([this] { handlers_.ApplyModeOnMinimize(); });
            } else if (!isMinimized() && isVisible() && model_.window.minimized) {
                binder_.run([this] { handlers_.ApplyModeOnRestore(); });
            }
        },
        Qt::QueuedConnection);
}

void MainWindow::followWindowState() {
    if (!following_) return;
    const WindowState& w = model_.window;
    const int button = w.taskbarButtonVisible ? 1 : 0;
    if (!isVisible()) {
        // Withdrawn, the window lost its state: it goes with the next mapping.
        taskbarButton_ = -1;
    } else if (button != taskbarButton_) {
        setTaskbarButton(this, w.taskbarButtonVisible);
        taskbarButton_ = button;
    }
    auto showWith = [this, &w, button](void (QWidget::*show)()) {
        if (!isVisible()) {
            setTaskbarButton(this, w.taskbarButtonVisible);
            taskbarButton_ = button;
        }
        (this->*show)();
    };
    if (w.minimized) {
        // Minimized without a taskbar button, the window is out of sight altogether.
        if (!w.taskbarButtonVisible) {
            if (isVisible()) hide();
        } else if (!isVisible() || !isMinimized()) {
            showWith(&QWidget::showMinimized);
        }
    } else if (!isVisible() || isMinimized()) {
        showWith(&QWidget::showNormal);
    }
}

}  // namespace velmor
