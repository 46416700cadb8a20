// Building blocks of the pages: a widget per kind of control, named and bound as the model says.
#pragma once

#include <QBoxLayout>
#include <QGridLayout>
#include <initializer_list>
#include <vector>

#include "form/form_model.h"
#include "ui/binder.h"
#include "ui/form_handlers.h"
#include "ui/widgets.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace velmor {

// What a page builder works with.
struct PageContext {
    MainForm& f;
    FormHandlers& h;
    Binder& b;
};

// A handler of the form as a widget event handler.
#define VELMOR_ON(ctx, name) [&h = (ctx).h] { h.name(); }

FormLabel* makeLabel(PageContext& ctx, const char* name, Label& c);
// A label that heads a page: bold and centred.
FormLabel* makeHeading(PageContext& ctx, const char* name, Label& c);
QGroupBox* makeGroup(PageContext& ctx, const char* name, GroupBox& c);
QPushButton* makeButton(PageContext& ctx, const char* name, Button& c, Binder::Handler onClick);
// A small square button with a picture; its hint tells what it does.
QToolButton* makeGlyphButton(PageContext& ctx, const char* name, Button& c, const QString& picture,
                             Binder::Handler onClick);
QCheckBox* makeCheck(PageContext& ctx, const char* name, CheckBox& c, Binder::Handler onClick = {});
QRadioButton* makeRadio(PageContext& ctx, const char* name, RadioButton& c,
                        std::vector<RadioButton*> group, Binder::Handler onClick = {});
FormLineEdit* makeEdit(PageContext& ctx, const char* name, Edit& c, Binder::Handler onChange = {});
// Up-down arrows as high as their buddy widget.
UpDownArrows* makeUpDown(PageContext& ctx, const char* name, UpDown& c, Edit* buddy,
                         QWidget* buddyWidget, Binder::Handler onClick = {});
QSpinBox* makeSpin(PageContext& ctx, const char* name, SpinEdit& c, Binder::Handler onChange = {});
QComboBox* makeCombo(PageContext& ctx, const char* name, ComboBox& c,
                     Binder::Handler onChange = {});
NumberLineEdit* makeNumberEdit(PageContext& ctx, const char* name, NumberEdit& c,
                               Binder::Handler onExit = {});
HotKeyField* makeHotKey(PageContext& ctx, const char* name, HotKeyEdit& c,
                        Binder::Handler onChange = {});
QSlider* makeTrackBar(PageContext& ctx, const char* name, TrackBar& c,
                      Binder::Handler onChange = {});

// A row of widgets (nullptr adds a stretch) and a column of them.
QHBoxLayout* hbox(std::initializer_list<QWidget*> widgets, int spacing = 4);
QVBoxLayout* vbox(std::initializer_list<QWidget*> widgets, int spacing = 4);
// A page of a tab widget holding the layout, with the page margins.
QWidget* pageOf(QLayout* layout);
// Margins and spacing of a group box's content.
void compact(QLayout* layout, int margin = 6);

}  // namespace velmor
