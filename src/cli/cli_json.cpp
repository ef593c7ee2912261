#include "cli/cli_json.h"

#include <iostream>
#include <random>
#include <system_error>

#include "data/decimal.h"
#include "text/gbk.h"

namespace takeoff::cli {
namespace {

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

}  // namespace

std::string Utf8(std::string_view gbk) { return text::Cp936ToUtf8Lossy(gbk); }

Json CellJson(const data::FieldDef& f, const data::Value& v) {
  if (const auto s = data::TextIf(v)) return f.Type == data::FieldType::Blob ? Hex(*s) : Utf8(*s);
  if (const auto* d = data::DoubleIf(v)) return *d;
  if (const auto* n = data::IntIf(v)) {
    if (f.Type == data::FieldType::Bool) return *n != 0;
    if (f.Type == data::FieldType::Decimal) return data::DecimalToText(*n, f.Size);
    return *n;
  }
  return nullptr;
}

Json RowsJson(const data::Table& table) {
  const std::vector<data::FieldDef> defs = table.StoredFieldDefs();
  Json rows = Json::array();
  for (std::size_t r = 0; r < table.StoredRowCount(); ++r) {
    const std::vector<data::Value>& cells = table.StoredRow(r);
    Json row = Json::object();
    for (std::size_t f = 0; f < defs.size() && f < cells.size(); ++f) row[Utf8(defs[f].Name)] = CellJson(defs[f], cells[f]);
    rows.push_back(std::move(row));
  }
  return rows;
}

void PrintJson(const Json& doc) { std::cout << doc.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n'; }

ScratchFolder::ScratchFolder() {
  std::random_device rd;
  for (;;) {
    Path = std::filesystem::temp_directory_path() / ("takeoff-cli-" + std::to_string(rd()));
    if (std::filesystem::create_directory(Path)) break;
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(Path, ec);
}

}  // namespace takeoff::cli
