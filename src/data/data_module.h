#pragma once
// TDataMd: the data module. It owns every project and library table, the caches
// that mirror variables and openings for formula resolution, the copy buffers and
// the process-wide switches of the record and variable rules, and installs the
// hooks through which those rules run.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/app_requests.h"
#include "data/table.h"
#include "engine/resolve_refs.h"

namespace takeoff::platform { class Host; }
namespace takeoff::engine { class Evaluator; }

namespace takeoff::data {

// A copied calculation record (TU and TH are not carried).
struct DataRd {
  std::string DM, Name, DW;
  double Val = 0;
  std::int32_t Type = 1;
  std::string BDS, Grp, Gid, BDSdt;
  std::int32_t BDSNum = 1;
  std::string BDSZS, AX1, AX2, AX3, AX4;
  std::int32_t fjBDS = 0;
  std::string AddVal, XSVal;
};

// A copied opening placement with the values of its type. RecordIndex is the
// position of its record among the copied records.
struct setWindRecord {
  int RecordIndex = 0;
  std::int32_t Num = 1;  // the placement's count, kept at the field's full width
  std::int16_t G = 0;
  std::string Name, MemText;
  double L = 0, S = 0, W1 = 0, W2 = 0, H = 0;
  std::int16_t Side = 0, SideWidth = 100;
  bool ifTop = false, ifgetS = false, ifgetGl = false, ifgetL = false, ifgetSideS = false, ifDoor = false;
  std::int32_t GL = 0;
};

// The quota format brush: code, name and unit of one record.
struct DekRecord {
  std::string DM, Name, DW;
};

// Field numbers of the record table, looked up once per field layout.
struct RecordFieldNos {
  int DM = -1, Parent = -1, Name = -1, DW = -1, BDS = -1, Id = -1, Grp = -1, Gid = -1, BDSdt = -1, BDSZS = -1,
      BDSNum = -1, AX1 = -1, AX2 = -1, AX3 = -1, AX4 = -1, fjBDS = -1, AddVal = -1, XSVal = -1, Type = -1,
      AbsId = -1, TU = -1, TH = -1, Val = -1, MemStr = -1, ifER = -1;

  // Whether the numbers still name these fields of `t`.
  bool Fits(const Table& t) const;
  void Resolve(const Table& t);

  // The field list they were resolved for: a list replaced since is a new vector.
  const FieldDef* Defs = nullptr;
  std::size_t DefsSize = 0;
};

// Sets a switch for a scope and restores its previous value at the end, also when
// the scope is left by an exception.
class SwitchGuard {
public:
  SwitchGuard(bool& sw, bool value) : sw_(sw), old_(sw) { sw = value; }
  ~SwitchGuard() { sw_ = old_; }
  SwitchGuard(const SwitchGuard&) = delete;
  SwitchGuard& operator=(const SwitchGuard&) = delete;
  void Restore() { sw_ = old_; }

private:
  bool& sw_;
  bool old_;
};

// Switches a table's views off for a scope (no window repaints or follows it).
class ViewsOff {
public:
  explicit ViewsOff(Table& t) : t_(t) { t.DisableControls(); }
  ~ViewsOff();
  ViewsOff(const ViewsOff&) = delete;
  ViewsOff& operator=(const ViewsOff&) = delete;
  void Release();  // switches the views on again before the scope ends

private:
  Table& t_;
  bool off_ = true;
};

class TDataMd {
public:
  // Working files are kept in `programFolder`.
  TDataMd(platform::Host& host, engine::Evaluator& evaluator, AppRequests& app, std::filesystem::path programFolder);
  ~TDataMd();
  TDataMd(const TDataMd&) = delete;
  TDataMd& operator=(const TDataMd&) = delete;

  platform::Host& GetHost() { return host_; }
  engine::Evaluator& Eval() { return eval_; }
  AppRequests& App() { return app_; }
  const std::filesystem::path& ProgramFolder() const { return folder_; }
  std::string WorkingFile(const char* name) const;

