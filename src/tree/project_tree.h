#pragma once
// The project tree: the nodes of the project as the main window shows them, kept in
// step with the node table CDataSet1, and every operation that changes them (adding
// through the add-node dialog, renaming in place, deleting, copying and pasting a
// subtree with its records and placements, moving among siblings, the count box).
//
// The tree view of the desktop program only displays a ProjectTree and forwards the
// user's actions to it. Every text is code page 936.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/data_module.h"
#include "platform/host.h"
#include "workspace/project_state.h"

namespace takeoff::tree {

// Node kinds (NodeType). An opening summary table is asked for as kind 5 and stored
// as a location.
inline constexpr int kKindProject = 0;
inline constexpr int kKindFloor = 1;
inline constexpr int kKindLocation = 2;
inline constexpr int kKindCategory = 3;
inline constexpr int kKindComponent = 4;
inline constexpr int kKindOpeningSummary = 5;

// Node keys pass through 16-bit fields: they stay within 1 to 65535.
inline constexpr std::int32_t kMaxNodeKey = 65535;

// Where AddNodeViaDialog puts the new node.
enum class AddMode {
  LastChild = 0,      // the target's last child
  Before = 1,         // the target's sibling in front of it
  LastSibling = 2,    // the target's last sibling
};

class TreeItem {
public:
  std::string Text;
  std::int32_t Key = 0;
  int ImageIndex = 0;  // NodeType + 1; 0 for the root
  bool Expanded = false;

  TreeItem* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  TreeItem* Child(int i) const { return children_[static_cast<std::size_t>(i)].get(); }
  TreeItem* FirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  int Index() const;  // position among the siblings, 0-based
  int Level() const;  // depth: the root is 0
  TreeItem* NextSibling() const;
  TreeItem* PrevSibling() const;
  // Whether `other` is this item or lies below it.
  bool Contains(const TreeItem* other) const;

private:
  friend class ProjectTree;
  TreeItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TreeItem>> children_;
};

// The node kind read back from an item's image (the root and image 0 or 1 give 0).
int ItemKind(const TreeItem& item);
// The image shown while the item is selected: 1 for the root, 6 for kinds 1 to 3,
// 7 for a component.
int SelectedImageIndex(const TreeItem& item);

// Which node commands are enabled, by the command's tag.
inline constexpr int kPasteNodeTag = 7;  // "粘贴结点"
struct NodeCommandStates {
  std::vector<int> DisabledTags;  // ascending
  bool PasteEnabled = false;      // the copy buffer is valid
  bool Enabled(int tag) const;    // the paste tag follows PasteEnabled
};
// The rule for a selected node of `kind` (nothing selected: no kind).
NodeCommandStates NodeCommandsFor(std::optional<int> kind, bool bufferValid);

// The node copy buffer, filled by a copy and emptied by the first paste.
struct NodeEntry {
  int Seq = 0;        // 1, 2, ... in copy order (pre-order)
  int ParentSeq = 0;  // the parent's Seq; 0 for the first entry
  std::int16_t NodeType = 0;
  std::string Name;   // the item text
  std::optional<std::int32_t> Num, Id;
};
struct NodeRecordEntry {
  int NodeSeq = 0;
  std::int32_t Id = 0;  // 1, 2, ... per node
  data::DataRd Record;
};
struct NodeClipboard {
  std::vector<NodeEntry> Records;
  std::vector<NodeRecordEntry> Data;
  std::vector<data::setWindRecord> Placements;  // RecordIndex: position in Data
  bool Valid = false;
  int Sequence = 0;
};

// The add-node dialog's texts by kind (1 to 5).
struct AddDialogTexts {
  std::string Caption, Prompt, DefaultName;
  const char* HistoryFile = nullptr;  // under the program folder; none for kind 5
};
AddDialogTexts AddDialogTextsFor(int kind);

class ProjectTree {
public:
  ProjectTree(data::TDataMd& md, workspace::ProjectState& state);
  ~ProjectTree();
  ProjectTree(const ProjectTree&) = delete;
  ProjectTree& operator=(const ProjectTree&) = delete;

