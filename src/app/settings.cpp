#include "app/settings.h"

#include <algorithm>
#include <cstdio>

#include "app/cipher.h"
#include "app/list_grammar.h"
#include "app/quota_settings.h"
#include "form/number_text.h"
#include "form/page_switches.h"

namespace velmor {
namespace {

constexpr const char* M = kMainSection;
constexpr int kMaxPrograms = 1000;  // a hand-edited count beyond this is not a list of programs
constexpr const char* kDefaultSpeed = "33600";  // the speed list's choice at its first showing

std::string numText(std::int64_t v) {
    return std::to_string(v);
}

// The full date of the last save, beside the day of the month of "StatisticDate".
constexpr const char* kFullDateKey = "StatisticFullDate";

std::string fullDateText(const LocalDateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year % 10000, t.month, t.day);
    return buf;
}

// YYYY-MM-DD of a real calendar day.
std::optional<StatDate> parseFullDate(std::string_view v) {
    if (v.size() != 10 || v[4] != '-' || v[7] != '-') return std::nullopt;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (v[i] < '0' || v[i] > '9') return std::nullopt;
    }
    auto num = [&](std::size_t at, std::size_t len) {
        int n = 0;
        for (std::size_t i = at; i < at + len; ++i)
            n = n * 10 + (v[i] - '0');
        return n;
    };
    const StatDate d{num(0, 4), num(5, 2), num(8, 2)};
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1) return std::nullopt;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    const int last = d.month == 2 && !leap ? 28 : kDays[d.month - 1];
    if (d.day > last) return std::nullopt;
    return d;
}

}  // namespace

std::string EntrySection(std::string_view entry) {
    return "RAS_Entry_" + std::string(entry);
}
std::string TariffSection(std::string_view entry) {
    return "RAS_entry_" + std::string(entry);
}

std::string withFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    return message;
}

Settings::Settings(MainForm& form, Profile& profile, const Clock& clock, SettingsHooks& hooks)
    : f_(form), profile_(profile), clock_(clock), hooks_(hooks) {}

// --- secrets ---------------------------------------------------------------------------------

std::string Settings::Encrypt(std::string_view secret) const {
    return encipherText(f_.state.lockPassword, secret);
}
std::string Settings::Decrypt(std::string_view stored) const {
    return decipherText(f_.state.lockPassword, stored);
}
std::string Settings::EncryptLockPass(std::string_view secret) const {
    return encipherText(f_.state.machineKey, secret);
}
std::string Settings::DecryptLockPass(std::string_view stored) const {
    return decipherText(f_.state.machineKey, stored);
}

// --- reading with the value codes ------------------------------------------------------------

std::string Settings::readString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
    return profile_.readString(section, key, def);
}

bool Settings::readYN(std::string_view section, std::string_view key, bool def) const {
    return readString(section, key, def ? "Y" : "N") == "Y";
}

std::int64_t Settings::readInt(std::string_view section, std::string_view key,
                               std::int64_t def) const {
    return parseIntOr(readString(section, key, numText(def)), def);
}

std::optional<std::int64_t> Settings::readNum(std::string_view section, std::string_view key,
                                              std::string_view def) const {
    const std::string v = readString(section, key, def);
    if (auto n = parseDecimal(v)) return n;
    hooks_.reportError(withFullStop(notAnIntegerMessage(v)));
    return std::nullopt;
}

double Settings::readReal(std::string_view section, std::string_view key) const {
    const std::string v = readString(section, key, "0");
    if (auto d = parseReal(v)) return *d;
    hooks_.reportError(withFullStop(notAFloatMessage(v)));
    return 0;
}

std::optional<std::string> Settings::readSecret(std::string_view section, std::string_view key,
                                                bool lockPass) const {
    const std::string v = readString(section, key, "");
    try {
        return lockPass ? DecryptLockPass(v) : Decrypt(v);
    } catch (const Base64Error& e) {
        hooks_.reportError(withFullStop(e.what()));
        return std::nullopt;
    }
}

