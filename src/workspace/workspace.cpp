#include "workspace/workspace.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <exception>
#include <system_error>
#include <utility>

#include "data/project_tables.h"
#include "data/table.h"
#include "platform/host.h"
#include "text/gbk.h"
#include "text/line_file.h"

namespace takeoff::workspace {
namespace {

using data::Table;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using platform::WaitCursor;
using text::Gbk;

constexpr const char* kVersionText = " V2.17.1";
constexpr const char* kNewProjectName = "NewProject";  // the save dialog's proposal for a new project
constexpr const char* kSettingsFile = "DeufSet.ini";
constexpr const char* kRecentFile = "hstfn.ini";

// Working files removed whenever the workspace is reset.
constexpr const char* kResetFiles[] = {data::kNodeFile,      data::kRecordFile,      data::kOpeningFile,
                                       data::kPlacementFile, data::kVariableFile,    data::kSysFormulaFile,
                                       data::kUseFormulaFile, data::kShapeFile};

// Paths are code page 936 like every text of the system; the file system takes them
// in its own form. A path that is no valid code page 936 text is passed as it is.
std::filesystem::path NativePath(const std::string& path) {
  try {
    return std::filesystem::path(text::Cp936ToUtf8(path));
  } catch (const text::ConversionError&) {
    return std::filesystem::path(path);
  }
}

std::string SystemText(const std::filesystem::path& path) {
  try {
    return text::Utf8ToCp936(path.string());
  } catch (const text::ConversionError&) {
    return path.string();
  }
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(NativePath(path), ec);
}

std::array<std::string, 6> NewProperties() { return {Gbk("新建工程"), "", "", "", "", ""}; }

ProjectState NewState() {
  ProjectState s;
  s.Properties = NewProperties();
  return s;
}

// A whole number from a settings line; an empty or unreadable line counts as 0.
std::int64_t SettingNumber(const std::vector<std::string>& settings, std::size_t line) {
  if (line >= settings.size()) return 0;
  const std::string& s = settings[line];
  const char* b = s.data();
  const char* e = s.data() + s.size();
  while (b < e && *b == ' ') ++b;
  while (e > b && e[-1] == ' ') --e;
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(b, e, v);
  return ec == std::errc() && end == e ? v : 0;
}

bool Editing(const Table& t) {
  return t.State() == data::TableState::Edit || t.State() == data::TableState::Insert;
}

}  // namespace

std::string ProjectFilter() { return "*.mfz|*.mfz"; }
std::string TemplateFilter() { return Gbk("工程结构模板文件(*.mba)|*.mba"); }

std::string ProductCaption() { return Gbk("禾木工程量计算器") + kVersionText; }

std::string ProjectCaption(const std::string& projectName, const std::string& path) {
  return ProductCaption() + " - " + projectName + "[" + path + "]";
}

std::string ChangeExtension(const std::string& path, const std::string& ext) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExt ? path.substr(0, dot) : path) + ext;
}

std::string RecentEntry(const std::string& path) {
  // A folder here has no short form of its own: the folder stands for it.
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return path;
  return path.substr(0, slash + 1) + path.substr(slash + 1);
}

// ---------------------------------------------------------------------------

Workspace::Workspace(platform::Host& host, engine::Evaluator& evaluator, std::filesystem::path programFolder)
    : host_(host),
      state_(NewState()),
      md_(host, evaluator, *this, std::move(programFolder)),
      tree_(md_, state_),
      file_(md_, state_),
      events_(&noEvents_) {
  tree_.ProjectNameChanged = [this] { NotifyCaption(); };
}

Workspace::~Workspace() = default;

void Workspace::SetEvents(WorkspaceEvents* events) { events_ = events ? events : &noEvents_; }

std::filesystem::path Workspace::UseInfo(const char* name) const { return md_.ProgramFolder() / "useinfo" / name; }

// --- Start and end -----------------------------------------------------------

