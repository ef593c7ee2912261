#include "engine/evaluator.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/number_text.h"
#include "engine/resolve_refs.h"
#include "support/scripted_host.h"
#include "text/gbk.h"

namespace takeoff::engine {
namespace {

using text::Gbk;

class EvaluatorTest : public ::testing::Test {
protected:
  // Evaluates a UTF-8 formula with the message switch armed, as a freshly typed record.
  double Eval(const std::string& utf8) {
    host.Messages.clear();
    ev.ShowExprMsg = true;
    return ev.EvalFormula(Gbk(utf8), error);
  }
  std::string Message() const {
    return host.Messages.empty() ? std::string() : text::Cp936ToUtf8(host.Messages.back().Text);
  }

  testing::ScriptedHost host;
  Evaluator ev{&host};
  TErTYpe error;
};

struct Valued {
  const char* formula;
  double value;
};

TEST_F(EvaluatorTest, Values) {
  const Valued cases[] = {
      {"", 0}, {"[只有注释]", 0}, {"   ", 0}, {"长度", 0},
      {"2(3+4)", 14}, {"(1+2)(3+4)", 21}, {"2pi", 6.283185307179586}, {"-3*2", -6},
      {"(-2)*3", -6}, {"2*(-3)", -6}, {"(+3)", 3}, {"()", 0}, {"(3)2", 6},
      {"8//2", 16}, {"8/*2", 4}, {"8**2", 16}, {"5--2", 7}, {"5+-2", 3}, {"5-+2", 3}, {"5++2", 7},
      {"5.", 5}, {".5", 0.5}, {".", 0}, {"1+2*3-4/2", 5}, {"10-2-3", 5}, {"8/2/2", 2},
      {"SIN(30)", 0.5}, {"sin(30)", 0.5}, {"SIN()", 0}, {"COS(60)", 0.5}, {"TAN(45)", 1},
      {"COT(45)", 1}, {"SQR(3)", 9}, {"SQRT(4)", 2}, {"VQR(2)", 16}, {"QTJ(1)", 4.188790204786391},
      {"YMJ(1)", 3.141592653589793}, {"YZC(1)", 6.283185307179586}, {"QMJ(1)", 12.566370614359172},
      {"INT(-2.7)", -2}, {"INT(2.7)", 2}, {"ARCCOT(0)", 90}, {"ARCCOT(-1)", -45}, {"ARCTAN(1)", 45},
      {"ARCSIN(0.5)", 30}, {"ARCCOS(0.5)", 60}, {"ARCSIN(1)", 90},
      {"3*4 [长度×宽度]", 12}, {"长3*4+", 12}, {"+5", 5}, {"*5", 5},       {"2SQR(3)", 18}, {"SQR(2)SQR(3)", 36}, {"SQR(2)(3)", 12}, {"SIN(SIN(30)*60)", 0.5},
      {"(3.6+4.2)*2*0.24[墙厚]-1.5*2.1*2", 3.744 - 6.3},
      {"2*pi", 6.283185307179586}, {"pi", 3.141592653589793}, {"pi2", 6.283185307179586},
      {"SQRT(SQR(3)+SQR(4))", 5}, {"0.1+0.2", 0.30000000000000004},
  };
  for (const Valued& c : cases) {
    double v = Eval(c.formula);
    EXPECT_TRUE(ev.ExprOk) << c.formula << ": " << Message();
    EXPECT_EQ(error.ErKind, kErNone) << c.formula;
    EXPECT_DOUBLE_EQ(v, c.value) << c.formula;
    EXPECT_TRUE(host.Messages.empty()) << c.formula;
    EXPECT_TRUE(ev.ShowExprMsg) << "a success leaves the switch armed: " << c.formula;
  }
}

TEST_F(EvaluatorTest, ExtendedPrecisionGivesExactDegrees) {
  // In double precision sin(30 degrees) is 0.49999999999999994.
  EXPECT_EQ(Eval("SIN(30)"), 0.5);
  EXPECT_EQ(Eval("COS(60)"), 0.5);
  EXPECT_EQ(Eval("2pi"), 6.283185307179586);
}

struct Failing {
  const char* formula;
  std::uint8_t kind;
  const char* name;
  const char* message;  // UTF-8, with \r for each CR
};

TEST_F(EvaluatorTest, Errors) {
  const Failing cases[] = {
      {"2*-3", kErOther, "", "计算式错误！\r\r*-3"},
      {"2/-3", kErOther, "", "计算式错误！\r\r/-3"},
      {"(*3)", kErOther, "", "计算式错误！\r\r(*3)"},
      {"2+*3", kErOther, "", "计算式错误！\r\r+*3"},
      {"7/0", kErOther, "", "计算式错误，分母不能是\"0\"！\r\r7/0"},
      {"1/0.000000001", kErOther, "", "计算式错误，分母不能是\"0\"！\r\r1/0"},
      {"1.5*2/(1-1)", kErOther, "", "计算式错误，分母不能是\"0\"！\r\r3/0"},
      {"1.2.3", kErOther, "", "输入数值错误，\r\r\"1.2.3\"出现多个小数点！"},
      {".5.5", kErOther, "", "输入数值错误，\r\r\".5.5\"出现多个小数点！"},
      {"SIN 30", kErOther, "", "函数表达式错误，缺少\"(参数)\"！\r\rSIN30"},
      {"PI*2", kErOther, "", "函数表达式错误，缺少\"(参数)\"！\r\rPI*2"},
      {"Pi*2", kErOther, "", "函数表达式错误，缺少\"(参数)\"！\r\rPI*2"},
      {"SIN(", kErOther, "", "函数表达式错误，缺少\"(参数)\"！\r\rSIN"},
      {"SIN(30", kErOther, "", "函数表达式错误，没有配对的\")\"！\r\r(30"},
      {"SIN((30)", kErOther, "", "函数表达式错误，缺少配对的\")\"！\r\r((30)"},
      {"SQRT(-4)", kErOther, "", "-4为负值，不能开平方！"},
      {"x+SIN(30)", kErOther, "", "表达式、函数或变量名错误!\r\rX+SIN"},
      {"VQ(2)", kErOther, "", "表达式、函数或变量名错误!\r\rVQ"},
      {"1+2)", kErOther, "", "运算符错误 \")\" !"},
      {"(1+2", kErOther, "", "运算符错误 \"(\" !"},
      {"SIN(30,2)", kErOther, "", "运算符错误 \",\" !"},
      {"3×4", kErOther, "", "运算符错误 \"×\" !"},
      {"2^3", kErOther, "", "运算符错误 \"^\" !"},
      {"[注释", kErOther, "", "您输入的计算式错误，“]”不配对"},
      {"3]4[", kErOther, "", "您输入的计算式错误，“]”不配对"},
      {"3[a$b]", kErUndefinedVariable, "", "变量 \"$b]\" 没有定义，请定义该变量！"},
      {"2*$[墙厚]", kErUndefinedVariable, "墙厚", "变量 \"$[墙厚]\" 没有定义，请定义该变量！"},
      {"$[abc", kErUndefinedVariable, "abc", "变量 \"$[abc\" 没有定义，请定义该变量！"},
      {"10-&[M1_S]*2", kErUndefinedOpening, "M1", "门窗 \"M1\" 没有定义，请定义该门窗！"},
      {"&[M_1_W1]", kErUndefinedOpening, "M_1", "门窗 \"M_1\" 没有定义，请定义该门窗！"},
      {"&[C2]+$[a]", kErUndefinedOpening, "C2", "门窗 \"C2\" 没有定义，请定义该门窗！"},
      {"[a[b]c]", kErOther, "", "函数表达式错误，缺少\"(参数)\"！\r\rC"},
      {"SIN(1/0)", kErOther, "", "计算式错误，分母不能是\"0\"！\r\r1/0"},
  };
  for (const Failing& c : cases) {
    double v = Eval(c.formula);
    EXPECT_FALSE(ev.ExprOk) << c.formula;
    EXPECT_EQ(v, 0) << c.formula;
    EXPECT_EQ(error.ErKind, c.kind) << c.formula;
    EXPECT_EQ(error.ErName, Gbk(c.name)) << c.formula;
    ASSERT_EQ(host.Messages.size(), 1u) << c.formula;
    EXPECT_EQ(Message(), c.message) << c.formula;
    EXPECT_EQ(host.Messages[0].Caption, platform::MsgCaption::AppTitle);
    EXPECT_EQ(host.Messages[0].Buttons, platform::MsgButtons::Ok);
    EXPECT_FALSE(ev.ShowExprMsg) << c.formula;
  }
}

TEST_F(EvaluatorTest, FloatingPointFaultsFailWithoutAValue) {
  for (const char* f : {"ARCSIN(2)", "ARCCOS(-1.5)", "COT(180)", "COT(0)", "COT(-360)", "TAN(90)", "TAN(-270)",
                        "SQR(SQR(SQR(SQR(SQR(SQR(SQR(SQR(SQR(1000)))))))))",
                        "9999999999999999999999999999999999999999999999999999999999999999999999999999999999999"
                        "9999999999999999999999999999999999999999999999999999999999999999999999999999999999999"
                        "9999999999999999999999999999999999999999999999999999999999999999999999999999999999999"
                        "9999999999999999999999999999999999999999999999999999999999999999999999999999999999999"}) {
    double v = Eval(f);
    EXPECT_FALSE(ev.ExprOk) << f;
    EXPECT_EQ(v, 0) << f;
    EXPECT_EQ(error.ErKind, kErOther) << f;
    ASSERT_EQ(host.Messages.size(), 1u) << f;
    EXPECT_NE(Message().find("计算结果超出数值范围"), std::string::npos) << Message();
  }
}

TEST_F(EvaluatorTest, StackLimits) {
  std::string sum = "1";
  for (int i = 1; i < 300; ++i) sum += "+1";
  EXPECT_EQ(Eval(sum), 300);

  // 99 operands may wait at once; the hundredth is refused.
  auto chain = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "1+(";
    s += "1";
    return s + std::string(static_cast<std::size_t>(n), ')');
  };
  EXPECT_EQ(Eval(chain(49)), 50);
  EXPECT_TRUE(ev.ExprOk);

