#pragma once
// Names in a series, history lists and quoting for look-up texts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::engine {

// The name after `name` in its series: the trailing digits (default 0) plus one,
// after the rest of the name, or after `prefix` when the name is only digits or
// empty ("M1" -> "M2", "C" -> "C1", "M09" -> "M10", "12" -> prefix + "13").
// Throws ConvertError when the digits do not fit a 32-bit integer or the next
// number would not.
std::string NextName(std::string_view name, std::string_view prefix);

// Moves `t` to the front of the most-recent-first `list`, inserting it when it is
// new and then dropping entries from the end beyond `max`. An empty `t` is ignored.
void PushRecent(std::vector<std::string>& list, std::string_view t, std::size_t max);

// Doubles every single quote, for a text put between quotes in a filter or look-up.
std::string QuoteDouble(std::string_view t);

}  // namespace takeoff::engine