std::optional<StatDate> Settings::readStatDate(std::string_view section,
                                               std::string_view dayText) const {
    const std::string full = readString(section, kFullDateKey, "");
    if (!full.empty()) {
        if (auto d = parseFullDate(full)) return d;
        hooks_.reportError(withFullStop("Дата статистики " + std::string(kFullDateKey) + " \"" +
                                        full + "\" неверна: нужна дата вида ГГГГ-ММ-ДД"));
    }
    // The day of the month after "weekday,"; the weekday is not used.
    if (dayText.empty()) return std::nullopt;
    const std::string day = dayText.size() > 2 ? std::string(dayText.substr(2)) : std::string();
    const auto n = parseDecimal(day);
    if (!n) {
        hooks_.reportError(withFullStop(notAnIntegerMessage(day)));
    } else if (*n < 1 || *n > 31) {
        hooks_.reportError(withFullStop("Дата статистики StatisticDate \"" + std::string(dayText) +
                                        "\" неверна: день месяца " + day +
                                        " вне пределов от 1 до 31"));
    } else {
        return StatDate{0, 0, static_cast<int>(*n)};
    }
    return std::nullopt;
}

// --- writing ---------------------------------------------------------------------------------

void Settings::write(std::string_view section, std::string_view key, std::string_view value) {
    profile_.writeString(section, key, value);
}
void Settings::writeYN(std::string_view section, std::string_view key, bool on) {
    write(section, key, on ? "Y" : "N");
}
void Settings::writeInt(std::string_view section, std::string_view key, std::int64_t v) {
    write(section, key, numText(v));
}
void Settings::writeReal(std::string_view section, std::string_view key, double v) {
    write(section, key, formatReal(v, f_.locale.decimalSeparator));
}

// --- LoadSettings ----------------------------------------------------------------------------