  TreeItem* Root() const { return root_.get(); }
  TreeItem* Selected() const { return selected_; }
  TreeItem* FindKey(std::int32_t key) const;
  // Grows with every change of items, texts, images or order (views reset on it).
  std::uint64_t Revision() const { return revision_; }
  // Runs after the root was renamed (the main window's caption shows the project name).
  std::function<void()> ProjectNameChanged;

  // Makes an item the selected one: posts a pending record edit, makes its node
  // current (the records follow) and takes the node's highest record Id.
  void Select(TreeItem* item);

  // --- Building.
  // Empties the tree and creates the root item (key 0, the project name, image 0),
  // as opening a project does before building from the table.
  void ResetTree();
  // Empties the tree, creates the root item (key 0, the project name, image 0) and
  // re-creates the node table with the root row only, bound to its working file.
  void ResetNodeTable();
  // Adds the children of `item` from the node table, in Id order, recursively.
  void BuildTreeFromTable(TreeItem& item);

  // --- Adding, naming, order.
  // Asks for the name and count and adds a node of `kind` (1 to 5) at `target`.
  // Returns whether a node was added.
  bool AddNodeViaDialog(TreeItem& target, AddMode mode, int kind);
  // Gives the item `name`, or when a sibling has it already, the first free name in
  // its series (reporting the clash when asked). Returns whether the name changed.
  bool UniqueSiblingName(TreeItem& item, const std::string& name, bool report);
  // Sets Id of `first` and every following sibling to its position among them.
  void RenumberSiblings(TreeItem& first);
  // Renames in place; false when the edit is cancelled (too short a name).
  bool RenameItem(TreeItem& item, const std::string& text);
  // Moves the selected item after its next sibling / before its previous one.
  bool MoveDown();
  bool MoveUp();
  bool CanMoveDown() const { return selected_ && selected_->NextSibling(); }
  bool CanMoveUp() const { return selected_ && selected_->PrevSibling(); }

  // --- Deleting, copying, pasting.
  // Asks, then deletes the item's subtree with its rows and records. The root is
  // never deleted.
  bool DeleteSubtree(TreeItem& item);
  // Deletes the node rows of the subtree (with their records), without asking.
  void DeleteSubtreeRows(TreeItem& item);
  bool CopySubtree(TreeItem& item);
  bool PasteSubtree(TreeItem& item);
  void ClearNodeClipboard();
  const NodeClipboard& Clipboard() const { return clip_; }

  // --- The commands of the main window, on the selected item.
  bool InsertComponent();   // "插入构件"
  bool AppendComponent();   // "添加构件"
  bool InsertNode();        // "插入结点"
  bool AppendNode();        // "添加结点"
  bool AppendChildNode();   // "添加子节点"
  bool DeleteNode();        // "删除结点"
  bool CopyNode();          // "复制结点"
  bool PasteNode();         // "粘贴结点"
  NodeCommandStates Commands() const;

  // --- The count box ("件数") of the selected node.
  bool CountBoxEnabled() const { return selected_ && selected_->Parent(); }
  std::string CountText() const;
  // Typing into the box (swallowed at the root).
  void TypeCount(std::string_view text);
  // The spin buttons: ±1 from the box's number; nothing for an empty box.
  void StepCount(int step);
  // Enter: posts the count.
  void CountEnter();

private:
  TreeItem* AddItem(TreeItem& parent, int at, std::string text, std::int32_t key, int image);
  std::unique_ptr<TreeItem> Detach(TreeItem& item);
  bool LocateKey(std::int32_t key);
  void LocateSelected();
  std::int32_t NextFreeKeyBase();
  bool RefuseKeys(std::int64_t needed);
  std::optional<platform::AddNodeChoice> AskNode(int kind);
  void MoveAmongSiblings(int delta);
  void Touch() { ++revision_; }

  data::TDataMd& md_;
  workspace::ProjectState& state_;
  std::unique_ptr<TreeItem> root_;
  TreeItem* selected_ = nullptr;
  std::uint64_t revision_ = 0;
  NodeClipboard clip_;
  // The name box's list of the last dialog (an opening summary keeps it).
  std::filesystem::path historyPath_;
  bool buildingFromTable_ = false;
};

}  // namespace takeoff::tree
