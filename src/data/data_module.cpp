#include "data/data_module.h"

#include <stdexcept>
#include <utility>

#include "data/decimal.h"
#include "data/project_tables.h"
#include "data/records.h"
#include "data/variables.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::data {

namespace {

struct NamedField {
  int RecordFieldNos::*Member;
  const char* Name;
};

constexpr NamedField kRecordFieldNames[] = {
    {&RecordFieldNos::DM, "DM"},         {&RecordFieldNos::Parent, "Parent"}, {&RecordFieldNos::Name, "Name"},
    {&RecordFieldNos::DW, "DW"},         {&RecordFieldNos::BDS, "BDS"},       {&RecordFieldNos::Id, "Id"},
    {&RecordFieldNos::Grp, "Grp"},       {&RecordFieldNos::Gid, "Gid"},       {&RecordFieldNos::BDSdt, "BDSdt"},
    {&RecordFieldNos::BDSZS, "BDSZS"},   {&RecordFieldNos::BDSNum, "BDSNum"}, {&RecordFieldNos::AX1, "AX1"},
    {&RecordFieldNos::AX2, "AX2"},       {&RecordFieldNos::AX3, "AX3"},       {&RecordFieldNos::AX4, "AX4"},
    {&RecordFieldNos::fjBDS, "fjBDS"},   {&RecordFieldNos::AddVal, "AddVal"}, {&RecordFieldNos::XSVal, "XSVal"},
    {&RecordFieldNos::Type, "Type"},     {&RecordFieldNos::AbsId, "AbsId"},   {&RecordFieldNos::TU, "TU"},
    {&RecordFieldNos::TH, "TH"},         {&RecordFieldNos::Val, "Val"},       {&RecordFieldNos::MemStr, "MemStr"},
    {&RecordFieldNos::ifER, "ifER"},
};

// Cells are read through their accessors where the cell type has them, else as
// the variant of integer, double and bytes.
template <class V>
std::string_view TextOfCell(const V& v) {
  if constexpr (requires { v.Text(); }) {
    return v.Text();
  } else {
    const auto s = TextIf(v);
    return s ? std::string_view(*s) : std::string_view();
  }
}

template <class V>
std::optional<std::int64_t> IntegerOfCell(const V& v) {
  if constexpr (requires { v.IsInt(); }) {
    if (v.IsInt()) return v.Int();
    return std::nullopt;
  } else {
    const auto* n = IntIf(v);
    return n ? std::optional<std::int64_t>(*n) : std::nullopt;
  }
}

template <class V>
std::optional<double> DoubleOfCell(const V& v) {
  if constexpr (requires { v.IsDouble(); }) {
    if (v.IsDouble()) return v.Double();
    return std::nullopt;
  } else {
    const auto* d = DoubleIf(v);
    return d ? std::optional<double>(*d) : std::nullopt;
  }
}

}  // namespace

std::string_view CellText(const Value& v) { return TextOfCell(v); }

std::optional<std::int64_t> CellInteger(const Value& v) { return IntegerOfCell(v); }

double CellNumber(const Table& t, int field, const Value& v) {
  if (auto n = IntegerOfCell(v))
    return t.FieldDefs()[static_cast<std::size_t>(field)].Type == FieldType::Decimal ? DecimalToDouble(*n)
                                                                                    : static_cast<double>(*n);
  return DoubleOfCell(v).value_or(0);
}

bool RecordFieldNos::Fits(const Table& t) const {
  const auto& defs = t.FieldDefs();
  for (const NamedField& f : kRecordFieldNames) {
    const int i = this->*f.Member;
    if (i < 0) {
      if (t.FieldIndex(f.Name) >= 0) return false;
      continue;
    }
    if (static_cast<std::size_t>(i) >= defs.size() || defs[static_cast<std::size_t>(i)].Name != f.Name) return false;
  }
  return true;
}

void RecordFieldNos::Resolve(const Table& t) {
  for (const NamedField& f : kRecordFieldNames) this->*f.Member = t.FieldIndex(f.Name);
  Defs = t.FieldDefs().data();
  DefsSize = t.FieldDefs().size();
}

ViewsOff::~ViewsOff() {
  try {
    Release();
  } catch (...) {
    // Switching the views on again re-reads the details; a failure there must not
    // end the program while the scope unwinds.
  }
}

void ViewsOff::Release() {
  if (!off_) return;
  off_ = false;
  t_.EnableControls();
}

TDataMd::TDataMd(platform::Host& host, engine::Evaluator& evaluator, AppRequests& app,
                 std::filesystem::path programFolder)
    : host_(host), eval_(evaluator), app_(app), folder_(std::move(programFolder)) {
  if (folder_.empty()) throw std::invalid_argument("the data module needs the program folder");

  dataCDataset.SetFieldDefs(data::RecordFields());
  dataCDataset.SetIndexFields(RecordOrder());
  dataCDataset.SetFileName(WorkingFile(kRecordFile));

  CDataSet1.SetFieldDefs(NodeFields());
  CDataSet1.SetIndexFields(NodeOrder());
  CDataSet1.SetFileName(WorkingFile(kNodeFile));
  CDataSet1.SetFiltered(true);
  dataCDataset.SetMaster(&CDataSet1, {"Key"}, {"Parent"});

  DataWindows.SetFieldDefs(OpeningFields());
  DataWindows.SetFileName(WorkingFile(kOpeningFile));

  DataSetWin.SetFieldDefs(PlacementFields());
  DataSetWin.SetIndexFields(PlacementOrder());
  DataSetWin.SetFileName(WorkingFile(kPlacementFile));
  DataSetWin.SetMaster(&dataCDataset, {"AbsId"}, {"AbsId"});

  DataSetVal.SetFieldDefs(VariableFields());
  DataSetVal.SetFileName(WorkingFile(kVariableFile));

  dekDataSet.SetFieldDefs(QuotaFields());
  dekDataSet.SetIndexFields(QuotaOrder());
  dekDataSet.SetFileName(WorkingFile(kQuotaFile));
  dekDataSet.SetCaseInsensitive(true);

  // The libraries take their fields from their files.
  const std::pair<Table*, const char*> libraries[] = {
      {&DtDataSet, kSysFormulaFile}, {&UseDtDataSet, kUseFormulaFile}, {&WinPicDataSet, kShapeFile}};
  for (auto [table, file] : libraries) {
    table->SetIndexFields(LibraryOrder());
    table->SetFileName(WorkingFile(file));
    table->SetFiltered(true);
  }

  PrvNowDataSet.SetFieldDefs(SubtotalFields());
  PrvNowDataSet.CreateDataSet();

  recordFields_.Resolve(dataCDataset);
  InstallRecordHooks(*this);
  InstallVariableHooks(*this);
  InstallNodeHooks();
  InstallOpeningHooks();
}

