#include "data/records.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/decimal.h"
#include "engine/annotation.h"
#include "engine/evaluator.h"
#include "engine/number_text.h"
#include "engine/resolve_refs.h"
#include "engine/units.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::data {

namespace {

using text::Gbk;

std::string_view Text(const Table& t, int field) { return field < 0 ? std::string_view() : CellText(t.GetValue(field)); }

std::int64_t IntOf(const Value& v) { return CellInteger(v).value_or(0); }

// Writes a field with the field hooks for the user's input kept quiet.
void SetQuietly(TDataMd& md, Table& t, int field, std::string_view value) {
  SwitchGuard quiet(md.QuietFieldHooks, true);
  t.SetAsString(field, value);
}

// Bookmarks of the given record numbers (those in view), or of the current row
// when the list is empty. Moving the cursor posts a pending edit.
std::vector<Table::Bookmark> Targets(Table& t, const std::vector<int>& selected) {
  std::vector<Table::Bookmark> out;
  if (t.IsEmpty()) return out;
  if (selected.empty()) {
    if (t.State() == TableState::Insert || t.State() == TableState::Edit) t.Post();
    out.push_back(t.GetBookmark());
    return out;
  }
  for (int recNo : selected) {
    if (recNo < 1 || recNo > t.RecordCount()) continue;
    t.SetRecNo(recNo);
    out.push_back(t.GetBookmark());
  }
  return out;
}

// Whether `hay` contains `needle` at a character boundary, ASCII letters compared
// without regard to case.
bool ContainsNoCase(std::string_view hay, std::string_view needle) {
  const std::string h = text::UpperAscii(hay), n = text::UpperAscii(needle);
  if (n.empty()) return true;
  for (std::size_t i = 0; i + n.size() <= h.size(); i += text::CharLength(h, i))
    if (h.compare(i, n.size(), n) == 0) return true;
  return false;
}

std::string_view Resolved(const TDataMd& md, std::string_view formula, std::string& out) {
  return engine::ResolveRefs(formula, md.ValList, md.WinList, out);
}

// A value for the copy buffer, evaluated without touching the one-shot message switch.
double QuietValue(TDataMd& md, std::string_view bds) {
  engine::Evaluator& ev = md.Eval();
  SwitchGuard quiet(ev.ShowExprMsg, false);
  engine::TErTYpe err;
  std::string resolved;
  const double v = ev.EvalFormula(Resolved(md, bds, resolved), err);
  return err.ErKind == engine::kErNone ? v : 0;
}

// Restores the record view after a routine that walked the table failed: a row
// left pending is dropped, otherwise the current row computes again.
void ResetRecordView(TDataMd& md) noexcept {
  try {
    Table& t = md.dataCDataset;
    if (t.State() == TableState::Edit || t.State() == TableState::Insert) t.Cancel();
    else md.RecalcRecords();
  } catch (...) {
    // The failure being reported matters more than the repaint.
  }
}

// --- Undefined names found by a computation.

// A variable for `$[name]`, posted with value 0, then the variables window. Only a
// name that the reference can actually resolve to is defined, so a formula that
// stays undefined cannot add a row at each computation.
void DefineVariable(TDataMd& md, std::string_view formula, const std::string& name) {
  Table& v = md.DataSetVal;
  if (!v.Active() || name.empty()) return;
  const int f = v.FieldIndex("Name");
  if (f < 0) return;
  const auto& def = v.FieldDefs()[static_cast<std::size_t>(f)];
  if (text::CutToBytes(name, static_cast<std::size_t>(def.Size)) != name) return;
  if (formula.find("$[" + name + "]") == std::string_view::npos) return;
  for (const auto& e : md.ValList)
    if (e.Name == name) return;
  {
    SwitchGuard naming(md.NameChecks, false);
    v.Append();  // posts a pending edit of the variables first
    try {
      v.SetAsString(f, name);
      v.Post();
    } catch (...) {
      if (v.State() == TableState::Insert) v.Cancel();
      throw;
    }
  }
  md.App().OpenVariablesWindow();
}

// An opening for `&[name_...]`, appended and left for the user to complete, then
// the door and window window.
void DefineOpening(TDataMd& md, std::string_view formula, const std::string& name) {
  Table& w = md.DataWindows;
  if (!w.Active() || name.empty()) return;
  const int f = w.FieldIndex("Name");
  if (f < 0) return;
  const auto& def = w.FieldDefs()[static_cast<std::size_t>(f)];
  if (text::CutToBytes(name, static_cast<std::size_t>(def.Size)) != name) return;
  if (formula.find("&[" + name + "_") == std::string_view::npos) return;
  for (const auto& e : md.WinList)
    if (e.Name == name) return;
  if (w.State() == TableState::Insert) return;  // a new opening is already waiting
  SwitchGuard naming(md.NameChecks, false);
  if (w.State() == TableState::Edit) {
    // The opening being edited is stored and an empty row is left for the user.
    w.Post();
    w.Append();
    return;
  }
  w.Append();
  w.SetAsString(f, name);
  naming.Restore();
  if (!md.App().OpeningsWindowShown()) md.App().OpenOpeningsWindow();
}

// --- Placements of copied records (the door and window rules own the full set).

void SnapshotPlacements(TDataMd& md, std::vector<setWindRecord>& out, int recordIndex) {
  Table& p = md.DataSetWin;
  if (!p.Active()) return;
  p.Refresh();  // the placements of the current record, also while the record view is off
  const int name = p.FieldIndex("Name"), num = p.FieldIndex("Num"), g = p.FieldIndex("G"),
            side = p.FieldIndex("Side"), sideWidth = p.FieldIndex("SideWidth"), ifTop = p.FieldIndex("ifTop"),
            ifgetS = p.FieldIndex("ifgetS"), ifgetGL = p.FieldIndex("ifgetGL"), ifgetL = p.FieldIndex("ifgetL"),
            ifgetSideS = p.FieldIndex("ifgetSideS"), ifDoor = p.FieldIndex("ifDoor");
  auto cell = [&p](int row, int field) { return field < 0 ? Value{} : p.ValueAt(row, field); };

  Table& w = md.DataWindows;
  const int wName = w.FieldIndex("Name"), wMem = w.FieldIndex("MemText"), wL = w.FieldIndex("L"),
            wS = w.FieldIndex("S"), wW1 = w.FieldIndex("W1"), wW2 = w.FieldIndex("W2"), wH = w.FieldIndex("H"),
            wGL = w.FieldIndex("GL");

  for (int row = 1; row <= p.RecordCount(); ++row) {
    setWindRecord e;
    e.RecordIndex = recordIndex;
    e.Name = std::string(CellText(cell(row, name)));
    e.Num = static_cast<std::int32_t>(IntOf(cell(row, num)));
    e.G = static_cast<std::int16_t>(IntOf(cell(row, g)));
    e.Side = static_cast<std::int16_t>(IntOf(cell(row, side)));
    e.SideWidth = static_cast<std::int16_t>(IntOf(cell(row, sideWidth)));
    e.ifTop = IntOf(cell(row, ifTop)) != 0;
    e.ifgetS = IntOf(cell(row, ifgetS)) != 0;
    e.ifgetGl = IntOf(cell(row, ifgetGL)) != 0;
    e.ifgetL = IntOf(cell(row, ifgetL)) != 0;
    e.ifgetSideS = IntOf(cell(row, ifgetSideS)) != 0;
    e.ifDoor = IntOf(cell(row, ifDoor)) != 0;
    // The type's values, looked up by exact name without moving the catalogue.
    if (w.Active() && wName >= 0) {
      for (int i = 1; i <= w.RecordCount(); ++i) {
        if (CellText(w.ValueAt(i, wName)) != e.Name) continue;
        auto number = [&](int field) { return field < 0 ? 0.0 : CellNumber(w, field, w.ValueAt(i, field)); };
        if (wMem >= 0) e.MemText = std::string(CellText(w.ValueAt(i, wMem)));
        e.L = number(wL);
        e.S = number(wS);
        e.W1 = number(wW1);
        e.W2 = number(wW2);
        e.H = number(wH);
        e.GL = wGL < 0 ? 0 : std::max<std::int32_t>(0, static_cast<std::int32_t>(IntOf(w.ValueAt(i, wGL))));
        break;
      }
    }
    out.push_back(std::move(e));
  }
}

// The copy-buffer entry of the current record.
DataRd TakeRecord(TDataMd& md, const Table& t, const RecordFieldNos& f) {
  DataRd d;
  d.DM = std::string(Text(t, f.DM));
  d.Name = std::string(Text(t, f.Name));
  d.DW = std::string(Text(t, f.DW));
  d.BDS = std::string(Text(t, f.BDS));
  d.Val = QuietValue(md, d.BDS);
  d.Type = static_cast<std::int32_t>(t.AsInteger(f.Type));
  d.Grp = std::string(Text(t, f.Grp));
  d.Gid = std::string(Text(t, f.Gid));
  d.BDSdt = std::string(Text(t, f.BDSdt));
  d.BDSNum = static_cast<std::int32_t>(t.AsInteger(f.BDSNum));
  d.BDSZS = std::string(Text(t, f.BDSZS));
  d.AX1 = std::string(Text(t, f.AX1));
  d.AX2 = std::string(Text(t, f.AX2));
  d.AX3 = std::string(Text(t, f.AX3));
  d.AX4 = std::string(Text(t, f.AX4));
  d.fjBDS = static_cast<std::int32_t>(t.AsInteger(f.fjBDS));
  d.AddVal = std::string(Text(t, f.AddVal));
  d.XSVal = std::string(Text(t, f.XSVal));
  return d;
}

// Fills the new row from a copy-buffer entry. The quantity is not written: it is
// computed from the formula.
void PutRecord(TDataMd& md, Table& t, const RecordFieldNos& f, const DataRd& d) {
  SwitchGuard quiet(md.QuietFieldHooks, true);
  t.SetAsString(f.DM, d.DM);
  t.SetAsString(f.Name, d.Name);
  t.SetAsString(f.DW, d.DW);
  t.SetAsString(f.BDS, d.BDS);
  t.SetAsString(f.Grp, d.Grp);
  t.SetAsString(f.Gid, d.Gid);
  t.SetAsString(f.BDSdt, d.BDSdt);
  t.SetAsInteger(f.BDSNum, d.BDSNum);
  t.SetAsString(f.BDSZS, d.BDSZS);
  t.SetAsString(f.AX1, d.AX1);
  t.SetAsString(f.AX2, d.AX2);
  t.SetAsString(f.AX3, d.AX3);
  t.SetAsString(f.AX4, d.AX4);
  t.SetAsInteger(f.fjBDS, d.fjBDS);
  t.SetAsString(f.AddVal, d.AddVal);
  t.SetAsString(f.XSVal, d.XSVal);
  t.SetAsInteger(f.Type, d.Type);
}

// Gives the current record a quota item (code, name, unit, rescaled formula) and posts.
void AssignQuotaToRecord(TDataMd& md, Table& t, const QuotaItem& item, int nameMode, const std::string& name) {
  const RecordFieldNos& f = md.RecordFields();
  t.Edit();
  t.SetAsString(f.Name, nameMode == 1 ? name + "  " + std::string(Text(t, f.Name)) : name);
  // The code is the item's own: looking it up again would replace the name just given.
  SetQuietly(md, t, f.DM, item.StoredCode);
  md.QuotaCheckPending.reset();  // a code typed before must not replace the item's on post
  std::string dw(Text(t, f.DW)), bds(Text(t, f.BDS));
  const std::string before = bds;
  engine::ConvertToQuotaUnit(item.Unit, dw, bds);
  if (bds != before) t.SetAsString(f.BDS, bds);
  t.SetAsString(f.DW, dw);
  t.Post();
}

}  // namespace

