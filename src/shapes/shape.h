#pragma once
// A stored shape in its compact form: polyline points, elliptical arcs and dimension
// marks in a design box of 120 x 120 units (origin top left, Y downwards).
#include <cstdint>
#include <string>
#include <vector>

namespace takeoff::shapes {

inline constexpr int kDesignBox = 120;
inline constexpr std::size_t kMaxLabelBytes = 2;  // one Chinese character or two ASCII characters

// One point of a polyline.
struct TLineRecAR {
  bool Dotted = false;
  bool PenDown = false;  // false: move to the point; true: draw from the previous point to it
  std::uint8_t X = 0;
  std::uint8_t Y = 0;
  bool operator==(const TLineRecAR&) const = default;
};

// One elliptical arc: the ellipse inscribed in (X1, Y1)-(X2, Y2), counter-clockwise
// from the ray through (X3, Y3) to the ray through (X4, Y4).
struct TArcRecAR {
  bool Dotted = false;
  std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::int32_t X3 = 0, Y3 = 0, X4 = 0, Y4 = 0;
  bool operator==(const TArcRecAR&) const = default;
};

// One dimension mark from (X1, Y1) to (X2, Y2) with its label (code page 936, at
// most kMaxLabelBytes; a longer text is cut without splitting a double-byte character).
struct TDimRecAR {
  std::uint8_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::string Label;
  bool operator==(const TDimRecAR&) const = default;
};

struct Shape {
  std::vector<TLineRecAR> Lines;
  std::vector<TArcRecAR> Arcs;
  std::vector<TDimRecAR> Dims;
  bool operator==(const Shape&) const = default;
};

}  // namespace takeoff::shapes
