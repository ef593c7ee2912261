// The calculation records: quantity and error mark, names defined on the spot,
// formula origin, numbering, insertion, copy and paste with placements, deletion,
// quota codes, the brush, quota assignment and the find filter.
#include <numeric>
#include <ostream>
#include <optional>

#include "support/data_fixture.h"

namespace takeoff::testing {
namespace {

using data::TableError;
using Names_ = std::vector<std::string>;

using RecordsTest = DataFixture;

TEST_F(RecordsTest, AnUndefinedVariableIsDefinedWithValueZeroAndTheRecordFollowsItsValue) {
  Table& t = Records();
  t.SetRecNo(2);
  TypeFormula(G("$[高度]*2"));

  EXPECT_EQ(t.ExactText(R("Val")), "0.00");
  EXPECT_TRUE(t.AsBoolean(R("ifER")));
  EXPECT_EQ(VariableNames(), Names_{G("高度")});
  EXPECT_EQ(md.ValList[0].Val, 0);
  EXPECT_EQ(app.VariablesWindowOpened, 1);
  EXPECT_TRUE(md.NameChecks);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("变量 \"$[高度]\" 没有定义，请定义该变量！"));

  // Reading the records again neither defines nor announces anything more.
  Column("Val");
  t.First();
  t.SetRecNo(2);
  EXPECT_EQ(md.DataSetVal.StoredRowCount(), 1u);
  EXPECT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(app.VariablesWindowOpened, 1);

  // The user gives the variable the value 3; the current record shows 6 at once.
  Table& v = md.DataSetVal;
  v.First();
  v.Edit();
  v.SetAsString(v.FieldNo("BDS"), "3");
  v.Post();
  EXPECT_EQ(t.ExactText(R("Val")), "6.00");
  EXPECT_FALSE(t.AsBoolean(R("ifER")));
}

TEST_F(RecordsTest, AReferenceThatCannotNameAVariableDefinesNothing) {
  // "$高度" has no brackets and "$[]" an empty name: no variable could satisfy them,
  // so none is added at each computation.
  for (const char* formula : {"$abc*2", "$[]*2"}) {
    TypeFormula(formula);
    EXPECT_TRUE(Records().AsBoolean(R("ifER"))) << formula;
  }
  TypeFormula("$[" + std::string(33, 'n') + "]");  // wider than a variable name
  EXPECT_EQ(md.DataSetVal.StoredRowCount(), 0u);
  EXPECT_EQ(app.VariablesWindowOpened, 0);
}

TEST_F(RecordsTest, AnUndefinedOpeningLeavesANewCatalogueRowForTheUser) {
  TypeFormula("&[M1_W1]*2");
  Table& w = md.DataWindows;
  EXPECT_EQ(w.State(), TableState::Insert);
  EXPECT_EQ(w.AsString(w.FieldNo("Name")), "M1");
  EXPECT_EQ(app.OpeningsWindowOpened, 1);
  EXPECT_TRUE(md.NameChecks);
  EXPECT_TRUE(Records().AsBoolean(R("ifER")));

  // While that row waits, computing again appends nothing.
  Records().Next();
  Records().Prior();
  EXPECT_EQ(w.State(), TableState::Insert);
  EXPECT_EQ(w.StoredRowCount(), 0u);
  EXPECT_EQ(app.OpeningsWindowOpened, 1);
}

TEST_F(RecordsTest, AnUndefinedOpeningWhileAnOpeningIsEditedStoresThatEditFirst) {
  Table& w = md.DataWindows;
  const int name = w.FieldNo("Name"), num = w.FieldNo("Num");
  w.Append();
  w.SetAsString(name, "C1");
  w.Post();
  w.Edit();
  w.SetAsInteger(num, 3);

  TypeFormula("&[M2_S]");
  ASSERT_EQ(w.StoredRowCount(), 1u);
  EXPECT_EQ(w.ValueAt(1, num), data::Value(std::int64_t{3}));
  EXPECT_EQ(w.State(), TableState::Insert);
  EXPECT_EQ(w.AsString(name), "");
  EXPECT_TRUE(md.NameChecks);
}

TEST_F(RecordsTest, AVariableValueIsInsertedWithoutBrackets) {
  AddVariable("a", "-2");
  TypeFormula("3*$[a]");
  EXPECT_EQ(Records().ExactText(R("Val")), "0.00");
  EXPECT_TRUE(Records().AsBoolean(R("ifER")));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("计算式错误！\r\r*-2"));

