// Arbitrary bytes as a table's storage image, as they come and with the checksum made
// to fit: refused with TableError, or read into an image that a table takes, writes
// again and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <zlib.h>

#include "data/table.h"
#include "data/table_storage.h"

using namespace takeoff::data;

namespace {

// Values alike to the bit: a double's sign of zero counts.
bool SameValue(const Value& a, const Value& b) {
  if (a.index() != b.index()) return false;
  if (const double* x = DoubleIf(a)) return std::memcmp(x, b.DoublePtr(), sizeof *x) == 0;
  return a == b;
}

bool SameImage(const TableImage& a, const TableImage& b) {
  if (a.Fields != b.Fields || a.AutoCounter != b.AutoCounter || a.Rows.size() != b.Rows.size()) return false;
  for (std::size_t r = 0; r < a.Rows.size(); ++r) {
    if (a.Rows[r].size() != b.Rows[r].size()) return false;
    for (std::size_t f = 0; f < a.Rows[r].size(); ++f)
      if (!SameValue(a.Rows[r][f], b.Rows[r][f])) return false;
  }
  return true;
}

// The input with its last four bytes replaced by the checksum of the bytes before
// them: mutations then get past the checksum into the rest of the reader.
std::string Resealed(std::string_view in) {
  std::string out(in.substr(0, in.size() - 4));
  const auto crc = static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())));
  for (int i = 0; i < 4; ++i) out += static_cast<char>(crc >> (8 * i));
  return out;
}

void Check(std::string_view in) {
  TableImage img;
  try {
    img = DecodeTable(in);
  } catch (const TableError&) {
    return;
  }
  for (const FieldDef& f : img.Fields)
    if (f.Calculated) std::abort();
  for (const auto& row : img.Rows)
    if (row.size() != img.Fields.size()) std::abort();

  // Through a table, as the program reads and writes it. Whatever the reader took,
  // the table must take and the writer must write.
  Table t;
  TableImage copy = img;
  std::string again;
  try {
    t.Load(std::move(copy.Fields), std::move(copy.Rows), copy.AutoCounter);
    again = EncodeTable(t);
  } catch (...) {
    std::abort();
  }
  try {
    if (!SameImage(DecodeTable(again), img)) std::abort();
  } catch (const TableError&) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  Check(in);
  if (size >= 4) Check(Resealed(in));
  return 0;
}
