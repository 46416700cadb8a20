#include "ui/page_parts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "ui/icons.h"

namespace velmor {

namespace {

template <class W>
W* named(const char* name) {
    auto* w = new W;
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace

FormLabel* makeLabel(PageContext& ctx, const char* name, Label& c) {
    auto* w = named<FormLabel>(name);
    ctx.b.label(w, c);
    return w;
}

FormLabel* makeHeading(PageContext& ctx, const char* name, Label& c) {
    FormLabel* w = makeLabel(ctx, name, c);
    QFont font = w->font();
    font.setBold(true);
    w->setFont(font);
    w->setAlignment(Qt::AlignCenter);
    return w;
}

QGroupBox* makeGroup(PageContext& ctx, const char* name, GroupBox& c) {
    auto* w = named<QGroupBox>(name);
    ctx.b.group(w, c);
    return w;
}

QPushButton* makeButton(PageContext& ctx, const char* name, Button& c, Binder::Handler onClick) {
    auto* w = named<QPushButton>(name);
    w->setAutoDefault(false);
    ctx.b.button(w, c, std::move(onClick));
    return w;
}

QToolButton* makeGlyphButton(PageContext& ctx, const char* name, Button& c, const QString& picture,
                             Binder::Handler onClick) {
    auto* w = named<QToolButton>(name);
    w->setIcon(resourceIcon(picture));
    w->setIconSize(QSize(16, 16));
    w->setFixedSize(24, 24);
    w->setAutoRaise(false);
    ctx.b.button(w, c, std::move(onClick));
    return w;
}

QCheckBox* makeCheck(PageContext& ctx, const char* name, CheckBox& c, Binder::Handler onClick) {
    auto* w = named<QCheckBox>(name);
    ctx.b.checkBox(w, c, std::move(onClick));
    return w;
}

QRadioButton* makeRadio(PageContext& ctx, const char* name, RadioButton& c,
                        std::vector<RadioButton*> group, Binder::Handler onClick) {
    auto* w = named<QRadioButton>(name);
    ctx.b.radio(w, c, std::move(group), std::move(onClick));
    return w;
}

FormLineEdit* makeEdit(PageContext& ctx, const char* name, Edit& c, Binder::Handler onChange) {
    auto* w = named<FormLineEdit>(name);
    ctx.b.edit(w, c, std::move(onChange));
    return w;
}

UpDownArrows* makeUpDown(PageContext& ctx, const char* name, UpDown& c, Edit* buddy,
                         QWidget* buddyWidget, Binder::Handler onClick) {
    auto* w = named<UpDownArrows>(name);
    if (buddyWidget) w->setFixedHeight(buddyWidget->sizeHint().height());
    ctx.b.upDown(w, c, buddy, std::move(onClick));
    return w;
}

QSpinBox* makeSpin(PageContext& ctx, const char* name, SpinEdit& c, Binder::Handler onChange) {
    auto* w = named<QSpinBox>(name);
    w->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ctx.b.spinEdit(w, c, std::move(onChange));
    return w;
}

QComboBox* makeCombo(PageContext& ctx, const char* name, ComboBox& c, Binder::Handler onChange) {
    auto* w = named<QComboBox>(name);
    ctx.b.comboBox(w, c, std::move(onChange));
    return w;
}

NumberLineEdit* makeNumberEdit(PageContext& ctx, const char* name, NumberEdit& c,
                               Binder::Handler onExit) {
    auto* w = named<NumberLineEdit>(name);
    w->setDecimalSeparator(QLatin1Char(ctx.f.locale.decimalSeparator));
    ctx.b.numberEdit(w, c, ctx.f.locale, std::move(onExit));
    return w;
}

HotKeyField* makeHotKey(PageContext& ctx, const char* name, HotKeyEdit& c,
                        Binder::Handler onChange) {
    auto* w = named<HotKeyField>(name);
    ctx.b.hotKey(w, c, std::move(onChange));
    return w;
}

QSlider* makeTrackBar(PageContext& ctx, const char* name, TrackBar& c, Binder::Handler onChange) {
    auto* w = named<QSlider>(name);
    w->setOrientation(Qt::Horizontal);
    w->setTickPosition(QSlider::TicksBelow);
    w->setTickInterval(1);
    w->setPageStep(1);
    ctx.b.trackBar(w, c, std::move(onChange));
    return w;
}

namespace {

// A row or column of widgets without margins; a null widget stands for a stretch.
template <class Box>
Box* boxOf(std::initializer_list<QWidget*> widgets, int spacing) {
    auto* l = new Box;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    for (QWidget* w : widgets) {
        if (w) {
            l->addWidget(w);
        } else {
            l->addStretch(1);
        }
    }
    return l;
}

}  // namespace

QHBoxLayout* hbox(std::initializer_list<QWidget*> widgets, int spacing) {
    return boxOf<QHBoxLayout>(widgets, spacing);
}

QVBoxLayout* vbox(std::initializer_list<QWidget*> widgets, int spacing) {
    return boxOf<QVBoxLayout>(widgets, spacing);
}

QWidget* pageOf(QLayout* layout) {
    auto* page = new QWidget;
    layout->setContentsMargins(6, 6, 6, 6);
    page->setLayout(layout);
    return page;
}

void compact(QLayout* layout, int margin) {
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(4);
}

}  // namespace velmor
