// The storage form of a table, and the table's file and byte reading and writing.
//
// An image is little-endian throughout. A "varint" is an unsigned LEB128 number of
// at most 10 bytes; a "zigzag" is a signed number n written as the varint
// (n << 1) ^ (n >> 63); "bytes" are a varint length followed by that many bytes.
//
//   magic          4 bytes  "TKTB"
//   version        u16      1
//   field count    varint   stored fields only (calculated fields are not written)
//   per field      name           bytes (not empty; no two alike, a-z taken as A-Z)
//                  type           u8, FieldType: 0 text, 1 memo, 2 blob, 3 int32,
//                                 4 int16, 5 uint16, 6 decimal, 7 auto, 8 bool, 9 double
//                  size           varint (text: the width n; decimal: the places 0..4)
//                  flags          u8, bit 0: required; the other bits are 0
//                  default        bytes
//                  display label  bytes
//                  write limit    varint
//   auto counter   zigzag   not negative
//   row count      varint
//   per row        null map       max(1, ceil(field count / 8)) bytes; bit i % 8 of
//                                 byte i / 8 is set when field i is null; unused bits 0
//                  each cell that is not null, in field order:
//                    text, memo, blob        bytes (text n: at most n of them)
//                    int32, int16, uint16,   zigzag, inside the width of the type
//                    auto                    (auto: int32)
//                    decimal                 zigzag of the value scaled by 10^4, a
//                                            multiple of 10^(4-d), below 9e14 in magnitude
//                    bool                    u8, 0 or 1
//                    double                  8 bytes, IEEE 754 binary64, finite
//   checksum       u32      CRC-32 (zlib) of every byte before it
//
// Nothing may follow the checksum. The writer applies the same value rules as the
// reader, so that it never writes an image that cannot be read back.
#include "data/table_storage.h"

#include <zlib.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <exception>
#include <thread>
#include <unordered_set>

#include "data/decimal.h"
#include "text/gbk.h"

namespace takeoff::data {
namespace {

using text::Gbk;

constexpr char kMagic[4] = {'T', 'K', 'T', 'B'};
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kHeaderBytes = sizeof kMagic + 2;
constexpr std::size_t kChecksumBytes = 4;
constexpr int kTypeCount = static_cast<int>(FieldType::Double) + 1;
constexpr std::uint8_t kRequiredFlag = 1;
// The least a field definition takes: name length and one byte of name, type,
// size, flags, default length, label length, write limit.
constexpr std::size_t kMinFieldBytes = 8;
constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

// zlib takes lengths as uInt: long inputs go in pieces.
std::uint32_t Checksum(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n));
    bytes.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

std::size_t NullMapBytes(std::size_t fields) { return fields == 0 ? 1 : (fields + 7) / 8; }

std::string RowText(std::size_t row) { return Gbk("第 ") + std::to_string(row + 1) + Gbk(" 行"); }

// ---------------------------------------------------------------------------
// Value rules shared by the writer and the reader. Each returns the fault (UTF-8),
// or nullptr when the value is allowed.

const char* DefFault(const FieldDef& d) {
  if (d.Name.empty()) return "字段名为空";
  if (d.Size < 0) return "字段宽度为负";
  if (d.Type == FieldType::Decimal && d.Size > 4) return "小数位数超过 4";
  if (d.WriteLimit < 0) return "写入长度为负";
  return nullptr;
}

const char* IntFault(FieldType type, int size, std::int64_t v) {
  switch (type) {
    case FieldType::Int32:
    case FieldType::Auto:
      return v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()
                 ? "整数超出 32 位范围"
                 : nullptr;
    case FieldType::Int16:
      return v < -32768 || v > 32767 ? "整数超出 16 位范围" : nullptr;
    case FieldType::UInt16:
      return v < 0 || v > 65535 ? "整数超出无符号 16 位范围" : nullptr;
    case FieldType::Bool:
      return v != 0 && v != 1 ? "逻辑值不是 0 或 1" : nullptr;
    case FieldType::Decimal:
      if (v <= -kDecimalLimit || v >= kDecimalLimit) return "小数超出范围";
      return v % kPow10[4 - size] != 0 ? "小数位数多于字段的位数" : nullptr;
    default:
      return nullptr;
  }
}

bool IsBytesType(FieldType t) { return t == FieldType::Text || t == FieldType::Memo || t == FieldType::Blob; }

// ---------------------------------------------------------------------------
// Writing.

class Writer {
public:
  std::string Out;

