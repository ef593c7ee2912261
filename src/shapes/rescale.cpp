#include "shapes/rescale.h"

#include "shapes/rounding.h"

namespace takeoff::shapes {

Shape Rescale(const Shape& shape, double fx, double fy) {
  const auto bx = [fx](std::uint8_t v) { return RoundToByte(v * fx); };
  const auto by = [fy](std::uint8_t v) { return RoundToByte(v * fy); };
  const auto ix = [fx](std::int32_t v) { return RoundToInt32(v * fx); };
  const auto iy = [fy](std::int32_t v) { return RoundToInt32(v * fy); };

  Shape s;
  s.Lines.reserve(shape.Lines.size());
  for (const TLineRecAR& p : shape.Lines) s.Lines.push_back({p.Dotted, p.PenDown, bx(p.X), by(p.Y)});
  s.Arcs.reserve(shape.Arcs.size());
  for (const TArcRecAR& a : shape.Arcs)
    s.Arcs.push_back({a.Dotted, ix(a.X1), iy(a.Y1), ix(a.X2), iy(a.Y2), ix(a.X3), iy(a.Y3), ix(a.X4), iy(a.Y4)});
  s.Dims.reserve(shape.Dims.size());
  for (const TDimRecAR& d : shape.Dims) s.Dims.push_back({bx(d.X1), by(d.Y1), bx(d.X2), by(d.Y2), d.Label});
  return s;
}

Shape RescaleTo(const Shape& shape, int width, int height) {
  return Rescale(shape, width / static_cast<double>(kDesignBox), height / static_cast<double>(kDesignBox));
}

}  // namespace takeoff::shapes
