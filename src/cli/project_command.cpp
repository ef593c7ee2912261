// takeoff-cli export-json / import-json: a project file as one JSON document and back.
//
// The document holds the six properties, the node-key counter, the format version and
// the stored rows of the five project tables, each row an object keyed by the stored
// field names. Nothing is computed on the way: the tables are read and written as
// their working files hold them, without the rules' hooks.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_json.h"
#include "cli/cli_support.h"
#include "data/app_requests.h"
#include "data/data_module.h"
#include "data/decimal.h"
#include "data/project_tables.h"
#include "data/table.h"
#include "engine/evaluator.h"
#include "text/gbk.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace takeoff::cli {
namespace {

using data::FieldDef;
using data::FieldType;
using data::Table;
using data::Value;

// The five tables in file order: their key in the document, working file and layout.
struct TableKind {
  const char* Key;
  const char* File;
  std::vector<FieldDef> (*Fields)();
  std::vector<std::string> (*Order)();
};

std::vector<FieldDef> StoredRecordFields() { return data::RecordFields(); }
std::vector<std::string> NoOrder() { return {}; }

const TableKind kTables[workspace::kProjectTableCount] = {
    {"nodes", data::kNodeFile, data::NodeFields, data::NodeOrder},
    {"records", data::kRecordFile, StoredRecordFields, data::RecordOrder},
    {"openings", data::kOpeningFile, data::OpeningFields, NoOrder},
    {"placements", data::kPlacementFile, data::PlacementFields, data::PlacementOrder},
    {"variables", data::kVariableFile, data::VariableFields, NoOrder},
};

// What a run needs to call the project file's reader and writer.
struct Session {
  ScratchFolder Folder;
  RecordingHost Host;
  engine::Evaluator Ev{&Host};
  HeadlessApp App;
  data::TDataMd Md{Host, Ev, App, Folder.Path};
  workspace::ProjectState State;
};

// ---------------------------------------------------------------------------
// import-json

// A refused document: the message says where.
class ImportError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

const char* JsonTypeName(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "a boolean";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: return "an integer";
    case Json::value_t::number_float: return "a number with a fraction";
    case Json::value_t::string: return "a string";
    case Json::value_t::array: return "an array";
    case Json::value_t::object: return "an object";
    default: return "something else";
  }
}

