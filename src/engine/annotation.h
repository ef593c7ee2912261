#pragma once
// The drawing and axis annotation of a calculation record.
#include <string>
#include <string_view>

namespace takeoff::engine {

// "TU TH>>AX1-AX2|AX3-AX4:BDSZS" with the empty parts left out: "-AX2" only with
// AX2, "-AX4" only with AX4, the drawing part only with TU, the ':' only when both
// axes and note are present. A lone two-byte axis label is dropped with its bar
// ("①|" and "|⑤" give nothing, "①|⑤" gives "⑤").
std::string AnnotationText(std::string_view tu, std::string_view th, std::string_view ax1,
                           std::string_view ax2, std::string_view ax3, std::string_view ax4,
                           std::string_view bdszs);

// The annotation as the summary appends it: ":{annotation}", or "" when there is none.
std::string AnnotationTag(std::string_view tu, std::string_view th, std::string_view ax1,
                          std::string_view ax2, std::string_view ax3, std::string_view ax4,
                          std::string_view bdszs);

}  // namespace takeoff::engine
