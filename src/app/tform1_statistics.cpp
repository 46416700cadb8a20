// The main window, page "Статистика": resets, tariffs and their times.
#include "app/tform1.h"

#include <algorithm>
#include <cmath>

#include "app/tform1_private.h"
#include "form/page_switches.h"

namespace velmor {

// --- statistics pages ------------------------------------------------------------------------

namespace {
constexpr const char* kResetQuestion = "Сбросить статистику для данного соединения.";
}

void TForm1::SpeedButton1Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.inCurrentAll = s.inInternetCurrentMonth = s.inInternetCurrentLastMonth = s.inCurrentLast = 0;
    showStatistics(Model);
}

void TForm1::SpeedButton2Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.trafficCurrent = {};
    s.trafficCurrentLastMonth = {};
    s.trafficCurrentMonth.base = {
        s.trafficCurrentMonth.base.in - s.trafficCurrentMonth.current.in,
        s.trafficCurrentMonth.base.out - s.trafficCurrentMonth.current.out};
    s.trafficCurrentMonth.current = {};
    s.trafficSession = {};
    showStatistics(Model);
}

void TForm1::SpeedButton3Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.dengiCurrentAll = s.dengiCurrentMonth = s.dengiCurrentLastMonth = s.dengiLast = 0;
    showStatistics(Model);
}

void TForm1::tariffcountClick() {
    velmor::tariffcountClick(Model);
}

void TForm1::time1Change() {
    auto& t = Model.tariffs;
    t.time2.minValue = std::min<std::int64_t>(t.time1.value + 1, 23);
    if (t.time2.value <= t.time1.value) {
        t.time2.value = std::min<std::int64_t>(t.time1.value + 1, 23);
        time2Change();
    }
    if (t.tariffcount.itemIndex == 1) {
        t.SpinEdit4.value = t.time1.value;
    } else {
        t.SpinEdit6.value = t.time1.value;
    }
}

void TForm1::time2Change() {
    auto& t = Model.tariffs;
    t.SpinEdit2.value = t.time2.value;
    if (t.tariffcount.itemIndex != 1) {
        t.time3.minValue = std::min<std::int64_t>(t.time2.value + 1, 23);
        if (t.time3.value <= t.time2.value) {
            t.time3.value = std::min<std::int64_t>(t.time2.value + 1, 23);
            time3Change();
        }
    }
}

void TForm1::time3Change() {
    Model.tariffs.SpinEdit4.value = Model.tariffs.time3.value;
}

void TForm1::tariffExit(NumberEdit& edit) {
    edit.value = std::fabs(edit.value);
    edit.text = formatReal(edit.value, Model.locale.decimalSeparator);
}

}  // namespace velmor