void Settings::LoadSettings() {
    const CipherScope keys;
    // The file is read once; the reads that follow do not look at the disk again.
    Profile::Batch batch(profile_);
    auto& conn = f_.conn;
    // 1. The entry last shown, when it is still listed (exact comparison).
    const std::string last = readString(M, "LastSelectedEntry", "");
    conn.ComboBox1.selectText(last);
    const std::string E = conn.ComboBox1.text();
    const std::string S = EntrySection(E);
    const std::string T = TariffSection(E);
    Statistics& st = f_.stats;

    // 2.
    if (auto v = readNum(S, "InCurrentAll", "0")) st.inCurrentAll = *v;
    if (auto v = readNum(S, "InCurrentLast", "0")) st.inCurrentLast = *v;
    // 3.-4. The minimum download.
    f_.extra.CheckBox1.checked = readInt(S, "sawtrafficlimit", 0) != 0;
    CheckBox1Click(f_);
    f_.extra.SpinEdit3.setValue(readInt(S, "spectime", 5));
    f_.extra.SpinEdit1.setValue(readInt(S, "specintraffic", 5));
    // 5. Ping tries: the edit shows its up-down's position.
    f_.dial.pingcount.text = readString(S, "pingcount", "3");
    f_.dial.UpDown4.setPosition(readInt(S, "pingcount", 3));
    f_.dial.pingcount.text = std::to_string(f_.dial.UpDown4.position);

    // 6. Programs.
    f_.programs.clear();
    const auto appcount = std::clamp<std::int64_t>(readInt(S, "appcount", 0), 0, kMaxPrograms);
    for (int i = 0; i < appcount; ++i) {
        const std::string p = "app" + std::to_string(i);
        AppEntry a;
        a.path = readString(S, p + "path", "");
        a.params = readString(S, p + "param", "");
        a.titlePart = readString(S, p + "zagolovok", "");
        a.description = readString(S, p + "opes", "");
        a.runMethod =
            static_cast<int>(std::clamp<std::int64_t>(readInt(S, p + "runmethod", 0), 0, 2));
        a.checked = readInt(S, p + "checked", 1) != 0;
        a.restart = readInt(S, p + "restart", 1) != 0;
        a.mustKill = readInt(S, p + "mustkill", 1) != 0;
        f_.programs.push_back(std::move(a));
    }

    // 7. Column widths.
    f_.apps.capplist.columns[0].width = static_cast<int>(readInt(M, "LV4", 300));
    conn.ListView2.columns[0].width = static_cast<int>(readInt(M, "LV2_1", 95));
    conn.ListView2.columns[1].width = static_cast<int>(readInt(M, "LV2_2", 35));
    conn.ListView1.columns[0].width = static_cast<int>(readInt(M, "LV1_1", 130));

    // 8. Dial mode, prefix and suffix, minimum speed. What the entry does not keep loads as
    // empty: the entry shown before never lends it its own.
    const bool tone = readString(S, "DialPrefix", "") == "T";
    f_.extra.Tone.checked = tone;
    f_.extra.Pulse.checked = !tone;
    f_.extra.InitPrefix.text = readString(S, "InitPrefix", "");
    f_.extra.InitSufix.text = readString(S, "InitSufix", "");
    loadMinimumSpeed(readString(S, "LowLimit", ""));

    // 9. Hot keys.
    auto loadHotKey = [&](const char* key, CheckBox& check, HotKeyEdit& edit) {
        const std::string v = readString(M, key, "");
        if (v.empty()) {
            check.checked = false;
            return;
        }
        if (auto n = parseDecimal(v)) {
            edit.hotKey = static_cast<std::uint16_t>(*n);
            check.checked = true;
        } else {
            hooks_.reportError(withFullStop(notAnIntegerMessage(v)));
            check.checked = false;
        }
    };
    loadHotKey("HotDial", f_.hotkeys.DialCheck, f_.hotkeys.HotDial);
    loadHotKey("HotMin", f_.hotkeys.MinCheck, f_.hotkeys.HotMin);
    loadHotKey("HotLock", f_.hotkeys.LockCheck, f_.hotkeys.HotLock);
    hooks_.applyHotKeys();

    // 10. The entry's durations.
    showStatistics(f_);

    // 11. Flags and sound files.
    f_.general.OnStartDial.checked = readYN(M, "DialAtStartup", false);
    f_.iface.HideOnConnectCheck.checked = readYN(M, "HideOnConnect", false);
    f_.iface.HideOnRunCheck.checked = readYN(M, "HideOnRun", false);
    f_.iface.ShowOnDisconnCheck.checked = readYN(M, "ShowOnDisconn", false);
    f_.general.AutoReDialCheck.checked = readYN(M, "AutoReDial", false);
    f_.iface.NotShowHints.checked = readYN(M, "NotShowHints", false);
    f_.general.AutoUpdateCheck.checked = readYN(M, "AutoUpdate", true);
    f_.general.TopLoginCheck.checked = readYN(M, "GoodLoginFirst", true);
    f_.sounds.ConnCheck.checked = readYN(M, "ConnectSoundNotify", false);
    f_.sounds.DisconnCheck.checked = readYN(M, "DisconnectSoundNotify", false);
    if (auto v = readString(M, "ConnectSoundNotifyName", ""); !v.empty())
        f_.sounds.ConnEdit.text = v;
    if (auto v = readString(M, "DisconnectSoundNotifyName", ""); !v.empty()) {
        f_.sounds.DisconnEdit.text = v;
    }

    // 12. Tariffs.
    auto& tp = f_.tariffs;
    tp.tariffcount.itemIndex =
        static_cast<int>(std::clamp<std::int64_t>(readInt(T, "tariffcount", 0), 0, 2));
    // The lower limits that the hours of the entry shown before set do not hold for this one's:
    // they are set again from the hours loaded, and never shut out a stored hour.
    tp.time2.minValue = tp.time3.minValue = 0;
    tp.time1.setValue(readInt(T, "time1", 0));
    const auto time2Before = tp.time2.value;
    tp.time2.setValue(readInt(T, "time2", 0));
    if (tp.time2.value != time2Before) tp.SpinEdit2.value = tp.time2.value;
    tp.time3.setValue(readInt(T, "time3", 0));
    tp.time2.minValue = std::min<std::int64_t>({tp.time1.value + 1, 23, tp.time2.value});
    tp.time3.minValue = std::min<std::int64_t>({tp.time2.value + 1, 23, tp.time3.value});
    for (auto [key, edit] : {std::pair{"tariff1", &tp.tariff1}, std::pair{"tariff2", &tp.tariff2},
                             std::pair{"tariff3", &tp.tariff3}}) {
        edit->value = readReal(T, key);
        edit->text = formatReal(edit->value, f_.locale.decimalSeparator);
    }
    tariffcountClick(f_);
    // The monthly quota, which sits with the tariffs.
    loadQuota(profile_, S, f_.quota);

    // 13. Seconds on line.
    if (auto v = readNum(M, "InInternetAll", "0")) st.inInternetAll = *v;
    if (auto v = readNum(M, "InInternetDay", "0")) st.inInternetDay = *v;
    if (auto v = readNum(M, "InInternetMonth", "0")) st.inInternetMonth = *v;
    if (auto v = readNum(M, "InInternetLastMonth", "0")) st.inInternetLastMonth = *v;
    if (auto v = readNum(S, "InInternetCurrentMonth", "0")) st.inInternetCurrentMonth = *v;
    if (auto v = readNum(S, "InInternetCurrentLastMonth", "0")) st.inInternetCurrentLastMonth = *v;

    // 14. The date of the last save.
    const std::string statisticDate = readString(M, "StatisticDate", "");

    // 15.-16. Traffic.
    auto pair = [&](std::string_view sec, const char* in, const char* out) {
        TrafficPair p;
        if (auto v = readNum(sec, in, "0")) p.in = *v;
        if (auto v = readNum(sec, out, "0")) p.out = *v;
        return p;
    };
    st.trafficCurrent.set(pair(S, "InTrafficCurrent", "OutTrafficCurrent"));
    st.trafficCurrentLastMonth = pair(S, "InTrafficLastMonth", "OutTrafficLastMonth");
    st.trafficCurrentMonth.set(pair(S, "InTrafficCurrentMonth", "OutTrafficCurrentMonth"));
    st.trafficSession = pair(S, "InTrafficCurrentLast", "OutTrafficCurrentLast");
    st.trafficAll.set(pair(M, "InTrafficAll", "OutTrafficAll"));
    st.trafficLastMonth = pair(M, "InTrafficLastMonth", "OutTrafficLastMonth");
    st.trafficMonth.set(pair(M, "InTrafficMonth", "OutTrafficMonth"));
    st.trafficToday.set(pair(M, "InTrafficToday", "OutTrafficToday"));
    showStatistics(f_);

    // 17. Today against the stored date. Without one the dates of the last load or save of this
    // run stay.
    const LocalDateTime now = clock_.now();
    if (auto d = readStatDate(M, statisticDate)) st.stored = *d;
    st.entryStored = readStatDate(S, "").value_or(st.stored);
    if (newDay(st.stored, now)) st.inInternetDay = 0;
    showStatistics(f_);

    // 18. Icon set and display mode.
    if (auto v = readNum(M, "IconIndex", "0")) f_.iface.TrackBar.setPosition(*v);
    const std::string mode = readString(M, "Mode", "TASK");
    if (mode == "TASK") f_.setMode(DisplayMode::Task);
    if (mode == "TRAY") f_.setMode(DisplayMode::Tray);
    if (mode == "BOTH") f_.setMode(DisplayMode::Both);
    if (mode == "NONE") f_.setMode(DisplayMode::None);
    hooks_.applyDisplay();

    // 19. The redial pause.
    if (auto v = readNum(M, "RedialPause", "5")) f_.general.UpDown.setPosition(*v);
    showRedialPause(f_);
    hooks_.applyRedialPause();

    // 20.-21. The program password and the lock.
    if (givenPassword) {
        f_.state.lockPassword = *givenPassword;
    } else if (auto v = readSecret(M, "LockPass", true)) {
        f_.state.lockPassword = *v;
    }
    f_.state.locked = readString(M, "LockCode", "") != f_.state.machineCode;
    showLockState(f_);

    // 22. The schedule.
    auto& tm = f_.timer;
    auto loadTime = [&](const char* key, velmor::UpDown& ud, Edit& edit) {
        if (auto v = readNum(M, key, "")) ud.setPosition(*v);
        edit.text = std::to_string(ud.position);
    };
    tm.TimerDialCheck.checked = readYN(M, "TimerDial", false);
    if (tm.TimerDialCheck.checked) {
        loadTime("DialHour", tm.DialHourUpDown, tm.DialHourEdit);
        loadTime("DialMinute", tm.DialMinuteUpDown, tm.DialMinuteEdit);
    }
    tm.TimerDialRepCheck.checked = readYN(M, "TimerDialRep", false);
    tm.TimerHangCheck.checked = readYN(M, "TimerHang", false);
    if (tm.TimerHangCheck.checked) {
        loadTime("HangHour", tm.HangHourUpDown, tm.HangHourEdit);
        loadTime("HangMinute", tm.HangMinuteUpDown, tm.HangMinuteEdit);
    }
    tm.TimerHangRepCheck.checked = readYN(M, "TimerHangRep", false);
    tm.PowerCheck.checked = readYN(M, "PowerOff", false);
    tm.ForceCheck.checked = readYN(M, "Force", false);
    hooks_.applySchedule();

    // 23. Ping settings of the entry.
    f_.dial.PingCheck.checked = readString(S, "Ping", "") == "Y";
    f_.dial.PingEdit.text = readString(S, "PingAddress", kHomeHost);
    if (auto v = readNum(S, "PingErrorMode", "0")) {
        // An index that names no action means "нет действий": a rejected connection must end.
        f_.dial.PingBox.itemIndex = *v >= 0 && *v <= 3 ? static_cast<int>(*v) : 0;
    }
    f_.dial.PingRepeatCheck.checked = readString(S, "PingRepeat", "") == "Y";

    // 24. The lists.
    loadLists(E);

    // 25.
    if (conn.ComboBox1.itemIndex < 0 && !conn.ComboBox1.items.empty()) conn.ComboBox1.itemIndex = 0;
    // 26.
    hooks_.refreshDialAvailability();
    // 27. The first phone and login are current; the money figures.
    conn.ListView1.itemIndex = f_.phones.empty() ? -1 : 0;
    conn.ListView2.itemIndex = f_.logins.empty() ? -1 : 0;
    loadMoney(E);
    // 28. A new day or month since the last save.
    st.rollover(now);
    showStatistics(f_);
    // 29.
    PingCheckClick(f_);
    LimitCheckClick(f_);
    f_.state.settingsLoaded = true;
}

