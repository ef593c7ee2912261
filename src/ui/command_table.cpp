#include "ui/command_table.h"

#include <algorithm>

#include "text/gbk.h"

namespace takeoff::ui {
namespace {

using text::Gbk;

struct Row {
  const char* Name;
  const char* Caption;  // UTF-8 here, code page 936 in the table
  const char* Key;
  int Tag;
  std::uint32_t Places;
  bool Built;
  const char* Hint = nullptr;  // a tooltip of its own
};

// Commands whose windows come with later versions are listed with Built = false.
constexpr Row kRows[] = {
    {"ActionNew", "新建工程", "Ctrl+N", 0, kFileMenu | kFileBar, true},
    {"ActionOpen", "打开工程", "Ctrl+O", 0, kFileMenu | kFileBar, true},
    {"ActionSave", "保存工程", "Ctrl+S", 0, kFileMenu | kFileBar, true},
    {"ActionSaveAs", "另 存 为", "", 0, kFileMenu, true},
    {"ActionPrint", "打印及预览", "Ctrl+P", 0, kFileMenu | kFileBar, false},
    {"ActionExit", "退    出", "Ctrl+Alt+X", 0, kFileMenu, true},
    {"Action_SysSet", "系统及概况", "Ctrl+Alt+S", 0, kSettingsMenu | kSettingsBar, false},
    {"NewDe", "装新定额", "", 0, kSettingsMenu, false},
    {"ActionGSK", "编辑公式库", "", 0, kSettingsMenu | kSettingsBar, false},
    {"Action_SetWin", "定义布置门窗", "Ctrl+W", 0, kSettingsMenu | kSettingsBar, false},
    {"ActionInsertGJ", "插入构件", "Ctrl+I", 1, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionApend", "添加构件", "Ctrl+J", 2, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionInsertNode", "插入结点", "Ctrl+Alt+I", 3, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionApendNode", "添加结点", "Ctrl+Alt+A", 3, kNodeMenu | kTreePopup, true},
    {"ActionApendCdNode", "添加子节点", "", 4, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionDelNode", "删除结点", "Ctrl+Alt+D", 5, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionCopyNode", "复制结点", "Ctrl+Alt+C", 6, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionPastNode", "粘贴结点", "Ctrl+Alt+P", 7, kNodeMenu | kTreePopup | kNodeBar, true},
    {"ActionSaveM", "保存工程模板", "", 0, kNodeMenu | kTreePopup, true},
    {"ActionOpenM", "打开工程模板", "", 0, kNodeMenu | kTreePopup, true},
    {"ActionInsetL", "插入一行", "Insert", 11, kRecordMenu | kGridPopup | kRecordBar, true},
    {"ActionAddData", "添加数据", "Alt+A", 11, kRecordMenu | kGridPopup | kRecordBar, true},
    {"ActionCopyData", "复制数据", "Alt+C", 8, kRecordMenu | kGridPopup | kRecordBar, true},
    {"ActionPastData", "粘贴数据", "Alt+V", 9, kRecordMenu | kGridPopup | kRecordBar, true},
    {"ActionDelData", "删除数据", "Alt+Delete", 10, kRecordMenu | kGridPopup | kRecordBar, true},
    {"Action_MultGetDe", "批量套定额", "Alt+M", 12, kRecordMenu | kGridPopup | kRecordBar, false},
    {"ActionFormat", "定额格式刷", "", 0, kRecordMenu | kGridPopup | kRecordBar, false,
     "将当前定额复制到其他数据，Shift+鼠标左键刷新目标数据"},
    {"Action_Prv", "小计预览", "F2", 0, kRecordMenu | kRecordBar, false},
    {"ActionTextCopy", "复制文本", "Ctrl+C", 0, kTextMenu | kTextBar, true},
    {"ActionTextCut", "剪辑文本", "Ctrl+X", 0, kTextMenu | kTextBar, true},
    {"ActionTextPast", "粘贴文本", "Ctrl+V", 0, kTextMenu | kTextBar, true},
    {"ActionTextUnDo", "返回文本", "Ctrl+Z", 0, kTextMenu, true},
    {"ActionShowVal", "变量列表", "Ctrl+B", 0, kTextMenu | kTextBar, true},
    {"ActionFind", "搜索/替换数据", "Ctrl+F", 13, kTextMenu | kTreePopup | kTextBar, false},
    {"ActionWJ", "五金手册", "", 0, kTextMenu | kTextBar, true},
    {"ActionFH", "特殊符号", "", 0, kTextMenu | kTextBar, true, "插入特殊符号"},
    {"Action_Qute", "选中表达式加括号，下拉自动调用函数", "Ctrl+Q", 0, kBracketButton, true},
    {"Action_Qute1", " —(X) - 加括号取负", "Alt+Q", 0, kFunctionMenu, true},
    {"Action_Focus_DG2StrG", "Action1", "F12", 0, 0, true},
    {"Action_TV2Focused", "Action_TV2Focused", "F11", 0, 0, true},
    {"ActionCreatBDS", "ActionCreatBDS", "Ctrl+Return", 0, 0, false},
    // Entries outside the table proper: the help menu, the pop-ups' own entries and
    // the node-order buttons of the project bar.
    {"ActionAbout", "关于本软件", "", 0, kHelpMenu, true},
    {"ActionHelp", "使用说明", "F1", 0, kHelpMenu, true},
    {"ActionUserDe", "自建定额库", "", 0, kGridPopup, false},
    {"ActionDelBcDe", "删除补充定额", "", 0, kQuotaPopup, false},
    {"ToolButton27", "节点下移", "", 0, kProjectBar, true},
    {"ToolButton26", "节点上移", "", 0, kProjectBar, true},
};

// The function menu after its first entry: caption, and what opens the wrapping.
struct FunctionRow {
  const char* Name;
  const char* Caption;
};
constexpr FunctionRow kFunctions[] = {
    {"FuncNote", "[注释] - 注释选中字符"},   {"FuncSQR", "SQR(X) - 平方"},
    {"FuncVQR", "VQR(X) - 三次方"},         {"FuncSQRT", "SQRT(X) - 开平方"},
    {"FuncSIN", "SIN(X) - 正弦"},           {"FuncCOS", "COS(X) - 余弦"},
    {"FuncTAN", "TAN(X) - 正切"},           {"FuncCOT", "COT(X) - 余切"},
    {"FuncArcCos", "ArcCos(X) - 反余弦"},   {"FuncArcSin", "ArcSin(X) - 反正弦"},
    {"FuncArcCot", "ArcCot(X) - 反余切"},   {"FuncArcTan", "ArcTan(X) - 反正切"},
    {"FuncYMJ", "YMJ(R) - 圆面积(半径)"},   {"FuncYZC", "YZC(R) - 圆周长(半径)"},
    {"FuncQTJ", "QTJ(R) - 球体积(半径)"},   {"FuncQMJ", "QMJ(X) - 球面积(半径)"},
};

std::vector<Command> BuildTable() {
  std::vector<Command> table;
  for (const Row& r : kRows) {
    Command c;
    c.Name = r.Name;
    c.Caption = Gbk(r.Caption);
    c.Key = r.Key;
    c.Tag = r.Tag;
    c.Places = r.Places;
    c.Built = r.Built;
    c.Hint = r.Hint ? Gbk(r.Hint) : c.Caption;
    table.push_back(std::move(c));
  }
  for (Command& c : table)
    if (c.Name == "Action_Qute")
      c.WrapOpen = "(";
    else if (c.Name == "Action_Qute1")
      c.WrapOpen = "-(";
  for (const FunctionRow& f : kFunctions) {
    Command c;
    c.Name = f.Name;
    c.Caption = Gbk(f.Caption);
    c.Places = kFunctionMenu;
    c.Hint = c.Caption;
    // "[" for the comment entry, else the caption up to and including its "(".
    c.WrapOpen = c.Caption.front() == '[' ? "[" : c.Caption.substr(0, c.Caption.find('(') + 1);
    table.push_back(std::move(c));
  }
  return table;
}

MenuLayout Layout(const char* title, std::vector<std::string> entries) {
  return MenuLayout{title ? Gbk(title) : std::string(), std::move(entries)};
}

}  // namespace

const std::vector<Command>& CommandTable() {
  static const std::vector<Command> table = BuildTable();
  return table;
}

const Command* FindCommand(std::string_view name) {
  const std::vector<Command>& t = CommandTable();
  auto it = std::find_if(t.begin(), t.end(), [&](const Command& c) { return c.Name == name; });
  return it == t.end() ? nullptr : &*it;
}

const std::vector<MenuLayout>& MainMenus() {
  static const std::vector<MenuLayout> menus = {
      Layout(" 文  件(&F) ", {"ActionNew", "ActionOpen", "-", "ActionSave", "ActionSaveAs", "-", "ActionPrint", "-",
                             "ActionExit", "-"}),
      Layout("系统设置(&S)", {"Action_SysSet", "NewDe", "ActionGSK", "Action_SetWin"}),
      Layout("结点操作(&O)", {"ActionInsertGJ", "ActionApend", "-", "ActionInsertNode", "ActionApendNode",
                              "ActionApendCdNode", "-", "ActionDelNode", "ActionCopyNode", "ActionPastNode", "-",
                              "ActionSaveM", "ActionOpenM"}),
      Layout("记录操作(&D)", {"ActionInsetL", "ActionAddData", "-", "ActionCopyData", "ActionPastData",
                              "ActionDelData", "-", "Action_MultGetDe", "ActionFormat", "Action_Prv"}),
      Layout("文本编辑(&E)", {"ActionTextCopy", "ActionTextCut", "ActionTextPast", "ActionTextUnDo", "-",
                              "ActionShowVal", "ActionFind", "-", "ActionWJ", "ActionFH"}),
      Layout("使用指南(&H)", {"ActionAbout", "ActionHelp"}),
  };
  return menus;
}

const std::vector<MenuLayout>& ToolBars() {
  static const std::vector<MenuLayout> bars = {
      Layout(nullptr, {"ActionNew", "ActionOpen", "ActionSave", "ActionPrint"}),
      Layout(nullptr, {"Action_SysSet", "Action_SetWin", "ActionGSK"}),
      Layout(nullptr, {"ActionApendCdNode", "ActionInsertNode", "ActionCopyNode", "ActionPastNode", "-",
                       "ActionApend", "ActionInsertGJ", "-", "ActionDelNode"}),
      Layout(nullptr, {"ActionInsetL", "ActionAddData", "-", "ActionCopyData", "ActionPastData", "ActionDelData", "-",
                       "Action_MultGetDe", "ActionFormat", "Action_Prv"}),
      Layout(nullptr, {"ActionFind", "ActionShowVal", "-", "ActionTextCopy", "ActionTextCut", "ActionTextPast", "-",
                       "ActionWJ", "ActionFH"}),
  };
  return bars;
}

const MenuLayout& TreePopupMenu() {
  static const MenuLayout m =
      Layout(nullptr, {"ActionInsertGJ", "ActionApend", "-", "ActionInsertNode", "ActionApendNode",
                       "ActionApendCdNode", "-", "ActionCopyNode", "ActionPastNode", "ActionDelNode", "-",
                       "ActionFind", "-", "ActionSaveM", "ActionOpenM"});
  return m;
}

const MenuLayout& GridPopupMenu() {
  static const MenuLayout m =
      Layout(nullptr, {"ActionInsetL", "ActionAddData", "-", "ActionCopyData", "ActionPastData", "ActionDelData", "-",
                       "Action_MultGetDe", "ActionFormat", "-", "ActionUserDe"});
  return m;
}

const MenuLayout& QuotaPopupMenu() {
  static const MenuLayout m = Layout(nullptr, {"ActionDelBcDe"});
  return m;
}

const MenuLayout& FunctionMenu() {
  static const MenuLayout m = [] {
    MenuLayout l;
    l.Entries.push_back("Action_Qute1");
    for (const FunctionRow& f : kFunctions) l.Entries.push_back(f.Name);
    return l;
  }();
  return m;
}

}  // namespace takeoff::ui
