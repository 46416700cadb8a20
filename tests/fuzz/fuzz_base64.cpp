// The lenient Base64 reader of stored secrets and the deciphering behind it.
#include <string>

#include "app/cipher.h"
#include "fuzz_support.h"
#include "platform/codepage.h"

using namespace velmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string bytes = base64Decode(text);
        FUZZ_CHECK(text.size() % 4 == 0);
        FUZZ_CHECK(bytes.size() <= text.size() / 4 * 3);
        FUZZ_CHECK(bytes.size() + 2 >= text.size() / 4 * 3);
        // Standard text written from those bytes reads back to them.
        FUZZ_CHECK(base64Decode(base64Encode(bytes)) == bytes);
        FUZZ_CHECK(decipherBytes("key", text).size() == bytes.size());
    } catch (const Base64Error&) {
        FUZZ_CHECK(text.size() % 4 != 0);
    }
    // The text form reads the Windows-1251 characters of the file.
    try {
        decipherText("ключ", text);
        FUZZ_CHECK(utf8ToCp1251(text).size() % 4 == 0);
    } catch (const Base64Error&) {
        FUZZ_CHECK(utf8ToCp1251(text).size() % 4 != 0);
    }
    return 0;
}
