#pragma once
// The shape image of a table's current record, without its widget.
#include <cstdint>
#include <string>

#include "shapes/canvas.h"

namespace takeoff::data {
class Table;
}

namespace takeoff::shapes {

struct ShapeImage {
  std::string PicField;      // name of the blob field
  std::string PicNameField;  // name of the label field
  std::uint16_t TxtOffSetX = 20;
  std::uint16_t TxtOffSetY = 105;

  // Draws the current record's shape scaled to width x height into (0, 0)-(width,
  // height), then its label at the offsets. Null is ignored; an empty table shows an
  // empty shape. A missing field throws data::TableError.
  void SetPicDataSet(const data::Table* table, int width, int height, Canvas& canvas) const;
};

}  // namespace takeoff::shapes
