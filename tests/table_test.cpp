#include "data/table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "text/gbk.h"

namespace takeoff::data {
namespace {

using text::Gbk;

FieldDef F(const char* name, FieldType type, int size = 0) {
  FieldDef f;
  f.Name = name;
  f.Type = type;
  f.Size = size;
  return f;
}

// Rows of a table in view, each as the text of one field.
std::vector<std::string> Column(Table& t, const char* field) {
  std::vector<std::string> out;
  const int f = t.FieldNo(field);
  for (int i = 1; i <= t.RecordCount(); ++i) {
    Value v = t.ValueAt(i, f);
    out.push_back(IsNull(v)                              ? std::string("null")
                  : v.IsText() ? v.Str()
                                                           : std::to_string(v.Int()));
  }
  return out;
}

void AddRow(Table& t, std::vector<std::pair<const char*, Value>> values) {
  t.Append();
  for (auto& [name, v] : values) t.SetValue(t.FieldNo(name), v);
  t.Post();
}

struct Written {
  FieldDef field;
  Value in;
  const char* text;  // ExactText after the write, or nullptr when refused
};

TEST(TableFields, ValuesAreBroughtToTheFieldType) {
  FieldDef memText = F("MemText", FieldType::Text, 96);
  memText.WriteLimit = 20;
  const Written cases[] = {
      {F("V", FieldType::Decimal, 2), 1.005, "1.00"},
      {F("V", FieldType::Decimal, 2), 1.015, "1.02"},
      {F("V", FieldType::Decimal, 2), 2.675, "2.68"},
      {F("V", FieldType::Decimal, 2), std::string("1.005"), "1.00"},
      {F("V", FieldType::Decimal, 2), std::string("1.0150"), "1.02"},
      {F("V", FieldType::Decimal, 2), std::string("-1.015"), "-1.02"},
      {F("V", FieldType::Decimal, 3), 1.0 / 3, "0.333"},
      {F("V", FieldType::Decimal, 3), std::int64_t{-70000}, "-7.000"},  // a scaled cell
      {F("V", FieldType::Decimal, 2), std::int64_t{12350}, "1.24"},  // 1.235: ties to even
      {F("V", FieldType::Decimal, 2), -0.001, "0.00"},
      {F("V", FieldType::Decimal, 4), 899999999999999.0, "899999999999999.0000"},
      {F("V", FieldType::Decimal, 2), 9e14, nullptr},
      {F("V", FieldType::Decimal, 2), std::string("abc"), nullptr},
      {F("V", FieldType::Decimal, 2), std::nan(""), nullptr},
      {F("V", FieldType::Int16, 0), std::int64_t{32767}, "32767"},
      {F("V", FieldType::Int16, 0), std::int64_t{32768}, nullptr},
      {F("V", FieldType::UInt16, 0), std::int64_t{65535}, "65535"},
      {F("V", FieldType::UInt16, 0), std::int64_t{65536}, nullptr},
      {F("V", FieldType::UInt16, 0), std::int64_t{-1}, nullptr},
      {F("V", FieldType::Int32, 0), std::int64_t{2147483648}, nullptr},
      {F("V", FieldType::Int32, 0), std::string(" 42"), "42"},
      {F("V", FieldType::Int32, 0), std::string("4x"), nullptr},
      {F("V", FieldType::Int32, 0), 2.5, "2"},
      {F("V", FieldType::Int32, 0), std::string(""), ""},
      {F("V", FieldType::Bool, 0), std::string("True"), "True"},
      {F("V", FieldType::Bool, 0), std::string("0"), "False"},
      {F("V", FieldType::Bool, 0), std::string("maybe"), nullptr},
      {F("V", FieldType::Double, 0), std::string("1.5"), "1.5"},
      {F("V", FieldType::Double, 0), HUGE_VAL, nullptr},
      {F("V", FieldType::Text, 4), Gbk("纵轴x"), "纵轴"},
      {F("V", FieldType::Text, 4), Gbk("a纵轴"), "a纵"},  // never half a character
      {F("V", FieldType::Text, 4), std::int64_t{123456}, "1234"},
      {memText, std::string(30, 'x'), "xxxxxxxxxxxxxxxxxxxx"},
      {F("V", FieldType::Memo, 0), std::string(5000, 'y'), nullptr /* checked below */},
  };
  for (const Written& c : cases) {
    Table t("T");
    t.SetFieldDefs({c.field});
    t.CreateDataSet();
    t.Append();
    if (!c.text && c.field.Type != FieldType::Memo) {
      EXPECT_THROW(t.SetValue(0, c.in), TableError) << c.field.Label();
      EXPECT_TRUE(t.IsNull(0)) << "a refused value leaves the field as it was";
      continue;
    }
    t.SetValue(0, c.in);
    t.Post();
    if (c.field.Type == FieldType::Memo) {
      EXPECT_EQ(t.AsString(0).size(), 5000u);
    } else {
      EXPECT_EQ(text::Cp936ToUtf8(t.ExactText(0)), c.text);
    }
  }
}

TEST(TableFields, DecimalCellsWriteBackUnchanged) {
  Table t("T");
  t.SetFieldDefs({F("V", FieldType::Decimal, 2)});
  t.CreateDataSet();
  t.Append();
  t.SetAsString(0, "1.25");
  t.Post();
  const Value cell = t.GetValue(0);
  t.Edit();
  t.SetValue(0, cell);
  t.Post();
  EXPECT_EQ(t.ExactText(0), "1.25");
  t.Edit();
  t.SetAsInteger(0, -3);
  EXPECT_EQ(t.ExactText(0), "-3.00");
  EXPECT_THROW(t.SetAsInteger(0, 900000000000000), TableError);
}

TEST(TableFields, RefusedLoadLeavesTheTableAlone) {
  Table t("T");
  t.SetFieldDefs({F("A", FieldType::Int32)});
  t.Load({F("A", FieldType::Int32)}, {{std::int64_t{1}}}, 0);
  EXPECT_THROW(t.Load({F("A", FieldType::Int32), F("B", FieldType::Int32)}, {{std::int64_t{2}}}, 0), TableError);
  EXPECT_EQ(t.FieldCount(), 1);
  EXPECT_EQ(t.AsInteger(0), 1);
}

TEST(TableFields, RangeAndRequiredMessages) {
  Table t("DataSetWin");
  FieldDef name = F("Name", FieldType::Text, 20);
  name.Required = true;
  name.DisplayLabel = Gbk("名称");
  t.SetFieldDefs({F("AbsId", FieldType::UInt16), name});
  t.CreateDataSet();
  t.Append();
  try {
    t.SetAsInteger(0, 70000);
    FAIL();
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(), "'70000' is not a valid value for field 'AbsId'. The allowed range is 0 to 65535");
  }
  try {
    t.Post();
    FAIL();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()), "Field '" + Gbk("名称") + "' must have a value");
  }
  EXPECT_EQ(t.State(), TableState::Insert) << "the row stays in insert state";
  t.SetAsString(1, "M1");
  t.Post();
  EXPECT_EQ(t.RecordCount(), 1);
}