  TypeFormula("$[a]*3");
  EXPECT_EQ(Records().ExactText(R("Val")), "-6.00");
  EXPECT_FALSE(Records().AsBoolean(R("ifER")));
}

TEST_F(RecordsTest, ReferencesAreReplacedByTheCachedValues) {
  AddVariable("a", "1.5");
  md.WinList.push_back({"M1", 2.1, 2.4, 0.9, 0.8, 5.7});  // S, H, W1, W2, L
  md.WinList.push_back({"M", 9, 9, 9, 9, 9});             // a name that is the start of another
  const struct {
    const char* formula;
    const char* val;
    bool error;
  } cases[] = {
      {"&[M1_S]*2+&[M1_W1]", "5.10", false},
      {"$[a]+$[a]*&[M1_H]", "5.10", false},
      {"&[M1_L]-&[M1_W2]+&[M_S]", "13.90", false},
      {"&[M1_X]", "0.00", true},
  };
  for (const auto& c : cases) {
    TypeFormula(c.formula);
    EXPECT_EQ(Records().ExactText(R("Val")), c.val) << c.formula;
    EXPECT_EQ(Records().AsBoolean(R("ifER")), c.error) << c.formula;
  }
  EXPECT_EQ(md.DataWindows.State(), TableState::Browse);  // M1 is defined: nothing to add
}

TEST_F(RecordsTest, AQuantityBeyondTheFieldsRangeIsMarkedAsAnError) {
  TypeFormula("999999999999999*10");
  EXPECT_EQ(Records().ExactText(R("Val")), "0.00");
  EXPECT_TRUE(Records().AsBoolean(R("ifER")));
}

TEST_F(RecordsTest, NothingIsComputedWhileARoutineHoldsRecalculation) {
  const struct {
    bool data::TDataMd::*sw;
    bool value;
  } cases[] = {
      {&data::TDataMd::CalcEnabled, false},
      {&data::TDataMd::BulkOpInProgress, true},
      {&data::TDataMd::RecalcHold, true},
  };
  Table& t = Records();
  for (const auto& c : cases) {
    md.*c.sw = c.value;
    t.SetRecNo(2);
    EXPECT_TRUE(t.IsNull(R("Val")));
    EXPECT_TRUE(t.IsNull(R("ifER")));
    EXPECT_TRUE(t.IsNull(R("MemStr")));
    md.*c.sw = !c.value;
    t.SetRecNo(3);
    EXPECT_EQ(t.ExactText(R("Val")), "3.00");
  }
}

TEST_F(RecordsTest, EditingAFormulaMarksItsOrigin) {
  Table& t = Records();
  t.Edit();
  t.SetAsInteger(R("Type"), 2);  // generated from a system template
  t.Post();
  TypeFormula("2*3");
  EXPECT_EQ(t.AsInteger(R("Type")), 4);
  TypeFormula("2*4");
  EXPECT_EQ(t.AsInteger(R("Type")), 1);

  const struct {
    int before, after;
  } cases[] = {{3, 5}, {5, 1}, {0, 1}, {1, 1}};
  for (const auto& c : cases) {
    ev.ShowExprMsg = false;
    t.Edit();
    t.SetAsInteger(R("Type"), c.before);
    t.SetAsString(R("BDS"), "1+1");
    EXPECT_EQ(t.AsInteger(R("Type")), c.after) << c.before;
    EXPECT_TRUE(ev.ShowExprMsg);
    t.Cancel();
  }
  EXPECT_FALSE(md.RecalcHold);
}

