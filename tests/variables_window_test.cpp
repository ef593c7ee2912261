// The variables window: inserting variable and opening references into the main
// window's insertion target, the variable commands and their enabling, and the
// Enter key of the variable grid.
#include "ui/variables_window.h"

#include "support/data_fixture.h"

namespace takeoff::testing {
namespace {

using data::Value;
using ui::VariablesPage;
using ui::VariablesWindow;
using Names_ = std::vector<std::string>;

class VariablesWindowTest : public DataFixture {
protected:
  Table& V() { return md.DataSetVal; }
  int F(const char* field) { return md.DataSetVal.FieldNo(field); }

  void AddOpening(const std::string& name) {
    Table& w = md.DataWindows;
    w.Append();
    w.SetAsString(w.FieldNo("Name"), name);
    w.Post();
  }

  // The variable names in table order.
  Names_ TableNames() {
    Names_ out;
    for (int row = 1; row <= V().RecordCount(); ++row) out.emplace_back(data::CellText(V().ValueAt(row, F("Name"))));
    return out;
  }

  // Stored rows whose name is empty, as an older project file may hold them.
  static void LoadUnnamedRow(Table& t) {
    std::vector<Value> row(t.StoredFieldDefs().size());
    t.Load(t.StoredFieldDefs(), {row}, 1);
  }

