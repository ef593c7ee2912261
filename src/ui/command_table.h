#pragma once
// The command table of the main window: every user command with its name, caption,
// shortcut key, tag, hint and placements, and the layout of the menus, tool bars
// and pop-up menus built from it. Menus, tool bars, pop-ups and keys all share one
// entry per command; what a command does is the controller's (main_controller.h).
//
// Captions and hints are code page 936; keys are written as "Ctrl+Alt+X", "Insert",
// "F2" (portable key texts).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::ui {

// Where a command appears.
enum Place : std::uint32_t {
  kFileMenu = 1u << 0,
  kSettingsMenu = 1u << 1,
  kNodeMenu = 1u << 2,
  kRecordMenu = 1u << 3,
  kTextMenu = 1u << 4,
  kHelpMenu = 1u << 5,
  kFunctionMenu = 1u << 6,
  kTreePopup = 1u << 7,
  kGridPopup = 1u << 8,
  kQuotaPopup = 1u << 9,
  kFileBar = 1u << 10,
  kSettingsBar = 1u << 11,
  kNodeBar = 1u << 12,
  kRecordBar = 1u << 13,
  kTextBar = 1u << 14,
  kProjectBar = 1u << 15,     // the node-down and node-up buttons
  kBracketButton = 1u << 16,  // the bracket button of the formula bar
};

struct Command {
  std::string Name;     // "ActionNew"
  std::string Caption;  // "新建工程"
  std::string Key;      // "Ctrl+N", empty when none
  int Tag = 0;          // 1-7 node, 8-11 record, 12-13 quota and search commands
  std::uint32_t Places = 0;
  std::string Hint;     // the tooltip: the caption, unless the command keeps its own
  // A command whose window a later version brings: shown, never enabled.
  bool Built = true;
  // A wrapping command: what it puts in front of the selection ("(", "SQRT(", "[").
  std::string WrapOpen;
};

// Every command, in table order.
const std::vector<Command>& CommandTable();
// The command named `name`, or nullptr.
const Command* FindCommand(std::string_view name);

// A menu or bar: its title and its entries, command names in order, "-" for a
// separator.
struct MenuLayout {
  std::string Title;  // code page 936; empty for bars and pop-ups
  std::vector<std::string> Entries;
};

inline constexpr std::string_view kSeparator = "-";

// The main menu, left to right (the file menu is followed by the recent files).
const std::vector<MenuLayout>& MainMenus();
// The five command bars of the tool-bar band, in order (file, settings, node,
// record, text); the quota-library box is the sixth bar.
const std::vector<MenuLayout>& ToolBars();
// The pop-up menus.
const MenuLayout& TreePopupMenu();
const MenuLayout& GridPopupMenu();
const MenuLayout& QuotaPopupMenu();
const MenuLayout& FunctionMenu();

}  // namespace takeoff::ui
