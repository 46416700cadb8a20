// The stored forms of phones and logins: any value parses, and what is written back parses to
// the same item.
#include <string>

#include "app/list_grammar.h"
#include "form/number_text.h"
#include "fuzz_support.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string v(reinterpret_cast<const char*>(data), size);
    const PhoneItem phone = parsePhoneValue(v);
    FUZZ_CHECK(parsePhoneValue(formatPhoneValue(phone)) == phone);
    const StoredLogin login = parseLoginValue(v);
    FUZZ_CHECK(login.flag == '+' || login.flag == '-');
    FUZZ_CHECK(!login.money.empty());
    // Enciphered logins are Base64 text and money texts are numbers: such a value comes back.
    if (login.cipherText.find_first_of("{}") == std::string::npos && parseReal(login.money) &&
        login.money.find_first_of("{}") == std::string::npos &&
        (login.cipherText.empty() ||
         (login.cipherText.back() != '+' && login.cipherText.back() != '-'))) {
        FUZZ_CHECK(parseLoginValue(formatLoginValue(login)) == login);
    }
    return 0;
}
