// The page "Таймер": the scheduled dial and the scheduled hang-up with power-off.
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <functional>

#include "ui/pages.h"

namespace velmor {
namespace {

// An hour or minute field: a read-only number with arrows; a double click puts the current time.
QHBoxLayout* timeField(PageContext& ctx, const char* editName, Edit& edit, const char* upDownName,
                       UpDown& upDown, bool hour) {
    FormLineEdit* field = makeEdit(ctx, editName, edit);
    field->setFixedWidth(30);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(
        field, &FormLineEdit::doubleClicked, field, [&b = ctx.b, &h = ctx.h, &edit, &upDown, hour] {
            b.run([&h, &edit, &upDown, hour] { h.TimeEditDblClick(edit, upDown, hour); });
        });
    return hbox(
        {field, makeUpDown(ctx, upDownName, upDown, &edit, field, VELMOR_ON(ctx, ScheduleChanged))},
        0);
}

// Tells the handlers when a widget comes on screen or leaves it (its page or its window shown or
// hidden).
class ShownWatch : public QObject {
  public:
    ShownWatch(QWidget* w, std::function<void(bool)> shown) : QObject(w), shown_(std::move(shown)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) shown_(true);
        if (e->type() == QEvent::Hide) shown_(false);
        return false;
    }

  private:
    std::function<void(bool)> shown_;
};

// The clock of a schedule, showing the time of day.
FormLabel* clock(PageContext& ctx, const char* name, Label& c) {
    FormLabel* l = makeLabel(ctx, name, c);
    QFont font = l->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    l->setFont(font);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setStyleSheet(QStringLiteral("color: #1d5e9e;"));
    return l;
}

// The "hour : minute" row of a schedule.
QHBoxLayout* timeOfDay(PageContext& ctx, const char* hourName, Edit& hour, const char* hourArrows,
                       velmor::UpDown& hourUpDown, const char* minuteName, Edit& minute,
                       const char* minuteArrows, velmor::UpDown& minuteUpDown) {
    QHBoxLayout* row = timeField(ctx, hourName, hour, hourArrows, hourUpDown, true);
    row->addSpacing(4);
    row->addWidget(new QLabel(QStringLiteral(":")));
    row->addSpacing(4);
    row->addLayout(timeField(ctx, minuteName, minute, minuteArrows, minuteUpDown, false));
    row->addStretch(1);
    return row;
}

}  // namespace

QWidget* buildTimerPage(PageContext& ctx) {
    TimerPage& p = ctx.f.timer;
    auto changed = VELMOR_ON(ctx, ScheduleChanged);

    QGroupBox* dial = makeGroup(ctx, "DialGroup", p.DialGroup);
    auto* dialLayout = new QGridLayout(dial);
    compact(dialLayout);
    dialLayout->addWidget(makeCheck(ctx, "TimerDialCheck", p.TimerDialCheck, changed), 0, 0);
    dialLayout->addLayout(
        timeOfDay(ctx, "DialHourEdit", p.DialHourEdit, "DialHourUpDown", p.DialHourUpDown,
                  "DialMinuteEdit", p.DialMinuteEdit, "DialMinuteUpDown", p.DialMinuteUpDown),
        0, 1);
    FormLabel* dialClock = clock(ctx, "DialClock", p.DialClock);
    // Both clocks are on the page: the time is kept up to date while it is on screen.
    new ShownWatch(dialClock, [&h = ctx.h](bool shown) { h.ClocksShown(shown); });
    dialLayout->addWidget(dialClock, 0, 2, 2, 1);
    dialLayout->addWidget(makeCheck(ctx, "TimerDialRepCheck", p.TimerDialRepCheck, changed), 1, 0);
    dialLayout->setColumnStretch(1, 1);

    QGroupBox* hang = makeGroup(ctx, "HangGroup", p.HangGroup);
    auto* hangLayout = new QGridLayout(hang);
    compact(hangLayout);
    hangLayout->addWidget(makeCheck(ctx, "TimerHangCheck", p.TimerHangCheck, changed), 0, 0);
    hangLayout->addLayout(
        timeOfDay(ctx, "HangHourEdit", p.HangHourEdit, "HangHourUpDown", p.HangHourUpDown,
                  "HangMinuteEdit", p.HangMinuteEdit, "HangMinuteUpDown", p.HangMinuteUpDown),
        0, 1);
    hangLayout->addWidget(clock(ctx, "HangClock", p.HangClock), 0, 2, 2, 1);
    hangLayout->addWidget(makeCheck(ctx, "TimerHangRepCheck", p.TimerHangRepCheck, changed), 1, 0);
    hangLayout->addWidget(makeCheck(ctx, "PowerCheck", p.PowerCheck, changed), 2, 0, 1, 2);
    QCheckBox* force = makeCheck(ctx, "ForceCheck", p.ForceCheck, changed);
    hangLayout->addWidget(force, 3, 0, 1, 2);
    hangLayout->setColumnStretch(1, 1);

    auto* page = new QVBoxLayout;
    page->setSpacing(8);
    page->addWidget(dial);
    page->addWidget(hang);
    page->addStretch(1);
    page->addLayout(
        hbox({nullptr, makeButton(ctx, "Button13", p.Button13, VELMOR_ON(ctx, Button13Click))}));
    return pageOf(page);
}

}  // namespace velmor
