#include "shapes/pic_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "shapes/byte_io.h"
#include "shapes/shape.h"
#include "shapes/shape_error.h"
#include "text/gbk.h"

namespace takeoff::shapes {

namespace {

constexpr std::size_t kLineSize = 24, kArcSize = 72, kTextSize = 23, kDimSize = 40, kSnapSize = 24,
                      kSegmentSize = 2;

[[noreturn]] void Damaged(const std::string& why) {
  throw ShapeError("Stream read error: the .pic file is damaged (" + why + ")");
}

class PicReader {
public:
  explicit PicReader(std::string_view bytes) : in_(bytes) {}

  // The count of the next section, checked against the bytes that are left before
  // anything is allocated for it.
  std::size_t Count(std::size_t elementSize, const char* what) {
    if (in_.Remaining() < 2) Damaged(std::string("no count of ") + what);
    const std::int16_t n = in_.I16();
    if (n < 0) Damaged(std::string("negative count of ") + what);
    if (static_cast<std::size_t>(n) * elementSize > in_.Remaining())
      Damaged(std::string(what) + " cut short");
    return static_cast<std::size_t>(n);
  }

  std::uint8_t U8() { return in_.U8(); }
  std::uint16_t U16() { return in_.U16(); }
  void Skip(std::size_t n) { in_.Skip(n); }
  std::string Bytes(std::size_t n) { return in_.Bytes(n); }
  double Coordinate() {
    const double v = in_.F64();
    if (!std::isfinite(v)) Damaged("a coordinate is not a number");
    return v;
  }
  // A length byte and a field of `width` bytes; the length is capped at the width.
  std::string Text(std::size_t width) {
    const std::size_t length = std::min<std::size_t>(in_.U8(), width);
    return in_.Bytes(width).substr(0, length);
  }

private:
  ByteReader in_;
};

}  // namespace

EditorShape DecodePicFile(std::string_view bytes) {
  PicReader in(bytes);
  EditorShape s;

  s.Lines.resize(in.Count(kLineSize, "line points"));
  for (TLineRecA& p : s.Lines) {
    p.Dotted = in.U8() != 0;
    p.PenDown = in.U8() != 0;
    in.Skip(6);
    p.X = in.Coordinate();
    p.Y = in.Coordinate();
  }
  s.Arcs.resize(in.Count(kArcSize, "arcs"));
  for (TArcRecA& a : s.Arcs) {
    a.Dotted = in.U8() != 0;
    in.Skip(7);
    for (double* v : {&a.X1, &a.Y1, &a.X2, &a.Y2, &a.X3, &a.Y3, &a.X4, &a.Y4}) *v = in.Coordinate();
  }
  s.Texts.resize(in.Count(kTextSize, "text marks"));
  for (TextMark& t : s.Texts) {
    t.X = in.U8();
    t.Y = in.U8();
    t.Text = in.Text(kMaxTextMarkBytes);
  }
  s.Dims.resize(in.Count(kDimSize, "dimension marks"));
  for (TDimRecA& d : s.Dims) {
    for (double* v : {&d.X1, &d.Y1, &d.X2, &d.Y2}) *v = in.Coordinate();
    d.Label = in.Text(kMaxLabelBytes);
    in.Skip(5);
  }
  s.Snaps.resize(in.Count(kSnapSize, "snap points"));
  for (SnapPoint& p : s.Snaps) {
    p.X = in.Coordinate();
    p.Y = in.Coordinate();
    p.Kind = in.U8();
    in.Skip(7);
  }
  const std::size_t segments = in.Count(kSegmentSize, "segment indexes");
  for (std::size_t i = 0; i < segments; ++i) {
    const std::uint16_t index = in.U16();
    if (index >= 1 && index < s.Lines.size()) s.Segments.push_back(index);
  }
  return s;
}

namespace {

void Count(ByteWriter& out, std::size_t n, const char* what) {
  if (n > kMaxPicElements)
    throw ShapeError(std::string("drawing has more than 32767 ") + what + " (" + std::to_string(n) + ")");
  out.I16(static_cast<std::int16_t>(n));
}

void Text(ByteWriter& out, const std::string& text, std::size_t width) {
  const std::string cut = text::CutToBytes(text, width);
  out.U8(static_cast<std::uint8_t>(cut.size()));
  out.Padded(cut, width);
}

}  // namespace

std::string EncodePicFile(const EditorShape& shape) {
  ByteWriter out;
  Count(out, shape.Lines.size(), "line points");
  for (const TLineRecA& p : shape.Lines) {
    out.U8(p.Dotted ? 1 : 0);
    out.U8(p.PenDown ? 1 : 0);
    out.Zeros(6);
    out.F64(p.X);
    out.F64(p.Y);
  }
  Count(out, shape.Arcs.size(), "arcs");
  for (const TArcRecA& a : shape.Arcs) {
    out.U8(a.Dotted ? 1 : 0);
    out.Zeros(7);
    for (double v : {a.X1, a.Y1, a.X2, a.Y2, a.X3, a.Y3, a.X4, a.Y4}) out.F64(v);
  }
  Count(out, shape.Texts.size(), "text marks");
  for (const TextMark& t : shape.Texts) {
    out.U8(t.X);
    out.U8(t.Y);
    Text(out, t.Text, kMaxTextMarkBytes);
  }
  Count(out, shape.Dims.size(), "dimension marks");
  for (const TDimRecA& d : shape.Dims) {
    for (double v : {d.X1, d.Y1, d.X2, d.Y2}) out.F64(v);
    Text(out, d.Label, kMaxLabelBytes);
    out.Zeros(5);
  }
  Count(out, shape.Snaps.size(), "snap points");
  for (const SnapPoint& p : shape.Snaps) {
    out.F64(p.X);
    out.F64(p.Y);
    out.U8(p.Kind);
    out.Zeros(7);
  }
  Count(out, shape.Segments.size(), "segment indexes");
  for (std::uint16_t i : shape.Segments) out.U16(i);
  return out.Take();
}

std::filesystem::path PicFilePath(const std::filesystem::path& typed) {
  std::filesystem::path p = typed;
  p.replace_extension(".pic");
  return p;
}

EditorShape ReadPicFile(const std::filesystem::path& typed) {
  const std::filesystem::path path = PicFilePath(typed);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ShapeError("Cannot open file \"" + path.string() + "\"");
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ShapeError("Cannot read file \"" + path.string() + "\"");
  return DecodePicFile(bytes);
}

void WritePicFile(const std::filesystem::path& typed, const EditorShape& shape) {
  const std::string bytes = EncodePicFile(shape);  // a drawing too large fails before the file is touched
  const std::filesystem::path path = PicFilePath(typed);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw ShapeError("Cannot create file \"" + path.string() + "\"");
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw ShapeError("Cannot write file \"" + path.string() + "\"");
}

}  // namespace takeoff::shapes