  void Byte(std::uint8_t b) { Out.push_back(static_cast<char>(b)); }
  void Raw(const void* p, std::size_t n) { Out.append(static_cast<const char*>(p), n); }
  void Fixed(std::uint64_t v, int n) {
    char b[8];
    for (int i = 0; i < n; ++i) b[i] = static_cast<char>(v >> (8 * i));
    Raw(b, static_cast<std::size_t>(n));
  }
  void Varint(std::uint64_t v) {
    if (v < 0x80) return Byte(static_cast<std::uint8_t>(v));
    char b[10];
    std::size_t n = 0;
    while (v >= 0x80) {
      b[n++] = static_cast<char>((v & 0x7F) | 0x80);
      v >>= 7;
    }
    b[n++] = static_cast<char>(v);
    Raw(b, n);
  }
  void Zigzag(std::int64_t v) {
    Varint((static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63));
  }
  void Bytes(std::string_view s) {
    Varint(s.size());
    Raw(s.data(), s.size());
  }
};

[[noreturn]] void Unwritable(const FieldDef& d, const char* fault, std::size_t row) {
  throw TableError(Gbk("无法写出表：") + RowText(row) + Gbk("，字段 ") + d.Name + Gbk("：") + Gbk(fault));
}

void WriteCell(Writer& w, const FieldDef& d, const Value& v, std::size_t row) {
  if (IsBytesType(d.Type)) {
    const auto s = TextIf(v);
    if (!s) Unwritable(d, "值的种类与字段类型不符", row);
    if (d.Type == FieldType::Text && s->size() > static_cast<std::size_t>(d.Size))
      Unwritable(d, "文本长于字段宽度", row);
    w.Bytes(*s);
  } else if (d.Type == FieldType::Double) {
    const double* x = DoubleIf(v);
    if (!x) Unwritable(d, "值的种类与字段类型不符", row);
    if (!std::isfinite(*x)) Unwritable(d, "浮点数不是有限数", row);
    std::uint64_t bits;
    std::memcpy(&bits, x, sizeof bits);
    w.Fixed(bits, 8);
  } else {
    const std::int64_t* n = IntIf(v);
    if (!n) Unwritable(d, "值的种类与字段类型不符", row);
    if (const char* fault = IntFault(d.Type, d.Size, *n)) Unwritable(d, fault, row);
    if (d.Type == FieldType::Bool) w.Byte(static_cast<std::uint8_t>(*n));
    else w.Zigzag(*n);
  }
}

// ---------------------------------------------------------------------------
// Reading.

class Reader {
public:
  Reader(std::string_view bytes, std::string_view source)
      : p_(reinterpret_cast<const unsigned char*>(bytes.data())), end_(p_ + bytes.size()), source_(source) {}

  std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }

  [[noreturn]] void Fail(const std::string& detail) const {
    if (source_.empty()) throw TableError(Gbk("表文件已损坏：") + detail);
    throw TableError(Gbk("表文件“") + std::string(source_) + Gbk("”已损坏：") + detail);
  }
  [[noreturn]] void Truncated() const { Fail(Gbk("数据不完整")); }

  const unsigned char* Take(std::size_t n) {
    if (n > Left()) Truncated();
    const unsigned char* at = p_;
    p_ += n;
    return at;
  }
  std::uint8_t Byte() {
    if (p_ == end_) Truncated();
    return *p_++;
  }
  std::uint64_t Fixed(int n) {
    const unsigned char* b = Take(static_cast<std::size_t>(n));
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    return v;
  }
  std::uint64_t Varint() {
    if (p_ != end_ && *p_ < 0x80) return *p_++;
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      const std::uint8_t b = Byte();
      // The tenth byte holds the top bit of 64 and nothing more.
      if (shift == 63 && b > 1) Fail(Gbk("数值编码过长"));
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (b < 0x80) return v;
    }
  }
  std::int64_t Zigzag() {
    const std::uint64_t u = Varint();
    return static_cast<std::int64_t>(u >> 1) ^ -static_cast<std::int64_t>(u & 1);
  }
  // A length, at most the bytes left.
  std::size_t Length() {
    const std::uint64_t n = Varint();
    if (n > Left()) Truncated();
    return static_cast<std::size_t>(n);
  }
  std::string_view Bytes() {
    const std::size_t n = Length();
    return {reinterpret_cast<const char*>(Take(n)), n};
  }
  // A varint that must fit a non-negative int.
  int Count(const char* what) {
    const std::uint64_t v = Varint();
    if (v > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) Fail(Gbk(what));
    return static_cast<int>(v);
  }

