// The phonebook file: every entry of any text reads without a crash, and what is written back
// reads the same.
#include <string>

#include "fuzz_support.h"
#include "platform/phonebook.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeScratch("phonebook.ini", data, size);
    Phonebook book(path);
    std::vector<std::string> names;
    book.names(names);
    const std::vector<PhonebookEntry> entries = book.entries();
    for (const PhonebookEntry& e : entries) {
        PhonebookEntry found;
        FUZZ_CHECK(book.find(e.name, found) == Phonebook::Result::Ok);
    }
    book.takeProblems();
    return 0;
}
