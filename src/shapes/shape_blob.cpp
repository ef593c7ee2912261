#include "shapes/shape_blob.h"

#include <algorithm>

#include "shapes/byte_io.h"
#include "shapes/shape_error.h"
#include "text/gbk.h"

namespace takeoff::shapes {

Shape ReadShape(std::string_view blob) {
  ByteReader in(blob);
  Shape s;
  s.Lines.resize(in.U8());
  for (TLineRecAR& p : s.Lines) {
    p.Dotted = in.U8() != 0;
    p.PenDown = in.U8() != 0;
    p.X = in.U8();
    p.Y = in.U8();
  }
  s.Arcs.resize(in.U8());
  for (TArcRecAR& a : s.Arcs) {
    a.Dotted = in.U8() != 0;
    in.Skip(3);
    for (std::int32_t* v : {&a.X1, &a.Y1, &a.X2, &a.Y2, &a.X3, &a.Y3, &a.X4, &a.Y4}) *v = in.I32();
  }
  s.Dims.resize(in.U8());
  for (TDimRecAR& d : s.Dims) {
    d.X1 = in.U8();
    d.Y1 = in.U8();
    d.X2 = in.U8();
    d.Y2 = in.U8();
    const std::size_t length = std::min<std::size_t>(in.U8(), kMaxLabelBytes);
    d.Label = in.Bytes(kMaxLabelBytes).substr(0, length);
  }
  return s;
}

namespace {

void Count(ByteWriter& out, std::size_t n, const char* what) {
  if (n > kMaxShapeElements)
    throw ShapeError(std::string("shape has more than 255 ") + what + " (" + std::to_string(n) + ")");
  out.U8(static_cast<std::uint8_t>(n));
}

}  // namespace

std::string WriteShape(const Shape& shape) {
  ByteWriter out;
  Count(out, shape.Lines.size(), "line points");
  for (const TLineRecAR& p : shape.Lines) {
    out.U8(p.Dotted ? 1 : 0);
    out.U8(p.PenDown ? 1 : 0);
    out.U8(p.X);
    out.U8(p.Y);
  }
  Count(out, shape.Arcs.size(), "arcs");
  for (const TArcRecAR& a : shape.Arcs) {
    out.U8(a.Dotted ? 1 : 0);
    out.Zeros(3);
    for (std::int32_t v : {a.X1, a.Y1, a.X2, a.Y2, a.X3, a.Y3, a.X4, a.Y4}) out.I32(v);
  }
  Count(out, shape.Dims.size(), "dimension marks");
  for (const TDimRecAR& d : shape.Dims) {
    out.U8(d.X1);
    out.U8(d.Y1);
    out.U8(d.X2);
    out.U8(d.Y2);
    const std::string label = text::CutToBytes(d.Label, kMaxLabelBytes);
    out.U8(static_cast<std::uint8_t>(label.size()));
    out.Padded(label, kMaxLabelBytes);
  }
  return out.Take();
}

}  // namespace takeoff::shapes
