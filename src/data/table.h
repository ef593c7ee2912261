#pragma once
// The table facility: a keyed in-memory table of typed rows with a cursor, edit
// states, hooks, ordering, master and detail links, filters, bookmarks and views.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/field.h"

namespace takeoff::data {

class Table;

enum class TableState { Inactive, Browse, Edit, Insert };

// Why the calculate hook runs: a row was fetched (for the cursor or for a view), or
// a field of the row being edited or inserted was assigned.
enum class CalcReason { Fetch, FieldChange };

// A view of a table (a grid's item model): learns what changed. Nothing is
// notified while the table's views are switched off; switching them on resets.
class TableObserver {
public:
  virtual ~TableObserver() = default;
  virtual void TableReset(Table&) {}                 // rows, order or contents changed at large
  virtual void RowChanged(Table&, int /*recNo*/) {}  // one row in view changed its values
  virtual void CursorMoved(Table&, int /*recNo*/) {}
  virtual void StateChanged(Table&) {}               // browse / edit / insert
};

struct TableHooks {
  std::function<void(Table&)> BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost,
      AfterCancel, BeforeDelete, AfterDelete, AfterOpen, AfterScroll;
  // Fills the calculated fields of the active row (set them with SetValue).
  std::function<void(Table&, CalcReason)> OnCalcFields;
  // While the table is filtered: whether the active row is shown.
  std::function<bool(Table&)> OnFilterRecord;
};

// A field hook: runs when a value was assigned to the field in edit or insert state;
// it reads the new value from the table and may refuse it by throwing Abort (the
// field then keeps its old value, unless the hook assigned the field itself).
using FieldHook = std::function<void(Table&, int field)>;

class Table {
public:
  using Bookmark = std::uint64_t;

  explicit Table(std::string name = {});
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& Name() const { return name_; }

  // --- Structure (field definitions may change only while the table is closed).
  void SetFieldDefs(std::vector<FieldDef> defs);
  const std::vector<FieldDef>& FieldDefs() const { return defs_; }
  int FieldCount() const { return static_cast<int>(defs_.size()); }
  int FieldIndex(std::string_view name) const;   // -1 when there is none
  int FieldNo(std::string_view name) const;      // throws TableError when there is none
  void SetFieldHook(std::string_view field, FieldHook hook);

  // --- Opening and closing.
  void CreateDataSet();  // opens empty with the field definitions; resets the auto counter
  void Close();          // writes the bound working file, drops the rows
  bool Active() const { return state_ != TableState::Inactive; }
  void SetFileName(std::string path) { fileName_ = std::move(path); }
  const std::string& FileName() const { return fileName_; }
  // The storage form (data/table_storage.h). Reading replaces field definitions of
  // stored fields, rows and auto counter, and opens the table; a damaged image
  // throws TableError and leaves the table as it was.
  void SaveToFile(const std::string& path = {}) const;
  void LoadFromFile(const std::string& path = {});
  std::string SaveToBytes() const;
  void LoadFromBytes(std::string_view bytes);
  void MergeChangeLog() {}  // changes are folded into the data on post
  // Bulk replacement of the whole content (storage reader): stored rows in storage
  // order, each holding the stored fields in definition order. Opens the table.
  void Load(std::vector<FieldDef> defs, std::vector<std::vector<Value>> rows, std::int64_t autoCounter);

  // --- Cursor over the rows in view (in order, in the master's range, filtered).
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int n);  // returns how far it moved
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  // 1-based position, 0 when there is no row in view; inside a calculate hook run for
  // a view, the position of the row being calculated.
  int RecNo() const;
  void SetRecNo(int recNo);
  int RecordCount() const { return static_cast<int>(view_.size()); }
  bool IsEmpty() const { return view_.empty(); }
  Bookmark GetBookmark() const;             // 0 when there is no current row
  bool BookmarkValid(Bookmark b) const;     // the row exists and is in view
  bool GotoBookmark(Bookmark b);
  // The position in view of a bookmarked row, 0 when it is not in view.
  int RecNoOf(Bookmark b) const;

  // --- Row editing.
  TableState State() const { return state_; }
  // In insert state: whether the new row came from Append (true) or Insert (false).
  bool Appending() const { return state_ == TableState::Insert && appending_; }
  void Append();  // a new row after the last one
  void Insert();  // a new row before the current one
  void Edit();
  void Post();
  void Cancel();
  void Delete();

  // --- Fields of the active row (the current row, the edit buffer in edit or
  // insert state, the row being calculated or filtered inside those hooks).
  const Value& GetValue(int field) const;
  bool IsNull(int field) const { return data::IsNull(GetValue(field)); }
  std::string AsString(int field) const;   // "" for null
  std::int64_t AsInteger(int field) const; // 0 for null
  double AsFloat(int field) const;         // 0 for null
  bool AsBoolean(int field) const;         // false for null
  // Writing: in edit or insert state (calculated fields also inside the calculate
  // hook). The value is brought to the field's type; out of range -> TableError.
  // SetValue takes cells as GetValue gives them (a decimal as its scaled integer);
  // SetAsInteger takes whole units.
  void SetValue(int field, Value v);
  void SetAsString(int field, std::string_view text);  // "" clears a non-text field
  void SetAsInteger(int field, std::int64_t v);
  void SetAsFloat(int field, double v);
  void SetAsBoolean(int field, bool v);
  void Clear(int field) { SetValue(field, Value{}); }
  // The exact text of a stored value for its field: decimals with all their places.
  std::string ExactText(int field) const;

