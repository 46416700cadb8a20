#include "platform/linux/modem_dialogue.h"

#include "platform/ras.h"

namespace velmor::modem {
namespace {

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The first run of digits in text, saturated at the largest 32-bit value.
std::uint32_t firstNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] < '0' || text[i] > '9'))
        ++i;
    std::uint64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace

AtResult parseAtResult(std::string_view line) {
    const std::string_view s = trimmed(line);
    AtResult r;
    const auto fail = [&](int code) {
        r.kind = AtResult::Kind::Failure;
        r.error = code;
        return r;
    };
    if (s == "OK") {
        r.kind = AtResult::Kind::Ok;
        return r;
    }
    if (s == "CONNECT" || s.starts_with("CONNECT ") || s.starts_with("CONNECT/")) {
        r.kind = AtResult::Kind::Connect;
        r.speed = firstNumber(s.substr(7));
        return r;
    }
    if (s == "BUSY") return fail(ras::kErrorLineBusy);
    if (s == "NO ANSWER") return fail(ras::kErrorNoAnswer);
    if (s == "NO CARRIER") return fail(ras::kErrorNoCarrier);
    if (s == "NO DIALTONE" || s == "NO DIAL TONE") return fail(ras::kErrorNoDialtone);
    if (s == "ERROR" || s.starts_with("+CME ERROR") || s.starts_with("+CMS ERROR")) {
        return fail(ras::kErrorHardwareFailure);
    }
    return r;
}

std::string dialCommand(std::string_view number) {
    std::string command = "ATD";
    for (const char c : number) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) command += c;
    }
    return command;
}

}  // namespace velmor::modem
