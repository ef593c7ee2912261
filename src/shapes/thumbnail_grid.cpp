#include "shapes/thumbnail_grid.h"

#include <algorithm>

#include "data/table.h"
#include "shapes/draw_shape.h"
#include "shapes/rescale.h"

namespace takeoff::shapes {

void ThumbnailGrid::SetPicDataSet(data::Table* table) {
  if (table == nullptr) return;
  const int pic = table->FieldNo("pic");
  const int name = table->FieldNo("picName");
  std::vector<std::string> blobs;
  names_.clear();
  for (table->First(); !table->Eof(); table->Next()) {
    blobs.push_back(table->AsString(pic));
    names_.push_back(table->AsString(name));
  }
  cache_ = ThumbnailCache(blobs);
  table->First();
}

int ThumbnailGrid::RowCount() const {
  if (ColCount <= 0) return 0;
  const auto cols = static_cast<std::size_t>(ColCount);
  return static_cast<int>((cache_.Count() + cols - 1) / cols);
}

void ThumbnailGrid::DrawCell(int col, int row, const Rect& cell, int colWidth, int rowHeight,
                             Canvas& canvas) const {
  if (col < 0 || row < 0 || col >= ColCount) return;
  const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(ColCount) + static_cast<std::size_t>(col);
  if (i >= cache_.Count()) return;
  DrawShape(RescaleTo(cache_.ShapeAt(i), colWidth, rowHeight), cell, canvas);
  if (i < names_.size()) canvas.TextOut({cell.Left + TxtOffSetX, cell.Top + TxtOffSetY}, names_[i]);
}

void ThumbnailGrid::Click(int col, int row, data::Table& table) const {
  if (col < 0 || row < 0 || table.IsEmpty()) return;
  const long long index = static_cast<long long>(row) * ColCount + col;
  const long long by = index - (table.RecNo() - 1);
  table.MoveBy(static_cast<int>(std::clamp<long long>(by, -table.RecordCount(), table.RecordCount())));
}

}  // namespace takeoff::shapes
