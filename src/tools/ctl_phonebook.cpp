// velmorctl phonebook: the entries of the phonebook with their devices and numbers.
#include <cstdio>
#include <string>

#include "platform/phonebook.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {

int runPhonebook(const Args& args) {
    std::string path = Phonebook::defaultPath();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--phonebook" && i + 1 < args.size()) {
            path = args[++i];
        } else {
            std::fprintf(stderr, "usage: velmorctl phonebook [--phonebook FILE]\n");
            return kBadInput;
        }
    }
    Phonebook book(path);
    book.createIfMissing();  // as the program does on its first start
    const auto entries = book.entries();
    for (const PhonebookEntry& e : entries) {
        std::string numbers = e.phoneNumber;
        for (const std::string& a : e.alternates)
            numbers += (numbers.empty() ? "" : ";") + a;
        std::printf("%s\tDevice=%s\tNumbers=%s\tUser=%s\tPassword=%s\n", e.name.c_str(),
                    e.device.c_str(), numbers.c_str(), e.userName.c_str(),
                    e.password.empty() ? "(none saved)" : "(saved)");
    }
    const auto problems = book.takeProblems();
    for (const std::string& p : problems)
        std::fprintf(stderr, "velmorctl: %s\n", p.c_str());
    return problems.empty() ? 0 : kBadInput;
}

}  // namespace velmor::ctl
