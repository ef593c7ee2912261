// The tables of the data module: defaults, links, the cascade of a node deletion,
// the field rules that refuse input, and the life of the project tables.
#include <filesystem>

#include "support/data_fixture.h"

namespace takeoff::testing {
namespace {

using DataModuleTest = DataFixture;
using data::TableError;

TEST_F(DataModuleTest, NewRecordTakesTheDeclaredDefaultsTheNodeKeyAndTheNextAbsId) {
  Table& t = Records();
  // AbsId 5 was handed out last; deleting its record does not free it.
  t.Last();
  t.Delete();
  t.Append();
  EXPECT_EQ(t.AsString(R("DW")), "m3");
  EXPECT_EQ(t.AsInteger(R("BDSNum")), 1);
  EXPECT_EQ(t.AsInteger(R("Type")), 1);
  EXPECT_EQ(t.AsString(R("AX1")), G("纵轴"));
  EXPECT_EQ(t.AsString(R("AX2")), G("纵轴"));
  EXPECT_EQ(t.AsString(R("AX3")), G("横轴"));
  EXPECT_EQ(t.AsString(R("AX4")), G("横轴"));
  EXPECT_EQ(t.AsInteger(R("Parent")), 1);
  t.Post();
  EXPECT_EQ(t.AsInteger(R("AbsId")), 6);

  // Another node shows only its own records, and its new ones take its key.
  AddNode(2, 0, 4, "other");
  SelectNode(2);
  EXPECT_TRUE(t.IsEmpty());
  AddRecord("X", "1");
  EXPECT_EQ(t.AsInteger(R("Parent")), 2);
  EXPECT_EQ(t.AsInteger(R("AbsId")), 7);
  SelectNode(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"R1", "R2", "R3", "R4", ""}));
}

TEST_F(DataModuleTest, NewPlacementTakesTheDefaultsAndTheCurrentRecordsAbsId) {
  Records().SetRecNo(3);
  Table& p = md.DataSetWin;
  p.Append();
  EXPECT_EQ(p.AsInteger(p.FieldNo("Num")), 1);
  EXPECT_EQ(p.AsInteger(p.FieldNo("Side")), 0);
  EXPECT_EQ(p.AsInteger(p.FieldNo("SideWidth")), 100);
  EXPECT_EQ(p.AsInteger(p.FieldNo("AbsId")), 3);
  p.Post();
  Records().SetRecNo(2);
  EXPECT_TRUE(p.IsEmpty());
  Records().SetRecNo(3);
  EXPECT_EQ(p.RecordCount(), 1);
}

TEST_F(DataModuleTest, QuantitiesAreRoundedToFourThenToTwoDecimalsTiesToEven) {
  const struct {
    const char* formula;
    const char* val;
  } cases[] = {
      {"1.005", "1.00"}, {"1.015", "1.02"}, {"-1.005", "-1.00"},
      {"1.00499", "1.00"},  // 1.0050 at four decimals, then a tie
      {"1.01499", "1.02"},  // 1.0150 at four decimals, then a tie to even
      {"2.675", "2.68"},
  };
  for (const auto& c : cases) {
    TypeFormula(c.formula);
    EXPECT_EQ(Records().ExactText(R("Val")), c.val) << c.formula;
  }
}

TEST_F(DataModuleTest, OpeningDescriptionsAreWrittenAtMostTwentyBytes) {
  Table& w = md.DataWindows;
  const int mem = w.FieldNo("MemText");
  const struct {
    std::string written, kept;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "ABCDEFGHIJKLMNOPQRST"},
      {"ABCDEFGHIJKLMNOPQRS" + G("门洞"), "ABCDEFGHIJKLMNOPQRS"},  // a character is never cut in two
      {G("门连窗"), G("门连窗")},
  };
  w.Append();
  for (const auto& c : cases) {
    w.SetAsString(mem, c.written);
    EXPECT_EQ(w.AsString(mem), c.kept);
  }
}

