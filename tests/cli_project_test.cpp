// takeoff-cli export-json and import-json, through the real executable: a project
// document written to a project file and read back, the values each field refuses,
// and project files that cannot be opened.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "data/table.h"
#include "support/files.h"
#include "support/data_fixture.h"
#include "support/run_cli.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace takeoff::testing {
namespace {

using Json = nlohmann::ordered_json;

// A document naming every stored field type of the five tables: texts in Chinese, a
// memo with line breaks, decimals with all their places, nulls, an opening note wider
// than what typing may write (stored data is kept whole), and rows that leave fields out.
const char* kDocument = R"({
  "properties": ["一号楼", "北京市海淀区", "建设单位甲", "", "张三", "李四"],
  "keyCounter": 12,
  "version": 5,
  "nodes": [
    {"Key": 0, "Parent": -1, "NodeType": 0, "Name": "一号楼", "Num": null, "Id": 0},
    {"Key": 3, "Parent": 0, "NodeType": 4, "Name": "砖墙", "Num": 2, "Id": 1}
  ],
  "records": [
    {"DM": "A3-1", "Parent": 3, "Name": "外墙 240", "DW": "m2", "BDS": "(3.6+4.2)*2*$[墙厚]", "Id": 1,
     "Grp": "g", "Gid": "7", "BDSdt": "第一行\r\n第二行", "BDSZS": "注", "BDSNum": -3,
     "AX1": "A", "AX2": "B", "AX3": "1", "AX4": "2", "fjBDS": 65535, "AddVal": "+1", "XSVal": "*2",
     "Type": -32768, "AbsId": 40, "TU": "T", "TH": "H"},
    {"Parent": 3, "Name": "内墙", "Id": 2, "AbsId": 2147483647},
    {"Parent": 3, "Id": 3, "DW": null, "AbsId": null}
  ],
  "openings": [
    {"Id": 1, "Name": "M1", "Type": "矩形", "Num": 4, "L": "-1.500", "S": "2.100", "G": 3, "BDSdt": "x",
     "W1": "0.900", "W2": null, "H": "2.100", "MemText": "这一条说明写得比二十个字节长得多", "GL": 2},
    {"Name": "C1"}
  ],
  "placements": [
    {"AbsId": 40, "Name": "M1", "Num": 3, "Side": -1, "SideWidth": 120, "ifTop": true, "ifgetS": false,
     "ifgetGL": true, "ifgetL": null, "ifgetSideS": true, "ifDoor": false, "G": 0}
  ],
  "variables": [
    {"Id": 1, "Name": "墙厚", "BDS": "0.24", "Val": "0.240", "Mem": "外墙"},
    {"Id": 65535, "Name": "层高", "Val": "-899999999999.999"}
  ]
})";

class CliProjectTest : public ::testing::Test {
protected:
  std::filesystem::path In() const { return folder.Path / "in.json"; }
  std::filesystem::path Out() const { return folder.Path / "out.mfz"; }

  CliResult Import(const std::string& document) {
    WriteAll(In(), document);
    return RunCli({"import-json", In().string(), Out().string()});
  }
  Json Export(const std::filesystem::path& file) {
    const CliResult r = RunCli({"export-json", file.string()});
    EXPECT_EQ(r.Status, 0) << r.Out;
    return Json::parse(r.Out);
  }

  TempFolder folder;
};

TEST_F(CliProjectTest, DocumentComesBackForTheFieldsItNames) {
  const Json in = Json::parse(kDocument);
  const CliResult r = Import(kDocument);
  ASSERT_EQ(r.Status, 0) << r.Out;
  EXPECT_EQ(r.Out, "");
  const Json out = Export(Out());

  EXPECT_EQ(out["properties"], in["properties"]);
  EXPECT_EQ(out["keyCounter"], 12);
  EXPECT_EQ(out["version"], 5);
  for (const char* table : {"nodes", "records", "openings", "placements", "variables"}) {
    SCOPED_TRACE(table);
    ASSERT_EQ(out[table].size(), in[table].size());
    for (std::size_t row = 0; row < in[table].size(); ++row)
      for (const auto& [field, value] : in[table][row].items())
        EXPECT_EQ(out[table][row][field], value) << "row " << row + 1 << ", field " << field;
  }

  // Fields a row leaves out take their declared defaults; every stored field is shown.
  const Json& bare = out["records"][1];
  EXPECT_EQ(bare.size(), 22u);
  EXPECT_EQ(bare["DW"], "m3");
  EXPECT_EQ(bare["BDSNum"], 1);
  EXPECT_EQ(bare["Type"], 1);
  EXPECT_EQ(bare["AX1"], "纵轴");
  EXPECT_EQ(bare["AX4"], "横轴");
  EXPECT_TRUE(bare["DM"].is_null());
  EXPECT_TRUE(bare["BDSdt"].is_null());
  EXPECT_FALSE(bare.contains("Val"));  // calculated, not stored
  const Json& opening = out["openings"][1];
  EXPECT_EQ(opening["Num"], 1);
  EXPECT_EQ(opening["L"], "0.000");
  EXPECT_EQ(opening["GL"], 1);
  EXPECT_TRUE(opening["W1"].is_null());
}

