#include "form/password_edit.h"

#include "platform/codepage.h"

namespace velmor {
namespace {

void wipe(std::string& s) {
    volatile char* p = s.data();
    for (std::size_t i = 0; i < s.size(); ++i)
        p[i] = ' ';
}

std::string xorBytes(std::string bytes, std::uint8_t key) {
    for (char& c : bytes)
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ key);
    return bytes;
}

}  // namespace

TPasswordEdit::TPasswordEdit() = default;
TPasswordEdit::~TPasswordEdit() {
    wipe(coded_);
}

bool TPasswordEdit::typeChar(std::string_view ch) {
    if (ch.size() == 1) {
        switch (ch[0]) {
            case 8:
                if (!coded_.empty()) coded_.pop_back();
                return true;
            case 9:
            case 10:
            case 13:
            case 27:
                return true;
            default:
                break;
        }
    }
    return paste(ch);
}

bool TPasswordEdit::paste(std::string_view text) {
    if (!fitsCp1251(text)) return false;
    std::string bytes = utf8ToCp1251(text);
    coded_ += xorBytes(bytes, xorKey_);
    wipe(bytes);
    return true;
}

std::string TPasswordEdit::Password() const {
    std::string work = xorBytes(coded_, xorKey_);
    std::string clear = cp1251ToUtf8(work);
    wipe(work);
    return clear;
}

void TPasswordEdit::setPassword(std::string_view clear) {
    std::string bytes = utf8ToCp1251(clear);
    wipe(coded_);
    coded_ = xorBytes(bytes, xorKey_);
    wipe(bytes);
}

void TPasswordEdit::setXorKey(std::uint8_t key) {
    if (key == xorKey_) return;
    // Re-coded in place: no clear copy of the password is left behind.
    const auto delta = static_cast<std::uint8_t>(xorKey_ ^ key);
    for (char& c : coded_)
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ delta);
    xorKey_ = key;
}

std::string TPasswordEdit::text() const {
    return cp1251ToUtf8(coded_);
}

void TPasswordEdit::setText(std::string_view text) {
    wipe(coded_);
    coded_ = utf8ToCp1251(text);
}

}  // namespace velmor
