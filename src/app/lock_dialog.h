// The program lock dialog in its three modes: unlock, set a password, change the password.
#pragma once

#include <string>

#include "form/form_model.h"
#include "form/password_edit.h"

namespace velmor {

enum class LockMode { Unlock, Set, Change };

class TForm6 {
  public:
    // The mode follows the program state: change when the change-password command opened it,
    // set when there is no password, unlock otherwise.
    explicit TForm6(ProgramState& state);

    LockMode mode() const { return mode_; }
    std::string Caption;
    std::string LabelText;
    TPasswordEdit PasswordEdit;

    // "ОК": true when the dialog closes. A password of fewer than two characters in set or change
    // mode leaves it open and gives the error text to show.
    bool OkClick(std::string& error);
    // The dialog closed, by any way: true when the program must end (no password exists).
    bool FormClose() const;
    // The help topic of "Справка".
    std::string HelpTopic() const;

  private:
    ProgramState& state_;
    LockMode mode_;
};

inline constexpr const char* kShortPasswordMessage = "Пароль не может быть короче двух символов";

}  // namespace velmor