// The auto counter of a written table is at least the highest AbsId present, so the
// next record added gets a new number.
TEST_F(CliProjectTest, RecordCounterCoversTheAbsIdsPresent) {
  ASSERT_EQ(Import(kDocument).Status, 0);
  const workspace::ProjectFileImage image = workspace::DecodeProjectFile(ReadAll(Out()));
  data::Table records;
  records.LoadFromBytes(image.Tables[1]);
  EXPECT_GE(records.AutoCounter(), 2147483647);
}

// A project written by the program comes out of export-json and back in unchanged.
class CliProjectFromProgramTest : public DataFixture {};

TEST_F(CliProjectFromProgramTest, ExportImportExportIsStable) {
  AddVariable(G("墙厚"), "0.24");
  Place(G("M1"), 2, 1);
  workspace::ProjectState state;
  state.Properties = {G("二号楼"), "", "", "", "", ""};
  state.KeyCounter = 1;
  const std::filesystem::path first = folder.Path / "first.mfz", second = folder.Path / "second.mfz";
  ASSERT_TRUE(workspace::WriteProjectFile(md, state, first.string()));

  const CliResult exported = RunCli({"export-json", first.string()});
  ASSERT_EQ(exported.Status, 0) << exported.Out;
  const Json doc = Json::parse(exported.Out);
  ASSERT_EQ(doc["records"].size(), 5u);
  ASSERT_EQ(doc["variables"].size(), 1u);
  ASSERT_EQ(doc["placements"].size(), 1u);
  EXPECT_EQ(doc["variables"][0]["Name"], "墙厚");

  WriteAll(folder.Path / "doc.json", exported.Out);
  const CliResult imported = RunCli({"import-json", (folder.Path / "doc.json").string(), second.string()});
  ASSERT_EQ(imported.Status, 0) << imported.Out;
  EXPECT_EQ(RunCli({"export-json", second.string()}).Out, exported.Out);
}