void RestorePlacements(TDataMd& md, const std::vector<setWindRecord>& entries, const std::vector<std::int64_t>& absIds,
                       bool keepExtraction) {
  Table& p = md.DataSetWin;
  if (!p.Active() || entries.empty()) return;
  const int absId = p.FieldNo("AbsId"), name = p.FieldNo("Name"), num = p.FieldNo("Num"), g = p.FieldNo("G"),
            side = p.FieldNo("Side"), sideWidth = p.FieldNo("SideWidth"), ifTop = p.FieldNo("ifTop"),
            ifDoor = p.FieldNo("ifDoor"), ifgetS = p.FieldNo("ifgetS"), ifgetGL = p.FieldNo("ifgetGL"),
            ifgetL = p.FieldNo("ifgetL"), ifgetSideS = p.FieldNo("ifgetSideS");
  try {
    for (const setWindRecord& e : entries) {
      if (e.RecordIndex < 0 || static_cast<std::size_t>(e.RecordIndex) >= absIds.size()) continue;
      p.Append();
      p.SetAsInteger(absId, absIds[static_cast<std::size_t>(e.RecordIndex)]);
      p.SetAsString(name, e.Name);
      p.SetAsInteger(num, e.Num);
      p.SetAsInteger(g, e.G);
      p.SetAsInteger(side, e.Side);
      p.SetAsInteger(sideWidth, e.SideWidth);
      p.SetAsBoolean(ifTop, e.ifTop);
      p.SetAsBoolean(ifDoor, e.ifDoor);
      p.SetAsBoolean(ifgetS, keepExtraction && e.ifgetS);
      p.SetAsBoolean(ifgetGL, keepExtraction && e.ifgetGl);
      p.SetAsBoolean(ifgetL, keepExtraction && e.ifgetL);
      p.SetAsBoolean(ifgetSideS, keepExtraction && e.ifgetSideS);
      p.Post();
    }
  } catch (...) {
    if (p.State() == TableState::Insert) p.Cancel();
    throw;
  }
}