  std::string target = "EdBDS";
  VariablesWindow win{md, host, target};
};

TEST_F(VariablesWindowTest, AVariableReferenceGoesOnTheClipboardAndIsPastedIntoTheTarget) {
  AddVariable(G("层高"), "3.3");
  AddVariable("b", "1");
  V().First();
  win.InsertVariableReference("BDS");  // the column does not matter on this page
  EXPECT_EQ(host.Clipboard, G("$[层高]"));
  ASSERT_EQ(host.Pastes.size(), 1u);
  EXPECT_EQ(host.Pastes[0].Control, "EdBDS");
  EXPECT_EQ(host.Pastes[0].Clipboard, G("$[层高]"));  // the clipboard was set before the paste
  EXPECT_TRUE(host.TextActions.empty());

  // The target is read when inserting; without one only the clipboard changes.
  target.clear();
  V().Last();
  win.InsertVariableReference("Name");
  EXPECT_EQ(host.Clipboard, "$[b]");
  ASSERT_EQ(host.Pastes.size(), 2u);
  EXPECT_EQ(host.Pastes[1].Control, "");
}

TEST_F(VariablesWindowTest, APendingVariableEditIsStoredBeforeItsReferenceIsInserted) {
  AddVariable("a", "1");
  V().Edit();
  V().SetAsString(F("Name"), "h2");
  win.InsertVariableReference("Name");
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(VariableNames(), Names_{"h2"});
  EXPECT_EQ(host.Clipboard, "$[h2]");
}

TEST_F(VariablesWindowTest, AVariableWithoutANameInsertsNothing) {
  // A row inserted into the empty table keeps an empty name, so storing it fails
  // and nothing is inserted; the row stays for the user to name.
  win.InsertVariable();
  ASSERT_EQ(V().AsString(F("Name")), "");
  EXPECT_THROW(win.InsertVariableReference("Name"), data::TableError);
  EXPECT_EQ(V().State(), TableState::Insert);
  V().Cancel();

  LoadUnnamedRow(V());
  ASSERT_EQ(V().RecordCount(), 1);
  win.InsertVariableReference("Name");
  EXPECT_EQ(host.ClipboardWrites, 0);
  EXPECT_TRUE(host.Pastes.empty());
}

TEST_F(VariablesWindowTest, AnOpeningParameterIsInsertedOnlyFromItsFiveColumns) {
  AddOpening("C2");
  AddOpening("M1");
  win.SetPage(VariablesPage::OpeningParameters);
  const struct {
    const char* field;
    const char* inserted;  // "" for nothing
  } cases[] = {
      {"S", "&[M1_S]"}, {"L", "&[M1_L]"}, {"W1", "&[M1_W1]"}, {"W2", "&[M1_W2]"}, {"H", "&[M1_H]"},
      {"Type", ""},     {"Name", ""},     {"Num", ""},        {"", ""},         {"w2", ""},
  };
  for (const auto& c : cases) {
    host.Clipboard.clear();
    host.Pastes.clear();
    win.InsertVariableReference(c.field);
    EXPECT_EQ(host.Clipboard, c.inserted) << c.field;
    ASSERT_EQ(host.Pastes.size(), *c.inserted ? 1u : 0u) << c.field;
    if (*c.inserted) {
      EXPECT_EQ(host.Pastes[0].Control, "EdBDS") << c.field;
    }
  }
  EXPECT_EQ(md.DataWindows.AsString(md.DataWindows.FieldNo("Name")), "M1");  // the current row stays
}

TEST_F(VariablesWindowTest, OpeningsWithoutANameOrWithoutRowsInsertNothing) {
  win.SetPage(VariablesPage::OpeningParameters);
  win.InsertVariableReference("S");  // an empty catalogue
  LoadUnnamedRow(md.DataWindows);
  win.InsertVariableReference("S");
  EXPECT_EQ(host.ClipboardWrites, 0);
  EXPECT_TRUE(host.Pastes.empty());
}

TEST_F(VariablesWindowTest, TheOpeningsPageIgnoresAPendingVariableEdit) {
  AddVariable("a", "1");
  AddOpening("M1");
  V().Edit();
  V().SetAsString(F("Mem"), "x");
  win.SetPage(VariablesPage::OpeningParameters);
  win.InsertVariableReference("H");
  EXPECT_EQ(host.Clipboard, "&[M1_H]");
  EXPECT_EQ(V().State(), TableState::Edit);
}

TEST_F(VariablesWindowTest, TheVariableCommandsWorkOnlyOnTheVariablesPage) {
  AddVariable("a", "1");
  EXPECT_TRUE(win.EditCommandsEnabled());
  win.SetPage(VariablesPage::OpeningParameters);
  EXPECT_FALSE(win.EditCommandsEnabled());
  win.AddVariable();
  win.InsertVariable();
  win.DeleteVariable();
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(TableNames(), Names_{"a"});
  win.SetPage(VariablesPage::UserVariables);
  EXPECT_TRUE(win.EditCommandsEnabled());
  win.DeleteVariable();
  EXPECT_TRUE(V().IsEmpty());
}

TEST_F(VariablesWindowTest, AddAppendsInsertInsertsAtTheCurrentRowDeleteNeedsARow) {
  win.DeleteVariable();  // an empty table: nothing to delete, no failure
  for (const char* n : {"a", "b", "c"}) AddVariable(n, "1");
  ASSERT_TRUE(V().Locate("Name", "b"));
  win.InsertVariable();
  EXPECT_EQ(V().State(), TableState::Insert);
  EXPECT_FALSE(V().Appending());
  V().SetAsString(F("Name"), "i");
  win.AddVariable();  // stores the inserted row first
  EXPECT_TRUE(V().Appending());
  EXPECT_EQ(V().AsString(F("Name")), "i1");  // proposed after the last cached name
  win.Close();
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(TableNames(), (Names_{"a", "i", "b", "c", "i1"}));

  ASSERT_TRUE(V().Locate("Name", "b"));
  win.DeleteVariable();
  EXPECT_EQ(TableNames(), (Names_{"a", "i", "c", "i1"}));
  EXPECT_EQ(VariableNames(), (Names_{"a", "c", "i", "i1"}));
}

TEST_F(VariablesWindowTest, EnterMovesAlongTheColumnsSkippingTheValue) {
  const struct {
    const char* from;
    const char* to;
  } cases[] = {{"AutoId", "Name"}, {"Name", "BDS"}, {"BDS", "Mem"}, {"Val", "Mem"}};
  AddVariable("a", "1");
  for (const auto& c : cases) EXPECT_EQ(win.EnterKey(c.from), c.to) << c.from;
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(V().RecordCount(), 1);
}

TEST_F(VariablesWindowTest, EnterFromTheLastColumnGoesToTheNextVariableAndAppendsAtTheEnd) {
  for (const char* n : {"a", "b"}) AddVariable(n, "1");
  V().First();
  V().Edit();
  V().SetAsString(F("Mem"), "m");
  EXPECT_EQ(win.EnterKey("Mem"), "AutoId");
  EXPECT_EQ(V().RecNo(), 2);
  EXPECT_EQ(V().State(), TableState::Browse);  // the edit was stored on the way
  EXPECT_EQ(std::string(data::CellText(V().ValueAt(1, F("Mem")))), "m");

  // On the last row the first Enter only finds the end; the next one appends.
  EXPECT_EQ(win.EnterKey("Mem"), "AutoId");
  EXPECT_EQ(V().RecNo(), 2);
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(win.EnterKey("Mem"), "AutoId");
  EXPECT_TRUE(V().Appending());
  EXPECT_EQ(V().AsString(F("Name")), "b1");

  // From the appended row the end is still where it was: the next row is appended too.
  EXPECT_EQ(win.EnterKey("Mem"), "AutoId");
  EXPECT_TRUE(V().Appending());
  EXPECT_EQ(TableNames(), (Names_{"a", "b", "b1"}));
}

TEST_F(VariablesWindowTest, EnterFromTheLastColumnOfAnEmptyTableAppends) {
  EXPECT_EQ(win.EnterKey("Mem"), "AutoId");
  EXPECT_TRUE(V().Appending());
  EXPECT_EQ(V().AsString(F("Name")), G("新变量"));
}

TEST_F(VariablesWindowTest, ClosingStoresAPendingEditAndFailsOnAnUnnamedRow) {
  win.AddVariable();
  win.Close();
  EXPECT_EQ(VariableNames(), Names_{G("新变量")});

  ASSERT_EQ(md.ValList.size(), 1u);
  V().Edit();
  V().SetAsString(F("Name"), "");
  EXPECT_THROW(win.Close(), data::TableError);  // the window stays open with the row in edit
  EXPECT_EQ(V().State(), TableState::Edit);
}

TEST_F(VariablesWindowTest, ColumnsOfBothGrids) {
  Names_ fields;
  for (const auto& c : VariablesWindow::VariableColumns())
    if (!c.ReadOnly) fields.push_back(c.Field);
  EXPECT_EQ(fields, (Names_{"Name", "BDS", "Mem"}));
  fields.clear();
  for (const auto& c : VariablesWindow::OpeningColumns()) {
    fields.push_back(c.Field);
    EXPECT_TRUE(c.ReadOnly) << c.Field;
    EXPECT_GE(md.DataWindows.FieldIndex(c.Field), 0) << c.Field;
  }
  EXPECT_EQ(fields, (Names_{"Name", "Type", "S", "L", "W1", "W2", "H"}));
  for (const auto& c : VariablesWindow::VariableColumns()) EXPECT_GE(V().FieldIndex(c.Field), 0) << c.Field;
}

// The texts of one column of a grid, row by row.
Names_ GridTexts(VariablesWindow& w, VariablesPage page, const char* field) {
  Names_ out;
  for (int row = 1; row <= w.GridRowCount(page); ++row) out.push_back(w.GridCellText(page, row, field));
  return out;
}

TEST_F(VariablesWindowTest, TheGridShowsTheRowBeingInsertedAtItsPlace) {
  for (const char* n : {"a", "b", "c"}) AddVariable(n, "3.30");
  ASSERT_TRUE(V().Locate("Name", "b"));
  win.InsertVariable();
  V().SetAsString(F("Name"), "i");
  EXPECT_EQ(win.GridRowCount(VariablesPage::UserVariables), 4);
  EXPECT_EQ(win.CurrentGridRow(VariablesPage::UserVariables), 2);
  EXPECT_EQ(GridTexts(win, VariablesPage::UserVariables, "Name"), (Names_{"a", "i", "b", "c"}));
  EXPECT_EQ(GridTexts(win, VariablesPage::UserVariables, "Val"), (Names_{"3.3", "", "3.3", "3.3"}));
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 4, "AutoId"), "3");