TEST_F(CliProjectTest, RefusedDocumentsNameWhereAndWriteNothing) {
  const struct {
    const char* What;
    std::string Document;
    std::string Message;  // the start of the output
  } cases[] = {
      {"string for an integer", R"({"nodes": [{"Key": 1}, {"Key": "2"}]})",
       "error: nodes row 2, field Key: must be an integer or null, not a string"},
      {"number for a decimal", R"({"openings": [{"Name": "M1", "L": 1.5}]})", "error: openings row 1, field L:"},
      {"fraction for an integer", R"({"placements": [{"Num": 1.5}]})", "error: placements row 1, field Num:"},
      {"number for a bool", R"({"placements": [{"ifTop": 1}]})", "error: placements row 1, field ifTop:"},
      {"uint16 above 65535", R"({"placements": [{"AbsId": 65536}]})", "error: placements row 1, field AbsId:"},
      {"uint16 below 0", R"({"variables": [{"Name": "a", "Id": -1}]})", "error: variables row 1, field Id:"},
      {"int16 above 32767", R"({"records": [{"Type": 32768}]})", "error: records row 1, field Type:"},
      {"int32 below its range", R"({"nodes": [{"Num": -2147483649}]})", "error: nodes row 1, field Num:"},
      {"integer beyond 64 bits", R"({"nodes": [{"Num": 18446744073709551615}]})", "error: nodes row 1, field Num:"},
      {"decimal at 9e14", R"({"variables": [{"Name": "a", "Val": "900000000000000"}]})",
       "error: variables row 1, field Val:"},
      {"decimal that is no number", R"({"openings": [{"Name": "M1", "S": "1,5"}]})", "error: openings row 1, field S:"},
      {"text wider than its field", R"({"nodes": [{"Name": "一二三四五六七八九十一二三"}]})",
       "error: nodes row 1, field Name: 26 bytes, the field holds 24"},
      {"emoji in a text", R"({"records": [{}, {}, {"Name": "墙😀"}]})",
       "error: records row 3, field Name: text that code page 936 cannot hold"},
      {"emoji in a memo", R"({"records": [{"BDSdt": "\ud83d\ude00"}]})",
       "error: records row 1, field BDSdt: text that code page 936 cannot hold"},
      {"emoji in a property", R"({"properties": ["😀"]})", "error: properties 1: text that code page 936 cannot hold"},
      {"unknown field", R"({"variables": [{"Name": "a"}, {"Name": "b", "Bogus": 1}]})",
       "error: variables row 2: unknown field Bogus"},
      {"calculated field", R"({"records": [{"Val": "1.00"}]})", "error: records row 1, field Val: a calculated field"},
      {"row that is no object", R"({"nodes": [[1]]})", "error: nodes row 1: must be an object"},
      {"table that is no array", R"({"records": {}})", "error: records: must be an array"},
      {"unknown table", R"({"windows": []})", "error: unknown key windows"},
      {"line break in a property", R"({"properties": ["a\r\nb"]})", "error: properties 1: a property is one line"},
      {"seven properties", R"({"properties": ["", "", "", "", "", "", ""]})", "error: properties:"},
      {"key counter beyond int32", R"({"keyCounter": 2147483648})", "error: keyCounter:"},
      {"older version", R"({"version": 4})", "error: version:"},
      {"no JSON", R"({"nodes": [)", "error: not a JSON document"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const CliResult r = Import(c.Document);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out.rfind(c.Message, 0), 0u) << r.Out;
    EXPECT_FALSE(std::filesystem::exists(Out()));
    EXPECT_FALSE(std::filesystem::exists(folder.Path / "out.~mf"));
  }
}


TEST_F(CliProjectTest, FilesThatCannotBeOpenedAreErrors) {
  ASSERT_EQ(Import(kDocument).Status, 0);
  const std::string good = ReadAll(Out());
  std::string raw = Inflate(good);
  const auto headerLength = static_cast<std::size_t>(static_cast<unsigned char>(raw[0])) |
                            static_cast<std::size_t>(static_cast<unsigned char>(raw[1])) << 8;
  const std::size_t versionAt = 4 + headerLength + 4 + 20;
  ASSERT_EQ(raw[versionAt], 5);
  auto withVersion = [&](char v) {
    std::string r = raw;
    r[versionAt] = v;
    return Deflate(r);
  };
  std::string flipped = good;
  flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x55);

  const struct {
    const char* What;
    std::string Bytes;
    std::string Message;
  } cases[] = {
      {"truncated", good.substr(0, good.size() / 2), "error: 工程文件已损坏："},
      {"a byte changed", flipped, "error: 工程文件已损坏："},
      {"no zlib stream", "not a project file", "error: 工程文件已损坏："},
      {"empty", "", "error: 工程文件已损坏："},
      {"sections longer than the data", Deflate(raw.substr(0, raw.size() - 10)), "error: 工程文件已损坏："},
      {"newer version", withVersion(6), "error: 该文件为新版本，请将软件升级后使用！"},
      {"before 2.0", withVersion(1), "error: 该文件为2.0以前早期版本，请用相应早期版本打开！"},
      // Nobody answers the upgrade question, so the older file is not opened.
      {"older version", withVersion(4), "error: 该文件为早期版本格式"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const std::filesystem::path file = folder.Path / "case.mfz";
    WriteAll(file, c.Bytes);
    const CliResult r = RunCli({"export-json", file.string()});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out.rfind(c.Message, 0), 0u) << r.Out;
    EXPECT_EQ(r.Out.find('{'), std::string::npos) << r.Out;
  }

  const CliResult missing = RunCli({"export-json", (folder.Path / "none.mfz").string()});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Out.rfind("error: ", 0), 0u) << missing.Out;
}

}  // namespace
}  // namespace takeoff::testing