void Workspace::Startup() {
  NotifyCaption();
  state_.Properties = NewProperties();
  ResetWorkspace();
  LoadSettings();
  LoadRecentFiles();
  tree_.ResetNodeTable();
  md_.NewProjectTables();
  md_.PasteEnabled = false;
  SelectRoot();
  UpdateRecentFiles();
}

bool Workspace::Shutdown() {
  tree_.ClearNodeClipboard();
  try {
    CloseProject();
  } catch (const data::Abort&) {
    return false;
  }
  WriteRecentFiles();
  md_.dekDataSet.Close();
  std::error_code ec;
  std::filesystem::remove(NativePath(md_.WorkingFile(data::kQuotaFile)), ec);
  return true;
}

// --- The project's life ------------------------------------------------------

void Workspace::CloseProject() {
  if (state_.Modified) {
    const MsgAnswer answer = host_.MessageBox(Gbk("是否保存") + state_.Properties[0] + Gbk("文件？"), MsgCaption::Tip,
                                              MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes) {
      if (!HasFilePath()) {
        std::string chosen;
        if (!host_.SaveFileDialog(ProjectFilter(), proposedName_, chosen)) throw data::Abort();
        state_.FilePath = ChangeExtension(chosen, ".mfz");
      }
      file_.Write(state_.FilePath);
    }
  }
  state_.FilePath.clear();
  CloseProjectTables();
  ResetWorkspace();
  tree_.ResetTree();
  events_->TreeRebuilt();
}

void Workspace::CloseProjectTables() {
  // Details before their masters, so that none follows a master being closed.
  for (Table* t : {&md_.DataSetWin, &md_.dataCDataset, &md_.CDataSet1, &md_.DataWindows, &md_.DataSetVal}) t->Close();
}

void Workspace::ResetWorkspace() {
  state_.Properties = NewProperties();
  state_.KeyCounter = 0;
  state_.Version = kProjectFileVersion;
  state_.FilePath.clear();
  state_.LastModified = std::time(nullptr);
  for (const char* f : kResetFiles) {
    std::error_code ec;
    std::filesystem::remove(NativePath(md_.WorkingFile(f)), ec);
  }
  state_.Modified = false;
}

bool Workspace::NewProject() {
  try {
    CloseProject();
  } catch (const data::Abort&) {
    return false;
  }
  tree_.ResetNodeTable();
  md_.NewProjectTables();
  md_.PasteEnabled = false;
  SelectRoot();
  LoadSettings();  // a new project takes the default properties
  proposedName_ = kNewProjectName;
  NotifyCaption();
  return true;
}

bool Workspace::OpenProjectCommand() {
  std::string chosen;
  if (!host_.OpenFileDialog(ProjectFilter(), chosen)) return false;
  return OpenProject(chosen);
}

bool Workspace::OpenProject(const std::string& path) {
  if (file_.Writing() || !FileExists(path)) {
    host_.MessageBox(Gbk("用户文件") + " \"" + path + "\" " + Gbk("不存在！"), MsgCaption::Warning, MsgIcon::Warning,
                     MsgButtons::Ok);
    return false;
  }
  data::SwitchGuard loading(loading_, true);
  host_.SetWaitCursor(true);
  bool closed = false, opened = false;
  std::exception_ptr fault;
  try {
    CloseProject();
    closed = true;
    state_.FilePath = path;
    proposedName_ = path;
    file_.Read(path);
    md_.CDataSet1.LoadFromFile();
    RebuildTree();
    if (state_.Version == 2) {
      // The oldest files hold no openings, placements or variables of use.
      const std::pair<Table*, std::vector<data::FieldDef>> empty[] = {{&md_.DataWindows, data::OpeningFields()},
                                                                      {&md_.DataSetVal, data::VariableFields()},
                                                                      {&md_.DataSetWin, data::PlacementFields()}};
      for (const auto& [t, defs] : empty) {
        t->SetFieldDefs(defs);
        t->CreateDataSet();
      }
    } else {
      md_.DataWindows.LoadFromFile();
      md_.DataSetVal.LoadFromFile();
      md_.DataSetWin.LoadFromFile();
    }
    md_.dataCDataset.LoadFromFile();
    state_.Modified = false;
    opened = true;
    UpdateRecentFiles();
  } catch (const data::Abort&) {
    // refused: nothing more to say
  } catch (...) {
    fault = std::current_exception();
  }

  try {
    if (closed && !opened) {
      // A refused or unreadable file leaves an empty project that names no file, so
      // that the next save cannot go over it.
      CloseProjectTables();
      ResetWorkspace();
      tree_.ResetTree();
      proposedName_ = kNewProjectName;
    }
    if (!md_.CDataSet1.Active()) tree_.ResetNodeTable();
    if (!md_.dataCDataset.Active()) md_.NewProjectTables();
  } catch (...) {
    if (!fault) fault = std::current_exception();
  }
  host_.SetWaitCursor(false);
  loading.Restore();
  SelectRoot();
  NotifyCaption();
  if (fault) std::rethrow_exception(fault);
  return opened;
}

