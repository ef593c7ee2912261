#include "text/line_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace takeoff::text {
namespace {

namespace fs = std::filesystem;

class LineFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("takeoff-lines-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(LineFileTest, WritesCrLfLinesAndReadsThemBack) {
  const fs::path f = dir / "useinfo" / "hstfn.ini";  // the folder is created
  const std::vector<std::string> lines = {"\xD6\xD0\xCE\xC4", "", "-1", "0"};
  ASSERT_TRUE(WriteLines(f, lines));
  std::ifstream in(f, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(raw, "\xD6\xD0\xCE\xC4\r\n\r\n-1\r\n0\r\n");
  EXPECT_EQ(ReadLines(f), lines);
}

TEST_F(LineFileTest, ReadsAnyLineEndAndMissingFiles) {
  fs::create_directories(dir);
  const fs::path f = dir / "x.ini";
  std::ofstream(f, std::ios::binary) << "a\nb\rc\r\n\r\nlast";
  EXPECT_EQ(ReadLines(f), (std::vector<std::string>{"a", "b", "c", "", "last"}));
  EXPECT_TRUE(ReadLines(dir / "missing.ini").empty());
}

}  // namespace
}  // namespace takeoff::text
