// The main window, page "Соединение": the entries, the dial action, the phone and login lists, and
// the ping of the acceptance check and the keep-alive.
#include "app/tform1.h"

#include <algorithm>

#include "app/tform1_private.h"

namespace velmor {

// --- the entry selector and the entries ------------------------------------------------------

void TForm1::ComboBox1DropDown() {
    Model.state.previousEntry = Model.conn.ComboBox1.text();
}

void TForm1::ComboBox1Change() {
    if (!settings_) return;
    guarded([&] { settings_->SaveSettings(Model.state.previousEntry); });
    guarded([&] { settings_->LoadSettings(); });
    Model.state.previousEntry = Model.conn.ComboBox1.text();
    Model.conn.ListView1.itemIndex = Model.phones.empty() ? -1 : 0;
    Model.conn.ListView2.itemIndex = Model.logins.empty() ? -1 : 0;
}

void TForm1::relistEntries() {
    auto& combo = Model.conn.ComboBox1;
    const std::string shown = combo.text();
    RasCon.ListEntries();
    combo.items = RasCon.EntryNames();
    // The entry on display stays selected by its name, wherever it sorts now; none when it is
    // gone. A position would pick another entry whenever a new name sorts before it.
    if (!combo.selectText(shown)) combo.itemIndex = -1;
    reportPhonebookProblems();
}

void TForm1::BitBtn6Click() {
    auto& c = Model.conn;
    RasCon.CreateEntry();
    relistEntries();
    if (!c.ComboBox1.items.empty()) {
        for (Button* b :
             {&c.Button1, &c.BitLock, &c.BitBtn1, &c.BitBtn2, &c.BitBtn3, &c.BitBtn4, &c.BitBtn5,
              &c.BitBtn11, &c.BitBtn12, &c.BitBtn13, &c.BitBtn6, &c.BitBtn7, &c.BitBtn8}) {
            b->enabled = true;
        }
        if (c.ComboBox1.itemIndex < 0) c.ComboBox1.itemIndex = 0;
        if (c.Button1.caption == kDialCaption) {
            c.ComboBox1.enabled = true;
            saveShownSettings(Model.state.previousEntry);
            if (settings_) guarded([&] { settings_->LoadSettings(); });
            Model.state.previousEntry = c.ComboBox1.text();
        }
        if (!RasCon.RasAvailable()) c.Button1.enabled = false;
    } else {
        showError(kNoEntry);
        disableForNoEntry();
    }
}

void TForm1::BitBtn8Click() {
    RasCon.EntryName = Model.conn.ComboBox1.text();
    RasCon.EditEntry();
}

void TForm1::entryRenamed(const std::string& from, const std::string& to) {
    if (settings_) guarded([&] { settings_->RenameEntry(from, to); });
    relistEntries();
    auto& combo = Model.conn.ComboBox1;
    if (combo.selectText(to)) Model.state.previousEntry = to;
}

void TForm1::entryEdited(const std::string& name) {
    auto& c = Model.conn;
    if (c.ComboBox1.text() != name) return;
    const FilledLists filled = fillEmptyLists(Model.phones, Model.logins, phonebookLists(name));
    if (filled.phones) c.ListView1.itemIndex = 0;
    if (filled.logins) c.ListView2.itemIndex = 0;
    refreshDialAvailability();
}

void TForm1::BitBtn7Click() {
    auto& c = Model.conn;
    if (c.Button1.caption != kDialCaption) {
        showError("Нельзя удалить соединение, которое используеться в данный момент.");
        return;
    }
    const std::string name = c.ComboBox1.text();
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, "Удалить " + name + " ?") !=
        MessageResult::Yes) {
        return;
    }
    saveShownSettings(name);
    RasCon.EntryName = name;
    RasCon.DeleteEntry();
    relistEntries();
    if (!c.ComboBox1.items.empty()) {
        c.ComboBox1.itemIndex = 0;
        if (settings_) guarded([&] { settings_->LoadSettings(); });
        Model.state.previousEntry = c.ComboBox1.text();
    } else {
        c.ComboBox1.itemIndex = -1;
        showError(kNoEntry);
        disableForNoEntry();
        Model.phones.clear();
        Model.logins.clear();
    }
}