void Settings::loadMinimumSpeed(const std::string& stored) {
    ComboBox& speeds = f_.dial.LowLimit;
    speeds.items.assign(std::begin(kSpeeds), std::end(kSpeeds));
    speeds.selectText(kDefaultSpeed);
    const auto speed = parseDecimal(stored);
    if (!stored.empty() && (!speed || *speed < 0)) {
        hooks_.reportError(withFullStop(notAnIntegerMessage(stored)));
    }
    const bool on = speed && *speed >= 0;
    if (on && !speeds.selectText(stored)) {
        // A speed the list does not offer (set by hand) joins the list in its place, so that the
        // check uses it and the next save keeps it.
        const auto at =
            std::find_if(speeds.items.begin(), speeds.items.end(),
                         [&](const std::string& s) { return parseIntOr(s, 0) > *speed; });
        speeds.itemIndex = static_cast<int>(at - speeds.items.begin());
        speeds.items.insert(at, stored);
    }
    f_.dial.LimitCheck.checked = on;
    speeds.enabled = on;
}

void Settings::loadLists(const std::string& entry) {
    const std::string S = EntrySection(entry);
    f_.phones.clear();
    f_.logins.clear();
    if (!profile_.sectionExists(S)) {
        EntryLists seeded = hooks_.phonebookLists(entry);
        f_.phones = std::move(seeded.phones);
        f_.logins = std::move(seeded.logins);
        return;
    }
    for (int n = 0; n < kMaxListItems; ++n) {
        const std::string v = readString(S, "Phone_" + std::to_string(n), "");
        if (!v.empty()) f_.phones.push_back(parsePhoneValue(v));
    }
    for (int n = 0; n < kMaxListItems; ++n) {
        const std::string v = readString(S, "Login_" + std::to_string(n), "");
        if (v.empty()) continue;
        const StoredLogin stored = parseLoginValue(v);
        LoginItem item;
        // A login or password that cannot be read keeps its place in the list, empty, so that
        // no other login takes its password.
        try {
            item.login = Decrypt(stored.cipherText);
        } catch (const Base64Error& e) {
            hooks_.reportError(withFullStop(e.what()));
            item.login.clear();
        }
        item.password = readSecret(S, "Password_" + std::to_string(n), false).value_or("");
        item.money = stored.money;
        if (!parseReal(item.money)) hooks_.reportError(withFullStop(notAFloatMessage(item.money)));
        item.flag = stored.flag;
        item.mark = stored.excluded ? ItemMark::Excluded : ItemMark::Normal;
        f_.logins.push_back(std::move(item));
    }
}

