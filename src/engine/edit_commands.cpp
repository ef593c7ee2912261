#include "engine/edit_commands.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "engine/convert_error.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::engine {
namespace {

// The selection of `edit` within `text`, clamped to the text and widened so that
// neither end splits a double-byte character. An empty selection inside a character
// moves to the character's start.
void SelectionBounds(const EditControl& edit, std::string_view text, std::size_t& begin,
                     std::size_t& end) {
  begin = std::min(edit.SelStart(), text.size());
  end = begin + std::min(edit.SelLength(), text.size() - begin);
  const bool empty = begin == end;
  for (std::size_t i = 0, next = 0; i < end; i = next) {
    next = i + text::CharLength(text, i);
    if (i < begin && begin < next) begin = i;
    if (i < end && end < next) end = next;
  }
  if (empty) end = begin;
}

// The whole text as a decimal 32-bit integer with an optional sign.
bool ParseInt32(std::string_view s, std::int32_t& value) {
  std::string_view digits = s;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty()) return false;
  for (char c : digits)
    if (!text::IsDigit(static_cast<unsigned char>(c))) return false;
  // from_chars takes a '-' but no '+'.
  if (s.front() == '+') s.remove_prefix(1);
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

void WrapSelection(EditControl& edit, std::string_view prefix, platform::Host& host) {
  if (!edit.ReadOnly()) {
    const std::string text = edit.Text();
    std::size_t begin = 0, end = 0;
    SelectionBounds(edit, text, begin, end);

    std::string_view selected = std::string_view(text).substr(begin, end - begin);
    while (!selected.empty() && static_cast<unsigned char>(selected.front()) < 32)
      selected.remove_prefix(1);
    const std::string inserted = prefix == "["
                                     ? "[" + std::string(selected) + "]"
                                     : std::string(prefix) + std::string(selected) + ")";

    edit.BeginEdit();
    edit.SetText(text.substr(0, begin) + inserted + text.substr(end));
    edit.SetSelection(begin + inserted.size(), 0);
  }
  host.ClearClipboard();
}

void StepEditNumber(EditControl& edit, int step) {
  const std::string text = edit.Text();
  if (text.empty()) return;
  std::int32_t n = 0;
  if (!ParseInt32(text, n)) throw ConvertError(text);
  const std::int64_t result = std::int64_t{n} + step;
  if (result < std::numeric_limits<std::int32_t>::min() ||
      result > std::numeric_limits<std::int32_t>::max())
    throw ConvertError(text);
  edit.BeginEdit();
  edit.SetText(std::to_string(result));
}

}  // namespace takeoff::engine