TEST(TableFields, DefaultsNullsAndAutoValues) {
  Table t("T");
  FieldDef dw = F("DW", FieldType::Text, 10);
  dw.Default = "m3";
  FieldDef num = F("Num", FieldType::Int32);
  num.Default = "1";
  t.SetFieldDefs({dw, num, F("AbsId", FieldType::Auto), F("Val", FieldType::Decimal, 2)});
  t.CreateDataSet();
  for (int i = 0; i < 3; ++i) AddRow(t, {});
  t.First();
  t.Delete();
  AddRow(t, {});
  EXPECT_EQ(Column(t, "AbsId"), (std::vector<std::string>{"2", "3", "4"})) << "auto values are never reused";
  EXPECT_EQ(t.AsString(0), "m3");
  EXPECT_EQ(t.AsInteger(1), 1);
  EXPECT_TRUE(t.IsNull(3));
  EXPECT_EQ(t.AsFloat(3), 0);
  EXPECT_EQ(t.AsString(3), "");
  EXPECT_EQ(t.AutoCounter(), 4);
}

// A table that logs every hook it runs.
class HookLog : public ::testing::Test {
protected:
  void SetUp() override {
    t.SetFieldDefs({F("Name", FieldType::Text, 20), F("N", FieldType::Int32)});
    auto log = [this](const char* what) { return [this, what](Table&) { calls.push_back(what); }; };
    t.Hooks.BeforeInsert = log("before insert");
    t.Hooks.AfterInsert = log("after insert");
    t.Hooks.BeforeEdit = log("before edit");
    t.Hooks.AfterEdit = log("after edit");
    t.Hooks.BeforePost = log("before post");
    t.Hooks.AfterPost = log("after post");
    t.Hooks.AfterCancel = log("after cancel");
    t.Hooks.BeforeDelete = log("before delete");
    t.Hooks.AfterDelete = log("after delete");
    t.Hooks.AfterOpen = log("after open");
    t.SetFieldHook("Name", [this](Table& tt, int f) { calls.push_back("change " + tt.AsString(f)); });
    t.CreateDataSet();
  }
  Table t{"T"};
  std::vector<std::string> calls;
};

