#include "dialing/list_editor.h"

namespace velmor {
namespace {

template <class Item>
bool selectedIsValid(const std::vector<Item>& items, int index) {
    return index >= 0 && index < static_cast<int>(items.size());
}

// Deletes the selected item; the one before it (or the new first) is selected.
template <class Item>
void deleteSelected(std::vector<Item>& items, int& selected) {
    const int remembered = selected > 0 ? selected - 1 : 0;
    items.erase(items.begin() + selected);
    selected = items.empty() ? -1 : remembered;
}

template <class Item>
void toggleExcluded(Item& item) {
    item.mark = item.mark == ItemMark::Excluded ? ItemMark::Normal : ItemMark::Excluded;
}

template <class Item>
void moveItem(std::vector<Item>& items, int& selected, int from, int to) {
    if (!selectedIsValid(items, from)) return;
    Item copy = items[from];
    int at = selectedIsValid(items, to) ? to : static_cast<int>(items.size());
    items.insert(items.begin() + at, copy);
    if (from >= at) ++from;
    items.erase(items.begin() + from);
    if (from < at) --at;
    selected = at;
}

}  // namespace

ListEditor::ListEditor(MainForm& model, Session& session, UserInterface& ui, Hooks hooks)
    : m_(model), s_(session), ui_(ui), hooks_(std::move(hooks)) {}

void ListEditor::changed() {
    // The login in use is the one marked so, wherever it has moved.
    s_.loginInUse = -1;
    for (std::size_t i = 0; i < m_.logins.size(); ++i) {
        if (m_.logins[i].mark == ItemMark::InUse) s_.loginInUse = static_cast<int>(i);
    }
    if (hooks_.refreshDialAvailability) hooks_.refreshDialAvailability();
}

bool ListEditor::refuseWhenFull(std::size_t size, const char* what) {
    if (size < static_cast<std::size_t>(kMaxListItems)) return false;
    ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                   std::string("В списке уже ") + std::to_string(kMaxListItems) + " " + what +
                       ": больше сохранить нельзя.");
    return true;
}

// --- phones ----------------------------------------------------------------------------------

void ListEditor::addPhone() {
    if (refuseWhenFull(m_.phones.size(), "телефон")) return;
    TForm2 dialog;
    ui_.showPhoneDialog(dialog);
    if (!dialog.accepted()) return;
    m_.phones.push_back({dialog.Number, ItemMark::Normal});
    changed();
    if (m_.phones.size() == 1) m_.conn.ListView1.itemIndex = 0;
}

void ListEditor::editPhone() {
    int& sel = m_.conn.ListView1.itemIndex;
    if (!selectedIsValid(m_.phones, sel)) return;
    TForm2 dialog;
    dialog.Number = m_.phones[sel].number;
    ui_.showPhoneDialog(dialog);
    if (!dialog.accepted()) return;
    m_.phones[sel].number = dialog.Number;
    changed();
}

void ListEditor::deletePhone() {
    int& sel = m_.conn.ListView1.itemIndex;
    if (!selectedIsValid(m_.phones, sel)) return;
    if (m_.phones[sel].mark == ItemMark::InUse) {
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                       "Нельзя удалить телефон, который используеться в данный момент.");
        return;
    }
    deleteSelected(m_.phones, sel);
    changed();
}

void ListEditor::toggleExcludedPhone() {
    const int sel = m_.conn.ListView1.itemIndex;
    if (!selectedIsValid(m_.phones, sel)) return;
    if (m_.phones[sel].mark == ItemMark::InUse) {
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                       "Нельзя отменить телефон, который используеться в данный момент.");
        return;
    }
    toggleExcluded(m_.phones[sel]);
    changed();
}

void ListEditor::movePhone(int from, int to) {
    moveItem(m_.phones, m_.conn.ListView1.itemIndex, from, to);
    changed();
}

// --- logins ----------------------------------------------------------------------------------

void ListEditor::addLogin() {
    const std::string current = m_.conn.ComboBox1.text();
    LoginDialog dialog(m_.state.locked, m_.conn.ComboBox1.items, current, m_.locale, lastMoneyText);
    ui_.showLoginDialog(dialog);
    if (!dialog.accepted()) return;
    LoginItem item{dialog.acceptedLogin, dialog.acceptedPassword, dialog.acceptedMoney,
                   dialog.acceptedFlag, ItemMark::Normal};
    if (!dialog.masked() && dialog.acceptedEntry != current) {
        if (hooks_.storeForEntry) hooks_.storeForEntry(dialog.acceptedEntry, item);
        return;
    }
    for (const LoginItem& l : m_.logins) {
        if (l.login != item.login) continue;
        if (ui_.messageBox(MessageKind::Warning, MessageButtons::CancelIgnore,
                           "Логин " + item.login + " уже занесён в список.") !=
            MessageResult::Ignore) {
            return;
        }
    }
    if (refuseWhenFull(m_.logins.size(), "логин")) return;
    m_.logins.push_back(std::move(item));
    changed();
    if (m_.logins.size() == 1) m_.conn.ListView2.itemIndex = 0;
}

void ListEditor::editLogin() {
    const int sel = m_.conn.ListView2.itemIndex;
    if (!selectedIsValid(m_.logins, sel)) return;
    LoginItem& l = m_.logins[sel];
    LoginDialog dialog(m_.state.locked, m_.conn.ComboBox1.items, m_.conn.ComboBox1.text(),
                       m_.locale, lastMoneyText);
    dialog.prefill(l.login, l.password, l.money, l.flag);
    ui_.showLoginDialog(dialog);
    if (!dialog.accepted()) return;
    l.login = dialog.acceptedLogin;
    l.password = dialog.acceptedPassword;
    l.money = dialog.acceptedMoney;
    l.flag = dialog.acceptedFlag;
    changed();
}

void ListEditor::deleteLogin() {
    int& sel = m_.conn.ListView2.itemIndex;
    if (!selectedIsValid(m_.logins, sel)) return;
    if (m_.logins[sel].mark == ItemMark::InUse) {
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                       "Нельзя удалить логин, который используеться в данный момент.");
        return;
    }
    deleteSelected(m_.logins, sel);
    changed();
}

void ListEditor::toggleExcludedLogin() {
    const int sel = m_.conn.ListView2.itemIndex;
    if (!selectedIsValid(m_.logins, sel)) return;
    if (m_.logins[sel].mark == ItemMark::InUse) {
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                       "Нельзя отменить логин, который используеться в данный момент.");
        return;
    }
    toggleExcluded(m_.logins[sel]);
    changed();
}

void ListEditor::moveLogin(int from, int to) {
    moveItem(m_.logins, m_.conn.ListView2.itemIndex, from, to);
    changed();
}

}  // namespace velmor