void Settings::loadMoney(const std::string& entry) {
    const std::string T = TariffSection(entry);
    Statistics& st = f_.stats;
    st.dengiAll = readReal(M, "DengiAll");
    st.dengiMonth = readReal(M, "DengiMonth");
    st.dengiLastMonth = readReal(M, "DengiLastMonth");
    st.dengiToday = readReal(M, "DengiToday");
    st.dengiCurrentAll = readReal(T, "DengiCurrentAll");
    st.dengiCurrentMonth = readReal(T, "DengiCurrentMonth");
    st.dengiCurrentLastMonth = readReal(T, "DengiCurrentLastMonth");
    st.dengiLast = readReal(T, "DengiLast");
}

// --- SaveSettings ----------------------------------------------------------------------------

void Settings::WriteSchedule() {
    const auto& tm = f_.timer;
    writeYN(M, "TimerDial", tm.TimerDialCheck.checked);
    write(M, "DialHour", tm.TimerDialCheck.checked ? tm.DialHourEdit.text : "");
    write(M, "DialMinute", tm.TimerDialCheck.checked ? tm.DialMinuteEdit.text : "");
    writeYN(M, "TimerDialRep", tm.TimerDialRepCheck.checked);
    writeYN(M, "TimerHang", tm.TimerHangCheck.checked);
    write(M, "HangHour", tm.TimerHangCheck.checked ? tm.HangHourEdit.text : "");
    write(M, "HangMinute", tm.TimerHangCheck.checked ? tm.HangMinuteEdit.text : "");
    writeYN(M, "TimerHangRep", tm.TimerHangRepCheck.checked);
    writeYN(M, "PowerOff", tm.PowerCheck.checked);
    writeYN(M, "Force", tm.ForceCheck.checked);
}

