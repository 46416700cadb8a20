// The user's operations on the phone and login lists of the entry on display.
#pragma once

#include <functional>
#include <string>

#include "dialing/list_dialogs.h"
#include "dialing/session.h"
#include "form/form_model.h"
#include "form/user_interface.h"

namespace velmor {

class ListEditor {
  public:
    struct Hooks {
        // Enables the dial button from the lists.
        std::function<void()> refreshDialAvailability;
        // Stores a login meant for another entry in that entry's section; false when it has no
        // room (the message has been shown).
        std::function<bool(const std::string& entry, const LoginItem& login)> storeForEntry;
    };

    ListEditor(MainForm& model, Session& session, UserInterface& ui, Hooks hooks);

    void addPhone();
    void editPhone();
    void deletePhone();
    void toggleExcludedPhone();
    void addLogin();
    void editLogin();
    void deleteLogin();
    void toggleExcludedLogin();
    // Drag and drop inside a list: the item moves before the item dropped on (to), or to the end
    // (to < 0), and is selected.
    void movePhone(int from, int to);
    void moveLogin(int from, int to);

    // The money text the last login dialog took (see LoginDialog).
    std::string lastMoneyText = "0";

  private:
    bool refuseWhenFull(std::size_t size, const char* what);
    void changed();

    MainForm& m_;
    Session& s_;
    UserInterface& ui_;
    Hooks hooks_;
};

}  // namespace velmor
