// takeoff-cli as a user runs it: UTF-8 in, UTF-8 out, exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/run_cli.h"

namespace takeoff::testing {
namespace {

TEST(CliEval, JsonObjectPerFormula) {
  CliResult r = RunCli({"eval", "--json", "2(3+4)", "$[墙厚]*2", "&[M1_W1]"});
  EXPECT_EQ(r.Status, 1);
  std::vector<nlohmann::json> lines;
  for (std::size_t at = 0, nl; (nl = r.Out.find('\n', at)) != std::string::npos; at = nl + 1)
    lines.push_back(nlohmann::json::parse(r.Out.substr(at, nl - at)));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], nlohmann::json::parse(
                          R"j({"formula":"2(3+4)","ok":true,"value":14,"text":"14","kind":0,"name":"","message":""})j"));
  EXPECT_EQ(lines[1]["kind"], 1);
  EXPECT_EQ(lines[1]["name"], "墙厚");
  EXPECT_EQ(lines[1]["message"], "变量 \"$[墙厚]\" 没有定义，请定义该变量！");
  EXPECT_EQ(lines[2]["kind"], 2);
  EXPECT_EQ(lines[2]["name"], "M1");
  EXPECT_EQ(lines[2]["value"], 0);
  EXPECT_EQ(lines[2]["ok"], false);
  // Keys in the documented order.
  EXPECT_EQ(r.Out.substr(0, r.Out.find(',')), R"j({"formula":"2(3+4)")j");
}

TEST(CliEval, PlainOutputAndReferences) {
  CliResult r = RunCli({"eval", "--var", "墙厚=0.24", "--opening", "M1=1.89,2.1,0.9,0,6", "--",
                        "(3.6+4.2)*2*$[墙厚]", "&[M1_S]+&[M1_L]", "7/0"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "3.744\n7.89\nerror: 计算式错误，分母不能是\"0\"！\\r\\r7/0\n");
}

TEST(CliEval, FormulasFromStandardInput) {
  CliResult r = RunCli({"eval"}, "1+1\r\nSIN(30)\n\n");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "2\n0.5\n0\n");
}

TEST(CliEval, InputTheCodePageCannotHold) {
  CliResult r = RunCli({"eval", "--json", "1+😀"});
  EXPECT_EQ(r.Status, 1);
  auto j = nlohmann::json::parse(r.Out);
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["kind"], 100);
  EXPECT_NE(j["message"].get<std::string>().find("U+1F600"), std::string::npos);
}

TEST(CliUsage, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"eval", "--var", "a"},
      {"eval", "--var", "a=x"},
      {"eval", "--opening", "M1=1,2,3"},
      {"eval", "--bogus"},
      {"text"},
      {"text", "NoSuchRoutine"},
      {"text", "UnitClass"},
      {"text", "FormatNumberText", "abc"},
      {"text", "AnnotationText", "a"},
  };
  for (const auto& args : cases) EXPECT_EQ(RunCli(args).Status, 2) << (args.empty() ? "" : args.back());
  CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("eval [--var NAME=VALUE]"), std::string::npos);
}

TEST(CliText, Routines) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"UnitClass", "100kg"}, "8\n"},
      {{"UnitClass", ""}, "255\n"},
      {{"UnitScale", "1000kg"}, "1000\n"},
      {{"WrapSigned", "-3"}, "(-3)\n"},
      {{"NextName", "M09", "M"}, "M10\n"},
      {{"QuoteDouble", "it's"}, "it''s\n"},
      {{"FormatNumberText", "0.00005"}, "5E-5\n"},
      {{"AnnotationText", "建施", "12", "①", "③", "⑤", "⑦", "外墙"}, "建施12>>①-③|⑤-⑦:外墙\n"},
      {{"AnnotationTag", "", "", "", "", "", "", "外墙"}, ":{外墙}\n"},
      {{"ConvertToQuotaUnit", "100m2", "10m2", "3*4"}, "(3*4)*10/100[!单位换算]\n100m2\n"},
      {{"FillTemplate", "@L0*@B0+@L1", "--labels", "--param", "长度[L]", "3.6", "--param", "宽度[B]", "-2",
        "--param", "边长[L1]", "1"},
       "[长度]3.6*[宽度](-2)+[边长]1\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"text"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliResult r = RunCli(args);
    EXPECT_EQ(r.Status, 0) << c.args[0];
    EXPECT_EQ(r.Out, c.out) << c.args[0];
  }
  CliResult fail = RunCli({"text", "NextName", "M99999999999", "M"});
  EXPECT_EQ(fail.Status, 1);
  EXPECT_EQ(fail.Out, "error: '99999999999' is not a valid integer value\n");
}

}  // namespace
}  // namespace takeoff::testing
