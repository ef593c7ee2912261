#pragma once
// A canvas that records every call as a line of text ("LineTo 110,58") and keeps the
// lines it was asked to draw, with the pen they were drawn with.
#include <string>
#include <string_view>
#include <vector>

#include "shapes/canvas.h"

namespace takeoff::testing {

class RecordingCanvas : public shapes::Canvas {
public:
  struct Line {
    shapes::Point From, To;
    shapes::Rgb Color;
    shapes::PenStyle Style;
    bool operator==(const Line&) const = default;
  };

  std::vector<std::string> Calls;
  std::vector<Line> Lines;
  std::vector<std::string> Texts;  // "x,y text"

  void SetPenColor(shapes::Rgb c) override {
    color_ = c;
    Calls.push_back("PenColor " + Rgb(c));
  }
  void SetPenStyle(shapes::PenStyle s) override {
    style_ = s;
    Calls.push_back(s == shapes::PenStyle::Dotted ? "PenStyle dotted" : "PenStyle solid");
  }
  void SetBrushColor(shapes::Rgb c) override { Calls.push_back("Brush " + Rgb(c)); }
  void SetFont(const shapes::Font& f) override {
    Calls.push_back("Font " + Rgb(f.Color) + " " + std::to_string(f.PointSize) + "pt" +
                    (f.Charset == shapes::FontCharset::Gb2312 ? " gb2312" : ""));
  }
  void FillRect(const shapes::Rect& r) override {
    Calls.push_back("FillRect " + Pt({r.Left, r.Top}) + " " + Pt({r.Right, r.Bottom}));
  }
  void MoveTo(shapes::Point p) override {
    pos_ = p;
    Calls.push_back("MoveTo " + Pt(p));
  }
  void LineTo(shapes::Point p) override {
    Lines.push_back({pos_, p, color_, style_});
    pos_ = p;
    Calls.push_back("LineTo " + Pt(p));
  }
  void Arc(const shapes::Rect& box, shapes::Point start, shapes::Point end) override {
    Calls.push_back("Arc " + Pt({box.Left, box.Top}) + " " + Pt({box.Right, box.Bottom}) + " " + Pt(start) + " " +
                    Pt(end));
  }
  void TextOut(shapes::Point p, std::string_view text) override {
    Texts.push_back(Pt(p) + " " + std::string(text));
    Calls.push_back("Text " + Texts.back());
  }

  static std::string Pt(shapes::Point p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

private:
  static std::string Rgb(shapes::Rgb c) {
    return std::to_string(c.R) + "/" + std::to_string(c.G) + "/" + std::to_string(c.B);
  }

  shapes::Point pos_;
  shapes::Rgb color_;
  shapes::PenStyle style_ = shapes::PenStyle::Solid;
};

}  // namespace takeoff::testing
