// The workspace: closing with the save question, opening, saving, the timer, the
// templates, the recent-file list and the caption, through the scripted host.
#include <gtest/gtest.h>

#include <zlib.h>

#include <array>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "data/project_tables.h"
#include "engine/evaluator.h"
#include "support/files.h"
#include "support/data_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk.h"
#include "text/line_file.h"
#include "workspace/workspace.h"

namespace takeoff::testing {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using workspace::Workspace;

std::string G(std::string_view utf8) { return text::Gbk(utf8); }

// A project file with another format version byte.
std::string WithVersion(const std::string& file, unsigned char version) {
  std::string raw = Inflate(file);
  std::uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(static_cast<unsigned char>(raw[static_cast<std::size_t>(i)])) << (8 * i);
  raw[28 + length] = static_cast<char>(version);
  return Deflate(raw);
}

const char* const kProjectWorkingFiles[] = {data::kNodeFile, data::kRecordFile, data::kOpeningFile,
                                            data::kPlacementFile, data::kVariableFile};

struct RecordingEvents : workspace::WorkspaceEvents {
  void CaptionChanged(const std::string& caption) override { Captions.push_back(caption); }
  void StatusChanged(const std::string& text) override { Status.push_back(text); }
  std::vector<std::string> Captions, Status;
};

// A started workspace in a program folder of its own.
class WorkspaceTest : public ::testing::Test {
protected:
  WorkspaceTest() : ev(&host), ws(host, ev, folder.Path) {
    ws.SetEvents(&events);
    ws.Startup();
  }

  std::string PathOf(const std::string& name) const { return (folder.Path / name).string(); }

  // A change as the user makes one: a floor under the root with one record.
  void AddFloor(const std::string& name) {
    host.AnswerAddNode(name);
    ASSERT_TRUE(ws.Tree().AddNodeViaDialog(*ws.Tree().Root(), tree::AddMode::LastChild, tree::kKindFloor));
    data::Table& r = ws.Data().dataCDataset;
    r.Append();
    r.SetAsString(r.FieldNo("Name"), name + "-R");
    r.SetAsString(r.FieldNo("BDS"), "2*3");
    r.Post();
    ASSERT_TRUE(ws.State().Modified);
  }

  // The names under the root, in order.
  std::vector<std::string> TopNodes() {
    std::vector<std::string> out;
    const tree::TreeItem* root = ws.Tree().Root();
    for (int i = 0; i < root->Count(); ++i) out.push_back(root->Child(i)->Text);
    return out;
  }

  // A saved project at `name` holding one floor, left open and unmodified.
  std::string SavedProject(const std::string& name, const std::string& floor = "Fl-1") {
    AddFloor(floor);
    host.AnswerFileDialog(PathOf(name));
    EXPECT_TRUE(ws.SaveProjectAs());
    EXPECT_FALSE(ws.State().Modified);
    return PathOf(name);
  }

  // The question of the last message box.
  const MessageCall& LastMessage() const { return host.Messages.back(); }

  TempFolder folder;
  ScriptedHost host;
  engine::Evaluator ev;
  RecordingEvents events;
  Workspace ws;
};

// --- Start-up and reset ------------------------------------------------------

TEST(WorkspaceStartup, RemovesLeftoverWorkingFilesAndTakesTheDefaultProperties) {
  TempFolder folder;
  for (const char* f : kProjectWorkingFiles) WriteAll(folder.Path / f, "left by a crash");
  WriteAll(folder.Path / data::kSysFormulaFile, "left by a crash");
  ASSERT_TRUE(text::WriteLines(folder.Path / "useinfo" / "DeufSet.ini",
                               {G("默认名"), G("地点"), G("单位"), G("编制"), G("张三"), G("李四")}));
  ScriptedHost host;
  engine::Evaluator ev(&host);
  Workspace ws(host, ev, folder.Path);
  ws.Startup();

  for (const char* f : kProjectWorkingFiles) EXPECT_FALSE(std::filesystem::exists(folder.Path / f)) << f;
  EXPECT_FALSE(std::filesystem::exists(folder.Path / data::kSysFormulaFile));
  const std::array<std::string, 6> expected{G("新建工程"), G("地点"), G("单位"), G("编制"), G("张三"), G("李四")};
  EXPECT_EQ(ws.State().Properties, expected);
  EXPECT_EQ(ws.Settings().size(), workspace::kSettingsLines);
  EXPECT_EQ(ws.Settings()[workspace::kPlacesLine], "2");
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_EQ(ws.Tree().Root()->Text, G("新建工程"));
  EXPECT_EQ(ws.Tree().Selected(), ws.Tree().Root());
  EXPECT_FALSE(ws.HasFilePath());
}

// --- The save question ---------------------------------------------------------

struct CloseCase {
  const char* Name;
  MsgAnswer Answer;
  std::optional<std::string> Dialog;  // the save dialog's answer, when it is shown
  bool Done;                          // the new project went through
  bool Written;                       // the project file was written
};

class WorkspaceCloseTest : public WorkspaceTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(WorkspaceCloseTest, NewProjectAsksToSaveTheModifiedProject) {
  const CloseCase& c = GetParam();
  AddFloor("Fl-1");
  host.Answer(c.Answer);
  if (c.Answer == MsgAnswer::Yes) host.AnswerFileDialog(c.Dialog ? std::optional(PathOf(*c.Dialog)) : std::nullopt);

