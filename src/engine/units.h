#pragma once
// Units of measure: their class and their decimal scale prefix ("100m2" is area at
// scale 100), and the rescaling of a formula when a quota item is assigned.
#include <cstdint>
#include <string>
#include <string_view>

namespace takeoff::engine {

// Unit classes. Two units measure the same kind when their codes are equal; the
// codes carry no order.
enum : std::uint8_t {
  kUnitUnknown = 0,
  kUnitLength = 1,
  kUnitArea = 2,
  kUnitVolume = 3,
  kUnitPieces = 4,
  kUnitPairs = 5,
  kUnitDays = 6,
  kUnitLabourDays = 7,
  kUnitKilograms = 8,
  kUnitTonnes = 9,
  kUnitEmpty = 255,
};

// The scale prefix of a unit as a text: "1" followed by the zeros that follow a
// leading '1' ("100m2" -> "100", "m3" -> "1", "1m3" -> "1").
std::string UnitScale(std::string_view unit);

// The class of a unit after dropping a scale prefix: a leading "10" and then every
// leading '0' ("1000m3" -> volume). Texts are compared exactly, case-sensitively.
std::uint8_t UnitClass(std::string_view unit);

// Assigns the unit of a quota item (`danw`) to a calculation record (`dw`, `bds`).
// When the formula is not empty and the quota unit carries a scale other than 1 and
// other than the record's, the formula is rescaled: "(F)*r/q[!单位换算]".
void ConvertToQuotaUnit(std::string_view danw, std::string& dw, std::string& bds);

}  // namespace takeoff::engine
