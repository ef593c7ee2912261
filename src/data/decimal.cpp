#include "data/decimal.h"

#include <cmath>
#include <cstdlib>

namespace takeoff::data {
namespace {

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

// q = n / div rounded to the nearest integer, ties to even (div > 0).
std::int64_t DivideHalfEven(std::int64_t n, std::int64_t div) {
  std::int64_t q = n / div, r = n % div;
  if (r < 0) r = -r;
  const std::int64_t twice = 2 * r;
  if (twice > div || (twice == div && (q % 2) != 0)) q += n < 0 ? -1 : 1;
  return q;
}

bool InRange(std::int64_t scaled) { return scaled > -kDecimalLimit && scaled < kDecimalLimit; }

}  // namespace

std::int64_t RoundScaled(std::int64_t scaled, int d) {
  if (d >= 4) return scaled;
  if (d < 0) d = 0;
  const std::int64_t unit = kPow10[4 - d];
  return DivideHalfEven(scaled, unit) * unit;
}

std::optional<std::int64_t> DecimalFromDouble(double v, int d) {
  if (!std::isfinite(v) || std::fabs(v) >= 9e14) return std::nullopt;
  // nearbyint rounds ties to even in the default rounding mode.
  const long double scaled = std::nearbyint(static_cast<long double>(v) * kDecimalScale);
  const auto s = static_cast<std::int64_t>(scaled);
  if (!InRange(s)) return std::nullopt;
  return RoundScaled(s, d);
}

std::optional<std::int64_t> DecimalFromText(std::string_view text, int d) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::int64_t whole = 0;
  std::int64_t fraction = 0;  // the first 5 decimals: four kept, one to round with
  int decimals = 0;
  bool sticky = false;        // a nonzero digit beyond the fifth decimal
  bool digits = false, point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (!point) {
        whole = whole * 10 + (c - '0');
        if (whole >= 900'000'000'000'000) return std::nullopt;
      } else if (decimals < 5) {
        fraction = fraction * 10 + (c - '0');
        ++decimals;
      } else if (c != '0') {
        sticky = true;
      }
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  while (decimals < 5) fraction *= 10, ++decimals;
  // Round the fifth decimal away: nearest, ties to even (a sticky digit breaks the tie).
  std::int64_t scaled = whole * kDecimalScale + fraction / 10;
  const std::int64_t fifth = fraction % 10;
  if (fifth > 5 || (fifth == 5 && (sticky || scaled % 2 != 0))) ++scaled;
  if (negative) scaled = -scaled;
  if (!InRange(scaled)) return std::nullopt;
  return RoundScaled(scaled, d);
}

double DecimalToDouble(std::int64_t scaled) {
  return static_cast<double>(static_cast<long double>(scaled) / kDecimalScale);
}

std::string DecimalToText(std::int64_t scaled, int d) {
  if (d < 0) d = 0;
  if (d > 4) d = 4;
  const bool negative = scaled < 0;
  const std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string out = negative && mag != 0 ? "-" : "";
  out += std::to_string(mag / kDecimalScale);
  if (d > 0) {
    std::string frac = std::to_string(mag % kDecimalScale);
    frac.insert(0, 4 - frac.size(), '0');
    out += "." + frac.substr(0, static_cast<std::size_t>(d));
  }
  return out;
}

}  // namespace takeoff::data
