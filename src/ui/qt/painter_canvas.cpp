#include "ui/qt/painter_canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRectF>

#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

namespace {

QColor ToQColor(shapes::Rgb c) { return QColor(c.R, c.G, c.B); }

// Far beyond any device, yet small enough that Qt's integer pixel rectangles hold it
// (Windows itself takes no coordinate beyond 27 bits).
constexpr double kFar = 1 << 27;
double Clamped(double v) { return std::clamp(v, -kFar, kFar); }

QPen CosmeticPen(const QColor& color, Qt::PenStyle style, Qt::PenCapStyle cap) {
  QPen pen(color);
  pen.setWidth(1);
  pen.setCosmetic(true);
  pen.setStyle(style);
  pen.setCapStyle(cap);
  return pen;
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter) : painter_(painter), font_(FontFor(9)) {
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, false);
  painter_.setBrush(Qt::NoBrush);
}

PainterCanvas::~PainterCanvas() { painter_.restore(); }

QFont PainterCanvas::FontFor(int pointSize) {
  QFont font(QStringLiteral("宋体"));
  // Windows asks for -MulDiv(points, 96, 72) pixels of character height.
  font.setPixelSize(std::max(1, (pointSize * 96 + 36) / 72));
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

void PainterCanvas::SetPenColor(shapes::Rgb color) { penColor_ = ToQColor(color); }

void PainterCanvas::SetPenStyle(shapes::PenStyle style) { penStyle_ = style; }

void PainterCanvas::SetBrushColor(shapes::Rgb color) { brushColor_ = ToQColor(color); }

void PainterCanvas::SetFont(const shapes::Font& font) {
  font_ = FontFor(font.PointSize);
  fontColor_ = ToQColor(font.Color);
}

void PainterCanvas::FillRect(const shapes::Rect& r) {
  const double left = Clamped(r.Left), top = Clamped(r.Top), right = Clamped(r.Right), bottom = Clamped(r.Bottom);
  if (right <= left || bottom <= top) return;
  // Aliased, a QRectF covers the pixels whose centres lie inside it: left to right - 1.
  painter_.fillRect(QRectF(left, top, right - left, bottom - top), brushColor_);
}

void PainterCanvas::MoveTo(shapes::Point p) { pos_ = QPoint(p.X, p.Y); }

void PainterCanvas::LineTo(shapes::Point p) {
  const QPoint from = pos_;
  pos_ = QPoint(p.X, p.Y);
  // Under a solid brush the device context's background is opaque: the gaps of a
  // dotted line show the brush colour, not what was there before.
  if (penStyle_ == shapes::PenStyle::Dotted) {
    UsePen(Qt::FlatCap, true);
    Line(from, pos_);
  }
  UsePen(Qt::FlatCap, false);
  Line(from, pos_);
}

void PainterCanvas::Line(QPoint from, QPoint to) {
  // In doubles: the difference of two ints need not fit an int.
  const double dx = static_cast<double>(to.x()) - from.x(), dy = static_cast<double>(to.y()) - from.y();
  const double steps = std::max(std::abs(dx), std::abs(dy));
  if (steps == 0) return;
  // With a flat cap Qt leaves out the pixel at the far end of the main axis (the one
  // of larger X for a mostly horizontal line, of larger Y otherwise): the end pixel of
  // a line that runs that way, exactly as the device context leaves it out.
  const bool forward = std::abs(dx) >= std::abs(dy) ? dx > 0 : dy > 0;
  if (forward) {
    painter_.drawLine(QPointF(from), QPointF(to));
    return;
  }
  // Running the other way Qt would leave out the start instead: stroke to the pixel
  // one step before the end, both ends drawn.
  const double f = (steps - 1) / steps;
  const QPointF last(from.x() + std::round(dx * f), from.y() + std::round(dy * f));
  QPen pen = painter_.pen();
  pen.setCapStyle(Qt::SquareCap);
  painter_.setPen(pen);
  if (last == QPointF(from))
    painter_.drawPoint(from);
  else
    painter_.drawLine(QPointF(from), last);
}

void PainterCanvas::UsePen(Qt::PenCapStyle cap, bool background) {
  if (background)
    painter_.setPen(CosmeticPen(brushColor_, Qt::SolidLine, cap));
  else
    painter_.setPen(CosmeticPen(penColor_, penStyle_ == shapes::PenStyle::Dotted ? Qt::DotLine : Qt::SolidLine, cap));
}

void PainterCanvas::Arc(const shapes::Rect& box, shapes::Point start, shapes::Point end) {
  double left = box.Left, right = box.Right, top = box.Top, bottom = box.Bottom;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const double w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;  // an empty box has no ellipse

  // Each point names a ray from the box's centre; Qt wants the ellipse's parameter
  // where the ray meets it, so each axis is scaled by the other half-axis. Y is up.
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const auto angle = [&](shapes::Point p) { return std::atan2((cy - p.Y) * w, (p.X - cx) * h); };
  const double from = angle(start);
  double sweep = std::fmod(angle(end) - from, 2 * std::numbers::pi);
  if (sweep < 0) sweep += 2 * std::numbers::pi;
  constexpr double kSixteenths = 180 * 16 / std::numbers::pi;
  constexpr int kFull = 360 * 16;
  // Both rays the same (also start == end): the whole ellipse, as Windows draws it.
  constexpr double kSame = 1e-9;
  const int span = sweep < kSame || sweep > 2 * std::numbers::pi - kSame
                       ? kFull
                       : std::clamp(static_cast<int>(std::lround(sweep * kSixteenths)), 1, kFull);
  const int startAngle = static_cast<int>(std::lround(from * kSixteenths));

  // The outline runs on the box's pixels left to right - 1, top to bottom - 1.
  const QRectF rect(left, top, w - 1, h - 1);
  if (penStyle_ == shapes::PenStyle::Dotted) {
    UsePen(Qt::FlatCap, true);
    painter_.drawArc(rect, startAngle, span);
  }
  UsePen(Qt::FlatCap, false);
  painter_.drawArc(rect, startAngle, span);
}

void PainterCanvas::TextOut(shapes::Point p, std::string_view text) {
  if (text.empty() || std::abs(static_cast<double>(p.X)) > kFar || std::abs(static_cast<double>(p.Y)) > kFar) return;
  const QString s = FromCp936(text);
  const QFontMetrics metrics(font_, painter_.device());
  painter_.fillRect(QRectF(p.X, p.Y, metrics.horizontalAdvance(s), metrics.height()), brushColor_);
  painter_.setFont(font_);
  painter_.setPen(QPen(fontColor_));
  painter_.drawText(QPointF(p.X, static_cast<double>(p.Y) + metrics.ascent()), s);
}

}  // namespace takeoff::qtui
