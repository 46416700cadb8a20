// The stored text forms of phone and login list items.
#pragma once

#include <string>
#include <string_view>

#include "form/entry_lists.h"

namespace velmor {

inline constexpr std::string_view kDisabledSuffix = "{disabled}";

// "123{disabled}" -> number "123", excluded.
PhoneItem parsePhoneValue(std::string_view value);
std::string formatPhoneValue(const PhoneItem& phone);

// The parts of a stored login value: the enciphered login (Base64), the money text, the money
// statistics flag and the excluded mark.
struct StoredLogin {
    std::string cipherText;
    std::string money = "0";
    char flag = '+';
    bool excluded = false;
    friend bool operator==(const StoredLogin&, const StoredLogin&) = default;
};

// Base64 "{" money "}" ["{disabled}"] flag. A value without "{" is the enciphered login alone
// (money "0", flag "+"), even when its Base64 text ends in "+"; in a value with "{" only the last
// character can be the flag, so a "+" before the money part stays with the Base64 text.
StoredLogin parseLoginValue(std::string_view value);
std::string formatLoginValue(const StoredLogin& login);

}  // namespace velmor
