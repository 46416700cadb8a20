#include "dialing/ras_edt.h"

namespace velmor {
namespace {

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace

int TRasEdt::ReadEntryProperties(std::string_view entry) {
    localPhoneNumber_.clear();
    alternatePhones_.clear();
    ras::EntryProperties props;
    lastResult_ = service_.getEntryProperties(entry, props);
    if (lastResult_ != 0) return lastResult_;
    localPhoneNumber_ = props.phoneNumber;
    for (const auto& number : props.alternates) {
        std::string n = trimmed(number);
        if (!n.empty()) alternatePhones_.push_back(std::move(n));
    }
    return 0;
}

int TRasEdt::ReadEntryDialParams(std::string_view entry) {
    userName_.clear();
    password_.clear();
    callbackNumber_.clear();
    domain_.clear();
    ras::DialParams params;
    lastResult_ = service_.getEntryDialParams(entry, params);
    if (lastResult_ != 0) return lastResult_;
    userName_ = params.userName;
    if (params.passwordSaved) password_ = params.password;
    callbackNumber_ = params.callbackNumber;
    domain_ = params.domain;
    return 0;
}

EntryLists listsFromPhonebook(TRasEdt& edt, std::string_view entry) {
    EntryLists lists;
    if (edt.ReadEntryProperties(entry) == 0) {
        if (!edt.LocalPhoneNumber().empty()) lists.phones.push_back({edt.LocalPhoneNumber()});
        for (const std::string& alt : edt.AlternatePhones()) {
            if (lists.phones.size() >= static_cast<std::size_t>(kMaxListItems)) break;
            lists.phones.push_back({alt});
        }
    }
    if (edt.ReadEntryDialParams(entry) == 0 && !edt.UserName().empty()) {
        LoginItem login;
        login.login = edt.UserName();
        login.password = edt.Password().empty() ? "?" : edt.Password();
        lists.logins.push_back(login);
    }
    return lists;
}

FilledLists fillEmptyLists(std::vector<PhoneItem>& phones, std::vector<LoginItem>& logins,
                           EntryLists seeded) {
    FilledLists filled;
    if (phones.empty() && !seeded.phones.empty()) {
        phones = std::move(seeded.phones);
        filled.phones = true;
    }
    if (logins.empty() && !seeded.logins.empty()) {
        logins = std::move(seeded.logins);
        filled.logins = true;
    }
    return filled;
}

}  // namespace velmor