  EXPECT_EQ(ws.NewProject(), c.Done);

  ASSERT_FALSE(host.Messages.empty());
  EXPECT_EQ(host.Messages[0].Text, G("是否保存新建工程文件？"));
  EXPECT_EQ(host.Messages[0].Caption, MsgCaption::Tip);
  EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Question);
  EXPECT_EQ(host.Messages[0].Buttons, MsgButtons::YesNo);
  if (c.Answer == MsgAnswer::Yes) {
    ASSERT_EQ(host.FileDialogs.size(), 1u);
    EXPECT_TRUE(host.FileDialogs[0].Save);
    EXPECT_EQ(host.FileDialogs[0].Filter, "*.mfz|*.mfz");
  } else {
    EXPECT_TRUE(host.FileDialogs.empty());
  }
  // The chosen name takes the project extension.
  EXPECT_EQ(std::filesystem::exists(folder.Path / "saved.mfz"), c.Written);
  if (c.Done) {
    EXPECT_TRUE(TopNodes().empty());
    EXPECT_FALSE(ws.State().Modified);
    EXPECT_FALSE(ws.HasFilePath());
    EXPECT_EQ(ws.ProposedName(), "NewProject");
  } else {
    EXPECT_EQ(TopNodes(), std::vector<std::string>{"Fl-1"});
    EXPECT_TRUE(ws.State().Modified);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, WorkspaceCloseTest,
                         ::testing::Values(CloseCase{"No", MsgAnswer::No, std::nullopt, true, false},
                                           CloseCase{"YesAndSave", MsgAnswer::Yes, "saved.txt", true, true},
                                           CloseCase{"YesThenCancel", MsgAnswer::Yes, std::nullopt, false, false}),
                         [](const auto& p) { return std::string(p.param.Name); });

TEST_F(WorkspaceTest, NamedProjectIsSavedToItsFileWithoutDialog) {
  const std::string path = SavedProject("a.mfz");
  AddFloor("Fl-2");
  host.FileDialogs.clear();
  host.Answer(MsgAnswer::Yes);
  ASSERT_TRUE(ws.NewProject());
  EXPECT_TRUE(host.FileDialogs.empty());

  ASSERT_TRUE(ws.OpenProject(path));
  EXPECT_EQ(TopNodes(), (std::vector<std::string>{"Fl-1", "Fl-2"}));
}

// A cancelled save dialog abandons whatever was closing the project.
TEST_F(WorkspaceTest, CancelledSaveDialogAbandonsNewOpenAndExit) {
  const std::string other = SavedProject("other.mfz");
  ASSERT_TRUE(ws.NewProject());
  AddFloor("Unsaved");

  struct Op {
    const char* Name;
    std::function<bool()> Run;
  } ops[] = {{"new", [&] { return ws.NewProject(); }},
             {"open", [&] { return ws.OpenProject(other); }},
             {"exit", [&] { return ws.Shutdown(); }}};
  for (const Op& op : ops) {
    SCOPED_TRACE(op.Name);
    host.Answer(MsgAnswer::Yes);
    host.AnswerFileDialog(std::nullopt);
    EXPECT_FALSE(op.Run());
    EXPECT_EQ(TopNodes(), std::vector<std::string>{"Unsaved"});
    EXPECT_TRUE(ws.State().Modified);
    EXPECT_FALSE(ws.HasFilePath());
    EXPECT_TRUE(ws.Data().CDataSet1.Active());
    EXPECT_EQ(ws.Data().dataCDataset.StoredRowCount(), 1u);
  }
  EXPECT_EQ(ws.Caption(), workspace::ProductCaption());
}

TEST_F(WorkspaceTest, NoOnExitLeavesTheFileAndRemovesTheWorkingFiles) {
  const std::string path = SavedProject("a.mfz");
  const std::string before = ReadAll(path);
  AddFloor("Fl-2");
  host.Answer(MsgAnswer::No);

  ASSERT_TRUE(ws.Shutdown());

  EXPECT_EQ(ReadAll(path), before);
  for (const char* f : kProjectWorkingFiles) EXPECT_FALSE(std::filesystem::exists(folder.Path / f)) << f;
  EXPECT_FALSE(std::filesystem::exists(folder.Path / data::kQuotaFile));
  EXPECT_EQ(text::ReadLines(folder.Path / "useinfo" / "hstfn.ini"), std::vector<std::string>{path});
}

// --- Opening ---------------------------------------------------------------------

TEST_F(WorkspaceTest, OpenRebuildsTheProject) {
  ws.State().Properties[1] = G("北京");
  const std::string path = SavedProject("a.mfz", G("一层"));
  ASSERT_TRUE(ws.NewProject());
  host.WaitCursor.clear();

  ASSERT_TRUE(ws.OpenProject(path));

  EXPECT_EQ(TopNodes(), std::vector<std::string>{G("一层")});
  EXPECT_TRUE(ws.Tree().Root()->Expanded);
  EXPECT_EQ(ws.Tree().Selected(), ws.Tree().Root());
  EXPECT_EQ(ws.State().Properties[1], G("北京"));
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_EQ(ws.State().FilePath, path);
  EXPECT_EQ(ws.ProposedName(), path);
  EXPECT_EQ(ws.Caption(), G("禾木工程量计算器 V2.17.1 - 新建工程[") + path + "]");
  EXPECT_EQ(events.Captions.back(), ws.Caption());
  EXPECT_EQ(host.WaitCursor, (std::vector<bool>{true, false}));
  EXPECT_FALSE(ws.Loading());

  ws.Tree().Select(ws.Tree().Root()->Child(0));
  ASSERT_EQ(ws.Data().dataCDataset.RecordCount(), 1);
  EXPECT_EQ(ws.Data().dataCDataset.AsString(ws.Data().dataCDataset.FieldNo("Name")), G("一层") + "-R");
}

TEST_F(WorkspaceTest, MissingFileIsReportedAndTheProjectStaysOpen) {
  AddFloor("Fl-1");
  const std::string missing = PathOf("nowhere.mfz");

  EXPECT_FALSE(ws.OpenProject(missing));

  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(LastMessage().Text, G("用户文件 \"") + missing + G("\" 不存在！"));
  EXPECT_EQ(LastMessage().Caption, MsgCaption::Warning);
  EXPECT_EQ(LastMessage().Icon, MsgIcon::Warning);
  EXPECT_EQ(TopNodes(), std::vector<std::string>{"Fl-1"});
  EXPECT_TRUE(ws.State().Modified);
}

TEST_F(WorkspaceTest, RefusedFileLeavesAnEmptyProjectThatIsNotSavedOverIt) {
  const std::string good = SavedProject("good.mfz");
  const std::string refused = PathOf("newer.mfz");
  WriteAll(refused, WithVersion(ReadAll(good), 6));
  const std::string refusedBytes = ReadAll(refused);
  AddFloor("Fl-2");
  host.Answer(MsgAnswer::No);  // the open project is closed first

  EXPECT_FALSE(ws.OpenProject(refused));

  EXPECT_EQ(LastMessage().Text, G("该文件为新版本，请将软件升级后使用！"));
  EXPECT_TRUE(TopNodes().empty());
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_FALSE(ws.HasFilePath());
  EXPECT_EQ(ws.Caption(), workspace::ProductCaption());
  EXPECT_TRUE(ws.Data().CDataSet1.Active());
  EXPECT_TRUE(ws.Data().dataCDataset.Active());
  EXPECT_FALSE(ws.Loading());

  // The next save asks for a name instead of writing over the refused file.
  AddFloor("Fl-3");
  host.FileDialogs.clear();
  host.AnswerFileDialog(std::nullopt);
  EXPECT_FALSE(ws.SaveProject());
  EXPECT_EQ(host.FileDialogs.size(), 1u);
  EXPECT_EQ(ReadAll(refused), refusedBytes);
}

TEST_F(WorkspaceTest, OlderFilesOpenWithWhatTheirVersionHeld) {
  AddFloor("Fl-1");
  data::TDataMd& md = ws.Data();
  md.DataSetVal.Append();
  md.DataSetVal.SetAsString(md.DataSetVal.FieldNo("Name"), "H");
  md.DataSetVal.SetAsString(md.DataSetVal.FieldNo("BDS"), "3");
  md.DataSetVal.Post();
  md.DataWindows.Append();
  md.DataWindows.SetAsString(md.DataWindows.FieldNo("Name"), "M1");
  md.DataWindows.Post();
  host.AnswerFileDialog(PathOf("new.mfz"));
  ASSERT_TRUE(ws.SaveProjectAs());
  const std::string current = ReadAll(PathOf("new.mfz"));

  // Version 2 files held no catalogue and no variables; version 4 files held both.
  const struct {
    std::uint8_t Version;
    int Variables, Openings;
  } cases[] = {{2, 0, 0}, {3, 1, 0}, {4, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Version));
    const std::string old = PathOf("old" + std::to_string(c.Version) + ".mfz");
    WriteAll(old, WithVersion(current, c.Version));
    host.Answer(MsgAnswer::Yes);  // convert to the new format
    ASSERT_TRUE(ws.OpenProject(old));
    EXPECT_EQ(TopNodes(), std::vector<std::string>{"Fl-1"});
    EXPECT_EQ(md.DataSetVal.RecordCount(), c.Variables);
    EXPECT_EQ(md.DataWindows.RecordCount(), c.Openings);
    ws.Tree().Select(ws.Tree().Root()->Child(0));
    EXPECT_EQ(md.dataCDataset.RecordCount(), 1);
  }
}

