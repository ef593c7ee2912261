// The project file: its bytes, the checked write with its backup, the version rules
// with the upgrade of older record layouts, and damaged files.
#include <gtest/gtest.h>

#include <zlib.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "data/project_tables.h"
#include "data/table_storage.h"
#include "support/data_fixture.h"
#include "support/files.h"
#include "workspace/project_file.h"

namespace takeoff::testing {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;
using workspace::ProjectFile;
using workspace::ProjectState;

std::int32_t Int32At(const std::string& s, std::size_t at) {
  std::uint32_t u = 0;
  for (std::size_t i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
  return static_cast<std::int32_t>(u);
}

void PutInt32(std::string& out, std::int32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

// A project file put together field by field, so that cases can get any field wrong.
struct RawProject {
  std::string Header;
  std::int32_t Length = 0;  // the L field
  std::int32_t Counter = 0;
  std::array<std::int32_t, 5> SizeFields{};
  std::uint8_t Version = 5;
  std::array<std::string, 5> Tables;
  std::string After;  // bytes after the last table

  RawProject(std::string header, std::array<std::string, 5> tables, std::uint8_t version)
      : Header(std::move(header)), Length(static_cast<std::int32_t>(Header.size())), Version(version),
        Tables(std::move(tables)) {
    for (std::size_t i = 0; i < 5; ++i) SizeFields[i] = static_cast<std::int32_t>(Tables[i].size());
    SizeFields[1] += 7570385;
  }

  std::string Decompressed() const {
    std::string out;
    PutInt32(out, Length);
    out += Header;
    PutInt32(out, Counter);
    for (std::int32_t s : SizeFields) PutInt32(out, s);
    out += static_cast<char>(Version);
    for (const std::string& t : Tables) out += t;
    return out + After;
  }
  std::string File() const { return Deflate(Decompressed()); }
};

const char* const kWorkingFiles[] = {data::kNodeFile, data::kRecordFile, data::kOpeningFile, data::kPlacementFile,
                                     data::kVariableFile};

class ProjectFileTest : public DataFixture {
protected:
  ProjectFileTest() {
    md.DataWindows.Append();
    md.DataWindows.SetAsString(md.DataWindows.FieldNo("Name"), "M1");
    md.DataWindows.SetAsString(md.DataWindows.FieldNo("S"), "2.1");
    md.DataWindows.Post();
    Place("M1", 2, 0);
    AddVariable(G("墙厚"), "0.24");
    state.Properties = {G("一号楼"), G("城南路"), "", G("某建设公司"), G("张 三"), ""};
    state.KeyCounter = 7;
  }

  std::string ProjectPath() const { return (folder.Path / "house.mfz").string(); }
  std::string BackupPath() const { return (folder.Path / "house.~mf").string(); }
  std::filesystem::path Working(const char* name) const { return folder.Path / name; }

  std::array<std::string, 5> TableBytes() {
    return {md.CDataSet1.SaveToBytes(), md.dataCDataset.SaveToBytes(), md.DataWindows.SaveToBytes(),
            md.DataSetWin.SaveToBytes(), md.DataSetVal.SaveToBytes()};
  }

  // Marks every working file so that a test can tell whether a read replaced it.
  void MarkWorkingFiles() {
    for (const char* f : kWorkingFiles) WriteAll(Working(f), std::string("kept ") + f);
  }
  void ExpectWorkingFilesKept() {
    for (const char* f : kWorkingFiles) EXPECT_EQ(ReadAll(Working(f)), std::string("kept ") + f) << f;
  }
  // Nothing half-written is left beside the project or the working files.
  void ExpectNoLeftovers() {
    for (const auto& e : std::filesystem::directory_iterator(folder.Path)) {
      const std::string name = e.path().filename().string();
      EXPECT_EQ(name.find(".~wr"), std::string::npos) << name;
      EXPECT_EQ(name.find(".~rd"), std::string::npos) << name;
    }
  }

  ProjectState state;
  ProjectFile file{md, state};
};

// ---------------------------------------------------------------------------
// Writing and reading back

TEST_F(ProjectFileTest, WritesTheContainerAndReadsItBack) {
  const std::array<std::string, 6> fresh = {G("新建工程"), "", "", "", "", ""};
  for (const auto& properties : {fresh, state.Properties}) {
    SCOPED_TRACE(properties[0]);
    state.Properties = properties;
    state.Modified = app.Modified = true;
    ASSERT_TRUE(file.Write(ProjectPath()));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_FALSE(state.Modified);
    EXPECT_FALSE(app.Modified);
    EXPECT_EQ(ReadAll(BackupPath()), ReadAll(ProjectPath()));

    const std::string packed = ReadAll(ProjectPath());
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);  // a zlib stream
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x01);  // at the fastest level
    const std::string raw = Inflate(packed);
    std::string header;
    for (const std::string& line : properties) header += line + "\r\n";
    const std::size_t L = header.size();
    ASSERT_GE(raw.size(), L + 29);
    EXPECT_EQ(Int32At(raw, 0), static_cast<std::int32_t>(L));
    EXPECT_EQ(raw.substr(4, L), header);
    EXPECT_EQ(Int32At(raw, 4 + L), 7);
    EXPECT_EQ(static_cast<unsigned char>(raw[28 + L]), 5);

    const std::array<std::string, 5> tables = TableBytes();
    std::size_t at = 29 + L;
    for (std::size_t i = 0; i < 5; ++i) {
      const std::int32_t field = Int32At(raw, 8 + L + 4 * i);
      EXPECT_EQ(field, static_cast<std::int32_t>(tables[i].size() + (i == 1 ? 7570385 : 0))) << i;
      EXPECT_EQ(raw.substr(at, tables[i].size()), tables[i]) << i;
      at += tables[i].size();
    }
    EXPECT_EQ(raw.size(), at);

    // Read back into a fresh state over other working files.
    MarkWorkingFiles();
    ProjectState back;
    back.Version = 0;
    ProjectFile(md, back).Read(ProjectPath());
    EXPECT_EQ(back.Properties, properties);
    EXPECT_EQ(back.KeyCounter, 7);
    EXPECT_EQ(back.Version, 5);
    struct stat st {};
    ASSERT_EQ(stat(std::filesystem::path(ProjectPath()).c_str(), &st), 0);
    EXPECT_EQ(back.LastModified, st.st_mtime);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(ReadAll(Working(kWorkingFiles[i])), tables[i]) << i;
    ExpectNoLeftovers();
  }

  Table records;
  records.LoadFromFile(Working(data::kRecordFile).string());
  ASSERT_EQ(records.RecordCount(), 5);
  records.Last();
  EXPECT_EQ(records.AsString(records.FieldNo("Name")), "R5");
  EXPECT_EQ(records.AsInteger(records.FieldNo("AbsId")), 5);
}

TEST_F(ProjectFileTest, PendingRowIsPostedBeforeSaving) {
  md.dataCDataset.Last();
  md.dataCDataset.Edit();
  md.dataCDataset.SetAsString(R("BDS"), "42");
  ASSERT_TRUE(file.Write(ProjectPath()));
  EXPECT_EQ(md.dataCDataset.State(), TableState::Browse);
  const data::TableImage img = data::DecodeTable(ReadAll(Working(data::kRecordFile)));
  const int bds = md.dataCDataset.FieldNo("BDS");
  EXPECT_EQ(data::CellText(img.Rows.back()[static_cast<std::size_t>(bds)]), "42");
}

TEST_F(ProjectFileTest, RecordsBoundElsewhereAreNotWritten) {
  md.dataCDataset.SetFileName((folder.Path / "other.tmp").string());
  EXPECT_FALSE(file.Write(ProjectPath()));
  EXPECT_TRUE(host.Messages.empty());
  EXPECT_FALSE(std::filesystem::exists(ProjectPath()));
}

// A failed write leaves the last good file and its backup as they were.
TEST_F(ProjectFileTest, FailedWriteKeepsFileAndBackup) {
  struct Case {
    const char* What;
    std::function<void()> Break;
  };
  const Case cases[] = {
      {"disk full at once", [this] { file.FailWriteAfter = 0; }},
      {"disk full after a few bytes", [this] { file.FailWriteAfter = 20; }},
      {"a closed table without its working file",
       [this] {
         md.DataSetVal.Close();
         std::filesystem::remove(Working(data::kVariableFile));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    file.FailWriteAfter.reset();
    if (!md.DataSetVal.Active()) md.DataSetVal.LoadFromFile();
    ASSERT_TRUE(file.Write(ProjectPath()));
    const std::string good = ReadAll(ProjectPath());
    ASSERT_EQ(ReadAll(BackupPath()), good);

    TypeFormula("9");  // a change not yet written
    state.Modified = true;
    ASSERT_TRUE(app.Modified);
    host.Messages.clear();
    c.Break();
    EXPECT_FALSE(file.Write(ProjectPath()));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, G("文件存盘错误，请重试或用备份文件恢复！"));
    EXPECT_EQ(host.Messages[0].Caption, MsgCaption::Tip);
    EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(host.Messages[0].Buttons, MsgButtons::Ok);
    EXPECT_TRUE(state.Modified);
    EXPECT_TRUE(app.Modified);
    EXPECT_FALSE(file.Writing());
    EXPECT_TRUE(md.CalcEnabled);
    EXPECT_EQ(ReadAll(ProjectPath()), good);
    EXPECT_EQ(ReadAll(BackupPath()), good);
    ExpectNoLeftovers();
    host.Messages.clear();
  }
}

// ---------------------------------------------------------------------------
// Versions

TEST_F(ProjectFileTest, VersionsThisProgramCannotReadAreRefused) {
  const std::string older = G("该文件为2.0以前早期版本，请用相应早期版本打开！");
  const std::string newer = G("该文件为新版本，请将软件升级后使用！");
  const struct {
    std::uint8_t Version;
    const std::string& Message;
  } cases[] = {{0, older}, {1, older}, {6, newer}, {255, newer}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Version));
    RawProject raw(G("别的工程\r\n\r\n\r\n\r\n\r\n\r\n"), TableBytes(), c.Version);
    raw.Counter = 99;
    WriteAll(ProjectPath(), raw.File());
    MarkWorkingFiles();
    host.Messages.clear();
    EXPECT_THROW(file.Read(ProjectPath()), data::Abort);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, c.Message);
    EXPECT_EQ(host.Messages[0].Caption, MsgCaption::Tip);
    EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(host.Messages[0].Buttons, MsgButtons::Ok);
    EXPECT_EQ(state.Properties[0], G("一号楼"));
    EXPECT_EQ(state.KeyCounter, 7);
    EXPECT_EQ(state.Version, 5);
    ExpectWorkingFilesKept();
    ExpectNoLeftovers();
  }
}