void Settings::SaveSettings(const std::string& entry) {
    const std::string S = EntrySection(entry);
    const std::string T = TariffSection(entry);
    auto& conn = f_.conn;
    Statistics& st = f_.stats;
    const LocalDateTime today = clock_.now();
    // The figures written belong to the date written with them: a day or month that began
    // since the last tick or load is rolled over first.
    st.rollover(today);

    const CipherScope keys;
    Profile::Batch batch(profile_);
    // 1.-3.
    write(M, "Ver", kVersion);
    write(M, "LastSelectedEntry", conn.ComboBox1.text());
    writeInt(M, "LV2_1", conn.ListView2.columns[0].width);
    writeInt(M, "LV2_2", conn.ListView2.columns[1].width);
    writeInt(M, "LV1_1", conn.ListView1.columns[0].width);
    writeInt(M, "LV4", f_.apps.capplist.columns[0].width);
    writeYN(M, "DialAtStartup", f_.general.OnStartDial.checked);
    writeYN(M, "HideOnRun", f_.iface.HideOnRunCheck.checked);
    writeYN(M, "ShowOnDisconn", f_.iface.ShowOnDisconnCheck.checked);
    writeYN(M, "HideOnConnect", f_.iface.HideOnConnectCheck.checked);
    writeYN(M, "TopLogin", f_.general.TopLoginCheck.checked);
    writeYN(M, "NotShowHints", f_.iface.NotShowHints.checked);
    writeYN(M, "AutoReDial", f_.general.AutoReDialCheck.checked);
    writeYN(M, "GoodLoginFirst", f_.general.TopLoginCheck.checked);
    // 4. Hot keys.
    const auto& hk = f_.hotkeys;
    write(M, "HotDial", hk.DialCheck.checked ? numText(hk.HotDial.hotKey) : "");
    write(M, "HotMin", hk.MinCheck.checked ? numText(hk.HotMin.hotKey) : "");
    write(M, "HotLock", hk.LockCheck.checked ? numText(hk.HotLock.hotKey) : "");
    // 5.-7.
    writeYN(M, "ConnectSoundNotify", f_.sounds.ConnCheck.checked);
    writeYN(M, "DisconnectSoundNotify", f_.sounds.DisconnCheck.checked);
    writeYN(M, "AutoUpdate", f_.general.AutoUpdateCheck.checked);
    WriteSchedule();
    write(M, "ConnectSoundNotifyName", f_.sounds.ConnEdit.text);
    write(M, "DisconnectSoundNotifyName", f_.sounds.DisconnEdit.text);
    // 8.-9.
    write(S, "sawtrafficlimit", f_.extra.CheckBox1.checked ? "1" : "0");
    writeInt(S, "spectime", f_.extra.SpinEdit3.value);
    writeInt(S, "specintraffic", f_.extra.SpinEdit1.value);
    const auto& tp = f_.tariffs;
    writeInt(T, "tariffcount", tp.tariffcount.itemIndex);
    writeInt(T, "time1", tp.time1.value);
    writeInt(T, "time2", tp.time2.value);
    writeInt(T, "time3", tp.time3.value);
    writeReal(T, "tariff1", tp.tariff1.value);
    writeReal(T, "tariff2", tp.tariff2.value);
    writeReal(T, "tariff3", tp.tariff3.value);
    saveQuota(profile_, S, f_.quota);
    // 10.-12. Seconds and traffic.
    writeInt(S, "InCurrentAll", st.inCurrentAll);
    writeInt(S, "InCurrentLast", st.inCurrentLast);
    writeInt(S, "InInternetCurrentLastMonth", st.inInternetCurrentLastMonth);
    writeInt(S, "InInternetCurrentMonth", st.inInternetCurrentMonth);
    writeInt(M, "InInternetAll", st.inInternetAll);
    writeInt(M, "InInternetDay", st.inInternetDay);
    writeInt(M, "InInternetMonth", st.inInternetMonth);
    writeInt(M, "InInternetLastMonth", st.inInternetLastMonth);
    auto writePair = [&](std::string_view sec, const char* in, const char* out, TrafficPair p) {
        writeInt(sec, in, p.in);
        writeInt(sec, out, p.out);
    };
    writePair(S, "InTrafficLastMonth", "OutTrafficLastMonth", st.trafficCurrentLastMonth);
    writePair(S, "InTrafficCurrent", "OutTrafficCurrent", st.trafficCurrent.current);
    writePair(S, "InTrafficCurrentMonth", "OutTrafficCurrentMonth", st.trafficCurrentMonth.current);
    writePair(S, "InTrafficCurrentLast", "OutTrafficCurrentLast", st.trafficSession);
    // 13.-14.
    write(S, "pingcount", f_.dial.pingcount.text);
    writePair(M, "InTrafficAll", "OutTrafficAll", st.trafficAll.current);
    writePair(M, "InTrafficLastMonth", "OutTrafficLastMonth", st.trafficLastMonth);
    writePair(M, "InTrafficMonth", "OutTrafficMonth", st.trafficMonth.current);
    writePair(M, "InTrafficToday", "OutTrafficToday", st.trafficToday.current);
    // 15. Programs.
    writeInt(S, "appcount", static_cast<std::int64_t>(f_.programs.size()));
    for (std::size_t i = 0; i < f_.programs.size(); ++i) {
        const AppEntry& a = f_.programs[i];
        const std::string p = "app" + std::to_string(i);
        write(S, p + "path", a.path);
        write(S, p + "zagolovok", a.titlePart);
        write(S, p + "opes", a.description);
        write(S, p + "param", a.params);
        writeInt(S, p + "runmethod", a.runMethod);
        write(S, p + "checked", a.checked ? "1" : "0");
        write(S, p + "restart", a.restart ? "1" : "0");
        write(S, p + "mustkill", a.mustKill ? "1" : "0");
    }
    // 16. The date of this save.
    write(M, "StatisticDate", numText(today.dayOfWeek) + "," + numText(today.day));
    write(M, kFullDateKey, fullDateText(today));
    write(S, kFullDateKey, fullDateText(today));
    // 17.-18.
    writeInt(M, "IconIndex", f_.iface.TrackBar.position);
    const char* const modes[] = {"TASK", "TRAY", "BOTH", "NONE"};
    write(M, "Mode", modes[static_cast<int>(f_.mode())]);
    writeInt(M, "RedialPause", f_.general.UpDown.position);
    write(M, "LockPass", EncryptLockPass(f_.state.lockPassword));
    write(M, "LockCode", f_.state.locked ? "" : f_.state.machineCode);
    // 19.-20.
    write(S, "DialPrefix", f_.extra.Tone.checked ? "T" : "P");
    write(S, "InitPrefix", f_.extra.InitPrefix.text);
    write(S, "InitSufix", f_.extra.InitSufix.text);
    write(S, "LowLimit", f_.dial.LimitCheck.checked ? f_.dial.LowLimit.text() : "");
    write(S, "Ping", f_.dial.PingCheck.checked ? "Y" : "");
    write(S, "PingAddress", f_.dial.PingEdit.text);
    writeInt(S, "PingErrorMode", f_.dial.PingBox.itemIndex);
    write(S, "PingRepeat", f_.dial.PingRepeatCheck.checked ? "Y" : "");
    // 21.-22. The lists.
    saveLists(S, f_.phones, f_.logins);
    // 23.-24. Money; then the whole save goes to disk in one write, so that a program killed
    // on the way leaves the file of the last save or that of this one, never half of each (and
    // a refused write keeps every value of this save for the next one).
    saveMoney(entry);
    profile_.flush();
}

