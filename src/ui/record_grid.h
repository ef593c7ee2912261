#pragma once
// The record grid of the main window: the columns and looks of the current node's
// calculation records, the current column, the selected rows, typing into a cell,
// the Enter and Tab movement with appending at the end, and the rules of the boxes
// around the grid (field box, formula edit box, annotation fields, the coefficient
// and addition boxes).
//
// The grid shows the record table's view; the Qt model only reads it through here.
// Rows are record numbers (1-based, display order).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/data_module.h"

namespace takeoff::ui {

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

struct GridColumn {
  const char* Field;    // "BDS"
  std::string Title;    // code page 936
  int Width = 0;        // pixels
  bool ReadOnly = false;
  bool Button = false;  // the "…" button (quota search)
  bool Centred = false;
  std::optional<Rgb> Text, Background;
  int TitleHeight = 14;  // pixels
  std::vector<std::string> PickList;
};

// The seven columns: Id, DM, Name, DW, BDS, Val, MemStr.
const std::vector<GridColumn>& RecordColumns();
inline constexpr int kColumnId = 0, kColumnCode = 1, kColumnName = 2, kColumnUnit = 3, kColumnFormula = 4,
                     kColumnValue = 5, kColumnMark = 6;

// How one cell is drawn (nothing: the column's own look).
struct CellLook {
  std::optional<Rgb> Text, Background;
};

// The annotation boxes and their drop-down lists.
struct AnnotationBox {
  const char* Field;       // "AX1"
  const char* FromField;   // the box that enables it ("AX1" for "AX2"), nullptr for none
  std::string Hint;
  std::vector<std::string> List;
};
const std::vector<AnnotationBox>& AnnotationBoxes();  // AX1 AX2 AX3 AX4 TU TH BDSZS

// Whether a key typed into the coefficient or addition box is accepted: Backspace,
// brackets, the four operators, the point and the digits.
bool AcceptsAdjustKey(char32_t key);

// The formula edit box over a cell: width and height for a text of `bytes` bytes.
struct BoxSize {
  int Width = 0, Height = 0;
};
BoxSize FormulaBoxSize(int cellWidth, int gridLeft, std::size_t bytes);

class RecordGrid {
public:
  explicit RecordGrid(data::TDataMd& md);

  data::Table& Records() { return md_.dataCDataset; }
  int RowCount() const;
  int Row() const;  // the current record, 0 when there is none
  int Column() const { return column_; }
  void SetColumn(int column);

  // Makes record `row` current (a new row left untouched is dropped first).
  void GoToRow(int row);

  // The multi-selection, ascending.
  const std::vector<int>& Selected() const { return selected_; }
  void SetSelected(std::vector<int> rows);
  void ClearSelection() { selected_.clear(); }
  bool IsSelected(int row) const;

  // The rows the grid shows: the records in view, and while a new record is being
  // inserted, that record at its place (display rows are 1-based).
  int DisplayRowCount() const;
  int CurrentDisplayRow() const;
  // The record a display row shows (0 for the new record being inserted).
  int RecordOfDisplayRow(int displayRow) const;

  // The text a cell of a display row shows; the record being edited or inserted
  // shows its edited values.
  std::string CellText(int displayRow, int column);
  CellLook Look(int displayRow, int column, bool focused);

  // Typing: assigns `text` to `field` of the current record as the grid does,
  // entering edit (or, in an empty node, appending a new record) first. A refused
  // value leaves the field as it was; a value its field cannot hold throws TableError.
  void SetField(std::string_view field, std::string_view text);
  // Enter: the next column, skipping quantity and annotation mark; past the last
  // column the first column of the next row, appending a record at the end.
  void Enter();
  // Tab: the next column; past the last one as Enter.
  void Tab();
  // The focus left the grid or the field box: a pending edit is posted, a new row
  // left untouched is dropped.
  void Leave();
  // Posts or cancels the current record's pending edit.
  void Post();
  void Cancel();
  // Appended by the grid and not typed into yet.
  bool NewRowUntouched() const { return newRowUntouched_; }

  // --- Annotation boxes.
  // Whether a box is enabled: a "to" box only while its "from" field has text.
  bool AnnotationEnabled(std::string_view field) const;
  // Typing into a box; emptying a "from" box clears its "to" field.
  void SetAnnotation(std::string_view field, std::string_view text);
  // Leaving the note box with text puts it at the top of the note list.
  void LeaveNoteBox(std::string_view text);
  const std::vector<std::string>& NoteList() const { return notes_; }

  // Node changed: the selection and the untouched new row go.
  void NodeChanged();

private:
  void NextCell(bool skipTail);
  std::string FieldValue(std::string_view field) const;

  data::TDataMd& md_;
  int column_ = kColumnCode;
  std::vector<int> selected_;
  bool newRowUntouched_ = false;
  std::vector<std::string> notes_;
};

}  // namespace takeoff::ui
