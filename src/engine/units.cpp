#include "engine/units.h"

#include <utility>
#include <vector>

#include "text/gbk.h"

namespace takeoff::engine {
namespace {

struct UnitName {
  std::string Text;  // code page 936
  std::uint8_t Class;
};

// The recognised unit texts, in the order they are compared.
const std::vector<UnitName>& UnitNames() {
  static const std::vector<UnitName> names = [] {
    const std::pair<std::uint8_t, std::vector<const char*>> lists[] = {
        {kUnitLength, {"米", "m", "M", "公尺", "延长m", "延长M", "延长米"}},
        {kUnitArea, {"平米", "平方", "平方米", "m2", "M2", "平方公尺"}},
        {kUnitVolume, {"立米", "立方", "立方米", "m3", "M3", "立方公尺"}},
        {kUnitKilograms, {"公斤", "千克", "kg", "KG"}},
        {kUnitTonnes, {"吨", "T", "t"}},
        {kUnitPieces, {"件", "只", "个", "套"}},
        {kUnitPairs, {"副", "付", "双", "对"}},
        {kUnitDays, {"天", "日", "日历天", "工作日", "昼夜"}},
        {kUnitLabourDays, {"工", "工日", "人工", "劳动日", "工.日", "工.天"}},
    };
    std::vector<UnitName> out;
    for (const auto& [cls, texts] : lists)
      for (const char* t : texts) out.push_back({text::Gbk(t), cls});
    return out;
  }();
  return names;
}

}  // namespace

std::string UnitScale(std::string_view unit) {
  std::string scale = "1";
  if (!unit.empty() && unit[0] == '1')
    for (std::size_t i = 1; i < unit.size() && unit[i] == '0'; ++i) scale += '0';
  return scale;
}

std::uint8_t UnitClass(std::string_view unit) {
  if (unit.starts_with("10")) unit.remove_prefix(2);
  while (!unit.empty() && unit.front() == '0') unit.remove_prefix(1);
  for (const UnitName& n : UnitNames())
    if (unit == n.Text) return n.Class;
  return unit.empty() ? kUnitEmpty : kUnitUnknown;
}

void ConvertToQuotaUnit(std::string_view danw, std::string& dw, std::string& bds) {
  const std::string q = UnitScale(danw);
  const std::string r = UnitScale(dw);
  if (!bds.empty() && q != r && q != "1") {
    const std::string rt = r != "1" ? "*" + r : std::string();
    static const std::string mark = text::Gbk("[!单位换算]");
    bds = "(" + bds + ")" + rt + "/" + q + mark;
  }
  dw = std::string(danw);
}

}  // namespace takeoff::engine
