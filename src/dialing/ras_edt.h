// Reads the numbers and the saved credentials of one phonebook entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form/entry_lists.h"
#include "platform/ras.h"

namespace velmor {

class TRasEdt {
  public:
    explicit TRasEdt(ras::RasService& service) : service_(service) {}

    // The entry's main number and its alternate numbers (each trimmed). Both are cleared first, so
    // a failed read leaves nothing of an earlier entry behind.
    int ReadEntryProperties(std::string_view entry);
    // The saved user name and, only when one is saved, the password (else empty).
    int ReadEntryDialParams(std::string_view entry);

    const std::string& LocalPhoneNumber() const { return localPhoneNumber_; }
    const std::vector<std::string>& AlternatePhones() const { return alternatePhones_; }
    const std::string& UserName() const { return userName_; }
    const std::string& Password() const { return password_; }
    const std::string& CallbackNumber() const { return callbackNumber_; }
    const std::string& Domain() const { return domain_; }
    int LastResult() const { return lastResult_; }

  private:
    ras::RasService& service_;
    std::string localPhoneNumber_;
    std::vector<std::string> alternatePhones_;
    std::string userName_, password_, callbackNumber_, domain_;
    int lastResult_ = 0;
};

// The lists an entry without a section of its own starts with: its main number and alternates
// (no more than an entry keeps), and its saved user name with the saved password, or "?" when
// none is saved.
EntryLists listsFromPhonebook(TRasEdt& edt, std::string_view entry);

// Fills each of the two lists that is empty from seeded (what listsFromPhonebook gives); a list
// that holds anything stays as it is. Returns which lists were filled.
struct FilledLists {
    bool phones = false;
    bool logins = false;
};
FilledLists fillEmptyLists(std::vector<PhoneItem>& phones, std::vector<LoginItem>& logins,
                           EntryLists seeded);

}  // namespace velmor