// ---------------------------------------------------------------------------
// Hooks

void InstallRecordHooks(TDataMd& md) {
  Table& t = md.dataCDataset;
  TDataMd* m = &md;
  t.Hooks.OnCalcFields = [m](Table& r, CalcReason why) { ComputeRecord(*m, r, why); };
  t.Hooks.BeforeEdit = [m](Table&) { m->RecalcHold = true; };
  t.Hooks.AfterEdit = [m](Table&) { m->RecalcHold = false; };
  t.Hooks.AfterCancel = [m](Table&) {
    m->RecalcHold = false;
    m->QuotaCheckPending.reset();  // a cancelled code must not reach the next record
  };
  t.Hooks.BeforePost = [m](Table& r) {
    m->PostingNewRecord = r.State() == TableState::Insert;
    RecordBeforePost(*m, r);
  };
  t.Hooks.AfterPost = [m](Table& r) {
    if (m->PostedRows && m->PostingNewRecord) m->PostedRows->push_back(r.GetBookmark());
    m->PostingNewRecord = false;
    m->App().MarkModified();
  };
  t.Hooks.BeforeDelete = [m](Table& r) { RecordBeforeDelete(*m, r); };
  t.Hooks.AfterDelete = [m](Table&) { m->App().MarkModified(); };
  t.Hooks.OnFilterRecord = [m](Table& r) { return RecordPassesFind(*m, r); };
  t.SetFieldHook("BDS", [m](Table& r, int) { ValidateFormula(*m, r); });
  t.SetFieldHook("DM", [m](Table& r, int) { CheckQuotaCode(*m, r); });
}