void Workspace::RebuildTree() {
  tree_.ResetTree();
  tree_.BuildTreeFromTable(*tree_.Root());
  tree_.Root()->Expanded = true;
  md_.CDataSet1.SetFilter("");
  events_->TreeRebuilt();
}

std::string Workspace::AskSavePath(const std::string& filter, const std::string& defaultName, const std::string& ext) {
  std::string chosen;
  if (!host_.SaveFileDialog(filter, defaultName, chosen)) throw data::Abort();
  std::string path = ChangeExtension(chosen, ext);
  if (FileExists(path) &&
      host_.MessageBox(chosen + Gbk("文件已经存在，是否覆盖？"), MsgCaption::Tip, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgAnswer::Yes)
    throw data::Abort();
  return path;
}

void Workspace::Save() {
  WaitCursor wait(host_);
  secondsSinceSave_ = 0;
  if (!HasFilePath()) state_.FilePath = AskSavePath(ProjectFilter(), proposedName_, ".mfz");
  file_.Write(state_.FilePath);
  NotifyCaption();
  if (tree::TreeItem* item = tree_.Selected()) tree_.Select(item);
  UpdateRecentFiles();
}

bool Workspace::SaveProject() {
  try {
    Save();
  } catch (const data::Abort&) {
    return false;
  }
  return true;
}

bool Workspace::SaveProjectAs() {
  const std::string previous = state_.FilePath;
  state_.FilePath.clear();
  secondsSinceSave_ = 0;
  proposedName_ = kNewProjectName;
  try {
    Save();
  } catch (const data::Abort&) {
    state_.FilePath = previous;
    return false;
  }
  return true;
}

bool Workspace::SaveTemplate() {
  std::string path;
  try {
    path = AskSavePath(TemplateFilter(), Gbk("新模板文件"), ".mba");
  } catch (const data::Abort&) {
    return false;
  }
  Table& nodes = md_.CDataSet1;
  if (!nodes.Active()) return false;
  if (Editing(nodes)) nodes.Post();
  nodes.SaveToFile(path);
  return true;
}

bool Workspace::OpenTemplate() {
  std::string chosen;
  if (!host_.OpenFileDialog(TemplateFilter(), chosen)) return false;
  if (!NewProject()) return false;
  // The template's keys stay as they are; the tree numbers new nodes above them.
  md_.CDataSet1.LoadFromFile(chosen);
  RebuildTree();
  SelectRoot();
  return true;
}

// --- The timer ---------------------------------------------------------------

std::string Workspace::TimerTick() {
  if (!state_.Modified) {
    SetStatus(Gbk("已保存,未修改"));
    return status_;
  }
  const std::int64_t minutes = SettingNumber(settings_, kAutoSaveLine);
  SetStatus(Gbk("已修改,未保存(") + std::to_string(secondsSinceSave_) + Gbk("秒)"));
  const std::string shown = status_;
  secondsSinceSave_ += kTimerStepSeconds;
  // seconds >= minutes * 60, without the product overflowing for an absurd setting
  if (minutes > 0 && secondsSinceSave_ / 60 >= minutes && !Editing(md_.CDataSet1) && !Editing(md_.dataCDataset))
    SaveProject();
  return shown;
}

void Workspace::SetStatus(std::string text) {
  status_ = std::move(text);
  events_->StatusChanged(status_);
}

// --- Settings ----------------------------------------------------------------

void Workspace::LoadSettings() {
  const std::filesystem::path file = UseInfo(kSettingsFile);
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) settings_ = text::ReadLines(file);
  if (settings_.size() < kSettingsLines) settings_.resize(kSettingsLines);
  for (std::size_t i = 1; i <= 5; ++i) state_.Properties[i] = settings_[i];
  if (settings_[kPlacesLine].empty()) settings_[kPlacesLine] = "2";
  if (!md_.dataCDataset.Active()) {
    const auto places = std::clamp<std::int64_t>(SettingNumber(settings_, kPlacesLine), 0, 4);
    md_.dataCDataset.SetFieldDefs(data::RecordFields(static_cast<int>(places)));
  }
  quotaMarks_ = settings_[kQuotaMarksLine] != "0";
}

