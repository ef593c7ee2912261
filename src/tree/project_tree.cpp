#include "tree/project_tree.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <limits>
#include <set>

#include "data/project_tables.h"
#include "data/records.h"
#include "engine/edit_commands.h"
#include "engine/edit_control.h"
#include "engine/naming.h"
#include "platform/host.h"
#include "text/gbk.h"
#include "text/line_file.h"

namespace takeoff::tree {

using data::Table;
using data::TableState;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using text::Gbk;

namespace {

constexpr std::size_t kHistoryMax = 30;
constexpr std::size_t kMinNameBytes = 4;

const std::string& ShortNameMessage() {
  static const std::string m = Gbk("请输入结点名称(至少4个字母或2个汉字)！");
  return m;
}

// Cancels a pending row of the table.
void CancelPending(Table& t) noexcept {
  try {
    if (t.State() == TableState::Edit || t.State() == TableState::Insert) t.Cancel();
  } catch (...) {
  }
}

// Posts a pending row of the table.
void PostPending(Table& t) {
  if (t.State() == TableState::Edit || t.State() == TableState::Insert) t.Post();
}

// The stored cells of a table by field name.
class StoredFields {
public:
  explicit StoredFields(const Table& t) : defs_(t.StoredFieldDefs()) {}
  int operator[](std::string_view name) const {
    for (std::size_t i = 0; i < defs_.size(); ++i)
      if (defs_[i].Name == name) return static_cast<int>(i);
    return -1;
  }

private:
  std::vector<data::FieldDef> defs_;
};

const data::Value& Cell(const std::vector<data::Value>& row, int pos) {
  static const data::Value kNull;
  return pos < 0 || static_cast<std::size_t>(pos) >= row.size() ? kNull : row[static_cast<std::size_t>(pos)];
}
std::string TextOf(const std::vector<data::Value>& row, int pos) { return std::string(data::CellText(Cell(row, pos))); }
std::int64_t IntOf(const std::vector<data::Value>& row, int pos) { return data::CellInteger(Cell(row, pos)).value_or(0); }
template <class T>
T Narrow(std::int64_t v) {
  return static_cast<T>(v);
}

// Pre-order walk of a subtree.
template <class F>
void PreOrder(TreeItem& item, F&& f) {
  f(item);
  for (int i = 0; i < item.Count(); ++i) PreOrder(*item.Child(i), f);
}

// The count box as an edit control bound to the node table's Num.
class CountControl : public engine::EditControl {
public:
  explicit CountControl(Table& t) : t_(t), num_(t.FieldNo("Num")) {}
  std::string Text() const override { return t_.AsString(num_); }
  void SetText(std::string_view text) override { t_.SetAsString(num_, text); }
  std::size_t SelStart() const override { return 0; }
  std::size_t SelLength() const override { return 0; }
  void SetSelection(std::size_t, std::size_t) override {}
  bool ReadOnly() const override { return false; }
  void BeginEdit() override {
    if (t_.State() == TableState::Browse) t_.Edit();
  }

private:
  Table& t_;
  int num_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Items

int TreeItem::Index() const {
  if (!parent_) return 0;
  const auto& s = parent_->children_;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i].get() == this) return static_cast<int>(i);
  return 0;
}

int TreeItem::Level() const {
  int n = 0;
  for (const TreeItem* p = parent_; p; p = p->parent_) ++n;
  return n;
}

TreeItem* TreeItem::NextSibling() const {
  if (!parent_) return nullptr;
  const int i = Index() + 1;
  return i < parent_->Count() ? parent_->Child(i) : nullptr;
}

TreeItem* TreeItem::PrevSibling() const {
  if (!parent_) return nullptr;
  const int i = Index();
  return i > 0 ? parent_->Child(i - 1) : nullptr;
}

bool TreeItem::Contains(const TreeItem* other) const {
  for (const TreeItem* p = other; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

int ItemKind(const TreeItem& item) { return item.ImageIndex <= 1 ? kKindProject : item.ImageIndex - 1; }

int SelectedImageIndex(const TreeItem& item) {
  if (!item.Parent()) return 1;
  const int kind = ItemKind(item);
  if (kind == kKindComponent) return 7;
  return kind >= kKindFloor && kind <= kKindCategory ? 6 : 1;
}

// ---------------------------------------------------------------------------
// The enabling rule

bool NodeCommandStates::Enabled(int tag) const {
  if (tag == kPasteNodeTag) return PasteEnabled;
  return !std::binary_search(DisabledTags.begin(), DisabledTags.end(), tag);
}

NodeCommandStates NodeCommandsFor(std::optional<int> kind, bool bufferValid) {
  NodeCommandStates s;
  const int k = kind.value_or(kKindProject);
  if (k >= kKindFloor && k <= kKindCategory) s.DisabledTags = {1, 100};
  else if (k == kKindComponent) s.DisabledTags = {3, 4, 100};
  else s.DisabledTags = {1, 2, 3, 5, 6, 100};  // nothing, the root, a project node
  s.PasteEnabled = bufferValid;
  return s;
}

// ---------------------------------------------------------------------------
// The add-node dialog's texts and history lists

AddDialogTexts AddDialogTextsFor(int kind) {
  switch (kind) {
    case kKindFloor: return {Gbk("新建楼层或分部"), Gbk("输入新建楼层或分部名称"), Gbk("新建楼层"), "Str1.ini"};
    case kKindLocation:
      return {Gbk("输入计算部位或节点"), Gbk("输入计算部位或节点名称"), Gbk("新建部位\\节点"), "Str2.ini"};
    case kKindCategory: return {Gbk("输入分类节点"), Gbk("输入分类节点名称"), Gbk("新建分类节点"), "Str3.ini"};
    case kKindComponent: return {Gbk("新建构件"), Gbk("输入构件名称"), Gbk("新建构件"), "Str4.ini"};
    case kKindOpeningSummary: return {Gbk("门窗总表"), Gbk("新建门窗汇总表"), Gbk("门窗汇总表"), nullptr};
    default: throw std::invalid_argument("no add-node dialog for node kind " + std::to_string(kind));
  }
}

// A history list: the lines of its file, empty lines left out.
std::vector<std::string> ReadHistory(const std::filesystem::path& file) {
  std::vector<std::string> out = text::ReadLines(file);
  std::erase(out, std::string());
  return out;
}

// ---------------------------------------------------------------------------
// The tree

ProjectTree::ProjectTree(data::TDataMd& md, workspace::ProjectState& state) : md_(md), state_(state) {
  root_ = std::make_unique<TreeItem>();
  root_->Text = state_.Properties[0];
}

ProjectTree::~ProjectTree() = default;

TreeItem* ProjectTree::FindKey(std::int32_t key) const {
  TreeItem* found = nullptr;
  PreOrder(*root_, [&](TreeItem& i) {
    if (!found && i.Key == key) found = &i;
  });
  return found;
}

TreeItem* ProjectTree::AddItem(TreeItem& parent, int at, std::string text, std::int32_t key, int image) {
  auto item = std::make_unique<TreeItem>();
  item->Text = std::move(text);
  item->Key = key;
  item->ImageIndex = image;
  item->parent_ = &parent;
  TreeItem* raw = item.get();
  auto& c = parent.children_;
  const auto pos = at < 0 || at > parent.Count() ? c.end() : c.begin() + at;
  c.insert(pos, std::move(item));
  Touch();
  return raw;
}

std::unique_ptr<TreeItem> ProjectTree::Detach(TreeItem& item) {
  TreeItem* p = item.parent_;
  auto& c = p->children_;
  auto it = c.begin() + item.Index();
  std::unique_ptr<TreeItem> owned = std::move(*it);
  c.erase(it);
  owned->parent_ = nullptr;
  Touch();
  return owned;
}

bool ProjectTree::LocateKey(std::int32_t key) {
  Table& n = md_.CDataSet1;
  if (!n.Active()) return false;
  PostPending(n);
  return n.Locate("Key", std::to_string(key));
}

void ProjectTree::LocateSelected() {
  if (selected_) LocateKey(selected_->Key);
}

void ProjectTree::Select(TreeItem* item) {
  selected_ = item;
  Touch();
  if (!item) return;
  data::PostPendingRecord(md_);
  LocateKey(item->Key);
  data::SwitchGuard calc(md_.CalcEnabled, false);
  data::SetLastRecordId(md_);
}

// ---------------------------------------------------------------------------
// Building

void ProjectTree::ResetTree() {
  root_ = std::make_unique<TreeItem>();
  root_->Text = state_.Properties[0];
  selected_ = nullptr;
  Touch();
}

void ProjectTree::ResetNodeTable() {
  ResetTree();

  Table& n = md_.CDataSet1;
  n.Close();
  n.SetFieldDefs(data::NodeFields());
  n.SetFileName(md_.WorkingFile(data::kNodeFile));
  n.CreateDataSet();
  n.Append();
  n.SetAsInteger(n.FieldNo("Key"), 0);
  n.SetAsInteger(n.FieldNo("Parent"), -1);
  n.SetAsInteger(n.FieldNo("NodeType"), kKindProject);
  n.SetAsString(n.FieldNo("Name"), "New");
  n.SetAsInteger(n.FieldNo("Num"), 1);
  n.Post();
}

void ProjectTree::BuildTreeFromTable(TreeItem& item) {
  Table& n = md_.CDataSet1;
  if (!n.Active()) return;
  PostPending(n);
  data::SwitchGuard building(buildingFromTable_, true);
  const int keyF = n.FieldNo("Key"), typeF = n.FieldNo("NodeType"), nameF = n.FieldNo("Name");

  // The children of one item in Id order, read under the Parent restriction.
  auto children = [&](const TreeItem& parent) {
    std::vector<std::pair<std::string, std::pair<std::int32_t, int>>> out;
    n.SetFilter("Parent='" + std::to_string(parent.Key) + "'");
    for (int row = 1; row <= n.RecordCount(); ++row) {
      const auto key = data::CellInteger(n.ValueAt(row, keyF)).value_or(0);
      const auto type = data::CellInteger(n.ValueAt(row, typeF)).value_or(0);
      out.push_back({std::string(data::CellText(n.ValueAt(row, nameF))),
                     {Narrow<std::int32_t>(key), Narrow<int>(type) + 1}});
    }
    return out;
  };

  struct Restore {
    Table& t;
    ~Restore() {
      try {
        t.SetFilter("");
      } catch (...) {
      }
    }
  } restore{n};
  data::ViewsOff views(n);
  std::set<std::int32_t> seen;
  PreOrder(*root_, [&](TreeItem& i) { seen.insert(i.Key); });
  std::vector<TreeItem*> pending{&item};
  while (!pending.empty()) {
    TreeItem* p = pending.back();
    pending.pop_back();
    for (auto& [name, ki] : children(*p)) {
      if (!seen.insert(ki.first).second) continue;  // a key met twice: a cycle in the table
      AddItem(*p, -1, name, ki.first, ki.second);
    }
    for (int i = p->Count() - 1; i >= 0; --i) pending.push_back(p->Child(i));
  }
}

// ---------------------------------------------------------------------------
// Keys

std::int32_t ProjectTree::NextFreeKeyBase() {
  // New keys go above every key of the node table: a template loaded over a new
  // project brings keys the counter never handed out.
  std::int64_t top = state_.KeyCounter;
  const Table& n = md_.CDataSet1;
  if (n.Active()) {
    const int key = StoredFields(n)["Key"];
    for (std::size_t i = 0; i < n.StoredRowCount(); ++i) top = std::max(top, IntOf(n.StoredRow(i), key));
  }
  state_.KeyCounter = Narrow<std::int32_t>(std::min<std::int64_t>(top, std::numeric_limits<std::int32_t>::max()));
  return state_.KeyCounter;
}

bool ProjectTree::RefuseKeys(std::int64_t needed) {
  if (std::int64_t{NextFreeKeyBase()} + needed <= kMaxNodeKey) return false;
  md_.GetHost().MessageBox(Gbk("结点编号已用完（最多65535个），不能再添加结点！"), MsgCaption::TipInfo,
                           MsgIcon::Warning, MsgButtons::Ok);
  return true;
}

// ---------------------------------------------------------------------------
// Adding, naming, order

std::optional<platform::AddNodeChoice> ProjectTree::AskNode(int kind) {
  const AddDialogTexts texts = AddDialogTextsFor(kind);
  if (texts.HistoryFile) historyPath_ = md_.ProgramFolder() / "useinfo" / texts.HistoryFile;
  std::vector<std::string> history;
  if (!historyPath_.empty()) history = ReadHistory(historyPath_);

  platform::Host& host = md_.GetHost();
  std::string name = texts.DefaultName;
  std::int64_t count = 1;
  for (;;) {
    auto choice = host.AddNodeDialog(texts.Caption, texts.Prompt, name, history, count);
    if (!choice) return std::nullopt;
    if (choice->Name.size() < kMinNameBytes) {  // the dialog stays open with what was typed
      host.MessageBox(ShortNameMessage(), MsgCaption::TipInfo, MsgIcon::Information, MsgButtons::Ok);
      name = choice->Name;
      count = choice->Count;
      continue;
    }
    engine::PushRecent(history, choice->Name, kHistoryMax);
    if (texts.HistoryFile) text::WriteLines(historyPath_, history);  // not written when the folder cannot be made
    return choice;
  }
}

bool ProjectTree::AddNodeViaDialog(TreeItem& target, AddMode mode, int kind) {
  if (mode != AddMode::LastChild && !target.Parent()) return false;  // the root has no siblings
  if (RefuseKeys(1)) return false;
  const auto choice = AskNode(kind);
  if (!choice) return false;
  const int stored = kind == kKindOpeningSummary ? kKindLocation : kind;

  Table& n = md_.CDataSet1;
  try {
    TreeItem& parent = mode == AddMode::LastChild ? target : *target.Parent();
    const std::int32_t key = NextFreeKeyBase() + 1;
    state_.KeyCounter = key;

    const int at = mode == AddMode::Before ? target.Index() : -1;
    TreeItem* item = AddItem(parent, at, choice->Name, key, stored + 1);
    UniqueSiblingName(*item, choice->Name, true);

    if (!n.Active()) n.CreateDataSet();
    PostPending(n);
    n.Append();
    n.SetAsInteger(n.FieldNo("Key"), key);
    n.SetAsInteger(n.FieldNo("Parent"), parent.Key);
    n.SetAsInteger(n.FieldNo("NodeType"), stored);
    n.SetAsString(n.FieldNo("Name"), item->Text);
    n.SetAsInteger(n.FieldNo("Num"), choice->Count);
    n.Post();

    RenumberSiblings(*parent.FirstChild());
    Select(item);
    md_.App().StampLastModified();
    return true;
  } catch (const std::exception&) {
    // Nothing more is reported; the item created stays.
    CancelPending(n);
    return false;
  }
}

bool ProjectTree::UniqueSiblingName(TreeItem& item, const std::string& name, bool report) {
  auto taken = [&item](const std::string& t) {
    if (!item.Parent()) return false;  // the root is never compared
    const TreeItem* p = item.Parent();
    for (int i = 0; i < p->Count(); ++i)
      if (p->Child(i) != &item && p->Child(i)->Text == t) return true;
    return false;
  };
  std::string t = name;
  bool changed = false;
  while (taken(t)) {
    if (report) {
      md_.GetHost().MessageBox(Gbk("当前目录中\"") + t + Gbk("\"已经存在，不能重复命名！"), MsgCaption::TipInfo,
                               MsgIcon::Information, MsgButtons::Ok);
      report = false;
    }
    t = engine::NextName(t, Gbk("新建结点"));
    changed = true;
  }
  if (item.Text != t) {
    item.Text = t;
    Touch();
  }
  return changed;
}

void ProjectTree::RenumberSiblings(TreeItem& first) {
  Table& n = md_.CDataSet1;
  if (!n.Active()) return;
  const int id = n.FieldNo("Id");
  {
    data::ViewsOff views(n);
    for (TreeItem* i = &first; i; i = i->NextSibling()) {
      if (!LocateKey(i->Key)) continue;
      const int pos = i->Index();
      if (!n.IsNull(id) && n.AsInteger(id) == pos) continue;
      n.Edit();
      n.SetAsInteger(id, pos);
      n.Post();
    }
  }
  LocateSelected();
}

bool ProjectTree::RenameItem(TreeItem& item, const std::string& text) {
  if (text.size() < kMinNameBytes) {
    md_.GetHost().MessageBox(ShortNameMessage(), MsgCaption::TipInfo, MsgIcon::Information, MsgButtons::Ok);
    return false;
  }
  const std::string old = item.Text;
  try {
    UniqueSiblingName(item, text, true);
    if (item.Parent()) {
      Table& n = md_.CDataSet1;
      if (LocateKey(item.Key)) {
        if (n.State() == TableState::Browse) n.Edit();
        n.SetAsString(n.FieldNo("Name"), item.Text);
        n.Post();
      }
      LocateSelected();
    } else {
      state_.Properties[0] = item.Text;
      md_.App().MarkModified();
      if (ProjectNameChanged) ProjectNameChanged();
    }
  } catch (...) {
    CancelPending(md_.CDataSet1);
    item.Text = old;
    Touch();
    throw;
  }
  md_.App().StampLastModified();
  return true;
}

void ProjectTree::MoveAmongSiblings(int delta) {
  TreeItem* item = selected_;
  TreeItem* p = item->Parent();
  auto& c = p->children_;
  const auto i = static_cast<std::size_t>(item->Index());
  const auto j = delta > 0 ? i + 1 : i - 1;
  std::swap(c[i], c[j]);
  Touch();
  RenumberSiblings(*p->FirstChild());
}

bool ProjectTree::MoveDown() {
  if (!CanMoveDown()) return false;
  MoveAmongSiblings(+1);
  return true;
}

bool ProjectTree::MoveUp() {
  if (!CanMoveUp()) return false;
  MoveAmongSiblings(-1);
  return true;
}

// ---------------------------------------------------------------------------
// Deleting

void ProjectTree::DeleteSubtreeRows(TreeItem& item) {
  Table& n = md_.CDataSet1;
  if (!n.Active()) return;
  data::PostPendingRecord(md_);
  std::vector<std::int32_t> keys;
  PreOrder(item, [&](TreeItem& i) { keys.push_back(i.Key); });
  for (std::int32_t k : keys)
    if (LocateKey(k)) n.Delete();  // the node's records go first (the table's own rule)
}

bool ProjectTree::DeleteSubtree(TreeItem& item) {
  if (!item.Parent()) return false;
  const auto answer = md_.GetHost().MessageBox(Gbk("是否删除") + item.Text + Gbk("结点所有数据？"),
                                               MsgCaption::TipInfo, MsgIcon::Question, MsgButtons::YesNo);
  if (answer != platform::MsgAnswer::Yes) return false;

  TreeItem* next = item.NextSibling();
  if (!next) next = item.PrevSibling();
  if (!next) next = item.Parent();
  const bool selectedGoes = selected_ && item.Contains(selected_);
  try {
    DeleteSubtreeRows(item);
  } catch (...) {
    md_.App().MarkModified();
    throw;
  }
  Detach(item);
  md_.App().MarkModified();
  if (selectedGoes) Select(next);
  else LocateSelected();
  return true;
}

// ---------------------------------------------------------------------------
// Copying and pasting

void ProjectTree::ClearNodeClipboard() { clip_ = NodeClipboard{}; }

bool ProjectTree::CopySubtree(TreeItem& item) {
  if (!item.Parent()) {
    clip_.Valid = false;
    md_.GetHost().MessageBox(Gbk("不能复制整个工程！"), MsgCaption::TipInfo, MsgIcon::Warning, MsgButtons::Ok);
    return false;
  }
  ClearNodeClipboard();
  data::PostPendingRecord(md_);
  PostPending(md_.CDataSet1);

  // The stored rows are read in place: no cursor moves and no record is computed.
  const Table& n = md_.CDataSet1;
  const Table& r = md_.dataCDataset;
  const Table& p = md_.DataSetWin;
  if (!n.Active()) return false;

  const StoredFields nf(n);
  const int nKey = nf["Key"], nType = nf["NodeType"], nNum = nf["Num"], nId = nf["Id"];
  std::map<std::int64_t, std::size_t> nodeRow;
  for (std::size_t i = 0; i < n.StoredRowCount(); ++i) nodeRow.emplace(IntOf(n.StoredRow(i), nKey), i);

  // Records by node in record order (the table is ordered by Parent, Id).
  const StoredFields rf(r);
  std::map<std::int64_t, std::vector<std::size_t>> recordsOf;
  if (r.Active())
    for (std::size_t i = 0; i < r.StoredRowCount(); ++i) recordsOf[IntOf(r.StoredRow(i), rf["Parent"])].push_back(i);
  const StoredFields pf(p);
  std::map<std::int64_t, std::vector<std::size_t>> placementsOf;
  if (p.Active())
    for (std::size_t i = 0; i < p.StoredRowCount(); ++i) placementsOf[IntOf(p.StoredRow(i), pf["AbsId"])].push_back(i);

  std::map<std::int32_t, int> seqOfKey;
  PreOrder(item, [&](TreeItem& i) {
    auto found = nodeRow.find(i.Key);
    if (found == nodeRow.end()) return;
    const auto& row = n.StoredRow(found->second);
    NodeEntry e;
    e.Seq = ++clip_.Sequence;
    if (&i != &item)
      for (const TreeItem* a = i.Parent(); a; a = a->Parent())
        if (auto s = seqOfKey.find(a->Key); s != seqOfKey.end()) {
          e.ParentSeq = s->second;
          break;
        }
    seqOfKey[i.Key] = e.Seq;
    e.NodeType = Narrow<std::int16_t>(IntOf(row, nType));
    e.Name = i.Text;
    if (!data::IsNull(Cell(row, nNum))) e.Num = Narrow<std::int32_t>(IntOf(row, nNum));
    if (!data::IsNull(Cell(row, nId))) e.Id = Narrow<std::int32_t>(IntOf(row, nId));
    clip_.Records.push_back(std::move(e));

    std::int32_t id = 0;
    for (std::size_t ri : recordsOf[i.Key]) {
      const auto& rec = r.StoredRow(ri);
      NodeRecordEntry d;
      d.NodeSeq = clip_.Sequence;
      d.Id = ++id;
      data::DataRd& x = d.Record;
      x.DM = TextOf(rec, rf["DM"]);
      x.Name = TextOf(rec, rf["Name"]);
      x.DW = TextOf(rec, rf["DW"]);
      x.Type = Narrow<std::int32_t>(IntOf(rec, rf["Type"]));
      x.BDS = TextOf(rec, rf["BDS"]);
      x.Grp = TextOf(rec, rf["Grp"]);
      x.Gid = TextOf(rec, rf["Gid"]);
      x.BDSdt = TextOf(rec, rf["BDSdt"]);
      x.BDSNum = Narrow<std::int32_t>(IntOf(rec, rf["BDSNum"]));
      x.BDSZS = TextOf(rec, rf["BDSZS"]);
      x.AX1 = TextOf(rec, rf["AX1"]);
      x.AX2 = TextOf(rec, rf["AX2"]);
      x.AX3 = TextOf(rec, rf["AX3"]);
      x.AX4 = TextOf(rec, rf["AX4"]);
      x.fjBDS = Narrow<std::int32_t>(IntOf(rec, rf["fjBDS"]));
      x.AddVal = TextOf(rec, rf["AddVal"]);
      x.XSVal = TextOf(rec, rf["XSVal"]);
      const int recordIndex = static_cast<int>(clip_.Data.size());
      for (std::size_t pi : placementsOf[IntOf(rec, rf["AbsId"])]) {
        const auto& pl = p.StoredRow(pi);
        data::setWindRecord w;
        w.RecordIndex = recordIndex;
        w.Name = TextOf(pl, pf["Name"]);
        w.Num = Narrow<std::int32_t>(IntOf(pl, pf["Num"]));
        w.G = Narrow<std::int16_t>(IntOf(pl, pf["G"]));
        w.Side = Narrow<std::int16_t>(IntOf(pl, pf["Side"]));
        w.SideWidth = Narrow<std::int16_t>(IntOf(pl, pf["SideWidth"]));
        w.ifTop = IntOf(pl, pf["ifTop"]) != 0;
        w.ifgetS = IntOf(pl, pf["ifgetS"]) != 0;
        w.ifgetGl = IntOf(pl, pf["ifgetGL"]) != 0;
        w.ifgetL = IntOf(pl, pf["ifgetL"]) != 0;
        w.ifgetSideS = IntOf(pl, pf["ifgetSideS"]) != 0;
        w.ifDoor = IntOf(pl, pf["ifDoor"]) != 0;
        clip_.Placements.push_back(std::move(w));
      }
      clip_.Data.push_back(std::move(d));
    }
  });
  clip_.Valid = !clip_.Records.empty();
  return clip_.Valid;
}

bool ProjectTree::PasteSubtree(TreeItem& at) {
  if (!clip_.Valid || clip_.Records.empty()) return false;
  TreeItem* target = &at;
  while (target->Parent() && ItemKind(*target) > kKindCategory) target = target->Parent();
  const auto count = static_cast<std::int64_t>(clip_.Records.size());
  if (RefuseKeys(count)) return false;  // the buffer stays: nothing was pasted
  const std::int32_t base = state_.KeyCounter;

  Table& n = md_.CDataSet1;
  Table& r = md_.dataCDataset;
  Table& p = md_.DataSetWin;
  struct Finish {
    ProjectTree& tree;
    std::int32_t counter;
    ~Finish() {
      // Whatever happened: a copy is pasted once and its keys are spent.
      tree.state_.KeyCounter = counter;
      tree.ClearNodeClipboard();
    }
  } finish{*this, Narrow<std::int32_t>(base + count)};
  data::SwitchGuard bulk(md_.BulkOpInProgress, true);

  const NodeClipboard clip = clip_;
  data::PostPendingRecord(md_);
  if (!n.Active()) n.CreateDataSet();
  PostPending(n);
  const int kKey = n.FieldNo("Key"), kParent = n.FieldNo("Parent"), kName = n.FieldNo("Name"), kNum = n.FieldNo("Num"),
            kId = n.FieldNo("Id"), kType = n.FieldNo("NodeType");
  try {
    data::ViewsOff views(n);
    TreeItem* prev = nullptr;
    TreeItem* first = nullptr;
    for (const NodeEntry& e : clip.Records) {
      const std::int32_t key = base + e.Seq;
      TreeItem* parent = target;
      if (prev) {
        // The nearest ancestor-or-self of the item added last that carries the parent key.
        const std::int32_t parentKey = base + e.ParentSeq;
        parent = prev;
        while (parent && parent->Key != parentKey) parent = parent->Parent();
        if (!parent || !first->Contains(parent)) parent = first;
      }
      TreeItem* item = AddItem(*parent, -1, e.Name, key, e.NodeType + 1);
      UniqueSiblingName(*item, e.Name, false);
      prev = item;
      if (!first) first = item;
      n.Append();
      n.SetAsInteger(kKey, key);
      n.SetAsInteger(kParent, parent->Key);
      n.SetAsString(kName, item->Text);
      if (e.Num) n.SetAsInteger(kNum, *e.Num);
      if (e.Id) n.SetAsInteger(kId, *e.Id);
      n.SetAsInteger(kType, e.NodeType);
      n.Post();
    }
  } catch (...) {
    CancelPending(n);
    throw;
  }
  RenumberSiblings(*target->FirstChild());
  Select(target->FirstChild());
  Select(target);

  // The records go in with the master link off, each with its node's new key; the
  // placements follow their records by the records' new AbsIds.
  struct Relink {
    Table& t;
    ~Relink() { t.AttachMaster(); }
  };
  std::vector<std::int64_t> absIds;
  {
    Relink relinkRecords{r};
    Relink relinkPlacements{p};
    r.DetachMaster();
    p.DetachMaster();
    const data::RecordFieldNos& f = md_.RecordFields();
    data::SwitchGuard quiet(md_.QuietFieldHooks, true);
    try {
      for (const NodeRecordEntry& d : clip.Data) {
        const data::DataRd& x = d.Record;
        r.Append();
        r.SetAsInteger(f.Parent, base + d.NodeSeq);
        r.SetAsInteger(f.Id, d.Id);
        r.SetAsString(f.DM, x.DM);
        r.SetAsString(f.Name, x.Name);
        r.SetAsString(f.DW, x.DW);
        r.SetAsString(f.BDS, x.BDS);
        r.SetAsString(f.Grp, x.Grp);
        r.SetAsString(f.Gid, x.Gid);
        r.SetAsString(f.BDSdt, x.BDSdt);
        r.SetAsInteger(f.BDSNum, x.BDSNum);
        r.SetAsString(f.BDSZS, x.BDSZS);
        r.SetAsString(f.AX1, x.AX1);
        r.SetAsString(f.AX2, x.AX2);
        r.SetAsString(f.AX3, x.AX3);
        r.SetAsString(f.AX4, x.AX4);
        r.SetAsInteger(f.fjBDS, x.fjBDS);
        r.SetAsString(f.AddVal, x.AddVal);
        r.SetAsString(f.XSVal, x.XSVal);
        r.SetAsInteger(f.Type, x.Type);
        r.Post();
        absIds.push_back(r.AsInteger(f.AbsId));
      }
      data::RestorePlacements(md_, clip.Placements, absIds, true);
    } catch (...) {
      CancelPending(r);
      CancelPending(p);
      throw;
    }
  }
  bulk.Restore();
  data::SetLastRecordId(md_);
  md_.RecalcRecords();
  return true;
}

// ---------------------------------------------------------------------------
// Commands

bool ProjectTree::InsertComponent() {
  if (!selected_ || !selected_->Parent()) return false;
  return AddNodeViaDialog(*selected_, AddMode::Before, kKindComponent);
}

bool ProjectTree::AppendComponent() {
  if (!selected_ || !selected_->Parent()) return false;
  TreeItem* item = selected_;
  if (ItemKind(*item) == kKindComponent) return AddNodeViaDialog(*item, AddMode::LastSibling, kKindComponent);
  const bool added = AddNodeViaDialog(*item, AddMode::LastChild, kKindComponent);
  item->Expanded = true;
  Touch();
  return added;
}

bool ProjectTree::InsertNode() {
  if (!selected_ || !selected_->Parent()) return false;
  return AddNodeViaDialog(*selected_, AddMode::Before, std::min(selected_->Level(), kKindCategory));
}

bool ProjectTree::AppendNode() {
  if (!selected_ || !selected_->Parent()) return false;
  return AddNodeViaDialog(*selected_, AddMode::LastSibling, std::min(selected_->Level(), kKindCategory));
}

bool ProjectTree::AppendChildNode() {
  TreeItem* item = selected_ ? selected_ : root_.get();
  const bool added = AddNodeViaDialog(*item, AddMode::LastChild, std::min(item->Level() + 1, kKindCategory));
  item->Expanded = true;
  Touch();
  return added;
}

bool ProjectTree::DeleteNode() { return selected_ && selected_->Parent() && DeleteSubtree(*selected_); }

bool ProjectTree::CopyNode() { return selected_ && selected_->Parent() && CopySubtree(*selected_); }

bool ProjectTree::PasteNode() { return clip_.Valid && PasteSubtree(selected_ ? *selected_ : *root_); }

NodeCommandStates ProjectTree::Commands() const {
  std::optional<int> kind;
  if (selected_) kind = selected_->Parent() ? ItemKind(*selected_) : kKindProject;
  return NodeCommandsFor(kind, clip_.Valid);
}

// ---------------------------------------------------------------------------
// The count box

std::string ProjectTree::CountText() const {
  const Table& n = md_.CDataSet1;
  if (!selected_ || !n.Active() || (n.IsEmpty() && n.State() != TableState::Insert)) return {};
  return n.AsString(n.FieldNo("Num"));
}

void ProjectTree::TypeCount(std::string_view text) {
  if (!CountBoxEnabled()) return;
  Table& n = md_.CDataSet1;
  if (!n.Active() || n.IsEmpty()) return;
  CountControl box(n);
  box.BeginEdit();
  box.SetText(text);
}

void ProjectTree::StepCount(int step) {
  if (!CountBoxEnabled()) return;
  Table& n = md_.CDataSet1;
  if (!n.Active() || n.IsEmpty()) return;
  CountControl box(n);
  engine::StepEditNumber(box, step);
}

void ProjectTree::CountEnter() {
  if (!CountBoxEnabled()) return;
  Table& n = md_.CDataSet1;
  if (n.State() == TableState::Edit || n.State() == TableState::Insert) n.Post();
  md_.App().StampLastModified();
}

}  // namespace takeoff::tree