  // Empties the record, opening, placement and variable tables (each re-created
  // with its field list and bound to its working file), moves to the first record
  // and clears the modified mark; opens the shape library when it has fields.
  void NewProjectTables();

  // Puts the current record into edit and cancels, so that it and every displayed
  // record compute again (only from browse state).
  void RecalcRecords();

  // --- Project tables.
  Table dataCDataset{"dataCDataset"};  // calculation records, detail of CDataSet1 (Key -> Parent)
  Table CDataSet1{"CDataSet1"};        // nodes of the project tree
  Table DataWindows{"DataWindows"};    // door and window catalogue
  Table DataSetWin{"DataSetWin"};      // placements, detail of dataCDataset (AbsId -> AbsId)
  Table DataSetVal{"DataSetVal"};      // project variables
  // --- Library and summary tables.
  Table dekDataSet{"dekDataSet"};        // the quota library in use
  Table DtDataSet{"DtDataSet"};          // system formula library
  Table UseDtDataSet{"UseDtDataSet"};    // user formula library
  Table WinPicDataSet{"WinPicDataSet"};  // door and window shape library
  Table PrvNowDataSet{"PrvNowDataSet"};  // subtotal of the current page

  // --- Caches mirroring the variables and openings for formula resolution.
  std::vector<engine::ValRecords> ValList;
  std::vector<engine::ValWinRecords> WinList;

  // --- Copy buffers.
  std::vector<DataRd> CopyBuffer;
  std::vector<setWindRecord> PlacementBuffer;  // placements of the copied records
  bool PasteEnabled = false;                   // the paste command
  DekRecord Brush;

  // --- Switches of the record and variable rules.
  bool CalcEnabled = true;         // off while a routine walks the record table
  bool BulkOpInProgress = false;   // on while records or nodes are copied or pasted
  bool RecalcHold = false;         // on while a row enters edit, a formula is validated, rows are deleted
  bool NameChecks = true;          // automatic naming and duplicate check of variables and openings
  bool ShowDuplicateMsg = true;    // the duplicate-name message is shown once until the next post
  std::int32_t LastRecordId = 0;   // highest record Id handed out in the current node
  std::string OldVarName;          // name of the variable row being edited

  // --- Find filter of the record table: field name and text (case-insensitive contains).
  std::string FindField, FindText;

  // The stored form of a quota code typed into the record being edited and found in
  // the library; written into DM when the record is posted.
  std::optional<std::string> QuotaCheckPending;

  // Set while the rules write field values themselves (copies from the buffer, the
  // quota prefix), so that the field hooks meant for the user's input stay quiet.
  bool QuietFieldHooks = false;
  // Depth of record computations in progress: a variable defined from inside one
  // does not start another round of recomputation.
  int ComputeDepth = 0;

  // While set, every new record posted is added here (the grid highlights the rows
  // pasted, assigned or generated).
  std::vector<Table::Bookmark>* PostedRows = nullptr;
  bool PostingNewRecord = false;  // between before and after post of a new record

  // Field numbers of the record table for its current layout.
  const RecordFieldNos& RecordFields();

private:
  void InstallNodeHooks();
  void InstallOpeningHooks();
  void DeleteNodeRecords();

  platform::Host& host_;
  engine::Evaluator& eval_;
  AppRequests& app_;
  std::filesystem::path folder_;
  RecordFieldNos recordFields_;
};

// Rebuilds the opening cache from the catalogue.
void RebuildOpeningCache(TDataMd& md);

// Reading cells fetched with Table::ValueAt or StoredRow.
// The bytes of a text cell, "" for any other (the view lives as long as `v`).
std::string_view CellText(const Value& v);
// An integer cell (a decimal's is scaled by 10^4); nothing for any other.
std::optional<std::int64_t> CellInteger(const Value& v);
// A numeric cell of field `field` of `t` as a number (decimals unscaled); 0 otherwise.
double CellNumber(const Table& t, int field, const Value& v);

}  // namespace takeoff::data
