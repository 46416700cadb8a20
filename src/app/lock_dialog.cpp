#include "app/lock_dialog.h"

#include "platform/codepage.h"

namespace velmor {

TForm6::TForm6(ProgramState& state) : state_(state) {
    if (state.changePasswordMode) {
        mode_ = LockMode::Change;
    } else if (state.lockPassword.empty()) {
        mode_ = LockMode::Set;
    } else {
        mode_ = LockMode::Unlock;
    }
    if (mode_ == LockMode::Unlock) {
        Caption = "Отключение защиты";
        LabelText = "Введите пароль для отключения защиты и нажмите \"ОК\"";
    } else {
        Caption = "Смена пароля";
        LabelText = "Введите пароль для работы с программой и нажмите \"ОК\"";
    }
    if (mode_ == LockMode::Change) PasswordEdit.setPassword(state.lockPassword);
}

bool TForm6::OkClick(std::string& error) {
    std::string typed = PasswordEdit.Password();
    if (mode_ == LockMode::Unlock) {
        if (typed == state_.lockPassword) state_.locked = false;
        return true;
    }
    if (utf8Length(typed) < 2) {
        error = kShortPasswordMessage;
        return false;
    }
    state_.lockPassword = typed;
    return true;
}

bool TForm6::FormClose() const {
    return state_.lockPassword.empty();
}

std::string TForm6::HelpTopic() const {
    return mode_ == LockMode::Unlock ? "block" : "protect";
}

}  // namespace velmor