class OlderFileTest : public ProjectFileTest {
protected:
  // The record table as files before TU, TH and AbsId kept it, with two records.
  std::string OldRecords(const std::vector<data::FieldDef>& extra = {}) {
    std::vector<data::FieldDef> defs;
    for (const data::FieldDef& f : data::RecordFields())
      if (!f.Calculated && f.Name != "TU" && f.Name != "TH" && f.Name != "AbsId") defs.push_back(f);
    defs.insert(defs.end(), extra.begin(), extra.end());
    Table old;
    old.SetFieldDefs(defs);
    old.CreateDataSet();
    const std::vector<std::array<std::string, 4>> rows = {{"1", "R1", "2*3", "m2"}, {"2", G("墙"), "1.5", ""}};
    for (const auto& r : rows) {
      old.Append();
      old.SetAsString(old.FieldNo("Parent"), "1");
      old.SetAsString(old.FieldNo("Id"), r[0]);
      old.SetAsString(old.FieldNo("Name"), r[1]);
      old.SetAsString(old.FieldNo("BDS"), r[2]);
      old.SetAsString(old.FieldNo("DW"), r[3]);
      old.Post();
    }
    return old.SaveToBytes();
  }

  std::string OlderFile(std::uint8_t version, const std::string& records) {
    std::array<std::string, 5> tables = TableBytes();
    tables[1] = records;
    RawProject raw(G("旧工程\r\n\r\n\r\n\r\n\r\n\r\n"), tables, version);
    raw.Counter = 3;
    return raw.File();
  }

