#include "engine/naming.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "engine/convert_error.h"
#include "text/gbk.h"

namespace takeoff::engine {

std::string NextName(std::string_view name, std::string_view prefix) {
  // Digits are never the second byte of a double-byte character, so the trailing
  // run can be found byte by byte from the end.
  std::size_t cut = name.size();
  while (cut > 0 && text::IsDigit(static_cast<unsigned char>(name[cut - 1]))) --cut;
  const std::string_view digits = name.substr(cut);

  std::int32_t n = 0;
  if (!digits.empty()) {
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size()) throw ConvertError(digits);
  }
  if (n == std::numeric_limits<std::int32_t>::max()) throw ConvertError(digits);

  const std::string_view stem = cut > 0 ? name.substr(0, cut) : prefix;
  return std::string(stem) + std::to_string(n + 1);
}

void PushRecent(std::vector<std::string>& list, std::string_view t, std::size_t max) {
  if (t.empty()) return;
  auto it = std::find(list.begin(), list.end(), t);
  if (it != list.end()) {
    std::rotate(list.begin(), it, it + 1);
    return;
  }
  list.insert(list.begin(), std::string(t));
  if (list.size() > max) list.resize(max);
}

std::string QuoteDouble(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (char c : t) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

}  // namespace takeoff::engine
