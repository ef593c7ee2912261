#pragma once
// One zlib stream (RFC 1950) at level 1 made on two cores: the input is cut in two,
// each half deflated on its own thread (the second primed with the last 32 KiB of the
// first), and the halves joined into one stream with the combined Adler-32.
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::workspace {

// The zlib stream of the concatenated parts; throws std::runtime_error when zlib fails.
std::string DeflateLevel1(const std::vector<std::string_view>& parts);

}  // namespace takeoff::workspace