  // Appending shows the new row last; outside the grid and unknown fields read "".
  win.AddVariable();
  EXPECT_EQ(GridTexts(win, VariablesPage::UserVariables, "Name"), (Names_{"a", "i", "b", "c", "i1"}));
  EXPECT_EQ(win.CurrentGridRow(VariablesPage::UserVariables), 5);
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 6, "Name"), "");
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 0, "Name"), "");
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 1, "Nope"), "");
}

TEST_F(VariablesWindowTest, TheOpeningsGridShowsTheCatalogue) {
  EXPECT_EQ(win.GridRowCount(VariablesPage::OpeningParameters), 0);  // no empty row to type into
  EXPECT_EQ(win.CurrentGridRow(VariablesPage::OpeningParameters), 0);
  AddOpening("C2");
  AddOpening("M1");
  Table& w = md.DataWindows;
  w.Edit();
  w.SetAsString(w.FieldNo("W2"), "1.25");
  w.Post();
  EXPECT_EQ(GridTexts(win, VariablesPage::OpeningParameters, "Name"), (Names_{"C2", "M1"}));
  EXPECT_EQ(win.GridCellText(VariablesPage::OpeningParameters, 2, "W2"), "1.25");
  EXPECT_EQ(win.CurrentGridRow(VariablesPage::OpeningParameters), 2);
  win.SelectGridRow(VariablesPage::OpeningParameters, 1);
  EXPECT_EQ(w.AsString(w.FieldNo("Name")), "C2");
}

