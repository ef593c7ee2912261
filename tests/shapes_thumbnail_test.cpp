// The thumbnail cache and the grid and image that paint from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/table.h"
#include "shapes/shape_blob.h"
#include "shapes/shape_image.h"
#include "shapes/thumbnail_cache.h"
#include "shapes/thumbnail_grid.h"
#include "support/recording_canvas.h"

namespace takeoff::shapes {
namespace {

using namespace std::string_literals;
using testing::RecordingCanvas;

std::string OneLine(std::uint8_t x) {
  Shape s;
  s.Lines = {{false, false, 0, 0}, {false, true, x, 60}};
  return WriteShape(s);
}

TEST(ShapeThumbnailCacheTest, HoldsCountOffsetsAndBlobs) {
  const ThumbnailCache cache({"\x00\x00\x00"s, "", "\x01\x00\x01\x05\x06"s});
  EXPECT_FALSE(cache.Wide());
  EXPECT_EQ(cache.Bytes(), "\x03\x00" "\x08\x00" "\x0B\x00" "\x0B\x00" "\x00\x00\x00" "\x01\x00\x01\x05\x06"s);
  EXPECT_EQ(cache.Count(), 3u);
  EXPECT_EQ(cache.Blob(1), "");
  EXPECT_EQ(cache.ShapeAt(2).Lines, (std::vector<TLineRecAR>{{false, true, 5, 6}}));
  EXPECT_EQ(cache.Blob(3), "");
  EXPECT_EQ(cache.ShapeAt(99), Shape{});
}

// A record's blob that is shorter than its counts reads as zeros, not as the start of
// the next record's blob.
TEST(ShapeThumbnailCacheTest, ShortBlobStopsAtItsOwnEnd) {
  const ThumbnailCache cache({"\x02\x01\x01"s, OneLine(90)});
  const Shape first = cache.ShapeAt(0);
  EXPECT_EQ(first.Lines, (std::vector<TLineRecAR>{{true, true, 0, 0}, {}}));
  EXPECT_TRUE(first.Arcs.empty());
  EXPECT_EQ(cache.ShapeAt(1), ReadShape(OneLine(90)));
}

// 16-bit signed offsets hold a cache up to 32767 bytes; a larger one is laid out with
// 32-bit offsets and every blob stays reachable.
TEST(ShapeThumbnailCacheTest, WidensOffsetsAbove32767Bytes) {
  const auto blobs = [](std::size_t n, std::size_t size) {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < n; ++i) v.push_back(std::string(size - 1, static_cast<char>(i)) + "#");
    return v;
  };
  // 2 + 2 x 5 + 5 x 6551 = 32767 bytes: the largest narrow cache.
  EXPECT_FALSE(ThumbnailCache(blobs(5, 6551)).Wide());
  EXPECT_EQ(ThumbnailCache(blobs(5, 6551)).Bytes().size(), 32767u);

  for (const auto& v : {blobs(5, 6552), blobs(300, 200), blobs(20000, 1)}) {
    const ThumbnailCache cache(v);
    EXPECT_TRUE(cache.Wide());
    ASSERT_EQ(cache.Count(), v.size());
    for (std::size_t i = 0; i < v.size(); ++i) ASSERT_EQ(cache.Blob(i), v[i]) << i;
  }
}

std::vector<data::FieldDef> PicFields() {
  data::FieldDef pic, name;
  pic.Name = "pic";
  pic.Type = data::FieldType::Blob;
  name.Name = "picName";
  name.Size = 40;
  return {pic, name};
}

// A shape table with the fields the grid reads, one record per x.
class ShapeGridTest : public ::testing::Test {
protected:
  void Fill(const std::vector<int>& xs) {
    std::vector<std::vector<data::Value>> rows;
    for (int x : xs) rows.push_back({OneLine(static_cast<std::uint8_t>(x)), "n" + std::to_string(x)});
    table.Load(PicFields(), std::move(rows), 0);
  }
  data::Table table{"WinPicDataSet"};
  ThumbnailGrid grid;
};

TEST_F(ShapeGridTest, SevenShapesFillThreeRowsAndTheLastCellsStayEmpty) {
  Fill({10, 20, 30, 40, 50, 60, 70});
  table.SetRecNo(4);
  grid.SetPicDataSet(&table);
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.PicNames().size(), 7u);
  EXPECT_EQ(table.RecNo(), 1);  // back on the first record

  RecordingCanvas c;
  grid.DrawCell(0, 2, {0, 360, 180, 540}, 180, 180, c);  // the seventh shape
  ASSERT_EQ(c.Lines.size(), 1u);
  EXPECT_EQ(c.Lines[0].To, (Point{105, 450}));  // 70 x 1.5, 360 + 60 x 1.5
  EXPECT_EQ(c.Texts, (std::vector<std::string>{"30,517 n70"}));

  for (int col : {1, 2}) {
    RecordingCanvas empty;
    grid.DrawCell(col, 2, {180 * col, 360, 180 * col + 180, 540}, 180, 180, empty);
    EXPECT_TRUE(empty.Calls.empty()) << col;
  }
}

TEST_F(ShapeGridTest, ClickMakesTheShapesRecordCurrent) {
  Fill({10, 20, 30, 40, 50, 60, 70});
  grid.SetPicDataSet(&table);
  const struct {
    int col, row, from, to;
  } cases[] = {{1, 1, 1, 5}, {0, 0, 6, 1}, {0, 2, 3, 7}, {2, 2, 2, 7}, {1, 2, 7, 7}};
  for (const auto& c : cases) {
    table.SetRecNo(c.from);
    grid.Click(c.col, c.row, table);
    EXPECT_EQ(table.RecNo(), c.to) << c.col << "," << c.row << " from " << c.from;
  }
}

TEST_F(ShapeGridTest, EmptyTableAndEmptyPictureField) {
  Fill({});
  grid.SetPicDataSet(&table);
  EXPECT_EQ(grid.RowCount(), 0);
  grid.Click(0, 0, table);

  table.Load(PicFields(), {{data::Value{}, "blank"}}, 0);
  grid.SetPicDataSet(&table);
  RecordingCanvas c;
  grid.DrawCell(0, 0, {0, 0, 180, 180}, 180, 180, c);
  EXPECT_TRUE(c.Lines.empty());
  EXPECT_EQ(c.Texts, (std::vector<std::string>{"30,157 blank"}));
}

TEST_F(ShapeGridTest, ImageDrawsTheCurrentRecord) {
  Fill({10, 20});
  table.SetRecNo(2);
  ShapeImage image;
  image.PicField = "Pic";
  image.PicNameField = "PicName";
  RecordingCanvas c;
  image.SetPicDataSet(&table, 120, 120, c);
  EXPECT_EQ(c.Calls.at(3), "FillRect 0,0 120,120");
  ASSERT_EQ(c.Lines.size(), 1u);
  EXPECT_EQ(c.Lines[0].To, (Point{20, 60}));
  EXPECT_EQ(c.Calls.back(), "Text 20,105 n20");
}

}  // namespace
}  // namespace takeoff::shapes
