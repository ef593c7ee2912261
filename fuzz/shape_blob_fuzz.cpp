// Arbitrary bytes as a shape blob, as the grid and the image read them from a picture
// field: the reader takes every input, whatever it read the writer writes and reads
// back unchanged, and drawing it at any display size stays on the canvas's calls.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shapes/canvas.h"
#include "shapes/draw_shape.h"
#include "shapes/rescale.h"
#include "shapes/shape_blob.h"
#include "shapes/thumbnail_cache.h"

using namespace takeoff::shapes;

namespace {

// Counts the calls; checks that no text is longer than a label.
class NullCanvas : public Canvas {
public:
  void SetPenColor(Rgb) override {}
  void SetPenStyle(PenStyle) override {}
  void SetBrushColor(Rgb) override {}
  void SetFont(const Font&) override {}
  void FillRect(const Rect&) override {}
  void MoveTo(Point) override {}
  void LineTo(Point) override {}
  void Arc(const Rect&, Point, Point) override {}
  void TextOut(Point, std::string_view text) override {
    if (text.size() > kMaxLabelBytes) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const Shape shape = ReadShape(in);

  std::string again;
  try {
    again = WriteShape(shape);
  } catch (...) {
    std::abort();  // nothing read from a blob is too large to write
  }
  if (!(ReadShape(again) == shape)) std::abort();

  // The first byte picks a display size, as far as 255 (where line points clamp).
  const int side = size > 0 ? data[0] : 120;
  NullCanvas canvas;
  DrawShape(RescaleTo(shape, side, 255 - side), {-side, side, 0, 255}, canvas);

  // Split in two records of a thumbnail cache: each reads only its own bytes.
  const std::size_t cut = size / 2;
  const ThumbnailCache cache({std::string(in.substr(0, cut)), std::string(in.substr(cut))});
  if (!(cache.ShapeAt(0) == ReadShape(in.substr(0, cut))) || !(cache.ShapeAt(1) == ReadShape(in.substr(cut))))
    std::abort();
  return 0;
}
