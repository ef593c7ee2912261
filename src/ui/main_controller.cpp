#include "ui/main_controller.h"

#include <algorithm>
#include <system_error>

#include "data/records.h"
#include "engine/convert_error.h"
#include "engine/edit_commands.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::ui {
namespace {

using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using platform::WaitCursor;
using text::Gbk;

constexpr const char* kHelpFile = "工程量计算.chm";

// The quota libraries listed in the program folder's Sysdek folder.
int CountQuotaLibraries(const std::filesystem::path& folder) {
  std::error_code ec;
  int n = 0;
  for (const char* name : {"Sysdek", "sysdek"}) {
    const std::filesystem::path dir = folder / name;
    if (!std::filesystem::is_directory(dir, ec)) continue;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
      if (e.path().extension() == ".dek") ++n;
    break;
  }
  return n;
}

}  // namespace

MainController::MainController(platform::Host& host, engine::Evaluator& evaluator, std::filesystem::path programFolder)
    : host_(host), ws_(host, evaluator, std::move(programFolder)), grid_(ws_.Data()), view_(&noView_) {
  ws_.SetEvents(this);
  InstallHandlers();
}

MainController::~MainController() { ws_.SetEvents(nullptr); }

void MainController::SetView(ControllerView* view) { view_ = view ? view : &noView_; }

void MainController::Changed() { view_->Changed(); }

// --- Start and end -----------------------------------------------------------

void MainController::Startup() {
  status_ = {Gbk("未装载定额库，请自定义子目编码"), "", ""};
  quotaBox_ = Gbk("未装载定额库，请选择定额库");
  Guarded([this] { ws_.Startup(); });
  quotaLibraries_ = CountQuotaLibraries(Data().ProgramFolder());
  grid_.NodeChanged();
  Changed();
}

void MainController::FirstShown(const std::optional<std::string>& argument) {
  if (argument) Guarded([&] { ws_.OpenProject(*argument); });
  if (quotaLibraries_ < 4) host_.OpenWindow("TfmAbout");
  Changed();
}

void MainController::HandOver(const std::string& path) {
  Guarded([&] {
    grid_.Leave();
    ws_.OpenProject(path);
  });
  NewProjectShown();
  Changed();
}

void MainController::TimerTick() {
  // The timer also fires inside the dialogs and the progress window of a running
  // action; saving then would write the project half-changed, or stack a save
  // dialog on top. Such ticks are let go; the next free tick counts as usual.
  if (running_ > 0) return;
  Guarded([this] { ws_.TimerTick(); });
  Changed();
}

bool MainController::Close() {
  bool closed = false;
  Guarded([&] {
    grid_.Leave();
    closed = ws_.Shutdown();
  });
  closed_ = closed_ || closed;
  Changed();
  return closed;
}

// --- Commands ----------------------------------------------------------------

void MainController::Guarded(const std::function<void()>& action) {
  ++running_;
  struct Done {
    int& depth;
    ~Done() { --depth; }
  } done{running_};
  try {
    action();
  } catch (const data::Abort&) {
    // refused or cancelled: abandoned without a word
  } catch (const std::exception& e) {
    // Any other failure reaches the user; the project stays open as it is.
    host_.MessageBox(e.what(), MsgCaption::ErrorTip, MsgIcon::Error, MsgButtons::Ok);
  }
}

bool MainController::Enabled(std::string_view name) const {
  const Command* c = FindCommand(name);
  if (!c || !c->Built) return false;
  if (c->Tag >= 1 && c->Tag <= 7) return ws_.Tree().Commands().Enabled(c->Tag);
  if (name == "ActionPastData") return ws_.Data().PasteEnabled;
  if (name == "ToolButton27") return ws_.Tree().CanMoveDown();
  if (name == "ToolButton26") return ws_.Tree().CanMoveUp();
  return true;
}

std::vector<std::string> MainController::EnabledCommands() const {
  std::vector<std::string> names;
  for (const Command& c : CommandTable())
    if (Enabled(c.Name)) names.push_back(c.Name);
  return names;
}

bool MainController::Run(std::string_view name) {
  if (!Enabled(name)) return false;
  auto it = std::find_if(handlers_.begin(), handlers_.end(), [&](const auto& h) { return h.first == name; });
  if (it != handlers_.end()) Guarded(it->second);
  Changed();
  return true;
}

void MainController::NodeMenuOpened() { Changed(); }

