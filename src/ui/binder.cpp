#include "ui/binder.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>
#include <climits>
#include <exception>

#include "app/settings.h"
#include "form/number_edit.h"
#include "form/number_text.h"
#include "ui/widgets.h"

namespace velmor {
namespace {

constexpr int kHintHidePauseMs = 999999999;

}  // namespace

Binder::Binder(std::function<void(const std::string&)> errors) : errors_(std::move(errors)) {}

void Binder::run(const Handler& handler) {
    if (refreshing()) return;
    if (handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            // As the framework does with an error that reaches an event handler.
            if (errors_) errors_(withFullStop(e.what()));
        }
    }
    if (redraw_) redraw_();
}

void Binder::refresh() {
    ++refreshing_;
    try {
        // By index: a step may add steps (a page made when first shown), which run in this pass.
        for (std::size_t i = 0; i < steps_.size(); ++i)
            steps_[i]();
    } catch (...) {
        --refreshing_;
        throw;
    }
    --refreshing_;
}

void Binder::control(QWidget* w, Control& c) {
    // A hint stays until the mouse leaves its control.
    w->setToolTipDuration(kHintHidePauseMs);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        const QString hint = qs(c.hint);
        if (w->toolTip() != hint) w->setToolTip(hint);
        w->setEnabled(c.enabled);
        w->setHidden(!c.visible);
    });
}

void Binder::label(QLabel* w, Label& c) {
    w->setTextFormat(Qt::PlainText);
    control(w, c);
    onRefresh([w, &c] {
        const QString text = qs(c.caption);
        if (w->text() != text) w->setText(text);
    });
}

void Binder::group(QGroupBox* w, GroupBox& c) {
    control(w, c);
    onRefresh([w, &c] { w->setTitle(qs(c.caption)); });
}

void Binder::button(QAbstractButton* w, Button& c, Handler onClick) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        if (w->text() != qs(c.caption)) w->setText(qs(c.caption));
    });
    QObject::connect(w, &QAbstractButton::clicked, w, [this, onClick] { run(onClick); });
}

void Binder::checkBox(QCheckBox* w, CheckBox& c, Handler onClick) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        w->setText(qs(c.caption));
        w->setChecked(c.checked);
    });
    QObject::connect(w, &QCheckBox::clicked, w, [this, &c, onClick](bool checked) {
        if (refreshing()) return;
        c.checked = checked;
        run(onClick);
    });
}

void Binder::radio(QRadioButton* w, RadioButton& c, std::vector<RadioButton*> group,
                   Handler onClick) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        w->setText(qs(c.caption));
        if (w->isChecked() != c.checked) {
            // An auto-exclusive radio button cannot be cleared while it is checked.
            w->setAutoExclusive(false);
            w->setChecked(c.checked);
            w->setAutoExclusive(true);
        }
    });
    QObject::connect(w, &QRadioButton::toggled, w, [this, &c, group, onClick](bool on) {
        if (refreshing() || !on) return;
        for (RadioButton* r : group)
            r->checked = r == &c;
        run(onClick);
    });
}

void Binder::radioGroup(QGroupBox* box, std::vector<QRadioButton*> items, RadioGroup& c,
                        Handler onClick) {
    control(box, c);
    auto* buttons = new QButtonGroup(box);
    for (std::size_t i = 0; i < items.size(); ++i)
        buttons->addButton(items[i], static_cast<int>(i));
    onRefresh([box, buttons, items, &c] {
        const QSignalBlocker block(buttons);
        box->setTitle(qs(c.caption));
        buttons->setExclusive(false);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QSignalBlocker blockItem(items[i]);
            if (i < c.items.size()) items[i]->setText(qs(c.items[i]));
            items[i]->setHidden(i >= c.items.size());
            items[i]->setChecked(static_cast<int>(i) == c.itemIndex);
        }
        buttons->setExclusive(true);
    });
    QObject::connect(buttons, &QButtonGroup::idClicked, box, [this, &c, onClick](int id) {
        if (refreshing() || id == c.itemIndex) return;
        c.itemIndex = id;
        run(onClick);
    });
}

void Binder::edit(FormLineEdit* w, Edit& c, Handler onChange) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        w->setReadOnly(c.readOnly);
        if (w->text() != qs(c.text)) w->setText(qs(c.text));
    });
    QObject::connect(w, &QLineEdit::textEdited, w, [this, &c, onChange](const QString& text) {
        if (refreshing()) return;
        c.text = text.toStdString();
        if (onChange) run(onChange);
    });
}

