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

}  // namespace velmor