TEST_F(RecordsTest, PostingNumbersNewRecordsStampsTheTimeAndMarksTheProject) {
  AddRecord("R6", "6");
  EXPECT_EQ(Records().AsInteger(R("Id")), 6);
  EXPECT_EQ(md.LastRecordId, 6);
  EXPECT_GE(app.Stamps, 1);
  EXPECT_TRUE(app.Modified);
}

// --- Insertion

struct InsertCase {
  int current;  // record number of the current record; 0: a new row is pending
  int n;
  Names_ names;
};

void PrintTo(const InsertCase& c, std::ostream* os) { *os << "current " << c.current << ", n " << c.n; }

class InsertRecordsTest : public DataFixture, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(InsertRecordsTest, MakesRoomInTheNumbering) {
  const InsertCase& c = GetParam();
  Table& t = Records();
  if (c.current == 0) t.Append();
  else t.SetRecNo(c.current);

  data::InsertRecords(md, c.n, false);

  EXPECT_EQ(Names(), c.names);
  Names_ ids(c.names.size());
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = std::to_string(i + 1);
  EXPECT_EQ(Ids(), ids);
  EXPECT_EQ(md.LastRecordId, static_cast<int>(ids.size()));
  EXPECT_TRUE(md.CalcEnabled);
  EXPECT_FALSE(t.ControlsDisabled());
  EXPECT_EQ(t.State(), TableState::Browse);
  // The current row shows its quantity again.
  EXPECT_FALSE(t.IsNull(R("Val")));
}

INSTANTIATE_TEST_SUITE_P(Records, InsertRecordsTest,
                         ::testing::Values(InsertCase{3, 1, {"R1", "R2", "", "R3", "R4", "R5"}},
                                           InsertCase{1, 2, {"", "", "R1", "R2", "R3", "R4", "R5"}},
                                           InsertCase{5, 1, {"R1", "R2", "R3", "R4", "", "R5"}},
                                           InsertCase{0, 1, {"R1", "R2", "R3", "R4", "R5", "", ""}}));

TEST_F(RecordsTest, InsertingIntoAnEmptyNodeStartsAtOne) {
  AddNode(2, 0, 4, "other");
  SelectNode(2);
  EXPECT_EQ(md.LastRecordId, 0);
  EXPECT_EQ(data::InsertRecords(md, 2, false), 1);
  EXPECT_EQ(Ids(), (Names_{"1", "2"}));
  AddRecord("X", "1");
  EXPECT_EQ(Ids(), (Names_{"1", "2", "3"}));
}

// --- Copy and paste

