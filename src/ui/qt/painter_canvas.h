#pragma once
// The shapes' canvas over a QPainter, drawing pixel for pixel as a Windows device
// context with a solid brush does: a 1-pixel pen, no antialiasing, lines without
// their end pixel, boxes without their right and bottom edges, and text on an opaque
// background of the brush colour.
#include <QColor>
#include <QFont>
#include <QPoint>

#include "shapes/canvas.h"

class QPainter;

namespace takeoff::qtui {

class PainterCanvas : public shapes::Canvas {
public:
  // Starts as a fresh device context: black solid pen, white brush, 9-point 宋体 in
  // black, pen position (0, 0). Saves the painter's state and restores it when the
  // canvas goes.
  explicit PainterCanvas(QPainter& painter);
  ~PainterCanvas() override;
  PainterCanvas(const PainterCanvas&) = delete;
  PainterCanvas& operator=(const PainterCanvas&) = delete;

  void SetPenColor(shapes::Rgb color) override;
  void SetPenStyle(shapes::PenStyle style) override;
  void SetBrushColor(shapes::Rgb color) override;
  void SetFont(const shapes::Font& font) override;

  void FillRect(const shapes::Rect& r) override;
  void MoveTo(shapes::Point p) override;
  void LineTo(shapes::Point p) override;
  void Arc(const shapes::Rect& box, shapes::Point start, shapes::Point end) override;
  void TextOut(shapes::Point p, std::string_view text) override;

  // The face labels are drawn in (the program maps it onto an installed Chinese face)
  // and the pixel size of a point size on a 96-dpi screen, as Windows sizes fonts.
  static QFont FontFor(int pointSize);

private:
  // Strokes from `from` to `to` with the pen, `to` itself left out.
  void Line(QPoint from, QPoint to);
  void UsePen(Qt::PenCapStyle cap, bool background);

  QPainter& painter_;
  QColor penColor_ = Qt::black;
  shapes::PenStyle penStyle_ = shapes::PenStyle::Solid;
  QColor brushColor_ = Qt::white;
  QFont font_;
  QColor fontColor_ = Qt::black;
  QPoint pos_;
};

}  // namespace takeoff::qtui