TEST_F(VariablesWindowTest, AnEmptyVariableTableShowsOneRowToTypeTheFirstVariableInto) {
  EXPECT_EQ(win.GridRowCount(VariablesPage::UserVariables), 1);
  EXPECT_EQ(win.CurrentGridRow(VariablesPage::UserVariables), 1);
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 1, "Name"), "");
  win.SetVariableField(1, "BDS", "");  // nothing typed: no row begun
  EXPECT_EQ(V().State(), TableState::Browse);
  win.SetVariableField(1, "BDS", "2*3");
  EXPECT_EQ(V().State(), TableState::Insert);
  EXPECT_EQ(win.GridRowCount(VariablesPage::UserVariables), 1);
  win.SetVariableField(1, "Name", "h");
  win.Close();
  EXPECT_EQ(VariableNames(), Names_{"h"});
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 1, "Val"), "6");
}

TEST_F(VariablesWindowTest, TypingIntoACellEditsTheVariableOfItsRow) {
  for (const char* n : {"a", "b"}) AddVariable(n, "1");
  V().First();
  const struct {
    const char* field;
    const char* text;
    TableState state;  // afterwards
  } cases[] = {
      {"BDS", "1", TableState::Browse},   // unchanged
      {"Val", "9", TableState::Browse},   // read-only
      {"AutoId", "7", TableState::Browse},
      {"BDS", "4", TableState::Edit},
  };
  for (const auto& c : cases) {
    win.SetVariableField(2, c.field, c.text);
    EXPECT_EQ(V().State(), c.state) << c.field << " " << c.text;
    EXPECT_EQ(V().AsString(F("Name")), "b") << c.field;  // the row typed into became current
  }
  EXPECT_EQ(V().AsString(F("BDS")), "4");
  EXPECT_EQ(win.GridCellText(VariablesPage::UserVariables, 2, "BDS"), "4");  // the pending edit shows
}

TEST_F(VariablesWindowTest, MovingToAnotherRowStoresThePendingEditFirst) {
  for (const char* n : {"a", "b", "c"}) AddVariable(n, "1");
  ASSERT_TRUE(V().Locate("Name", "b"));
  win.InsertVariable();
  V().SetAsString(F("Name"), "i");
  win.SelectGridRow(VariablesPage::UserVariables, 3);  // "b", shown below the inserted row
  EXPECT_EQ(V().State(), TableState::Browse);
  EXPECT_EQ(V().AsString(F("Name")), "b");
  EXPECT_EQ(TableNames(), (Names_{"a", "i", "b", "c"}));

  // A row that cannot be stored keeps the cursor where it is.
  V().Edit();
  V().SetAsString(F("Name"), "");
  EXPECT_THROW(win.SelectGridRow(VariablesPage::UserVariables, 1), data::TableError);
  EXPECT_EQ(V().State(), TableState::Edit);
  EXPECT_EQ(V().RecNo(), 3);
}

}  // namespace
}  // namespace takeoff::testing
