#pragma once
// The variables window TfmVal ("变量列表"): the project's user variables (editable,
// over DataSetVal) on its first page, the door and window parameters (read-only, over
// DataWindows) on its second, and the reference to the chosen one inserted into the
// main window's insertion target through the clipboard. The Qt window shows this
// state and forwards the user's actions; the rules are here.
//
// Table operations may throw data::TableError with the standard message (a variable
// posted without a name); the caller shows it, and the operation has done nothing
// further. A hook's silent refusal (data::Abort) ends an operation quietly.
#include <string>
#include <string_view>
#include <vector>

namespace takeoff::platform { class Host; }
namespace takeoff::data { class TDataMd; class Table; }

namespace takeoff::ui {

// One column of a grid of the window. Texts are code page 936.
struct TableColumn {
  std::string Field;   // the table field shown
  std::string Title;
  bool ReadOnly = false;
  bool Centred = false;  // the cell text is centred
};

enum class VariablesPage { UserVariables, OpeningParameters };

class VariablesWindow {
public:
  // `insertionTarget` is the main window's insertion target (a control name, "" for
  // none), owned by the caller and read each time a reference is inserted.
  VariablesWindow(data::TDataMd& md, platform::Host& host, const std::string& insertionTarget);

  static const char* ClassName() { return "TfmVal"; }
  static const std::string& Caption();                              // "变量列表"
  static const std::string& PageTitle(VariablesPage page);
  static const std::string& PagesHint();                            // the page control's hint
  static const std::string& OpeningsHint();                         // five lines, CR LF between them
  static const std::string& VariablesHint();                        // the variable grid's hint
  static const std::vector<TableColumn>& VariableColumns();          // AutoId, Name, BDS, Val, Mem
  static const std::vector<TableColumn>& OpeningColumns();           // Name, Type, S, L, W1, W2, H; all read-only

  VariablesPage Page() const { return page_; }
  void SetPage(VariablesPage page) { page_ = page; }
  // The add, insert and delete buttons and menu items: only on the variables page.
  bool EditCommandsEnabled() const { return page_ == VariablesPage::UserVariables; }

  // Double click on either grid, "调用" and "调用变量". `selectedField` is the field
  // of the grid's selected column (read on the openings page only).
  // Variables page: stores a pending edit, then inserts "$[" + name + "]" of the
  // current variable. Openings page: inserts "&[" + name + "_" + field + "]" of the
  // current opening when the column is S, L, W1, W2 or H. An empty name inserts nothing.
  void InsertVariableReference(std::string_view selectedField);

  // "添加" / "添加变量": appends a variable row; "插入" / "插入变量": inserts one
  // at the current position; "删除" / "删除变量": deletes the current variable when
  // the table has any. Each does nothing while the openings page is shown.
  void AddVariable();
  void InsertVariable();
  void DeleteVariable();

  // "关闭": stores a pending edit of the variable table. When that throws, the
  // window stays open.
  void Close();

  // Enter in the variable grid while the column of `currentField` is selected:
  // returns the field of the column to select next. Moves to the next column,
  // skipping Val; from the last column to the first column of the next variable,
  // or, when the table already stands at its end (an earlier move found no further
  // row), to the first column of a newly appended variable.
  std::string EnterKey(std::string_view currentField);

  // --- What the grids show. Grid rows count from 1. The row being inserted is shown
  // at its place among the table's rows; an empty variable table shows one empty
  // row, the place to type the first variable.
  int GridRowCount(VariablesPage page) const;
  // The grid row of the table's current row (the empty row of an empty variable
  // table is current); 0 when there is none.
  int CurrentGridRow(VariablesPage page) const;
  // A cell's text as the table reads it ("3.3" for a decimal 3.300); "" for the
  // empty row, outside the grid and for a field the table lacks.
  std::string GridCellText(VariablesPage page, int row, std::string_view field);
  // The user moved to grid row `row`: a pending variable edit is stored first (it
  // may throw, and the cursor stays), then the table's current row is the one shown
  // there. Nothing for the current row.
  void SelectGridRow(VariablesPage page, int row);
  // Typing into a variable cell of grid row `row`: that variable becomes current as
  // with SelectGridRow, goes into edit and takes the text; in the empty row of an
  // empty table a new variable begins. Unchanged text and the read-only columns
  // (AutoId, Val) change nothing.
  void SetVariableField(int row, std::string_view field, std::string_view text);

private:
  void Insert(const std::string& text);
  void StorePendingEdit();
  data::Table& PageTable(VariablesPage page) const;

  data::TDataMd& md_;
  platform::Host& host_;
  const std::string& target_;
  VariablesPage page_ = VariablesPage::UserVariables;
};

}  // namespace takeoff::ui
