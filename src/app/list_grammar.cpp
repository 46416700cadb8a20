#include "app/list_grammar.h"

namespace velmor {

PhoneItem parsePhoneValue(std::string_view value) {
    PhoneItem p;
    if (value.size() >= kDisabledSuffix.size() && value.ends_with(kDisabledSuffix)) {
        value.remove_suffix(kDisabledSuffix.size());
        p.mark = ItemMark::Excluded;
    }
    p.number = std::string(value);
    return p;
}

std::string formatPhoneValue(const PhoneItem& phone) {
    std::string v = phone.number;
    if (phone.mark == ItemMark::Excluded) v += kDisabledSuffix;
    return v;
}

StoredLogin parseLoginValue(std::string_view value) {
    StoredLogin s;
    if (value.find('{') == std::string_view::npos) {
        s.cipherText = std::string(value);
        return s;
    }
    if (value.back() == '+' || value.back() == '-') {
        s.flag = value.back();
        value.remove_suffix(1);
    }
    if (value.ends_with(kDisabledSuffix)) {
        s.excluded = true;
        value.remove_suffix(kDisabledSuffix.size());
    }
    std::string rest(value);
    const auto open = rest.find('{');
    if (open != std::string::npos) {
        const auto close = rest.find('}', open);
        const auto end = close == std::string::npos ? rest.size() : close + 1;
        s.money = rest.substr(open + 1, end - open - 1 - (close == std::string::npos ? 0 : 1));
        rest = rest.substr(0, open) + rest.substr(end);
    }
    if (s.money.empty()) s.money = "0";
    s.cipherText = rest;
    return s;
}

std::string formatLoginValue(const StoredLogin& login) {
    std::string v = login.cipherText + "{" + login.money + "}";
    if (login.excluded) v += kDisabledSuffix;
    v += login.flag;
    return v;
}

}  // namespace velmor