// --- Recent files ------------------------------------------------------------

void Workspace::UpdateRecentFiles() {
  const std::string entry = HasFilePath() ? RecentEntry(state_.FilePath) : std::string();
  if (!entry.empty()) {
    auto it = std::find(recent_.begin(), recent_.end(), entry);
    if (it != recent_.end()) {
      std::rotate(recent_.begin(), it, it + 1);
    } else {
      recent_.insert(recent_.begin(), entry);
      if (recent_.size() > kMaxRecentFiles) recent_.resize(kMaxRecentFiles);
    }
  }
  events_->RecentFilesChanged(recent_);
}

std::string Workspace::RecentFilePath(const std::string& entry) const {
  const bool absolute = (!entry.empty() && (entry[0] == '/' || entry[0] == '\\')) ||
                        (entry.size() >= 3 && entry[1] == ':' && entry[2] == '\\');
  if (absolute) return entry;
  return SystemText(md_.ProgramFolder() / NativePath(entry));
}

bool Workspace::OpenRecentFile(std::size_t index) {
  if (index >= recent_.size()) return false;
  const std::string path = RecentFilePath(recent_[index]);  // opening reorders the list
  return OpenProject(path);
}

void Workspace::LoadRecentFiles() {
  const std::filesystem::path file = UseInfo(kRecentFile);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  recent_ = text::ReadLines(file);
  std::erase(recent_, std::string());
  if (recent_.size() > kMaxRecentFiles) recent_.resize(kMaxRecentFiles);
}

bool Workspace::WriteRecentFiles() const {
  const std::filesystem::path folder = md_.ProgramFolder() / "useinfo";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) return false;
  return text::WriteLines(folder / kRecentFile, recent_);
}

// --- What the main window shows ----------------------------------------------

std::string Workspace::Caption() const {
  return HasFilePath() ? ProjectCaption(state_.Properties[0], state_.FilePath) : ProductCaption();
}

void Workspace::NotifyCaption() { events_->CaptionChanged(Caption()); }

void Workspace::SelectRoot() {
  if (md_.CDataSet1.Active()) tree_.Select(tree_.Root());
}

// --- data::AppRequests -------------------------------------------------------

void Workspace::OpenVariablesWindow() { events_->OpenVariablesWindow(); }
void Workspace::OpenOpeningsWindow() { events_->OpenOpeningsWindow(); }
bool Workspace::OpeningsWindowShown() const { return events_->OpeningsWindowShown(); }
void Workspace::MarkModified() { state_.Modified = true; }
void Workspace::ClearModified() { state_.Modified = false; }
void Workspace::StampLastModified() { state_.LastModified = std::time(nullptr); }

}  // namespace takeoff::workspace