  // A row in view for a view that shows many rows: its value, calculated fields
  // filled by the calculate hook (the cursor does not move).
  Value ValueAt(int recNo, int field);

  // --- Ordering by a list of fields (ascending); empty: insertion order.
  void SetIndexFields(std::vector<std::string> fields);
  const std::vector<std::string>& IndexFields() const { return indexNames_; }

  // --- Master and detail: this table shows the rows whose detail fields equal the
  // master's current values, follows the master's cursor and fills the detail
  // fields of a new row.
  void SetMaster(Table* master, std::vector<std::string> masterFields, std::vector<std::string> detailFields);
  void DetachMaster();
  void AttachMaster();
  bool MasterAttached() const { return master_ != nullptr && linked_; }

  // --- Filtering: an expression Field='value' (quotes inside doubled), and the
  // filter hook; both apply while Filtered is on.
  void SetFilter(std::string_view expression);  // throws TableError when malformed
  const std::string& Filter() const { return filterText_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }
  void SetCaseInsensitive(bool on);             // filter and locate comparisons
  // Moves to the first row in view whose field reads as `value`.
  bool Locate(std::string_view field, std::string_view value);

  // --- Views.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disabled_ > 0; }
  void AddObserver(TableObserver* o);
  void RemoveObserver(TableObserver* o);

  TableHooks Hooks;

  // --- Whole-table reading for the storage writer and bulk readers.
  std::size_t StoredRowCount() const { return rows_.size(); }
  const std::vector<Value>& StoredRow(std::size_t i) const;  // storage order, stored fields only
  std::vector<FieldDef> StoredFieldDefs() const;
  std::int64_t AutoCounter() const { return autoCounter_; }

  // Re-reads the view (after the master moved, the filter changed, ...).
  void Refresh();

private:
  struct Row;
  class ActiveScope;

  void RequireActive() const;
  void BeginInsert(bool append);
  void RequireEditing() const;
  void ResolveFields();
  void ClearRows();
  Row* CurrentRow() const;
  Row* ActiveRow() const;
  void RebuildView();
  void MoveTo(int index);
  void CalcCurrent();
  void RunCalc(CalcReason why, std::vector<Value>& cells);
  void CheckBrowseMode();
  void Opened();
  void ShowFromFirst();
  void NotifyReset();
  void NotifyRow(int recNo);
  void NotifyCursor();
  void NotifyState();
  void NotifyDetails();
  void MasterMoved();
  bool MasterHasRow() const;
  bool Passes(Row* r);
  bool InRange(const Row* r) const;
  int Compare(const Row* a, const Row* b) const;
  int CompareLink(const Row* r) const;
  bool InOrder(std::size_t i) const;
  std::size_t FindStored(const Row* r) const;
  Value Coerce(int field, const Value& v) const;
  void FillDefaults(Row& r) const;
  void PlaceNew(std::unique_ptr<Row> r);

  std::string name_;
  std::vector<FieldDef> defs_;
  std::vector<int> storedIndex_;  // field -> position in the stored cells, -1 for calculated
  std::vector<int> calcIndex_;    // field -> position among calculated cells, -1 for stored
  std::vector<FieldHook> fieldHooks_;
  std::vector<std::string> indexNames_;
  std::vector<int> index_;
  std::string fileName_;
  TableState state_ = TableState::Inactive;

  std::vector<std::unique_ptr<Row>> rows_;  // all rows, in order
  std::vector<Row*> view_;                  // rows in view, in order
  int cur_ = -1;                            // index into view_
  bool eof_ = true, bof_ = true;
  std::int64_t autoCounter_ = 0;
  std::uint64_t nextRowId_ = 1;

  // Edit buffer and the row the field accessors read.
  std::unique_ptr<Row> buffer_;
  Row* editing_ = nullptr;          // the stored row under edit
  Row* insertBefore_ = nullptr;     // insert state: the row the new one goes before
  Row* active_ = nullptr;           // a row other than the current one, inside hooks
  int activeRecNo_ = 0;             // its position in view, 0 when not known
  bool appending_ = false;
  // The calculated cells of one other row stay valid until anything changes.
  std::uint64_t changes_ = 0;
  const Row* calcOtherRow_ = nullptr;
  std::uint64_t calcOtherChanges_ = 0;
  std::vector<Value> calc_;         // calculated cells of the current row
  std::vector<Value> calcOther_;    // calculated cells of active_
  std::vector<Value>* activeCalc_ = &calc_;
  int calculating_ = 0;
  std::vector<std::uint64_t> writeGen_;

  // Master and detail.
  Table* master_ = nullptr;
  bool linked_ = false;
  std::vector<std::string> masterNames_, detailNames_;
  std::vector<int> masterFields_, detailFields_;
  std::vector<Table*> details_;
  bool rangeByIndex_ = false;  // the detail fields lead the ordering: binary search

  // Filter.
  std::string filterText_;
  int filterField_ = -1;
  std::string filterValue_;
  bool filtered_ = false;
  bool caseInsensitive_ = false;

  int disabled_ = 0;
  std::vector<TableObserver*> observers_;
};

}  // namespace takeoff::data