TEST_F(HookLog, HooksRunInOrder) {
  t.Append();
  t.SetAsString(0, "a");
  t.Post();
  t.Edit();
  t.SetAsString(0, "b");
  t.Cancel();
  t.Delete();
  EXPECT_EQ(calls, (std::vector<std::string>{"after open", "before insert", "after insert", "change a", "before post",
                                             "after post", "before edit", "after edit", "change b", "after cancel",
                                             "before delete", "after delete"}));
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST_F(HookLog, AbortInABeforeHookCancelsSilently) {
  t.Hooks.BeforeInsert = [](Table&) { throw Abort(); };
  EXPECT_THROW(t.Append(), Abort);
  EXPECT_EQ(t.State(), TableState::Browse);
  t.Hooks.BeforeInsert = nullptr;
  AddRow(t, {{"Name", std::string("x")}});
  t.Hooks.BeforeDelete = [](Table&) { throw Abort(); };
  EXPECT_THROW(t.Delete(), Abort);
  EXPECT_EQ(t.RecordCount(), 1);
  t.Hooks.BeforePost = [](Table&) { throw Abort(); };
  t.Edit();
  t.SetAsInteger(1, 5);
  EXPECT_THROW(t.Post(), Abort);
  EXPECT_EQ(t.State(), TableState::Edit);
}

TEST(TableFieldHooks, RefusedChangeKeepsOldValueUnlessTheHookReplacedIt) {
  Table t("T");
  t.SetFieldDefs({F("Name", FieldType::Text, 20)});
  t.SetFieldHook("Name", [](Table& tt, int f) {
    const std::string v = tt.AsString(f);
    if (v == "bad") throw Abort();
    if (v == "taken") {
      tt.SetAsString(f, "taken1");  // a replacement, then the user's value is refused
      throw Abort();
    }
  });
  t.CreateDataSet();
  t.Append();
  t.SetAsString(0, "ok");
  EXPECT_THROW(t.SetAsString(0, "bad"), Abort);
  EXPECT_EQ(t.AsString(0), "ok");
  EXPECT_THROW(t.SetAsString(0, "taken"), Abort);
  EXPECT_EQ(t.AsString(0), "taken1");
}

// Records under nodes: a detail ordered by Parent, Id.
class MasterDetail : public ::testing::Test {
protected:
  void SetUp() override {
    nodes.SetFieldDefs({F("Key", FieldType::Int32), F("Name", FieldType::Text, 24)});
    nodes.CreateDataSet();
    for (int k : {1, 2, 3}) AddRow(nodes, {{"Key", std::int64_t{k}}});
    recs.SetFieldDefs({F("Parent", FieldType::Int32), F("Id", FieldType::Int32), F("BDS", FieldType::Text, 1024),
                       F("AbsId", FieldType::Auto)});
    recs.SetIndexFields({"Parent", "Id"});
    recs.CreateDataSet();
    recs.SetMaster(&nodes, {"Key"}, {"Parent"});
    nodes.Locate("Key", "2");
    for (int id : {3, 1, 2}) AddRow(recs, {{"Id", std::int64_t{id}}, {"BDS", "b" + std::to_string(id)}});
    nodes.Locate("Key", "1");
    AddRow(recs, {{"Id", std::int64_t{1}}, {"BDS", std::string("a1")}});
  }
  Table nodes{"CDataSet1"}, recs{"dataCDataset"};
};

TEST_F(MasterDetail, DetailFollowsTheMasterInOrder) {
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"a1"}));
  nodes.Next();
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"b1", "b2", "b3"}));
  EXPECT_EQ(recs.RecNo(), 1);
  EXPECT_EQ(Column(recs, "Parent"), (std::vector<std::string>{"2", "2", "2"})) << "new rows take the master's key";
  nodes.Next();
  EXPECT_TRUE(recs.IsEmpty());
  recs.DetachMaster();
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"a1", "b1", "b2", "b3"}));
  recs.AttachMaster();
  EXPECT_TRUE(recs.IsEmpty());
}