void Settings::saveLists(const std::string& S, const std::vector<PhoneItem>& phones,
                         const std::vector<LoginItem>& logins) {
    const int phoneCount = std::min<int>(static_cast<int>(phones.size()), kMaxListItems);
    for (int n = 0; n < kMaxListItems; ++n) {
        write(S, "Phone_" + std::to_string(n), n < phoneCount ? formatPhoneValue(phones[n]) : "");
    }
    const int loginCount = std::min<int>(static_cast<int>(logins.size()), kMaxListItems);
    for (int n = 0; n < kMaxListItems; ++n) {
        const std::string idx = std::to_string(n);
        if (n < loginCount) {
            const LoginItem& l = logins[n];
            StoredLogin s{Encrypt(l.login), l.money, l.flag, l.mark == ItemMark::Excluded};
            write(S, "Login_" + idx, formatLoginValue(s));
            write(S, "Password_" + idx, Encrypt(l.password));
        } else {
            write(S, "Login_" + idx, "");
            write(S, "Password_" + idx, "");
        }
    }
}

bool Settings::AppendLogin(const std::string& entry, const LoginItem& login) {
    const std::string S = EntrySection(entry);
    const CipherScope keys;
    Profile::Batch batch(profile_);
    // Without a section the entry would be filled from the phonebook when it is next shown; the
    // login written alone would make a section and cut those lists off.
    if (!profile_.sectionExists(S)) {
        const EntryLists seeded = hooks_.phonebookLists(entry);
        saveLists(S, seeded.phones, seeded.logins);
    }
    for (int n = 0; n < kMaxListItems; ++n) {
        const std::string idx = std::to_string(n);
        if (!readString(S, "Login_" + idx, "").empty()) continue;
        const StoredLogin stored{Encrypt(login.login), login.money, login.flag, false};
        write(S, "Login_" + idx, formatLoginValue(stored));
        write(S, "Password_" + idx, Encrypt(login.password));
        profile_.flush();
        return true;
    }
    return false;
}

