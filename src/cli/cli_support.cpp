#include "cli/cli_support.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "text/gbk.h"

namespace takeoff::cli {

std::string ArgToGbk(std::string_view utf8, std::string_view what) {
  try {
    return text::Utf8ToCp936(utf8);
  } catch (const text::ConversionError& e) {
    throw UsageError(std::string(what) + ": " + e.what());
  }
}

std::string ShowText(std::string_view gbk) {
  std::string out;
  for (char c : text::Cp936ToUtf8Lossy(gbk)) {
    if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

double ParseNumber(std::string_view text, std::string_view what) {
  std::string s(text);
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(s.c_str(), &end);
  if (s.empty() || end != s.c_str() + s.size() || !std::isfinite(v))
    throw UsageError(std::string(what) + ": not a number: " + s);
  return v;
}

}  // namespace takeoff::cli