TEST_F(RecordsTest, PastedRecordsBringTheirPlacementsWithTheExtractionsOff) {
  Table& t = Records();
  t.SetRecNo(2);
  t.Edit();
  t.SetAsString(R("TU"), "JG");
  t.SetAsString(R("BDSZS"), "note");
  t.Post();
  Place("M1", 2, 1);
  Place("C1", 1, 2);

  data::CopyRecords(md, {1, 2, 3});
  EXPECT_TRUE(md.PasteEnabled);
  EXPECT_EQ(md.CopyBuffer.size(), 3u);
  EXPECT_EQ(md.PlacementBuffer.size(), 2u);
  EXPECT_EQ(md.CopyBuffer[1].Val, 2);

  t.SetRecNo(5);
  data::PasteRecords(md);
  EXPECT_EQ(Names(), (Names_{"R1", "R2", "R3", "R4", "R1", "R2", "R3", "R5"}));
  EXPECT_EQ(Ids(), (Names_{"1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_EQ(t.RecNo(), 5);  // the first pasted record
  EXPECT_EQ(t.ExactText(R("Val")), "1.00");

  Table& p = md.DataSetWin;
  t.SetRecNo(6);
  EXPECT_EQ(t.AsString(R("BDSZS")), "note");
  EXPECT_EQ(t.AsString(R("TU")), "");  // drawing references are not copied
  ASSERT_EQ(p.RecordCount(), 2);
  const int name = p.FieldNo("Name"), num = p.FieldNo("Num"), side = p.FieldNo("Side"), getS = p.FieldNo("ifgetS");
  EXPECT_EQ(p.ValueAt(1, name), data::Value(std::string("M1")));
  EXPECT_EQ(p.ValueAt(1, num), data::Value(std::int64_t{2}));
  EXPECT_EQ(p.ValueAt(1, side), data::Value(std::int64_t{1}));
  EXPECT_EQ(p.ValueAt(2, name), data::Value(std::string("C1")));
  EXPECT_EQ(p.ValueAt(2, side), data::Value(std::int64_t{2}));
  EXPECT_EQ(p.ValueAt(1, getS), data::Value(std::int64_t{0}));
  for (int row : {5, 7}) {
    t.SetRecNo(row);
    EXPECT_TRUE(p.IsEmpty()) << row;
  }
  t.SetRecNo(2);  // the original keeps its own
  ASSERT_EQ(p.RecordCount(), 2);
  EXPECT_EQ(p.ValueAt(1, getS), data::Value(std::int64_t{1}));
  EXPECT_FALSE(md.BulkOpInProgress);
}

TEST_F(RecordsTest, OneSelectedRowCopiesTheCurrentRow) {
  Records().SetRecNo(4);
  data::CopyRecords(md, {2});
  ASSERT_EQ(md.CopyBuffer.size(), 1u);
  EXPECT_EQ(md.CopyBuffer[0].Name, "R4");
  EXPECT_EQ(Records().RecNo(), 4);
}

TEST_F(RecordsTest, ABufferOfMoreThanFiftyRecordsIsPastedOnce) {
  for (int i = 6; i <= 51; ++i) AddRecord("R" + std::to_string(i), "1");
  std::vector<int> rows(50);
  std::iota(rows.begin(), rows.end(), 1);

  data::CopyRecords(md, rows);
  data::PasteRecords(md);
  data::PasteRecords(md);
  EXPECT_EQ(Records().RecordCount(), 151);
  EXPECT_TRUE(md.PasteEnabled);

  rows.push_back(51);
  data::CopyRecords(md, rows);
  data::PasteRecords(md);
  EXPECT_EQ(Records().RecordCount(), 202);
  EXPECT_FALSE(md.PasteEnabled);
  EXPECT_TRUE(md.CopyBuffer.empty());
  data::PasteRecords(md);
  EXPECT_EQ(Records().RecordCount(), 202);
}

TEST_F(RecordsTest, APasteThatFailsRestoresTheSwitchesAndTheView) {
  Table& t = Records();
  t.SetRecNo(2);
  Place("M1", 1, 0);
  data::CopyRecords(md, {});
  // The record table's identities have gone past what a placement can hold.
  std::vector<std::vector<data::Value>> rows;
  for (std::size_t i = 0; i < t.StoredRowCount(); ++i) rows.push_back(t.StoredRow(i));
  t.Load(t.StoredFieldDefs(), rows, 65535);

  t.SetRecNo(5);
  EXPECT_THROW(data::PasteRecords(md), TableError);

  EXPECT_TRUE(md.CalcEnabled);
  EXPECT_FALSE(md.BulkOpInProgress);
  EXPECT_FALSE(t.ControlsDisabled());
  EXPECT_EQ(md.DataSetWin.State(), TableState::Browse);
  EXPECT_EQ(md.DataSetWin.StoredRowCount(), 1u);
  // The record itself is in, numbered, and shows its quantity.
  EXPECT_EQ(Names(), (Names_{"R1", "R2", "R3", "R4", "R2", "R5"}));
  EXPECT_EQ(Ids(), (Names_{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(t.State(), TableState::Browse);
  EXPECT_EQ(t.ExactText(R("Val")), "2.00");
}

// --- Deletion

struct DeleteCase {
  std::vector<int> selected;
  int current;
  Names_ names;
};

void PrintTo(const DeleteCase& c, std::ostream* os) {
  *os << "current " << c.current << ", selected";
  for (int r : c.selected) *os << ' ' << r;
}

class RenumberTest : public DataFixture, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(RenumberTest, NumbersTheRemainingRecordsByPosition) {
  const DeleteCase& c = GetParam();
  Table& t = Records();
  for (int row = 1; row <= 5; ++row) {
    t.SetRecNo(row);
    Place("M1", row, 0);
  }
  t.SetRecNo(c.current);

  data::RenumberAfterDelete(md, c.selected);

  EXPECT_EQ(Names(), c.names);
  Names_ ids(c.names.size());
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = std::to_string(i + 1);
  EXPECT_EQ(Ids(), ids);
  EXPECT_EQ(md.DataSetWin.StoredRowCount(), c.names.size());  // placements went with their records
  EXPECT_TRUE(app.Modified);
  EXPECT_FALSE(md.RecalcHold);
  EXPECT_TRUE(md.CalcEnabled);
  EXPECT_FALSE(t.IsNull(R("Val")));
  AddRecord("new", "1");  // numbering continues without a gap
  EXPECT_EQ(t.AsInteger(R("Id")), static_cast<int>(ids.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(Records, RenumberTest,
                         ::testing::Values(DeleteCase{{}, 2, {"R1", "R3", "R4", "R5"}},
                                           DeleteCase{{2, 4}, 1, {"R1", "R3", "R5"}},
                                           DeleteCase{{5, 1}, 3, {"R2", "R3", "R4"}}));

// --- Quota codes, brush and assignment

class QuotaRecordsTest : public DataFixture {
protected:
  QuotaRecordsTest() {
    app.Library["010101"] = {"A010101", G("平整场地"), "100m2"};
    app.Library["X1"] = {"AX1", G("库名称"), "100m3"};
  }
};

TEST_F(QuotaRecordsTest, ATypedCodeFoundInTheLibraryBringsNameAndUnitAndIsStoredWithItsMark) {
  const struct {
    std::vector<const char*> typed;
    const char* stored;
  } cases[] = {
      {{"010101"}, "A010101"},
      {{"999"}, "999"},
      {{"010101", "999"}, "999"},  // only the code typed last counts
  };
  Table& t = Records();
  for (const auto& c : cases) {
    t.Edit();
    for (const char* code : c.typed) t.SetAsString(R("DM"), code);
    t.Post();
    EXPECT_EQ(t.AsString(R("DM")), c.stored) << c.typed.back();
  }

  t.SetRecNo(2);
  t.Edit();
  t.SetAsString(R("DW"), "m2");
  t.SetAsString(R("DM"), "010101");
  EXPECT_EQ(t.AsString(R("Name")), G("平整场地"));
  EXPECT_EQ(t.AsString(R("DW")), "100m2");
  EXPECT_EQ(t.AsString(R("BDS")), "(2)/100" + G("[!单位换算]"));
  // A cancelled code does not reach the next record posted.
  t.Cancel();
  t.SetRecNo(3);
  t.Edit();
  t.SetAsString(R("Name"), "x");
  t.Post();
  EXPECT_EQ(t.AsString(R("DM")), "");
}

TEST_F(QuotaRecordsTest, TheBrushCopiesCodeNameAndUnitAndTheCopiedUnitStays) {
  Table& t = Records();
  t.Edit();
  t.SetAsString(R("DM"), "Q7");
  t.SetAsString(R("DW"), "m");
  t.Post();
  ASSERT_TRUE(data::BrushTake(md));

  t.SetRecNo(3);
  data::BrushApply(md);
  EXPECT_EQ(t.AsString(R("DM")), "Q7");
  EXPECT_EQ(t.AsString(R("Name")), "R1");
  EXPECT_EQ(t.AsString(R("DW")), "m");
  EXPECT_EQ(t.State(), TableState::Browse);

  // A code of the library brings the library's name and rescales the formula.
  md.Brush.DM = "X1";
  t.SetRecNo(4);
  data::BrushApply(md);
  EXPECT_EQ(t.AsString(R("DM")), "AX1");
  EXPECT_EQ(t.AsString(R("Name")), G("库名称"));
  EXPECT_EQ(t.AsString(R("DW")), "m");
  EXPECT_EQ(t.AsString(R("BDS")), "(4)/100" + G("[!单位换算]"));

  AddNode(2, 0, 4, "other");
  SelectNode(2);
  EXPECT_FALSE(data::BrushTake(md));
}

struct AssignCase {
  int mode;
  std::optional<std::string> answer;  // nothing: the dialog is cancelled
  Names_ names;                       // UTF-8
};

void PrintTo(const AssignCase& c, std::ostream* os) {
  *os << "mode " << c.mode << ", answer " << (c.answer ? *c.answer : "(cancel)");
}

class AssignQuotaTest : public DataFixture, public ::testing::WithParamInterface<AssignCase> {};

TEST_P(AssignQuotaTest, GivesTheSelectedRecordsTheItemWithTheEnteredName) {
  const AssignCase& c = GetParam();
  app.Current = data::QuotaItem{"A0102", G("挖土方"), "100m3"};
  host.AnswerInput(c.answer);
  Records().SetRecNo(1);

  data::AssignQuotaToSelection(md, c.mode, {2, 4});

  ASSERT_EQ(host.Inputs.size(), 1u);
  EXPECT_EQ(host.Inputs[0].Caption, G("编辑子目名"));
  EXPECT_EQ(host.Inputs[0].Prompt, G("请输入子目名称"));
  EXPECT_EQ(host.Inputs[0].Proposed, G("挖土方"));
  Names_ expected;
  for (const std::string& n : c.names) expected.push_back(G(n));
  EXPECT_EQ(Names(), expected);
  const bool assigned = c.mode == 0 || c.mode == 1;
  EXPECT_EQ(Column("DM"), assigned ? (Names_{"", "A0102", "", "A0102", ""}) : Names_(5));
  EXPECT_EQ(Column("BDS")[1], assigned ? "(2)/100" + G("[!单位换算]") : "2");
  EXPECT_EQ(Column("DW")[3], assigned ? "100m3" : "m3");
}

INSTANTIATE_TEST_SUITE_P(Records, AssignQuotaTest,
                         ::testing::Values(AssignCase{0, "Dig", {"R1", "Dig", "R3", "Dig", "R5"}},
                                           AssignCase{1, "Dig", {"R1", "Dig  R2", "R3", "Dig  R4", "R5"}},
                                           AssignCase{0, std::nullopt, {"R1", "挖土方", "R3", "挖土方", "R5"}},
                                           AssignCase{2, "Dig", {"R1", "R2", "R3", "R4", "R5"}}));

TEST_F(RecordsTest, QuotaAssignmentWithoutASelectionTakesTheCurrentRecordAndWithoutALibraryNothing) {
  data::AssignQuotaToSelection(md, 0, {});
  EXPECT_TRUE(host.Inputs.empty());

  app.Current = data::QuotaItem{"B1", "Item", "m3"};
  host.AnswerInput("Item");
  Records().SetRecNo(3);
  data::AssignQuotaToSelection(md, 0, {});
  EXPECT_EQ(Names(), (Names_{"R1", "R2", "Item", "R4", "R5"}));
}

// --- Find filter

TEST_F(RecordsTest, TheFindFilterKeepsRowsWhoseFieldContainsTheTextIgnoringCase) {
  Table& t = Records();
  const std::string names[] = {"Wall A", "wall b", G("内墙抹灰"), G("外墙丄"), "Floor"};
  for (int row = 1; row <= 5; ++row) {
    t.SetRecNo(row);
    t.Edit();
    t.SetAsString(R("Name"), names[row - 1]);
    t.Post();
  }
  const struct {
    const char* field;
    std::string text;
    Names_ shown;
  } cases[] = {
      {"Name", "WALL", {"Wall A", "wall b"}},
      {"Name", G("墙"), {G("内墙抹灰"), G("外墙丄")}},
      {"Name", "a", {"Wall A", "wall b"}},  // the second byte of 丄 is no letter A
      {"BDS", "3", {G("内墙抹灰")}},
      {"Name", "", {names[0], names[1], names[2], names[3], names[4]}},
  };
  t.SetFiltered(true);
  for (const auto& c : cases) {
    md.FindField = c.field;
    md.FindText = c.text;
    t.Refresh();
    EXPECT_EQ(Names(), c.shown) << c.field << " " << c.text;
  }
}

}  // namespace
}  // namespace takeoff::testing
