#include "shapes/draw_shape.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "shapes/rounding.h"

namespace takeoff::shapes {

namespace {

// Positions are worked out in 64 bits and clamped into int, so that no target or
// coordinate makes them wrap.
int Clamp(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

Point At(long long x, long long y) { return {Clamp(x), Clamp(y)}; }

long long R(double v) { return RoundToInt(v); }

// A slanted stroke through c: from (c.x + dx, c.y - dy) to (c.x - dx, c.y + dy).
void Stroke(Canvas& canvas, long long cx, long long cy, long long dx, long long dy) {
  canvas.MoveTo(At(cx + dx, cy - dy));
  canvas.LineTo(At(cx - dx, cy + dy));
}

}  // namespace

void DrawShape(const Shape& shape, const Rect& target, Canvas& canvas) {
  const long long left = target.Left, top = target.Top;

  canvas.SetFont({kRed, 9, FontCharset::Gb2312});
  canvas.SetPenColor(kGreen);
  canvas.SetBrushColor(kBlack);
  canvas.FillRect(target);

  // A pen-down point draws from wherever the pen is, also for the first point.
  for (const TLineRecAR& p : shape.Lines) {
    const Point to = At(left + p.X, top + p.Y);
    if (p.PenDown) {
      canvas.SetPenStyle(p.Dotted ? PenStyle::Dotted : PenStyle::Solid);
      canvas.LineTo(to);
    }
    canvas.MoveTo(to);
  }

  for (const TArcRecAR& a : shape.Arcs) {
    canvas.SetPenStyle(a.Dotted ? PenStyle::Dotted : PenStyle::Solid);
    const Point topLeft = At(left + a.X1, top + a.Y1);
    const Point bottomRight = At(left + a.X2, top + a.Y2);
    canvas.Arc({topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y}, At(left + a.X3, top + a.Y3),
               At(left + a.X4, top + a.Y4));
  }

  canvas.SetPenStyle(PenStyle::Solid);
  canvas.SetPenColor(kYellow);
  for (const TDimRecAR& d : shape.Dims)
    DrawDimension(At(left + d.X1, top + d.Y1), At(left + d.X2, top + d.Y2), d.Label, canvas);
}

void DrawDimension(Point p1, Point p2, std::string_view label, Canvas& canvas) {
  const long long x1 = p1.X, y1 = p1.Y, x2 = p2.X, y2 = p2.Y;

  // The angle of P1-P2 in (-pi/2, pi/2]; the side says which way along it P2 lies.
  const double e =
      x2 == x1 ? 1.5707963 : std::atan(static_cast<double>(y2 - y1) / static_cast<double>(x2 - x1));
  const long long m = x2 > x1 ? 1 : x2 < x1 ? -1 : (y1 < y2 ? 1 : -1);

  const long long ox = -m * R(8 * std::sin(e));
  const long long oy = m * R(8 * std::cos(e));
  const long long ax = x1 + ox, ay = y1 + oy, bx = x2 + ox, by = y2 + oy;
  canvas.MoveTo(At(ax, ay));
  canvas.LineTo(At(bx, by));

  const double w = e + 0.8;
  const long long tx = R(3 * std::sin(w)), ty = R(3 * std::cos(w));
  Stroke(canvas, ax, ay, tx, ty);
  Stroke(canvas, bx, by, tx, ty);

  const long long ex = R(5 * std::sin(e)), ey = R(5 * std::cos(e));
  Stroke(canvas, ax, ay, ex, ey);
  Stroke(canvas, bx, by, ex, ey);

  // Integer division truncates toward zero, as the label position needs.
  canvas.TextOut(At((ax + bx) / 2 - 2, (ay + by - 12) / 2), label);
}

}  // namespace takeoff::shapes
