#include "platform/linux/modem_mobile.h"

#include <cstdlib>

namespace velmor::modem {
namespace {

// The value of the first line that starts with prefix ("+CPIN:"), blanks dropped; empty when none.
std::string valueOf(const std::vector<std::string>& lines, std::string_view prefix) {
    for (const std::string& line : lines) {
        if (!std::string_view(line).starts_with(prefix)) continue;
        std::string_view v = std::string_view(line).substr(prefix.size());
        while (!v.empty() && v.front() == ' ')
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\r'))
            v.remove_suffix(1);
        return std::string(v);
    }
    return {};
}

// The comma-separated fields of a value, quotes and the blanks outside them taken off.
std::vector<std::string> fields(std::string_view value) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (const char c : value) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else if (c != ' ' || quoted) {
            out.back() += c;
        }
    }
    return out;
}

int number(const std::string& text) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? -1 : static_cast<int>(v);
}

Verdict refused(std::string_view question, const AtResult& result) {
    if (result.kind == AtResult::Kind::None) {
        return {false, "Модем не ответил на " + std::string(question) + "."};
    }
    const std::string meaning = resultMeaning(result.text);
    return {false, "Модем ответил " + result.text + " на " + std::string(question) + "." +
                       (meaning.empty() ? "" : " " + meaning)};
}

Verdict registration(const std::vector<std::string>& lines, std::string_view prefix,
                     const std::string& network) {
    const auto f = fields(valueOf(lines, prefix));
    // "+CREG: n,stat[,...]" as asked; "+CREG: stat" from modems that leave n out.
    const int stat = number(f.size() >= 2 ? f[1] : f[0]);
    switch (stat) {
        case 1:
            return {true, network + ": модем зарегистрирован в домашней сети."};
        case 5:
            return {true,
                    network + ": модем зарегистрирован в роуминге (звонки могут быть дороже)."};
        case 2:
            return {false, network +
                               ": модем ищет сеть. Подождите минуту или найдите место, где "
                               "сигнал лучше."};
        case 3:
            return {false, network +
                               ": оператор отказал в регистрации. Проверьте, что SIM-карта "
                               "активна и на счёте есть деньги."};
        case 0:
            return {false, network +
                               ": модем не зарегистрирован и сеть не ищет. Проверьте "
                               "SIM-карту и что модем не выключен (AT+CFUN=1)."};
        default:
            return {false, network + ": состояние регистрации неизвестно (" +
                               valueOf(lines, prefix) + ")."};
    }
}

}  // namespace

bool isMobileNumber(std::string_view number) {
    return number.find("*99") != std::string_view::npos;
}

const std::vector<std::string>& mobileQuestions() {
    static const std::vector<std::string> questions = {"AT+CPIN?", "AT+CGDCONT?", "AT+CREG?",
                                                       "AT+CGREG?", "AT+CSQ"};
    return questions;
}

Verdict explainMobileAnswer(std::string_view question, const std::vector<std::string>& lines,
                            const AtResult& result) {
    if (result.kind != AtResult::Kind::Ok) return refused(question, result);
    if (question == "AT+CPIN?") {
        const std::string v = valueOf(lines, "+CPIN:");
        if (v == "READY") return {true, "SIM-карта готова."};
        if (v == "SIM PIN") return {false, simPinText()};
        if (v == "SIM PUK") return {false, simPukText()};
        return {false, "SIM-карта ждёт: " + (v.empty() ? std::string("?") : v) + "."};
    }
    if (question == "AT+CGDCONT?") {
        for (const std::string& line : lines) {
            if (!line.starts_with("+CGDCONT:")) continue;
            const auto f = fields(std::string_view(line).substr(9));
            if (f.size() >= 3 && !f[2].empty()) {
                return {true, "Точка доступа (APN): " + f[2] + " (контекст " + f[0] + ")."};
            }
        }
        return {false,
                "Точка доступа (APN) не задана. Впишите в поле «Инициализация 3» строку "
                "AT+CGDCONT=1,\"IP\",\"APN\", где APN - точка доступа оператора (например, "
                "internet)."};
    }
    if (question == "AT+CREG?") return registration(lines, "+CREG:", "Сеть");
    if (question == "AT+CGREG?") return registration(lines, "+CGREG:", "Передача данных");
    if (question == "AT+CSQ") {
        const auto f = fields(valueOf(lines, "+CSQ:"));
        const int rssi = number(f[0]);
        if (rssi < 0 || rssi > 31) {
            return {false,
                    "Сигнала нет (или модем его не знает). Проверьте антенну и покрытие "
                    "сети оператора."};
        }
        const std::string dbm = std::to_string(-113 + 2 * rssi) + " дБм";
        if (rssi < 10) return {true, "Сигнал слабый: " + dbm + "; связь может рваться."};
        if (rssi < 15) return {true, "Сигнал средний: " + dbm + "."};
        return {true, "Сигнал хороший: " + dbm + "."};
    }
    return {true, std::string(question)};
}

}  // namespace velmor::modem
