// The project tree: building from the node table, adding through the dialog, names,
// keys and history lists, renaming, deleting, moving, the count box, copying and
// pasting subtrees, and which node commands are enabled.
#include "tree/project_tree.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "data/project_tables.h"
#include "support/data_fixture.h"
#include "support/files.h"
#include "text/line_file.h"

namespace takeoff::testing {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using tree::AddMode;
using tree::TreeItem;

struct NodeRow {
  std::int64_t Parent = 0, Type = 0;
  std::string Name;
  std::optional<std::int64_t> Num, Id;
};

// The fixture's project (root 0, component 1 with five records) shown as a tree
// named "工程一", the component selected. The key counter is still 0, as after
// opening a template.
class ProjectTreeTest : public DataFixture {
protected:
  ProjectTreeTest() {
    state.Properties[0] = G("工程一");
    tree.ResetTree();
    tree.BuildTreeFromTable(*tree.Root());
    tree.Select(tree.FindKey(1));
  }

  TreeItem& Root() { return *tree.Root(); }
  TreeItem& Item(std::int32_t key) {
    TreeItem* i = tree.FindKey(key);
    if (!i) throw std::logic_error("no item " + std::to_string(key));
    return *i;
  }
  static std::vector<std::string> Texts(const TreeItem& parent) {
    std::vector<std::string> out;
    for (int i = 0; i < parent.Count(); ++i) out.push_back(parent.Child(i)->Text);
    return out;
  }

  std::optional<NodeRow> Row(std::int64_t key) {
    const Table& n = md.CDataSet1;
    for (std::size_t i = 0; i < n.StoredRowCount(); ++i) {
      const auto& r = n.StoredRow(i);
      if (data::CellInteger(r[0]) != key) continue;
      return NodeRow{data::CellInteger(r[1]).value_or(-99), data::CellInteger(r[2]).value_or(-99),
                     std::string(data::CellText(r[3])), data::CellInteger(r[4]), data::CellInteger(r[5])};
    }
    return std::nullopt;
  }
  // Stored rows of a table whose field `field` holds `value`.
  static int CountWhere(const Table& t, const char* field, std::int64_t value) {
    const auto defs = t.StoredFieldDefs();
    std::size_t pos = 0;
    while (defs[pos].Name != field) ++pos;
    int n = 0;
    for (std::size_t i = 0; i < t.StoredRowCount(); ++i)
      if (data::CellInteger(t.StoredRow(i)[pos]) == value) ++n;
    return n;
  }

  // Adds through the dialog answering `name`; returns the new item.
  TreeItem* Add(TreeItem& target, AddMode mode, int kind, const std::string& name, std::int64_t count = 1) {
    host.AnswerAddNode(name, count);
    if (!tree.AddNodeViaDialog(target, mode, kind)) return nullptr;
    return tree.Selected();
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : host.Messages) out.push_back(m.Text);
    return out;
  }

  workspace::ProjectState state;
  tree::ProjectTree tree{md, state};
};

// ---------------------------------------------------------------------------
// Building

TEST_F(ProjectTreeTest, ResetLeavesTheRootRowAndTheRootItem) {
  tree.ResetNodeTable();
  EXPECT_EQ(Root().Text, G("工程一"));
  EXPECT_EQ(Root().Key, 0);
  EXPECT_EQ(Root().ImageIndex, 0);
  EXPECT_EQ(Root().Count(), 0);
  EXPECT_EQ(tree.Selected(), nullptr);
  ASSERT_EQ(md.CDataSet1.StoredRowCount(), 1u);
  auto r = Row(0);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Parent, -1);
  EXPECT_EQ(r->Type, 0);
  EXPECT_EQ(r->Name, "New");
  EXPECT_EQ(r->Num, 1);
  EXPECT_FALSE(r->Id);
  EXPECT_EQ(md.CDataSet1.FileName(), md.WorkingFile(data::kNodeFile));
}

