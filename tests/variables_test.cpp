// The project variables: naming, unique names, formulas and their values, and the
// cache that the record formulas read.
#include "support/data_fixture.h"

namespace takeoff::testing {
namespace {

using Names_ = std::vector<std::string>;
using data::Abort;

class VariablesTest : public DataFixture {
protected:
  Table& V() { return md.DataSetVal; }
  int F(const char* field) { return md.DataSetVal.FieldNo(field); }
  void SelectVariable(const std::string& name) { ASSERT_TRUE(V().Locate("Name", name)); }
};

TEST_F(VariablesTest, NewVariablesAreNamedInTheSeriesOfTheLastOne) {
  for (int i = 0; i < 3; ++i) {
    V().Append();
    V().Post();
  }
  EXPECT_EQ(VariableNames(), (Names_{G("新变量"), G("新变量1"), G("新变量2")}));

  const struct {
    std::string last, proposed;
  } cases[] = {{"L2", "L3"}, {"12", G("新变量名13")}, {"M09", "M10"}};
  for (const auto& c : cases) {
    AddVariable(c.last, "1");
    V().Append();
    EXPECT_EQ(V().AsString(F("Name")), c.proposed) << c.last;
    V().Cancel();
  }
  EXPECT_TRUE(host.Messages.empty());
}

TEST_F(VariablesTest, ARowInsertedIntoAnEmptyTableKeepsAnEmptyName) {
  V().Insert();
  EXPECT_EQ(V().AsString(F("Name")), "");
  V().Cancel();
  V().Append();
  EXPECT_EQ(V().AsString(F("Name")), G("新变量"));
  V().Cancel();
}

TEST_F(VariablesTest, RowNumbersOfEveryRowInView) {
  for (const char* n : {"a", "b", "c"}) AddVariable(n, "1");
  V().First();
  const int autoId = F("AutoId");
  EXPECT_EQ(data::CellInteger(V().ValueAt(3, autoId)).value_or(0), 3);
  EXPECT_EQ(data::CellInteger(V().ValueAt(2, autoId)).value_or(0), 2);
  EXPECT_EQ(V().AsInteger(autoId), 1);
}

TEST_F(VariablesTest, ATakenNameIsReplacedByTheNextFreeOneAndTheMessageIsShownOnce) {
  AddVariable("L", "1");
  AddVariable("L1", "2");
  AddVariable("M", "3");

  SelectVariable("M");
  V().Edit();
  EXPECT_THROW(V().SetAsString(F("Name"), "L"), Abort);
  EXPECT_EQ(V().AsString(F("Name")), "L2");
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("\"L\"已经存在，不能重复命名！"));
  EXPECT_EQ(host.Messages[0].Caption, platform::MsgCaption::TipInfo);
  EXPECT_EQ(host.Messages[0].Icon, platform::MsgIcon::Information);
  // Another clash before the next post is resolved without a message.
  EXPECT_THROW(V().SetAsString(F("Name"), "L1"), Abort);
  EXPECT_EQ(V().AsString(F("Name")), "L2");
  EXPECT_EQ(host.Messages.size(), 1u);
  // Its own name is no clash.
  V().SetAsString(F("Name"), "M");
  V().SetAsString(F("Name"), "L2");
  V().Post();
  EXPECT_EQ(VariableNames(), (Names_{"L", "L1", "L2"}));

  // After a post the message is shown again; a name of digits continues with NewName.
  AddVariable("12", "4");
  SelectVariable("L1");
  V().Edit();
  EXPECT_THROW(V().SetAsString(F("Name"), "12"), Abort);
  EXPECT_EQ(V().AsString(F("Name")), "NewName13");
  EXPECT_EQ(host.Messages.size(), 2u);
}

TEST_F(VariablesTest, ASeriesThatCannotAdvanceWithinTheNameWidthKeepsTheOldName) {
  // Names of 32 bytes: after ...A9 comes ...A10, cut back to ...A1, all taken.
  const std::string stem(31, 'A');
  for (char d = '1'; d <= '9'; ++d) AddVariable(stem + d, "1");
  AddVariable("B", "1");
  SelectVariable("B");
  V().Edit();
  EXPECT_THROW(V().SetAsString(F("Name"), stem + "9"), Abort);
  EXPECT_EQ(V().AsString(F("Name")), "B");
}

TEST_F(VariablesTest, AVariablesValueComesFromItsFormulaAndRecordsSeeTheStoredValue) {
  const struct {
    std::string formula;
    const char* val;
    const char* record;  // the quantity of $[x]*1000
  } cases[] = {
      {"3.3*2", "6.600", "6600.00"},
      {"1/3", "0.333", "333.00"},
      {"2/3", "0.667", "667.00"},
      {G("3*4 [长×宽]"), "12.000", "12000.00"},
      {"SQRT(2)", "1.414", "1414.00"},
  };
  AddVariable("x", "0");
  Records().SetRecNo(1);
  TypeFormula("$[x]*1000");
  for (const auto& c : cases) {
    V().First();
    V().Edit();
    V().SetAsString(F("BDS"), c.formula);
    V().Post();
    EXPECT_EQ(V().ExactText(F("Val")), c.val) << c.formula;
    EXPECT_EQ(Records().ExactText(R("Val")), c.record) << c.formula;
  }
  AddVariable(G("层高"), "3.3*2");
  TypeFormula(G("$[层高]*10"));
  EXPECT_EQ(Records().ExactText(R("Val")), "66.00");
  EXPECT_TRUE(app.Modified);
}

TEST_F(VariablesTest, AFormulaOver255BytesIsRefusedWithTheLengthMessage) {
  AddVariable("x", "1");
  V().Edit();
  EXPECT_THROW(V().SetAsString(F("BDS"), std::string(256, '1')), Abort);
  EXPECT_EQ(V().AsString(F("BDS")), "1");
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("变量计算式长度不容许超过255字符，请适当简化后输入！"));