void ComputeRecord(TDataMd& md, Table& t, CalcReason why) {
  // Rows being edited are computed once posted and read again.
  if (why == CalcReason::FieldChange || md.BulkOpInProgress || !md.CalcEnabled || md.RecalcHold) return;
  const RecordFieldNos& f = md.RecordFields();
  if (f.BDS < 0 || f.Val < 0 || f.ifER < 0 || f.MemStr < 0) return;

  const std::string_view bds = Text(t, f.BDS);
  engine::TErTYpe err;
  std::string resolved;
  const double value = md.Eval().EvalFormula(Resolved(md, bds, resolved), err);
  // The quantity is rounded here and written as the field's scaled cell. A value
  // beyond the field's range is marked as an error rather than raised in the middle
  // of a fetch.
  const int places = t.FieldDefs()[static_cast<std::size_t>(f.Val)].Size;
  std::optional<std::int64_t> scaled;
  if (err.ErKind == engine::kErNone) scaled = DecimalFromDouble(value, places);
  const bool failed = !scaled;
  t.SetValue(f.Val, Value{scaled.value_or(0)});
  t.SetAsBoolean(f.ifER, failed);
  t.SetValue(f.MemStr, engine::AnnotationText(Text(t, f.TU), Text(t, f.TH), Text(t, f.AX1), Text(t, f.AX2),
                                              Text(t, f.AX3), Text(t, f.AX4), Text(t, f.BDSZS)));

  if (err.ErKind != engine::kErUndefinedVariable && err.ErKind != engine::kErUndefinedOpening) return;
  if (md.ComputeDepth > 0) return;  // defining a name from inside a definition
  ++md.ComputeDepth;
  struct Depth {
    int& n;
    ~Depth() { --n; }
  } depth{md.ComputeDepth};
  const std::string formula(bds);
  try {
    if (err.ErKind == engine::kErUndefinedVariable) DefineVariable(md, formula, err.ErName);
    else DefineOpening(md, formula, err.ErName);
  } catch (const Abort&) {
    // Refused silently by a hook of the other table.
  } catch (const std::exception& e) {
    // A refused definition (for instance a pending variable that cannot be posted)
    // is reported; the record keeps its error mark.
    md.GetHost().MessageBox(e.what(), platform::MsgCaption::Warning, platform::MsgIcon::Warning,
                            platform::MsgButtons::Ok);
  }
}

