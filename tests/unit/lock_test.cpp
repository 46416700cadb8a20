#include <gtest/gtest.h>

#include "app/lock_dialog.h"
#include "form/password_edit.h"

using namespace velmor;

namespace {

// The characters of a UTF-8 text, one string each.
std::vector<std::string> chars(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

TEST(PasswordEdit, TypedTextIsCodedAndReadBackExactly) {
    TPasswordEdit e;
    const std::string typed = "Пароль ёЁ №1 x";
    // Typed one character at a time.
    for (const std::string& c : chars(typed))
        ASSERT_TRUE(e.typeChar(c));
    EXPECT_EQ(e.Password(), typed);
    // The control's own text differs from the password in every character.
    const auto own = chars(e.text());
    const auto clear = chars(typed);
    ASSERT_EQ(own.size(), clear.size());
    for (std::size_t i = 0; i < own.size(); ++i)
        EXPECT_NE(own[i], clear[i]) << i;
    // Control keys pass unchanged: backspace deletes, return and escape add nothing.
    EXPECT_TRUE(e.typeChar("\b"));
    EXPECT_TRUE(e.typeChar("\r"));
    EXPECT_TRUE(e.typeChar("\x1b"));
    EXPECT_EQ(e.Password(), "Пароль ёЁ №1 ");
    // A new key re-codes the text: the password stays.
    e.setXorKey(0x05);
    EXPECT_EQ(e.Password(), "Пароль ёЁ №1 ");
    // Pasted text is coded as typed text is; characters the settings file cannot hold are refused.
    EXPECT_TRUE(e.paste("ab"));
    EXPECT_FALSE(e.paste("日本"));
    EXPECT_EQ(e.Password(), "Пароль ёЁ №1 ab");
    e.setPassword("секрет");
    EXPECT_EQ(e.Password(), "секрет");
    EXPECT_NE(e.text(), "секрет");
}

TEST(PasswordEdit, NoPrintableCharacterIsCodedIntoAControlKey) {
    TPasswordEdit e;
    for (int c = 0x20; c < 0x7F; ++c) {
        e.setPassword("");
        ASSERT_TRUE(e.typeChar(std::string(1, static_cast<char>(c))));
        ASSERT_EQ(e.length(), 1u) << c;  // never taken as backspace, tab, return or escape
        const unsigned char coded = static_cast<unsigned char>(e.text()[0]);
        EXPECT_GE(coded, 0x20) << c;
    }
}

TEST(LockDialog, ModesAndTheirTexts) {
    ProgramState st;
    {
        TForm6 d(st);  // no password: set mode
        EXPECT_EQ(d.mode(), LockMode::Set);
        EXPECT_EQ(d.Caption, "Смена пароля");
        EXPECT_EQ(d.LabelText, "Введите пароль для работы с программой и нажмите \"ОК\"");
        EXPECT_EQ(d.HelpTopic(), "protect");
        std::string error;
        d.PasswordEdit.paste("я");
        EXPECT_FALSE(d.OkClick(error));
        EXPECT_EQ(error, kShortPasswordMessage);
        EXPECT_TRUE(d.FormClose());  // closing now ends the program
        d.PasswordEdit.paste("ю");
        EXPECT_TRUE(d.OkClick(error));
        EXPECT_EQ(st.lockPassword, "яю");
        EXPECT_FALSE(d.FormClose());
    }
    st.locked = true;
    {
        TForm6 d(st);
        EXPECT_EQ(d.mode(), LockMode::Unlock);
        EXPECT_EQ(d.Caption, "Отключение защиты");
        EXPECT_EQ(d.LabelText, "Введите пароль для отключения защиты и нажмите \"ОК\"");
        EXPECT_EQ(d.HelpTopic(), "block");
        EXPECT_EQ(d.PasswordEdit.Password(), "");
        std::string error;
        d.PasswordEdit.paste("ЯЮ");  // letter case counts
        EXPECT_TRUE(d.OkClick(error));
        EXPECT_TRUE(st.locked);
        EXPECT_TRUE(error.empty());
    }
    st.changePasswordMode = true;
    {
        TForm6 d(st);
        EXPECT_EQ(d.mode(), LockMode::Change);
        EXPECT_EQ(d.PasswordEdit.Password(), "яю");
        std::string error;
        EXPECT_TRUE(d.OkClick(error));  // unchanged text keeps the password
        EXPECT_EQ(st.lockPassword, "яю");
    }
}
