// Drawing shapes and dimension marks, checked against a canvas that records the calls.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "shapes/draw_shape.h"
#include "shapes/rescale.h"
#include "shapes/shape_blob.h"
#include "support/recording_canvas.h"

namespace takeoff::shapes {
namespace {

using Calls = std::vector<std::string>;
using testing::RecordingCanvas;

Calls DimensionCalls(Point p1, Point p2, std::string_view label = "L") {
  RecordingCanvas c;
  DrawDimension(p1, p2, label, c);
  return c.Calls;
}

TEST(ShapeDimensionTest, HorizontalMarkLiesBelowWithSlantedTicksAndVerticalBars) {
  EXPECT_EQ(DimensionCalls({10, 50}, {110, 50}), (Calls{
                                                     "MoveTo 10,58", "LineTo 110,58",    // 8 below
                                                     "MoveTo 12,56", "LineTo 8,60",      // tick at A, 0.8 rad
                                                     "MoveTo 112,56", "LineTo 108,60",   // tick at B
                                                     "MoveTo 10,53", "LineTo 10,63",     // 10-pixel end bar at A
                                                     "MoveTo 110,53", "LineTo 110,63",   // and at B
                                                     "Text 58,52 L",
                                                 }));
}

TEST(ShapeDimensionTest, VerticalMarkLiesToTheLeft) {
  EXPECT_EQ(DimensionCalls({60, 10}, {60, 110}), (Calls{
                                                     "MoveTo 52,10", "LineTo 52,110",
                                                     "MoveTo 54,12", "LineTo 50,8",
                                                     "MoveTo 54,112", "LineTo 50,108",
                                                     "MoveTo 57,10", "LineTo 47,10",
                                                     "MoveTo 57,110", "LineTo 47,110",
                                                     "Text 50,54 L",
                                                 }));
}

// The side of the dimension line follows the direction of the mark; the label sits
// above the middle of the line (positions truncated toward zero).
TEST(ShapeDimensionTest, LineSideAndLabelFollowTheDirection) {
  const struct {
    Point p1, p2;
    Point a, b;
    const char* text;
  } cases[] = {
      {{110, 50}, {10, 50}, {110, 42}, {10, 42}, "Text 58,36 L"},    // right to left: above
      {{60, 110}, {60, 10}, {68, 110}, {68, 10}, "Text 66,54 L"},    // bottom to top: right
      {{10, 10}, {110, 110}, {4, 16}, {104, 116}, "Text 52,60 L"},   // down the diagonal
      {{0, 0}, {0, 3}, {-8, 0}, {-8, 3}, "Text -10,-4 L"},           // -9 / 2 is -4
      {{0, 0}, {-1, 0}, {0, -8}, {-1, -8}, "Text -2,-14 L"},         // -1 / 2 is 0
      {{5, 5}, {5, 5}, {13, 5}, {13, 5}, "Text 11,-1 L"},            // a point: as bottom to top
  };
  for (const auto& c : cases) {
    RecordingCanvas rc;
    DrawDimension(c.p1, c.p2, "L", rc);
    ASSERT_FALSE(rc.Lines.empty());
    EXPECT_EQ(rc.Lines[0].From, c.a) << RecordingCanvas::Pt(c.p1) << " to " << RecordingCanvas::Pt(c.p2);
    EXPECT_EQ(rc.Lines[0].To, c.b);
    EXPECT_EQ(rc.Calls.back(), c.text);
  }
}

TEST(ShapeDrawTest, EmptyShapeDrawsOnlyTheBackground) {
  RecordingCanvas c;
  DrawShape(ReadShape(std::string(3, '\0')), {0, 0, 120, 120}, c);
  EXPECT_EQ(c.Calls, (Calls{"Font 255/0/0 9pt gb2312", "PenColor 0/255/0", "Brush 0/0/0", "FillRect 0,0 120,120",
                            "PenStyle solid", "PenColor 255/255/0"}));
}

TEST(ShapeDrawTest, DrawsLinesArcsAndDimensionsOffsetIntoTheTarget) {
  Shape s;
  s.Lines = {{false, true, 5, 5},     // pen down first: draws from wherever the pen was
             {true, false, 10, 10},   // a move
             {true, true, 20, 10},    // dotted
             {false, true, 20, 30}};  // solid
  s.Arcs = {{true, 0, 0, 40, 20, 40, 10, 0, 10}};
  s.Dims = {{10, 50, 110, 50, "ab"}};

  RecordingCanvas c;
  c.MoveTo({1, 2});
  c.Calls.clear();
  DrawShape(s, {100, 200, 220, 320}, c);
  EXPECT_EQ(c.Calls, (Calls{
                         "Font 255/0/0 9pt gb2312", "PenColor 0/255/0", "Brush 0/0/0", "FillRect 100,200 220,320",
                         "PenStyle solid", "LineTo 105,205", "MoveTo 105,205",
                         "MoveTo 110,210",
                         "PenStyle dotted", "LineTo 120,210", "MoveTo 120,210",
                         "PenStyle solid", "LineTo 120,230", "MoveTo 120,230",
                         "PenStyle dotted", "Arc 100,200 140,220 140,210 100,210",
                         "PenStyle solid", "PenColor 255/255/0",
                         "MoveTo 110,258", "LineTo 210,258",
                         "MoveTo 112,256", "LineTo 108,260", "MoveTo 212,256", "LineTo 208,260",
                         "MoveTo 110,253", "LineTo 110,263", "MoveTo 210,253", "LineTo 210,263",
                         "Text 158,252 ab",
                     }));
  ASSERT_EQ(c.Lines.size(), 8u);
  EXPECT_EQ(c.Lines[0], (RecordingCanvas::Line{{1, 2}, {105, 205}, kGreen, PenStyle::Solid}));
  EXPECT_EQ(c.Lines[1].Style, PenStyle::Dotted);
  EXPECT_EQ(c.Lines[3].Color, kYellow);
}

// The thumbnail size: a shape of the design box drawn into a 180 x 180 cell.
TEST(ShapeDrawTest, RescaledShapeFillsTheCell) {
  Shape s;
  s.Lines = {{false, false, 0, 0}, {false, true, 120, 120}};
  RecordingCanvas c;
  DrawShape(RescaleTo(s, 180, 180), {180, 360, 360, 540}, c);
  ASSERT_EQ(c.Lines.size(), 1u);
  EXPECT_EQ(c.Lines[0].From, (Point{180, 360}));
  EXPECT_EQ(c.Lines[0].To, (Point{360, 540}));
}

// Arc coordinates are 32-bit; offset into a target they stop at the int range.
TEST(ShapeDrawTest, ExtremeArcCoordinatesDoNotWrap) {
  Shape s;
  s.Arcs = {{false, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, 0, 0, 0, 0}};
  RecordingCanvas c;
  DrawShape(s, {-10, 10, 110, 130}, c);
  EXPECT_EQ(c.Calls.at(5), "Arc " + std::to_string(INT_MIN) + "," + std::to_string(INT_MAX) + " " +
                               std::to_string(INT_MAX - 10) + "," + std::to_string(INT_MIN + 10) + " -10,10 -10,10");
}

}  // namespace
}  // namespace takeoff::shapes
