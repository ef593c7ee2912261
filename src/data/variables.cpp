#include "data/variables.h"

#include <algorithm>
#include <set>
#include <string>

#include "data/decimal.h"
#include "engine/convert_error.h"
#include "engine/evaluator.h"
#include "engine/naming.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace takeoff::data {

namespace {

using text::Gbk;

bool InCache(const TDataMd& md, const std::string& name) {
  return std::any_of(md.ValList.begin(), md.ValList.end(), [&](const engine::ValRecords& e) { return e.Name == name; });
}

double Number(const Table& t, int field) { return field < 0 ? 0.0 : t.AsFloat(field); }

void ShowInputRule(TDataMd& md, const std::string& text) {
  md.GetHost().MessageBox(text, platform::MsgCaption::TipInfo, platform::MsgIcon::Information,
                          platform::MsgButtons::Ok);
}

// The name after `name` in its series, cut to the field's width.
std::string NextInSeries(const std::string& name, const char* prefix, std::size_t width) {
  return text::CutToBytes(engine::NextName(name, prefix), width);
}

}  // namespace

void InstallVariableHooks(TDataMd& md) {
  Table& t = md.DataSetVal;
  TDataMd* m = &md;
  t.Hooks.AfterOpen = [m](Table&) { RebuildVariableCache(*m); };
  t.Hooks.BeforeInsert = [m](Table&) { m->OldVarName.clear(); };
  t.Hooks.AfterInsert = [m](Table& v) { ProposeVariableName(*m, v); };
  t.Hooks.BeforeEdit = [m](Table& v) { m->OldVarName = v.AsString(v.FieldNo("Name")); };
  t.Hooks.AfterPost = [m](Table& v) { UpdateVariableCache(*m, v); };
  t.Hooks.BeforeDelete = [m](Table& v) { RemoveVariableFromCache(*m, v); };
  t.Hooks.AfterDelete = [m](Table&) { m->App().MarkModified(); };
  // The row number: inside the hook the table tells the position of the row it
  // calculates.
  t.Hooks.OnCalcFields = [](Table& v, CalcReason) {
    if (int f = v.FieldIndex("AutoId"); f >= 0) v.SetAsInteger(f, v.RecNo());
  };
  t.SetFieldHook("Name", [m](Table& v, int field) { CheckVariableName(*m, v, field); });
  t.SetFieldHook("BDS", [m](Table& v, int field) { EvaluateVariableFormula(*m, v, field); });
}

void RebuildVariableCache(TDataMd& md) {
  Table& t = md.DataSetVal;
  md.ValList.clear();
  if (!t.Active()) return;
  const int name = t.FieldIndex("Name"), val = t.FieldIndex("Val");
  md.ValList.reserve(static_cast<std::size_t>(t.RecordCount()));
  for (int row = 1; row <= t.RecordCount(); ++row) {
    engine::ValRecords e;
    if (name >= 0) e.Name = std::string(CellText(t.ValueAt(row, name)));
    if (val >= 0) e.Val = CellNumber(t, val, t.ValueAt(row, val));
    md.ValList.push_back(std::move(e));
  }
}

void ProposeVariableName(TDataMd& md, Table& t) {
  if (!md.NameChecks) return;
  const int f = t.FieldNo("Name");
  const auto width = static_cast<std::size_t>(t.FieldDefs()[static_cast<std::size_t>(f)].Size);
  std::string name = Gbk("新变量");
  if (md.ValList.empty() && !t.Appending()) return;  // a row inserted into an empty table keeps an empty name
  if (!md.ValList.empty()) {
    // The proposal skips names already taken, so that it never meets the
    // duplicate message the user did not cause.
    const std::string prefix = Gbk("新变量名");
    std::set<std::string> seen;
    try {
      name = NextInSeries(md.ValList.back().Name, prefix.c_str(), width);
      while (InCache(md, name)) {
        if (!seen.insert(name).second) return;  // the series runs in a circle at the field's width
        name = NextInSeries(name, prefix.c_str(), width);
      }
    } catch (const engine::ConvertError&) {
      return;  // the series has no next number: the name is left to the user
    }
  }
  t.SetAsString(f, name);
}

void CheckVariableName(TDataMd& md, Table& t, int field) {
  if (!md.NameChecks) return;
  const std::string name = t.AsString(field);
  if (name == md.OldVarName || !InCache(md, name)) return;

  if (md.ShowDuplicateMsg) {
    ShowInputRule(md, "\"" + name + "\"" + Gbk("已经存在，不能重复命名！"));
    md.ShowDuplicateMsg = false;
  }
  // The next free name of the series replaces the user's. It is looked for here
  // rather than by re-entering this check with every taken name, which also stops
  // a series that runs in a circle at the field's width.
  const auto width = static_cast<std::size_t>(t.FieldDefs()[static_cast<std::size_t>(field)].Size);
  std::string next = name;
  std::set<std::string> seen;
  try {
    do {
      if (!seen.insert(next).second) throw Abort();
      next = NextInSeries(next, "NewName", width);
    } while (next != md.OldVarName && InCache(md, next));
  } catch (const engine::ConvertError&) {
    throw Abort();  // no next number: the old name stays
  }
  t.SetAsString(field, next);
  throw Abort();
}

void EvaluateVariableFormula(TDataMd& md, Table& t, int field) {
  const std::string formula = t.AsString(field);
  if (formula.size() > 255) {
    ShowInputRule(md, Gbk("变量计算式长度不容许超过255字符，请适当简化后输入！"));
    throw Abort();
  }
  const int val = t.FieldNo("Val");
  engine::Evaluator& ev = md.Eval();
  const double v = ev.EvalExpr(formula);
  // A formula that fails is refused and the variable keeps its formula and the
  // value that goes with it. A value beyond the field's range raises the range error.
  if (!ev.ExprOk) throw Abort();
  t.SetAsFloat(val, v);
}

void UpdateVariableCache(TDataMd& md, Table& t) {
  const std::string name = t.AsString(t.FieldNo("Name"));
  const double val = Number(t, t.FieldIndex("Val"));
  auto it = md.ValList.end();
  if (!md.OldVarName.empty())
    it = std::find_if(md.ValList.begin(), md.ValList.end(),
                      [&](const engine::ValRecords& e) { return e.Name == md.OldVarName; });
  if (it != md.ValList.end()) {
    it->Name = name;
    it->Val = val;
  } else {
    md.ValList.push_back({name, val});
  }

  if (md.ComputeDepth == 0) md.RecalcRecords();
  md.App().MarkModified();
  md.ShowDuplicateMsg = true;
}

void RemoveVariableFromCache(TDataMd& md, Table& t) {
  const std::string name = t.AsString(t.FieldNo("Name"));
  auto it = std::find_if(md.ValList.begin(), md.ValList.end(), [&](const engine::ValRecords& e) { return e.Name == name; });
  if (it != md.ValList.end()) md.ValList.erase(it);
}

}  // namespace takeoff::data
