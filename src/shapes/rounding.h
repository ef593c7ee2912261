#pragma once
// Rounding of coordinates: to the nearest integer, ties to the even neighbour, then
// clamped into the integer type that holds them (never wrapped).
#include <cstdint>

namespace takeoff::shapes {

// Nearest integer, ties to even, whatever the floating-point rounding mode; NaN and
// infinities come back unchanged.
double RoundToEven(double v);

// Rounded and clamped to 0..255; NaN gives 0.
std::uint8_t RoundToByte(double v);
// Rounded and clamped to the 32-bit range; NaN gives 0.
std::int32_t RoundToInt32(double v);
// Rounded and clamped to the range of int; NaN gives 0.
int RoundToInt(double v);

}  // namespace takeoff::shapes