TEST_F(WorkspaceTest, DamagedFileLeavesAnEmptyProjectAndReportsTheError) {
  SavedProject("good.mfz");
  const std::string damaged = PathOf("damaged.mfz");
  WriteAll(damaged, "not a project file");

  EXPECT_THROW(ws.OpenProject(damaged), data::TableError);

  EXPECT_TRUE(TopNodes().empty());
  EXPECT_FALSE(ws.HasFilePath());
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_TRUE(ws.Data().dataCDataset.Active());
  EXPECT_EQ(host.WaitCursor.back(), false);
  EXPECT_FALSE(ws.Loading());
}

// --- Saving ----------------------------------------------------------------------

TEST_F(WorkspaceTest, SavingOverAnExistingFileAsksFirst) {
  WriteAll(folder.Path / "b.mfz", "someone else's");
  AddFloor("Fl-1");

  host.AnswerFileDialog(PathOf("b"));
  host.Answer(MsgAnswer::No);
  EXPECT_FALSE(ws.SaveProject());
  EXPECT_EQ(LastMessage().Text, PathOf("b") + G("文件已经存在，是否覆盖？"));
  EXPECT_EQ(LastMessage().Caption, MsgCaption::Tip);
  EXPECT_EQ(LastMessage().Icon, MsgIcon::Question);
  EXPECT_EQ(LastMessage().Buttons, MsgButtons::YesNo);
  EXPECT_EQ(ReadAll(folder.Path / "b.mfz"), "someone else's");
  EXPECT_FALSE(ws.HasFilePath());
  EXPECT_TRUE(ws.State().Modified);

  host.AnswerFileDialog(PathOf("b"));
  host.Answer(MsgAnswer::Yes);
  EXPECT_TRUE(ws.SaveProject());
  EXPECT_EQ(ws.State().FilePath, PathOf("b.mfz"));
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_NE(ReadAll(folder.Path / "b.mfz"), "someone else's");
}