private:
  const unsigned char* p_;
  const unsigned char* end_;
  std::string_view source_;
};

std::string FieldText(const FieldDef& d) { return Gbk("字段 ") + d.Name; }

FieldDef ReadFieldDef(Reader& in, std::size_t index) {
  FieldDef d;
  d.Name = std::string(in.Bytes());
  const std::string which = d.Name.empty() ? Gbk("第 ") + std::to_string(index + 1) + Gbk(" 个字段") : FieldText(d);
  const std::uint8_t type = in.Byte();
  if (type >= kTypeCount) in.Fail(which + Gbk("：类型 ") + std::to_string(type) + Gbk(" 无效"));
  d.Type = static_cast<FieldType>(type);
  d.Size = in.Count("字段宽度超出范围");
  const std::uint8_t flags = in.Byte();
  if ((flags & ~kRequiredFlag) != 0) in.Fail(which + Gbk("：标志无效"));
  d.Required = (flags & kRequiredFlag) != 0;
  d.Default = std::string(in.Bytes());
  d.DisplayLabel = std::string(in.Bytes());
  d.WriteLimit = in.Count("写入长度超出范围");
  if (const char* fault = DefFault(d)) in.Fail(which + Gbk("：") + Gbk(fault));
  return d;
}

// Field names are told apart as the table looks them up: byte by byte, the letters
// a-z taken as A-Z.
std::string NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

TableImage Decode(std::string_view bytes, std::string_view source) {
  Reader whole(bytes, source);
  if (bytes.size() < kHeaderBytes + kChecksumBytes) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
      whole.Fail(Gbk("不是表文件"));
    whole.Truncated();
  }
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) whole.Fail(Gbk("不是表文件"));
  whole.Take(sizeof kMagic);
  const auto version = static_cast<std::uint16_t>(whole.Fixed(2));
  if (version != kVersion) whole.Fail(Gbk("格式版本 ") + std::to_string(version) + Gbk(" 不受支持"));

  const std::size_t bodyEnd = bytes.size() - kChecksumBytes;
  std::uint32_t stored = 0;
  for (std::size_t i = 0; i < kChecksumBytes; ++i)
    stored |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[bodyEnd + i])) << (8 * i);
  if (Checksum(bytes.substr(0, bodyEnd)) != stored) whole.Fail(Gbk("校验和不符"));

  Reader in(bytes.substr(kHeaderBytes, bodyEnd - kHeaderBytes), source);
  TableImage img;

  const std::uint64_t fieldCount = in.Varint();
  if (fieldCount > in.Left() / kMinFieldBytes) in.Fail(Gbk("字段数 ") + std::to_string(fieldCount) + Gbk(" 不可能"));
  img.Fields.reserve(static_cast<std::size_t>(fieldCount));
  std::unordered_set<std::string> names;
  for (std::size_t f = 0; f < fieldCount; ++f) {
    FieldDef d = ReadFieldDef(in, f);
    if (!names.insert(NameKey(d.Name)).second) in.Fail(FieldText(d) + Gbk("：字段名重复"));
    img.Fields.push_back(std::move(d));
  }

  img.AutoCounter = in.Zigzag();
  if (img.AutoCounter < 0) in.Fail(Gbk("自动编号计数为负"));

  const std::size_t n = img.Fields.size();
  const std::size_t mapBytes = NullMapBytes(n);
  const std::uint64_t rowCount = in.Varint();
  // Every row takes at least its null map.
  if (rowCount > in.Left() / mapBytes) in.Fail(Gbk("行数 ") + std::to_string(rowCount) + Gbk(" 超出数据所能容纳"));

  // The field kinds and widths in a compact form for the row loop.
  struct Column {
    FieldType Type;
    int Size;
  };
  std::vector<Column> cols;
  cols.reserve(n);
  for (const FieldDef& d : img.Fields) cols.push_back({d.Type, d.Size});
  const unsigned lastMask = n % 8 == 0 && n != 0 ? 0u : 0xFFu << (n % 8);

  auto cellFault = [&](std::size_t row, std::size_t f, const char* fault) {
    in.Fail(RowText(row) + Gbk("，") + FieldText(img.Fields[f]) + Gbk("：") + Gbk(fault));
  };

  img.Rows.reserve(static_cast<std::size_t>(rowCount));
  for (std::size_t r = 0; r < rowCount; ++r) {
    const unsigned char* nulls = in.Take(mapBytes);
    if ((nulls[mapBytes - 1] & lastMask) != 0) in.Fail(RowText(r) + Gbk("：空值标记无效"));
    std::vector<Value>& row = img.Rows.emplace_back(n);
    for (std::size_t f = 0; f < n; ++f) {
      if ((nulls[f >> 3] >> (f & 7)) & 1u) continue;
      const Column c = cols[f];
      switch (c.Type) {
        case FieldType::Text:
        case FieldType::Memo:
        case FieldType::Blob: {
          const std::string_view s = in.Bytes();
          if (c.Type == FieldType::Text && s.size() > static_cast<std::size_t>(c.Size))
            cellFault(r, f, "文本长于字段宽度");
          row[f] = Value(s);
          break;
        }
        case FieldType::Bool: {
          const std::uint8_t b = in.Byte();
          if (b > 1) cellFault(r, f, "逻辑值不是 0 或 1");
          row[f] = Value(static_cast<std::int64_t>(b));
          break;
        }
        case FieldType::Double: {
          const std::uint64_t bits = in.Fixed(8);
          double x;
          std::memcpy(&x, &bits, sizeof x);
          if (!std::isfinite(x)) cellFault(r, f, "浮点数不是有限数");
          row[f] = Value(x);
          break;
        }
        default: {
          const std::int64_t v = in.Zigzag();
          if (const char* fault = IntFault(c.Type, c.Size, v)) cellFault(r, f, fault);
          row[f] = Value(static_cast<std::int64_t>(v));
          break;
        }
      }
    }
  }
  if (in.Left() != 0) in.Fail(Gbk("数据之后有多余的字节"));
  return img;
}