void MainController::InstallHandlers() {
  auto node = [this](bool (tree::ProjectTree::*op)()) {
    return [this, op] {
      grid_.Leave();
      (ws_.Tree().*op)();
      AfterNodeCommand();
    };
  };
  handlers_ = {
      {"ActionNew",
       [this] {
         grid_.Leave();
         if (ws_.NewProject()) NewProjectShown();
       }},
      {"ActionOpen",
       [this] {
         grid_.Leave();
         ws_.OpenProjectCommand();
         NewProjectShown();
       }},
      {"ActionSave",
       [this] {
         grid_.Leave();
         ws_.SaveProject();
       }},
      {"ActionSaveAs",
       [this] {
         grid_.Leave();
         ws_.SaveProjectAs();
       }},
      {"ActionExit", [this] { Close(); }},
      {"ActionInsertGJ", node(&tree::ProjectTree::InsertComponent)},
      {"ActionApend", node(&tree::ProjectTree::AppendComponent)},
      {"ActionInsertNode", node(&tree::ProjectTree::InsertNode)},
      {"ActionApendNode", node(&tree::ProjectTree::AppendNode)},
      {"ActionApendCdNode", node(&tree::ProjectTree::AppendChildNode)},
      {"ActionDelNode", node(&tree::ProjectTree::DeleteNode)},
      {"ActionCopyNode", node(&tree::ProjectTree::CopyNode)},
      {"ActionPastNode", node(&tree::ProjectTree::PasteNode)},
      {"ToolButton27", node(&tree::ProjectTree::MoveDown)},
      {"ToolButton26", node(&tree::ProjectTree::MoveUp)},
      {"ActionSaveM",
       [this] {
         grid_.Leave();
         ws_.SaveTemplate();
       }},
      {"ActionOpenM",
       [this] {
         grid_.Leave();
         if (ws_.OpenTemplate()) NewProjectShown();
       }},
      {"ActionInsetL", [this] { InsertLine(); }},
      {"ActionAddData", [this] { AddData(); }},
      {"ActionCopyData", [this] { CopyData(); }},
      {"ActionPastData", [this] { PasteData(); }},
      {"ActionDelData", [this] { DeleteData(); }},
      {"ActionTextCopy", [this] { host_.SendTextAction(platform::TextAction::Copy); }},
      {"ActionTextCut", [this] { host_.SendTextAction(platform::TextAction::Cut); }},
      {"ActionTextPast", [this] { host_.SendTextAction(platform::TextAction::Paste); }},
      {"ActionShowVal", [this] { host_.OpenWindow("TfmVal"); }},
      {"ActionFH", [this] { host_.OpenWindow("TfmFhAndWj"); }},
      {"ActionWJ", [this] { host_.ShowMessage(Gbk("五金手册功能将在下一版本中添加！")); }},
      {"Action_Focus_DG2StrG", [this] { FocusGridOrParameters(); }},
      {"Action_TV2Focused", [this] { FocusQuotaTree(); }},
      {"ActionAbout", [this] { host_.OpenWindow("TfmAbout"); }},
      {"ActionHelp", [this] { ShowHelp(); }},
  };
  for (const Command& c : CommandTable())
    if (!c.WrapOpen.empty()) handlers_.emplace_back(c.Name, [this, &c] { Wrap(c); });
}

void MainController::AfterNodeCommand() {
  grid_.NodeChanged();
  formulaBox_ = false;
  annotationPanel_ = false;
}

void MainController::NewProjectShown() {
  grid_.NodeChanged();
  formulaBox_ = false;
  annotationPanel_ = false;
}

// --- Record commands ---------------------------------------------------------

void MainController::InsertLine() {
  data::TDataMd& md = Data();
  if (!md.dataCDataset.Active()) return;
  grid_.Leave();
  WaitCursor wait(host_);
  data::InsertRecords(md, 1, false);
}

void MainController::AddData() {
  data::Table& t = Data().dataCDataset;
  if (!t.Active()) return;
  grid_.Leave();
  t.Append();
  t.Post();
}

void MainController::CopyData() {
  data::TDataMd& md = Data();
  if (!md.dataCDataset.Active()) return;
  grid_.Leave();
  WaitCursor wait(host_);
  const std::vector<int>& sel = grid_.Selected();
  data::CopyRecords(md, sel.size() >= 2 ? sel : std::vector<int>{});
}

void MainController::PasteData() {
  data::TDataMd& md = Data();
  if (!md.dataCDataset.Active()) return;
  grid_.Leave();
  WaitCursor wait(host_);
  grid_.ClearSelection();
  std::vector<data::Table::Bookmark> posted;
  struct Collect {
    data::TDataMd& md;
    ~Collect() { md.PostedRows = nullptr; }
  } collect{md};
  md.PostedRows = &posted;
  data::PasteRecords(md);
  md.PostedRows = nullptr;
  std::vector<int> rows;
  for (data::Table::Bookmark b : posted)
    if (const int r = md.dataCDataset.RecNoOf(b)) rows.push_back(r);
  grid_.SetSelected(std::move(rows));
}

void MainController::DeleteData() {
  data::TDataMd& md = Data();
  if (!md.dataCDataset.Active()) return;
  grid_.Leave();
  if (md.dataCDataset.IsEmpty()) return;
  const std::vector<int> sel = grid_.Selected();
  grid_.ClearSelection();
  data::RenumberAfterDelete(md, sel);
  md.App().MarkModified();
}