TDataMd::~TDataMd() {
  try {
    DtDataSet.Close();
  } catch (...) {
    // Writing the working file of a read-only library may fail at exit; nothing is lost.
  }
}

std::string TDataMd::WorkingFile(const char* name) const {
  // Table files take code page 936 paths, as every path of the system.
  const std::string native = (folder_ / name).string();
  try {
    return text::Utf8ToCp936(native);
  } catch (const text::ConversionError&) {
    return native;
  }
}

const RecordFieldNos& TDataMd::RecordFields() {
  // A field list is only ever replaced as a whole (a new vector), so the check by
  // name runs only then, not for every row computed.
  const auto& defs = dataCDataset.FieldDefs();
  if (defs.data() == recordFields_.Defs && defs.size() == recordFields_.DefsSize) return recordFields_;
  if (!recordFields_.Fits(dataCDataset)) recordFields_.Resolve(dataCDataset);
  recordFields_.Defs = defs.data();
  recordFields_.DefsSize = defs.size();
  return recordFields_;
}

void TDataMd::NewProjectTables() {
  // The quantity keeps the decimal places it was given (settings).
  int places = 2;
  if (int f = dataCDataset.FieldIndex("Val"); f >= 0) places = dataCDataset.FieldDefs()[static_cast<std::size_t>(f)].Size;

  auto recreate = [this](Table& t, std::vector<FieldDef> defs, const char* file) {
    t.Close();
    t.SetFieldDefs(std::move(defs));
    t.SetFileName(WorkingFile(file));
    t.CreateDataSet();
  };
  recreate(dataCDataset, data::RecordFields(places), kRecordFile);
  recreate(DataWindows, OpeningFields(), kOpeningFile);
  recreate(DataSetWin, PlacementFields(), kPlacementFile);
  recreate(DataSetVal, VariableFields(), kVariableFile);
  dataCDataset.First();
  app_.ClearModified();

  if (!WinPicDataSet.FieldDefs().empty() && !WinPicDataSet.Active()) {
    std::error_code ec;
    if (std::filesystem::exists(WinPicDataSet.FileName(), ec)) WinPicDataSet.LoadFromFile();
    else WinPicDataSet.CreateDataSet();
  }
}

void TDataMd::RecalcRecords() {
  Table& t = dataCDataset;
  if (!t.Active() || t.State() != TableState::Browse || t.IsEmpty()) return;
  t.Edit();
  t.Cancel();
}

void TDataMd::InstallNodeHooks() {
  CDataSet1.Hooks.AfterPost = [this](Table&) { app_.MarkModified(); };
  CDataSet1.Hooks.AfterDelete = [this](Table&) { app_.MarkModified(); };
  CDataSet1.Hooks.BeforeDelete = [this](Table&) { DeleteNodeRecords(); };
}

// The records of the node being deleted (the node table's current row) go with it,
// and with each record its placements.
void TDataMd::DeleteNodeRecords() {
  Table& r = dataCDataset;
  if (!r.Active()) return;
  SwitchGuard calc(CalcEnabled, false);
  const bool attached = r.MasterAttached();
  if (attached) r.Refresh();  // the records follow the node even while views are off
  else r.AttachMaster();
  while (!r.IsEmpty()) r.Delete();
  if (!attached) r.DetachMaster();
}

void TDataMd::InstallOpeningHooks() {
  DataWindows.Hooks.AfterOpen = [this](Table&) { RebuildOpeningCache(*this); };
  DataWindows.Hooks.OnCalcFields = [](Table& t, CalcReason) {
    if (int f = t.FieldIndex("AutoId"); f >= 0) t.SetAsInteger(f, t.RecNo());
  };
}

void RebuildOpeningCache(TDataMd& md) {
  Table& t = md.DataWindows;
  md.WinList.clear();
  if (!t.Active()) return;
  const int name = t.FieldIndex("Name"), s = t.FieldIndex("S"), h = t.FieldIndex("H"), w1 = t.FieldIndex("W1"),
            w2 = t.FieldIndex("W2"), l = t.FieldIndex("L");
  auto number = [&t](int row, int field) { return field < 0 ? 0.0 : CellNumber(t, field, t.ValueAt(row, field)); };
  md.WinList.reserve(static_cast<std::size_t>(t.RecordCount()));
  for (int row = 1; row <= t.RecordCount(); ++row) {
    engine::ValWinRecords w;
    if (name >= 0) w.Name = std::string(CellText(t.ValueAt(row, name)));
    w.S = number(row, s);
    w.H = number(row, h);
    w.W1 = number(row, w1);
    w.W2 = number(row, w2);
    w.L = number(row, l);
    md.WinList.push_back(std::move(w));
  }
}

}  // namespace takeoff::data
