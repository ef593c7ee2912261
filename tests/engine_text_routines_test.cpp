// The formula text routines: units, template filling, annotations, names, history
// lists and the formula editor's commands.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/annotation.h"
#include "engine/convert_error.h"
#include "engine/edit_commands.h"
#include "engine/edit_control.h"
#include "engine/naming.h"
#include "engine/template_text.h"
#include "engine/units.h"
#include "support/scripted_host.h"
#include "text/gbk.h"

namespace takeoff::engine {
namespace {

using text::Gbk;

std::vector<std::string> GbkList(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& s : utf8) out.push_back(Gbk(s));
  return out;
}

// The message of the ConvertError `f` throws, or "" (with a failure) when it throws none.
std::string ConvertErrorMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const ConvertError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no ConvertError thrown";
  return {};
}

// ---------------------------------------------------------------------------
// Units

TEST(UnitClassTest, RecognisesUnitTextsAfterScalePrefix) {
  struct Case {
    const char* unit;  // UTF-8
    std::uint8_t expected;
  };
  const Case cases[] = {
      {"m", kUnitLength},        {"延长米", kUnitLength},    {"10M", kUnitLength},
      {"100m2", kUnitArea},      {"平方公尺", kUnitArea},    {"1000m3", kUnitVolume},
      {"10m3", kUnitVolume},     {"立方", kUnitVolume},      {"个", kUnitPieces},
      {"套", kUnitPieces},       {"副", kUnitPairs},         {"对", kUnitPairs},
      {"日历天", kUnitDays},     {"昼夜", kUnitDays},        {"工.日", kUnitLabourDays},
      {"劳动日", kUnitLabourDays}, {"100kg", kUnitKilograms}, {"KG", kUnitKilograms},
      {"千克", kUnitKilograms},  {"t", kUnitTonnes},         {"吨", kUnitTonnes},
      {"Kg", kUnitUnknown},      {"1000克", kUnitUnknown},   {"台班", kUnitUnknown},
      {"1m3", kUnitUnknown},     {"01m", kUnitUnknown},      {"m2 ", kUnitUnknown},
      {"", kUnitEmpty},          {"10", kUnitEmpty},         {"1000", kUnitEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    EXPECT_EQ(UnitClass(Gbk(c.unit)), c.expected);
  }
}

TEST(UnitScaleTest, CountsZerosAfterLeadingOne) {
  struct Case {
    const char* unit;
    const char* expected;
  };
  const Case cases[] = {
      {"100m2", "100"}, {"10m", "10"},  {"m3", "1"}, {"1m3", "1"},   {"1000kg", "1000"},
      {"10", "10"},     {"1.5m", "1"},  {"01m", "1"}, {"", "1"},      {"101m", "10"},
      {"1", "1"},       {"100米", "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    EXPECT_EQ(UnitScale(Gbk(c.unit)), c.expected);
  }
}

TEST(ConvertToQuotaUnitTest, RescalesFormulaByScalePrefixes) {
  struct Case {
    const char* dw;
    const char* bds;
    const char* danw;
    const char* expectedBds;
  };
  const Case cases[] = {
      {"m2", "3*4", "100m2", "(3*4)/100[!单位换算]"},
      {"10m2", "F", "100m2", "(F)*10/100[!单位换算]"},
      {"100m2", "3*4", "10m2", "(3*4)*100/10[!单位换算]"},
      {"100m2", "3*4", "m2", "3*4"},        // quota scale 1: unit only
      {"10m", "3", "10m3", "3"},            // same scale
      {"m", "5", "100m2", "(5)/100[!单位换算]"},  // kinds are not compared
      {"m2", "", "100m2", ""},              // empty formula: unit only
      {"平方米", "2*长度", "100平方米", "(2*长度)/100[!单位换算]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dw) + " -> " + c.danw + ": " + c.bds);
    std::string dw = Gbk(c.dw), bds = Gbk(c.bds);
    ConvertToQuotaUnit(Gbk(c.danw), dw, bds);
    EXPECT_EQ(dw, Gbk(c.danw));
    EXPECT_EQ(bds, Gbk(c.expectedBds));
  }
}

TEST(ConvertToQuotaUnitTest, SecondAssignmentOfSameQuotaDoesNotRescaleAgain) {
  std::string dw = "m2", bds = "3*4";
  ConvertToQuotaUnit("100m2", dw, bds);
  ConvertToQuotaUnit("100m2", dw, bds);
  EXPECT_EQ(dw, "100m2");
  EXPECT_EQ(bds, Gbk("(3*4)/100[!单位换算]"));
}

// ---------------------------------------------------------------------------
// Template filling

TEST(WrapSignedTest, BracketsValuesCarryingSigns) {
  struct Case {
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      {"-3", "(-3)"},     {"+5", "5"},          {"2-1", "(2-1)"},   {"5E-5", "(5E-5)"},
      {"2*3", "2*3"},     {"  ", "0"},          {"", "0"},          {"+", ""},
      {"+++", ""},        {"++-3", "(-3)"},     {" \t-3\r\n", "(-3)"}, {"3+", "(3+)"},
      {" 4.5 ", "4.5"},   {"长度", "长度"},     {"[长]-2", "([长]-2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(WrapSigned(Gbk(c.value)), Gbk(c.expected));
  }
}

TEST(FillTemplateTest, ReplacesPlaceholdersNamedByLabels) {
  struct Case {
    const char* name;
    const char* tmpl;
    std::vector<std::string> values;
    std::vector<std::string> labels;
    bool withLabels;
    const char* expected;
  };
  const Case cases[] = {
      {"one-byte keys get a zero", "@L0*@B0", {"3.6", "-2"}, {"长度[L]", "宽度[B]"}, false,
       "3.6*(-2)"},
      {"labels as comments", "@L0*@B0", {"3.6", "-2"}, {"长度[L]", "宽度[B]"}, true,
       "[长度]3.6*[宽度](-2)"},
      {"longer key kept apart from one-byte key", "@L1+@L0*@L1", {"1", "2"},
       {"边长[L1]", "长度[L]"}, false, "1+2*1"},
      {"every occurrence", "@H0*@H0+@H0", {"+2"}, {"高[H]"}, false, "2*2+2"},
      {"empty value", "@H0*2", {""}, {"高[H]"}, false, "0*2"},
      {"placeholder is case-sensitive", "@l0+@L0", {"7"}, {"长[L]"}, false, "@l0+7"},
      {"two-byte key gets no zero", "@长*2+@长0", {"3"}, {"长度[长]"}, false, "3*2+30"},
      {"no brackets: bare @", "@A0+@B0", {"7"}, {"无"}, false, "7A0+7B0"},
      {"no brackets, with labels", "@A", {"7"}, {"无"}, true, "[无]7A"},
      {"missing label", "x@y", {"5"}, {}, false, "x5y"},
      {"missing label, with labels", "x@y", {"5"}, {}, true, "x[]5y"},
      {"']' before '['", "@", {"5"}, {"a]b[c]"}, false, "5"},
      {"'[' without ']'", "@L0+@", {"5"}, {"长度[L"}, true, "[长度]5L0+[长度]5"},
      {"extra labels ignored", "@L0", {"1"}, {"长[L]", "宽[B]"}, false, "1"},
      {"no values", "@L0", {}, {"长[L]"}, false, "@L0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FillTemplate(Gbk(c.tmpl), GbkList(c.values), GbkList(c.labels), c.withLabels),
              Gbk(c.expected));
  }
}

// 乚 is 81 5D and 癧 is B0 5B: their second bytes read as ']' and '['.
TEST(FillTemplateTest, BracketBytesInsideChineseLabelsAreNotBrackets) {
  EXPECT_EQ(FillTemplate("@L0*@B0", {"2", "3"}, GbkList({"乚[L]", "癧[B]"}), true),
            Gbk("[乚]2*[癧]3"));
}

// ---------------------------------------------------------------------------
// Annotations

TEST(AnnotationTest, ComposesDrawingAxesAndNote) {
  struct Case {
    const char *tu, *th, *ax1, *ax2, *ax3, *ax4, *bdszs;
    const char* expected;
  };
  const Case cases[] = {
      {"", "", "①", "③", "⑤", "⑦", "", "①-③|⑤-⑦"},
      {"建施", "12", "①", "③", "⑤", "⑦", "外墙", "建施12>>①-③|⑤-⑦:外墙"},
      {"", "", "", "", "", "", "外墙", "外墙"},
      {"", "", "", "", "", "", "", ""},
      {"", "", "①", "", "", "", "", ""},       // "①|"
      {"", "", "①", "", "⑤", "", "", "⑤"},    // "①|⑤"
      {"", "", "", "", "⑤", "", "", ""},       // "|⑤"
      {"", "", "①", "③", "⑤", "", "", "①-③"},  // "①-③|⑤"
      {"", "", "①", "", "⑤", "⑦", "", "⑤-⑦"},  // "①|⑤-⑦"
      {"", "", "①", "③", "", "", "", "①-③|"},  // no bar three bytes from either end
      {"", "", "①", "", "", "", "外墙", "外墙"},
      {"", "", "", "", "⑤", "⑦", "外墙", "|⑤-⑦:外墙"},
      {"", "", "A", "", "1", "", "", "A|1"},   // one-byte labels are not dropped
      {"", "", "A", "B", "1", "2", "x", "A-B|1-2:x"},
      {"建施", "12", "", "", "", "", "", "建施12>>"},
      {"建施", "", "", "", "", "", "外墙", "建施>>外墙"},
      {"", "3", "", "", "", "", "外墙", "外墙"},  // a drawing number alone is not shown
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(AnnotationText(Gbk(c.tu), Gbk(c.th), Gbk(c.ax1), Gbk(c.ax2), Gbk(c.ax3),
                             Gbk(c.ax4), Gbk(c.bdszs)),
              Gbk(c.expected));
  }
}

TEST(AnnotationTest, TagBracesNonEmptyAnnotation) {
  EXPECT_EQ(AnnotationTag("", "", Gbk("①"), "", Gbk("⑤"), "", Gbk("外墙")), Gbk(":{⑤:外墙}"));
  EXPECT_EQ(AnnotationTag("", "", Gbk("①"), "", "", "", ""), "");
}

// ---------------------------------------------------------------------------
// Names, history lists, quoting

TEST(NextNameTest, IncrementsTrailingNumber) {
  struct Case {
    const char* name;
    const char* prefix;
    const char* expected;
  };
  const Case cases[] = {
      {"M1", "C", "M2"},        {"C", "M", "C1"},      {"M09", "C", "M10"},
      {"12", "C", "C13"},       {"", "M", "M1"},       {"M0099", "C", "M100"},
      {"门1", "M", "门2"},      {"2层", "F", "2层1"},  {"A1B", "C", "A1B1"},
      {"M2147483646", "C", "M2147483647"},
      {"M00000000000000000007", "C", "M8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NextName(Gbk(c.name), Gbk(c.prefix)), Gbk(c.expected));
  }
}

TEST(NextNameTest, NumberBeyondInt32Throws) {
  struct Case {
    const char* name;
    const char* digits;
  };
  const Case cases[] = {
      {"M2147483647", "2147483647"},  // the next number does not fit
      {"M2147483648", "2147483648"},
      {"M99999999999", "99999999999"},
      {"4294967297", "4294967297"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ConvertErrorMessage([&] { NextName(c.name, "C"); }), ConvertError(c.digits).what());
  }
}

TEST(PushRecentTest, KeepsMostRecentFirst) {
  struct Case {
    const char* name;
    std::vector<std::string> list;
    const char* t;
    std::size_t max;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"new entry goes first", {"a", "b"}, "c", 30, {"c", "a", "b"}},
      {"existing entry moves first", {"a", "b", "c"}, "b", 30, {"b", "a", "c"}},
      {"last entry moves first", {"a", "b", "c"}, "c", 30, {"c", "a", "b"}},
      {"first entry stays", {"a", "b"}, "a", 30, {"a", "b"}},
      {"oldest dropped beyond max", {"a", "b", "c"}, "d", 3, {"d", "a", "b"}},
      {"list over max is cut on insert", {"a", "b", "c", "d"}, "e", 2, {"e", "a"}},
      {"moving does not cut", {"a", "b", "c"}, "c", 2, {"c", "a", "b"}},
      {"empty text ignored", {"a"}, "", 30, {"a"}},
      {"into empty list", {}, "x", 30, {"x"}},
      {"case-sensitive", {"A"}, "a", 30, {"a", "A"}},
      {"Chinese text", {"长度", "宽度"}, "宽度", 30, {"宽度", "长度"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> list = GbkList(c.list);
    PushRecent(list, Gbk(c.t), c.max);
    EXPECT_EQ(list, GbkList(c.expected));
  }
}

TEST(QuoteDoubleTest, DoublesSingleQuotes) {
  struct Case {
    const char* t;
    const char* expected;
  };
  const Case cases[] = {
      {"", ""}, {"M1", "M1"}, {"O'Neil", "O''Neil"}, {"''", "''''"}, {"门'窗'", "门''窗''"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    EXPECT_EQ(QuoteDouble(Gbk(c.t)), Gbk(c.expected));
  }
}

// ---------------------------------------------------------------------------
// Edit commands

// An edit control bound to a table whose edit state is tracked.
class FakeEdit : public EditControl {
public:
  FakeEdit(std::string text, std::size_t start = 0, std::size_t length = 0)
      : Content(std::move(text)), Start(start), Length(length) {}

  std::string Text() const override { return Content; }
  void SetText(std::string_view t) override {
    Content = t;
    if (!Editing) TextSetOutsideEdit = true;
  }
  std::size_t SelStart() const override { return Start; }
  std::size_t SelLength() const override { return Length; }
  void SetSelection(std::size_t start, std::size_t length) override {
    Start = start;
    Length = length;
  }
  bool ReadOnly() const override { return IsReadOnly; }
  void BeginEdit() override {
    if (!Editing) ++EditStateEntries;
    Editing = true;
  }

  std::string Content;
  std::size_t Start, Length;
  bool IsReadOnly = false;
  bool Editing = false;
  int EditStateEntries = 0;
  bool TextSetOutsideEdit = false;
};

TEST(WrapSelectionTest, WrapsSelectedTextAndPlacesCaretAfterIt) {
  struct Case {
    const char* text;
    std::size_t start, length;  // bytes
    const char* prefix;
    const char* expected;
    std::size_t caret;
  };
  // 长度*宽度: 长 0-1, 度 2-3, '*' 4, 宽 5-6, 度 7-8.
  const Case cases[] = {
      {"3*4+5", 2, 3, "SQR(", "3*SQR(4+5)", 10},
      {"3*4", 0, 3, "(", "(3*4)", 5},
      {"3*4", 0, 3, "-(", "-(3*4)", 6},
      {"3*4", 2, 1, "[", "3*[4]", 5},
      {"3*4", 3, 0, "SQR(", "3*4SQR()", 8},
      {"", 0, 0, "[", "[]", 2},
      {"a\r\nb", 1, 3, "(", "a(b)", 4},        // leading line break dropped with the cut
      {"\tx\ty", 0, 4, "(", "(x\ty)", 5},      // only leading ones are dropped
      {"长度*宽度", 5, 4, "SQR(", "长度*SQR(宽度)", 14},
      {"长度*宽度", 0, 9, "ArcCos(", "ArcCos(长度*宽度)", 17},
      {"长度*宽度", 1, 2, "SQR(", "SQR(长度)*宽度", 9},  // both ends inside a character
      {"长度*宽度", 3, 0, "(", "长()度*宽度", 4},       // caret inside a character
      {"长度*宽度", 6, 100, "[", "长度*[宽度]", 11},     // length beyond the end
      {"3*4", 100, 2, "SQR(", "3*4SQR()", 8},           // start beyond the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    FakeEdit edit(Gbk(c.text), c.start, c.length);
    testing::ScriptedHost host;
    WrapSelection(edit, c.prefix, host);
    EXPECT_EQ(edit.Content, Gbk(c.expected));
    EXPECT_EQ(edit.Start, c.caret);
    EXPECT_EQ(edit.Length, 0u);
    EXPECT_FALSE(edit.TextSetOutsideEdit);
    EXPECT_GE(host.ClipboardClears, 1);
  }
}

TEST(WrapSelectionTest, ReadOnlyControlIsLeftAloneButClipboardCleared) {
  FakeEdit edit("3*4", 0, 3);
  edit.IsReadOnly = true;
  testing::ScriptedHost host;
  WrapSelection(edit, "SQR(", host);
  EXPECT_EQ(edit.Content, "3*4");
  EXPECT_EQ(edit.Start, 0u);
  EXPECT_EQ(edit.Length, 3u);
  EXPECT_EQ(edit.EditStateEntries, 0);
  EXPECT_GE(host.ClipboardClears, 1);
}

TEST(StepEditNumberTest, AddsStepInEditState) {
  struct Case {
    const char* text;
    int step;
    const char* expected;
  };
  const Case cases[] = {
      {"5", 1, "6"},          {"5", -1, "4"},        {"0", -5, "-5"},
      {"+7", 5, "12"},        {"-3", 5, "2"},        {"007", 1, "8"},
      {"2147483646", 1, "2147483647"},               {"-2147483647", -1, "-2147483648"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FakeEdit edit(c.text);
    StepEditNumber(edit, c.step);
    EXPECT_EQ(edit.Content, c.expected);
    EXPECT_EQ(edit.EditStateEntries, 1);
    EXPECT_FALSE(edit.TextSetOutsideEdit);
  }
}

TEST(StepEditNumberTest, AlreadyEditingStaysInEditState) {
  FakeEdit edit("5");
  edit.Editing = true;
  StepEditNumber(edit, 5);
  EXPECT_EQ(edit.Content, "10");
  EXPECT_EQ(edit.EditStateEntries, 0);
}

TEST(StepEditNumberTest, EmptyTextDoesNothing) {
  FakeEdit edit("");
  StepEditNumber(edit, 1);
  EXPECT_EQ(edit.Content, "");
  EXPECT_EQ(edit.EditStateEntries, 0);
}

TEST(StepEditNumberTest, NonIntegerOrOverflowThrowsAndChangesNothing) {
  struct Case {
    const char* text;
    int step;
  };
  const Case cases[] = {
      {"abc", 1},         {"1.5", 1},         {" 5", 1},          {"5 ", 1},
      {"-", 1},           {"+", 1},           {"+-5", 1},         {"99999999999", 1},
      {"2147483648", -1}, {"2147483647", 1},  {"2147483645", 5},  {"-2147483648", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FakeEdit edit(c.text);
    EXPECT_EQ(ConvertErrorMessage([&] { StepEditNumber(edit, c.step); }),
              ConvertError(c.text).what());
    EXPECT_EQ(edit.Content, c.text);
    EXPECT_EQ(edit.EditStateEntries, 0);
  }
  FakeEdit chinese(Gbk("五"));
  EXPECT_THROW(StepEditNumber(chinese, 1), ConvertError);
}

}  // namespace
}  // namespace takeoff::engine
