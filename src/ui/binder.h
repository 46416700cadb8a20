// Binds widgets to the controls of the form model: a widget change writes the model and runs the
// control's handler; a refresh shows the model in every bound widget.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "form/controls.h"
#include "platform/locale_format.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace velmor {

class FormLineEdit;
class HotKeyField;
class UpDownArrows;

inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

class Binder {
  public:
    using Handler = std::function<void()>;

    // errors: shows the message of an error a handler raised.
    explicit Binder(std::function<void(const std::string&)> errors = {});

    // What runs after every handler: the whole window is redrawn from the model.
    void setRedraw(std::function<void()> redraw) { redraw_ = std::move(redraw); }

    // Runs a handler for a widget event, then the redraw. Ignored while the widgets are being
    // refreshed, so that showing the model never feeds back into it.
    void run(const Handler& handler);
    bool refreshing() const { return refreshing_ > 0; }

    // Shows the model in every bound widget, with their signals blocked.
    void refresh();
    // A refresh step of its own (for widgets that show more than one control).
    void onRefresh(std::function<void()> step) { steps_.push_back(std::move(step)); }

    // Hint as tool tip, enabled and visible.
    void control(QWidget* w, Control& c);
    void label(QLabel* w, Label& c);
    void group(QGroupBox* w, GroupBox& c);
    void button(QAbstractButton* w, Button& c, Handler onClick);
    void checkBox(QCheckBox* w, CheckBox& c, Handler onClick = {});
    // A radio button of a group: the click checks it and clears its siblings in the model.
    void radio(QRadioButton* w, RadioButton& c, std::vector<RadioButton*> group,
               Handler onClick = {});
    void radioGroup(QGroupBox* box, std::vector<QRadioButton*> items, RadioGroup& c,
                    Handler onClick = {});
    void edit(FormLineEdit* w, Edit& c, Handler onChange = {});
    // The arrows of an up-down; the buddy edit, when there is one, shows the position and is where
    // a step starts from when it holds a number, as a buddy does.
    void upDown(UpDownArrows* w, UpDown& c, Edit* buddy, Handler onClick = {});
    void spinEdit(QSpinBox* w, SpinEdit& c, Handler onChange = {});
    void comboBox(QComboBox* w, ComboBox& c, Handler onChange = {});
    void trackBar(QSlider* w, TrackBar& c, Handler onChange = {});
    void hotKey(HotKeyField* w, HotKeyEdit& c, Handler onChange = {});
    // A number edit: leaving it reads its text into its value before the handler runs.
    void numberEdit(FormLineEdit* w, NumberEdit& c, const LocaleFormat& locale,
                    Handler onExit = {});
    void menuItem(QAction* a, MenuItem& c, Handler onClick = {});

  private:
    std::function<void(const std::string&)> errors_;
    std::function<void()> redraw_;
    std::deque<std::function<void()>> steps_;  // a step may add steps while it runs
    int refreshing_ = 0;
};

}  // namespace velmor
