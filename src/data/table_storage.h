#pragma once
// The storage form of a table: field definitions of the stored fields, the rows in
// storage order and the auto counter, in a compact checked binary encoding.
#include <string>
#include <string_view>

#include "data/table.h"

namespace takeoff::data {

// Encodes the table's stored fields, rows and auto counter.
std::string EncodeTable(const Table& table);
// The same into `out`, reusing its memory (a writer that saves often keeps one buffer).
void EncodeTableInto(const Table& table, std::string& out);

// The decoded content of a storage image.
struct TableImage {
  std::vector<FieldDef> Fields;
  std::vector<std::vector<Value>> Rows;
  std::int64_t AutoCounter = 0;
};

// Decodes an image; a damaged or truncated image throws TableError with a clear
// message (code page 936). Never reads past the input, never half-fills anything.
TableImage DecodeTable(std::string_view bytes);

// The bytes of a table file, and writing them (beside the file first, then put in its
// place). File errors throw TableError naming the file.
std::string ReadTableFile(const std::string& path);
void WriteTableFile(const std::string& path, const std::string& bytes);

}  // namespace takeoff::data
