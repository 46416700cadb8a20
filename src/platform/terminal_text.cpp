#include "platform/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

namespace velmor {

TerminalText::TerminalText() {
    const char* set = nl_langinfo(CODESET);
    if (!set || std::strcmp(set, "UTF-8") == 0) return;
    const iconv_t cd = iconv_open((std::string(set) + "//TRANSLIT").c_str(), "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1)) cd_ = cd;
}

TerminalText::~TerminalText() {
    if (cd_) iconv_close(static_cast<iconv_t>(cd_));
}

std::string TerminalText::operator()(std::string_view utf8) {
    if (!cd_) return std::string(utf8);
    const auto cd = static_cast<iconv_t>(cd_);
    std::string out;
    std::string in(utf8);
    char* from = in.data();
    std::size_t left = in.size();
    char buf[4096];
    while (left > 0) {
        char* to = buf;
        std::size_t room = sizeof buf;
        const std::size_t rc = iconv(cd, &from, &left, &to, &room);
        out.append(buf, static_cast<std::size_t>(to - buf));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A character with no form there (or not UTF-8 at all): "?" in its place.
        out += '?';
        std::size_t n = 1;
        while (n < left && (static_cast<unsigned char>(from[n]) & 0xC0) == 0x80)
            ++n;
        from += n;
        left -= n;
    }
    char* to = buf;
    std::size_t room = sizeof buf;
    iconv(cd, nullptr, nullptr, &to, &room);
    out.append(buf, static_cast<std::size_t>(to - buf));
    return out;
}

}  // namespace velmor
