// takeoff-cli table: looks into a table file.
#include <cstring>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_json.h"
#include "cli/cli_support.h"
#include "data/decimal.h"
#include "data/table.h"
#include "text/gbk.h"

namespace takeoff::cli {
namespace {

using data::FieldDef;
using data::FieldType;
using data::Value;

const char* TypeName(FieldType t) {
  switch (t) {
    case FieldType::Text: return "text";
    case FieldType::Memo: return "memo";
    case FieldType::Blob: return "blob";
    case FieldType::Int32: return "int32";
    case FieldType::Int16: return "int16";
    case FieldType::UInt16: return "uint16";
    case FieldType::Decimal: return "decimal";
    case FieldType::Auto: return "auto";
    case FieldType::Bool: return "bool";
    case FieldType::Double: return "double";
  }
  return "?";
}

Json Dump(const data::Table& table) {
  const std::vector<FieldDef> defs = table.StoredFieldDefs();
  Json fields = Json::array();
  for (const FieldDef& f : defs)
    fields.push_back({{"name", Utf8(f.Name)},
                      {"type", TypeName(f.Type)},
                      {"size", f.Size},
                      {"required", f.Required},
                      {"default", Utf8(f.Default)},
                      {"label", Utf8(f.DisplayLabel)},
                      {"writeLimit", f.WriteLimit}});
  return Json{{"fields", std::move(fields)}, {"autoCounter", table.AutoCounter()}, {"rows", RowsJson(table)}};
}

}  // namespace

int RunTable(int argc, char** argv) {
  if (argc < 1) throw UsageError("table needs a SUBCOMMAND: dump FILE");
  if (std::strcmp(argv[0], "dump") != 0) throw UsageError(std::string("unknown table command: ") + argv[0]);
  if (argc != 2) throw UsageError("usage: table dump FILE");
  const std::string path = ArgToGbk(argv[1], "table dump");
  data::Table table;
  try {
    table.LoadFromFile(path);
  } catch (const data::TableError& e) {
    std::cout << "error: " << ShowText(e.what()) << '\n';
    return 1;
  }
  PrintJson(Dump(table));
  return 0;
}

}  // namespace takeoff::cli
