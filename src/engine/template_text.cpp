#include "engine/template_text.h"

#include "engine/resolve_refs.h"
#include "text/gbk.h"

namespace takeoff::engine {
namespace {

constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string WrapSigned(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (value.empty()) return "0";
  while (!value.empty() && value.front() == '+') value.remove_prefix(1);
  // '+' and '-' never occur as second bytes of double-byte characters.
  if (value.find_first_of("+-") != std::string_view::npos) return "(" + std::string(value) + ")";
  return std::string(value);
}

std::string ParameterToken(std::string_view code) {
  std::string token = "@" + std::string(code);
  if (code.size() == 1) token += '0';
  return token;
}

std::string FillTemplate(std::string_view tmpl, const std::vector<std::string>& values,
                         const std::vector<std::string>& labels, bool withLabels) {
  std::string out(tmpl);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string_view label = i < labels.size() ? std::string_view(labels[i]) : std::string_view();
    // Brackets are looked for as characters: the second byte of a double-byte
    // character in the label may have the value of '[' or ']'.
    const std::size_t open = text::FindChar(label, '[');
    const std::size_t close = text::FindChar(label, ']');
    std::string_view key;
    if (open != std::string_view::npos && close != std::string_view::npos && close > open)
      key = label.substr(open + 1, close - open - 1);
    const std::string placeholder = ParameterToken(key);

    std::string replacement = WrapSigned(values[i]);
    if (withLabels) replacement = "[" + std::string(label.substr(0, open)) + "]" + replacement;
    ReplaceAll(out, placeholder, replacement);
  }
  return out;
}

}  // namespace takeoff::engine
