#include "engine/annotation.h"

namespace takeoff::engine {

std::string AnnotationText(std::string_view tu, std::string_view th, std::string_view ax1,
                           std::string_view ax2, std::string_view ax3, std::string_view ax4,
                           std::string_view bdszs) {
  std::string s(ax1);
  if (!ax2.empty()) (s += '-') += ax2;
  (s += '|') += ax3;
  if (!ax4.empty()) (s += '-') += ax4;

  // Byte positions on purpose: an axis label is one two-byte character, so a bar at
  // byte 2 (or 3 from the end) means a lone label next to it.
  if (s == "|") {
    s.clear();
  } else if (s.size() >= 3 && s[2] == '|') {
    s.erase(0, 3);
  } else if (s.size() >= 3 && s[s.size() - 3] == '|') {
    s.erase(s.size() - 3);
  }

  if (s.empty()) {
    s = bdszs;
  } else if (!bdszs.empty()) {
    (s += ':') += bdszs;
  }
  if (!tu.empty()) s = std::string(tu) + std::string(th) + ">>" + s;
  return s;
}

std::string AnnotationTag(std::string_view tu, std::string_view th, std::string_view ax1,
                          std::string_view ax2, std::string_view ax3, std::string_view ax4,
                          std::string_view bdszs) {
  std::string a = AnnotationText(tu, th, ax1, ax2, ax3, ax4, bdszs);
  return a.empty() ? a : ":{" + a + "}";
}

}  // namespace takeoff::engine
