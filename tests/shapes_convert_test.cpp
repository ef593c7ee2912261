// From editor pixels to stored units and from the design box to display sizes:
// rounding ties to even, and clamping what the compact form cannot hold.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "shapes/convert.h"
#include "shapes/rescale.h"
#include "shapes/rounding.h"

namespace takeoff::shapes {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ShapeRoundingTest, RoundsTiesToEvenAndClampsIntoTheType) {
  const struct {
    double v;
    double even;
    int byte;
    std::int32_t int32;
  } cases[] = {
      {0.5, 0, 0, 0},         {1.5, 2, 2, 2},         {2.5, 2, 2, 2},
      {3.5, 4, 4, 4},         {-0.5, -0.0, 0, 0},     {-1.5, -2, 0, -2},
      {-2.5, -2, 0, -2},      {119.75, 120, 120, 120}, {2.4999999, 2, 2, 2},
      {255.5, 256, 255, 256}, {-1e12, -1e12, 0, INT32_MIN}, {1e12, 1e12, 255, INT32_MAX},
      {kInf, kInf, 255, INT32_MAX}, {-kInf, -kInf, 0, INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundToEven(c.v), c.even) << c.v;
    EXPECT_EQ(RoundToByte(c.v), c.byte) << c.v;
    EXPECT_EQ(RoundToInt32(c.v), c.int32) << c.v;
  }
  EXPECT_TRUE(std::isnan(RoundToEven(kNaN)));
  EXPECT_EQ(RoundToByte(kNaN), 0);
  EXPECT_EQ(RoundToInt32(kNaN), 0);
}

TEST(ShapeConvertTest, ScalesEditorPixelsToStoredUnits) {
  EditorShape d;
  d.Lines = {{true, true, 479, 401}, {false, false, 10, 14}};
  d.Arcs = {{true, 10, 14, 18, 22, -10, -14, 2, 6}};
  d.Dims = {{40, 200, 440, 200, "ABC"}};
  d.Texts = {{1, 2, "t"}};
  d.Snaps = {{1, 1, kSnapArcCentre}};
  d.Segments = {0};

  const Shape s = Convert(d);  // the editor's scale, 0.25
  EXPECT_EQ(s.Lines, (std::vector<TLineRecAR>{{true, true, 120, 100}, {false, false, 2, 4}}));
  // 2.5 and 3.5 go to the even neighbours 2 and 4, on both sides of zero.
  EXPECT_EQ(s.Arcs, (std::vector<TArcRecAR>{{true, 2, 4, 4, 6, -2, -4, 0, 2}}));
  EXPECT_EQ(s.Dims, (std::vector<TDimRecAR>{{10, 50, 110, 50, "AB"}}));
}

// Line and dimension coordinates are bytes: beyond 1023 editor pixels (or below 0)
// they stop at the edge instead of wrapping round to the other side.
TEST(ShapeConvertTest, ClampsCoordinatesThatDoNotFit) {
  EditorShape d;
  d.Lines = {{false, true, 1100, -8}, {false, true, 1022, 1023}, {false, true, kNaN, kInf}};
  d.Dims = {{-100, 1030, 4000, -0.1, ""}};
  d.Arcs = {{false, 1e12, -1e12, kNaN, 0, 0, 0, 0, 0}};
  const Shape s = Convert(d);
  EXPECT_EQ(s.Lines, (std::vector<TLineRecAR>{{false, true, 255, 0}, {false, true, 255, 255}, {false, true, 0, 255}}));
  EXPECT_EQ(s.Dims, (std::vector<TDimRecAR>{{0, 255, 255, 0, ""}}));
  EXPECT_EQ(s.Arcs.at(0).X1, INT32_MAX);
  EXPECT_EQ(s.Arcs.at(0).Y1, INT32_MIN);
  EXPECT_EQ(s.Arcs.at(0).X2, 0);
}

TEST(ShapeRescaleTest, ScalesXAndYSeparately) {
  Shape s;
  s.Lines = {{true, false, 1, 3}, {false, true, 120, 120}};
  s.Arcs = {{false, 1, 3, 5, 7, -1, -3, 120, 120}};
  s.Dims = {{1, 3, 120, 0, "L"}};

  // 180 across (x 1.5) and 60 down (x 0.5): 1.5 -> 2, 4.5 -> 4, 1.5 -> 2 (from 3 x 0.5).
  const Shape r = RescaleTo(s, 180, 60);
  EXPECT_EQ(r.Lines, (std::vector<TLineRecAR>{{true, false, 2, 2}, {false, true, 180, 60}}));
  EXPECT_EQ(r.Arcs, (std::vector<TArcRecAR>{{false, 2, 2, 8, 4, -2, -2, 180, 60}}));
  EXPECT_EQ(r.Dims, (std::vector<TDimRecAR>{{2, 2, 180, 0, "L"}}));
  EXPECT_EQ(RescaleTo(s, 120, 120), s);
}

TEST(ShapeRescaleTest, ClampsBeyondTheCompactRange) {
  Shape s;
  s.Lines = {{false, true, 120, 60}};
  s.Arcs = {{false, INT32_MAX, INT32_MIN, 0, 0, 0, 0, 0, 0}};
  const Shape r = RescaleTo(s, 480, 480);
  EXPECT_EQ(r.Lines.at(0), (TLineRecAR{false, true, 255, 240}));
  EXPECT_EQ(r.Arcs.at(0).X1, INT32_MAX);
  EXPECT_EQ(r.Arcs.at(0).Y1, INT32_MIN);
}

}  // namespace
}  // namespace takeoff::shapes
