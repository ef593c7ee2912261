#pragma once
#include <string>

namespace takeoff::engine {

// A number as the system writes it into texts: at most 15 significant digits, no
// trailing zeros, '.' as decimal point; scientific form ("5E-5", "1.5E20") below
// 0.0001 in magnitude or from 16 digits before the point on.
std::string FormatNumberText(double value);

}  // namespace takeoff::engine
