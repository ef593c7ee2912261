#include "engine/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace takeoff::engine {

std::string FormatNumberText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // Round to 15 significant digits: "d.ddddddddddddddE+xx".
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14E", std::fabs(value));
  std::string digits;
  digits += buf[0];
  digits.append(buf + 2, 14);
  int exponent = std::atoi(buf + 17);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = value < 0 ? "-" : "";
  if (exponent < -4 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits + std::string(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return out;
}

}  // namespace takeoff::engine
