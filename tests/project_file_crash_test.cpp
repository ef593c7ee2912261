// Killing the program at any moment of a save never leaves a project file that fails
// to open: a child process saves two different projects in turn to the same file and
// is killed after a random short time; the file then holds one of the two, whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "data/data_module.h"
#include "data/project_tables.h"
#include "engine/evaluator.h"
#include "support/data_fixture.h"
#include "support/recording_app.h"
#include "support/scripted_host.h"
#include "text/gbk.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace takeoff::testing {
namespace {

using data::Table;
using data::Value;

// One project with its own working files: `records` records of one node, named after
// the project so that the two can be told apart.
struct SavedProject {
  SavedProject(const std::string& name, int records) : ev(&host), md(host, ev, app, folder.Path) {
    md.NewProjectTables();
    for (Table* t : {&md.CDataSet1, &md.dataCDataset, &md.DataWindows, &md.DataSetWin, &md.DataSetVal}) t->Hooks = {};

    std::vector<data::FieldDef> nodeDefs = md.CDataSet1.FieldDefs();
    md.CDataSet1.Load(nodeDefs, {{0, -1, 0, Value(name), Value{}, 0}, {1, 0, 4, Value(text::Gbk("墙")), 1, 1}}, 0);

    const std::vector<data::FieldDef> defs = md.dataCDataset.StoredFieldDefs();
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= records; ++i) {
      std::vector<Value> r(defs.size());
      for (std::size_t f = 0; f < defs.size(); ++f) {
        const std::string& n = defs[f].Name;
        if (n == "Parent") r[f] = 1;
        else if (n == "Id" || n == "AbsId") r[f] = i;
        else if (n == "Name") r[f] = name + " " + std::to_string(i);
        else if (n == "BDS") r[f] = "3.6*2.8-" + std::to_string(i);
      }
      rows.push_back(std::move(r));
    }
    md.dataCDataset.Load(defs, std::move(rows), records);
    state.Properties = {name, "", "", "", "", ""};
    state.KeyCounter = records;  // tells the two apart as well
  }

  TempFolder folder;
  ScriptedHost host;
  engine::Evaluator ev;
  RecordingApp app;
  data::TDataMd md;
  workspace::ProjectState state;
};

TEST(ProjectFileCrashTest, KilledSaveLeavesAFileThatOpens) {
  const std::string nameA = text::Gbk("甲工程"), nameB = text::Gbk("乙工程");
  // Large enough that a save takes a few milliseconds, so kills land inside it.
  SavedProject a(nameA, 6000), b(nameB, 4000);
  TempFolder where;
  const std::string path = (where.Path / "project.mfz").string();
  ASSERT_TRUE(workspace::WriteProjectFile(a.md, a.state, path));

  // Kills fall anywhere from the start of a save to several saves later (the child's
  // first save also pays for its start).
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(workspace::WriteProjectFile(b.md, b.state, path));
  ASSERT_TRUE(workspace::WriteProjectFile(a.md, a.state, path));
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0) / 2;
  std::mt19937 rng(4711);
  std::uniform_int_distribution<long long> delayUs(0, 6 * std::max<long long>(saveUs.count(), 2000));
  int sawA = 0, sawB = 0;
  for (int kill = 0; kill < 20; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(10);  // never outlives a parent that failed to kill it
      for (bool first = (kill % 2) == 0;; first = !first) {
        SavedProject& p = first ? b : a;
        workspace::WriteProjectFile(p.md, p.state, path);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    // Each path is read as opening the project reads it: the project file, and the
    // backup that the failure message points to.
    for (const std::string& file : {path, workspace::BackupPath(path)}) {
      SCOPED_TRACE(file);
      SavedProject reader("", 0);
      ASSERT_NO_THROW(workspace::ReadProjectFile(reader.md, reader.state, file));
      const std::string& name = reader.state.Properties[0];
      ASSERT_TRUE(name == nameA || name == nameB);
      const bool isA = name == nameA;
      (isA ? sawA : sawB)++;
      EXPECT_EQ(reader.state.KeyCounter, isA ? 6000 : 4000);
      Table records;
      ASSERT_NO_THROW(records.LoadFromFile(reader.md.WorkingFile(data::kRecordFile)));
      ASSERT_EQ(records.StoredRowCount(), isA ? 6000u : 4000u);
      const auto stored = records.StoredFieldDefs();
      const auto nameField = static_cast<std::size_t>(
          std::find_if(stored.begin(), stored.end(), [](const data::FieldDef& f) { return f.Name == "Name"; }) -
          stored.begin());
      ASSERT_LT(nameField, stored.size());
      EXPECT_EQ(records.StoredRow(records.StoredRowCount() - 1)[nameField].Str(),
                name + " " + std::to_string(isA ? 6000 : 4000));
    }
  }
  // Both contents were seen: the kills did not all land before the first save ended.
  EXPECT_GT(sawB, 0);
  EXPECT_GT(sawA, 0);
}

}  // namespace
}  // namespace takeoff::testing