void Binder::upDown(UpDownArrows* w, UpDown& c, Edit* buddy, Handler onClick) {
    control(w, c);
    QObject::connect(w, &UpDownArrows::stepped, w, [this, &c, buddy, onClick](int delta) {
        if (refreshing()) return;
        std::int64_t from = c.position;
        if (buddy) {
            if (const auto typed = parseDecimal(buddy->text)) from = *typed;
        }
        c.setPosition(std::clamp<std::int64_t>(from, c.min, c.max) + delta);
        if (buddy) buddy->text = std::to_string(c.position);
        run(onClick);
    });
}

void Binder::spinEdit(QSpinBox* w, SpinEdit& c, Handler onChange) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        const bool bounded = c.minValue != c.maxValue;
        w->setRange(
            bounded ? static_cast<int>(std::max<std::int64_t>(c.minValue, INT_MIN)) : INT_MIN,
            bounded ? static_cast<int>(std::min<std::int64_t>(c.maxValue, INT_MAX)) : INT_MAX);
        w->setReadOnly(c.readOnly);
        const int v = static_cast<int>(std::clamp<std::int64_t>(c.value, INT_MIN, INT_MAX));
        if (w->value() != v) w->setValue(v);
    });
    QObject::connect(w, &QSpinBox::valueChanged, w, [this, &c, onChange](int v) {
        if (refreshing() || v == c.value) return;
        c.setValue(v);
        run(onChange);
    });
}

void Binder::comboBox(QComboBox* w, ComboBox& c, Handler onChange) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        bool same = w->count() == static_cast<int>(c.items.size());
        for (int i = 0; same && i < w->count(); ++i)
            same = w->itemText(i) == qs(c.items[static_cast<std::size_t>(i)]);
        if (!same) {
            w->clear();
            for (const std::string& item : c.items)
                w->addItem(qs(item));
        }
        const int index = c.itemIndex < w->count() ? c.itemIndex : -1;
        if (w->currentIndex() != index) w->setCurrentIndex(index);
    });
    QObject::connect(w, &QComboBox::activated, w, [this, &c, onChange](int index) {
        if (refreshing() || index == c.itemIndex) return;
        c.itemIndex = index;
        run(onChange);
    });
}

void Binder::trackBar(QSlider* w, TrackBar& c, Handler onChange) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        w->setRange(c.min, c.max);
        w->setValue(c.position);
    });
    QObject::connect(w, &QSlider::valueChanged, w, [this, &c, onChange](int v) {
        if (refreshing() || v == c.position) return;
        c.setPosition(v);
        run(onChange);
    });
}

void Binder::hotKey(HotKeyField* w, HotKeyEdit& c, Handler onChange) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        if (w->value() != c.hotKey) w->setValue(c.hotKey);
    });
    QObject::connect(w, &HotKeyField::edited, w, [this, &c, onChange](std::uint16_t v) {
        if (refreshing()) return;
        c.hotKey = v;
        run(onChange);
    });
}

void Binder::numberEdit(FormLineEdit* w, NumberEdit& c, const LocaleFormat& locale,
                        Handler onExit) {
    control(w, c);
    onRefresh([w, &c] {
        const QSignalBlocker block(w);
        if (w->text() != qs(c.text)) w->setText(qs(c.text));
    });
    QObject::connect(w, &QLineEdit::textEdited, w, [this, &c](const QString& text) {
        if (!refreshing()) c.text = text.toStdString();
    });
    // Leaving the edit re-reads its text into the value, then the form's handler runs.
    QObject::connect(w, &FormLineEdit::focusLost, w, [this, &c, &locale, onExit] {
        if (refreshing()) return;
        if (const auto v =
                numberEditValue(c.text, locale.decimalSeparator, locale.thousandSeparator))
            c.value = *v;
        run(onExit);
    });
}

void Binder::menuItem(QAction* a, MenuItem& c, Handler onClick) {
    onRefresh([a, &c] {
        const QSignalBlocker block(a);
        a->setText(qs(c.caption));
        a->setToolTip(qs(c.hint));
        a->setEnabled(c.enabled);
        a->setVisible(c.visible);
        a->setCheckable(c.checked);
        a->setChecked(c.checked);
    });
    QObject::connect(a, &QAction::triggered, a, [this, onClick] { run(onClick); });
}

}  // namespace velmor