TEST_F(WorkspaceTest, SaveAsRestoresThePathWhenAbandoned) {
  const std::string path = SavedProject("a.mfz");
  WriteAll(folder.Path / "taken.mfz", "x");
  AddFloor("Fl-2");

  struct Case {
    const char* Name;
    std::optional<std::string> Dialog;
    bool AskOverwrite;
  } cases[] = {{"cancel", std::nullopt, false}, {"no to overwrite", PathOf("taken.mfz"), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    host.FileDialogs.clear();
    host.AnswerFileDialog(c.Dialog);
    if (c.AskOverwrite) host.Answer(MsgAnswer::No);
    EXPECT_FALSE(ws.SaveProjectAs());
    ASSERT_EQ(host.FileDialogs.size(), 1u);
    EXPECT_EQ(host.FileDialogs[0].DefaultName, "NewProject");
    EXPECT_EQ(ws.State().FilePath, path);
    EXPECT_TRUE(ws.State().Modified);
  }
  EXPECT_EQ(ReadAll(folder.Path / "taken.mfz"), "x");
}

// --- The timer ---------------------------------------------------------------------

TEST_F(WorkspaceTest, TimerSavesOnTheTwelfthTickOfAOneMinuteInterval) {
  const std::string path = SavedProject("a.mfz");
  std::vector<std::string> settings(workspace::kSettingsLines);
  settings[workspace::kAutoSaveLine] = "1";
  ASSERT_TRUE(text::WriteLines(folder.Path / "useinfo" / "DeufSet.ini", settings));
  ws.LoadSettings();
  EXPECT_EQ(ws.TimerTick(), G("已保存,未修改"));
  AddFloor("Fl-2");
  const std::string before = ReadAll(path);

  for (int tick = 1; tick <= 11; ++tick) {
    EXPECT_EQ(ws.TimerTick(), G("已修改,未保存(") + std::to_string(5 * (tick - 1)) + G("秒)"));
    EXPECT_TRUE(ws.State().Modified) << tick;
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(ws.TimerTick(), G("已修改,未保存(55秒)"));
  EXPECT_FALSE(ws.State().Modified);
  EXPECT_NE(ReadAll(path), before);
  EXPECT_EQ(ws.SecondsSinceSave(), 0);
  EXPECT_EQ(ws.TimerTick(), G("已保存,未修改"));
  EXPECT_EQ(events.Status.back(), G("已保存,未修改"));
}

TEST_F(WorkspaceTest, TimerOnANeverSavedProjectBringsUpTheSaveDialog) {
  ws.Settings()[workspace::kAutoSaveLine] = "1";
  AddFloor("Fl-1");
  for (int tick = 1; tick <= 11; ++tick) ws.TimerTick();
  EXPECT_TRUE(host.FileDialogs.empty());
  host.AnswerFileDialog(std::nullopt);
  ws.TimerTick();
  EXPECT_EQ(host.FileDialogs.size(), 1u);
  EXPECT_TRUE(ws.State().Modified);
  EXPECT_EQ(ws.TimerTick(), G("已修改,未保存(0秒)"));  // the save command started the count again
}

TEST_F(WorkspaceTest, TimerWithoutAnIntervalNeverSaves) {
  const std::string path = SavedProject("a.mfz");
  AddFloor("Fl-2");
  const std::string before = ReadAll(path);
  for (const char* interval : {"0", ""}) {
    SCOPED_TRACE(interval);
    ws.Settings()[workspace::kAutoSaveLine] = interval;
    std::string last;
    for (int tick = 0; tick < 200; ++tick) last = ws.TimerTick();
    EXPECT_TRUE(ws.State().Modified);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(last, G("已修改,未保存(") + std::to_string(ws.SecondsSinceSave() - 5) + G("秒)"));
  }
  EXPECT_EQ(ws.SecondsSinceSave(), 2000);
}

// --- Templates ----------------------------------------------------------------------

TEST_F(WorkspaceTest, TemplateOpenedAfterAModifiedProjectAsksFirst) {
  AddFloor("Fl-1");
  host.AnswerFileDialog(PathOf("plan"));
  ASSERT_TRUE(ws.SaveTemplate());
  ASSERT_EQ(host.FileDialogs.size(), 1u);
  EXPECT_EQ(host.FileDialogs[0].Filter, G("工程结构模板文件(*.mba)|*.mba"));
  EXPECT_EQ(host.FileDialogs[0].DefaultName, G("新模板文件"));
  ASSERT_TRUE(std::filesystem::exists(folder.Path / "plan.mba"));

  ws.State().Properties[0] = G("旧工程");
  host.Messages.clear();
  host.AnswerFileDialog(PathOf("plan.mba"));
  host.Answer(MsgAnswer::No);
  ASSERT_TRUE(ws.OpenTemplate());

  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("是否保存旧工程文件？"));
  EXPECT_EQ(TopNodes(), std::vector<std::string>{"Fl-1"});
  EXPECT_EQ(ws.State().Properties[0], G("新建工程"));
  EXPECT_EQ(ws.Data().dataCDataset.RecordCount(), 0);
  EXPECT_FALSE(ws.HasFilePath());

  // New nodes go above the template's keys.
  host.AnswerAddNode("Fl-2");
  ASSERT_TRUE(ws.Tree().AddNodeViaDialog(*ws.Tree().Root(), tree::AddMode::LastChild, tree::kKindFloor));
  EXPECT_NE(ws.Tree().Root()->Child(1)->Key, ws.Tree().Root()->Child(0)->Key);
}

TEST_F(WorkspaceTest, TemplateSaveStopsOnNoToOverwrite) {
  WriteAll(folder.Path / "plan.mba", "kept");
  host.AnswerFileDialog(PathOf("plan.mba"));
  host.Answer(MsgAnswer::No);
  EXPECT_FALSE(ws.SaveTemplate());
  EXPECT_EQ(LastMessage().Text, PathOf("plan.mba") + G("文件已经存在，是否覆盖？"));
  EXPECT_EQ(ReadAll(folder.Path / "plan.mba"), "kept");
}

// --- Recent files and caption ------------------------------------------------------------

TEST_F(WorkspaceTest, RecentFilesKeepSixNewestFirst) {
  AddFloor("Fl-1");
  for (int i = 1; i <= 7; ++i) {
    host.AnswerFileDialog(PathOf("p" + std::to_string(i)));
    ASSERT_TRUE(ws.SaveProjectAs());
  }
  std::vector<std::string> expected;
  for (int i = 7; i >= 2; --i) expected.push_back(PathOf("p" + std::to_string(i) + ".mfz"));
  EXPECT_EQ(ws.RecentFiles(), expected);

  // Opening an entry brings it to the top without a second copy.
  ASSERT_TRUE(ws.OpenRecentFile(3));
  expected = {PathOf("p4.mfz"), PathOf("p7.mfz"), PathOf("p6.mfz"), PathOf("p5.mfz"), PathOf("p3.mfz"), PathOf("p2.mfz")};
  EXPECT_EQ(ws.RecentFiles(), expected);

  // The list outlives the run.
  ASSERT_TRUE(ws.Shutdown());
  ScriptedHost host2;
  engine::Evaluator ev2(&host2);
  Workspace again(host2, ev2, folder.Path);
  again.Startup();
  EXPECT_EQ(again.RecentFiles(), expected);
}

TEST_F(WorkspaceTest, RecentEntryWithoutAFolderLiesInTheProgramFolder) {
  EXPECT_EQ(ws.RecentFilePath("x.mfz"), PathOf("x.mfz"));
  EXPECT_EQ(ws.RecentFilePath("/data/x.mfz"), "/data/x.mfz");
  EXPECT_EQ(ws.RecentFilePath("C:\\x.mfz"), "C:\\x.mfz");
}

TEST_F(WorkspaceTest, CaptionNamesTheProjectOnceItHasAFile) {
  EXPECT_EQ(ws.Caption(), G("禾木工程量计算器 V2.17.1"));
  const std::string path = SavedProject("a.mfz");
  EXPECT_EQ(ws.Caption(), G("禾木工程量计算器 V2.17.1 - 新建工程[") + path + "]");
  EXPECT_EQ(events.Captions.back(), ws.Caption());
  ASSERT_TRUE(ws.NewProject());
  EXPECT_EQ(events.Captions.back(), G("禾木工程量计算器 V2.17.1"));
}

}  // namespace
}  // namespace takeoff::testing

