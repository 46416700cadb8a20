#include "dialing/list_dialogs.h"

#include "form/number_text.h"

namespace velmor {
namespace {

// Byte length of the UTF-8 character starting at i.
std::size_t charLength(const std::string& s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

void dropLastChar(std::string& s) {
    if (s.empty()) return;
    std::size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    s.erase(i);
}

}  // namespace

std::string loginFilterResult(const std::string& login) {
    auto first = login.find('\\');
    if (first == std::string::npos) return login;
    std::string r = login.substr(first + 1);
    dropLastChar(r);
    const auto next = r.find('\\');
    if (next != std::string::npos) r = r.substr(next + 1);
    return r;
}

std::string passwordFilterResult(const std::string& password) {
    const auto colon = password.find(':');
    if (colon == std::string::npos) return password;
    const std::size_t after = colon + 1;
    const std::size_t skip = after < password.size() ? charLength(password, after) : 0;
    std::string r = password.substr(after + skip);
    dropLastChar(r);
    return r;
}

LoginDialog::LoginDialog(bool masked, std::vector<std::string> entries,
                         const std::string& currentEntry, LocaleFormat locale,
                         std::string& lastMoneyText)
    : Entries(std::move(entries)), masked_(masked), locale_(locale), lastMoneyText_(lastMoneyText) {
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (Entries[i] == currentEntry) EntryIndex = static_cast<int>(i);
    }
}

void LoginDialog::prefill(const std::string& login, const std::string& password,
                          const std::string& money, char flag) {
    Login = login;
    Password = password;
    PasswordEdit.setPassword(password);
    Money = parseReal(money).value_or(0);
    KeepStatistics = flag == '+';
    EntryChangeable = false;
    textChanged();
}

void LoginDialog::textChanged() {
    LoginResult = loginFilterResult(Login);
    PasswordResult = passwordFilterResult(masked_ ? PasswordEdit.Password() : Password);
}

bool LoginDialog::accept(const std::string& login, const std::string& password) {
    if (login.empty() || password.empty()) return false;
    acceptedLogin = login;
    acceptedPassword = password;
    acceptedMoney = lastMoneyText_;
    acceptedFlag = KeepStatistics ? '+' : '-';
    acceptedEntry =
        EntryIndex >= 0 && EntryIndex < static_cast<int>(Entries.size()) ? Entries[EntryIndex] : "";
    accepted_ = true;
    return true;
}

bool LoginDialog::OkClick() {
    const std::string password = masked_ ? PasswordEdit.Password() : Password;
    if (Login.empty() || password.empty()) return false;
    lastMoneyText_ = formatReal(Money, locale_.decimalSeparator);
    return accept(Login, password);
}

bool LoginDialog::ResultClick() {
    if (LoginResult.empty() || PasswordResult.empty()) return false;
    // The money shown is taken, 0 as well (not the money text an earlier dialog left).
    lastMoneyText_ = formatReal(Money, locale_.decimalSeparator);
    return accept(LoginResult, PasswordResult);
}

}  // namespace velmor
