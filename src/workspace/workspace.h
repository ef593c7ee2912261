#pragma once
// The workspace: the one open project with its tables, tree, file and state, and its
// life from start-up to shutdown (new, open, save, save as, close, the timer-driven
// save, project-structure templates), the settings list, the recent-file list and
// the window caption.
//
// The desktop program forwards its commands here and shows what the workspace
// reports through WorkspaceEvents. Every text and every path is code page 936; a
// cancelled dialog or a No answer abandons a command silently.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/app_requests.h"
#include "data/data_module.h"
#include "tree/project_tree.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace takeoff::platform { class Host; }
namespace takeoff::engine { class Evaluator; }

namespace takeoff::workspace {

// Filters of the file dialogs.
std::string ProjectFilter();   // "*.mfz|*.mfz"
std::string TemplateFilter();  // "工程结构模板文件(*.mba)|*.mba"

// The caption of the main window: the product title and version, followed by the
// project name and the file path once a project file is named.
std::string ProductCaption();
std::string ProjectCaption(const std::string& projectName, const std::string& path);

// `path` with its extension (after the last dot of the file name) replaced by `ext`
// (".mfz"); a name without one gets it appended.
std::string ChangeExtension(const std::string& path, const std::string& ext);

// The recent-file entry of a project file: its folder (the folder itself stands
// for the short form) followed by the file's name.
std::string RecentEntry(const std::string& path);

// Settings lines (useinfo/DeufSet.ini).
inline constexpr std::size_t kSettingsLines = 13;
inline constexpr std::size_t kAutoSaveLine = 7;    // minutes, 0 = off
inline constexpr std::size_t kPlacesLine = 8;      // decimal places of the quantity
inline constexpr std::size_t kQuotaMarksLine = 9;  // mark quota items with their category
inline constexpr std::size_t kMaxRecentFiles = 6;
inline constexpr int kTimerStepSeconds = 5;

// What the workspace asks of the main window. Every request has a default that
// does nothing, so a headless caller needs none of them.
class WorkspaceEvents {
public:
  virtual ~WorkspaceEvents() = default;
  virtual void OpenVariablesWindow() {}
  virtual void OpenOpeningsWindow() {}
  virtual bool OpeningsWindowShown() const { return false; }
  // The caption, the recent-file menu or the project tree are to be shown again.
  virtual void CaptionChanged(const std::string& /*caption*/) {}
  virtual void RecentFilesChanged(const std::vector<std::string>& /*entries*/) {}
  virtual void TreeRebuilt() {}
  virtual void StatusChanged(const std::string& /*text*/) {}
};

class Workspace : public data::AppRequests {
public:
  // Working files and the useinfo folder live in `programFolder`.
  Workspace(platform::Host& host, engine::Evaluator& evaluator, std::filesystem::path programFolder);
  ~Workspace() override;
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // The main window's side; nothing (the default) for none.
  void SetEvents(WorkspaceEvents* events);

  data::TDataMd& Data() { return md_; }
  const data::TDataMd& Data() const { return md_; }
  tree::ProjectTree& Tree() { return tree_; }
  const tree::ProjectTree& Tree() const { return tree_; }
  ProjectState& State() { return state_; }
  const ProjectState& State() const { return state_; }
  ProjectFile& File() { return file_; }

  // --- Start and end of the program.
  // The core steps of start-up: a new project with the default properties, the
  // settings and the recent-file list loaded, working files of an earlier run removed.
  void Startup();
  // The core steps of shutdown: the node copy buffer emptied, the project closed (with
  // its save question), the recent-file list written, the working files removed.
  // False when the user cancelled the save dialog: the program goes on running.
  bool Shutdown();

  // --- The project's life.
  // Asks to save a modified project and resets the workspace to an empty project.
  // A cancelled save dialog throws data::Abort: the command that closes is abandoned.
  void CloseProject();
  // Properties of a new project, counter 0, no path, working files removed, not modified.
  void ResetWorkspace();
  // The commands; each returns whether it went through (false when abandoned).
  bool NewProject();                       // "新建工程"
  bool OpenProjectCommand();               // "打开工程": the open dialog, then OpenProject
  bool OpenProject(const std::string& path);
  bool SaveProject();                      // "保存工程"
  bool SaveProjectAs();                    // "另 存 为"
  bool SaveTemplate();                     // "保存工程模板"
  bool OpenTemplate();                     // "打开工程模板"

  // One step of the five-second timer: the status text, and the save when it is due.
  std::string TimerTick();
  const std::string& StatusText() const { return status_; }
  int SecondsSinceSave() const { return secondsSinceSave_; }

  // --- Settings.
  // Reads useinfo/DeufSet.ini (padded to 13 lines) and takes the default properties.
  void LoadSettings();
  std::vector<std::string>& Settings() { return settings_; }
  bool QuotaCategoryMarks() const { return quotaMarks_; }

  // --- Recent files, newest first.
  const std::vector<std::string>& RecentFiles() const { return recent_; }
  // Records the current project file at the top of the list.
  void UpdateRecentFiles();
  // The path an entry stands for: an entry that is not absolute lies in the program folder.
  std::string RecentFilePath(const std::string& entry) const;
  // Opens the entry at `index` of the list.
  bool OpenRecentFile(std::size_t index);
  void LoadRecentFiles();
  bool WriteRecentFiles() const;

  // --- What the main window shows.
  std::string Caption() const;
  // Whether a project file is named (a path shorter than 7 bytes names none).
  bool HasFilePath() const { return state_.FilePath.size() >= 7; }
  // The name the save dialog proposes.
  const std::string& ProposedName() const { return proposedName_; }
  // On while a project is being opened.
  bool Loading() const { return loading_; }

  // --- data::AppRequests.
  void OpenVariablesWindow() override;
  void OpenOpeningsWindow() override;
  bool OpeningsWindowShown() const override;
  void MarkModified() override;
  void ClearModified() override;
  void StampLastModified() override;

private:
  void Save();  // the save command; throws data::Abort when abandoned
  std::string AskSavePath(const std::string& filter, const std::string& defaultName, const std::string& ext);
  void RebuildTree();  // the project tree from the node table
  void CloseProjectTables();
  void SelectRoot();
  void NotifyCaption();
  void SetStatus(std::string text);
  std::filesystem::path UseInfo(const char* name) const;

  platform::Host& host_;
  ProjectState state_;
  data::TDataMd md_;
  tree::ProjectTree tree_;
  ProjectFile file_;
  WorkspaceEvents noEvents_;
  WorkspaceEvents* events_;

  std::vector<std::string> settings_;
  std::vector<std::string> recent_;
  bool quotaMarks_ = true;
  std::string proposedName_;
  std::string status_;
  int secondsSinceSave_ = 0;
  bool loading_ = false;
};

}  // namespace takeoff::workspace
