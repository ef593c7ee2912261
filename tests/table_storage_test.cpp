#include "data/table_storage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>

#include "text/gbk.h"

namespace takeoff::data {
namespace {

using text::Gbk;
namespace fs = std::filesystem;

using Rows = std::vector<std::vector<Value>>;

FieldDef Def(std::string name, FieldType type, int size = 0) {
  FieldDef d;
  d.Name = std::move(name);
  d.Type = type;
  d.Size = size;
  return d;
}

FieldDef Labelled(FieldDef d, std::string label, std::string dflt = {}, bool required = false, int writeLimit = 0) {
  d.DisplayLabel = std::move(label);
  d.Default = std::move(dflt);
  d.Required = required;
  d.WriteLimit = writeLimit;
  return d;
}

FieldDef Calculated(FieldDef d) {
  d.Calculated = true;
  return d;
}

Value I(std::int64_t v) { return v; }
Value S(std::string v) { return v; }
Value G(std::string_view utf8) { return Gbk(utf8); }
const Value kNull;

std::unique_ptr<Table> MakeTable(std::vector<FieldDef> defs, Rows rows, std::int64_t counter = 0) {
  auto t = std::make_unique<Table>("t");
  t->SetFieldDefs(defs);
  std::vector<FieldDef> stored;
  for (const FieldDef& d : defs)
    if (!d.Calculated) stored.push_back(d);
  t->Load(std::move(stored), std::move(rows), counter);
  return t;
}

Rows AllRows(const Table& t) {
  Rows out;
  for (std::size_t i = 0; i < t.StoredRowCount(); ++i) out.push_back(t.StoredRow(i));
  return out;
}

// What a load must replace, or must leave alone when it fails.
struct Content {
  std::vector<FieldDef> Defs;
  Rows Cells;
  std::int64_t Counter = 0;
  bool Active = false;
  int RecNo = 0;

  explicit Content(const Table& t)
      : Defs(t.StoredFieldDefs()), Cells(AllRows(t)), Counter(t.AutoCounter()), Active(t.Active()), RecNo(t.RecNo()) {}
  bool operator==(const Content&) const = default;
};

std::uint32_t Crc(std::string_view s) {
  return static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string Le32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  return out;
}

// Replaces the checksum at the end with the right one for the bytes before it.
std::string Resealed(std::string image) {
  image.resize(image.size() - 4);
  return image + Le32(Crc(image));
}

// A temporary folder, removed afterwards.
class TableStorageFiles : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/takeoff-table-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  // A path in code page 936 as the tables take it, from a UTF-8 file name.
  std::string Path(std::string_view utf8Name) const { return Gbk(dir_.string() + "/" + std::string(utf8Name)); }

