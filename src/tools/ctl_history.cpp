// velmorctl history: the daily history of the connections, as a table or as CSV.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "form/number_text.h"
#include "form/statistics.h"
#include "platform/codepage.h"
#include "platform/history_db.h"
#include "platform/locale_format.h"
#include "platform/paths.h"
#include "platform/terminal_text.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

// A CSV field: quoted where it holds a separator, a quote or a line end.
std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// A number with a point, whatever the locale, in at most ten significant digits ("1.25").
std::string pointNumber(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return std::string(buf, r.ptr);
}

// Left-aligned in width characters.
std::string padded(const std::string& s, std::size_t width) {
    const std::size_t n = utf8Length(s);
    return n >= width ? s + " " : s + std::string(width - n, ' ');
}

}  // namespace

int runHistory(const Args& args) {
    std::string entry;
    bool csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--entry" && i + 1 < args.size()) {
            entry = args[++i];
        } else if (args[i] == "--csv") {
            csv = true;
        } else {
            std::fprintf(stderr, "usage: velmorctl history [--entry NAME] [--csv]\n");
            return kBadInput;
        }
    }
    HistoryDb db(historyFile());
    const auto records = db.read(entry, "");
    if (!records) {
        std::fprintf(stderr, "velmorctl: %s\n", db.error().c_str());
        return 1;
    }
    TerminalText terminal;
    std::string out;
    if (csv) {
        // For programs: whole seconds and kilobytes (of 1000 bytes), money with a point.
        out = "day,entry,seconds,received_kb,sent_kb,money,connections\n";
        for (const HistoryRecord& r : *records) {
            out += r.day + "," + csvField(r.entry) + "," + std::to_string(r.seconds) + "," +
                   std::to_string(r.received) + "," + std::to_string(r.sent) + "," +
                   pointNumber(r.money) + "," + std::to_string(r.connections) + "\n";
        }
    } else {
        // As the statistics pages show the figures.
        const char sep = LocaleFormat::fromSystem().decimalSeparator;
        std::size_t width = utf8Length("Соединение");
        for (const HistoryRecord& r : *records)
            width = std::max(width, utf8Length(r.entry));
        out = padded("День", 12) + padded("Соединение", width + 2) + padded("На линии", 13) +
              padded("Получено/отправлено, Мб", 26) + padded("Деньги", 10) + "Соединений\n";
        for (const HistoryRecord& r : *records) {
            out += padded(r.day, 12) + padded(r.entry, width + 2) +
                   padded(durationText(r.seconds), 13) +
                   padded(trafficText({r.received, r.sent}, sep), 26) +
                   padded(moneyText(r.money, sep), 10) + std::to_string(r.connections) + "\n";
        }
    }
    const std::string text = terminal(out);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace velmor::ctl
