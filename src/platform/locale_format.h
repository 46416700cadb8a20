// Number and date formats of the user's locale: the decimal separator, the short date and long
// time.
#pragma once

#include <string>

#include "platform/event_loop.h"

namespace velmor {

struct LocaleFormat {
    char decimalSeparator = ',';
    char thousandSeparator = ' ';
    // Patterns in the program's own notation: d dd m mm yy yyyy for dates, h hh n nn s ss for
    // times.
    std::string shortDate = "dd.mm.yyyy";
    std::string longTime = "h:nn:ss";

    // Formats of the process locale (LC_NUMERIC and LC_TIME, as set up by setlocale).
    static LocaleFormat fromSystem();
    // Formats of a Russian system.
    static LocaleFormat russian() { return LocaleFormat{}; }

    // The "c" format: short date, a blank, long time.
    std::string formatDateTime(const LocalDateTime& t) const;
    std::string formatDate(const LocalDateTime& t) const;
    std::string formatTime(const LocalDateTime& t) const;
};

// Applies a pattern (see LocaleFormat) to a date and time.
std::string formatPattern(const std::string& pattern, const LocalDateTime& t);

}  // namespace velmor