EntryLists TForm1::phonebookLists(const std::string& entry) {
    return listsFromPhonebook(RasEdt, entry);
}

void TForm1::refreshDialAvailability() {
    auto& c = Model.conn;
    const bool connected = c.Button1.caption == kHangUpCaption;
    auto set = [&](bool on) {
        if (!RasCon.RasAvailable()) on = false;
        c.Button1.enabled = on;
        Model.menu.MCall.enabled = on;
    };
    if ((Model.phones.empty() || Model.logins.empty()) && !connected) {
        set(false);
        return;
    }
    const bool allPhonesExcluded =
        std::all_of(Model.phones.begin(), Model.phones.end(),
                    [](const PhoneItem& p) { return p.mark == ItemMark::Excluded; });
    const bool allLoginsExcluded =
        std::all_of(Model.logins.begin(), Model.logins.end(),
                    [](const LoginItem& l) { return l.mark == ItemMark::Excluded; });
    if ((allPhonesExcluded || allLoginsExcluded) && !connected) {
        set(false);
    } else {
        set(true);
    }
}

// --- the dial cycle --------------------------------------------------------------------------

void TForm1::Button1Click() {
    Cycle.dialAction();
}

void TForm1::RasConStateEvent(const TRasStateRec& rec) {
    Cycle.stateEvent(rec);
    ui_.refresh();
}

void TForm1::saveCurrentEntry() {
    saveShownSettings(Model.conn.ComboBox1.text());
}

// --- the lists -------------------------------------------------------------------------------

void TForm1::BitBtn1Click() {
    Lists.addPhone();
}
void TForm1::BitBtn2Click() {
    Lists.deletePhone();
}
void TForm1::BitBtn3Click() {
    Lists.editPhone();
}
void TForm1::BitBtn4Click() {
    Lists.toggleExcludedPhone();
}
void TForm1::BitBtn5Click() {
    Lists.toggleExcludedLogin();
}
void TForm1::BitBtn11Click() {
    Lists.addLogin();
}
void TForm1::BitBtn12Click() {
    Lists.deleteLogin();
}
void TForm1::BitBtn13Click() {
    Lists.editLogin();
}

void TForm1::ListDrop(bool logins, int from, int to) {
    if (logins) {
        Lists.moveLogin(from, to);
    } else {
        Lists.movePhone(from, to);
    }
}
void TForm1::ListView1DblClick() {
    Cycle.listDoubleClick();
}
void TForm1::ListView2DblClick() {
    Cycle.listDoubleClick();
}
void TForm1::Label6DblClick() {
    Cycle.resetCounter();
}

// --- ping (the acceptance check and the keep-alive) ---------------------------------------------

bool TForm1::pingTries(const std::string& host, int count) {
    if (!Ping->service()) return true;  // no ping component: the check passes
    for (int i = 0; i < std::max(count, 1); ++i) {
        PingResult = -1;
        try {
            Ping->startLookup(host);
        } catch (const std::exception& e) {
            // Shown as any handler's error; the try has failed.
            showError(withFullStop(e.what()));
            PingResult = 0;
        }
        Ping->processMessagesUntil([this] { return PingResult != -1; });
        // The user's commands run during the wait and may have ended this dial.
        if (PingResult == 1 || !Accept.goesOn()) break;
    }
    return PingResult != 0;
}

void TForm1::keepAlivePing(const std::string& host) {
    if (!Ping->service()) return;
    // Started once the tick is over: the echo to a dotted address, which follows its lookup at
    // once, then does not hold up the ticks while it waits.
    loop_.post([this, ping = std::weak_ptr<TPing>(Ping), host] {
        if (ping.expired()) return;
        guarded([&] { Ping->startLookup(host); });
    });
}

void TForm1::setIcmpService(icmp::IcmpService* service) {
    Ping->setService(service);
}

void TForm1::PingDnsLookupDone(std::uint16_t error) {
    if (error != 0) {
        PingResult = 0;
        return;
    }
    Ping->setAddress(Ping->lookupResult());
    Ping->echo();
}

void TForm1::PingEchoReply(int status) {
    PingResult = status != 0 ? 1 : 0;
}

}  // namespace velmor