void ValidateFormula(TDataMd& md, Table& t) {
  if (md.QuietFieldHooks) return;
  const RecordFieldNos& f = md.RecordFields();
  {
    SwitchGuard hold(md.RecalcHold, true);
    if (f.Type >= 0) {
      const std::int64_t type = t.AsInteger(f.Type);
      t.SetAsInteger(f.Type, type == 2 ? 4 : type == 3 ? 5 : 1);
    }
  }
  md.Eval().ShowExprMsg = true;
}

void CheckQuotaCode(TDataMd& md, Table& t) {
  if (md.QuietFieldHooks) return;
  const RecordFieldNos& f = md.RecordFields();
  std::optional<QuotaItem> item = md.App().LookUpQuotaCode(Text(t, f.DM));
  if (!item) {
    md.QuotaCheckPending.reset();  // only the code last typed may be rewritten
    return;
  }
  md.QuotaCheckPending = item->StoredCode;
  t.SetAsString(f.Name, item->Name);
  std::string dw(Text(t, f.DW)), bds(Text(t, f.BDS));
  const std::string before = bds;
  engine::ConvertToQuotaUnit(item->Unit, dw, bds);
  if (bds != before) t.SetAsString(f.BDS, bds);
  t.SetAsString(f.DW, dw);
}

void RecordBeforePost(TDataMd& md, Table& t) {
  const RecordFieldNos& f = md.RecordFields();
  if (f.Id >= 0 && t.AsInteger(f.Id) == 0) {
    if (md.LastRecordId == std::numeric_limits<std::int32_t>::max())
      throw TableError("'" + std::to_string(static_cast<std::int64_t>(md.LastRecordId) + 1) +
                       "' is not a valid value for field '" + t.FieldDefs()[static_cast<std::size_t>(f.Id)].Label() +
                       "'");
    ++md.LastRecordId;
    t.SetAsInteger(f.Id, md.LastRecordId);
  }
  if (md.QuotaCheckPending && f.DM >= 0) {
    SetQuietly(md, t, f.DM, *md.QuotaCheckPending);
    md.QuotaCheckPending.reset();
  }
  md.App().StampLastModified();
}

void RecordBeforeDelete(TDataMd& md, Table&) {
  Table& p = md.DataSetWin;
  if (!p.Active()) return;
  const bool attached = p.MasterAttached();
  if (attached) p.Refresh();  // the record's placements, also while the record view is off
  else p.AttachMaster();
  while (!p.IsEmpty()) p.Delete();
  if (!attached) p.DetachMaster();
}

