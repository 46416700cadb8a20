#include "form/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmor {
namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string formatFixed(double v, int decimals, char decimalSeparator) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) {
        s.erase(0, 1);  // no "-0,00"
    }
    for (char& c : s) {
        if (c == '.') c = decimalSeparator;
    }
    return s;
}

std::string kilobitsText(std::uint64_t bitsPerSecond, char decimalSeparator) {
    std::string s = std::to_string(bitsPerSecond / 1000);
    std::string fraction = std::to_string(bitsPerSecond % 1000 + 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty()) s += decimalSeparator + fraction;
    return s;
}

std::string lineSpeedText(std::uint64_t bitsPerSecond, char decimalSeparator) {
    return "Скорость " + kilobitsText(bitsPerSecond, decimalSeparator) + " Кбит/с";
}

std::string formatReal(double v, char decimalSeparator) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string s = buf;
    const auto e = s.find('E');
    if (e != std::string::npos) {
        // "1.5E-07" -> "1.5E-7", "1E+20" -> "1E20"
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e + 1);
        bool neg = false;
        if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
            neg = exp[0] == '-';
            exp.erase(0, 1);
        }
        const auto nz = exp.find_first_not_of('0');
        exp = nz == std::string::npos ? "0" : exp.substr(nz);
        s = mant + "E" + (neg ? "-" : "") + exp;
    }
    for (char& c : s) {
        if (c == '.') c = decimalSeparator;
    }
    return s;
}

std::optional<double> parseReal(std::string_view text) {
    const std::string_view t = trimmed(text);
    std::string norm;
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') norm += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) {
        norm += t[i++];
        ++digits;
    }
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        norm += '.';
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            norm += t[i++];
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) norm += t[i++];
        std::size_t expDigits = 0;
        while (i < t.size() && isDigit(t[i])) {
            norm += t[i++];
            ++expDigits;
        }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    double v = 0;
    const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (res.ec != std::errc() || res.ptr != norm.data() + norm.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::int64_t> parseDecimal(std::string_view text) {
    std::string_view t = trimmed(text);
    bool neg = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        neg = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    std::uint64_t mag = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), mag);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return std::nullopt;
    constexpr std::uint64_t kMaxPos = 9223372036854775807ULL;
    if (neg) {
        if (mag > kMaxPos + 1) return std::nullopt;
        return mag == kMaxPos + 1 ? INT64_MIN : -static_cast<std::int64_t>(mag);
    }
    if (mag > kMaxPos) return std::nullopt;
    return static_cast<std::int64_t>(mag);
}

std::int64_t parseIntOr(std::string_view text, std::int64_t def) {
    std::string_view t = trimmed(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        std::uint64_t v = 0;
        const auto body = t.substr(2);
        const auto res = std::from_chars(body.data(), body.data() + body.size(), v, 16);
        if (res.ec != std::errc() || res.ptr != body.data() + body.size()) return def;
        return static_cast<std::int64_t>(v);
    }
    return parseDecimal(t).value_or(def);
}

std::string notAnIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::string notAFloatMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid floating point value";
}

}  // namespace velmor
