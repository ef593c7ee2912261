// Arbitrary bytes as a .pic file: refused with ShapeError, or read into a drawing that
// the writer writes and the reader reads back unchanged, and that converts to a
// stored shape the blob writer takes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shapes/convert.h"
#include "shapes/pic_file.h"
#include "shapes/shape_blob.h"
#include "shapes/shape_error.h"

using namespace takeoff::shapes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  EditorShape drawing;
  try {
    drawing = DecodePicFile(in);
  } catch (const ShapeError&) {
    return 0;
  }
  for (std::uint16_t i : drawing.Segments)
    if (i == 0 || i >= drawing.Lines.size()) std::abort();

  std::string again;
  try {
    again = EncodePicFile(drawing);
  } catch (...) {
    std::abort();
  }
  try {
    if (!(DecodePicFile(again) == drawing)) std::abort();
  } catch (const ShapeError&) {
    std::abort();
  }

  // Coordinates of any size convert without overflow (clamped); only the counts can
  // be too large for a blob.
  const Shape shape = Convert(drawing);
  try {
    if (!(ReadShape(WriteShape(shape)) == shape)) std::abort();
  } catch (const ShapeError&) {
    if (shape.Lines.size() <= kMaxShapeElements && shape.Arcs.size() <= kMaxShapeElements &&
        shape.Dims.size() <= kMaxShapeElements)
      std::abort();
  }
  return 0;
}
