// The inner pages of "Настройки": general options, interface, dialling checks, hot keys and the
// extra dialling options.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <memory>
#include <utility>

#include "ui/icons.h"
#include "ui/pages.h"

namespace velmor {

QWidget* buildGeneralPage(PageContext& ctx) {
    GeneralPage& p = ctx.f.general;
    QGroupBox* pause = makeGroup(ctx, "PauseGroup", p.PauseGroup);
    FormLineEdit* pauseEdit = makeEdit(ctx, "PauseEdit", p.PauseEdit);
    pauseEdit->setFixedWidth(36);
    pauseEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FormLabel* warning = makeLabel(ctx, "Label29", p.Label29);
    warning->setStyleSheet(QStringLiteral("color: #b00000;"));
    auto* pauseLayout = new QVBoxLayout(pause);
    compact(pauseLayout);
    pauseLayout->addLayout(hbox(
        {makeLabel(ctx, "PauseLabel", p.PauseLabel), pauseEdit,
         makeUpDown(ctx, "UpDown", p.UpDown, &p.PauseEdit, pauseEdit, VELMOR_ON(ctx, UpDownClick)),
         makeLabel(ctx, "PauseUnitLabel", p.PauseUnitLabel), nullptr}));
    pauseLayout->addWidget(warning);

    QVBoxLayout* page = vbox({makeCheck(ctx, "OnStartDial", p.OnStartDial),
                              makeCheck(ctx, "AutoReDialCheck", p.AutoReDialCheck),
                              makeCheck(ctx, "TopLoginCheck", p.TopLoginCheck),
                              makeCheck(ctx, "AutoUpdateCheck", p.AutoUpdateCheck)},
                             6);
    page->addSpacing(4);
    page->addWidget(pause);
    page->addStretch(1);
    return pageOf(page);
}

QWidget* buildInterfacePage(PageContext& ctx) {
    InterfacePage& p = ctx.f.iface;
    const std::vector<RadioButton*> modes{&p.TaskRadio, &p.TrayRadio, &p.BothRadio, &p.NoneRadio};
    QGroupBox* modeGroup = makeGroup(ctx, "ModeGroup", p.ModeGroup);
    auto* modeLayout = new QGridLayout(modeGroup);
    compact(modeLayout);
    modeLayout->addWidget(
        makeRadio(ctx, "TaskRadio", p.TaskRadio, modes, VELMOR_ON(ctx, TaskRadioClick)), 0, 0);
    modeLayout->addWidget(
        makeRadio(ctx, "TrayRadio", p.TrayRadio, modes, VELMOR_ON(ctx, TrayRadioClick)), 1, 0);
    modeLayout->addWidget(
        makeRadio(ctx, "BothRadio", p.BothRadio, modes, VELMOR_ON(ctx, BothRadioClick)), 0, 1);
    modeLayout->addWidget(
        makeRadio(ctx, "NoneRadio", p.NoneRadio, modes, VELMOR_ON(ctx, NoneRadioClick)), 1, 1);

    // The icon set: a slider from 0 to the number of sets and the preview of the chosen icon. The
    // mouse over the preview shows the connected icon of the set.
    QGroupBox* iconGroup = makeGroup(ctx, "IconGroup", p.IconGroup);
    auto* preview = new HoverLabel;
    preview->setObjectName(QStringLiteral("Image7"));
    preview->setFixedSize(36, 36);
    preview->setAlignment(Qt::AlignCenter);
    ctx.b.control(preview, p.Image7);
    auto hovering = std::make_shared<bool>(false);
    // The picture is drawn anew only when another one is to be shown.
    auto shown = std::make_shared<std::pair<int, qreal>>(-1, 0.0);
    auto showPreview = [preview, &p, hovering, shown] {
        const int index = *hovering ? (2 * p.TrackBar.position + 1) : p.Image7.iconIndex;
        const std::pair<int, qreal> now(index, preview->devicePixelRatioF());
        if (now == *shown) return;
        *shown = now;
        preview->setPixmap(trayPixmap(index, 32, now.second));
    };
    ctx.b.onRefresh(showPreview);
    QObject::connect(preview, &HoverLabel::hovered, preview, [showPreview, hovering](bool inside) {
        *hovering = inside;
        showPreview();
    });
    auto* iconLayout = new QHBoxLayout(iconGroup);
    compact(iconLayout);
    iconLayout->addWidget(makeLabel(ctx, "Label27", p.Label27));
    iconLayout->addWidget(makeTrackBar(ctx, "TrackBar", p.TrackBar, VELMOR_ON(ctx, TrackBarChange)),
                          1);
    iconLayout->addWidget(makeLabel(ctx, "Label28", p.Label28));
    iconLayout->addSpacing(8);
    iconLayout->addWidget(preview);

    FormLabel* noTaskbar = makeLabel(ctx, "NoTaskbarLabel", p.NoTaskbarLabel);
    noTaskbar->setWordWrap(true);
    QVBoxLayout* page =
        vbox({modeGroup, noTaskbar, iconGroup, makeCheck(ctx, "HideOnRunCheck", p.HideOnRunCheck),
              makeCheck(ctx, "HideOnConnectCheck", p.HideOnConnectCheck),
              makeCheck(ctx, "ShowOnDisconnCheck", p.ShowOnDisconnCheck),
              makeCheck(ctx, "NotShowHints", p.NotShowHints, VELMOR_ON(ctx, NotShowHintsClick))},
             4);
    page->addStretch(1);
    return pageOf(page);
}

QWidget* buildDialPage(PageContext& ctx) {
    DialPage& p = ctx.f.dial;
    QGroupBox* ping = makeGroup(ctx, "PingGroup", p.PingGroup);
    FormLineEdit* host = makeEdit(ctx, "PingEdit", p.PingEdit);
    FormLineEdit* count = makeEdit(ctx, "pingcount", p.pingcount);
    count->setFixedWidth(32);
    count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* pingLayout = new QGridLayout(ping);
    compact(pingLayout);
    pingLayout->addWidget(makeCheck(ctx, "PingCheck", p.PingCheck, VELMOR_ON(ctx, PingCheckClick)),
                          0, 0);
    pingLayout->addWidget(host, 0, 1);
    pingLayout->addWidget(makeLabel(ctx, "PingErrorLabel", p.PingErrorLabel), 1, 0,
                          Qt::AlignRight | Qt::AlignVCenter);
    pingLayout->addLayout(hbox({makeCombo(ctx, "PingBox", p.PingBox), count,
                                makeUpDown(ctx, "UpDown4", p.UpDown4, &p.pingcount, count),
                                makeLabel(ctx, "PingTimesLabel", p.PingTimesLabel)}),
                          1, 1);
    pingLayout->addWidget(makeCheck(ctx, "PingRepeatCheck", p.PingRepeatCheck), 2, 0, 1, 2);
    pingLayout->setColumnStretch(1, 1);

    QComboBox* speeds = makeCombo(ctx, "LowLimit", p.LowLimit);
    speeds->setMaxVisibleItems(10);
    QHBoxLayout* speed =
        hbox({makeCheck(ctx, "LimitCheck", p.LimitCheck, VELMOR_ON(ctx, LimitCheckClick)), speeds,
              makeLabel(ctx, "LowLimitUnit", p.LowLimitUnit), nullptr});

    auto* page = new QVBoxLayout;
    page->setSpacing(8);
    page->addWidget(ping);
    page->addLayout(speed);
    page->addStretch(1);
    return pageOf(page);
}

QWidget* buildHotKeysPage(PageContext& ctx) {
    HotKeysPage& p = ctx.f.hotkeys;
    auto* keys = new QGridLayout;
    keys->setHorizontalSpacing(8);
    keys->setVerticalSpacing(6);
    int row = 0;
    auto add = [&](const char* checkName, CheckBox& check, const char* fieldName, HotKeyEdit& field,
                   const char* triggerName, Label& trigger) {
        HotKeyField* f = makeHotKey(ctx, fieldName, field, VELMOR_ON(ctx, HotKeyChanged));
        f->setFixedWidth(110);
        keys->addWidget(makeCheck(ctx, checkName, check, VELMOR_ON(ctx, HotKeyChanged)), row, 0);
        keys->addWidget(f, row, 1);
        ++row;
        // The keys the desktop gave the binding, under it.
        FormLabel* given = makeLabel(ctx, triggerName, trigger);
        given->setContentsMargins(20, 0, 0, 0);
        keys->addWidget(given, row, 0, 1, 2);
        ++row;
    };
    add("DialCheck", p.DialCheck, "HotDial", p.HotDial, "DialTrigger", p.DialTrigger);
    add("MinCheck", p.MinCheck, "HotMin", p.HotMin, "MinTrigger", p.MinTrigger);
    add("LockCheck", p.LockCheck, "HotLock", p.HotLock, "LockTrigger", p.LockTrigger);
    keys->setColumnStretch(0, 1);

    auto* page = new QVBoxLayout;
    page->setSpacing(4);
    page->addWidget(makeHeading(ctx, "HeadLabel1", p.HeadLabel1));
    page->addWidget(makeHeading(ctx, "HeadLabel2", p.HeadLabel2));
    page->addSpacing(10);
    page->addLayout(keys);
    page->addSpacing(8);
    FormLabel* missing = makeLabel(ctx, "NoHotKeysLabel", p.NoHotKeysLabel);
    missing->setWordWrap(true);
    page->addWidget(missing);
    page->addStretch(1);
    page->addLayout(
        hbox({nullptr, makeButton(ctx, "Button11", p.Button11, VELMOR_ON(ctx, Button11Click))}));
    return pageOf(page);
}

QWidget* buildExtraPage(PageContext& ctx) {
    ExtraPage& p = ctx.f.extra;
    const std::vector<RadioButton*> modes{&p.Tone, &p.Pulse};
    QGroupBox* dialMode = makeGroup(ctx, "DialModeGroup", p.DialModeGroup);
    auto* modeLayout = new QGridLayout(dialMode);
    compact(modeLayout);
    modeLayout->addWidget(makeRadio(ctx, "Tone", p.Tone, modes), 0, 0);
    modeLayout->addWidget(makeRadio(ctx, "Pulse", p.Pulse, modes), 0, 1);
    modeLayout->addWidget(makeLabel(ctx, "PrefixLabel", p.PrefixLabel), 1, 0);
    modeLayout->addWidget(makeEdit(ctx, "InitPrefix", p.InitPrefix), 1, 1);
    modeLayout->addWidget(makeLabel(ctx, "SuffixLabel", p.SuffixLabel), 2, 0);
    modeLayout->addWidget(makeEdit(ctx, "InitSufix", p.InitSufix), 2, 1);
    modeLayout->setColumnStretch(1, 1);

    QSpinBox* kilobytes = makeSpin(ctx, "SpinEdit1", p.SpinEdit1);
    kilobytes->setFixedWidth(90);
    QSpinBox* minutes = makeSpin(ctx, "SpinEdit3", p.SpinEdit3);
    minutes->setFixedWidth(64);
    QHBoxLayout* window =
        hbox({kilobytes, makeLabel(ctx, "KbLabel", p.KbLabel), makeLabel(ctx, "ZaLabel", p.ZaLabel),
              minutes, makeLabel(ctx, "MinutesLabel", p.MinutesLabel), nullptr});
    window->setContentsMargins(20, 0, 0, 0);

    auto* page = new QVBoxLayout;
    page->setSpacing(6);
    page->addWidget(dialMode);
    page->addSpacing(4);
    page->addWidget(makeCheck(ctx, "CheckBox1", p.CheckBox1, VELMOR_ON(ctx, CheckBox1Click)));
    page->addLayout(window);
    page->addStretch(1);
    return pageOf(page);
}

}  // namespace velmor
