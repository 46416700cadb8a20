// Every page of the main window laid out in its fixed size: captions not cut, controls inside
// their page and not over each other. With VELMOR_SCREENSHOT_DIR set, each page is also saved as
// a picture there (page-<n>.png); with VELMOR_SHOW_MS the window stays up that long on each page
// (for a screenshot of the whole screen).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>

#include "form/form_model.h"
#include "form/page_switches.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

struct PageView {
    const char* file;  // picture name
    int page, settings, events, stats;
};

const PageView kViews[] = {
    {"page-1-connection", 0, 0, 0, 0},
    {"page-2-settings-general", 1, 0, 0, 0},
    {"page-2-settings-interface", 1, 1, 0, 0},
    {"page-2-settings-dial", 1, 2, 0, 0},
    {"page-2-settings-hotkeys", 1, 3, 0, 0},
    {"page-2-settings-extra", 1, 4, 0, 0},
    {"page-3-events-sounds", 2, 0, 0, 0},
    {"page-3-events-apps", 2, 0, 1, 0},
    {"page-4-timer", 3, 0, 0, 0},
    {"page-5-stats-time", 4, 0, 0, 0},
    {"page-5-stats-traffic", 4, 0, 0, 1},
    {"page-5-stats-money", 4, 0, 0, 2},
    {"page-5-stats-tariffs", 4, 0, 0, 3},
    {"page-5-stats-graph", 4, 0, 0, 4},
};

bool ours(const QWidget* w) {
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QStringLiteral("qt_"));
}

// The problems of one shown page: cut captions, controls outside their parent or over a sibling.
QStringList layoutProblems(QWidget* page) {
    QStringList problems;
    for (QTabBar* bar : page->window()->findChildren<QTabBar*>()) {
        if (!bar->isVisibleTo(page->window())) continue;
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            if (!bar->rect().contains(tab) ||
                tab.width() < bar->fontMetrics().horizontalAdvance(bar->tabText(i)) + 4)
                problems << "tab cut: " + bar->tabText(i);
        }
    }
    QList<QWidget*> shown;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (ours(w) && w->isVisibleTo(page)) shown << w;
    }
    for (QWidget* w : shown) {
        const QString name = w->objectName();
        const bool cuttable = w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored;
        if (auto* l = qobject_cast<QLabel*>(w);
            l && !l->wordWrap() && !cuttable && !l->text().isEmpty()) {
            if (l->width() < l->sizeHint().width()) problems << name + " cut: " + l->text();
        }
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
            if (b->width() < b->sizeHint().width()) problems << name + " cut: " + b->text();
        }
        if (auto* list = qobject_cast<QTreeWidget*>(w)) {
            for (int r = 0; r < list->topLevelItemCount(); ++r) {
                for (int c = 0; c < list->columnCount(); ++c) {
                    QTreeWidgetItem* item = list->topLevelItem(r);
                    const int room = list->visualItemRect(item).isValid()
                                         ? list->columnWidth(c) - (c == 0 ? 30 : 8)
                                         : list->columnWidth(c);
                    if (list->fontMetrics().horizontalAdvance(item->text(c)) > room)
                        problems << name + " cell cut: " + item->text(c);
                }
            }
        }
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->width() < g->fontMetrics().horizontalAdvance(g->title()) + 16)
                problems << name + " title cut";
        }
        if (w->height() < w->minimumSizeHint().height()) problems << name + " too low";
        if (!w->parentWidget()->rect().contains(w->geometry()))
            problems << name + " sticks out of " + w->parentWidget()->objectName();
    }
    for (int i = 0; i < shown.size(); ++i) {
        for (int j = i + 1; j < shown.size(); ++j) {
            QWidget* a = shown[i];
            QWidget* b = shown[j];
            if (a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                problems << a->objectName() + " over " + b->objectName();
        }
    }
    return problems;
}

TEST(Layout, EveryPageFitsTheWindowWithCaptionsWhole) {
    MainForm model;
    // Values as wide as they get in use.
    model.conn.ComboBox1.items = {"Демо-провайдер"};
    model.conn.ComboBox1.itemIndex = 0;
    model.conn.Label2.caption = "Скорость 33,6 Кбит/с, IP 10.64.0.2";
    model.conn.Label4.caption = "Звоним по номеру 8-800-555-35-35";
    model.conn.Label6.caption = "12";
    model.phones = {{"8-800-555-35-35", ItemMark::InUse},
                    {"555-12-12", ItemMark::Normal},
                    {"555-00-00", ItemMark::Excluded}};
    model.logins = {{"demo", "demo", "150.5", '+', ItemMark::InUse},
                    {"guest", "x", "0", '-', ItemMark::Normal}};
    model.programs.resize(2);
    model.programs[0].description = "Почтовый клиент";
    model.programs[1].description = "Менеджер закачек";
    model.programs[1].checked = false;
    model.general.Label29.visible = true;
    model.timer.DialClock.caption = "23:59";
    model.timer.HangClock.caption = "23:59";
    model.stats.inInternetAll = 123 * 86400 + 23 * 3600 + 59 * 60 + 59;
    model.stats.dengiAll = 12345.67;
    model.stats.trafficAll.current = {1234567, 98765};
    showStatistics(model);
    model.tariffs.tariffcount.itemIndex = 2;
    tariffcountClick(model);
    model.quota.QuotaTimeCheck.checked = model.quota.QuotaTrafficCheck.checked = true;
    model.quota.QuotaMegabytes.value = 99999999;
    model.stats.trafficCurrentMonth.current = {50000000, 1000000};
    showStatistics(model);
    RecordingHandlers handlers;
    MainWindow window(model, handlers);
    window.show();

    const char* dir = std::getenv("VELMOR_SCREENSHOT_DIR");
    const char* showMs = std::getenv("VELMOR_SHOW_MS");
    if (dir) QDir().mkpath(QString::fromLocal8Bit(dir));
    for (const PageView& view : kViews) {
        SCOPED_TRACE(view.file);
        model.window.pageIndex = view.page;
        model.window.settingsPageIndex = view.settings;
        model.window.eventsPageIndex = view.events;
        model.window.statsPageIndex = view.stats;
        window.refresh();
        spin(showMs ? std::atoi(showMs) : 20);
        auto* pages = child<QTabWidget>(&window, "PageControl1");
        QWidget* page = pages->currentWidget();
        const QStringList problems = layoutProblems(page);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("; ")).toStdString();
        for (const char* name : {"Button2", "Button5", "Button10", "Button3"}) {
            QWidget* b = child<QWidget>(&window, name);
            EXPECT_GE(b->width(), b->sizeHint().width()) << name;
        }
        if (dir) {
            const QString file =
                QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(view.file) + ".png");
            EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
        }
    }
}

}  // namespace
}  // namespace velmor::test
