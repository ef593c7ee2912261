// takeoff-cli records: a project opened as the program opens it, records computed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "support/run_cli.h"

namespace takeoff::testing {
namespace {

namespace fs = std::filesystem;

TEST(CliRecords, ListsNodesInTreeOrderWithComputedRecords) {
  const fs::path dir = fs::temp_directory_path() / "takeoff-cli-records-test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string in = (dir / "p.json").string(), out = (dir / "p.mfz").string();
  std::ofstream(in) << R"j({"properties":["测试工程","","","","",""],"keyCounter":3,"version":5,
    "nodes":[{"Key":1,"Parent":0,"NodeType":1,"Name":"一层","Num":1,"Id":1},
             {"Key":3,"Parent":0,"NodeType":1,"Name":"二层","Num":1,"Id":2},
             {"Key":2,"Parent":1,"NodeType":4,"Name":"外墙墙体","Num":2,"Id":1}],
    "records":[{"DM":"A1-1","Parent":2,"Name":"砖墙","BDS":"(3.6+4.2)*2*$[墙厚]","Id":2,"AbsId":1,"AX1":"①","AX2":"③","AX3":"⑤","AX4":""},
               {"Parent":2,"BDS":"2*-3","Id":1,"AbsId":2,"AX1":null,"AX2":null,"AX3":null,"AX4":null},
               {"Parent":2,"BDS":"&[M1_S]*2","Id":3,"AbsId":3,"AX1":null,"AX2":null,"AX3":null,"AX4":null}],
    "openings":[{"Id":1,"Name":"M1","Num":1,"S":"1.890","H":"2.100","W1":"0.900","W2":"0.000","L":"6.000"}],
    "placements":[],
    "variables":[{"Id":1,"Name":"墙厚","BDS":"0.24","Val":"0.240"}]})j";
  ASSERT_EQ(RunCli({"import-json", in, out}).Status, 0);

  CliResult r = RunCli({"records", out});
  ASSERT_EQ(r.Status, 0) << r.Out;
  const auto doc = nlohmann::json::parse(r.Out);
  const auto& nodes = doc["nodes"];
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0]["path"], "一层");
  EXPECT_EQ(nodes[1]["path"], "一层→外墙墙体");
  EXPECT_EQ(nodes[1]["kind"], 4);
  EXPECT_EQ(nodes[1]["num"], 2);
  EXPECT_EQ(nodes[2]["name"], "二层");
  const auto& recs = nodes[1]["records"];
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0]["Id"], 1);
  EXPECT_EQ(recs[0]["Val"], "0.00");
  EXPECT_EQ(recs[0]["ifER"], true);
  EXPECT_EQ(recs[1]["Val"], "3.74");
  EXPECT_EQ(recs[1]["ifER"], false);
  EXPECT_EQ(recs[1]["MemStr"], "①-③");  // a lone label goes with its bar
  EXPECT_EQ(recs[2]["Val"], "3.78");

  EXPECT_EQ(RunCli({"records", (dir / "missing.mfz").string()}).Status, 1);
  EXPECT_EQ(RunCli({"records"}).Status, 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace takeoff::testing
