// The shape blob: its byte layout, reading back what was written, reading short or
// odd blobs without ever leaving them, and refusing shapes that do not fit.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "shapes/shape_blob.h"
#include "shapes/shape_error.h"
#include "text/gbk.h"

namespace takeoff::shapes {
namespace {

using namespace std::string_literals;

Shape Sample() {
  Shape s;
  s.Lines = {{false, false, 10, 20}, {true, true, 255, 0}, {false, true, 0, 119}};
  s.Arcs = {{true, -5, 0, INT32_MAX, INT32_MIN, 60, 1, -1, 120}};
  s.Dims = {{10, 50, 110, 50, "L"}, {60, 10, 60, 110, text::Gbk("宽")}, {0, 0, 1, 1, ""}, {1, 2, 3, 4, "ab"}};
  return s;
}

TEST(ShapeBlobTest, WritesTheCompactLayout) {
  Shape s;
  s.Lines = {{true, true, 3, 4}};
  s.Arcs = {{false, 1, -1, 2, 3, 4, 5, 6, 7}};
  s.Dims = {{10, 50, 110, 50, "L"}};
  const std::string expected =
      "\x01"s "\x01\x01\x03\x04"s
      "\x01"s "\x00\x00\x00\x00"s "\x01\x00\x00\x00"s "\xFF\xFF\xFF\xFF"s "\x02\x00\x00\x00"s "\x03\x00\x00\x00"s
      "\x04\x00\x00\x00"s "\x05\x00\x00\x00"s "\x06\x00\x00\x00"s "\x07\x00\x00\x00"s
      "\x01"s "\x0A\x32\x6E\x32\x01L\x00"s;
  EXPECT_EQ(WriteShape(s), expected);
  EXPECT_EQ(WriteShape(Shape{}), "\x00\x00\x00"s);
}

TEST(ShapeBlobTest, ReadsBackWhatWasWritten) {
  const Shape s = Sample();
  const std::string blob = WriteShape(s);
  EXPECT_EQ(blob.size(), 3 + 4 * 3 + 36 * 1 + 7 * 4u);
  EXPECT_EQ(ReadShape(blob), s);
  EXPECT_EQ(ReadShape(blob + "trailing bytes"), s);
}

// A blob cut anywhere reads as the whole blob with zeros in place of what is missing:
// missing counts are 0, elements cut short are zero-filled.
TEST(ShapeBlobTest, CutBlobsReadAsZeroFilled) {
  const std::string blob = WriteShape(Sample());
  for (std::size_t n = 0; n < blob.size(); ++n) {
    const std::string cut = blob.substr(0, n);
    EXPECT_EQ(ReadShape(cut), ReadShape(cut + std::string(blob.size(), '\0'))) << "cut at " << n;
  }
  EXPECT_EQ(ReadShape(""), Shape{});
}

TEST(ShapeBlobTest, ReadsFlagsAndLabelLengthsAsTheyAreMeant) {
  // Counts far beyond the data: the announced elements exist, zero-filled.
  const Shape big = ReadShape("\xFF"s);
  EXPECT_EQ(big.Lines.size(), 255u);
  EXPECT_EQ(big.Lines.back(), TLineRecAR{});
  EXPECT_TRUE(big.Arcs.empty());

  // Any non-zero flag byte is set; a label length above 2 reads as 2, bytes beyond the
  // length are ignored.
  const Shape s = ReadShape("\x01\x07\x80\x05\x06" "\x00" "\x02\x01\x02\x03\x04\x09XY\x01\x02\x03\x04\x01QZ"s);
  ASSERT_EQ(s.Lines.size(), 1u);
  EXPECT_EQ(s.Lines[0], (TLineRecAR{true, true, 5, 6}));
  ASSERT_EQ(s.Dims.size(), 2u);
  EXPECT_EQ(s.Dims[0].Label, "XY");
  EXPECT_EQ(s.Dims[1].Label, "Q");
}

TEST(ShapeBlobTest, CutsLabelsToTwoBytesOfWholeCharacters) {
  const struct {
    std::string typed, stored;
  } cases[] = {
      {"ABC", "AB"},
      {text::Gbk("宽度"), text::Gbk("宽")},
      {text::Gbk("A宽"), "A"},  // the Chinese character does not fit: it is dropped, not split
  };
  for (const auto& c : cases) {
    Shape s;
    s.Dims = {{1, 2, 3, 4, c.typed}};
    EXPECT_EQ(ReadShape(WriteShape(s)).Dims.at(0).Label, c.stored) << c.typed;
  }
}

// A count byte holds 255 at most; a longer array would be written with a wrapped count
// and read back as a different shape, so it is refused.
TEST(ShapeBlobTest, RefusesMoreThan255Elements) {
  Shape s;
  s.Lines.resize(255);
  s.Arcs.resize(255);
  s.Dims.resize(255);
  EXPECT_EQ(ReadShape(WriteShape(s)), s);

  for (int which = 0; which < 3; ++which) {
    Shape t = s;
    if (which == 0) t.Lines.resize(256);
    if (which == 1) t.Arcs.resize(256);
    if (which == 2) t.Dims.resize(256);
    EXPECT_THROW(WriteShape(t), ShapeError) << which;
  }
}

}  // namespace
}  // namespace takeoff::shapes
