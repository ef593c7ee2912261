#pragma once
// Exact fixed-point numbers of the decimal fields: an integer count of 1/10000.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace takeoff::data {

// Values of decimal fields are held scaled by 10^4; their magnitude stays below 9e14.
inline constexpr std::int64_t kDecimalScale = 10000;
inline constexpr std::int64_t kDecimalLimit = 9'000'000'000'000'000'000;  // 9e14 * 10^4

// Rounds a scaled value (4 decimals) to d decimals (0..4), to the nearest, ties to even.
std::int64_t RoundScaled(std::int64_t scaled, int d);

// A number brought to 4 decimals (nearest, ties to even) and then to d decimals;
// nothing when it is not finite or its magnitude reaches 9e14.
std::optional<std::int64_t> DecimalFromDouble(double v, int d);

// A decimal text ("-12.345", "1.", ".5", optional surrounding spaces) read exactly,
// then rounded as DecimalFromDouble does; nothing when it is no number or out of range.
std::optional<std::int64_t> DecimalFromText(std::string_view text, int d);

double DecimalToDouble(std::int64_t scaled);

// The digits of a decimal field: exactly d decimals ("1.00", "-0.333", "12").
std::string DecimalToText(std::int64_t scaled, int d);

}  // namespace takeoff::data
