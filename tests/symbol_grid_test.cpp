// The symbol grid of the symbol palette: filling it from the symbol file, the
// magnifier and the insertion of the picked symbol; and the shipped symbol file.
#include "ui/symbol_grid.h"

#include <set>

#include "support/data_fixture.h"
#include "support/files.h"

namespace takeoff::testing {
namespace {

namespace fs = std::filesystem;
using ui::SymbolGrid;

std::string G(std::string_view utf8) { return text::Gbk(utf8); }

// "s0" CR LF "s1" CR LF ... for n lines.
std::string Lines(int n, const char* end = "\r\n") {
  std::string out;
  for (int i = 0; i < n; ++i) out += "s" + std::to_string(i) + end;
  return out;
}

class SymbolGridTest : public ::testing::Test {
protected:
  void Fill(const std::string& bytes) {
    const fs::path f = folder.Path / "fh.dat";
    WriteAll(f, bytes);
    grid.FillFromFile(f);
  }

  // How many cells of a row hold text.
  int Filled(int row) {
    int n = 0;
    for (int col = 0; col < SymbolGrid::kColumns; ++col) n += grid.Cell(row, col).empty() ? 0 : 1;
    return n;
  }

  TempFolder folder;
  ScriptedHost host;
  SymbolGrid grid{host};
};

TEST_F(SymbolGridTest, LinesFillTheRowsTenAtATime) {
  const struct {
    const char* what;
    std::string bytes;
    std::vector<int> filled;  // filled cells per row; its size is the row count
  } cases[] = {
      {"25 lines", Lines(25), {10, 10, 5}},
      {"20 lines: a third, empty row", Lines(20), {10, 10, 0}},
      {"empty lines at the end are dropped", Lines(25) + "\r\n\r\n", {10, 10, 5}},
      {"LF line ends", Lines(11, "\n"), {10, 1}},
      {"no end on the last line", Lines(9) + "s9", {10, 0}},
      {"only empty lines: one empty row", "\r\n\r\n\n", {0}},
      {"an empty file", "", {0}},
  };
  for (const auto& c : cases) {
    Fill(c.bytes);
    ASSERT_EQ(grid.RowCount(), static_cast<int>(c.filled.size())) << c.what;
    for (std::size_t row = 0; row < c.filled.size(); ++row)
      EXPECT_EQ(Filled(static_cast<int>(row)), c.filled[row]) << c.what << ", row " << row;
  }
}

TEST_F(SymbolGridTest, LineIGoesToColumnIMod10OfRowIDiv10AndEmptyLinesInsideStay) {
  Fill(Lines(12) + "\r\n" + G("×") + "\r\n");
  EXPECT_EQ(grid.Cell(0, 0), "s0");
  EXPECT_EQ(grid.Cell(0, 9), "s9");
  EXPECT_EQ(grid.Cell(1, 1), "s11");
  EXPECT_EQ(grid.Cell(1, 2), "");  // the empty line keeps its place
  EXPECT_EQ(grid.Cell(1, 3), G("×"));
  // Outside the grid every cell is empty.
  EXPECT_EQ(grid.Cell(2, 0), "");
  EXPECT_EQ(grid.Cell(-1, 0), "");
  EXPECT_EQ(grid.Cell(0, 10), "");
}

TEST_F(SymbolGridTest, AMissingFileLeavesTheGridEmpty) {
  Fill(Lines(3));
  grid.ClickCell(0, 1);
  grid.FillFromFile(folder.Path / "missing.dat");
  EXPECT_EQ(grid.RowCount(), 0);
  EXPECT_EQ(grid.Cell(0, 0), "");
  EXPECT_FALSE(grid.MagnifierVisible());
  grid.FillFromFile(folder.Path);  // a folder is no symbol file
  EXPECT_EQ(grid.RowCount(), 0);
}

TEST_F(SymbolGridTest, TheClickedSymbolIsMagnifiedAndInsertedIntoTheFocusAndThePasteTarget) {
  Fill(G("≤\r\n≥\r\n"));
  grid.ClickMagnifier();  // hidden: nothing happens
  EXPECT_EQ(host.ClipboardWrites, 0);

  grid.ClickCell(0, 1);
  EXPECT_TRUE(grid.MagnifierVisible());
  EXPECT_EQ(grid.MagnifierText(), G("≥"));
  EXPECT_EQ(grid.MagnifierRow(), 0);
  EXPECT_EQ(grid.MagnifierCol(), 1);
  grid.ClickCell(5, 0);  // outside the grid: the magnifier stays
  EXPECT_EQ(grid.MagnifierText(), G("≥"));

  grid.SetPasteTarget("EdBDS");
  grid.ClickMagnifier();
  EXPECT_EQ(host.Clipboard, G("≥"));
  ASSERT_EQ(host.TextActions.size(), 1u);
  EXPECT_EQ(host.TextActions[0].Action, platform::TextAction::Paste);
  EXPECT_EQ(host.TextActions[0].Clipboard, G("≥"));
  ASSERT_EQ(host.Pastes.size(), 1u);
  EXPECT_EQ(host.Pastes[0].Control, "EdBDS");
  EXPECT_EQ(host.Pastes[0].Clipboard, G("≥"));

  // The paste target follows the last one set.
  grid.SetPasteTarget("");
  grid.ClickCell(0, 0);
  grid.ClickMagnifier();
  EXPECT_EQ(host.Clipboard, G("≤"));
  ASSERT_EQ(host.Pastes.size(), 2u);
  EXPECT_EQ(host.Pastes[1].Control, "");
}

TEST_F(SymbolGridTest, TheShippedSymbolFileHoldsOneCodePage936SymbolPerCrLfLine) {
  const fs::path shipped = fs::path(__FILE__).parent_path().parent_path() / "useinfo" / "fh.dat";
  const std::string raw = ReadAll(shipped);
  ASSERT_FALSE(raw.empty()) << shipped;
  ASSERT_TRUE(raw.ends_with("\r\n"));
  std::set<std::string> seen;
  std::size_t from = 0;
  while (from < raw.size()) {
    const std::size_t end = raw.find("\r\n", from);
    ASSERT_NE(end, std::string::npos);
    const std::string line = raw.substr(from, end - from);
    EXPECT_FALSE(line.empty()) << "line at byte " << from;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line at byte " << from;
    EXPECT_NO_THROW((void)text::Cp936ToUtf8(line)) << "line at byte " << from;
    EXPECT_TRUE(seen.insert(line).second) << "repeated: " << text::Cp936ToUtf8Lossy(line);
    from = end + 2;
  }
  grid.FillFromFile(shipped);
  EXPECT_EQ(grid.RowCount(), static_cast<int>(seen.size() / 10 + 1));
}

}  // namespace
}  // namespace takeoff::testing
