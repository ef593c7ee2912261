#include "engine/resolve_refs.h"

#include "engine/number_text.h"

namespace takeoff::engine {

void ReplaceAll(std::string& s, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  std::size_t at = s.find(what);
  if (at == std::string::npos) return;
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  for (; at != std::string::npos; at = s.find(what, from)) {
    out.append(s, from, at - from);
    out += with;
    from = at + what.size();
  }
  out.append(s, from, std::string::npos);
  s = std::move(out);
}

std::string ResolveRefs(std::string_view formula, const std::vector<ValRecords>& variables,
                        const std::vector<ValWinRecords>& openings) {
  std::string s(formula);
  if (s.find('$') != std::string::npos) {
    for (const ValRecords& v : variables) ReplaceAll(s, "$[" + v.Name + "]", FormatNumberText(v.Val));
  }
  if (s.find('&') != std::string::npos) {
    for (const ValWinRecords& w : openings) {
      const std::string head = "&[" + w.Name + "_";
      ReplaceAll(s, head + "S]", FormatNumberText(w.S));
      ReplaceAll(s, head + "H]", FormatNumberText(w.H));
      ReplaceAll(s, head + "W1]", FormatNumberText(w.W1));
      ReplaceAll(s, head + "W2]", FormatNumberText(w.W2));
      ReplaceAll(s, head + "L]", FormatNumberText(w.L));
    }
  }
  return s;
}

}  // namespace takeoff::engine
