// The phone and login lists of the connection entry on display, as the form holds them.
#pragma once

#include <string>
#include <vector>

namespace velmor {

// The mark shown as a list item's icon.
enum class ItemMark { Normal = 0, InUse = 1, Excluded = 2 };

struct PhoneItem {
    std::string number;  // as typed
    ItemMark mark = ItemMark::Normal;
    friend bool operator==(const PhoneItem&, const PhoneItem&) = default;
};

struct LoginItem {
    std::string login;
    std::string password;     // never shown
    std::string money = "0";  // money on the account, as entered or last computed
    char flag = '+';          // '+' keep money statistics for this login, '-' do not
    ItemMark mark = ItemMark::Normal;
    friend bool operator==(const LoginItem&, const LoginItem&) = default;
};

// The most phones and logins an entry keeps (indexes 0 to 50 in the settings file).
constexpr int kMaxListItems = 51;

// Both lists of one entry.
struct EntryLists {
    std::vector<PhoneItem> phones;
    std::vector<LoginItem> logins;
};

}  // namespace velmor
