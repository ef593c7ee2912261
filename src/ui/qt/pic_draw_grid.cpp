#include "ui/qt/pic_draw_grid.h"

#include <algorithm>
#include <exception>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScrollBar>

#include "data/table.h"
#include "ui/qt/painter_canvas.h"

namespace takeoff::qtui {

namespace {

constexpr int kColPitch = PicDrawGrid::kColWidth + PicDrawGrid::kLineWidth;
constexpr int kRowPitch = PicDrawGrid::kRowHeight + PicDrawGrid::kLineWidth;
const QColor kLineColor(192, 192, 192);  // silver lines on a black grid

void DropFailures(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception&) {
    // A move the table refused leaves the current record where it was.
  }
}

}  // namespace

PicDrawGrid::PicDrawGrid(QWidget* parent) : QAbstractScrollArea(parent), guard_(DropFailures) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);  // the grid paints all of it
  UpdateScrollBar();
}

void PicDrawGrid::SetPicDataSet(data::Table* table) {
  if (table == nullptr) return;
  setFocus();
  try {
    core_.SetPicDataSet(table);
    table_ = table;
  } catch (const std::exception&) {
    // No picture or name field: nothing to show, and no table for clicks to move.
    const quint16 x = core_.TxtOffSetX, y = core_.TxtOffSetY;
    core_ = shapes::ThumbnailGrid();
    core_.TxtOffSetX = x;
    core_.TxtOffSetY = y;
    table_ = nullptr;
  }
  row_ = std::clamp(row_, 0, std::max(0, RowCount() - 1));
  UpdateScrollBar();
  viewport()->update();
}

void PicDrawGrid::SetGuard(Guard guard) { guard_ = guard ? std::move(guard) : Guard(DropFailures); }

void PicDrawGrid::SetTxtOffSet(quint16 x, quint16 y) {
  core_.TxtOffSetX = x;
  core_.TxtOffSetY = y;
  viewport()->update();
}

void PicDrawGrid::SetCurrentCell(int col, int row) {
  if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return;
  col_ = col;
  row_ = row;
  QScrollBar* bar = verticalScrollBar();
  if (row < bar->value())
    bar->setValue(row);
  else if (row >= bar->value() + VisibleRows())
    bar->setValue(row - VisibleRows() + 1);
  viewport()->update();
}

int PicDrawGrid::TopRow() const { return verticalScrollBar()->value(); }

QRect PicDrawGrid::CellRect(int col, int row) const {
  return QRect(col * kColPitch, (row - TopRow()) * kRowPitch, kColWidth, kRowHeight);
}

QSize PicDrawGrid::sizeHint() const {
  const int frame = 2 * frameWidth();
  return QSize(3 * kColPitch + frame + verticalScrollBar()->sizeHint().width(), 2 * kRowPitch + frame);
}

int PicDrawGrid::VisibleRows() const { return std::max(1, viewport()->height() / kRowPitch); }

void PicDrawGrid::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, RowCount() - VisibleRows()));
  bar->setPageStep(VisibleRows());
  bar->setSingleStep(1);
}

bool PicDrawGrid::CellAt(QPoint pos, int& col, int& row) const {
  if (pos.x() < 0 || pos.y() < 0) return false;
  col = pos.x() / kColPitch;
  row = pos.y() / kRowPitch + TopRow();
  return col < ColCount() && row < RowCount();
}

void PicDrawGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect dirty = event->rect();
  painter.fillRect(dirty, Qt::black);
  const int rows = RowCount(), cols = ColCount();
  const int first = TopRow(), last = std::min(rows - 1, first + viewport()->height() / kRowPitch);
  for (int row = first; row <= last; ++row) {
    for (int col = 0; col < cols; ++col) {
      const QRect cell = CellRect(col, row);
      if (!cell.adjusted(0, 0, kLineWidth, kLineWidth).intersects(dirty)) continue;
      painter.save();
      painter.setClipRect(cell, Qt::IntersectClip);
      try {
        PainterCanvas canvas(painter);
        core_.DrawCell(col, row, {cell.left(), cell.top(), cell.left() + kColWidth, cell.top() + kRowHeight}, kColWidth,
                       kRowHeight, canvas);
      } catch (const std::exception&) {
        painter.fillRect(cell, Qt::black);  // a shape that cannot be drawn shows empty
      }
      painter.restore();
      if (col == col_ && row == row_ && hasFocus()) {
        // The focus rectangle on the cell's border, dotted as Windows draws it.
        QPen pen(Qt::white);
        pen.setCosmetic(true);
        pen.setWidth(1);
        pen.setDashPattern({1, 1});
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
      }
    }
  }
  // The lines right of every column and below every row, as far as the cells go.
  if (rows > 0) {
    painter.setPen(QPen(kLineColor, 1));
    const int bottom = CellRect(0, last).bottom() + kLineWidth, right = cols * kColPitch - 1;
    for (int col = 0; col < cols; ++col)
      painter.drawLine(col * kColPitch + kColWidth, 0, col * kColPitch + kColWidth, bottom);
    for (int row = first; row <= last; ++row) {
      const int y = CellRect(0, row).bottom() + kLineWidth;
      painter.drawLine(0, y, right, y);
    }
  }
}

void PicDrawGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

void PicDrawGrid::scrollContentsBy(int, int) { viewport()->update(); }

void PicDrawGrid::mousePressEvent(QMouseEvent* event) {
  pressed_ = false;
  int col = 0, row = 0;
  if (event->button() != Qt::LeftButton || !CellAt(event->position().toPoint(), col, row)) return;
  pressed_ = true;
  SetCurrentCell(col, row);
}

void PicDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && viewport()->rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) pressed_ = false;
  if (click) ClickCurrent();
}

void PicDrawGrid::keyPressEvent(QKeyEvent* event) {
  int col = col_, row = row_;
  switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp: row = std::max(0, row - VisibleRows()); break;
    case Qt::Key_PageDown: row = std::min(RowCount() - 1, row + VisibleRows()); break;
    case Qt::Key_Home: col = 0; break;
    case Qt::Key_End: col = ColCount() - 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (RowCount() > 0) ClickCurrent();
      return;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  SetCurrentCell(col, row);
}

void PicDrawGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void PicDrawGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
  // Another window becoming active or a pop-up menu opening is no exit.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) emit exited();
}

void PicDrawGrid::ClickCurrent() {
  const int col = col_, row = row_;
  if (table_ != nullptr) {
    data::Table* table = table_;
    guard_([this, table, col, row] { core_.Click(col, row, *table); });
  }
  emit clicked(col, row);
}

}  // namespace takeoff::qtui
