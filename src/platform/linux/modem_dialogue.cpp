#include "platform/linux/modem_dialogue.h"

#include <algorithm>
#include <cctype>

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
    r.text = std::string(s);
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
    if (s == "VOICE") return fail(ras::kErrorVoiceAnswer);
    if (s == "DELAYED" || s.starts_with("DELAYED ") || s == "BLACKLISTED" ||
        s == "DIALING LOCKED") {
        return fail(ras::kErrorFromDevice);
    }
    if (s == "NO ANSWER") return fail(ras::kErrorNoAnswer);
    if (s == "NO CARRIER") return fail(ras::kErrorNoCarrier);
    if (s == "NO DIALTONE" || s == "NO DIAL TONE") return fail(ras::kErrorNoDialtone);
    if (s == "ERROR" || s.starts_with("+CME ERROR") || s.starts_with("+CMS ERROR")) {
        return fail(ras::kErrorHardwareFailure);
    }
    return r;
}

std::string resultMeaning(std::string_view resultText) {
    const std::string_view s = trimmed(resultText);
    if (s == "VOICE") return "Ответил голос, а не модем: проверьте номер.";
    if (s.starts_with("DELAYED")) {
        return "Модем не набирает этот номер до конца паузы, которую он выдерживает после "
               "нескольких неудачных звонков подряд.";
    }
    if (s == "BLACKLISTED" || s == "DIALING LOCKED") {
        return "Модем после неудачных звонков запретил набор этого номера; запрет снимается, "
               "когда модем выключают и включают снова.";
    }
    if (!s.starts_with("+CME ERROR")) return {};
    std::string_view what = trimmed(s.substr(10));
    if (what.starts_with(":")) what = trimmed(what.substr(1));
    // The verbose form (any case) or the numeric one.
    const auto is = [&](std::string_view text, std::string_view number) {
        if (what == number) return true;
        if (what.size() < text.size()) return false;
        return std::equal(text.begin(), text.end(), what.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    if (is("SIM not inserted", "10")) return "В модеме нет SIM-карты.";
    if (is("SIM PIN required", "11")) return simPinText();
    if (is("SIM PUK required", "12")) return simPukText();
    if (is("SIM failure", "13") || is("SIM wrong", "15")) {
        return "SIM-карта неисправна или не подходит к модему.";
    }
    if (is("SIM busy", "14")) return "SIM-карта занята: повторите через несколько секунд.";
    if (is("incorrect password", "16")) return "Неверный PIN-код.";
    if (is("no network service", "30") || is("network timeout", "31")) {
        return "Модем не видит сеть оператора.";
    }
    return {};
}

std::string simPukText() {
    return "SIM-карта заблокирована: нужен PUK-код. Разблокируйте её в телефоне.";
}

std::string simPinText() {
    return "SIM-карта ждёт PIN-код. Введите его сами: строкой AT+CPIN=\"код\" в поле "
           "«Инициализация 3» на время звонка или один раз в терминале, либо отключите запрос "
           "PIN в телефоне. Velmor код не хранит.";
}

std::string dialCommand(std::string_view number) {
    std::string command = "ATD";
    for (const char c : number) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) command += c;
    }
    return command;
}

}  // namespace velmor::modem