TEST_F(ProjectTreeTest, BuildsChildrenInIdOrderWithImagesAndNoRenaming) {
  // Rows out of order, a grandchild, and two siblings of the same name as a file may hold them.
  AddNode(7, 0, 1, G("二层"));   // Id 7
  AddNode(3, 0, 1, G("一层"));   // Id 3
  AddNode(5, 3, 2, G("部位"));
  AddNode(6, 3, 2, G("部位"));
  tree.ResetTree();
  tree.BuildTreeFromTable(Root());
  EXPECT_EQ(Texts(Root()), (std::vector<std::string>{G("component"), G("一层"), G("二层")}));
  EXPECT_EQ(Texts(Item(3)), (std::vector<std::string>{G("部位"), G("部位")}));
  EXPECT_EQ(Item(1).ImageIndex, 5);
  EXPECT_EQ(Item(3).ImageIndex, 2);
  EXPECT_EQ(Item(5).ImageIndex, 3);
  EXPECT_EQ(Item(5).Level(), 2);
  EXPECT_TRUE(host.Messages.empty());
  // The restriction is gone afterwards: every node can be found.
  EXPECT_TRUE(md.CDataSet1.Filter().empty());
  EXPECT_TRUE(md.CDataSet1.Locate("Key", "6"));
}

// ---------------------------------------------------------------------------
// Adding

TEST_F(ProjectTreeTest, SameNameTwiceGetsTheNextInSeriesAndOneMessage) {
  TreeItem* a = Add(Root(), AddMode::LastChild, tree::kKindFloor, G("一层"), 3);
  TreeItem* b = Add(Root(), AddMode::LastChild, tree::kKindFloor, G("一层"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Texts(Root()), (std::vector<std::string>{G("component"), G("一层"), G("一层1")}));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("当前目录中\"一层\"已经存在，不能重复命名！"));
  EXPECT_EQ(host.Messages[0].Caption, MsgCaption::TipInfo);
  EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Information);

  // Keys go above the loaded key 1 although the counter was 0; one step per node.
  EXPECT_EQ(a->Key, 2);
  EXPECT_EQ(b->Key, 3);
  EXPECT_EQ(state.KeyCounter, 3);
  auto ra = Row(2), rb = Row(3);
  ASSERT_TRUE(ra && rb);
  EXPECT_EQ(ra->Parent, 0);
  EXPECT_EQ(ra->Type, 1);
  EXPECT_EQ(ra->Num, 3);
  EXPECT_EQ(rb->Name, G("一层1"));
  EXPECT_EQ(ra->Id, 1);
  EXPECT_EQ(rb->Id, 2);
  EXPECT_EQ(Row(1)->Id, 0);
  EXPECT_EQ(a->ImageIndex, 2);
  EXPECT_EQ(tree.Selected(), b);
  EXPECT_TRUE(app.Modified);
  EXPECT_GE(app.Stamps, 2);
}

TEST_F(ProjectTreeTest, ModesPlaceTheNewNode) {
  TreeItem* floor = Add(Root(), AddMode::LastChild, tree::kKindFloor, G("一层"));
  ASSERT_TRUE(floor);
  TreeItem* before = Add(*floor, AddMode::Before, tree::kKindFloor, G("地下室"));
  TreeItem* after = Add(Item(1), AddMode::LastSibling, tree::kKindFloor, G("屋面层"));
  ASSERT_TRUE(before && after);
  EXPECT_EQ(Texts(Root()), (std::vector<std::string>{G("component"), G("地下室"), G("一层"), G("屋面层")}));
  for (int i = 0; i < Root().Count(); ++i) EXPECT_EQ(Row(Root().Child(i)->Key)->Id, i);
  // The root has no siblings.
  EXPECT_FALSE(tree.AddNodeViaDialog(Root(), AddMode::Before, tree::kKindFloor));
  EXPECT_EQ(host.AddNodes.size(), 3u);
}

