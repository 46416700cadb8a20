// Small value types for the controls of the form model: what a widget shows and holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

struct Control {
    std::string caption;
    std::string hint;
    bool enabled = true;
    bool visible = true;
};

struct Button : Control {};
struct Label : Control {};
struct GroupBox : Control {};

struct CheckBox : Control {
    bool checked = false;
};

struct RadioButton : Control {
    bool checked = false;
};

struct Edit : Control {
    std::string text;
    bool readOnly = false;
};

// An up-down arrow pair with an integer position kept within [min, max]; when it has an
// associated edit, that edit shows the position.
struct UpDown : Control {
    int position = 0;
    int min = 0;
    int max = 100;
    void setPosition(std::int64_t p);
};

// A numeric field with arrows; setting a value keeps it within [minValue, maxValue].
struct SpinEdit : Control {
    std::int64_t value = 0;
    std::int64_t minValue = 0;
    std::int64_t maxValue = 0;
    bool readOnly = false;
    void setValue(std::int64_t v);
};
// A spin edit for lo to hi, holding v.
SpinEdit spinEdit(std::int64_t lo, std::int64_t hi, std::int64_t v);

struct ComboBox : Control {
    std::vector<std::string> items;
    int itemIndex = -1;
    // The text shown: the selected item, or empty.
    std::string text() const;
    // Selects the item equal to t (exact); returns false and changes nothing when none is equal.
    bool selectText(const std::string& t);
};

struct RadioGroup : Control {
    std::vector<std::string> items;
    int itemIndex = -1;
};

struct TrackBar : Control {
    int position = 0;
    int min = 0;
    int max = 10;
    void setPosition(std::int64_t p);
};

// A key-combination field: low byte the key code, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
struct HotKeyEdit : Control {
    std::uint16_t hotKey = 0;
};

// A right-aligned number edit with a floating-point value.
struct NumberEdit : Control {
    double value = 0;
    std::string text;
};

struct MenuItem : Control {
    bool checked = false;
};

struct ListColumn {
    std::string caption;
    int width = 50;
};

// A report list; its rows come from the list it shows (phones, logins, programs).
struct ListView : Control {
    std::vector<ListColumn> columns;
    int itemIndex = -1;
    int topIndex = 0;
};

struct ProgressBar : Control {
    int position = 0;
    int max = 100;
};

// A picture showing one icon of the tray icon store.
struct Image : Control {
    int iconIndex = 0;
};

}  // namespace velmor
