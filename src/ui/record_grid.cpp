#include "ui/record_grid.h"

#include <algorithm>

#include "data/decimal.h"
#include "data/records.h"
#include "engine/naming.h"
#include "text/gbk.h"

namespace takeoff::ui {
namespace {

using data::Table;
using data::TableState;
using text::Gbk;

constexpr std::size_t kNoteListMax = 30;

// One character of the code page given by its Unicode value.
std::string CodePageChar(char32_t c) {
  std::string utf8;
  if (c < 0x800) {
    utf8 += static_cast<char>(0xC0 | (c >> 6));
  } else {
    utf8 += static_cast<char>(0xE0 | (c >> 12));
    utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  utf8 += static_cast<char>(0x80 | (c & 0x3F));
  return Gbk(utf8);
}

void AddRange(std::vector<std::string>& list, char32_t first, char32_t last) {
  for (char32_t c = first; c <= last; ++c) list.push_back(CodePageChar(c));
}

std::vector<std::string> VerticalAxes() {
  std::vector<std::string> l;
  AddRange(l, U'①', U'⑩');
  AddRange(l, 0xE07E, 0xE0CA);
  AddRange(l, 0xE0E6, 0xE0F2);
  return l;
}

std::vector<std::string> HorizontalAxes() {
  std::vector<std::string> l;
  AddRange(l, 0xE0CB, 0xE0E5);
  AddRange(l, 0xE0FB, 0xE11A);
  AddRange(l, 0xE11C, 0xE12F);
  std::sort(l.begin(), l.end());
  return l;
}

std::vector<std::string> GbkList(std::initializer_list<const char*> items) {
  std::vector<std::string> l;
  for (const char* s : items) l.push_back(Gbk(s));
  return l;
}

bool Editing(const Table& t) { return t.State() == TableState::Edit || t.State() == TableState::Insert; }

}  // namespace

const std::vector<GridColumn>& RecordColumns() {
  static const std::vector<GridColumn> columns = [] {
    std::vector<GridColumn> c(7);
    c[kColumnId] = {"Id", Gbk("序"), 28, true, false, true, std::nullopt, Rgb{253, 238, 255}, 14, {}};
    c[kColumnCode] = {"DM", Gbk("编 码"), 80, false, true, false, std::nullopt, std::nullopt, 14, {}};
    c[kColumnName] = {"Name", Gbk("子 目 名 称"), 175, false, true, false, std::nullopt, std::nullopt, 14, {}};
    c[kColumnUnit] = {"DW", Gbk("单位"), 36, false, false, false, std::nullopt, std::nullopt, 14,
                      GbkList({"m", "m2", "m3", "kg", "吨", "件", "套", "天", "台班", "工日"})};
    c[kColumnFormula] = {"BDS", Gbk("计   算   表   达   式"), 280, false, false, false, std::nullopt, std::nullopt,
                         14, {}};
    c[kColumnValue] = {"Val", Gbk("数 量"), 62, true, false, false, std::nullopt, Rgb{238, 255, 253}, 14, {}};
    c[kColumnMark] = {"MemStr", Gbk("注 释 标 记"), 130, true, false, false, Rgb{128, 0, 0}, Rgb{249, 249, 244},
                      15, {}};
    return c;
  }();
  return columns;
}

const std::vector<AnnotationBox>& AnnotationBoxes() {
  static const std::vector<AnnotationBox> boxes = [] {
    const std::string axisHint = Gbk("选取或输入轴线标号");
    std::vector<std::string> numbers;
    for (int i = 1; i <= 120; ++i) numbers.push_back(std::to_string(i));
    return std::vector<AnnotationBox>{
        {"AX1", nullptr, axisHint, VerticalAxes()},
        {"AX2", "AX1", axisHint, VerticalAxes()},
        {"AX3", nullptr, axisHint, HorizontalAxes()},
        {"AX4", "AX3", axisHint, HorizontalAxes()},
        {"TU", nullptr, axisHint,
         GbkList({"建施", "结施", "总体", "通用", "电施", "水施", "风施", "煤施", "园施", "景观", "平面", "立面",
                  "剖面", "结构", "建筑", "KL", "L", "KZ", "Z", "GZ", "XB-1", "▽"})},
        {"TH", "TU", axisHint, numbers},
        {"BDSZS", nullptr, Gbk("选取或输入任意需要说明的内容"), {}},
    };
  }();
  return boxes;
}

bool AcceptsAdjustKey(char32_t key) {
  return key == 8 || key == '(' || key == ')' || key == '*' || key == '+' || key == '-' || key == '.' ||
         key == '/' || (key >= '0' && key <= '9');
}

BoxSize FormulaBoxSize(int cellWidth, int gridLeft, std::size_t bytes) {
  BoxSize s;
  s.Width = std::max(1, cellWidth + gridLeft + 18);
  const std::int64_t lines = (static_cast<std::int64_t>(std::min<std::size_t>(bytes, 1u << 20)) * 9 + 36) / s.Width;
  s.Height = static_cast<int>(lines * 20 + 32);
  return s;
}

// ---------------------------------------------------------------------------

RecordGrid::RecordGrid(data::TDataMd& md) : md_(md) {}

int RecordGrid::RowCount() const { return md_.dataCDataset.Active() ? md_.dataCDataset.RecordCount() : 0; }

int RecordGrid::Row() const { return md_.dataCDataset.Active() ? md_.dataCDataset.RecNo() : 0; }

void RecordGrid::SetColumn(int column) {
  column_ = std::clamp(column, 0, static_cast<int>(RecordColumns().size()) - 1);
}

void RecordGrid::GoToRow(int row) {
  Table& t = Records();
  if (!t.Active()) return;
  if (newRowUntouched_ && t.State() == TableState::Insert) t.Cancel();
  newRowUntouched_ = false;
  if (row >= 1 && row <= t.RecordCount()) t.SetRecNo(row);
}

void RecordGrid::SetSelected(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::erase_if(rows, [&](int r) { return r < 1 || r > RowCount(); });
  selected_ = std::move(rows);
}

bool RecordGrid::IsSelected(int row) const { return std::binary_search(selected_.begin(), selected_.end(), row); }

int RecordGrid::DisplayRowCount() const {
  const Table& t = md_.dataCDataset;
  if (!t.Active()) return 0;
  // An empty node still shows one blank row to type into.
  return std::max(1, t.RecordCount() + (t.State() == TableState::Insert ? 1 : 0));
}

int RecordGrid::CurrentDisplayRow() const {
  const Table& t = md_.dataCDataset;
  return t.Active() && t.IsEmpty() && t.State() != TableState::Insert ? 1 : Row();
}

int RecordGrid::RecordOfDisplayRow(int displayRow) const {
  const Table& t = md_.dataCDataset;
  if (!t.Active() || displayRow < 1 || displayRow > DisplayRowCount()) return -1;
  if (t.State() != TableState::Insert) return t.IsEmpty() ? 0 : displayRow;
  const int at = t.RecNo();  // where the new record stands
  return displayRow == at ? 0 : displayRow < at ? displayRow : displayRow - 1;
}

std::string RecordGrid::CellText(int displayRow, int column) {
  Table& t = Records();
  const int row = RecordOfDisplayRow(displayRow);
  if (row < 0 || column < 0 || column >= static_cast<int>(RecordColumns().size())) return {};
  const int f = t.FieldIndex(RecordColumns()[static_cast<std::size_t>(column)].Field);
  if (f < 0) return {};
  const data::FieldDef& def = t.FieldDefs()[static_cast<std::size_t>(f)];
  if (row == 0 && t.State() != TableState::Insert) return {};  // the blank row of an empty node
  const bool edited = row == 0 || (row == t.RecNo() && t.State() == TableState::Edit);
  const data::Value v = edited ? t.GetValue(f) : t.ValueAt(row, f);
  if (def.Type == data::FieldType::Decimal) {
    if (v.IsNull()) return column == kColumnValue ? data::DecimalToText(0, def.Size) : std::string();
    return data::DecimalToText(v.Int(), def.Size);
  }
  if (v.IsText()) return std::string(v.Text());
  if (v.IsInt()) return std::to_string(v.Int());
  return {};
}

CellLook RecordGrid::Look(int displayRow, int column, bool focused) {
  CellLook look;
  if (focused) {
    look.Text = Rgb{255, 255, 0};
    look.Background = Rgb{0, 0, 255};
    return look;
  }
  Table& t = Records();
  const int row = RecordOfDisplayRow(displayRow);
  if (row <= 0) return look;
  const data::RecordFieldNos& f = md_.RecordFields();
  if (f.Type >= 0) {
    const std::int64_t type = data::CellInteger(t.ValueAt(row, f.Type)).value_or(1);
    if (type != 1 && type != 4 && type != 5) look.Text = IsSelected(row) ? Rgb{255, 255, 0} : Rgb{0, 0, 255};
  }
  if (column == kColumnFormula && f.ifER >= 0 && data::CellInteger(t.ValueAt(row, f.ifER)).value_or(0) != 0)
    look.Background = Rgb{255, 0, 0};
  return look;
}

void RecordGrid::SetField(std::string_view field, std::string_view text) {
  Table& t = Records();
  if (!t.Active()) return;
  const int f = t.FieldNo(field);
  if (!Editing(t)) {
    if (t.IsEmpty())
      t.Append();
    else
      t.Edit();
  }
  newRowUntouched_ = false;
  // Typing goes into the cell of the field's column, which becomes the current one.
  for (std::size_t c = 0; c < RecordColumns().size(); ++c)
    if (field == RecordColumns()[c].Field) column_ = static_cast<int>(c);
  try {
    t.SetAsString(f, text);
  } catch (const data::Abort&) {
    // a field hook refused the value: the field keeps its old one
  }
}

void RecordGrid::NextCell(bool skipTail) {
  const int last = skipTail ? kColumnFormula : static_cast<int>(RecordColumns().size()) - 1;
  if (column_ < last) {
    ++column_;
    return;
  }
  Table& t = Records();
  if (!t.Active()) return;
  column_ = 0;
  if (t.State() == TableState::Insert && newRowUntouched_) return;  // already on the new row
  const bool atEnd =
      t.State() == TableState::Insert ? t.Appending() : t.IsEmpty() || t.RecNo() == t.RecordCount();
  if (Editing(t)) t.Post();
  if (atEnd) {
    t.Append();
    newRowUntouched_ = true;
  } else {
    t.Next();
  }
}

void RecordGrid::Enter() { NextCell(true); }
void RecordGrid::Tab() { NextCell(false); }

void RecordGrid::Leave() {
  Table& t = Records();
  if (!t.Active()) return;
  if (newRowUntouched_ && t.State() == TableState::Insert) {
    t.Cancel();
  } else {
    data::PostPendingRecord(md_);
  }
  newRowUntouched_ = false;
}

void RecordGrid::Post() {
  newRowUntouched_ = false;
  data::PostPendingRecord(md_);
}

void RecordGrid::Cancel() {
  newRowUntouched_ = false;
  if (Records().Active() && Editing(Records())) Records().Cancel();
}

std::string RecordGrid::FieldValue(std::string_view field) const {
  const Table& t = md_.dataCDataset;
  if (!t.Active()) return {};
  const int f = t.FieldIndex(field);
  if (f < 0 || (t.IsEmpty() && t.State() != TableState::Insert)) return {};
  return t.AsString(f);
}

bool RecordGrid::AnnotationEnabled(std::string_view field) const {
  for (const AnnotationBox& b : AnnotationBoxes())
    if (field == b.Field) return !b.FromField || !FieldValue(b.FromField).empty();
  return false;
}

void RecordGrid::SetAnnotation(std::string_view field, std::string_view text) {
  SetField(field, text);
  if (!text.empty()) return;
  for (const AnnotationBox& b : AnnotationBoxes())
    if (b.FromField && field == b.FromField && !FieldValue(b.Field).empty()) SetField(b.Field, "");
}

void RecordGrid::LeaveNoteBox(std::string_view text) {
  if (!text.empty()) engine::PushRecent(notes_, text, kNoteListMax);
}

void RecordGrid::NodeChanged() {
  selected_.clear();
  newRowUntouched_ = false;
}

}  // namespace takeoff::ui