  std::string UpgradeQuestion() {
    return G("    该文件为早期版本格式，编辑保存后将转换为新版本格式，部分功能将在该文件中无法使用，\r\r且转换后只能用2.14版以上的软件打开，是否确定转换为新版格式？");
  }
};

TEST_F(OlderFileTest, AgreedUpgradeRewritesRecordsInTheCurrentLayout) {
  const struct {
    std::uint8_t Version;
    bool OpeningsFromFile;
  } cases[] = {{4, true}, {3, false}, {2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Version));
    WriteAll(ProjectPath(), OlderFile(c.Version, OldRecords()));
    MarkWorkingFiles();
    host.Messages.clear();
    host.Answer(MsgAnswer::Yes);
    file.Read(ProjectPath());
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, UpgradeQuestion());
    EXPECT_EQ(host.Messages[0].Caption, MsgCaption::Warning);
    EXPECT_EQ(host.Messages[0].Icon, MsgIcon::Question);
    EXPECT_EQ(host.Messages[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(state.Version, c.Version);
    EXPECT_EQ(state.Properties[0], G("旧工程"));
    EXPECT_EQ(state.KeyCounter, 3);

    Table current;
    current.SetFieldDefs(data::RecordFields());
    Table records;
    records.LoadFromFile(Working(data::kRecordFile).string());
    EXPECT_EQ(records.StoredFieldDefs(), current.StoredFieldDefs());
    ASSERT_EQ(records.RecordCount(), 2);
    records.First();
    EXPECT_EQ(records.AsString(records.FieldNo("Name")), "R1");
    EXPECT_EQ(records.AsString(records.FieldNo("BDS")), "2*3");
    EXPECT_EQ(records.AsString(records.FieldNo("DW")), "m2");
    EXPECT_TRUE(records.IsNull(records.FieldNo("TU")));
    EXPECT_EQ(records.AsInteger(records.FieldNo("AbsId")), 1);
    records.Next();
    EXPECT_EQ(records.AsString(records.FieldNo("Name")), G("墙"));
    EXPECT_EQ(records.AsInteger(records.FieldNo("Id")), 2);
    EXPECT_EQ(records.AsInteger(records.FieldNo("AbsId")), 2);

    for (const char* f : {data::kOpeningFile, data::kPlacementFile}) {
      const data::TableImage img = data::DecodeTable(ReadAll(Working(f)));
      EXPECT_EQ(img.Rows.size(), c.OpeningsFromFile ? 1u : 0u) << f;
      EXPECT_FALSE(img.Fields.empty()) << f;
    }
    EXPECT_EQ(data::DecodeTable(ReadAll(Working(data::kVariableFile))).Rows.size(), 1u);
    ExpectNoLeftovers();
  }
}

