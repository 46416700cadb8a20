#include "form/page_switches.h"

#include <string>

namespace velmor {

void CheckBox1Click(MainForm& f) {
    auto& x = f.extra;
    const bool on = x.CheckBox1.checked;
    x.SpinEdit1.enabled = x.SpinEdit3.enabled = on;
    x.KbLabel.enabled = x.ZaLabel.enabled = x.MinutesLabel.enabled = on;
}

void PingCheckClick(MainForm& f) {
    auto& d = f.dial;
    const bool on = d.PingCheck.checked;
    d.PingEdit.enabled = d.PingBox.enabled = d.pingcount.enabled = d.UpDown4.enabled = on;
}

void LimitCheckClick(MainForm& f) {
    f.dial.LowLimit.enabled = f.dial.LimitCheck.checked;
}

void tariffcountClick(MainForm& f) {
    auto& t = f.tariffs;
    const int n = t.tariffcount.itemIndex;
    t.time1.enabled = n >= 1;
    t.row2Visible = n >= 1;
    t.row3Visible = n >= 2;
    for (Control* c : {static_cast<Control*>(&t.time2), static_cast<Control*>(&t.SpinEdit4),
                       static_cast<Control*>(&t.tariff2)}) {
        c->visible = t.row2Visible;
    }
    for (Control* c : {static_cast<Control*>(&t.time3), static_cast<Control*>(&t.SpinEdit6),
                       static_cast<Control*>(&t.tariff3)}) {
        c->visible = t.row3Visible;
    }
    for (std::size_t i = 0; i < t.RowLabels.size(); ++i) {
        const std::size_t row = i / 3;
        t.RowLabels[i].visible = row == 0 || (row == 1 && t.row2Visible) || t.row3Visible;
    }
    t.SpinEdit4.value = n == 1 ? t.time1.value : t.time3.value;
    t.SpinEdit6.value = t.time1.value;
}

void showLockState(MainForm& f) {
    f.conn.BitLockGlyph = f.state.locked ? "UNLOCK" : "LOCK";
    f.conn.BitLock.hint = f.state.locked ? "Разблокировать" : "Заблокировать";
}

void showRedialPause(MainForm& f) {
    f.general.PauseEdit.text = std::to_string(f.general.UpDown.position);
    f.general.Label29.visible = f.general.UpDown.position < 3;
}

void showStatistics(MainForm& f) {
    const Statistics& s = f.stats;
    const char sep = f.locale.decimalSeparator;
    auto& t = f.timeStats;
    t.TotalAllLabel.caption = durationText(s.inInternetAll);
    t.TodayAllLabel.caption = durationText(s.inInternetDay);
    t.InInternetMonthLabel.caption = durationText(s.inInternetMonth);
    t.InInternetLastMonthLabel.caption = durationText(s.inInternetLastMonth);
    t.InCurrentAllLabel.caption = durationText(s.inCurrentAll);
    t.InInternetCurrentMonthLabel.caption = durationText(s.inInternetCurrentMonth);
    t.InInternetCurrentLastMonthLabel.caption = durationText(s.inInternetCurrentLastMonth);
    t.InCurrentLastLabel.caption = durationText(s.inCurrentLast);

    auto& r = f.trafficStats;
    r.TrafficAllLabel.caption = trafficText(s.trafficAll.current, sep);
    r.TrafficMonthLabel.caption = trafficText(s.trafficMonth.current, sep);
    r.TrafficTodayLabel.caption = trafficText(s.trafficToday.current, sep);
    r.TrafficLastMonthLabel.caption = trafficText(s.trafficLastMonth, sep);
    r.TrafficCurrentLabel.caption = trafficText(s.trafficCurrent.current, sep);
    r.TrafficCurrentMonthLabel.caption = trafficText(s.trafficCurrentMonth.current, sep);
    r.TrafficCurrentLastMonthLabel.caption = trafficText(s.trafficCurrentLastMonth, sep);
    r.TrafficLastLabel.caption = trafficText(s.trafficSession, sep);

    auto& m = f.moneyStats;
    m.DengiAllLabel.caption = moneyText(s.dengiAll, sep);
    m.DengiMonthLabel.caption = moneyText(s.dengiMonth, sep);
    m.DengiLastMonthLabel.caption = moneyText(s.dengiLastMonth, sep);
    m.DengiTodayLabel.caption = moneyText(s.dengiToday, sep);
    m.DengiCurrentAllLabel.caption = moneyText(s.dengiCurrentAll, sep);
    m.DengiCurrentMonthLabel.caption = moneyText(s.dengiCurrentMonth, sep);
    m.DengiCurrentLastMonthLabel.caption = moneyText(s.dengiCurrentLastMonth, sep);
    m.DengiLastLabel.caption = moneyText(s.dengiLast, sep);
    showQuota(f.quota, s);
}

}  // namespace velmor
