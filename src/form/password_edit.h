// The masked password edit: its own text is the password with every character XOR a key byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmor {

class TPasswordEdit {
  public:
    // A printable character XOR a key below 0x20 stays printable, so no typed character is ever
    // coded into a control key such as backspace.
    static constexpr std::uint8_t kDefaultXorKey = 0x1F;

    TPasswordEdit();
    ~TPasswordEdit();

    int Width = 100;
    int Height = 21;
    std::string PasswordChar = "*";

    // Handles one typed character (UTF-8). Backspace (8) deletes the last character; tab, line
    // feed, return and escape (9, 10, 13, 27) pass unchanged to the edit, which ignores them.
    // Returns false (and changes nothing) for a character the settings file cannot store.
    bool typeChar(std::string_view ch);
    // Pasted text is coded like typed text; false when it holds a character that cannot be stored.
    bool paste(std::string_view text);

    std::string Password() const;
    void setPassword(std::string_view clear);
    std::uint8_t XorKey() const { return xorKey_; }
    void setXorKey(std::uint8_t key);

    // The control's own text (UTF-8 view of the coded bytes) and its length in characters.
    std::string text() const;
    std::size_t length() const { return coded_.size(); }
    // Replaces the control's own text (as a window text would be set).
    void setText(std::string_view text);

  private:
    std::string coded_;  // Windows-1251 bytes, each XOR the key
    std::uint8_t xorKey_ = kDefaultXorKey;
};

}  // namespace velmor