bool RecordPassesFind(TDataMd& md, Table& t) {
  if (md.FindField.empty() || md.FindText.empty()) return true;
  const int f = t.FieldIndex(md.FindField);
  if (f < 0) return true;
  return ContainsNoCase(t.AsString(f), md.FindText);
}

// ---------------------------------------------------------------------------
// Operations

int InsertRecords(TDataMd& md, int n, bool fromBuffer) {
  Table& t = md.dataCDataset;
  if (n < 1 || n > 65535) throw std::out_of_range("InsertRecords: 1 to 65535 records");
  if (!t.Active()) throw TableError("Cannot perform this operation on a closed dataset (" + t.Name() + ")");
  const RecordFieldNos& f = md.RecordFields();
  std::int64_t first = 0;
  std::vector<std::int64_t> absIds;
  try {
    ViewsOff view(t);
    SwitchGuard calc(md.CalcEnabled, false);

    // The record in front of which the new ones go; a new row counts as none.
    std::int64_t a = t.State() == TableState::Insert || t.IsEmpty() ? 0 : t.AsInteger(f.Id);
    t.Last();  // posts a pending edit
    const std::int64_t lastId = t.IsEmpty() ? 0 : t.AsInteger(f.Id);
    if (lastId + n > std::numeric_limits<std::int32_t>::max())
      throw TableError("'" + std::to_string(lastId + n) + "' is not a valid value for field '" +
                       t.FieldDefs()[static_cast<std::size_t>(f.Id)].Label() + "'");
    md.LastRecordId = static_cast<std::int32_t>(lastId + n);

    if (a == 0) {
      a = lastId + 1;
    } else {
      // Make room: from the last record back, Ids from a on move up by n.
      while (!t.IsEmpty() && t.AsInteger(f.Id) >= a) {
        const Table::Bookmark b = t.GetBookmark();
        t.Edit();
        t.SetAsInteger(f.Id, t.AsInteger(f.Id) + n);
        t.Post();
        if (t.GetBookmark() != b) t.GotoBookmark(b);  // the table re-sorts on post
        if (t.RecNo() <= 1) break;
        t.Prior();
      }
    }

    view.Release();
    first = a;
    for (int i = 0; i < n; ++i) {
      t.Insert();
      t.SetAsInteger(f.Id, a + i);
      if (fromBuffer && static_cast<std::size_t>(i) < md.CopyBuffer.size())
        PutRecord(md, t, f, md.CopyBuffer[static_cast<std::size_t>(i)]);
      t.Post();
      absIds.push_back(t.AsInteger(f.AbsId));
    }

    calc.Restore();
    md.RecalcRecords();
    if (fromBuffer) RestorePlacements(md, md.PlacementBuffer, absIds, false);
  } catch (...) {
    ResetRecordView(md);  // the switches are back by now
    throw;
  }
  return static_cast<int>(first);
}

void CopyRecords(TDataMd& md, const std::vector<int>& selected) {
  Table& t = md.dataCDataset;
  if (!t.Active()) return;
  const RecordFieldNos& f = md.RecordFields();
  {
    SwitchGuard bulk(md.BulkOpInProgress, true);
    md.CopyBuffer.clear();
    md.PlacementBuffer.clear();
    const std::vector<Table::Bookmark> rows =
        Targets(t, selected.size() > 1 ? selected : std::vector<int>{});
    const Table::Bookmark keep = t.GetBookmark();
    for (Table::Bookmark b : rows) {
      if (!t.GotoBookmark(b)) continue;
      md.CopyBuffer.push_back(TakeRecord(md, t, f));
      SnapshotPlacements(md, md.PlacementBuffer, static_cast<int>(md.CopyBuffer.size()) - 1);
    }
    if (keep) t.GotoBookmark(keep);
  }
  md.RecalcRecords();
  md.PasteEnabled = !md.CopyBuffer.empty();
}

