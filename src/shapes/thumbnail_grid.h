#pragma once
// The thumbnail grid of a shape table, without its widget: the cache and names read
// from the table, the number of rows, the painting of one cell and the record that a
// click makes current. The widget draws the cell background and calls these.
#include <cstdint>
#include <string>
#include <vector>

#include "shapes/canvas.h"
#include "shapes/thumbnail_cache.h"

namespace takeoff::data {
class Table;
}

namespace takeoff::shapes {

class ThumbnailGrid {
public:
  int ColCount = 3;
  std::uint16_t TxtOffSetX = 30;  // label position inside a cell
  std::uint16_t TxtOffSetY = 157;

  // Reads the blob field "pic" and the label field "picName" of every record, first to
  // last, and moves the table back to its first record. Null is ignored. A table
  // without those fields throws data::TableError.
  void SetPicDataSet(data::Table* table);

  const ThumbnailCache& PicStrm() const { return cache_; }
  const std::vector<std::string>& PicNames() const { return names_; }

  // Rows needed for all shapes: ceil(count / ColCount).
  int RowCount() const;

  // Paints the shape of cell (col, row) into `cell`, scaled to the grid's default
  // column width and row height, with its name at the label offsets. A cell beyond
  // the last shape is left as the widget drew it.
  void DrawCell(int col, int row, const Rect& cell, int colWidth, int rowHeight, Canvas& canvas) const;

  // Makes the record of the shape in cell (col, row) current. A click beyond the last
  // shape makes the last record current.
  void Click(int col, int row, data::Table& table) const;

private:
  ThumbnailCache cache_;
  std::vector<std::string> names_;
};

}  // namespace takeoff::shapes