TEST_F(ProjectTreeTest, DialogTextsAndStoredKindByKind) {
  struct Case {
    int kind;
    const char *caption, *prompt, *name;
    int storedType;
  } cases[] = {
      {1, "新建楼层或分部", "输入新建楼层或分部名称", "新建楼层", 1},
      {2, "输入计算部位或节点", "输入计算部位或节点名称", "新建部位\\节点", 2},
      {3, "输入分类节点", "输入分类节点名称", "新建分类节点", 3},
      {4, "新建构件", "输入构件名称", "新建构件", 4},
      {5, "门窗总表", "新建门窗汇总表", "门窗汇总表", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    host.AddNodes.clear();
    TreeItem* item = Add(Root(), AddMode::LastChild, c.kind, G("节点") + std::to_string(c.kind));
    ASSERT_TRUE(item);
    ASSERT_EQ(host.AddNodes.size(), 1u);
    EXPECT_EQ(host.AddNodes[0].Caption, G(c.caption));
    EXPECT_EQ(host.AddNodes[0].Prompt, G(c.prompt));
    EXPECT_EQ(host.AddNodes[0].DefaultName, G(c.name));
    EXPECT_EQ(host.AddNodes[0].Count, 1);
    EXPECT_EQ(Row(item->Key)->Type, c.storedType);
    EXPECT_EQ(item->ImageIndex, c.storedType + 1);
  }
}

TEST_F(ProjectTreeTest, TooShortNameKeepsTheDialogOpenAndCancelAddsNothing) {
  host.AnswerAddNode("abc", 4);
  host.AnswerAddNode("abcd", 4);
  ASSERT_TRUE(tree.AddNodeViaDialog(Root(), AddMode::LastChild, tree::kKindFloor));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("请输入结点名称(至少4个字母或2个汉字)！"));
  EXPECT_EQ(host.Messages[0].Caption, MsgCaption::TipInfo);
  EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Information);
  ASSERT_EQ(host.AddNodes.size(), 2u);
  EXPECT_EQ(host.AddNodes[1].DefaultName, "abc");  // what was typed stays in the box
  EXPECT_EQ(host.AddNodes[1].Count, 4);

  const auto rows = md.CDataSet1.StoredRowCount();
  const auto counter = state.KeyCounter;
  host.CancelAddNode();
  EXPECT_FALSE(tree.AddNodeViaDialog(Root(), AddMode::LastChild, tree::kKindFloor));
  EXPECT_EQ(md.CDataSet1.StoredRowCount(), rows);
  EXPECT_EQ(state.KeyCounter, counter);
}

TEST_F(ProjectTreeTest, HistoryListsPerKindMostRecentFirst) {
  const auto file = folder.Path / "useinfo" / "Str1.ini";
  Add(Root(), AddMode::LastChild, 1, G("一层"));
  Add(Root(), AddMode::LastChild, 1, G("二层"));
  EXPECT_EQ(ReadAll(file), G("二层") + "\r\n" + G("一层") + "\r\n");
  EXPECT_EQ(host.AddNodes[1].History, (std::vector<std::string>{G("一层")}));

  // An entry cleared in the dialog is gone once the dialog is confirmed.
  host.AnswerAddNode(AddNodeAnswer{platform::AddNodeChoice{G("三层"), 1}, {G("一层")}});
  ASSERT_TRUE(tree.AddNodeViaDialog(Root(), AddMode::LastChild, 1));
  EXPECT_EQ(ReadAll(file), G("三层") + "\r\n" + G("二层") + "\r\n");

  // Components keep their own list; a summary table writes none but offers the last one.
  Add(Root(), AddMode::LastChild, 4, G("柱子"));
  EXPECT_EQ(ReadAll(folder.Path / "useinfo" / "Str4.ini"), G("柱子") + "\r\n");
  Add(Root(), AddMode::LastChild, 5, G("门窗汇总表"));
  EXPECT_EQ(host.AddNodes.back().History, (std::vector<std::string>{G("柱子")}));
  EXPECT_EQ(ReadAll(folder.Path / "useinfo" / "Str4.ini"), G("柱子") + "\r\n");
}

