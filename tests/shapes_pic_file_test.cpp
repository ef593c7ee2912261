// The editor's .pic backup file: layout, reading back, refusing damaged files, and
// the ".pic" extension that every name gets.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "shapes/pic_file.h"
#include "shapes/shape_error.h"
#include "support/files.h"
#include "text/gbk.h"

namespace takeoff::shapes {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

EditorShape Drawing() {
  EditorShape s;
  s.Lines = {{false, false, 40, 40}, {true, true, 479.5, 401}, {false, true, -3.25, 1e6}};
  s.Arcs = {{true, 140, 170, 260, 230, 260, 200, 200, 170}};
  s.Texts = {{10, 250, text::Gbk("门窗洞口")}, {0, 0, ""}};
  s.Dims = {{40, 200, 440, 200, "L"}, {1.5, 2.5, 3.5, 4.5, text::Gbk("高")}};
  s.Snaps = {{200, 200, kSnapArcCentre}, {120.25, 80.75, kSnapIntersection}};
  s.Segments = {1, 2};
  return s;
}

// Little-endian helpers for hand-made files.
std::string I16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string F64(double v) {
  std::string s(8, '\0');
  const auto bits = std::bit_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return s;
}
std::string Line(double x, double y) { return "\x01\x01"s + std::string(6, '\0') + F64(x) + F64(y); }

TEST(ShapePicFileTest, WritesSixCountedSections) {
  EditorShape s;
  s.Lines = {{true, true, 1.5, -2}};
  s.Texts = {{7, 9, "ab"}};
  s.Segments = {};
  const std::string expected = I16(1) + Line(1.5, -2) + I16(0) + I16(1) + "\x07\x09\x02" "ab"s +
                               std::string(18, '\0') + I16(0) + I16(0) + I16(0);
  EXPECT_EQ(EncodePicFile(s), expected);
  EXPECT_EQ(EncodePicFile(EditorShape{}), std::string(12, '\0'));
}

TEST(ShapePicFileTest, ReadsBackWhatWasWritten) {
  const EditorShape s = Drawing();
  const std::string bytes = EncodePicFile(s);
  EXPECT_EQ(bytes.size(), 12 + 24 * 3 + 72 * 1 + 23 * 2 + 40 * 2 + 24 * 2 + 2 * 2u);
  EXPECT_EQ(DecodePicFile(bytes), s);
  EXPECT_EQ(DecodePicFile(bytes + "more"), s);  // trailing bytes are ignored
}

// Every proper prefix of a file lacks at least the last count: all are refused.
TEST(ShapePicFileTest, RefusesEveryCutFile) {
  const std::string bytes = EncodePicFile(Drawing());
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_THROW(DecodePicFile(bytes.substr(0, n)), ShapeError) << "cut at " << n;
}

TEST(ShapePicFileTest, RefusesDamagedFiles) {
  const std::string rest = I16(0) + I16(0) + I16(0) + I16(0) + I16(0);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"negative count", I16(-1) + rest},
      {"count beyond the data", I16(32767) + Line(1, 1) + rest},
      {"NaN coordinate", I16(1) + Line(std::numeric_limits<double>::quiet_NaN(), 0) + rest},
      {"infinite coordinate", I16(1) + Line(0, -std::numeric_limits<double>::infinity()) + rest},
  };
  for (const auto& c : cases) EXPECT_THROW(DecodePicFile(c.bytes), ShapeError) << c.what;
}

TEST(ShapePicFileTest, CapsLengthsAndDropsSegmentsThatNameNoSegment) {
  // A text mark claiming 25 bytes reads as its 20; a label claiming 9 as its 2.
  std::string text = "\x05\x06\x19" + std::string(20, 'T');
  std::string dim = F64(1) + F64(2) + F64(3) + F64(4) + "\x09XY" + std::string(5, '\0');
  // Three line points; segment indexes 0 and 3 would lead the editor out of the array.
  const std::string bytes = I16(3) + Line(1, 1) + Line(2, 2) + Line(3, 3) + I16(0) + I16(1) + text + I16(1) + dim +
                            I16(0) + I16(4) + I16(0) + I16(2) + I16(3) + I16(1);
  const EditorShape s = DecodePicFile(bytes);
  EXPECT_EQ(s.Texts.at(0).Text, std::string(20, 'T'));
  EXPECT_EQ(s.Dims.at(0).Label, "XY");
  EXPECT_EQ(s.Segments, (std::vector<std::uint16_t>{2, 1}));
}

TEST(ShapePicFileTest, WritesTextsCutToWholeCharacters) {
  EditorShape s;
  s.Texts = {{1, 1, "x" + text::Gbk("一二三四五六七八九十")}};  // 21 bytes: the last character goes
  s.Dims = {{0, 0, 0, 0, "ABC"}};
  const EditorShape back = DecodePicFile(EncodePicFile(s));
  EXPECT_EQ(back.Texts.at(0).Text, "x" + text::Gbk("一二三四五六七八九"));
  EXPECT_EQ(back.Dims.at(0).Label, "AB");
}

TEST(ShapePicFileTest, RefusesToWriteMoreThan32767Elements) {
  EditorShape s;
  s.Segments.assign(32768, 1);
  EXPECT_THROW(EncodePicFile(s), ShapeError);
  s.Segments.resize(32767);
  EXPECT_NO_THROW(EncodePicFile(s));
}

TEST(ShapePicFileTest, EveryNameGetsThePicExtension) {
  const struct {
    const char* typed;
    const char* used;
  } cases[] = {
      {"drawing", "drawing.pic"},
      {"drawing.pid", "drawing.pic"},
      {"drawing.PIC", "drawing.pic"},
      {"dir.v2/plan.old.txt", "dir.v2/plan.old.pic"},
  };
  for (const auto& c : cases) EXPECT_EQ(PicFilePath(c.typed), fs::path(c.used)) << c.typed;
}

class ShapePicFileOnDisk : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("takeoff-pic-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(ShapePicFileOnDisk, WritesAndReadsUnderThePicName) {
  WritePicFile(dir / "backup.pid", Drawing());
  EXPECT_FALSE(fs::exists(dir / "backup.pid"));
  EXPECT_EQ(testing::ReadAll(dir / "backup.pic"), EncodePicFile(Drawing()));
  EXPECT_EQ(ReadPicFile(dir / "backup"), Drawing());
}

TEST_F(ShapePicFileOnDisk, ReportsFilesThatCannotBeUsed) {
  EXPECT_THROW(ReadPicFile(dir / "missing.pic"), ShapeError);
  EXPECT_THROW(WritePicFile(dir / "no-such-dir" / "x.pic", Drawing()), ShapeError);
  testing::WriteAll(dir / "cut.pic", EncodePicFile(Drawing()).substr(0, 30));
  EXPECT_THROW(ReadPicFile(dir / "cut.pic"), ShapeError);

  // A drawing too large for the file leaves an existing file as it was.
  testing::WriteAll(dir / "keep.pic", EncodePicFile(Drawing()));
  EditorShape big;
  big.Lines.resize(40000);
  EXPECT_THROW(WritePicFile(dir / "keep.pic", big), ShapeError);
  EXPECT_EQ(ReadPicFile(dir / "keep.pic"), Drawing());
}

}  // namespace
}  // namespace takeoff::shapes