std::string Gbk936(const std::string& utf8, const std::string& where) {
  try {
    return text::Utf8ToCp936(utf8);
  } catch (const text::ConversionError& e) {
    throw ImportError(where + ": text that code page 936 cannot hold (" + e.what() + ")");
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Builds the stored rows of one table from the document, each value brought to its
// field by the table's own rules: a row of a scratch table of the same layout takes
// every value, so ranges, rounding and conversions are exactly those of a typed value.
class RowBuilder {
public:
  explicit RowBuilder(const TableKind& kind) : key_(kind.Key), scratch_(kind.Key) {
    scratch_.SetFieldDefs(kind.Fields());
    defs_ = scratch_.StoredFieldDefs();
    scratch_.CreateDataSet();
    scratch_.Append();  // the declared defaults of a new row
    for (const FieldDef& f : defs_) {
      fieldNo_.push_back(scratch_.FieldNo(f.Name));
      defaults_.push_back(scratch_.GetValue(fieldNo_.back()));
    }
  }

  const std::vector<FieldDef>& Defs() const { return defs_; }

  std::vector<Value> Row(const Json& row, std::size_t rowNo) {
    const std::string at = std::string(key_) + " row " + std::to_string(rowNo);
    if (!row.is_object()) throw ImportError(at + ": must be an object, not " + JsonTypeName(row));
    std::vector<Value> cells = defaults_;
    for (const auto& [name, value] : row.items()) {
      const std::size_t f = StoredField(name, at);
      cells[f] = Cell(f, value, at + ", field " + name);
    }
    return cells;
  }

  // The highest auto value present (the counter the rows need at least).
  std::int64_t AutoCounter(const std::vector<std::vector<Value>>& rows) const {
    std::int64_t counter = 0;
    for (std::size_t f = 0; f < defs_.size(); ++f) {
      if (defs_[f].Type != FieldType::Auto) continue;
      for (const auto& r : rows)
        if (const auto* n = IntIf(r[f])) counter = std::max(counter, *n);
    }
    return counter;
  }

private:
  std::size_t StoredField(const std::string& utf8Name, const std::string& at) const {
    const std::string name = Gbk936(utf8Name, at + ", field " + utf8Name);
    for (std::size_t f = 0; f < defs_.size(); ++f)
      if (defs_[f].Name == name) return f;
    const int any = scratch_.FieldIndex(name);
    if (any >= 0 && scratch_.FieldDefs()[static_cast<std::size_t>(any)].Calculated)
      throw ImportError(at + ", field " + utf8Name + ": a calculated field, not stored");
    throw ImportError(at + ": unknown field " + utf8Name);
  }

  Value Cell(std::size_t f, const Json& j, const std::string& at) {
    const FieldDef& def = defs_[f];
    if (j.is_null()) return Value{};
    auto wrongType = [&](const char* wanted) -> ImportError {
      return ImportError(at + ": must be " + std::string(wanted) + " or null, not " + JsonTypeName(j));
    };
    switch (def.Type) {
      case FieldType::Text:
      case FieldType::Memo: {
        if (!j.is_string()) throw wrongType("a string");
        std::string s = Gbk936(j.get<std::string>(), at);
        // Stored data is kept whole: a text wider than its field would be cut by the
        // table, so it is refused here instead.
        if (def.Type == FieldType::Text && def.Size > 0 && s.size() > static_cast<std::size_t>(def.Size))
          throw ImportError(at + ": " + std::to_string(s.size()) + " bytes, the field holds " +
                            std::to_string(def.Size));
        return s.empty() ? Value{} : Value(s);
      }
      case FieldType::Blob: {
        if (!j.is_string()) throw wrongType("a string of hex digits");
        const std::string& hex = j.get_ref<const std::string&>();
        if (hex.size() % 2 != 0) throw ImportError(at + ": an odd number of hex digits");
        std::string bytes;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
          const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
          if (hi < 0 || lo < 0) throw ImportError(at + ": not a hex digit");
          bytes += static_cast<char>(hi * 16 + lo);
        }
        return bytes.empty() ? Value{} : Value(bytes);
      }
      case FieldType::Bool:
        if (!j.is_boolean()) throw wrongType("true, false");
        return std::int64_t{j.get<bool>() ? 1 : 0};
      case FieldType::Decimal:
        if (!j.is_string()) throw wrongType("a string of digits");
        return Typed(f, Value(Gbk936(j.get<std::string>(), at)), at);
      case FieldType::Double:
        if (!j.is_number()) throw wrongType("a number");
        return Typed(f, Value(j.get<double>()), at);
      case FieldType::Int32:
      case FieldType::Int16:
      case FieldType::UInt16:
      case FieldType::Auto:
        if (!j.is_number_integer()) throw wrongType("an integer");
        if (j.is_number_unsigned() && j.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
          throw ImportError(at + ": " + j.dump() + " is out of range");
        return Typed(f, Value(j.get<std::int64_t>()), at);
    }
    throw ImportError(at + ": a field of unknown type");
  }

  // The value as the table stores it, or the table's refusal.
  Value Typed(std::size_t f, Value v, const std::string& at) {
    try {
      scratch_.SetValue(fieldNo_[f], std::move(v));
    } catch (const data::TableError& e) {
      throw ImportError(at + ": " + ShowText(e.what()));
    }
    return scratch_.GetValue(fieldNo_[f]);
  }

  const char* key_;
  Table scratch_;
  std::vector<FieldDef> defs_;
  std::vector<int> fieldNo_;
  std::vector<Value> defaults_;
};

std::string ReadWholeFile(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) throw ImportError("cannot read " + nativePath);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The document's top level into the project state and the five tables' working files.
void ImportDocument(const Json& doc, Session& s) {
  if (!doc.is_object()) throw ImportError("the document must be an object, not " + std::string(JsonTypeName(doc)));
  for (const auto& [key, value] : doc.items()) {
    bool known = key == "properties" || key == "keyCounter" || key == "version";
    for (const TableKind& k : kTables) known = known || key == k.Key;
    if (!known) throw ImportError("unknown key " + key);
  }

  if (const auto it = doc.find("properties"); it != doc.end()) {
    if (!it->is_array() || it->size() > s.State.Properties.size())
      throw ImportError("properties: must be an array of at most six strings");
    for (std::size_t i = 0; i < it->size(); ++i) {
      const Json& p = (*it)[i];
      const std::string at = "properties " + std::to_string(i + 1);
      if (!p.is_string()) throw ImportError(at + ": must be a string, not " + std::string(JsonTypeName(p)));
      std::string line = Gbk936(p.get<std::string>(), at);
      if (line.find_first_of("\r\n") != std::string::npos) throw ImportError(at + ": a property is one line");
      s.State.Properties[i] = std::move(line);
    }
  }
  if (const auto it = doc.find("keyCounter"); it != doc.end()) {
    if (!it->is_number_integer()) throw ImportError("keyCounter: must be an integer, not " + std::string(JsonTypeName(*it)));
    if (it->is_number_unsigned() ? it->get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max()
                                 : (it->get<std::int64_t>() < std::numeric_limits<std::int32_t>::min() ||
                                    it->get<std::int64_t>() > std::numeric_limits<std::int32_t>::max()))
      throw ImportError("keyCounter: " + it->dump() + " is out of range");
    s.State.KeyCounter = it->get<std::int32_t>();
  }
  if (const auto it = doc.find("version"); it != doc.end()) {
    // Every file is written in the current format.
    if (!it->is_number_integer() || it->get<std::int64_t>() != workspace::kProjectFileVersion)
      throw ImportError("version: only " + std::to_string(workspace::kProjectFileVersion) + " is written");
  }

  for (const TableKind& kind : kTables) {
    RowBuilder builder(kind);
    std::vector<std::vector<Value>> rows;
    if (const auto it = doc.find(kind.Key); it != doc.end()) {
      if (!it->is_array()) throw ImportError(std::string(kind.Key) + ": must be an array, not " + JsonTypeName(*it));
      rows.reserve(it->size());
      for (std::size_t r = 0; r < it->size(); ++r) rows.push_back(builder.Row((*it)[r], r + 1));
    }
    // Loaded as a working file is: the program's layout and ordering, no hooks.
    Table table(kind.Key);
    table.SetFieldDefs(kind.Fields());
    table.SetIndexFields(kind.Order());
    const std::int64_t counter = builder.AutoCounter(rows);
    table.Load(builder.Defs(), std::move(rows), counter);
    table.SaveToFile(s.Md.WorkingFile(kind.File));
  }
}

}  // namespace

int RunExportJson(int argc, char** argv) {
  if (argc != 1) throw UsageError("usage: export-json FILE.mfz");
  const std::string path = ArgToGbk(argv[0], "export-json");
  Session s;
  std::vector<std::unique_ptr<Table>> tables;
  try {
    workspace::ReadProjectFile(s.Md, s.State, path);
    for (const TableKind& kind : kTables) {
      auto t = std::make_unique<Table>(kind.Key);
      t->SetFieldDefs(kind.Fields());
      t->LoadFromFile(s.Md.WorkingFile(kind.File));
      tables.push_back(std::move(t));
    }
  } catch (const data::Abort&) {
    // A refused version or a declined upgrade: the host was told why.
    std::string shown = s.Host.Shown;
    while (!shown.empty() && shown.front() == ' ') shown.erase(0, 1);
    std::cout << "error: " << ShowText(shown) << '\n';
    return 1;
  } catch (const data::TableError& e) {
    std::cout << "error: " << ShowText(e.what()) << '\n';
    return 1;
  }

  Json properties = Json::array();
  for (const std::string& p : s.State.Properties) properties.push_back(Utf8(p));
  Json doc = {{"properties", std::move(properties)}, {"keyCounter", s.State.KeyCounter}, {"version", s.State.Version}};
  for (std::size_t i = 0; i < tables.size(); ++i) doc[kTables[i].Key] = RowsJson(*tables[i]);
  PrintJson(doc);
  return 0;
}

int RunImportJson(int argc, char** argv) {
  if (argc != 2) throw UsageError("usage: import-json IN.json OUT.mfz");
  const std::string out = ArgToGbk(argv[1], "import-json");
  Session s;
  try {
    const std::string bytes = ReadWholeFile(argv[0]);
    Json doc;
    try {
      doc = Json::parse(bytes);
    } catch (const Json::parse_error& e) {
      throw ImportError(std::string("not a JSON document: ") + e.what());
    }
    ImportDocument(doc, s);
  } catch (const ImportError& e) {
    std::cout << "error: " << e.what() << '\n';
    return 1;
  } catch (const data::TableError& e) {
    std::cout << "error: " << ShowText(e.what()) << '\n';
    return 1;
  }
  // The tables stay closed: the writer takes their working files as they are.
  if (!workspace::WriteProjectFile(s.Md, s.State, out)) {
    std::cout << "error: " << ShowText(s.Host.Shown) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace takeoff::cli