  fs::path dir_;
};

// ---------------------------------------------------------------------------
// Round trips.

struct Shape {
  const char* Name;
  std::vector<FieldDef> Defs;
  Rows Cells;
  std::int64_t Counter;
};

std::vector<Shape> Shapes() {
  const std::string allBytes = [] {
    std::string s;
    for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
    return s;
  }();
  std::string longMemo;
  for (int i = 0; i < 5000; ++i) longMemo += Gbk("第二层墙体\r\n");

  std::vector<Shape> shapes;
  shapes.push_back(
      {"every type",
       {Labelled(Def("DM", FieldType::Text, 8), Gbk("编 码"), "m3", true, 6), Def("BDSdt", FieldType::Memo),
        Def("Pic", FieldType::Blob), Def("Parent", FieldType::Int32), Labelled(Def("Type", FieldType::Int16), "", "1"),
        Def("fjBDS", FieldType::UInt16), Labelled(Def("Val", FieldType::Decimal, 2), Gbk("数 量"), "0"),
        Def("L", FieldType::Decimal, 0), Def("S", FieldType::Decimal, 4),
        Labelled(Def("AbsId", FieldType::Auto), Gbk("绝对编号")), Def("ifTop", FieldType::Bool),
        Def("danj", FieldType::Double), Calculated(Def("MemStr", FieldType::Text, 96))},
       {
           {G("纵轴横轴"), S(longMemo), S(allBytes), I(std::numeric_limits<std::int32_t>::min()), I(-32768), I(0),
            I(-1234567800), I(-899'999'999'999'999 * 10000), I(-1), I(1), I(1), -0.5e-300},
           {G("m3"), S(""), S(std::string("\0", 1)), I(std::numeric_limits<std::int32_t>::max()), I(32767), I(65535),
            I(8'999'999'999'999'999'900), I(30000), I(99999), I(std::numeric_limits<std::int32_t>::max()), I(0),
            std::numeric_limits<double>::max()},
           {kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull},
           {S("a"), kNull, S("x"), kNull, I(1), kNull, I(100), kNull, I(5), kNull, I(0), kNull},
       },
       2147483647});
  shapes.push_back({"fields, no rows", {Def("Key", FieldType::Int32), Def("Name", FieldType::Text, 24)}, {}, 0});
  shapes.push_back({"no fields", {}, {}, 3});
  shapes.push_back({"only calculated fields", {Calculated(Def("AutoId", FieldType::Int32))}, {{}, {}}, 0});
  // Null maps of one full byte and of a second byte with one field in it.
  for (int n : {8, 9}) {
    Shape s{n == 8 ? "eight fields" : "nine fields", {}, {}, 0};
    for (int f = 0; f < n; ++f) s.Defs.push_back(Def("F" + std::to_string(f), FieldType::Int16));
    for (int r = 0; r < n; ++r) {
      std::vector<Value> row;
      for (int f = 0; f < n; ++f) row.push_back(f == r ? kNull : I(f * 1000 - r));
      s.Cells.push_back(row);
    }
    s.Cells.push_back(std::vector<Value>(static_cast<std::size_t>(n)));
    shapes.push_back(s);
  }
  return shapes;
}

TEST_F(TableStorageFiles, StorageRoundTripKeepsFieldsRowsAndCounter) {
  struct Way {
    const char* Name;
    std::function<void(Table&, Table&)> Carry;
  };
  const std::vector<Way> ways = {
      {"bytes", [](Table& from, Table& to) { to.LoadFromBytes(from.SaveToBytes()); }},
      {"file given by path",
       [this](Table& from, Table& to) {
         from.SaveToFile(Path("given.tmp"));
         to.LoadFromFile(Path("given.tmp"));
       }},
      {"bound file with a Chinese name",
       [this](Table& from, Table& to) {
         from.SetFileName(Path("工程表.tmp"));
         from.SaveToFile();
         from.SetFileName({});
         ASSERT_TRUE(fs::exists(dir_ / "工程表.tmp"));
         to.SetFileName(Path("工程表.tmp"));
         to.LoadFromFile();
       }},
  };
  for (const Shape& shape : Shapes()) {
    for (const Way& way : ways) {
      SCOPED_TRACE(std::string(shape.Name) + " through " + way.Name);
      auto from = MakeTable(shape.Defs, shape.Cells, shape.Counter);
      // The reading table holds something else before.
      auto to = MakeTable({Def("Old", FieldType::Memo)}, {{S("old")}, {kNull}}, 9);
      way.Carry(*from, *to);
      EXPECT_EQ(Content(*to), Content(*from));
      EXPECT_EQ(to->RecordCount(), static_cast<int>(shape.Cells.size()));
    }
  }
}

TEST(TableStorage, CalculatedFieldsAreNotStored) {
  auto t = MakeTable({Def("Name", FieldType::Text, 20), Calculated(Def("Val", FieldType::Decimal, 2)),
                      Def("Id", FieldType::Int32)},
                     {{G("墙"), I(1)}});
  const TableImage img = DecodeTable(EncodeTable(*t));
  ASSERT_EQ(img.Fields.size(), 2u);
  EXPECT_EQ(img.Fields[0].Name, "Name");
  EXPECT_EQ(img.Fields[1].Name, "Id");
  EXPECT_EQ(img.Rows, (Rows{{G("墙"), I(1)}}));
}

// An auto number is never given twice, even after the row that had the highest one
// was deleted and the table was written and read again.
TEST(TableStorage, AutoNumbersContinueAfterReading) {
  const std::vector<FieldDef> defs = {Def("Name", FieldType::Text, 20), Def("AbsId", FieldType::Auto)};
  Table a("a");
  a.SetFieldDefs(defs);
  a.CreateDataSet();
  for (const char* name : {"A", "B", "C"}) {
    a.Append();
    a.SetAsString(0, name);
    a.Post();
  }
  a.Last();
  a.Delete();

  Table b("b");
  b.SetFieldDefs(defs);
  b.LoadFromBytes(a.SaveToBytes());
  EXPECT_EQ(b.RecordCount(), 2);
  b.Append();
  b.SetAsString(0, "D");
  b.Post();
  EXPECT_EQ(b.AsInteger(1), 4);
}

// The layout as written; a change here makes files written before unreadable.
TEST(TableStorage, ImageLayout) {
  FieldDef d = Labelled(Def("A", FieldType::Int32), Gbk("甲"), "7", true);
  auto t = MakeTable({d, Def("T", FieldType::Text, 300)}, {{I(-2), S("ab")}, {kNull, kNull}}, 5);
  std::string body = std::string("TKTB\x01\x00", 6) +
                     std::string("\x02"                               // fields
                                 "\x01" "A" "\x03" "\x00" "\x01"      // name, int32, size 0, required
                                 "\x01" "7",                          // default
                                 8) +
                     "\x02" + Gbk("甲") + std::string("\x00", 1) +   // label, write limit
                     std::string("\x01" "T" "\x00" "\xAC\x02" "\x00" "\x00" "\x00" "\x00", 9) +  // text 300
                     std::string("\x0A"                               // auto counter 5
                                 "\x02"                               // rows
                                 "\x00" "\x03" "\x02" "ab"            // no nulls, -2, "ab"
                                 "\x03",                              // both null
                                 8);
  EXPECT_EQ(EncodeTable(*t), body + Le32(Crc(body)));
}

// ---------------------------------------------------------------------------
// Damaged images.

// The table the damaged images are made from. Each field has a name of its own so
// that a case can find its definition in the image:
//   03 'T' 'X' 'T' | 00 (text) | 04 (size) | 00 00 00 00,  the other fields alike.
std::unique_ptr<Table> DamageSource() {
  return MakeTable({Def("TXT", FieldType::Text, 4), Def("I16", FieldType::Int32), Def("BOO", FieldType::Int32),
                    Def("DEC", FieldType::Decimal, 4), Def("DBL", FieldType::Double)},
                   {{S("abcd"), I(40000), I(2), I(12345), 1.5}}, 7);
}

// Replaces the one occurrence of `from`.
std::string Replaced(std::string image, std::string_view from, std::string_view to) {
  const std::size_t at = image.find(from);
  EXPECT_NE(at, std::string::npos) << "pattern not in the image";
  EXPECT_EQ(image.find(from, at + 1), std::string::npos) << "pattern not unique";
  if (at != std::string::npos) image.replace(at, from.size(), to);
  return image;
}

// The end of the field definitions: the auto counter (7, zigzag 0E) and the row count 1.
const std::string kAfterFields = std::string("\x03" "DBL" "\x09\x00\x00\x00\x00\x00" "\x0E" "\x01", 12);

std::string WithRowCount(std::string image, std::string_view count) {
  return Resealed(Replaced(std::move(image), kAfterFields, kAfterFields.substr(0, 11) + std::string(count)));
}

TEST(TableStorage, DamagedImagesAreRefused) {
  struct Case {
    const char* Name;
    std::function<std::string(std::string)> Damage;
    const char* Message;  // a part of the message
  };
  using B = std::string;
  const Case cases[] = {
      {"empty", [](B) { return B(); }, "不是表文件"},
      {"shorter than the magic", [](B s) { return s.substr(0, 3); }, "不是表文件"},
      {"only the header", [](B s) { return s.substr(0, 6); }, "数据不完整"},
      {"cut in the field definitions", [](B s) { return s.substr(0, 20); }, "校验和不符"},
      {"cut in the rows", [](B s) { return s.substr(0, s.size() - 8); }, "校验和不符"},
      {"last byte missing", [](B s) { return s.substr(0, s.size() - 1); }, "校验和不符"},
      {"cut in the rows, checksum made to fit", [](B s) { return Resealed(s.substr(0, s.size() - 8)); }, "数据不完整"},
      {"a byte flipped", [](B s) { s[s.size() / 2] = static_cast<char>(s[s.size() / 2] ^ 0x10); return s; },
       "校验和不符"},
      {"bad magic", [](B s) { s[0] = 'X'; return s; }, "不是表文件"},
      {"another version", [](B s) { s[4] = 2; return s; }, "格式版本 2 不受支持"},
      {"huge row count", [](B s) { return WithRowCount(s, "\x80\x80\x80\x80\x10"); }, "超出数据所能容纳"},  // 2^32
      {"largest row count", [](B s) { return WithRowCount(s, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01"); },
       "超出数据所能容纳"},
      {"row count one more", [](B s) { return WithRowCount(s, "\x02"); }, "数据不完整"},
      {"number longer than 64 bits",
       [](B s) { return WithRowCount(s, "\x80\x80\x80\x80\x80\x80\x80\x80\x80\x02"); }, "数值编码过长"},
      {"huge field count", [](B s) { s.replace(6, 1, "\xFF\xFF\x03"); return Resealed(s); }, "字段数"},
      {"text longer than its width",
       [](B s) { return Resealed(Replaced(s, B("\x03TXT\x00\x04", 6), B("\x03TXT\x00\x03", 6))); },
       "文本长于字段宽度"},
      {"text length past the end", [](B s) { return Resealed(Replaced(s, "\x04" "abcd", "\x7F" "abcd")); },
       "数据不完整"},
      {"int16 out of range", [](B s) { return Resealed(Replaced(s, "\x03I16\x03", "\x03I16\x04")); }, "16 位"},
      {"bool other than 0 and 1", [](B s) { return Resealed(Replaced(s, "\x03" "BOO\x03", "\x03" "BOO\x08")); },
       "逻辑值"},
      {"decimal with more places than its field",
       [](B s) { return Resealed(Replaced(s, "\x03" "DEC\x06\x04", "\x03" "DEC\x06\x02")); }, "小数位数多于"},
      {"decimal places above 4",
       [](B s) { return Resealed(Replaced(s, "\x03" "DEC\x06\x04", "\x03" "DEC\x06\x05")); }, "小数位数超过 4"},
      {"double not a number",
       [](B s) { return Resealed(Replaced(s, B("\x00\x00\xF8\x3F", 4), B("\x00\x00\xF8\x7F", 4))); }, "有限数"},
      {"unknown field type", [](B s) { return Resealed(Replaced(s, B("\x03TXT\x00", 5), B("\x03TXT\x0A", 5))); },
       "类型 10 无效"},
      {"unknown flag",
       [](B s) { return Resealed(Replaced(s, B("\x03TXT\x00\x04\x00", 7), B("\x03TXT\x00\x04\x02", 7))); }, "标志无效"},
      {"two fields of one name", [](B s) { return Resealed(Replaced(s, "\x03" "BOO", "\x03" "txt")); }, "字段名重复"},
      {"negative auto counter",
       [](B s) { return Resealed(Replaced(s, kAfterFields, kAfterFields.substr(0, 10) + "\x01\x01")); }, "为负"},
      {"unused null map bit",
       [](B s) { return Resealed(Replaced(s, kAfterFields + B("\x00", 1), kAfterFields + "\x80")); }, "空值标记无效"},
      {"bytes after the rows", [](B s) { return Resealed(s.insert(s.size() - 4, "\x00", 1)); }, "多余"},
  };
  const std::string good = DamageSource()->SaveToBytes();
  ASSERT_NO_THROW(DecodeTable(good));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string bad = c.Damage(good);
    try {
      DecodeTable(bad);
      ADD_FAILURE() << "accepted";
    } catch (const TableError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(Gbk("表文件已损坏："), 0), 0u) << text::Cp936ToUtf8Lossy(what);
      EXPECT_NE(what.find(Gbk(c.Message)), std::string::npos) << text::Cp936ToUtf8Lossy(what);
    }
    auto target = MakeTable({Def("Name", FieldType::Text, 10), Def("N", FieldType::Int32)},
                            {{S("x"), I(1)}, {S("y"), kNull}}, 4);
    target->Next();
    const Content before(*target);
    EXPECT_THROW(target->LoadFromBytes(bad), TableError);
    EXPECT_EQ(Content(*target), before);
  }
}

TEST(TableStorage, EveryCutIsRefused) {
  const std::string good = DamageSource()->SaveToBytes();
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(DecodeTable(good.substr(0, n)), TableError) << n;
    if (n >= 10) {
      EXPECT_THROW(DecodeTable(Resealed(good.substr(0, n))), TableError) << n;
    }
  }
}

