// The record grid's rules without a window: looks of cells, Enter and Tab movement
// with appending and dropping an untouched new row, the rows shown while a record
// is inserted, the annotation boxes, the adjustment keys and the formula box size.
#include <gtest/gtest.h>

#include "support/data_fixture.h"
#include "text/gbk.h"
#include "ui/record_grid.h"

namespace takeoff::testing {
namespace {

using ui::RecordGrid;

class RecordGridTest : public DataFixture {
protected:
  RecordGrid grid{md};
};

TEST_F(RecordGridTest, GeneratedRecordsAreBlueOrYellowWhenSelectedAndWrongFormulasRed) {
  Records().SetRecNo(2);
  Records().Edit();
  Records().SetAsInteger(R("Type"), 2);  // generated
  Records().Post();
  Records().SetRecNo(3);
  TypeFormula("3*(4");

  const ui::Rgb blue{0, 0, 255}, yellow{255, 255, 0}, red{255, 0, 0};
  EXPECT_FALSE(grid.Look(1, ui::kColumnName, false).Text);
  EXPECT_EQ(grid.Look(2, ui::kColumnName, false).Text, blue);
  grid.SetSelected({2});
  EXPECT_EQ(grid.Look(2, ui::kColumnName, false).Text, yellow);
  EXPECT_EQ(grid.Look(3, ui::kColumnFormula, false).Background, red);
  EXPECT_FALSE(grid.Look(3, ui::kColumnName, false).Background);
  const ui::CellLook focused = grid.Look(1, ui::kColumnName, true);
  EXPECT_EQ(focused.Text, yellow);
  EXPECT_EQ(focused.Background, blue);
}

TEST_F(RecordGridTest, EnterSkipsQuantityAndMarkAndAppendsPastTheLastRecord) {
  Records().SetRecNo(5);
  grid.SetColumn(ui::kColumnUnit);
  grid.Enter();
  EXPECT_EQ(grid.Column(), ui::kColumnFormula);
  grid.Enter();  // past the formula: first column of a new record after the last
  EXPECT_EQ(grid.Column(), ui::kColumnId);
  EXPECT_EQ(Records().State(), data::TableState::Insert);
  EXPECT_TRUE(grid.NewRowUntouched());
  EXPECT_EQ(grid.DisplayRowCount(), 6);
  EXPECT_EQ(grid.RecordOfDisplayRow(6), 0);

  grid.Leave();  // left without typing: dropped
  EXPECT_EQ(Records().State(), data::TableState::Browse);
  EXPECT_EQ(Records().RecordCount(), 5);

  // Tab goes through every column; from a middle row Enter moves to the next record.
  Records().SetRecNo(2);
  grid.SetColumn(ui::kColumnValue);
  grid.Tab();
  EXPECT_EQ(grid.Column(), ui::kColumnMark);
  grid.Tab();
  EXPECT_EQ(grid.Row(), 3);
  EXPECT_EQ(grid.Column(), ui::kColumnId);
}

TEST_F(RecordGridTest, TypingIntoAnEmptyNodeAppendsItsFirstRecord) {
  AddNode(2, 0, 4, "empty");
  SelectNode(2);
  EXPECT_EQ(grid.DisplayRowCount(), 1);  // a blank row to type into
  EXPECT_EQ(grid.CellText(1, ui::kColumnFormula), "");
  grid.SetField("BDS", "2*3");
  grid.Post();
  ASSERT_EQ(Records().RecordCount(), 1);
  EXPECT_EQ(grid.CellText(1, ui::kColumnId), "1");
  EXPECT_EQ(grid.CellText(1, ui::kColumnFormula), "2*3");
  EXPECT_EQ(grid.CellText(1, ui::kColumnValue), "6.00");
}

TEST_F(RecordGridTest, RowsShownWhileARecordIsInsertedBeforeTheThird) {
  Records().SetRecNo(3);
  Records().Insert();
  Records().SetAsString(R("Name"), "new");
  EXPECT_EQ(grid.DisplayRowCount(), 6);
  EXPECT_EQ(grid.CurrentDisplayRow(), 3);
  const std::vector<int> records = {1, 2, 0, 3, 4, 5};
  for (int row = 1; row <= 6; ++row) EXPECT_EQ(grid.RecordOfDisplayRow(row), records[row - 1]) << row;
  EXPECT_EQ(grid.CellText(3, ui::kColumnName), "new");
  EXPECT_EQ(grid.CellText(4, ui::kColumnName), "R3");
}

TEST_F(RecordGridTest, EmptyingAFromBoxClearsItsToFieldAndDisablesIt) {
  grid.SetAnnotation("AX1", text::Gbk("①"));
  grid.SetAnnotation("AX2", text::Gbk("③"));
  EXPECT_TRUE(grid.AnnotationEnabled("AX2"));
  grid.SetAnnotation("AX1", "");
  EXPECT_EQ(Records().AsString(R("AX2")), "");
  EXPECT_FALSE(grid.AnnotationEnabled("AX2"));
  EXPECT_TRUE(grid.AnnotationEnabled("AX1"));
  EXPECT_TRUE(grid.AnnotationEnabled("BDSZS"));

  for (const char* note : {"a", "b", "a"}) grid.LeaveNoteBox(note);
  grid.LeaveNoteBox("");
  EXPECT_EQ(grid.NoteList(), (std::vector<std::string>{"a", "b"}));
}

TEST(RecordGridBoxes, AxisListsAdjustmentKeysAndFormulaBoxSize) {
  const auto& boxes = ui::AnnotationBoxes();
  EXPECT_EQ(boxes[0].List.size(), 100u);
  EXPECT_EQ(boxes[0].List.front(), text::Gbk("①"));
  EXPECT_EQ(boxes[0].List[10], text::Gbk("\xEE\x81\xBE"));  // U+E07E after ⑩
  EXPECT_EQ(boxes[2].List.size(), 79u);
  EXPECT_EQ(boxes[5].List.back(), "120");

  for (char32_t k : {U'0', U'9', U'(', U')', U'*', U'+', U'-', U'.', U'/', char32_t{8}}) EXPECT_TRUE(ui::AcceptsAdjustKey(k));
  for (char32_t k : {U',', U'a', U' ', U'='}) EXPECT_FALSE(ui::AcceptsAdjustKey(k));

  // (bytes * 9 + 36) / width lines of 20 pixels, plus 32; width = cell + grid left + 18.
  const ui::BoxSize s = ui::FormulaBoxSize(280, 2, 100);
  EXPECT_EQ(s.Width, 300);
  EXPECT_EQ(s.Height, (100 * 9 + 36) / 300 * 20 + 32);
}

}  // namespace
}  // namespace takeoff::testing