TEST_F(OlderFileTest, DeclinedUpgradeChangesNothing) {
  const std::string bytes = OlderFile(4, OldRecords());
  WriteAll(ProjectPath(), bytes);
  MarkWorkingFiles();
  host.Answer(MsgAnswer::No);
  EXPECT_THROW(file.Read(ProjectPath()), data::Abort);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, UpgradeQuestion());
  EXPECT_EQ(ReadAll(ProjectPath()), bytes);
  ExpectWorkingFilesKept();
  EXPECT_EQ(state.Properties[0], G("一号楼"));
  EXPECT_EQ(state.Version, 5);
  ExpectNoLeftovers();
}

TEST_F(OlderFileTest, OldFieldUnknownToTheCurrentLayoutStopsTheUpgrade) {
  data::FieldDef extra;
  extra.Name = "Gone";
  extra.Type = data::FieldType::Int32;
  WriteAll(ProjectPath(), OlderFile(4, OldRecords({extra})));
  MarkWorkingFiles();
  host.Answer(MsgAnswer::Yes);
  EXPECT_THROW(file.Read(ProjectPath()), data::TableError);
  ExpectWorkingFilesKept();
  EXPECT_EQ(state.Version, 5);
  ExpectNoLeftovers();
}

// ---------------------------------------------------------------------------
// Damaged files