TEST_F(MasterDetail, OrderIsKeptWhenKeysChange) {
  nodes.Locate("Key", "2");
  recs.First();
  recs.Edit();
  recs.SetAsInteger(1, 9);  // b1 becomes the last
  recs.Post();
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"b2", "b3", "b1"}));
  EXPECT_EQ(recs.RecNo(), 3) << "the cursor stays on the posted row";
  recs.First();
  recs.Insert();
  recs.SetAsInteger(1, 0);
  recs.SetAsString(2, "b0");
  recs.Post();
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"b0", "b2", "b3", "b1"}));
  EXPECT_EQ(Column(recs, "AbsId"), (std::vector<std::string>{"5", "3", "1", "2"}));
}

TEST_F(MasterDetail, SwitchedOffViewsStopTheDetailFollowing) {
  nodes.DisableControls();
  nodes.Locate("Key", "2");
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"a1"}));
  nodes.EnableControls();
  EXPECT_EQ(Column(recs, "BDS"), (std::vector<std::string>{"b1", "b2", "b3"}));
}

TEST(TableOrder, InsertGoesBeforeTheCurrentRowWithoutAnOrdering) {
  Table t("DataSetVal");
  t.SetFieldDefs({F("Name", FieldType::Text, 32)});
  t.CreateDataSet();
  for (const char* n : {"a", "b", "c"}) AddRow(t, {{"Name", std::string(n)}});
  t.SetRecNo(2);
  t.Insert();
  EXPECT_EQ(t.RecNo(), 2);
  t.SetAsString(0, "x");
  t.Post();
  EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"a", "x", "b", "c"}));
  t.Last();
  t.Append();
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 4);
}

TEST(TableFilter, ExpressionHookAndCase) {
  Table t("dek");
  t.SetFieldDefs({F("Name", FieldType::Text, 20), F("N", FieldType::Int32)});
  t.CreateDataSet();
  for (const char* n : {"it's", "IT'S", "other"}) AddRow(t, {{"Name", std::string(n)}});
  t.SetFilter("Name='it''s'");
  EXPECT_EQ(t.RecordCount(), 3) << "the filter applies only while filtering is on";
  t.SetFiltered(true);
  EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"it's"}));
  t.SetCaseInsensitive(true);
  EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"it's", "IT'S"}));
  t.SetFilter("");
  t.Hooks.OnFilterRecord = [](Table& tt) { return tt.AsString(0).front() == 'o'; };
  t.Refresh();
  EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"other"}));
  t.SetFiltered(false);
  EXPECT_EQ(t.RecordCount(), 3);
  for (const char* bad : {"Name", "Name='x", "Name='a'b'", "Nope='x'", "Name=x"})
    EXPECT_THROW(t.SetFilter(bad), TableError) << bad;
}

