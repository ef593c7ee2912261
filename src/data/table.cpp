#include "data/table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "data/decimal.h"
#include "engine/number_text.h"
#include "text/gbk.h"

namespace takeoff::data {

struct Table::Row {
  std::uint64_t Id = 0;       // the bookmark
  std::vector<Value> Cells;   // stored fields in definition order
};

// Makes another row the one the field accessors read, for the length of a hook.
class Table::ActiveScope {
public:
  ActiveScope(Table& t, Row* r, int recNo) : t_(t), row_(t.active_), recNo_(t.activeRecNo_), calc_(t.activeCalc_) {
    t.active_ = r;
    t.activeRecNo_ = recNo;
    t.activeCalc_ = &t.calcOther_;
    t.calcOtherRow_ = nullptr;  // calcOther_ is about to be rewritten
  }
  ~ActiveScope() {
    t_.active_ = row_;
    t_.activeRecNo_ = recNo_;
    t_.activeCalc_ = calc_;
  }
  ActiveScope(const ActiveScope&) = delete;
  ActiveScope& operator=(const ActiveScope&) = delete;

private:
  Table& t_;
  Row* row_;
  int recNo_;
  std::vector<Value>* calc_;
};

namespace {

const Value kNull;

bool IsText(FieldType t) { return t == FieldType::Text || t == FieldType::Memo || t == FieldType::Blob; }

void IntRange(FieldType t, std::int64_t& lo, std::int64_t& hi) {
  switch (t) {
    case FieldType::Int16: lo = -32768; hi = 32767; break;
    case FieldType::UInt16: lo = 0; hi = 65535; break;
    default:
      lo = std::numeric_limits<std::int32_t>::min();
      hi = std::numeric_limits<std::int32_t>::max();
      break;
  }
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

int CompareValues(const Value& a, const Value& b) {
  if (a.index() != b.index()) {
    if (IsNull(a)) return -1;
    if (IsNull(b)) return 1;
    // Mixed numbers (an integer against a double) compare by value.
    double x = a.IsDouble() ? a.Double() : static_cast<double>(a.Int());
    double y = b.IsDouble() ? b.Double() : static_cast<double>(b.Int());
    return x < y ? -1 : x > y ? 1 : 0;
  }
  switch (a.index()) {
    case 1: {
      auto x = a.Int(), y = b.Int();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case 2: {
      auto x = a.Double(), y = b.Double();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case 3: {
      int c = a.Str().compare(b.Str());
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    default: return 0;
  }
}

std::string TrimDecimal(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string CellText(const Value& v, const FieldDef& f) {
  if (IsNull(v)) return {};
  if (auto s = TextIf(v)) return std::string(*s);
  if (auto* d = DoubleIf(v)) return engine::FormatNumberText(*d);
  const std::int64_t n = v.Int();
  switch (f.Type) {
    case FieldType::Bool: return n ? "True" : "False";
    case FieldType::Decimal: return TrimDecimal(DecimalToText(n, f.Size));
    default: return std::to_string(n);
  }
}

[[noreturn]] void RangeError(const FieldDef& f, const std::string& shown, const std::string& lo, const std::string& hi) {
  throw TableError("'" + shown + "' is not a valid value for field '" + f.Label() + "'. The allowed range is " + lo +
                   " to " + hi);
}

[[noreturn]] void ConversionError(const FieldDef& f, std::string_view text, const char* kind) {
  throw TableError("'" + std::string(text) + "' is not a valid " + kind + " value for field '" + f.Label() + "'");
}

bool ParseInteger(std::string_view s, std::int64_t& v) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && ec == std::errc() && p == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double& v) {
  std::string t(s);
  char* end = nullptr;
  v = std::strtod(t.c_str(), &end);
  return !t.empty() && end == t.c_str() + t.size();
}

}  // namespace

Table::Table(std::string name) : name_(std::move(name)) {}

Table::~Table() {
  if (master_) {
    auto& d = master_->details_;
    d.erase(std::remove(d.begin(), d.end(), this), d.end());
  }
  for (Table* d : details_) {
    d->master_ = nullptr;
    d->linked_ = false;
  }
}

// ---------------------------------------------------------------------------
// Structure

void Table::SetFieldDefs(std::vector<FieldDef> defs) {
  if (Active()) throw TableError("Cannot change the fields of table '" + name_ + "' while it is open");
  defs_ = std::move(defs);
  ResolveFields();
}

void Table::ResolveFields() {
  storedIndex_.assign(defs_.size(), -1);
  calcIndex_.assign(defs_.size(), -1);
  int stored = 0, calc = 0;
  for (std::size_t i = 0; i < defs_.size(); ++i) {
    if (defs_[i].Calculated) calcIndex_[i] = calc++;
    else storedIndex_[i] = stored++;
  }
  calc_.assign(static_cast<std::size_t>(calc), Value{});
  calcOther_.assign(static_cast<std::size_t>(calc), Value{});
  fieldHooks_.resize(defs_.size());
  writeGen_.assign(defs_.size(), 0);
  index_.clear();
  for (const std::string& n : indexNames_)
    if (int f = FieldIndex(n); f >= 0 && !defs_[f].Calculated) index_.push_back(f);
  detailFields_.clear();
  for (const std::string& n : detailNames_) detailFields_.push_back(FieldIndex(n));
  rangeByIndex_ = !detailFields_.empty() && detailFields_.size() <= index_.size() &&
                  std::equal(detailFields_.begin(), detailFields_.end(), index_.begin());
}

int Table::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < defs_.size(); ++i)
    if (EqualNoCase(defs_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

int Table::FieldNo(std::string_view name) const {
  int f = FieldIndex(name);
  if (f < 0) throw TableError(name_ + ": Field '" + std::string(name) + "' not found");
  return f;
}

void Table::SetFieldHook(std::string_view field, FieldHook hook) {
  fieldHooks_[static_cast<std::size_t>(FieldNo(field))] = std::move(hook);
}

std::vector<FieldDef> Table::StoredFieldDefs() const {
  std::vector<FieldDef> out;
  for (const FieldDef& f : defs_)
    if (!f.Calculated) out.push_back(f);
  return out;
}

const std::vector<Value>& Table::StoredRow(std::size_t i) const { return rows_.at(i)->Cells; }

// ---------------------------------------------------------------------------
// Opening and closing

void Table::ClearRows() {
  ++changes_;
  buffer_.reset();
  editing_ = insertBefore_ = active_ = nullptr;
  activeCalc_ = &calc_;
  view_.clear();
  rows_.clear();
  cur_ = -1;
  eof_ = bof_ = true;
}

void Table::Opened() {
  state_ = TableState::Browse;
  ShowFromFirst();
  if (Hooks.AfterOpen) Hooks.AfterOpen(*this);
}

// A new view of the rows, with the cursor on the first one.
void Table::ShowFromFirst() {
  RebuildView();
  cur_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  CalcCurrent();
  NotifyReset();
  NotifyDetails();
}

void Table::CreateDataSet() {
  ClearRows();
  autoCounter_ = 0;
  Opened();
}

void Table::Close() {
  if (!Active()) return;
  if (!fileName_.empty()) SaveToFile(fileName_);
  ClearRows();
  state_ = TableState::Inactive;
  NotifyReset();
  NotifyDetails();
}

void Table::Load(std::vector<FieldDef> defs, std::vector<std::vector<Value>> rows, std::int64_t autoCounter) {
  // Keep the program's own definitions (labels, defaults, calculated fields) when the
  // stored layout is the one it knows; otherwise take the stored fields as they come.
  std::vector<FieldDef> current = StoredFieldDefs();
  bool same = current.size() == defs.size();
  for (std::size_t i = 0; same && i < defs.size(); ++i)
    same = EqualNoCase(current[i].Name, defs[i].Name) && current[i].Type == defs[i].Type &&
           current[i].Size == defs[i].Size;
  const std::size_t width = defs.size();  // stored fields per row
  for (const auto& r : rows)
    if (r.size() != width) throw TableError(name_ + ": a row does not match the field definitions");
  if (!same) {
    for (const FieldDef& f : defs_)
      if (f.Calculated) defs.push_back(f);
    defs_ = std::move(defs);
    ResolveFields();
  }

  ClearRows();
  rows_.reserve(rows.size());
  for (auto& cells : rows) {
    auto r = std::make_unique<Row>();
    r->Id = nextRowId_++;
    r->Cells = std::move(cells);
    rows_.push_back(std::move(r));
  }
  auto less = [this](const auto& a, const auto& b) { return Compare(a.get(), b.get()) < 0; };
  if (!index_.empty() && !std::is_sorted(rows_.begin(), rows_.end(), less))
    std::stable_sort(rows_.begin(), rows_.end(), less);
  autoCounter_ = autoCounter;
  Opened();
}

// ---------------------------------------------------------------------------
// Rows in view

Table::Row* Table::CurrentRow() const {
  if (state_ == TableState::Edit || state_ == TableState::Insert) return buffer_.get();
  return cur_ >= 0 && cur_ < static_cast<int>(view_.size()) ? view_[static_cast<std::size_t>(cur_)] : nullptr;
}

Table::Row* Table::ActiveRow() const { return active_ ? active_ : CurrentRow(); }

bool Table::MasterHasRow() const { return master_ && master_->Active() && master_->CurrentRow() != nullptr; }

// <0, 0, >0: the row's link fields against the master's current values.
int Table::CompareLink(const Row* r) const {
  for (std::size_t i = 0; i < detailFields_.size() && i < masterFields_.size(); ++i) {
    const int df = detailFields_[i], mf = masterFields_[i];
    if (df < 0 || mf < 0 || storedIndex_[df] < 0) continue;
    const Row* m = master_->CurrentRow();
    const int ms = master_->storedIndex_[mf];
    const Value& mv = ms >= 0 ? m->Cells[static_cast<std::size_t>(ms)] : kNull;
    if (int c = CompareValues(r->Cells[static_cast<std::size_t>(storedIndex_[df])], mv)) return c;
  }
  return 0;
}

bool Table::InRange(const Row* r) const {
  if (!MasterAttached()) return true;
  return MasterHasRow() && CompareLink(r) == 0;
}

bool Table::Passes(Row* r) {
  if (!filtered_) return true;
  if (filterField_ >= 0) {
    const std::string text = CellText(r->Cells[static_cast<std::size_t>(storedIndex_[filterField_])],
                                      defs_[static_cast<std::size_t>(filterField_)]);
    if (caseInsensitive_ ? !EqualNoCase(text, filterValue_) : text != filterValue_) return false;
  }
  if (!Hooks.OnFilterRecord) return true;
  ActiveScope scope(*this, r, 0);
  RunCalc(CalcReason::Fetch, calcOther_);
  return Hooks.OnFilterRecord(*this);
}

void Table::RebuildView() {
  ++changes_;
  view_.clear();
  if (!Active()) return;
  auto consider = [&](Row* r) {
    if (Passes(r)) view_.push_back(r);
  };
  if (MasterAttached()) {
    if (!MasterHasRow()) return;
    if (rangeByIndex_) {
      auto lo = std::partition_point(rows_.begin(), rows_.end(), [&](const auto& r) { return CompareLink(r.get()) < 0; });
      for (auto it = lo; it != rows_.end() && CompareLink(it->get()) == 0; ++it) consider(it->get());
      return;
    }
    for (const auto& r : rows_)
      if (CompareLink(r.get()) == 0) consider(r.get());
    return;
  }
  if (!filtered_) {
    view_.reserve(rows_.size());
    for (const auto& r : rows_) view_.push_back(r.get());
    return;
  }
  for (const auto& r : rows_) consider(r.get());
}

void Table::Refresh() {
  RequireActive();
  CheckBrowseMode();
  Row* keep = CurrentRow();
  RebuildView();
  auto it = std::find(view_.begin(), view_.end(), keep);
  cur_ = it != view_.end() ? static_cast<int>(it - view_.begin()) : (view_.empty() ? -1 : 0);
  bof_ = cur_ <= 0;
  eof_ = view_.empty();
  CalcCurrent();
  NotifyReset();
  NotifyDetails();
  if (Hooks.AfterScroll) Hooks.AfterScroll(*this);
}

void Table::MasterMoved() {
  if (!MasterAttached() || !Active()) return;
  if (state_ == TableState::Edit || state_ == TableState::Insert) Post();
  ShowFromFirst();
  if (Hooks.AfterScroll) Hooks.AfterScroll(*this);
}

// ---------------------------------------------------------------------------
// Calculated fields

void Table::RunCalc(CalcReason why, std::vector<Value>& cells) {
  for (Value& v : cells) v = Value{};
  if (cells.empty() || !Hooks.OnCalcFields) return;
  ++calculating_;
  struct Done {
    int& n;
    ~Done() { --n; }
  } done{calculating_};
  Hooks.OnCalcFields(*this, why);
}

void Table::CalcCurrent() {
  if (CurrentRow()) RunCalc(CalcReason::Fetch, calc_);
  else
    for (Value& v : calc_) v = Value{};
}

Value Table::ValueAt(int recNo, int field) {
  RequireActive();
  const int i = recNo - 1;
  if (i < 0 || i >= static_cast<int>(view_.size())) return {};
  Row* r = view_[static_cast<std::size_t>(i)];
  if (i == cur_ && state_ != TableState::Insert) return GetValue(field);
  if (calcIndex_[static_cast<std::size_t>(field)] < 0)
    return r->Cells[static_cast<std::size_t>(storedIndex_[static_cast<std::size_t>(field)])];
  const auto calc = static_cast<std::size_t>(calcIndex_[static_cast<std::size_t>(field)]);
  if (calcOtherRow_ == r && calcOtherChanges_ == changes_) return calcOther_[calc];
  {
    ActiveScope scope(*this, r, recNo);
    RunCalc(CalcReason::Fetch, calcOther_);
  }
  calcOtherRow_ = r;
  calcOtherChanges_ = changes_;
  return calcOther_[calc];
}

// ---------------------------------------------------------------------------
// Cursor

void Table::RequireActive() const {
  if (!Active()) throw TableError("Cannot perform this operation on a closed dataset (" + name_ + ")");
}

void Table::CheckBrowseMode() {
  if (state_ == TableState::Edit || state_ == TableState::Insert) Post();
}

void Table::MoveTo(int index) {
  const int n = static_cast<int>(view_.size());
  cur_ = n == 0 ? -1 : std::clamp(index, 0, n - 1);
  CalcCurrent();
  NotifyCursor();
  NotifyDetails();
  if (Hooks.AfterScroll) Hooks.AfterScroll(*this);
}

void Table::First() {
  RequireActive();
  CheckBrowseMode();
  MoveTo(0);
  bof_ = true;
  eof_ = view_.empty();
}

void Table::Last() {
  RequireActive();
  CheckBrowseMode();
  MoveTo(static_cast<int>(view_.size()) - 1);
  eof_ = true;
  bof_ = view_.empty();
}

void Table::Next() {
  RequireActive();
  CheckBrowseMode();
  if (cur_ + 1 < static_cast<int>(view_.size())) {
    MoveTo(cur_ + 1);
    bof_ = eof_ = false;
  } else {
    eof_ = true;
  }
}

void Table::Prior() {
  RequireActive();
  CheckBrowseMode();
  if (cur_ > 0) {
    MoveTo(cur_ - 1);
    bof_ = eof_ = false;
  } else {
    bof_ = true;
  }
}

int Table::MoveBy(int n) {
  RequireActive();
  CheckBrowseMode();
  const int size = static_cast<int>(view_.size());
  if (size == 0 || n == 0) return 0;
  const int from = cur_;
  const int to = std::clamp(from + n, 0, size - 1);
  if (to != from) MoveTo(to);
  eof_ = n > 0 && from + n > size - 1;
  bof_ = n < 0 && from + n < 0;
  return to - from;
}

int Table::RecNo() const {
  if (active_) return activeRecNo_;
  if (state_ == TableState::Insert) {
    auto it = std::find(view_.begin(), view_.end(), insertBefore_);
    return static_cast<int>(it - view_.begin()) + 1;
  }
  return cur_ + 1;
}

void Table::SetRecNo(int recNo) {
  RequireActive();
  CheckBrowseMode();
  MoveTo(recNo - 1);
  bof_ = cur_ <= 0;
  eof_ = view_.empty();
}

Table::Bookmark Table::GetBookmark() const {
  const Row* r = state_ == TableState::Browse ? CurrentRow() : (editing_ ? editing_ : nullptr);
  return r ? r->Id : 0;
}

bool Table::BookmarkValid(Bookmark b) const {
  return b != 0 && std::any_of(view_.begin(), view_.end(), [b](const Row* r) { return r->Id == b; });
}

int Table::RecNoOf(Bookmark b) const {
  auto it = std::find_if(view_.begin(), view_.end(), [b](const Row* r) { return r->Id == b; });
  return b == 0 || it == view_.end() ? 0 : static_cast<int>(it - view_.begin()) + 1;
}

bool Table::GotoBookmark(Bookmark b) {
  RequireActive();
  CheckBrowseMode();
  auto it = std::find_if(view_.begin(), view_.end(), [b](const Row* r) { return r->Id == b; });
  if (b == 0 || it == view_.end()) return false;
  MoveTo(static_cast<int>(it - view_.begin()));
  bof_ = eof_ = false;
  return true;
}

bool Table::Locate(std::string_view field, std::string_view value) {
  RequireActive();
  CheckBrowseMode();
  const int f = FieldNo(field);
  for (std::size_t i = 0; i < view_.size(); ++i) {
    const std::string text = calcIndex_[static_cast<std::size_t>(f)] >= 0
                                 ? CellText(ValueAt(static_cast<int>(i) + 1, f), defs_[static_cast<std::size_t>(f)])
                                 : CellText(view_[i]->Cells[static_cast<std::size_t>(storedIndex_[static_cast<std::size_t>(f)])],
                                            defs_[static_cast<std::size_t>(f)]);
    if (caseInsensitive_ ? EqualNoCase(text, value) : text == value) {
      MoveTo(static_cast<int>(i));
      bof_ = eof_ = false;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Ordering

int Table::Compare(const Row* a, const Row* b) const {
  for (int f : index_) {
    const auto s = static_cast<std::size_t>(storedIndex_[static_cast<std::size_t>(f)]);
    if (int c = CompareValues(a->Cells[s], b->Cells[s])) return c;
  }
  return 0;
}

// Whether stored row i stands between its neighbours in the ordering.
bool Table::InOrder(std::size_t i) const {
  if (index_.empty()) return true;
  if (i > 0 && Compare(rows_[i - 1].get(), rows_[i].get()) > 0) return false;
  if (i + 1 < rows_.size() && Compare(rows_[i].get(), rows_[i + 1].get()) > 0) return false;
  return true;
}

std::size_t Table::FindStored(const Row* r) const {
  if (!index_.empty()) {
    auto lo = std::partition_point(rows_.begin(), rows_.end(), [&](const auto& x) { return Compare(x.get(), r) < 0; });
    for (auto it = lo; it != rows_.end() && Compare(it->get(), r) == 0; ++it)
      if (it->get() == r) return static_cast<std::size_t>(it - rows_.begin());
  }
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].get() == r) return i;
  return rows_.size();
}

void Table::SetIndexFields(std::vector<std::string> fields) {
  indexNames_ = std::move(fields);
  ResolveFields();
  if (!Active()) return;
  CheckBrowseMode();
  if (!index_.empty())
    std::stable_sort(rows_.begin(), rows_.end(),
                     [this](const auto& a, const auto& b) { return Compare(a.get(), b.get()) < 0; });
  Refresh();
}

// A new row goes to its place in the ordering (after rows with an equal key), or,
// without an ordering, before the row it was inserted in front of.
void Table::PlaceNew(std::unique_ptr<Row> r) {
  std::size_t at = rows_.size();
  if (!index_.empty()) {
    at = static_cast<std::size_t>(
        std::partition_point(rows_.begin(), rows_.end(), [&](const auto& x) { return Compare(x.get(), r.get()) <= 0; }) -
        rows_.begin());
  } else if (insertBefore_) {
    at = FindStored(insertBefore_);
  }
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(r));
}

// ---------------------------------------------------------------------------
// Editing

void Table::FillDefaults(Row& r) const {
  r.Cells.assign(defs_.size() - calc_.size(), Value{});
  for (std::size_t f = 0; f < defs_.size(); ++f) {
    if (storedIndex_[f] < 0 || defs_[f].Default.empty()) continue;
    try {
      r.Cells[static_cast<std::size_t>(storedIndex_[f])] = Coerce(static_cast<int>(f), defs_[f].Default);
    } catch (const TableError&) {
      // A default the field cannot hold leaves it empty.
    }
  }
  if (MasterAttached() && MasterHasRow()) {
    const Row* m = master_->CurrentRow();
    for (std::size_t i = 0; i < detailFields_.size() && i < masterFields_.size(); ++i) {
      const int df = detailFields_[i], mf = masterFields_[i];
      if (df < 0 || mf < 0 || storedIndex_[df] < 0 || master_->storedIndex_[mf] < 0) continue;
      // Checked like any written value: a master key the detail field cannot hold is refused.
      r.Cells[static_cast<std::size_t>(storedIndex_[df])] =
          Coerce(df, m->Cells[static_cast<std::size_t>(master_->storedIndex_[mf])]);
    }
  }
}

void Table::Append() { BeginInsert(true); }
void Table::Insert() { BeginInsert(false); }

// A new row with the defaults and link values: after the last row, or before the
// current one.
void Table::BeginInsert(bool append) {
  RequireActive();
  CheckBrowseMode();
  if (Hooks.BeforeInsert) Hooks.BeforeInsert(*this);
  auto r = std::make_unique<Row>();
  FillDefaults(*r);
  const bool onRow = cur_ >= 0 && cur_ < static_cast<int>(view_.size());
  insertBefore_ = !append && onRow ? view_[static_cast<std::size_t>(cur_)] : nullptr;
  buffer_ = std::move(r);
  appending_ = append;
  state_ = TableState::Insert;
  RunCalc(CalcReason::FieldChange, calc_);
  NotifyState();
  NotifyDetails();
  if (Hooks.AfterInsert) Hooks.AfterInsert(*this);
  if (Hooks.AfterScroll) Hooks.AfterScroll(*this);
}

void Table::Edit() {
  RequireActive();
  if (state_ == TableState::Edit || state_ == TableState::Insert) return;
  if (view_.empty()) {
    Append();  // editing an empty table starts a new row
    return;
  }
  if (Hooks.BeforeEdit) Hooks.BeforeEdit(*this);
  Row* r = view_[static_cast<std::size_t>(cur_)];
  buffer_ = std::make_unique<Row>(*r);
  editing_ = r;
  state_ = TableState::Edit;
  NotifyState();
  if (Hooks.AfterEdit) Hooks.AfterEdit(*this);
}

void Table::Post() {
  RequireActive();
  if (state_ != TableState::Edit && state_ != TableState::Insert) return;
  if (Hooks.BeforePost) Hooks.BeforePost(*this);
  Row& b = *buffer_;
  for (std::size_t f = 0; f < defs_.size(); ++f) {
    const int s = storedIndex_[f];
    if (s < 0) continue;
    Value& cell = b.Cells[static_cast<std::size_t>(s)];
    if (defs_[f].Type == FieldType::Auto && state_ == TableState::Insert) {
      if (data::IsNull(cell)) cell = ++autoCounter_;
      else autoCounter_ = std::max(autoCounter_, cell.Int());
    }
    if (defs_[f].Required && data::IsNull(cell)) throw TableError("Field '" + defs_[f].Label() + "' must have a value");
  }

  Row* posted;
  bool samePlace = false;  // the row kept its place and its membership of the view
  if (state_ == TableState::Insert) {
    buffer_->Id = nextRowId_++;
    posted = buffer_.get();
    PlaceNew(std::move(buffer_));
  } else {
    posted = editing_;
    const bool keyChanged = Compare(posted, buffer_.get()) != 0;
    posted->Cells = std::move(buffer_->Cells);
    buffer_.reset();
    bool moved = false;
    if (keyChanged) {
      const std::size_t i = FindStored(posted);
      if (i < rows_.size() && !InOrder(i)) {
        std::unique_ptr<Row> row = std::move(rows_[i]);
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
        insertBefore_ = nullptr;
        PlaceNew(std::move(row));
        moved = true;
      }
    }
    samePlace = !moved && !filtered_ && InRange(posted);
  }
  editing_ = insertBefore_ = nullptr;
  state_ = TableState::Browse;
  ++changes_;

  if (!samePlace) {
    RebuildView();
    auto it = std::find(view_.begin(), view_.end(), posted);
    if (it != view_.end()) cur_ = static_cast<int>(it - view_.begin());
    else cur_ = std::min(cur_, static_cast<int>(view_.size()) - 1);
    if (cur_ < 0 && !view_.empty()) cur_ = 0;
  }
  eof_ = view_.empty();
  bof_ = view_.empty();
  CalcCurrent();
  NotifyState();
  if (samePlace) NotifyRow(cur_ + 1);
  else NotifyReset();
  NotifyDetails();
  if (Hooks.AfterPost) Hooks.AfterPost(*this);
}

void Table::Cancel() {
  if (state_ != TableState::Edit && state_ != TableState::Insert) return;
  const bool wasInsert = state_ == TableState::Insert;
  ++changes_;
  buffer_.reset();
  editing_ = insertBefore_ = nullptr;
  state_ = TableState::Browse;
  CalcCurrent();
  NotifyState();
  NotifyRow(cur_ + 1);
  if (wasInsert) NotifyDetails();
  if (Hooks.AfterCancel) Hooks.AfterCancel(*this);
}

void Table::Delete() {
  RequireActive();
  if (state_ == TableState::Insert) {
    Cancel();
    return;
  }
  if (view_.empty()) throw TableError("Cannot perform this operation on an empty dataset (" + name_ + ")");
  CheckBrowseMode();
  if (Hooks.BeforeDelete) Hooks.BeforeDelete(*this);
  if (view_.empty() || cur_ < 0) return;  // the hook emptied the view
  Row* r = view_[static_cast<std::size_t>(cur_)];
  const std::size_t i = FindStored(r);
  ++changes_;
  view_.erase(view_.begin() + cur_);
  if (i < rows_.size()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  cur_ = std::min(cur_, static_cast<int>(view_.size()) - 1);
  eof_ = view_.empty();
  bof_ = view_.empty();
  CalcCurrent();
  NotifyReset();
  NotifyDetails();
  if (Hooks.AfterDelete) Hooks.AfterDelete(*this);
  if (Hooks.AfterScroll) Hooks.AfterScroll(*this);
}

// ---------------------------------------------------------------------------
// Field access

const Value& Table::GetValue(int field) const {
  const auto f = static_cast<std::size_t>(field);
  if (field < 0 || f >= defs_.size()) throw TableError(name_ + ": no field number " + std::to_string(field));
  if (calcIndex_[f] >= 0) return (*activeCalc_)[static_cast<std::size_t>(calcIndex_[f])];
  const Row* r = ActiveRow();
  return r ? r->Cells[static_cast<std::size_t>(storedIndex_[f])] : kNull;
}

std::string Table::AsString(int field) const { return CellText(GetValue(field), defs_[static_cast<std::size_t>(field)]); }

std::string Table::ExactText(int field) const {
  const FieldDef& f = defs_[static_cast<std::size_t>(field)];
  const Value& v = GetValue(field);
  if (f.Type == FieldType::Decimal && v.IsInt())
    return DecimalToText(v.Int(), f.Size);
  return CellText(v, f);
}

std::int64_t Table::AsInteger(int field) const {
  const FieldDef& f = defs_[static_cast<std::size_t>(field)];
  const Value& v = GetValue(field);
  if (data::IsNull(v)) return 0;
  if (auto* d = DoubleIf(v)) return std::llround(*d);
  if (auto s = TextIf(v)) {
    std::int64_t n;
    if (!ParseInteger(*s, n)) ConversionError(f, *s, "integer");
    return n;
  }
  const std::int64_t n = v.Int();
  return f.Type == FieldType::Decimal ? std::llround(DecimalToDouble(n)) : n;
}

double Table::AsFloat(int field) const {
  const FieldDef& f = defs_[static_cast<std::size_t>(field)];
  const Value& v = GetValue(field);
  if (data::IsNull(v)) return 0;
  if (auto* d = DoubleIf(v)) return *d;
  if (auto s = TextIf(v)) {
    double d;
    if (!ParseDouble(*s, d)) ConversionError(f, *s, "floating point");
    return d;
  }
  const std::int64_t n = v.Int();
  return f.Type == FieldType::Decimal ? DecimalToDouble(n) : static_cast<double>(n);
}

bool Table::AsBoolean(int field) const {
  const Value& v = GetValue(field);
  if (auto* n = IntIf(v)) return *n != 0;
  if (auto* d = DoubleIf(v)) return *d != 0;
  if (auto s = TextIf(v)) return EqualNoCase(*s, "True") || *s == "-1" || *s == "1";
  return false;
}

// Brings a value to the field's type; a value the field cannot hold is refused.
Value Table::Coerce(int field, const Value& v) const {
  const FieldDef& f = defs_[static_cast<std::size_t>(field)];
  if (data::IsNull(v)) return v;
  const auto text = TextIf(v);

  if (IsText(f.Type)) {
    std::string s = text                               ? std::string(*text)
                    : v.IsDouble() ? engine::FormatNumberText(v.Double())
                                                        : std::to_string(v.Int());
    if (f.Type == FieldType::Text) {
      const int limit = f.WriteLimit > 0 ? std::min(f.WriteLimit, f.Size) : f.Size;
      if (limit > 0) s = text::CutToBytes(s, static_cast<std::size_t>(limit));
    }
    if (s.empty()) return Value{};
    return s;
  }
  if (text) {
    std::string_view t = *text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (t.empty()) return Value{};
  }

  switch (f.Type) {
    case FieldType::Bool:
      if (text) {
        if (EqualNoCase(*text, "True") || *text == "-1" || *text == "1") return std::int64_t{1};
        if (EqualNoCase(*text, "False") || *text == "0") return std::int64_t{0};
        ConversionError(f, *text, "boolean");
      }
      if (auto* d = DoubleIf(v)) return std::int64_t{*d != 0};
      return std::int64_t{v.Int() != 0};

    case FieldType::Double: {
      double d;
      if (text) {
        if (!ParseDouble(*text, d)) ConversionError(f, *text, "floating point");
      } else if (auto* p = DoubleIf(v)) {
        d = *p;
      } else {
        d = static_cast<double>(v.Int());
      }
      if (!std::isfinite(d)) RangeError(f, engine::FormatNumberText(d), "-1.79769313486232E308", "1.79769313486232E308");
      return d;
    }

    case FieldType::Decimal: {
      std::optional<std::int64_t> scaled;
      if (text) {
        scaled = DecimalFromText(*text, f.Size);
        double probe;
        if (!scaled && !ParseDouble(*text, probe)) ConversionError(f, *text, "decimal");
      } else if (auto* d = DoubleIf(v)) {
        scaled = DecimalFromDouble(*d, f.Size);
      } else {
        // An integer value of a decimal field is the scaled cell itself (as GetValue gives it).
        const std::int64_t n = v.Int();
        if (n > -kDecimalLimit && n < kDecimalLimit) scaled = RoundScaled(n, f.Size);
      }
      if (!scaled) {
        const std::string shown = text                          ? std::string(*text)
                                  : v.IsDouble() ? engine::FormatNumberText(v.Double())
                                                                      : DecimalToText(v.Int(), 4);
        RangeError(f, shown, "-900000000000000", "900000000000000");
      }
      return *scaled;
    }

    default: {  // integers and auto
      std::int64_t n;
      if (text) {
        if (!ParseInteger(*text, n)) ConversionError(f, *text, "integer");
      } else if (auto* d = DoubleIf(v)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18) RangeError(f, engine::FormatNumberText(*d), "", "");
        n = static_cast<std::int64_t>(std::nearbyint(*d));
      } else {
        n = v.Int();
      }
      std::int64_t lo, hi;
      IntRange(f.Type, lo, hi);
      if (n < lo || n > hi) {
        const std::string shown = text ? std::string(*text)
                                  : v.IsDouble() ? engine::FormatNumberText(v.Double())
                                                                      : std::to_string(n);
        RangeError(f, shown, std::to_string(lo), std::to_string(hi));
      }
      return n;
    }
  }
}

void Table::RequireEditing() const {
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw TableError("Dataset not in edit or insert mode (" + name_ + ")");
}

void Table::SetValue(int field, Value v) {
  const auto f = static_cast<std::size_t>(field);
  if (field < 0 || f >= defs_.size()) throw TableError(name_ + ": no field number " + std::to_string(field));
  if (calcIndex_[f] >= 0) {
    if (!calculating_) throw TableError("Field '" + defs_[f].Label() + "' is calculated (" + name_ + ")");
    (*activeCalc_)[static_cast<std::size_t>(calcIndex_[f])] = Coerce(field, v);
    return;
  }
  RequireEditing();
  Value coerced = Coerce(field, v);
  Value& cell = buffer_->Cells[static_cast<std::size_t>(storedIndex_[f])];
  Value old = std::move(cell);
  cell = std::move(coerced);
  const std::uint64_t gen = ++writeGen_[f];
  ++changes_;
  if (fieldHooks_[f]) {
    try {
      fieldHooks_[f](*this, field);
    } catch (...) {
      // Refused: the old value returns, unless the hook wrote the field itself.
      if (writeGen_[f] == gen && buffer_) buffer_->Cells[static_cast<std::size_t>(storedIndex_[f])] = std::move(old);
      throw;
    }
  }
  if (!buffer_) return;  // the hook ended the edit
  RunCalc(CalcReason::FieldChange, calc_);
  NotifyRow(RecNo());
}

void Table::SetAsString(int field, std::string_view text) { SetValue(field, std::string(text)); }
void Table::SetAsInteger(int field, std::int64_t v) {
  const FieldDef& f = defs_.at(static_cast<std::size_t>(field));
  if (f.Type != FieldType::Decimal) return SetValue(field, v);
  if (v <= -900'000'000'000'000 || v >= 900'000'000'000'000)
    RangeError(f, std::to_string(v), "-900000000000000", "900000000000000");
  SetValue(field, v * kDecimalScale);
}
void Table::SetAsFloat(int field, double v) { SetValue(field, v); }
void Table::SetAsBoolean(int field, bool v) { SetValue(field, std::int64_t{v ? 1 : 0}); }

// ---------------------------------------------------------------------------
// Master and detail

void Table::SetMaster(Table* master, std::vector<std::string> masterFields, std::vector<std::string> detailFields) {
  DetachMaster();
  if (master_) {
    auto& d = master_->details_;
    d.erase(std::remove(d.begin(), d.end(), this), d.end());
  }
  master_ = master;
  masterNames_ = std::move(masterFields);
  detailNames_ = std::move(detailFields);
  masterFields_.clear();
  if (master_) {
    master_->details_.push_back(this);
    for (const std::string& n : masterNames_) masterFields_.push_back(master_->FieldIndex(n));
  }
  ResolveFields();
  AttachMaster();
}

void Table::DetachMaster() {
  if (!linked_) return;
  linked_ = false;
  if (Active()) Refresh();
}

void Table::AttachMaster() {
  if (!master_ || linked_) return;
  masterFields_.clear();
  for (const std::string& n : masterNames_) masterFields_.push_back(master_->FieldIndex(n));
  linked_ = true;
  if (Active()) MasterMoved();
}

void Table::NotifyDetails() {
  if (ControlsDisabled()) return;  // switched-off views stop the details following
  for (Table* d : details_) d->MasterMoved();
}

// ---------------------------------------------------------------------------
// Filter

void Table::SetFilter(std::string_view expression) {
  std::string_view e = expression;
  while (!e.empty() && e.front() == ' ') e.remove_prefix(1);
  while (!e.empty() && e.back() == ' ') e.remove_suffix(1);
  int field = -1;
  std::string value;
  if (!e.empty()) {
    const std::size_t eq = e.find('=');
    auto bad = [&] { return TableError("Bad filter expression: " + std::string(expression)); };
    if (eq == std::string_view::npos) throw bad();
    std::string_view name = e.substr(0, eq);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    std::string_view rest = e.substr(eq + 1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.size() < 2 || rest.front() != '\'' || rest.back() != '\'') throw bad();
    rest = rest.substr(1, rest.size() - 2);
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '\'') {
        if (i + 1 >= rest.size() || rest[i + 1] != '\'') throw bad();
        ++i;
      }
      value += rest[i];
    }
    field = FieldIndex(name);
    if (field < 0 || defs_[static_cast<std::size_t>(field)].Calculated) throw bad();
  }
  filterText_ = std::string(expression);
  filterField_ = field;
  filterValue_ = std::move(value);
  if (filtered_ && Active()) Refresh();
}

void Table::SetFiltered(bool on) {
  if (filtered_ == on) return;
  filtered_ = on;
  if (Active()) Refresh();
}

void Table::SetCaseInsensitive(bool on) {
  caseInsensitive_ = on;
  if (filtered_ && Active()) Refresh();
}

// ---------------------------------------------------------------------------
// Views

void Table::DisableControls() { ++disabled_; }

void Table::EnableControls() {
  if (disabled_ == 0) return;
  if (--disabled_ == 0) {
    NotifyReset();
    NotifyDetails();
  }
}

void Table::AddObserver(TableObserver* o) { observers_.push_back(o); }

void Table::RemoveObserver(TableObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Table::NotifyReset() {
  if (ControlsDisabled()) return;
  for (TableObserver* o : observers_) o->TableReset(*this);
}

void Table::NotifyRow(int recNo) {
  if (ControlsDisabled()) return;
  for (TableObserver* o : observers_) o->RowChanged(*this, recNo);
}

void Table::NotifyCursor() {
  if (ControlsDisabled()) return;
  for (TableObserver* o : observers_) o->CursorMoved(*this, RecNo());
}

void Table::NotifyState() {
  if (ControlsDisabled()) return;
  for (TableObserver* o : observers_) o->StateChanged(*this);
}

}  // namespace takeoff::data