namespace takeoff::testing {
namespace {

// Working files and project files in folders whose names are not ASCII: the native
// folder name must not be taken for code page 936 text.
TEST(WorkspaceFolders, ProjectInAChineseFolderIsSavedAndOpenedAgain) {
  TempFolder base;
  const std::filesystem::path folder = base.Path / u8"工程";
  std::filesystem::create_directories(folder);
  ScriptedHost host;
  engine::Evaluator ev(&host);
  Workspace ws(host, ev, folder);
  ws.Startup();
  host.AnswerAddNode(G("一层楼面"));
  ASSERT_TRUE(ws.Tree().AddNodeViaDialog(*ws.Tree().Root(), tree::AddMode::LastChild, tree::kKindFloor));

  const std::string path = text::Utf8ToCp936((folder / u8"项目一").string());
  host.AnswerFileDialog(path);
  ASSERT_TRUE(ws.SaveProject());
  EXPECT_TRUE(std::filesystem::exists(folder / u8"项目一.mfz"));
  EXPECT_TRUE(std::filesystem::exists(folder / data::kNodeFile));
  ASSERT_TRUE(ws.NewProject());
  ASSERT_TRUE(ws.OpenProject(path + ".mfz"));
  ASSERT_EQ(ws.Tree().Root()->Count(), 1);
  EXPECT_EQ(ws.Tree().Root()->Child(0)->Text, G("一层楼面"));
  EXPECT_TRUE(host.Messages.empty());
}

}  // namespace
}  // namespace takeoff::testing
