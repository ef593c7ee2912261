#include "ui/variables_window.h"

#include <algorithm>
#include <array>

#include "data/data_module.h"
#include "data/decimal.h"
#include "data/table.h"
#include "engine/number_text.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::ui {

using data::Table;
using data::TableState;
using data::Value;
using text::Gbk;

namespace {

// The opening parameters a reference can name.
constexpr std::array<std::string_view, 5> kParameterFields = {"S", "L", "W1", "W2", "H"};

bool Editing(const Table& t) { return t.State() == TableState::Edit || t.State() == TableState::Insert; }

// The current row's name, "" when the table shows no row.
std::string CurrentName(const Table& t) {
  if (!t.Active() || (t.IsEmpty() && t.State() != TableState::Insert)) return {};
  return t.AsString(t.FieldNo("Name"));
}

// A cell fetched with ValueAt as Table::AsString reads it for the current row.
std::string CellAsString(const Value& v, const data::FieldDef& f) {
  if (data::IsNull(v)) return {};
  if (v.IsText()) return std::string(data::CellText(v));
  if (v.IsDouble()) return engine::FormatNumberText(v.Double());
  const std::int64_t n = v.Int();
  switch (f.Type) {
    case data::FieldType::Bool: return n ? "True" : "False";
    case data::FieldType::Decimal: {
      std::string s = data::DecimalToText(n, f.Size);
      if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
      }
      return s;
    }
    default: return std::to_string(n);
  }
}

// The rows a grid over `t` shows: the table's rows and the one being inserted.
int ShownRows(const Table& t) {
  if (!t.Active()) return 0;
  return t.RecordCount() + (t.State() == TableState::Insert ? 1 : 0);
}

}  // namespace

VariablesWindow::VariablesWindow(data::TDataMd& md, platform::Host& host, const std::string& insertionTarget)
    : md_(md), host_(host), target_(insertionTarget) {}

const std::string& VariablesWindow::Caption() {
  static const std::string s = Gbk("变量列表");
  return s;
}

const std::string& VariablesWindow::PageTitle(VariablesPage page) {
  static const std::string user = Gbk("用户自定义变量"), openings = Gbk("门窗参数自动变量");
  return page == VariablesPage::UserVariables ? user : openings;
}

const std::string& VariablesWindow::PagesHint() {
  static const std::string s = Gbk("门窗参数自动变量在门窗表建立时自动完成");
  return s;
}

const std::string& VariablesWindow::OpeningsHint() {
  static const std::string s =
      Gbk("洞口面积=&[XX_S]\r\n侧边长=&[XX_L]\r\n洞低宽=&[XX_W1]\r\n洞顶宽=&[XX_W2]\r\n洞口高=&[XX_H]");
  return s;
}

const std::string& VariablesWindow::VariablesHint() {
  static const std::string s = Gbk("双击调用变量");
  return s;
}

const std::vector<TableColumn>& VariablesWindow::VariableColumns() {
  static const std::vector<TableColumn> columns = {
      {"AutoId", Gbk("序"), true, true},  // the row number, calculated
      {"Name", Gbk("变量名称"), false, false},
      {"BDS", Gbk("计   算   式"), false, false},
      {"Val", Gbk("数 值"), true, false},
      {"Mem", Gbk("说  明"), false, false},
  };
  return columns;
}

const std::vector<TableColumn>& VariablesWindow::OpeningColumns() {
  static const std::vector<TableColumn> columns = {
      {"Name", Gbk("门窗名称"), true, false}, {"Type", Gbk("形状"), true, false},
      {"S", Gbk("洞面口积"), true, false},    {"L", Gbk("侧边长"), true, false},
      {"W1", Gbk("洞底宽"), true, false},     {"W2", Gbk("洞顶宽"), true, false},
      {"H", Gbk("洞口高"), true, false},
  };
  return columns;
}

void VariablesWindow::StorePendingEdit() {
  Table& v = md_.DataSetVal;
  if (v.Active() && Editing(v)) v.Post();
}

void VariablesWindow::Insert(const std::string& text) {
  host_.SetClipboardText(text);
  host_.PasteInto(target_);
}

void VariablesWindow::InsertVariableReference(std::string_view selectedField) {
  try {
    if (page_ == VariablesPage::OpeningParameters) {
      if (std::find(kParameterFields.begin(), kParameterFields.end(), selectedField) == kParameterFields.end()) return;
      const std::string name = CurrentName(md_.DataWindows);
      if (!name.empty()) Insert("&[" + name + "_" + std::string(selectedField) + "]");
      return;
    }
    StorePendingEdit();
    const std::string name = CurrentName(md_.DataSetVal);
    if (!name.empty()) Insert("$[" + name + "]");
  } catch (const data::Abort&) {
  }
}

