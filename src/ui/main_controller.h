#pragma once
// The main window's controller: everything the main window decides, without the
// window. It owns the workspace (the open project with its tables and tree), runs
// every command of the command table with its enabling rules, follows the project
// tree's selection and the record grid, keeps the status-bar texts and the caption,
// and carries out start-up, the five-second timer, the file hand-over of a second
// instance and shutdown.
//
// The desktop program's Qt layer and the headless session driver sit on the same
// controller: they forward the user's actions here and show what it holds. Every
// question goes to the host; every text is code page 936.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/command_table.h"
#include "ui/record_grid.h"
#include "workspace/workspace.h"

namespace takeoff::ui {

// What the window shows again when the controller changed it.
class ControllerView {
public:
  virtual ~ControllerView() = default;
  virtual void Changed() {}        // caption, status, enabled commands, selection
  virtual void TreeRebuilt() {}    // the tree's items were made anew
  virtual void RecentFilesChanged() {}
};

// The names of the insertion-target controls.
inline constexpr const char* kTargetGrid = "DBGrid1";
inline constexpr const char* kTargetFieldBox = "FieldBox";
inline constexpr const char* kTargetFormulaBox = "FormulaBox";

class MainController : public workspace::WorkspaceEvents {
public:
  MainController(platform::Host& host, engine::Evaluator& evaluator, std::filesystem::path programFolder);
  ~MainController() override;
  MainController(const MainController&) = delete;
  MainController& operator=(const MainController&) = delete;

  void SetView(ControllerView* view);

  workspace::Workspace& Work() { return ws_; }
  data::TDataMd& Data() { return ws_.Data(); }
  tree::ProjectTree& Tree() { return ws_.Tree(); }
  RecordGrid& Grid() { return grid_; }
  platform::Host& Host() { return host_; }

  // --- Start and end.
  // The core steps of creating the main window.
  void Startup();
  // The window was first shown: the file named on the command line is opened, and
  // the About window opens while fewer than four quota libraries are listed.
  void FirstShown(const std::optional<std::string>& argument);
  // A second instance handed over `path`.
  void HandOver(const std::string& path);
  // One tick of the five-second timer.
  void TimerTick();
  // Closing the main window; false when the user cancelled (the program goes on).
  bool Close();
  // The main window was closed (by the exit command or Close).
  bool Closed() const { return closed_; }

  // --- Commands.
  bool Enabled(std::string_view name) const;
  std::vector<std::string> EnabledCommands() const;
  // Runs a command as its menu entry would; false when it is unknown or disabled.
  // Errors reach the user as a message; a refusal abandons the command silently.
  bool Run(std::string_view name);
  // The node menu opens: its enabled states are refreshed.
  void NodeMenuOpened();
  // Runs an action of the window: a refusal abandons it silently, any other failure
  // is shown to the user.
  void Guarded(const std::function<void()>& action);

  // --- The project tree.
  void SelectNode(tree::TreeItem* item);
  // The item whose names from the first level down, joined by "→" (UTF-8 arrow in
  // code page 936), are `path`; the root for an empty path.
  tree::TreeItem* FindPath(std::string_view path) const;
  static std::string PathOf(const tree::TreeItem& item);
  bool Rename(tree::TreeItem& item, const std::string& text);

  // --- The record grid and the boxes around it.
  // A double-click on a cell: the formula edit box opens over a formula or name cell
  // of an existing record.
  void CellDoubleClicked(int row, int column);
  bool FormulaBoxOpen() const { return formulaBox_; }
  int FormulaBoxColumn() const { return formulaBoxColumn_; }
  // Enter in the formula edit box: it closes and the grid moves on as with Enter.
  void FormulaBoxEnter();
  void CloseFormulaBox() { formulaBox_ = false; }
  // A click on a cell: the annotation panel shows for the mark column only.
  void CellClicked(int row, int column);
  bool AnnotationPanelShown() const { return annotationPanel_; }
  void HideAnnotationPanel() { annotationPanel_ = false; }
  // The "…" button of the code or name column.
  void CellButtonClicked(int column);
  // The control that last received the focus or a click among the formula-editing
  // controls.
  void NoteInsertionTarget(std::string name) { target_ = std::move(name); }
  const std::string& InsertionTarget() const { return target_; }

  // --- What the window shows.
  std::string Caption() const { return ws_.Caption(); }
  const std::array<std::string, 3>& StatusPanels() const { return status_; }
  const std::string& QuotaBoxText() const { return quotaBox_; }
  const std::vector<std::string>& RecentFiles() const { return ws_.RecentFiles(); }
  bool OpenRecentFile(std::size_t index);

  // The program folder's help file.
  std::filesystem::path HelpFile() const;

  // --- workspace::WorkspaceEvents.
  void OpenVariablesWindow() override;
  void OpenOpeningsWindow() override;
  void CaptionChanged(const std::string& caption) override;
  void RecentFilesChanged(const std::vector<std::string>& entries) override;
  void TreeRebuilt() override;
  void StatusChanged(const std::string& text) override;

private:
  using Handler = std::function<void()>;
  void InstallHandlers();
  void Changed();
  void AfterNodeCommand();
  void NewProjectShown();

  // Record commands.
  void InsertLine();
  void AddData();
  void CopyData();
  void PasteData();
  void DeleteData();
  void Wrap(const Command& c);
  void FocusGridOrParameters();
  void FocusQuotaTree();
  void ShowHelp();

  platform::Host& host_;
  workspace::Workspace ws_;
  RecordGrid grid_;
  ControllerView noView_;
  ControllerView* view_;
  std::vector<std::pair<std::string, Handler>> handlers_;
  std::array<std::string, 3> status_;
  std::string quotaBox_;
  std::string target_;
  bool formulaBox_ = false;
  int formulaBoxColumn_ = kColumnFormula;
  bool annotationPanel_ = false;
  int quotaLibraries_ = 0;  // listed quota libraries
  bool closed_ = false;
  int running_ = 0;  // actions of Guarded under way (nested through dialogs)
};

}  // namespace takeoff::ui
