#pragma once
// JSON output of the command-line program, and the scratch workspace of one run.
#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "data/app_requests.h"
#include "data/field.h"
#include "data/table.h"

namespace takeoff::cli {

using Json = nlohmann::ordered_json;

// A code page 936 text as UTF-8 for JSON (bytes that are no character become U+FFFD).
std::string Utf8(std::string_view gbk);

// A stored cell in its natural JSON type: numbers, true/false, texts in UTF-8, blobs
// in hex, decimals as strings with all their places, null for an empty cell.
Json CellJson(const data::FieldDef& f, const data::Value& v);

// The stored rows of a table, each an object keyed by the stored field names.
Json RowsJson(const data::Table& table);

// Prints a JSON document on one line.
void PrintJson(const Json& doc);

// The program folder of one run: a fresh folder under the system's temporary folder,
// removed at the end, so that the working files of a desktop session are never touched.
class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path Path;
};

using HeadlessApp = data::NoAppRequests;

}  // namespace takeoff::cli