  const std::string limit = "为了节约存储空间，输入计算参数不能多于100个，请分解为多条记录！";
  auto nested = [](int n) { return std::string(n, '(') + "1" + std::string(n, ')'); };
  EXPECT_EQ(Eval(nested(99)), 1);
  EXPECT_EQ(Eval(nested(100)), 0);
  EXPECT_EQ(Message(), limit);

  std::string products = "2";
  for (int i = 0; i < 120; ++i) products += "+2*(3";
  Eval(products);
  EXPECT_FALSE(ev.ExprOk);
  EXPECT_EQ(Message(), limit);

  // Functions nested inside each other are bounded as well.
  std::string deep;
  for (int i = 0; i < 150; ++i) deep += "SQR(";
  deep += "1" + std::string(150, ')');
  EXPECT_EQ(Eval(deep), 0);
  EXPECT_EQ(Message(), limit);
}

TEST_F(EvaluatorTest, MessageSwitchIsOneShot) {
  ev.ShowExprMsg = true;
  EXPECT_EQ(ev.EvalFormula(Gbk("7/0"), error), 0);
  EXPECT_EQ(host.Messages.size(), 1u);
  // The grid evaluates the same record again: no second message, still the error mark.
  EXPECT_EQ(ev.EvalFormula(Gbk("7/0"), error), 0);
  EXPECT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(error.ErKind, kErOther);
  EXPECT_FALSE(ev.ExprOk);
  // A later success clears the error record and leaves the switch off.
  EXPECT_EQ(ev.EvalFormula("1+1", error), 2);
  EXPECT_EQ(error.ErKind, kErNone);
  EXPECT_FALSE(ev.ShowExprMsg);
}

TEST_F(EvaluatorTest, SecondBytesOfChineseAreNeitherBracketsNorLetters) {
  // 0x815D ends in ']' and 0x8141 in 'A'.
  EXPECT_EQ(ev.EvalExpr("2*3[\x81]\x81" "A]"), 6);
  EXPECT_TRUE(ev.ExprOk);
  EXPECT_EQ(ev.EvalExpr("3\x81" "A"), 3);
  EXPECT_EQ(ev.EvalExpr("\x81" "A3"), 3);
}

TEST_F(EvaluatorTest, SurvivesArbitraryBytes) {
  const std::string inputs[] = {
      std::string("1\0+2", 4), std::string(2000, '('), std::string(3000, '9'), "\xD6", "3\xD6", "\xFF\xFE",
      std::string(5000, '1') + "." + std::string(5000, '1'), "SIN(" + std::string(3000, '('), "a(", "((((",
      std::string("SIN(\0)", 6), ")(", "-", "--", "(-", "-(", "SIN()()", "\x07", "1\x07+2",
  };
  for (const std::string& in : inputs) {
    double v = ev.EvalExpr(in);
    EXPECT_TRUE(std::isfinite(v));
    if (!ev.ExprOk) {
      EXPECT_EQ(v, 0);
    }
  }
}

TEST(ResolveRefs, ReplacesVariablesThenOpenings) {
  const std::vector<ValRecords> vars = {{Gbk("墙厚"), 0.24}, {"H", 3}, {"N", -2}};
  const std::vector<ValWinRecords> wins = {{"M1", 1.89, 2.1, 0.9, 0, 6}, {"C1", 2.25, 1.5, 1.5, 1.2, 5.4}};
  EXPECT_EQ(ResolveRefs(Gbk("$[H]*$[墙厚]-&[M1_S]*2+$[H]"), vars, wins), Gbk("3*0.24-1.89*2+3"));
  EXPECT_EQ(ResolveRefs("&[C1_H]&[C1_W1]&[C1_W2]&[C1_L]&[M1_W2]", vars, wins), "1.51.51.25.40");
  EXPECT_EQ(ResolveRefs("1-$[N]", vars, wins), "1--2");
  EXPECT_EQ(ResolveRefs("$[h]+&[M2_S]+$[H ]", vars, wins), "$[h]+&[M2_S]+$[H ]");
}

TEST(ResolveRefs, ComputedLikeARecord) {
  testing::ScriptedHost host;
  Evaluator ev(&host);
  TErTYpe error;
  const std::vector<ValRecords> vars = {{"a", 2}};
  EXPECT_EQ(ev.EvalFormula(ResolveRefs("1-$[a]", vars, {}), error), -1);
  EXPECT_EQ(ev.EvalFormula(ResolveRefs("$[a]$[a]", vars, {}), error), 22);  // values are inserted bare
}

TEST(FormatNumberText, Forms) {
  const struct { double v; const char* text; } cases[] = {
      {0, "0"}, {-0.0, "0"}, {12, "12"}, {-6, "-6"}, {0.5, "0.5"}, {3.744, "3.744"},
      {0.30000000000000004, "0.3"}, {6.283185307179586, "6.28318530717959"}, {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"}, {0.00005, "5E-5"}, {-0.000012345, "-1.2345E-5"}, {1.5e20, "1.5E20"},
      {999999999999999, "999999999999999"}, {1e15, "1E15"}, {123456.789, "123456.789"},
      {1e-300, "1E-300"}, {0.00099999999999999999, "0.001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatNumberText(c.v), c.text) << c.v;
}

}  // namespace
}  // namespace takeoff::engine