TEST_F(DataModuleTest, DeletingANodeDeletesItsRecordsAndTheirPlacements) {
  AddNode(2, 0, 4, "other");
  SelectNode(2);
  AddRecord("X", "1");  // AbsId 6
  Place("M1", 1, 0);
  SelectNode(1);
  Records().SetRecNo(2);
  Place("M1", 2, 0);
  Place("C1", 1, 0);

  ASSERT_TRUE(md.CDataSet1.Locate("Key", "1"));
  md.CDataSet1.Delete();

  ASSERT_EQ(md.dataCDataset.StoredRowCount(), 1u);
  ASSERT_EQ(md.DataSetWin.StoredRowCount(), 1u);
  const int absId = md.DataSetWin.FieldNo("AbsId");
  EXPECT_EQ(data::CellInteger(md.DataSetWin.StoredRow(0)[static_cast<std::size_t>(absId)]), 6);
  EXPECT_TRUE(app.Modified);
  EXPECT_TRUE(md.CalcEnabled);
}

TEST_F(DataModuleTest, PostingWithoutANameFailsWithTheRequiredFieldMessage) {
  const struct {
    Table* table;
    const char* message;
  } cases[] = {
      {&md.DataWindows, "Field '名称' must have a value"},
      {&md.DataSetVal, "Field '变量名称' must have a value"},
  };
  for (const auto& c : cases) {
    Table& t = *c.table;
    t.Append();
    t.SetAsString(t.FieldNo("Name"), "");  // the variables propose a name
    try {
      t.Post();
      ADD_FAILURE() << t.Name() << " posted without a name";
    } catch (const TableError& e) {
      EXPECT_EQ(e.what(), G(c.message));
    }
    EXPECT_EQ(t.State(), TableState::Insert) << t.Name();
    EXPECT_EQ(t.StoredRowCount(), 0u);
  }
}

TEST_F(DataModuleTest, AnAbsIdAbove65535DoesNotFitAPlacement) {
  Records().SetRecNo(2);
  Table& p = md.DataSetWin;
  const int absId = p.FieldNo("AbsId");
  p.Append();
  EXPECT_THROW(p.SetAsInteger(absId, 65536), TableError);
  EXPECT_EQ(p.AsInteger(absId), 2);
  p.SetAsInteger(absId, 65535);
  p.Post();
  EXPECT_EQ(p.StoredRowCount(), 1u);

  // A record whose own AbsId is beyond the placement field's range takes no placement.
  Records().Edit();
  Records().SetAsInteger(Records().FieldNo("AbsId"), 70000);
  Records().Post();
  EXPECT_THROW(p.Append(), TableError);
  EXPECT_EQ(p.State(), data::TableState::Browse);
}

TEST_F(DataModuleTest, ANewProjectEmptiesTheProjectTablesIntoWorkingFilesOfTheProgramFolder) {
  Records().SetRecNo(1);
  Place("M1", 1, 0);
  AddVariable("a", "1");
  md.DataWindows.Append();
  md.DataWindows.SetAsString(md.DataWindows.FieldNo("Name"), "M1");
  md.DataWindows.Post();
  app.Modified = true;

  md.NewProjectTables();

  for (Table* t : {&md.dataCDataset, &md.DataWindows, &md.DataSetWin, &md.DataSetVal}) {
    EXPECT_TRUE(t->Active()) << t->Name();
    EXPECT_EQ(t->StoredRowCount(), 0u) << t->Name();
  }
  EXPECT_TRUE(md.ValList.empty());
  EXPECT_TRUE(md.WinList.empty());
  EXPECT_FALSE(app.Modified);
  EXPECT_EQ(md.CDataSet1.StoredRowCount(), 2u);  // the node table is the tree's to reset
  // The tables of the old project went to their working files in the program folder.
  for (const char* file : {"dataSys.tmp", "WinSys.tmp", "SetWinSys.tmp", "SetValSys.tmp"})
    EXPECT_TRUE(std::filesystem::exists(folder.Path / file)) << file;
  EXPECT_EQ(md.dataCDataset.FileName(), (folder.Path / "dataSys.tmp").string());

  // Records of the new project compute as before.
  AddRecord("N", "2*3");
  EXPECT_EQ(Records().ExactText(R("Val")), "6.00");
}

}  // namespace
}  // namespace takeoff::testing
