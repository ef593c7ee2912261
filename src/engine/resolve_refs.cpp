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

namespace {

// Whether `s` holds open + name + close ("$[" name "]"), found without building the
// reference text: most formulas mention few of the many cached names.
bool Mentions(std::string_view s, std::string_view open, std::string_view name, std::string_view close) {
  if (name.empty()) return s.find(std::string(open) + std::string(close)) != std::string_view::npos;
  for (std::size_t at = s.find(name); at != std::string_view::npos; at = s.find(name, at + 1)) {
    if (at >= open.size() && s.compare(at - open.size(), open.size(), open) == 0 &&
        s.compare(at + name.size(), close.size(), close) == 0)
      return true;
  }
  return false;
}

}  // namespace

std::string_view ResolveRefs(std::string_view formula, const std::vector<ValRecords>& variables,
                             const std::vector<ValWinRecords>& openings, std::string& buffer) {
  const bool vars = formula.find('$') != std::string_view::npos;
  const bool wins = formula.find('&') != std::string_view::npos;
  if (!vars && !wins) return formula;
  buffer.assign(formula);
  if (vars) {
    for (const ValRecords& v : variables)
      if (Mentions(buffer, "$[", v.Name, "]")) ReplaceAll(buffer, "$[" + v.Name + "]", FormatNumberText(v.Val));
  }
  if (wins) {
    for (const ValWinRecords& w : openings) {
      if (!Mentions(buffer, "&[", w.Name, "_")) continue;
      const std::string head = "&[" + w.Name + "_";
      const std::pair<const char*, double> parts[] = {{"S]", w.S}, {"H]", w.H}, {"W1]", w.W1}, {"W2]", w.W2}, {"L]", w.L}};
      for (const auto& [suffix, value] : parts) {
        const std::string reference = head + suffix;
        if (buffer.find(reference) != std::string::npos) ReplaceAll(buffer, reference, FormatNumberText(value));
      }
    }
  }
  return buffer;
}

std::string ResolveRefs(std::string_view formula, const std::vector<ValRecords>& variables,
                        const std::vector<ValWinRecords>& openings) {
  std::string buffer;
  return std::string(ResolveRefs(formula, variables, openings, buffer));
}

}  // namespace takeoff::engine
