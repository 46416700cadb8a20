// Reading the whole settings file into the form model and writing it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "form/form_model.h"
#include "platform/event_loop.h"
#include "platform/profile.h"

namespace velmor {

inline constexpr const char* kMainSection = "Brontavel";
std::string EntrySection(std::string_view entry);   // "RAS_Entry_" + entry
std::string TariffSection(std::string_view entry);  // "RAS_entry_" + entry: the same section

// An error message as an error box shows it: a full stop is added when the text does not end in
// one (or in a character that sorts before it).
std::string withFullStop(std::string message);

// The steps of loading that other parts of the program carry out.
class SettingsHooks {
  public:
    virtual ~SettingsHooks() = default;
    // A value that could not be read (shown in an error box; the load goes on with its default).
    virtual void reportError(const std::string& message) = 0;
    // Registers the hot keys as the "Применить" button of the hot-key page does.
    virtual void applyHotKeys() {}
    // Arms the schedule as the "Применить" button of the timer page does.
    virtual void applySchedule() {}
    // The icon set and display mode were loaded.
    virtual void applyDisplay() {}
    // The redial pause was loaded into its up-down.
    virtual void applyRedialPause() {}
    // The lists of an entry that has no section of its own, from its phonebook entry.
    virtual EntryLists phonebookLists(const std::string& /*entry*/) { return {}; }
    // Enables the dial button and its menu item from the lists.
    virtual void refreshDialAvailability() {}
};

class Settings {
  public:
    Settings(MainForm& form, Profile& profile, const Clock& clock, SettingsHooks& hooks);

    // Reads the whole file for the entry shown in the entry selector.
    void LoadSettings();
    // Writes the whole file, the per-entry keys into the section of entry.
    void SaveSettings(const std::string& entry);

    // The stored-secret operations under the program password and under the machine key.
    std::string Encrypt(std::string_view secret) const;
    std::string Decrypt(std::string_view stored) const;
    std::string EncryptLockPass(std::string_view secret) const;
    std::string DecryptLockPass(std::string_view stored) const;

    // A program password given from outside (velmorctl): used instead of the stored one.
    std::optional<std::string> givenPassword;

    // Adds a login meant for another entry to that entry's section at the first free index and
    // writes the file; false when the entry already keeps as many logins as it can. An entry
    // without a section gets its lists from the phonebook first, as loading it would.
    bool AppendLogin(const std::string& entry, const LoginItem& login);

    // Moves the section of a renamed entry (its lists, statistics and programs) to the new name in
    // one write of the file; the entry last shown follows the name.
    void RenameEntry(const std::string& from, const std::string& to);

    // The writes of the timer page's "Применить" button (also part of SaveSettings).
    void WriteSchedule();

  private:
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    bool readYN(std::string_view section, std::string_view key, bool def) const;
    std::int64_t readInt(std::string_view section, std::string_view key, std::int64_t def) const;
    std::optional<std::int64_t> readNum(std::string_view section, std::string_view key,
                                        std::string_view def) const;
    double readReal(std::string_view section, std::string_view key) const;
    std::optional<std::string> readSecret(std::string_view section, std::string_view key,
                                          bool lockPass) const;
    // The section's full date of the last save, else the day of the month of a "StatisticDate"
    // text; nothing (a wrong value reported) when neither gives a date.
    std::optional<StatDate> readStatDate(std::string_view section, std::string_view dayText) const;

    void write(std::string_view section, std::string_view key, std::string_view value);
    void writeYN(std::string_view section, std::string_view key, bool on);
    void writeInt(std::string_view section, std::string_view key, std::int64_t v);
    void writeReal(std::string_view section, std::string_view key, double v);

    // LowLimit: empty is no minimum; a speed missing from the list joins it.
    void loadMinimumSpeed(const std::string& stored);
    void loadLists(const std::string& entry);
    void loadMoney(const std::string& entry);
    void saveLists(const std::string& section, const std::vector<PhoneItem>& phones,
                   const std::vector<LoginItem>& logins);
    void saveMoney(const std::string& entry);

    MainForm& f_;
    Profile& profile_;
    const Clock& clock_;
    SettingsHooks& hooks_;
};

}  // namespace velmor