void MainController::Wrap(const Command& c) {
  if (engine::EditControl* edit = host_.FocusedEdit()) engine::WrapSelection(*edit, c.WrapOpen, host_);
}

void MainController::FocusGridOrParameters() {
  host_.SetFocus(host_.Focused() == platform::FocusControl::RecordGrid ? platform::FocusControl::ParameterGrid
                                                                       : platform::FocusControl::RecordGrid);
}

void MainController::FocusQuotaTree() {
  if (host_.Focused() != platform::FocusControl::QuotaTree) host_.SetFocus(platform::FocusControl::QuotaTree);
}

std::filesystem::path MainController::HelpFile() const {
  return ws_.Data().ProgramFolder() / kHelpFile;
}

void MainController::ShowHelp() {
  const std::filesystem::path file = HelpFile();
  std::error_code ec;
  std::string shown;
  try {
    shown = text::Utf8ToCp936(file.string());
  } catch (const text::ConversionError&) {
    shown = file.string();
  }
  if (!std::filesystem::exists(file, ec) || !host_.OpenWithViewer(shown))
    host_.MessageBox(Gbk("帮助文件") + " \"" + shown + "\" " + Gbk("不存在或无法打开！"), MsgCaption::Warning,
                     MsgIcon::Warning, MsgButtons::Ok);
}

// --- The project tree --------------------------------------------------------

void MainController::SelectNode(tree::TreeItem* item) {
  Guarded([&] {
    grid_.Leave();
    formulaBox_ = false;
    annotationPanel_ = false;
    grid_.NodeChanged();
    if (item) ws_.Tree().Select(item);
  });
  Changed();
}

std::string MainController::PathOf(const tree::TreeItem& item) {
  std::string path;
  for (const tree::TreeItem* i = &item; i && i->Parent(); i = i->Parent())
    path = path.empty() ? i->Text : i->Text + Gbk("→") + path;
  return path;
}

tree::TreeItem* MainController::FindPath(std::string_view path) const {
  tree::TreeItem* item = ws_.Tree().Root();
  if (!item || path.empty()) return item;
  const std::string arrow = Gbk("→");
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = path.find(arrow, from);
    const std::string_view name = path.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from);
    tree::TreeItem* next = nullptr;
    for (int i = 0; i < item->Count() && !next; ++i)
      if (item->Child(i)->Text == name) next = item->Child(i);
    if (!next) return nullptr;
    item = next;
    if (at == std::string_view::npos) return item;
    from = at + arrow.size();
  }
}

bool MainController::Rename(tree::TreeItem& item, const std::string& text) {
  bool done = false;
  Guarded([&] { done = ws_.Tree().RenameItem(item, text); });
  Changed();
  return done;
}

// --- The grid's boxes --------------------------------------------------------

void MainController::CellDoubleClicked(int row, int column) {
  if (column != kColumnFormula && column != kColumnName) return;
  if (row < 1 || row > grid_.RowCount() || grid_.NewRowUntouched()) return;
  Guarded([&] { grid_.GoToRow(row); });
  grid_.SetColumn(column);
  formulaBox_ = true;
  formulaBoxColumn_ = column;
  Changed();
}

void MainController::FormulaBoxEnter() {
  formulaBox_ = false;
  grid_.SetColumn(formulaBoxColumn_);
  Guarded([this] { grid_.Enter(); });
  Changed();
}

void MainController::CellClicked(int row, int column) {
  annotationPanel_ = column == kColumnMark && row >= 1;
  Changed();
}

void MainController::CellButtonClicked(int column) {
  if (column != kColumnCode && column != kColumnName) return;
  Guarded([this] {
    grid_.Post();
    // Quota search needs a loaded quota library.
    host_.MessageBox(Gbk("未装载定额库！要查询套用定额请先装载定额库"), MsgCaption::Tip, MsgIcon::Warning,
                     MsgButtons::Ok);
  });
  Changed();
}

bool MainController::OpenRecentFile(std::size_t index) {
  bool opened = false;
  Guarded([&] {
    grid_.Leave();
    opened = ws_.OpenRecentFile(index);
  });
  NewProjectShown();
  Changed();
  return opened;
}

// --- workspace::WorkspaceEvents ----------------------------------------------

void MainController::OpenVariablesWindow() { host_.OpenWindow("TfmVal"); }
void MainController::OpenOpeningsWindow() { host_.OpenWindow("TfmSetWin"); }
void MainController::CaptionChanged(const std::string&) { view_->Changed(); }
void MainController::RecentFilesChanged(const std::vector<std::string>&) { view_->RecentFilesChanged(); }
void MainController::TreeRebuilt() { view_->TreeRebuilt(); }
void MainController::StatusChanged(const std::string& text) { status_[1] = text; }

}  // namespace takeoff::ui