TEST_F(ProjectTreeTest, HistoryOfThirtyDropsTheOldest) {
  std::vector<std::string> lines;
  for (int i = 0; i < 30; ++i) lines.push_back("old" + std::to_string(i));
  ASSERT_TRUE(text::WriteLines(folder.Path / "useinfo" / "Str3.ini", lines));
  Add(Root(), AddMode::LastChild, 3, "newest");
  auto back = text::ReadLines(folder.Path / "useinfo" / "Str3.ini");
  ASSERT_EQ(back.size(), 30u);
  EXPECT_EQ(back.front(), "newest");
  EXPECT_EQ(back.back(), "old28");
}

TEST_F(ProjectTreeTest, KeysThatWouldPass65535AreRefused) {
  state.KeyCounter = 65535;
  EXPECT_FALSE(tree.AddNodeViaDialog(Root(), AddMode::LastChild, 1));
  EXPECT_TRUE(host.AddNodes.empty());  // not even asked
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("结点编号已用完（最多65535个），不能再添加结点！"));
  EXPECT_EQ(state.KeyCounter, 65535);

  state.KeyCounter = 65534;
  TreeItem* last = Add(Root(), AddMode::LastChild, 1, G("一层"));
  ASSERT_TRUE(last);
  EXPECT_EQ(last->Key, 65535);
}

// ---------------------------------------------------------------------------
// Commands and names

TEST(NodeCommandRule, DisabledTagsFollowTheSelectedKind) {
  struct Case {
    std::optional<int> kind;
    std::vector<int> disabled;
  } cases[] = {
      {std::nullopt, {1, 2, 3, 5, 6, 100}}, {0, {1, 2, 3, 5, 6, 100}}, {1, {1, 100}},
      {2, {1, 100}},                        {3, {1, 100}},             {4, {3, 4, 100}},
  };
  for (const Case& c : cases) {
    for (bool valid : {false, true}) {
      const auto s = tree::NodeCommandsFor(c.kind, valid);
      for (int tag : {0, 1, 2, 3, 4, 5, 6, 8, 11, 100}) {
        const bool off = std::find(c.disabled.begin(), c.disabled.end(), tag) != c.disabled.end();
        EXPECT_EQ(s.Enabled(tag), !off) << "kind " << c.kind.value_or(-1) << " tag " << tag;
      }
      EXPECT_EQ(s.Enabled(tree::kPasteNodeTag), valid);
    }
  }
}

TEST_F(ProjectTreeTest, ComponentSelectedAppendsASiblingAndTakesNoNodes) {
  TreeItem& component = Item(1);
  const auto cmds = tree.Commands();
  EXPECT_TRUE(cmds.Enabled(2));   // 添加构件
  EXPECT_FALSE(cmds.Enabled(3));  // 插入结点, 添加结点
  EXPECT_FALSE(cmds.Enabled(4));  // 添加子节点
  host.AnswerAddNode(G("梁一"));
  ASSERT_TRUE(tree.AppendComponent());
  EXPECT_EQ(Texts(Root()), (std::vector<std::string>{G("component"), G("梁一")}));
  EXPECT_EQ(component.Count(), 0);
  EXPECT_EQ(tree.Selected()->ImageIndex, 5);
  EXPECT_EQ(tree::SelectedImageIndex(*tree.Selected()), 7);
}

