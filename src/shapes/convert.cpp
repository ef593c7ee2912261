#include "shapes/convert.h"

#include "shapes/rounding.h"
#include "text/gbk.h"

namespace takeoff::shapes {

Shape Convert(const EditorShape& drawing, double scale) {
  Shape s;
  s.Lines.reserve(drawing.Lines.size());
  for (const TLineRecA& p : drawing.Lines)
    s.Lines.push_back({p.Dotted, p.PenDown, RoundToByte(p.X * scale), RoundToByte(p.Y * scale)});
  s.Arcs.reserve(drawing.Arcs.size());
  for (const TArcRecA& a : drawing.Arcs) {
    const auto r = [scale](double v) { return RoundToInt32(v * scale); };
    s.Arcs.push_back({a.Dotted, r(a.X1), r(a.Y1), r(a.X2), r(a.Y2), r(a.X3), r(a.Y3), r(a.X4), r(a.Y4)});
  }
  s.Dims.reserve(drawing.Dims.size());
  for (const TDimRecA& d : drawing.Dims) {
    const auto r = [scale](double v) { return RoundToByte(v * scale); };
    s.Dims.push_back({r(d.X1), r(d.Y1), r(d.X2), r(d.Y2), text::CutToBytes(d.Label, kMaxLabelBytes)});
  }
  return s;
}

}  // namespace takeoff::shapes