TEST_F(ProjectFileTest, DamagedFilesAreRefusedAndReplaceNothing) {
  const RawProject good(workspace::HeaderText(state.Properties), TableBytes(), 5);
  const std::string packed = good.File();
  auto changed = [&good](const std::function<void(RawProject&)>& change) {
    RawProject r = good;
    change(r);
    return r.File();
  };
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"empty", ""},
      {"not zlib", "this is no project file"},
      {"deflate data broken", [&] {
         std::string b = packed;
         for (std::size_t i = b.size() / 3; i < b.size() / 3 + 8; ++i) b[i] = static_cast<char>(b[i] ^ 0x5A);
         return b;
       }()},
      {"checksum wrong", [&] {
         std::string b = packed;
         b.back() = static_cast<char>(b.back() ^ 1);
         return b;
       }()},
      {"truncated", packed.substr(0, packed.size() / 2)},
      {"trailer missing", packed.substr(0, packed.size() - 2)},
      {"garbage after the stream", packed + "zz"},
      {"last size past the data", changed([](RawProject& r) { r.SizeFields[4] += 100; })},
      {"record size past the data", changed([](RawProject& r) { r.SizeFields[1] = 0x7FFFFFFF; })},
      {"record size below the offset", changed([](RawProject& r) { r.SizeFields[1] = 100; })},
      {"negative size", changed([](RawProject& r) { r.SizeFields[2] = -1; })},
      {"negative header length", changed([](RawProject& r) { r.Length = -4; })},
      {"huge header length", changed([](RawProject& r) { r.Length = 0x7FFFFFF0; })},
      {"header length past the data", changed([](RawProject& r) { r.Length += 1000; })},
      {"bytes after the last table", changed([](RawProject& r) { r.After = "xy"; })},
      {"cut inside the fixed part", Deflate(good.Decompressed().substr(0, good.Header.size() + 10))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    WriteAll(ProjectPath(), c.Bytes);
    MarkWorkingFiles();
    try {
      file.Read(ProjectPath());
      ADD_FAILURE() << "read a damaged file";
    } catch (const data::TableError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(G("工程文件已损坏："), 0), 0u) << text::Cp936ToUtf8(e.what());
    }
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(state.Version, 5);
    EXPECT_EQ(state.KeyCounter, 7);
    ExpectWorkingFilesKept();
    ExpectNoLeftovers();
  }

  // The same checks hold for a file read from memory.
  EXPECT_THROW(workspace::DecodeProjectFile(packed.substr(0, packed.size() / 2)), data::TableError);
  const workspace::ProjectFileImage image = workspace::DecodeProjectFile(packed);
  EXPECT_EQ(image.Head.Properties, state.Properties);
  EXPECT_EQ(image.Tables, TableBytes());
}

TEST_F(ProjectFileTest, MissingFileIsAnError) {
  EXPECT_THROW(file.Read((folder.Path / "none.mfz").string()), data::TableError);
}

}  // namespace
}  // namespace takeoff::testing
