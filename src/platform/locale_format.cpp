#include "platform/locale_format.h"

#include <langinfo.h>
#include <clocale>
#include <cstring>

namespace velmor {
namespace {

// Turns a strftime pattern of the C library into the program's notation.
std::string fromStrftime(const char* f, bool time) {
    std::string out;
    for (const char* p = f; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        ++p;
        if (*p == 'E' || *p == 'O') ++p;
        switch (*p) {
            case 'd':
                out += "dd";
                break;
            case 'e':
                out += "d";
                break;
            case 'm':
                out += "mm";
                break;
            case 'y':
                out += "yy";
                break;
            case 'Y':
                out += "yyyy";
                break;
            case 'H':
                out += "hh";
                break;
            case 'k':
                out += "h";
                break;
            case 'M':
                out += "nn";
                break;
            case 'S':
                out += "ss";
                break;
            case 'T':
                out += "hh:nn:ss";
                break;
            case 'R':
                out += "hh:nn";
                break;
            case 'D':
                out += "mm/dd/yy";
                break;
            case 'F':
                out += "yyyy-mm-dd";
                break;
            case '\0':
                return out;
            default:
                break;  // names of days and months, time zones: left out
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (out.empty()) out = time ? "hh:nn:ss" : "dd.mm.yyyy";
    return out;
}

std::string two(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

LocaleFormat LocaleFormat::fromSystem() {
    LocaleFormat f;
    const char* dp = nl_langinfo(RADIXCHAR);
    f.decimalSeparator = (dp && std::strlen(dp) == 1) ? dp[0] : '.';
    const char* ts = nl_langinfo(THOUSEP);
    f.thousandSeparator = (ts && std::strlen(ts) == 1) ? ts[0] : ' ';
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (name && std::strncmp(name, "ru", 2) == 0) {
        f.shortDate = "dd.mm.yyyy";
        f.longTime = "h:nn:ss";
    } else {
        f.shortDate = fromStrftime(nl_langinfo(D_FMT), false);
        f.longTime = fromStrftime(nl_langinfo(T_FMT), true);
    }
    return f;
}

std::string formatPattern(const std::string& pattern, const LocalDateTime& t) {
    std::string out;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < pattern.size() && pattern[i + n] == c)
            ++n;
        return n;
    };
    while (i < pattern.size()) {
        const char c = pattern[i];
        const std::size_t n = run(c);
        switch (c) {
            case 'd':
                out += n >= 2 ? two(t.day) : std::to_string(t.day);
                break;
            case 'm':
                out += n >= 2 ? two(t.month) : std::to_string(t.month);
                break;
            case 'y':
                out += n >= 3 ? std::to_string(t.year) : two(t.year % 100);
                break;
            case 'h':
                out += n >= 2 ? two(t.hour) : std::to_string(t.hour);
                break;
            case 'n':
                out += n >= 2 ? two(t.minute) : std::to_string(t.minute);
                break;
            case 's':
                out += n >= 2 ? two(t.second) : std::to_string(t.second);
                break;
            default:
                out.append(n, c);
                break;
        }
        i += n;
    }
    return out;
}

std::string LocaleFormat::formatDate(const LocalDateTime& t) const {
    return formatPattern(shortDate, t);
}
std::string LocaleFormat::formatTime(const LocalDateTime& t) const {
    return formatPattern(longTime, t);
}
std::string LocaleFormat::formatDateTime(const LocalDateTime& t) const {
    return formatDate(t) + " " + formatTime(t);
}

}  // namespace velmor
