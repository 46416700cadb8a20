// Numbers as the form shows them and the settings file writes and reads them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// Fixed notation with the given number of decimals and decimal separator ("1,46").
std::string formatFixed(double v, int decimals, char decimalSeparator);

// A line speed in kilobits per second (1000 bits) from bits per second: the exact value with the
// locale's decimal separator and no trailing zeros ("33,6", "64", "37,333").
std::string kilobitsText(std::uint64_t bitsPerSecond, char decimalSeparator);
// The line speed as the window, the log and the balloons tell it: "Скорость 33,6 Кбит/с".
std::string lineSpeedText(std::uint64_t bitsPerSecond, char decimalSeparator);

// The general format with up to 15 significant digits: "1,8", "0,0005", "1E-5", "1E20".
std::string formatReal(double v, char decimalSeparator);

// A floating-point text: optional sign, digits with "," or "." as decimal separator, optional
// exponent. Blanks around it are allowed. Empty when the text is not a number.
std::optional<double> parseReal(std::string_view text);

// A decimal integer with an optional sign, within 64 bits. Empty when the text is not one.
std::optional<std::int64_t> parseDecimal(std::string_view text);

// The settings file's lenient integer: decimal, or hexadecimal after "0x"; the default otherwise.
std::int64_t parseIntOr(std::string_view text, std::int64_t def);

// The conversion errors, as the program shows them (without the full stop).
std::string notAnIntegerMessage(std::string_view text);
std::string notAFloatMessage(std::string_view text);

}  // namespace velmor
