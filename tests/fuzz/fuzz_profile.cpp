// The settings file: parsing with the profile rules, the whole load of the program, and writes
// that must read back and leave every other value as it was.
#include <string>
#include <vector>

#include "app/settings.h"
#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/virtual_loop.h"

using namespace velmor;

namespace {

struct Quiet : SettingsHooks {
    void reportError(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file's text form keeps any text, and any bytes read write back as the same name (marks
    // may be spelled in small letters by hand).
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(cp1251Upper(utf8ToCp1251Marked(cp1251MarkedToUtf8(bytes))) == cp1251Upper(bytes));
    FUZZ_CHECK(!isUtf8(bytes) || cp1251MarkedToUtf8(utf8ToCp1251Marked(bytes)) == bytes);
    const std::string path = fuzz::writeScratch("Velmor.ini", data, size);
    struct Value {
        std::string section, key, value;
    };
    std::vector<Value> before;
    std::string entry;
    {
        const Profile p(path);
        for (const std::string& s : p.sections()) {
            FUZZ_CHECK(p.sectionExists(s));
            if (entry.empty() && equalsIgnoreCase(s.substr(0, 10), "RAS_Entry_")) {
                entry = s.substr(10);
            }
            for (const std::string& k : p.keys(s)) {
                FUZZ_CHECK(p.hasKey(s, k));
                before.push_back({s, k, p.readString(s, k, "")});
            }
        }
    }
    // The program's whole load over it, on the first entry section it names.
    {
        VirtualLoop loop;
        loop.setLocalDateTime({2026, 12, 7, 12, 0, 0, 0});
        MainForm form;
        form.conn.ComboBox1.items = {entry, "Домашний"};
        form.conn.ComboBox1.itemIndex = 0;
        form.state.machineKey = "2902";
        form.locale = LocaleFormat::russian();
        Profile p(path);
        Quiet quiet;
        Settings settings(form, p, loop, quiet);
        settings.LoadSettings();
        FUZZ_CHECK(!p.dirty());  // loading writes nothing
    }
    // Writes read back, in place, and change nothing else.
    const std::string section = before.empty() ? "Brontavel" : before.front().section;
    const std::string key = before.empty() ? "Ver" : before.front().key;
    const std::string written =
        " \"quoted\" " + std::string(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    bool refused = false;
    {
        Profile p(path);
        try {
            p.writeString(section, key, written);
            p.writeString("Новая секция", "Ключ", written);
        } catch (const std::invalid_argument&) {
            refused = true;  // a name that cannot be stored
        }
    }
    if (refused) return 0;
    const Profile q(path);
    auto expected = [](const std::string& v) {
        // Line breaks become blanks; a value reads back at most 2047 characters long.
        std::string out;
        for (char c : v)
            out += (c == '\r' || c == '\n') ? ' ' : c;
        return out;
    };
    const std::string back = q.readString(section, key, "");
    // Every text reads back, also one that the code page lacks.
    if (isUtf8(written)) {
        FUZZ_CHECK(back == expected(written));
        FUZZ_CHECK(q.readString("Новая секция", "Ключ", "") == expected(written));
    }
    for (const Value& v : before) {
        if (equalsIgnoreCase(v.section, section) && equalsIgnoreCase(v.key, key)) continue;
        if (equalsIgnoreCase(v.section, "Новая секция") && equalsIgnoreCase(v.key, "Ключ"))
            continue;
        FUZZ_CHECK(q.hasKey(v.section, v.key));
        FUZZ_CHECK(q.readString(v.section, v.key, "") == v.value);
    }
    return 0;
}
