// takeoff-cli table dump: a table file as JSON.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "data/table.h"
#include "support/run_cli.h"
#include "text/gbk.h"

namespace takeoff::testing {
namespace {

using data::FieldDef;
using data::FieldType;
using data::Value;
using text::Gbk;
namespace fs = std::filesystem;

FieldDef Def(std::string name, FieldType type, int size = 0, std::string label = {}, std::string dflt = {}) {
  FieldDef d;
  d.Name = std::move(name);
  d.Type = type;
  d.Size = size;
  d.DisplayLabel = std::move(label);
  d.Default = std::move(dflt);
  return d;
}

class CliTableDump : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/takeoff-cli-table-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_F(CliTableDump, PrintsFieldsCounterAndRows) {
  std::vector<FieldDef> defs = {
      Def(Gbk("名称"), FieldType::Text, 20, Gbk("名 称"), Gbk("门")), Def("Num", FieldType::Int32, 0, Gbk("数量"), "1"),
      Def("L", FieldType::Decimal, 3), Def("Side", FieldType::Int16), Def("GL", FieldType::UInt16),
      Def("ifTop", FieldType::Bool), Def("danj", FieldType::Double), Def("Pic", FieldType::Blob),
      Def("BDSdt", FieldType::Memo), Def("AbsId", FieldType::Auto)};
  defs[0].Required = true;
  defs[0].WriteLimit = 12;
  data::Table t;
  t.SetFieldDefs(defs);
  t.Load(defs,
         {{Gbk("门窗"), std::int64_t{-3}, std::int64_t{12340}, std::int64_t{-1}, std::int64_t{65535}, std::int64_t{1},
           2.5, std::string("\x00\xAB", 2), Gbk("一\r\n二"), std::int64_t{1}},
          {Value{}, Value{}, std::int64_t{-50}, Value{}, Value{}, std::int64_t{0}, Value{}, Value{}, Value{},
           std::int64_t{2}}},
         7);
  const fs::path file = dir_ / "窗表.tmp";
  t.SaveToFile(Gbk(file.string()));

  CliResult r = RunCli({"table", "dump", file.string()});
  EXPECT_EQ(r.Status, 0);
  const auto expected = nlohmann::ordered_json::parse(R"j({
    "fields": [
      {"name":"名称","type":"text","size":20,"required":true,"default":"门","label":"名 称","writeLimit":12},
      {"name":"Num","type":"int32","size":0,"required":false,"default":"1","label":"数量","writeLimit":0},
      {"name":"L","type":"decimal","size":3,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"Side","type":"int16","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"GL","type":"uint16","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"ifTop","type":"bool","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"danj","type":"double","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"Pic","type":"blob","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"BDSdt","type":"memo","size":0,"required":false,"default":"","label":"","writeLimit":0},
      {"name":"AbsId","type":"auto","size":0,"required":false,"default":"","label":"","writeLimit":0}
    ],
    "autoCounter": 7,
    "rows": [
      {"名称":"门窗","Num":-3,"L":"1.234","Side":-1,"GL":65535,"ifTop":true,"danj":2.5,"Pic":"00ab",
       "BDSdt":"一\r\n二","AbsId":1},
      {"名称":null,"Num":null,"L":"-0.005","Side":null,"GL":null,"ifTop":false,"danj":null,"Pic":null,
       "BDSdt":null,"AbsId":2}
    ]
  })j");
  EXPECT_EQ(nlohmann::ordered_json::parse(r.Out), expected) << r.Out;
}

TEST_F(CliTableDump, MissingOrDamagedFileIsAnError) {
  {
    std::ofstream(dir_ / "damaged.tmp", std::ios::binary) << "TKTB\x01";
  }
  struct Case {
    const char* File;
    const char* Message;
  };
  const Case cases[] = {
      {"缺少.tmp", "无法打开表文件“"},
      {"damaged.tmp", "已损坏：数据不完整"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    const std::string path = (dir_ / c.File).string();
    CliResult r = RunCli({"table", "dump", path});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out.rfind("error: ", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find(path), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(c.Message), std::string::npos) << r.Out;
  }
}

TEST(CliTableDumpUsage, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"table"}, {"table", "dump"}, {"table", "dump", "a", "b"}, {"table", "show", "a"}};
  for (const auto& args : cases) EXPECT_EQ(RunCli(args).Status, 2) << args.size();
}

}  // namespace
}  // namespace takeoff::testing