TEST_F(ProjectTreeTest, ChildNodeKindFollowsTheDepth) {
  tree.Select(&Root());
  host.AnswerAddNode(G("一层"));
  ASSERT_TRUE(tree.AppendChildNode());  // root: a floor
  TreeItem* floor = tree.Selected();
  EXPECT_EQ(Row(floor->Key)->Type, 1);
  EXPECT_TRUE(Root().Expanded);
  host.AnswerAddNode(G("部位"));
  ASSERT_TRUE(tree.AppendChildNode());
  EXPECT_EQ(Row(tree.Selected()->Key)->Type, 2);
  host.AnswerAddNode(G("分类"));
  ASSERT_TRUE(tree.AppendChildNode());
  EXPECT_EQ(Row(tree.Selected()->Key)->Type, 3);
  host.AnswerAddNode(G("分类二"));
  ASSERT_TRUE(tree.AppendChildNode());  // depth 3: still a category
  EXPECT_EQ(Row(tree.Selected()->Key)->Type, 3);
  EXPECT_EQ(tree.Selected()->Level(), 4);
  host.AnswerAddNode(G("分类三"));
  ASSERT_TRUE(tree.InsertNode());  // kind = depth 4, at most 3
  EXPECT_EQ(Row(tree.Selected()->Key)->Type, 3);

  // Adding a component to a folder-like node puts it last inside and opens the node.
  tree.Select(floor);
  host.AnswerAddNode(G("柱子"));
  ASSERT_TRUE(tree.AppendComponent());
  EXPECT_EQ(tree.Selected()->Parent(), floor);
  EXPECT_EQ(floor->Child(floor->Count() - 1), tree.Selected());
  EXPECT_TRUE(floor->Expanded);

  // Root: none of the commands that need a parent.
  tree.Select(&Root());
  EXPECT_FALSE(tree.InsertComponent());
  EXPECT_FALSE(tree.InsertNode());
  EXPECT_FALSE(tree.DeleteNode());
}

TEST_F(ProjectTreeTest, UniqueSiblingNameWalksTheSeries) {
  struct Case {
    const char* taken;
    const char* name;
    const char* expected;
  } cases[] = {
      {"一层", "一层", "一层1"},
      {"一层9", "一层9", "一层10"},
      {"1234", "1234", "新建结点1235"},
      {"AM09", "AM09", "AM10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tree.ResetNodeTable();
    Add(Root(), AddMode::LastChild, 1, G(c.taken));
    TreeItem* item = Add(Root(), AddMode::LastChild, 1, "placeholder");
    ASSERT_TRUE(item);
    EXPECT_TRUE(tree.UniqueSiblingName(*item, G(c.name), false));
    EXPECT_EQ(item->Text, G(c.expected));
  }
  // Several taken in a row; the report comes once, for the name asked for.
  host.Messages.clear();
  Add(Root(), AddMode::LastChild, 1, G("1234"));
  Add(Root(), AddMode::LastChild, 1, G("1234"));  // clashes: becomes 新建结点1235
  Add(Root(), AddMode::LastChild, 1, G("新建结点1236"));
  host.Messages.clear();
  TreeItem* x = Add(Root(), AddMode::LastChild, 1, G("新建结点1235"));
  ASSERT_TRUE(x);
  EXPECT_EQ(x->Text, G("新建结点1237"));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{G("当前目录中\"新建结点1235\"已经存在，不能重复命名！")}));
  // The root is never compared.
  EXPECT_FALSE(tree.UniqueSiblingName(Root(), G("1234"), true));
}

// ---------------------------------------------------------------------------
// Renaming, moving, deleting, the count box

TEST_F(ProjectTreeTest, RenameInPlace) {
  TreeItem* a = Add(Root(), AddMode::LastChild, 1, G("一层"));
  TreeItem* b = Add(Root(), AddMode::LastChild, 1, G("二层"));
  host.Messages.clear();
  EXPECT_FALSE(tree.RenameItem(*b, "abc"));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{G("请输入结点名称(至少4个字母或2个汉字)！")}));
  EXPECT_EQ(b->Text, G("二层"));

  host.Messages.clear();
  ASSERT_TRUE(tree.RenameItem(*b, G("一层")));
  EXPECT_EQ(b->Text, G("一层1"));
  EXPECT_EQ(Row(b->Key)->Name, G("一层1"));
  EXPECT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(a->Text, G("一层"));

  // A long name is kept on screen and cut to 24 bytes in the table.
  ASSERT_TRUE(tree.RenameItem(*a, G("一二三四五六七八九十一二三")));
  EXPECT_EQ(Row(a->Key)->Name, G("一二三四五六七八九十一二"));

  int captions = 0;
  tree.ProjectNameChanged = [&] { ++captions; };
  app.Modified = false;
  ASSERT_TRUE(tree.RenameItem(Root(), G("新工程名")));
  EXPECT_EQ(state.Properties[0], G("新工程名"));
  EXPECT_EQ(Root().Text, G("新工程名"));
  EXPECT_EQ(Row(0)->Name, "root");  // the root row keeps its own name
  EXPECT_EQ(captions, 1);
  EXPECT_TRUE(app.Modified);
}

