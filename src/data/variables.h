#pragma once
// The rules of the project variables (table DataSetVal) and of the variable cache
// that formulas read: naming, unique names, evaluating a variable's formula, and
// keeping the cache and the displayed records in step.
#include "data/data_module.h"

namespace takeoff::data {

// Installs the variable table's hooks (done by TDataMd).
void InstallVariableHooks(TDataMd& md);

// --- Hooks.
// After open: the cache holds one entry per row, in table order.
void RebuildVariableCache(TDataMd& md);
// After insert: proposes the next name of the series of the last cached variable.
void ProposeVariableName(TDataMd& md, Table& variables);
// Name on change: a name already in use is replaced by the next free one of its
// series (the message is shown once) and the assignment is abandoned.
void CheckVariableName(TDataMd& md, Table& variables, int field);
// BDS on change: refuses formulas over 255 bytes and formulas that do not
// evaluate; stores the value in Val.
void EvaluateVariableFormula(TDataMd& md, Table& variables, int field);
// After post: updates the cache, recomputes the displayed records, marks the
// project modified.
void UpdateVariableCache(TDataMd& md, Table& variables);
// Before delete: removes the row's cache entry.
void RemoveVariableFromCache(TDataMd& md, Table& variables);

}  // namespace takeoff::data
