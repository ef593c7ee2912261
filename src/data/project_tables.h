#pragma once
// The field lists, orderings and working files of the project and library tables.
#include <string>
#include <vector>

#include "data/field.h"

namespace takeoff::data {

// Working files in the program folder.
inline constexpr const char* kRecordFile = "dataSys.tmp";     // dataCDataset
inline constexpr const char* kNodeFile = "MatSys.tmp";        // CDataSet1
inline constexpr const char* kOpeningFile = "WinSys.tmp";     // DataWindows
inline constexpr const char* kPlacementFile = "SetWinSys.tmp";  // DataSetWin
inline constexpr const char* kVariableFile = "SetValSys.tmp";   // DataSetVal
inline constexpr const char* kQuotaFile = "dek.tmp";          // dekDataSet
inline constexpr const char* kSysFormulaFile = "gsk.tmp";     // DtDataSet
inline constexpr const char* kUseFormulaFile = "Usegsk.tmp";  // UseDtDataSet
inline constexpr const char* kShapeFile = "winpic.tmp";       // WinPicDataSet

// dataCDataset: the calculation records, 22 stored fields and the calculated
// Val (decimal with `valPlaces` places, 2 unless the settings say otherwise),
// MemStr and ifER.
std::vector<FieldDef> RecordFields(int valPlaces = 2);
// CDataSet1: the nodes of the project tree.
std::vector<FieldDef> NodeFields();
// DataWindows: the door and window catalogue (calculated AutoId last).
std::vector<FieldDef> OpeningFields();
// DataSetWin: the placements of openings on records.
std::vector<FieldDef> PlacementFields();
// DataSetVal: the project variables (calculated AutoId first).
std::vector<FieldDef> VariableFields();
// dekDataSet: the quota library in use.
std::vector<FieldDef> QuotaFields();
// PrvNowDataSet: the subtotal of the current page.
std::vector<FieldDef> SubtotalFields();

// Orderings.
std::vector<std::string> RecordOrder();     // Parent;Id
std::vector<std::string> NodeOrder();       // Id
std::vector<std::string> PlacementOrder();  // AbsId
std::vector<std::string> QuotaOrder();      // id
std::vector<std::string> LibraryOrder();    // tabName;picName

}  // namespace takeoff::data