// Values that the reader would refuse are not written either (the table takes them
// from a bulk load unchecked).
TEST(TableStorage, WriterRefusesWhatCannotBeReadBack) {
  struct Case {
    const char* Name;
    FieldDef Field;
    Value Cell;
  };
  const Case cases[] = {
      {"text longer than its width", Def("T", FieldType::Text, 4), S("abcde")},
      {"int16 out of range", Def("N", FieldType::Int16), I(32768)},
      {"uint16 below 0", Def("N", FieldType::UInt16), I(-1)},
      {"auto beyond 32 bits", Def("N", FieldType::Auto), I(1LL << 31)},
      {"bool 2", Def("B", FieldType::Bool), I(2)},
      {"decimal with more places", Def("D", FieldType::Decimal, 2), I(12345)},
      {"infinite double", Def("X", FieldType::Double), std::numeric_limits<double>::infinity()},
      {"text in a number field", Def("N", FieldType::Int32), S("1")},
      {"number in a text field", Def("T", FieldType::Memo), I(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto t = MakeTable({c.Field}, {{c.Cell}});
    EXPECT_THROW(t->SaveToBytes(), TableError);
  }
}

TEST(TableStorage, LongTablesEncodeTheSameInBothHalves) {
  // Long tables are encoded in two halves at once; the image is the one row by row.
  std::vector<std::vector<Value>> rows;
  for (int i = 0; i < 50001; ++i) rows.push_back({I(i), S("row " + std::to_string(i))});
  auto t = MakeTable({Def("N", FieldType::Int32), Def("T", FieldType::Text, 20)}, rows);
  const TableImage back = DecodeTable(t->SaveToBytes());
  ASSERT_EQ(back.Rows.size(), rows.size());
  for (std::size_t r : {std::size_t{0}, std::size_t{25000}, std::size_t{25001}, std::size_t{50000}})
    EXPECT_EQ(back.Rows[r], rows[r]) << r;

  // A fault in either half names the first bad row.
  rows[30000][0] = S("x");  // second half
  rows[20000][1] = I(1);    // first half
  auto bad = MakeTable({Def("N", FieldType::Int32), Def("T", FieldType::Text, 20)}, rows);
  try {
    bad->SaveToBytes();
    FAIL();
  } catch (const TableError& e) {
    EXPECT_NE(std::string(e.what()).find(" 20001 "), std::string::npos) << e.what();
  }
}

// ---------------------------------------------------------------------------
// Files.

TEST_F(TableStorageFiles, FileFaultsNameTheFile) {
  const std::string damaged = Path("damaged.tmp");
  {
    std::string bytes = DamageSource()->SaveToBytes();
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 1);
    std::ofstream(dir_ / "damaged.tmp", std::ios::binary) << bytes;
  }
  struct Case {
    const char* Name;
    std::function<void(Table&)> Run;
    std::string Message;  // code page 936
  };
  const std::string missing = Path("missing.tmp");
  const std::string noFolder = Path("no such folder/t.tmp");
  const Case cases[] = {
      {"read a missing file", [&](Table& t) { t.LoadFromFile(missing); }, Gbk("无法打开表文件“") + missing + Gbk("”")},
      {"read a damaged file", [&](Table& t) { t.LoadFromFile(damaged); },
       Gbk("表文件“") + damaged + Gbk("”已损坏：校验和不符")},
      {"write into a missing folder", [&](Table& t) { t.SaveToFile(noFolder); },
       Gbk("无法写入表文件“") + noFolder + Gbk("”")},
      {"read without a file name", [](Table& t) { t.LoadFromFile(); }, Gbk("表没有指定文件名")},
      {"write without a file name", [](Table& t) { t.SaveToFile(); }, Gbk("表没有指定文件名")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto t = MakeTable({Def("N", FieldType::Int32)}, {{I(1)}});
    const Content before(*t);
    try {
      c.Run(*t);
      ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << text::Cp936ToUtf8Lossy(e.what());
    }
    EXPECT_EQ(Content(*t), before);
  }
  EXPECT_FALSE(fs::exists(dir_ / "no such folder"));
}

TEST_F(TableStorageFiles, WritingReplacesTheFileAndLeavesNothingBeside) {
  const std::string path = Path("t.tmp");
  MakeTable({Def("N", FieldType::Int32)}, {{I(1)}, {I(2)}})->SaveToFile(path);
  MakeTable({Def("N", FieldType::Int32)}, {{I(3)}})->SaveToFile(path);
  Table t;
  t.LoadFromFile(path);
  EXPECT_EQ(AllRows(t), (Rows{{I(3)}}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace takeoff::data