TEST(TableCursor, LocateBookmarksAndMoves) {
  Table t("T");
  t.SetFieldDefs({F("Name", FieldType::Text, 20)});
  t.CreateDataSet();
  EXPECT_TRUE(t.Eof() && t.Bof());
  EXPECT_EQ(t.RecNo(), 0);
  for (const char* n : {"a", "b", "c", "d"}) AddRow(t, {{"Name", std::string(n)}});
  EXPECT_TRUE(t.Locate("Name", "c"));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_FALSE(t.Locate("Name", "z"));
  EXPECT_EQ(t.RecNo(), 3);
  const Table::Bookmark b = t.GetBookmark();
  t.First();
  t.Insert();
  t.SetAsString(0, "first");
  t.Post();
  EXPECT_TRUE(t.GotoBookmark(b));
  EXPECT_EQ(t.AsString(0), "c");
  EXPECT_EQ(t.RecNo(), 4);
  t.Delete();
  EXPECT_FALSE(t.BookmarkValid(b));
  EXPECT_EQ(t.AsString(0), "d");
  EXPECT_EQ(t.MoveBy(-10), -3);
  EXPECT_TRUE(t.Bof());
  std::vector<std::string> walked;
  for (t.First(); !t.Eof(); t.Next()) walked.push_back(t.AsString(0));
  EXPECT_EQ(walked, (std::vector<std::string>{"first", "a", "b", "d"}));
}

TEST(TableCalc, CalculatedFieldsAreFilledWhenARowIsFetched) {
  Table t("T");
  FieldDef twice = F("Twice", FieldType::Decimal, 2);
  twice.Calculated = true;
  t.SetFieldDefs({F("N", FieldType::Int32), twice});
  std::vector<CalcReason> reasons;
  t.Hooks.OnCalcFields = [&](Table& tt, CalcReason why) {
    reasons.push_back(why);
    if (why == CalcReason::Fetch) tt.SetAsFloat(1, tt.AsFloat(0) * 2);
  };
  t.CreateDataSet();
  AddRow(t, {{"N", std::int64_t{3}}});
  AddRow(t, {{"N", std::int64_t{5}}});
  EXPECT_EQ(t.AsFloat(1), 10);
  EXPECT_EQ(t.ValueAt(1, 1).Int(), 60000) << "another row is calculated for a view";
  EXPECT_EQ(t.AsFloat(1), 10) << "and the cursor row keeps its own";
  t.Edit();
  reasons.clear();
  t.SetAsInteger(0, 7);
  EXPECT_EQ(reasons, (std::vector<CalcReason>{CalcReason::FieldChange}));
  EXPECT_TRUE(t.IsNull(1)) << "calculated cells are emptied before the hook";
  t.Post();
  EXPECT_EQ(t.AsFloat(1), 14);
  EXPECT_THROW(t.SetAsFloat(1, 1), TableError) << "outside the hook a calculated field is read-only";
}

class CountingObserver : public TableObserver {
public:
  void TableReset(Table&) override { ++resets; }
  void RowChanged(Table&, int) override { ++rows; }
  void CursorMoved(Table&, int) override { ++moves; }
  int resets = 0, rows = 0, moves = 0;
};

TEST(TableViews, NothingIsNotifiedWhileViewsAreOff) {
  Table t("T");
  t.SetFieldDefs({F("N", FieldType::Int32)});
  t.CreateDataSet();
  CountingObserver o;
  t.AddObserver(&o);
  t.DisableControls();
  t.DisableControls();
  for (int i = 0; i < 3; ++i) AddRow(t, {{"N", std::int64_t{i}}});
  t.First();
  t.Next();
  t.EnableControls();
  EXPECT_EQ(o.resets + o.rows + o.moves, 0) << "views switch on only with the last EnableControls";
  t.EnableControls();
  EXPECT_EQ(o.resets, 1);
  t.Next();
  EXPECT_EQ(o.moves, 1);
  t.Edit();
  t.SetAsInteger(0, 9);
  t.Post();
  EXPECT_GE(o.rows, 1);
  t.RemoveObserver(&o);
}

TEST(TableStructure, FieldsChangeOnlyWhileClosed) {
  Table t("T");
  t.SetFieldDefs({F("N", FieldType::Int32)});
  t.CreateDataSet();
  EXPECT_THROW(t.SetFieldDefs({}), TableError);
  EXPECT_THROW(t.SetValue(0, std::int64_t{1}), TableError) << "not in edit state";
  EXPECT_THROW(t.Delete(), TableError) << "empty table";
  EXPECT_THROW(t.FieldNo("nope"), TableError);
  EXPECT_EQ(t.FieldIndex("n"), 0) << "field names ignore letter case";
  t.Close();
  EXPECT_FALSE(t.Active());
  EXPECT_THROW(t.First(), TableError);
}

}  // namespace
}  // namespace takeoff::data
