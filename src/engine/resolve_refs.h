#pragma once
// Replacing variable and opening references in a formula by their values.
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::engine {

// An entry of the variable cache.
struct ValRecords {
  std::string Name;
  double Val = 0;
};

// An entry of the opening cache: area, height, the two widths and the side length.
struct ValWinRecords {
  std::string Name;
  double S = 0, H = 0, W1 = 0, W2 = 0, L = 0;
};

// Replaces every $[name] of a listed variable, then every &[name_S], &[name_H],
// &[name_W1], &[name_W2] and &[name_L] of a listed opening, by the value's number
// text. References left over are undefined; the evaluator reports them.
std::string ResolveRefs(std::string_view formula, const std::vector<ValRecords>& variables,
                        const std::vector<ValWinRecords>& openings);
// The same without a copy when nothing is referenced: returns `formula` itself, or
// `buffer` holding the replaced text. A value is formatted only when it is used.
std::string_view ResolveRefs(std::string_view formula, const std::vector<ValRecords>& variables,
                             const std::vector<ValWinRecords>& openings, std::string& buffer);

// Replaces every occurrence of `what` in `s` by `with`, left to right, without
// reading the inserted text again.
void ReplaceAll(std::string& s, std::string_view what, std::string_view with);

}  // namespace takeoff::engine