// ---------------------------------------------------------------------------
// Files. Paths are code page 936 like every text of the system; the file system
// takes them in UTF-8. A path that is no valid code page 936 text is passed as it is.

std::string NativePath(const std::string& path) {
  try {
    return text::Cp936ToUtf8(path);
  } catch (const text::ConversionError&) {
    return path;
  }
}

std::string SystemError(int err) { return std::strerror(err); }

[[noreturn]] void FileFault(const char* what, const std::string& path, int err) {
  throw TableError(Gbk(what) + Gbk("“") + path + Gbk("”：") + SystemError(err));
}

std::string ReadWholeFile(const std::string& path) {
  const std::string native = NativePath(path);
  std::FILE* f = std::fopen(native.c_str(), "rb");
  if (!f) FileFault("无法打开表文件", path, errno);
  std::string bytes;
  struct stat st {};
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    bytes.append(buf, n);
    if (n < sizeof buf) break;
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) FileFault("无法读取表文件", path, err);
  return bytes;
}

// Writes beside the file and then puts the new file in its place, so that a failed
// write leaves the old file as it was.
void ReplaceFile(const std::string& path, const std::string& bytes) {
  const std::string native = NativePath(path);
  const std::string temp = native + ".writing";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) FileFault("无法写入表文件", path, errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
  if (std::fclose(f) != 0 && ok) ok = false, err = errno;
  if (ok && std::rename(temp.c_str(), native.c_str()) != 0) ok = false, err = errno;
  if (!ok) {
    std::remove(temp.c_str());
    FileFault("无法写入表文件", path, err);
  }
}

const std::string& TargetPath(const std::string& path, const std::string& fileName) {
  const std::string& target = path.empty() ? fileName : path;
  if (target.empty()) throw TableError(Gbk("表没有指定文件名"));
  return target;
}

// At least the bytes the image of the table takes, so that the writer never grows
// its buffer (the pages past the end of the image are reserved, never touched).
std::size_t SizeBound(const Table& table, const std::vector<FieldDef>& defs, std::size_t begin, std::size_t end) {
  constexpr std::size_t kVarint = 10;
  std::size_t n = kHeaderBytes + kVarint + 2 * kVarint + kChecksumBytes;
  for (const FieldDef& d : defs) n += d.Name.size() + d.Default.size() + d.DisplayLabel.size() + 7 * kVarint;
  const std::size_t mapBytes = NullMapBytes(defs.size());
  for (std::size_t r = begin; r < end; ++r) {
    n += mapBytes;
    for (const Value& v : table.StoredRow(r)) {
      if (const auto s = TextIf(v)) n += s->size() + kVarint;
      else n += kVarint;
    }
  }
  return n;
}

