#include "data/project_tables.h"

#include "text/gbk.h"

namespace takeoff::data {

namespace {

using text::Gbk;

// One field; texts are UTF-8 literals of the program, converted to code page 936.
FieldDef F(const char* name, FieldType type, int size = 0, const char* def = "", const char* label = "") {
  FieldDef f;
  f.Name = name;
  f.Type = type;
  f.Size = size;
  f.Default = Gbk(def);
  f.DisplayLabel = Gbk(label);
  return f;
}

FieldDef Required(FieldDef f) {
  f.Required = true;
  return f;
}

FieldDef Calculated(FieldDef f) {
  f.Calculated = true;
  return f;
}

constexpr FieldType kText = FieldType::Text, kMemo = FieldType::Memo, kInt32 = FieldType::Int32,
                    kInt16 = FieldType::Int16, kUInt16 = FieldType::UInt16, kDecimal = FieldType::Decimal,
                    kAuto = FieldType::Auto, kBool = FieldType::Bool, kDouble = FieldType::Double;

}  // namespace

std::vector<FieldDef> RecordFields(int valPlaces) {
  return {
      F("DM", kText, 12, "", "编 码"),
      F("Parent", kInt32),  // filled from the current node by the master link
      F("Name", kText, 256, "", "子 目 名 称"),
      F("DW", kText, 10, "m3", "单位"),
      F("BDS", kText, 1024, "", "计   算   表   达   式"),
      F("Id", kInt32, 0, "", "序号"),
      F("Grp", kText, 12),
      F("Gid", kText, 20),
      F("BDSdt", kMemo),
      F("BDSZS", kText, 100),
      F("BDSNum", kInt32, 0, "1"),
      F("AX1", kText, 4, "纵轴"),
      F("AX2", kText, 4, "纵轴"),
      F("AX3", kText, 4, "横轴"),
      F("AX4", kText, 4, "横轴"),
      F("fjBDS", kUInt16),
      F("AddVal", kText, 256),
      F("XSVal", kText, 256),
      F("Type", kInt16, 0, "1"),
      F("AbsId", kAuto, 0, "", "绝对编号"),
      F("TU", kText, 12),
      F("TH", kText, 12),
      Calculated(F("Val", kDecimal, valPlaces)),
      Calculated(F("MemStr", kText, 96)),
      Calculated(F("ifER", kBool, 0, "", "表达式是否错误")),
  };
}

std::vector<FieldDef> NodeFields() {
  return {
      F("Key", kInt32),
      F("Parent", kInt32),
      F("NodeType", kInt16, 0, "", "Node_Type"),
      F("Name", kText, 24, "", "节点名称"),
      F("Num", kInt32, 0, "", "件数"),
      F("Id", kInt32),
  };
}

std::vector<FieldDef> OpeningFields() {
  FieldDef memText = F("MemText", kText, 96);
  memText.WriteLimit = 20;  // stored 96 wide, written at most 20 bytes
  return {
      F("Id", kUInt16),
      Required(F("Name", kText, 20, "", "名称")),
      F("Type", kText, 20, "", "图形名称"),
      F("Num", kInt32, 0, "1", "数量"),
      F("L", kDecimal, 3, "0", "侧边长"),
      F("S", kDecimal, 3, "0", "面积"),
      F("G", kInt16, 0, "0", "过梁高"),
      F("BDSdt", kMemo),
      F("W1", kDecimal, 3),
      F("W2", kDecimal, 3),
      F("H", kDecimal, 3, "0", "门窗高"),
      memText,
      F("GL", kUInt16, 0, "1", "门窗扇数"),
      Calculated(F("AutoId", kInt32)),
  };
}

std::vector<FieldDef> PlacementFields() {
  return {
      F("AbsId", kUInt16),  // filled from the current record by the master link
      F("Name", kText, 20, "", "名称"),
      F("Num", kInt32, 0, "1", "数量"),
      F("Side", kInt16, 0, "0", "位置类型"),
      F("SideWidth", kInt16, 0, "100", "门窗侧边宽"),
      F("ifTop", kBool, 0, "", "是否到顶"),
      F("ifgetS", kBool, 0, "", "提取面积"),
      F("ifgetGL", kBool, 0, "", "提取过梁"),
      F("ifgetL", kBool, 0, "", "提取侧边长度"),
      F("ifgetSideS", kBool, 0, "", "提取侧边面积"),
      F("ifDoor", kBool, 0, "", "是否门(洞口落地)"),
      F("G", kInt16, 0, "", "过梁高"),
  };
}

std::vector<FieldDef> VariableFields() {
  return {
      Calculated(F("AutoId", kInt32)),
      F("Id", kUInt16),
      Required(F("Name", kText, 32, "", "变量名称")),
      F("BDS", kText, 256),
      F("Val", kDecimal, 3, "", "数 值"),
      F("Mem", kText, 128, "", "说明"),
  };
}

std::vector<FieldDef> QuotaFields() {
  return {
      F("parent", kInt32), F("id", kInt32),     F("deNumber", kText, 12),
      F("fxname", kText, 96), F("danw", kText, 10), F("danj", kDouble),
  };
}

std::vector<FieldDef> SubtotalFields() {
  return {F("DM", kText, 12), F("Name", kText, 96), F("DW", kText, 8), F("Val", kDecimal, 4)};
}

std::vector<std::string> RecordOrder() { return {"Parent", "Id"}; }
std::vector<std::string> NodeOrder() { return {"Id"}; }
std::vector<std::string> PlacementOrder() { return {"AbsId"}; }
std::vector<std::string> QuotaOrder() { return {"id"}; }
std::vector<std::string> LibraryOrder() { return {"tabName", "picName"}; }

}  // namespace takeoff::data
