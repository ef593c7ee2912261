// takeoff-cli session: scripts in tests/sessions run against the real executable and
// their output is compared with the expected output beside them.
//
// NAME.txt is the script and NAME.out its expected output, followed by a line
// "exit N". A folder NAME.d, when present, is copied into the program folder first.
// In both files $DIR stands for a fresh folder of the run. With
// TAKEOFF_UPDATE_SESSIONS=1 the expected output is written instead of compared.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "support/files.h"
#include "support/run_cli.h"

namespace takeoff::testing {
namespace {

namespace fs = std::filesystem;

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

class SessionScript : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("takeoff-session-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "prog");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_P(SessionScript, GivesItsExpectedOutput) {
  const fs::path base = fs::path(TAKEOFF_SESSIONS_DIR) / GetParam();
  if (fs::is_directory(base.string() + ".d"))
    fs::copy(base.string() + ".d", dir_ / "prog", fs::copy_options::recursive);
  const std::string script = ReplaceAll(ReadAll(base.string() + ".txt"), "$DIR", dir_.string());
  WriteAll(dir_ / "script.txt", script);

  const CliResult r = RunCli({"session", "--program-folder", (dir_ / "prog").string(), (dir_ / "script.txt").string()});
  const std::string got = ReplaceAll(r.Out, dir_.string(), "$DIR") + "exit " + std::to_string(r.Status) + "\n";
  const fs::path expectedFile = base.string() + ".out";
  if (const char* update = std::getenv("TAKEOFF_UPDATE_SESSIONS"); update && std::string(update) == "1") {
    WriteAll(expectedFile, got);
    return;
  }
  const std::string expected = ReadAll(expectedFile);
  // Line by line, so that a difference names its line.
  std::istringstream g(got), e(expected);
  std::string gl, el;
  for (int line = 1; std::getline(e, el); ++line) {
    ASSERT_TRUE(static_cast<bool>(std::getline(g, gl))) << "output ends before expected line " << line << ": " << el
                                                        << "\nstderr: " << r.Err;
    ASSERT_EQ(gl, el) << "line " << line << "\nstderr: " << r.Err;
  }
  EXPECT_FALSE(static_cast<bool>(std::getline(g, gl))) << "more output than expected: " << gl;
}

INSTANTIATE_TEST_SUITE_P(Scripts, SessionScript, ::testing::Values("tree", "records", "lifecycle", "autosave"));

TEST(Session, RefusesMalformedScriptsAndStopsAtUnansweredDialogs) {
  struct Case {
    const char* Script;
    int Status;
    const char* Err;  // part of standard error
    const char* Out;  // part of standard output
  };
  const Case cases[] = {
      {"print state\nfrobnicate\n", 2, "line 2: unknown action frobnicate", ""},
      {"\n# fine\nset BDS \"open\n", 2, "line 3: unterminated string", ""},
      {"command ActionNothing\n", 2, "line 1: unknown command ActionNothing", ""},
      {"select 没有这个\n", 2, "line 1: no node 没有这个", ""},
      {"command ActionApendCdNode\n", 3, "", "{\"unanswered\":\"node\",\"line\":1"},
      {"answer-node 一层楼面\ncommand ActionApendCdNode\ncommand ActionNew\n", 3, "",
       "{\"unanswered\":\"question\",\"line\":3,\"text\":\"是否保存新建工程文件？\"}"},
      {"command ActionPastNode\n", 0, "", "{\"disabled\":\"ActionPastNode\"}"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli({"session"}, c.Script);
    EXPECT_EQ(r.Status, c.Status) << c.Script;
    EXPECT_NE(r.Err.find(c.Err), std::string::npos) << c.Script << r.Err;
    EXPECT_NE(r.Out.find(c.Out), std::string::npos) << c.Script << r.Out;
  }
}

}  // namespace
}  // namespace takeoff::testing
