#include "shapes/shape_image.h"

#include "data/table.h"
#include "shapes/draw_shape.h"
#include "shapes/rescale.h"
#include "shapes/shape_blob.h"

namespace takeoff::shapes {

void ShapeImage::SetPicDataSet(const data::Table* table, int width, int height, Canvas& canvas) const {
  if (table == nullptr) return;
  const std::string blob = table->AsString(table->FieldNo(PicField));
  const std::string label = table->AsString(table->FieldNo(PicNameField));
  DrawShape(RescaleTo(ReadShape(blob), width, height), {0, 0, width, height}, canvas);
  canvas.TextOut({TxtOffSetX, TxtOffSetY}, label);
}

}  // namespace takeoff::shapes
