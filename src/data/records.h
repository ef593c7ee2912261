#pragma once
// The rules of the calculation records (table dataCDataset): computing quantity,
// error mark and annotation, formula validation, record order, insertion, copy and
// paste with the door and window placements, and the small record operations.
//
// Selected rows are record numbers (1-based, in display order) of the record table.
#include <vector>

#include "data/data_module.h"

namespace takeoff::data {

// Installs the record table's hooks (done by TDataMd).
void InstallRecordHooks(TDataMd& md);

// --- Hooks.
// Calculate: fills Val, ifER and MemStr of the row being fetched, and defines an
// undefined variable or opening that its formula refers to.
void ComputeRecord(TDataMd& md, Table& records, CalcReason why);
// BDS on change: marks the formula as typed or edited and arms the evaluator's messages.
void ValidateFormula(TDataMd& md, Table& records);
// DM on change: a code found in the quota library brings its name and unit.
void CheckQuotaCode(TDataMd& md, Table& records);
// Before post: the next Id, the quota code's stored form, the last-modified time.
void RecordBeforePost(TDataMd& md, Table& records);
// Before delete: deletes the record's placements.
void RecordBeforeDelete(TDataMd& md, Table& records);
// Filter: the row's FindField contains FindText, letter case ignored.
bool RecordPassesFind(TDataMd& md, Table& records);

// --- Operations.
// Makes room before the current record and inserts n (1 to 65535) records, filled
// from the copy buffer when asked; returns the Id of the first inserted record.
// The switches are restored and the view refreshed also when it fails.
int InsertRecords(TDataMd& md, int n, bool fromBuffer);
// Fills the copy buffer (records and their placements) from the selected rows, or
// from the current row when at most one row is selected; enables paste.
void CopyRecords(TDataMd& md, const std::vector<int>& selected);
// Inserts the copy buffer before the current record with its placements and moves
// to the first pasted record; a buffer of more than 50 records is pasted once.
void PasteRecords(TDataMd& md);
// Deletes the selected rows (the current row when none is selected) and numbers the
// node's records 1, 2, ... again.
void RenumberAfterDelete(TDataMd& md, const std::vector<int>& selected);
// Posts a pending edit of the current record.
void PostPendingRecord(TDataMd& md);
// LastRecordId := the Id of the node's last record (0 without records).
void SetLastRecordId(TDataMd& md);
// Takes DM, Name and DW of the current record into the brush; false when the
// table has no record.
bool BrushTake(TDataMd& md);
// Gives the current record the brush's Name, DM (with the quota-code check) and DW.
void BrushApply(TDataMd& md);
// Asks for the item name and gives the current quota item to the selected rows (the
// current row when none is selected): mode 0 the entered name, mode 1 the entered
// name, two spaces and the old name; any other mode nothing after the question.
void AssignQuotaToSelection(TDataMd& md, int mode, const std::vector<int>& selected);

// Writes buffered placements as new placements of the records `absIds` (indexed by
// the buffer's record index). Pasted records start with their extraction switches
// off; a pasted subtree keeps them (`keepExtraction`).
void RestorePlacements(TDataMd& md, const std::vector<setWindRecord>& entries, const std::vector<std::int64_t>& absIds,
                       bool keepExtraction);

}  // namespace takeoff::data
