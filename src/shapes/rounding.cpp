#include "shapes/rounding.h"

#include <cmath>
#include <limits>

namespace takeoff::shapes {

namespace {

template <typename T>
T RoundClamped(double v) {
  if (std::isnan(v)) return 0;
  const double r = RoundToEven(v);
  constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (r <= lo) return std::numeric_limits<T>::min();
  if (r >= hi) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

}  // namespace

double RoundToEven(double v) {
  if (!std::isfinite(v)) return v;
  const double f = std::floor(v);
  const double d = v - f;
  if (d > 0.5) return f + 1;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::uint8_t RoundToByte(double v) { return RoundClamped<std::uint8_t>(v); }
std::int32_t RoundToInt32(double v) { return RoundClamped<std::int32_t>(v); }
int RoundToInt(double v) { return RoundClamped<int>(v); }

}  // namespace takeoff::shapes