// Rows [begin, end) in their stored form.
void EncodeRows(const Table& table, const std::vector<FieldDef>& defs, std::size_t begin, std::size_t end, Writer& w) {
  std::vector<unsigned char> nulls(NullMapBytes(defs.size()));
  for (std::size_t r = begin; r < end; ++r) {
    const std::vector<Value>& row = table.StoredRow(r);
    if (row.size() != defs.size())
      throw TableError(Gbk("无法写出表：") + RowText(r) + Gbk("的字段数与字段定义不符"));
    std::fill(nulls.begin(), nulls.end(), 0);
    for (std::size_t f = 0; f < row.size(); ++f)
      if (IsNull(row[f])) nulls[f >> 3] = static_cast<unsigned char>(nulls[f >> 3] | (1u << (f & 7)));
    w.Raw(nulls.data(), nulls.size());
    for (std::size_t f = 0; f < row.size(); ++f)
      if (!IsNull(row[f])) WriteCell(w, defs[f], row[f], r);
  }
}

// Tables at least this long are encoded on two cores, the second half of the rows on
// a thread of its own.
constexpr std::size_t kParallelRows = 20000;

}  // namespace

std::string EncodeTable(const Table& table) {
  std::string out;
  EncodeTableInto(table, out);
  return out;
}

void EncodeTableInto(const Table& table, std::string& out) {
  const std::vector<FieldDef> defs = table.StoredFieldDefs();
  const std::size_t rows = table.StoredRowCount();
  const std::size_t half = rows >= kParallelRows ? rows / 2 : rows;

  Writer w;
  out.clear();
  w.Out.swap(out);  // writes into the caller's buffer, reusing its memory
  w.Out.reserve(SizeBound(table, defs, 0, rows));
  w.Raw(kMagic, sizeof kMagic);
  w.Fixed(kVersion, 2);
  w.Varint(defs.size());
  std::unordered_set<std::string> names;
  for (const FieldDef& d : defs) {
    if (const char* fault = DefFault(d)) throw TableError(Gbk("无法写出表：") + FieldText(d) + Gbk("：") + Gbk(fault));
    if (!names.insert(NameKey(d.Name)).second)
      throw TableError(Gbk("无法写出表：") + FieldText(d) + Gbk("：字段名重复"));
    w.Bytes(d.Name);
    w.Byte(static_cast<std::uint8_t>(d.Type));
    w.Varint(static_cast<std::uint64_t>(d.Size));
    w.Byte(d.Required ? kRequiredFlag : 0);
    w.Bytes(d.Default);
    w.Bytes(d.DisplayLabel);
    w.Varint(static_cast<std::uint64_t>(d.WriteLimit));
  }
  if (table.AutoCounter() < 0) throw TableError(Gbk("无法写出表：自动编号计数为负"));
  w.Zigzag(table.AutoCounter());
  w.Varint(rows);

  Writer second;
  std::exception_ptr secondFault;
  std::thread worker;
  if (half < rows) {
    worker = std::thread([&] {
      try {
        second.Out.reserve(SizeBound(table, defs, half, rows));
        EncodeRows(table, defs, half, rows, second);
      } catch (...) {
        secondFault = std::current_exception();
      }
    });
  }
  struct Join {
    std::thread& T;
    ~Join() {
      if (T.joinable()) T.join();
    }
  } join{worker};
  EncodeRows(table, defs, 0, half, w);  // a fault here is the first in row order
  if (worker.joinable()) worker.join();
  if (secondFault) std::rethrow_exception(secondFault);
  w.Out += second.Out;

  w.Fixed(Checksum(w.Out), 4);
  out.swap(w.Out);
}

TableImage DecodeTable(std::string_view bytes) { return Decode(bytes, {}); }

void Table::SaveToFile(const std::string& path) const {
  const std::string& target = TargetPath(path, FileName());
  ReplaceFile(target, EncodeTable(*this));
}

void Table::LoadFromFile(const std::string& path) {
  const std::string target = TargetPath(path, FileName());
  TableImage img = Decode(ReadWholeFile(target), target);
  Load(std::move(img.Fields), std::move(img.Rows), img.AutoCounter);
}

std::string Table::SaveToBytes() const { return EncodeTable(*this); }

std::string ReadTableFile(const std::string& path) { return ReadWholeFile(path); }

void WriteTableFile(const std::string& path, const std::string& bytes) { ReplaceFile(path, bytes); }

void Table::LoadFromBytes(std::string_view bytes) {
  TableImage img = DecodeTable(bytes);
  Load(std::move(img.Fields), std::move(img.Rows), img.AutoCounter);
}

}  // namespace takeoff::data