void Settings::RenameEntry(const std::string& from, const std::string& to) {
    const std::string S = EntrySection(from);
    const std::string N = EntrySection(to);
    Profile::Batch batch(profile_);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& key : profile_.keys(S))
        values.emplace_back(key, profile_.readString(S, key, ""));
    // A section left by an entry of the new name that was deleted goes: nothing of it is the
    // renamed entry's. (When only the letter case changes, both are the same section.)
    profile_.eraseSection(N);
    profile_.eraseSection(S);
    for (const auto& [key, value] : values)
        profile_.writeString(N, key, value);
    if (readString(M, "LastSelectedEntry", "") == from) write(M, "LastSelectedEntry", to);
}

void Settings::saveMoney(const std::string& entry) {
    const std::string T = TariffSection(entry);
    const Statistics& st = f_.stats;
    writeReal(M, "DengiAll", st.dengiAll);
    writeReal(M, "DengiMonth", st.dengiMonth);
    writeReal(M, "DengiLastMonth", st.dengiLastMonth);
    writeReal(M, "DengiToday", st.dengiToday);
    writeReal(T, "DengiCurrentAll", st.dengiCurrentAll);
    writeReal(T, "DengiCurrentMonth", st.dengiCurrentMonth);
    writeReal(T, "DengiCurrentLastMonth", st.dengiCurrentLastMonth);
    writeReal(T, "DengiLast", st.dengiLast);
}

}  // namespace velmor
