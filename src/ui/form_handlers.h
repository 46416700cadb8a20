// The handlers the window's widgets call: the main window's logic as the front end sees it.
#pragma once

#include "form/controls.h"

namespace velmor {

// Every handler without arguments, in the order of the pages.
#define VELMOR_FORM_HANDLERS(X) \
    X(Button1Click)             \
    X(ComboBox1DropDown)        \
    X(ComboBox1Change)          \
    X(BitBtn6Click)             \
    X(BitBtn8Click)             \
    X(BitBtn7Click)             \
    X(BitBtn1Click)             \
    X(BitBtn2Click)             \
    X(BitBtn3Click)             \
    X(BitBtn4Click)             \
    X(BitBtn5Click)             \
    X(BitBtn11Click)            \
    X(BitBtn12Click)            \
    X(BitBtn13Click)            \
    X(ListView1DblClick)        \
    X(ListView2DblClick)        \
    X(Label6DblClick)           \
    X(BitLockClick)             \
    X(PopupChangePassPopup)     \
    X(N1Click)                  \
    X(UpDownClick)              \
    X(TaskRadioClick)           \
    X(TrayRadioClick)           \
    X(BothRadioClick)           \
    X(NoneRadioClick)           \
    X(TrackBarChange)           \
    X(NotShowHintsClick)        \
    X(PingCheckClick)           \
    X(LimitCheckClick)          \
    X(CheckBox1Click)           \
    X(HotKeyChanged)            \
    X(Button11Click)            \
    X(Button6Click)             \
    X(Button9Click)             \
    X(Button7Click)             \
    X(Button8Click)             \
    X(BitBtn9Click)             \
    X(BitBtn10Click)            \
    X(BitBtn14Click)            \
    X(ScheduleChanged)          \
    X(Button13Click)            \
    X(SpeedButton1Click)        \
    X(SpeedButton2Click)        \
    X(SpeedButton3Click)        \
    X(tariffcountClick)         \
    X(time1Change)              \
    X(time2Change)              \
    X(time3Change)              \
    X(QuotaChanged)             \
    X(Button2Click)             \
    X(Button10Click)            \
    X(Button3Click)             \
    X(PopupMenu1Popup)          \
    X(MShowClick)               \
    X(MRecallClick)             \
    X(MNextClick)               \
    X(CopyIPClick)              \
    X(ApplyModeOnMinimize)      \
    X(ApplyModeOnRestore)

class FormHandlers {
  public:
    virtual ~FormHandlers() = default;

#define VELMOR_DECLARE_HANDLER(name) virtual void name() = 0;
    VELMOR_FORM_HANDLERS(VELMOR_DECLARE_HANDLER)
#undef VELMOR_DECLARE_HANDLER

    // Leaving a page (inner is the inner page shown there, 0 for a page without inner pages).
    virtual void PageLeft(int page, int inner) = 0;
    virtual void capplistChange(int index, bool checked) = 0;
    // A row of the phone list (logins false) or of the login list dragged from row from and
    // dropped on row to (-1: on empty space below the rows).
    virtual void ListDrop(bool logins, int from, int to) = 0;
    virtual void TimeEditDblClick(Edit& edit, UpDown& upDown, bool hour) = 0;
    // The clocks of the page "Таймер" came on screen or left it.
    virtual void ClocksShown(bool shown) = 0;
    // The page "График" came on screen or left it.
    virtual void GraphShown(bool shown) = 0;
    virtual void tariffExit(NumberEdit& edit) = 0;
    // The request to close the window (close box, "Выход", the menu's "Выход"): true when it
    // closed.
    virtual bool Close() = 0;
};

}  // namespace velmor
