// takeoff-cli table: looks into a table file.
#include <cstring>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "data/decimal.h"
#include "data/table.h"
#include "text/gbk.h"

namespace takeoff::cli {
namespace {

using data::FieldDef;
using data::FieldType;
using data::Value;
using Json = nlohmann::ordered_json;

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

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * bytes.size());
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Utf8(std::string_view gbk) { return text::Cp936ToUtf8Lossy(gbk); }

Json CellJson(const FieldDef& f, const Value& v) {
  if (const auto s = TextIf(v)) return f.Type == FieldType::Blob ? Hex(*s) : Utf8(*s);
  if (const auto* d = DoubleIf(v)) return *d;
  if (const auto* n = IntIf(v)) {
    if (f.Type == FieldType::Bool) return *n != 0;
    if (f.Type == FieldType::Decimal) return data::DecimalToText(*n, f.Size);
    return *n;
  }
  return nullptr;
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
  Json rows = Json::array();
  for (std::size_t r = 0; r < table.StoredRowCount(); ++r) {
    const std::vector<Value>& cells = table.StoredRow(r);
    Json row = Json::object();
    for (std::size_t f = 0; f < defs.size() && f < cells.size(); ++f)
      row[Utf8(defs[f].Name)] = CellJson(defs[f], cells[f]);
    rows.push_back(std::move(row));
  }
  return Json{{"fields", std::move(fields)}, {"autoCounter", table.AutoCounter()}, {"rows", std::move(rows)}};
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
  std::cout << Dump(table).dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  return 0;
}

}  // namespace takeoff::cli
