#pragma once
// The drawing surface that shapes are drawn on: the few calls of a Windows-style
// canvas, so that a painter adaptor in the user interface and a recording canvas in
// the tests can both stand behind it. Positions are device pixels, Y downwards.
#include <cstdint>
#include <string_view>

namespace takeoff::shapes {

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kYellow{255, 255, 0};

enum class PenStyle { Solid, Dotted };
enum class FontCharset { Gb2312 };

struct Font {
  Rgb Color;
  int PointSize = 9;
  FontCharset Charset = FontCharset::Gb2312;  // the face is the adaptor's choice
  bool operator==(const Font&) const = default;
};

struct Point {
  int X = 0, Y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const Rect&) const = default;
};

class Canvas {
public:
  virtual ~Canvas() = default;

  virtual void SetPenColor(Rgb color) = 0;
  virtual void SetPenStyle(PenStyle style) = 0;
  virtual void SetBrushColor(Rgb color) = 0;  // a solid brush
  virtual void SetFont(const Font& font) = 0;

  // Fills the rectangle with the brush; the right and bottom edges are outside.
  virtual void FillRect(const Rect& r) = 0;
  // Sets the pen position without drawing.
  virtual void MoveTo(Point p) = 0;
  // A line with the pen from the pen position to p (p itself not drawn); the pen
  // position becomes p.
  virtual void LineTo(Point p) = 0;
  // The part of the ellipse inscribed in `box` that runs counter-clockwise (as seen on
  // screen) from the ray through `start` to the ray through `end`, both rays from the
  // box's centre. Drawn with the pen; the pen position does not change.
  virtual void Arc(const Rect& box, Point start, Point end) = 0;
  // Text (code page 936) with its top left at p, in the font, on the brush colour.
  virtual void TextOut(Point p, std::string_view text) = 0;
};

}  // namespace takeoff::shapes