void VariablesWindow::AddVariable() {
  if (!EditCommandsEnabled()) return;
  try {
    md_.DataSetVal.Append();
  } catch (const data::Abort&) {
  }
}

void VariablesWindow::InsertVariable() {
  if (!EditCommandsEnabled()) return;
  try {
    md_.DataSetVal.Insert();
  } catch (const data::Abort&) {
  }
}

void VariablesWindow::DeleteVariable() {
  if (!EditCommandsEnabled()) return;
  Table& v = md_.DataSetVal;
  try {
    if (v.Active() && !v.IsEmpty()) v.Delete();
  } catch (const data::Abort&) {
  }
}

void VariablesWindow::Close() {
  try {
    StorePendingEdit();
  } catch (const data::Abort&) {
  }
}

std::string VariablesWindow::EnterKey(std::string_view currentField) {
  const std::vector<TableColumn>& columns = VariableColumns();
  auto it = std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) { return c.Field == currentField; });
  if (it == columns.end()) return std::string(currentField);
  for (++it; it != columns.end(); ++it)
    if (it->Field != "Val") return it->Field;

  // From the last column: the first column of the next row. The end flag is the one
  // an earlier move left; at the last row the first Enter only finds the end.
  Table& v = md_.DataSetVal;
  try {
    if (v.Eof()) v.Append();
    else v.Next();
  } catch (const data::Abort&) {
  }
  return columns.front().Field;
}

Table& VariablesWindow::PageTable(VariablesPage page) const {
  return page == VariablesPage::UserVariables ? md_.DataSetVal : md_.DataWindows;
}

int VariablesWindow::GridRowCount(VariablesPage page) const {
  const Table& t = PageTable(page);
  const int rows = ShownRows(t);
  return rows == 0 && t.Active() && page == VariablesPage::UserVariables ? 1 : rows;
}

int VariablesWindow::CurrentGridRow(VariablesPage page) const {
  const Table& t = PageTable(page);
  if (!t.Active()) return 0;
  if (t.State() == TableState::Insert) return t.RecNo();
  if (t.IsEmpty()) return page == VariablesPage::UserVariables ? 1 : 0;
  return t.RecNo();
}

std::string VariablesWindow::GridCellText(VariablesPage page, int row, std::string_view field) {
  Table& t = PageTable(page);
  if (!t.Active() || row < 1 || row > ShownRows(t)) return {};
  const int f = t.FieldIndex(field);
  if (f < 0) return {};
  int recNo = row;
  if (t.State() == TableState::Insert) {
    const int inserting = t.RecNo();
    if (row == inserting) return t.AsString(f);
    if (row > inserting) --recNo;
  }
  return CellAsString(t.ValueAt(recNo, f), t.FieldDefs()[static_cast<std::size_t>(f)]);
}

void VariablesWindow::SelectGridRow(VariablesPage page, int row) {
  if (row == CurrentGridRow(page)) return;
  Table& t = PageTable(page);
  if (!t.Active()) return;
  try {
    if (page == VariablesPage::UserVariables) StorePendingEdit();
    // The tables keep their rows in insertion order, so a row just stored stands
    // where the grid showed it and the row numbers of the others are as shown.
    const int target = std::min(row, t.RecordCount());
    if (target >= 1) t.SetRecNo(target);
  } catch (const data::Abort&) {
  }
}

void VariablesWindow::SetVariableField(int row, std::string_view field, std::string_view text) {
  const std::vector<TableColumn>& columns = VariableColumns();
  const auto column =
      std::find_if(columns.begin(), columns.end(), [&](const TableColumn& c) { return c.Field == field; });
  if (column == columns.end() || column->ReadOnly) return;
  Table& v = md_.DataSetVal;
  if (!v.Active()) return;
  SelectGridRow(VariablesPage::UserVariables, row);
  const int f = v.FieldNo(field);
  try {
    const bool onRow = !v.IsEmpty() || v.State() == TableState::Insert;
    if (onRow ? v.AsString(f) == text : text.empty()) return;
    if (!Editing(v)) v.Edit();  // on an empty table this begins a new row
    v.SetAsString(f, text);
  } catch (const data::Abort&) {
  }
}

}  // namespace takeoff::ui
