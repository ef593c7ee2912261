#pragma once
// The thumbnail grid TMyPicDrawGrid: every shape of a table, three per row in cells of
// 180 x 180 on black, with silver grid lines and a vertical scroll bar. The core's
// ThumbnailGrid holds the cache read from the table and paints each cell; this widget
// lays the cells out, scrolls by whole rows and turns clicks into record moves.
#include <functional>

#include <QAbstractScrollArea>

#include "shapes/thumbnail_grid.h"

namespace takeoff::data {
class Table;
}

namespace takeoff::qtui {

class PicDrawGrid : public QAbstractScrollArea {
  Q_OBJECT
public:
  static constexpr int kColWidth = 180;
  static constexpr int kRowHeight = 180;
  static constexpr int kLineWidth = 1;  // the grid line right of and below each cell

  // Runs a change of the table's current record; a failure in it must not leave the
  // function. The default drops any std::exception (a hook refusing the move throws
  // data::Abort); an owner with a controller passes its Guarded.
  using Guard = std::function<void(const std::function<void()>&)>;

  explicit PicDrawGrid(QWidget* parent = nullptr);

  // Reads every record's "pic" and "picName" into the cache, moves the table back to
  // its first record and takes the focus. The table must outlive the grid or be
  // replaced; null is ignored. A table without those fields shows an empty grid.
  void SetPicDataSet(data::Table* table);
  data::Table* PicDataSet() const { return table_; }

  const shapes::ThumbnailGrid& Core() const { return core_; }
  void SetTxtOffSet(quint16 x, quint16 y);
  void SetGuard(Guard guard);  // none: the default

  int ColCount() const { return core_.ColCount; }
  int RowCount() const { return core_.RowCount(); }
  // The current cell (0-based), (0, 0) at first.
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Makes (col, row) current and scrolls it into view; a cell outside the grid is
  // ignored.
  void SetCurrentCell(int col, int row);
  // The rectangle of (col, row) in the viewport, scrolled as it is now.
  QRect CellRect(int col, int row) const;
  int TopRow() const;

  QSize sizeHint() const override;

signals:
  // A cell was clicked (or Enter or Space pressed on it), after the table moved to
  // its record.
  void clicked(int col, int row);
  // The focus moved to another control of the window.
  void exited();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  // The cell under a viewport position; false beyond the cells.
  bool CellAt(QPoint pos, int& col, int& row) const;
  int VisibleRows() const;  // rows wholly in view, at least 1
  void UpdateScrollBar();
  void ClickCurrent();

  shapes::ThumbnailGrid core_;
  data::Table* table_ = nullptr;
  Guard guard_;
  int col_ = 0, row_ = 0;
  bool pressed_ = false;  // the left button went down on a cell
};

}  // namespace takeoff::qtui