void PasteRecords(TDataMd& md) {
  Table& t = md.dataCDataset;
  if (!md.PasteEnabled || md.CopyBuffer.empty() || !t.Active()) return;
  const int n = static_cast<int>(md.CopyBuffer.size());
  {
    SwitchGuard bulk(md.BulkOpInProgress, true);
    try {
      const int first = InsertRecords(md, n, true);
      t.Locate("Id", std::to_string(first));
    } catch (...) {
      bulk.Restore();  // the records pasted so far show their quantities
      ResetRecordView(md);
      throw;
    }
    if (n > 50) {  // a large buffer is pasted once
      md.CopyBuffer.clear();
      md.PlacementBuffer.clear();
      md.PasteEnabled = false;
    }
  }
  md.RecalcRecords();
}

void RenumberAfterDelete(TDataMd& md, const std::vector<int>& selected) {
  Table& t = md.dataCDataset;
  if (!t.Active()) return;
  const RecordFieldNos& f = md.RecordFields();
  {
    SwitchGuard hold(md.RecalcHold, true);
    if (selected.empty()) {
      if (t.State() == TableState::Insert || !t.IsEmpty()) t.Delete();
    } else {
      for (Table::Bookmark b : Targets(t, selected))
        if (t.GotoBookmark(b)) t.Delete();
    }
    {
      SwitchGuard calc(md.CalcEnabled, false);
      ViewsOff view(t);
      const Table::Bookmark keep = t.GetBookmark();
      // Every row is numbered by its position: with several rows deleted, rows in
      // front of the current one may have moved up too.
      t.First();
      for (int pos = 1; pos <= t.RecordCount(); ++pos) {
        if (t.AsInteger(f.Id) != pos) {
          t.Edit();
          t.SetAsInteger(f.Id, pos);
          t.Post();
        }
        if (pos < t.RecordCount()) t.Next();
      }
      if (keep) t.GotoBookmark(keep);
      SetLastRecordId(md);  // new records continue the numbering without a gap
    }
    md.App().MarkModified();
  }
  md.RecalcRecords();
}

void PostPendingRecord(TDataMd& md) {
  Table& t = md.dataCDataset;
  if (t.State() == TableState::Edit || t.State() == TableState::Insert) t.Post();
}

void SetLastRecordId(TDataMd& md) {
  Table& t = md.dataCDataset;
  const int id = md.RecordFields().Id;
  // The last row is read in place: the cursor and the current row's quantity stay.
  md.LastRecordId = !t.Active() || t.IsEmpty() || id < 0
                        ? 0
                        : static_cast<std::int32_t>(IntOf(t.ValueAt(t.RecordCount(), id)));
}

bool BrushTake(TDataMd& md) {
  Table& t = md.dataCDataset;
  if (!t.Active()) return false;
  const RecordFieldNos& f = md.RecordFields();
  md.Brush = {std::string(Text(t, f.DM)), std::string(Text(t, f.Name)), std::string(Text(t, f.DW))};
  return !t.IsEmpty();
}

void BrushApply(TDataMd& md) {
  Table& t = md.dataCDataset;
  if (!t.Active() || (t.IsEmpty() && t.State() != TableState::Insert)) return;
  const RecordFieldNos& f = md.RecordFields();
  t.Edit();
  t.SetAsString(f.Name, md.Brush.Name);
  t.SetAsString(f.DM, md.Brush.DM);  // the quota-code check may bring the library's name and unit
  t.SetAsString(f.DW, md.Brush.DW);  // the copied unit is the one that stays
  t.Post();
}

void AssignQuotaToSelection(TDataMd& md, int mode, const std::vector<int>& selected) {
  Table& t = md.dataCDataset;
  if (!t.Active()) return;
  const std::optional<QuotaItem> item = md.App().CurrentQuotaItem();
  if (!item) return;
  std::string name = item->Name;
  if (!md.GetHost().InputBox(Gbk("编辑子目名"), Gbk("请输入子目名称"), name)) name = item->Name;
  if (mode != 0 && mode != 1) return;

  if (t.IsEmpty() && t.State() != TableState::Insert) {
    t.Append();  // no record yet: the item starts one
    AssignQuotaToRecord(md, t, *item, mode, name);
    return;
  }
  for (Table::Bookmark b : Targets(t, selected))
    if (t.GotoBookmark(b)) AssignQuotaToRecord(md, t, *item, mode, name);
}

}  // namespace takeoff::data