  std::string sum = "1";
  while (sum.size() < 255) sum += "+1";  // 255 bytes, 128 terms
  V().SetAsString(F("BDS"), sum);
  EXPECT_EQ(V().ExactText(F("Val")), "128.000");
}

TEST_F(VariablesTest, AFormulaThatFailsIsRefusedAndTheVariableKeepsFormulaAndValue) {
  AddVariable("x", "2");
  for (const char* formula : {"$[a]+1", "&[M1_S]", "1/0", "(1+2", "SIN(30,2)"}) {
    V().Edit();
    EXPECT_THROW(V().SetAsString(F("BDS"), formula), Abort) << formula;
    EXPECT_EQ(V().AsString(F("BDS")), "2") << formula;
    EXPECT_EQ(V().ExactText(F("Val")), "2.000") << formula;
    V().Post();
  }
  EXPECT_EQ(md.ValList.size(), 1u);  // nothing is defined for a variable's references
  EXPECT_EQ(md.ValList[0].Val, 2);
  EXPECT_TRUE(host.Messages.empty());  // the evaluator's messages were not armed

  ev.ShowExprMsg = true;  // as after a record formula was typed
  V().Edit();
  EXPECT_THROW(V().SetAsString(F("BDS"), "7/0"), Abort);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("计算式错误，分母不能是\"0\"！\r\r7/0"));
  EXPECT_FALSE(ev.ShowExprMsg);
}

TEST_F(VariablesTest, DeletingAVariableThatARecordUsesMakesTheRecordDefineItAgainWithValueZero) {
  AddVariable("h", "3");
  Records().SetRecNo(1);
  TypeFormula("$[h]*2");
  EXPECT_EQ(Records().ExactText(R("Val")), "6.00");
  app.Modified = false;

  V().First();
  V().Delete();
  EXPECT_TRUE(md.ValList.empty());
  EXPECT_TRUE(app.Modified);

  Records().SetRecNo(2);
  Records().SetRecNo(1);
  EXPECT_EQ(VariableNames(), Names_{"h"});
  EXPECT_EQ(md.ValList[0].Val, 0);
  EXPECT_EQ(Records().ExactText(R("Val")), "0.00");
  EXPECT_EQ(app.VariablesWindowOpened, 1);
}

TEST_F(VariablesTest, RenamingUpdatesTheCacheEntryButNotTheFormulas) {
  AddVariable("a", "2");
  AddVariable("b", "5");
  Records().SetRecNo(1);
  TypeFormula("$[a]*3");

  SelectVariable("a");
  V().Edit();
  V().SetAsString(F("Name"), "c");
  V().Post();
  EXPECT_EQ(md.ValList[0].Name, "c");
  EXPECT_EQ(md.ValList[0].Val, 2);

  // The current record computes again at once; its reference no longer resolves,
  // so it defines "a" again.
  EXPECT_EQ(VariableNames(), (Names_{"c", "b", "a"}));
  EXPECT_EQ(Records().ExactText(R("Val")), "0.00");
}

TEST_F(VariablesTest, OpeningTheTableRebuildsTheCacheInRowOrder) {
  AddVariable("a", "1.5");
  AddVariable("b", "2");
  const std::string stored = V().SaveToBytes();
  md.NewProjectTables();
  EXPECT_TRUE(md.ValList.empty());

  V().LoadFromBytes(stored);
  ASSERT_EQ(VariableNames(), (Names_{"a", "b"}));
  EXPECT_EQ(md.ValList[0].Val, 1.5);
  V().Last();
  EXPECT_EQ(V().AsInteger(F("AutoId")), 2);
}

TEST_F(VariablesTest, AnUndefinedVariableWhileAVariableWithoutNameIsPendingReportsTheRequiredField) {
  V().Append();
  V().SetAsString(F("Name"), "");
  Records().SetRecNo(1);
  TypeFormula("$[k]*2");

  EXPECT_TRUE(Records().AsBoolean(R("ifER")));
  EXPECT_EQ(V().State(), TableState::Insert);  // the user's row stays for the user
  EXPECT_EQ(V().StoredRowCount(), 0u);
  ASSERT_EQ(host.Messages.size(), 2u);  // the evaluator's, then the refusal
  EXPECT_EQ(host.Messages[1].Text, G("Field '变量名称' must have a value"));
  EXPECT_EQ(host.Messages[1].Caption, platform::MsgCaption::Warning);
  EXPECT_TRUE(md.NameChecks);
}

}  // namespace
}  // namespace takeoff::testing