TEST_F(ProjectTreeTest, MovingAmongSiblings) {
  Add(Root(), AddMode::LastChild, 1, G("一层"));
  Add(Root(), AddMode::LastChild, 1, G("二层"));
  auto order = [&] { return Texts(Root()); };
  const std::vector<std::string> start{G("component"), G("一层"), G("二层")};

  tree.Select(&Item(1));
  EXPECT_FALSE(tree.CanMoveUp());
  EXPECT_FALSE(tree.MoveUp());  // the first up: nothing
  EXPECT_EQ(order(), start);
  tree.Select(Root().Child(2));
  EXPECT_FALSE(tree.MoveDown());  // the last down: nothing
  EXPECT_EQ(order(), start);

  tree.Select(&Item(1));
  ASSERT_TRUE(tree.MoveDown());
  EXPECT_EQ(order(), (std::vector<std::string>{G("一层"), G("component"), G("二层")}));
  EXPECT_TRUE(tree.CanMoveUp());
  ASSERT_TRUE(tree.MoveDown());
  EXPECT_EQ(order(), (std::vector<std::string>{G("一层"), G("二层"), G("component")}));
  EXPECT_FALSE(tree.CanMoveDown());
  ASSERT_TRUE(tree.MoveUp());
  EXPECT_EQ(order(), (std::vector<std::string>{G("一层"), G("component"), G("二层")}));
  for (int i = 0; i < Root().Count(); ++i) EXPECT_EQ(Row(Root().Child(i)->Key)->Id, i);
  // The selected node is still the current row: its records show.
  EXPECT_EQ(Names(), (std::vector<std::string>{"R1", "R2", "R3", "R4", "R5"}));
}

TEST_F(ProjectTreeTest, DeleteRemovesTheSubtreeRowsRecordsAndPlacements) {
  TreeItem* floor = Add(Root(), AddMode::LastChild, 1, G("一层"));
  TreeItem* loc = Add(*floor, AddMode::LastChild, 2, G("部位"));
  ASSERT_TRUE(floor && loc);
  AddRecord("L1", "1");
  Place("M1", 2, 0);
  const std::int32_t floorKey = floor->Key, locKey = loc->Key;
  tree.Select(floor);
  AddRecord("F1", "1");

  host.Answer(MsgAnswer::No);
  EXPECT_FALSE(tree.DeleteNode());
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("是否删除一层结点所有数据？"));
  EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Question);
  EXPECT_EQ(host.Messages[0].Buttons, MsgButtons::YesNo);
  EXPECT_TRUE(Row(locKey));

  host.Answer(MsgAnswer::Yes);
  app.Modified = false;
  ASSERT_TRUE(tree.DeleteNode());
  EXPECT_FALSE(Row(floorKey));
  EXPECT_FALSE(Row(locKey));
  EXPECT_EQ(CountWhere(md.dataCDataset, "Parent", floorKey), 0);
  EXPECT_EQ(CountWhere(md.dataCDataset, "Parent", locKey), 0);
  EXPECT_EQ(md.DataSetWin.StoredRowCount(), 0u);
  EXPECT_EQ(CountWhere(md.dataCDataset, "Parent", 1), 5);
  EXPECT_EQ(tree.FindKey(locKey), nullptr);
  EXPECT_EQ(tree.Selected(), &Item(1));  // the previous sibling takes the selection
  EXPECT_TRUE(app.Modified);

  tree.Select(&Root());
  EXPECT_FALSE(tree.DeleteNode());  // the root: not even asked
  EXPECT_EQ(host.Messages.size(), 2u);
}

TEST_F(ProjectTreeTest, CountBox) {
  EXPECT_TRUE(tree.CountBoxEnabled());
  EXPECT_EQ(tree.CountText(), "");  // the fixture's component has no count
  tree.StepCount(1);                // an empty box: nothing
  EXPECT_EQ(md.CDataSet1.State(), TableState::Browse);

  tree.TypeCount("5");
  EXPECT_EQ(md.CDataSet1.State(), TableState::Edit);
  tree.StepCount(1);
  tree.StepCount(1);
  tree.StepCount(-10);  // no lower bound
  EXPECT_EQ(tree.CountText(), "-3");
  tree.CountEnter();
  EXPECT_EQ(md.CDataSet1.State(), TableState::Browse);
  EXPECT_EQ(Row(1)->Num, -3);

  tree.Select(&Root());
  EXPECT_FALSE(tree.CountBoxEnabled());
  tree.TypeCount("9");  // swallowed
  tree.StepCount(1);
  EXPECT_EQ(md.CDataSet1.State(), TableState::Browse);
  EXPECT_EQ(Row(0)->Num, std::nullopt);
}

// ---------------------------------------------------------------------------
// Copying and pasting

TEST_F(ProjectTreeTest, CopyFloorPasteOnAComponentOfAnotherFloor) {
  TreeItem* floor = Add(Root(), AddMode::LastChild, 1, G("一层"));
  TreeItem* loc1 = Add(*floor, AddMode::LastChild, 2, G("部位一"), 2);
  AddRecord("A1", "1+1");
  Records().Edit();
  Records().SetAsString(R("TU"), "T1");
  Records().SetAsString(R("TH"), "H1");
  Records().SetAsString(R("AX1"), "X1");
  Records().Post();
  Place("M1", 3, 1);
  AddRecord("A2", "2");
  Add(*floor, AddMode::LastChild, 2, G("部位二"));
  AddRecord("B1", "7");
  Place("C1", 1, 0);
  Place("C2", 4, 0);
  TreeItem* other = Add(Root(), AddMode::LastChild, 1, G("二层"));
  TreeItem* column = Add(*other, AddMode::LastChild, 4, G("柱子"));
  ASSERT_TRUE(floor && loc1 && column);
  const std::size_t placements = md.DataSetWin.StoredRowCount();

  tree.Select(floor);
  ASSERT_TRUE(tree.CopyNode());
  EXPECT_TRUE(tree.Commands().Enabled(tree::kPasteNodeTag));
  const auto& clip = tree.Clipboard();
  ASSERT_EQ(clip.Records.size(), 3u);
  EXPECT_EQ(clip.Records[1].ParentSeq, 1);
  EXPECT_EQ(clip.Records[2].ParentSeq, 1);
  EXPECT_EQ(clip.Data.size(), 3u);
  EXPECT_EQ(clip.Placements.size(), 3u);

  const std::int32_t counter = state.KeyCounter;
  host.Messages.clear();
  tree.Select(column);
  ASSERT_TRUE(tree.PasteNode());
  EXPECT_TRUE(host.Messages.empty());
  ASSERT_EQ(other->Count(), 2);
  TreeItem* copy = other->Child(1);
  EXPECT_EQ(copy->Text, G("一层"));
  EXPECT_EQ(copy->Key, counter + 1);
  EXPECT_EQ(Texts(*copy), (std::vector<std::string>{G("部位一"), G("部位二")}));
  EXPECT_EQ(copy->Child(0)->Key, counter + 2);
  EXPECT_EQ(copy->Child(1)->Key, counter + 3);
  EXPECT_EQ(copy->ImageIndex, 2);
  EXPECT_EQ(copy->Child(0)->ImageIndex, 3);
  EXPECT_EQ(state.KeyCounter, counter + 3);
  EXPECT_EQ(Row(counter + 1)->Parent, other->Key);
  EXPECT_EQ(Row(counter + 2)->Parent, counter + 1);
  EXPECT_EQ(Row(counter + 2)->Num, 2);
  EXPECT_EQ(Row(counter + 1)->Id, 1);
  EXPECT_EQ(tree.Selected(), other);

  // The records, numbered per node, without the drawing references; the placements with them.
  EXPECT_EQ(CountWhere(Records(), "Parent", counter + 2), 2);
  EXPECT_EQ(CountWhere(Records(), "Parent", counter + 3), 1);
  tree.Select(copy->Child(0));
  EXPECT_EQ(Names(), (std::vector<std::string>{"A1", "A2"}));
  EXPECT_EQ(Ids(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Column("BDS"), (std::vector<std::string>{"1+1", "2"}));
  EXPECT_EQ(Column("Val"), (std::vector<std::string>{"2.00", "2.00"}));
  EXPECT_EQ(Column("TU"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Column("TH"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Column("AX1")[0], "X1");
  EXPECT_EQ(md.DataSetWin.StoredRowCount(), placements + 3);
  Records().First();
  ASSERT_EQ(md.DataSetWin.RecordCount(), 1);
  EXPECT_EQ(md.DataSetWin.AsString(md.DataSetWin.FieldNo("Name")), "M1");
  EXPECT_EQ(md.DataSetWin.AsInteger(md.DataSetWin.FieldNo("Num")), 3);
  EXPECT_EQ(md.DataSetWin.AsInteger(md.DataSetWin.FieldNo("Side")), 1);
  EXPECT_TRUE(md.DataSetWin.AsBoolean(md.DataSetWin.FieldNo("ifgetS")));

  // Once only.
  EXPECT_FALSE(tree.Clipboard().Valid);
  EXPECT_FALSE(tree.Commands().Enabled(tree::kPasteNodeTag));
  EXPECT_FALSE(tree.PasteNode());
  EXPECT_EQ(state.KeyCounter, counter + 3);
}

TEST_F(ProjectTreeTest, PasteBesideTheOriginalRenamesSilently) {
  TreeItem* floor = Add(Root(), AddMode::LastChild, 1, G("一层"));
  ASSERT_TRUE(tree.CopySubtree(*floor));
  host.Messages.clear();
  ASSERT_TRUE(tree.PasteSubtree(Root()));
  EXPECT_EQ(Texts(Root()), (std::vector<std::string>{G("component"), G("一层"), G("一层1")}));
  EXPECT_EQ(Row(Root().Child(2)->Key)->Name, G("一层1"));
  EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ProjectTreeTest, CopyRefusesTheRootAndPasteRefusesSpentKeys) {
  ASSERT_TRUE(tree.CopySubtree(Item(1)));
  EXPECT_FALSE(tree.CopySubtree(Root()));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, G("不能复制整个工程！"));
  EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Warning);
  EXPECT_FALSE(tree.Clipboard().Valid);

  Add(Root(), AddMode::LastChild, 1, G("一层"));
  TreeItem* floor = Add(Root(), AddMode::LastChild, 1, G("二层"));
  Add(*floor, AddMode::LastChild, 2, G("部位"));
  ASSERT_TRUE(tree.CopySubtree(*floor));
  state.KeyCounter = 65534;  // two keys needed, one left
  const auto rows = md.CDataSet1.StoredRowCount();
  host.Messages.clear();
  EXPECT_FALSE(tree.PasteSubtree(Root()));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{G("结点编号已用完（最多65535个），不能再添加结点！")}));
  EXPECT_EQ(md.CDataSet1.StoredRowCount(), rows);
  EXPECT_EQ(state.KeyCounter, 65534);
}

}  // namespace
}  // namespace takeoff::testing
