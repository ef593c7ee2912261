#pragma once
// The project file (.mfz): one zlib stream holding the project properties, the
// node-key counter, the format version and the five project tables, with its
// backup copy (.~mf) beside it.
//
// Decompressed, little-endian throughout:
//   L            int32   byte length of the header text
//   header text  L       six property lines, each ended by CR LF (code page 936)
//   key counter  int32
//   S1           int32   table 1 (CDataSet1)
//   S2 + 7570385 int32   table 2 (dataCDataset), the only size offset by the constant
//   S3, S4, S5   int32   tables 3 to 5 (DataWindows, DataSetWin, DataSetVal)
//   version      uint8   5 for every file written
//   the five tables in that order, each as its working file holds it (Table::SaveToFile)
#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "workspace/project_state.h"

namespace takeoff::data {
class Table;
class TDataMd;
}  // namespace takeoff::data

namespace takeoff::workspace {

inline constexpr std::int32_t kRecordSizeOffset = 7570385;  // added to the second size field
inline constexpr std::uint8_t kProjectFileVersion = 5;
inline constexpr int kProjectTableCount = 5;
// A header text longer than this is taken for damage: six property lines never come near it.
inline constexpr std::int32_t kMaxHeaderBytes = 1 << 20;

// The fixed part of a project file.
struct ProjectFileHead {
  std::array<std::string, 6> Properties;
  std::int32_t KeyCounter = 0;
  std::array<std::int32_t, kProjectTableCount> Sizes{};  // S1..S5, the second without the offset
  std::uint8_t Version = 0;
};

// A project file read from memory: its fixed part and its five table sections.
struct ProjectFileImage {
  ProjectFileHead Head;
  std::array<std::string, kProjectTableCount> Tables;
};

// Reads a whole project file held in memory. Bad zlib data, a truncated stream, sizes
// or lengths that do not fit the data throw data::TableError ("工程文件已损坏：...").
// Memory grows only with the data actually present, never from a size field alone.
ProjectFileImage DecodeProjectFile(std::string_view fileBytes);

// The six property lines as the header text holds them, and back. Reading accepts
// CR LF, LF or CR as line ends; missing lines are empty, lines past the sixth are ignored.
std::string HeaderText(const std::array<std::string, 6>& properties);
std::array<std::string, 6> HeaderLines(std::string_view text);

// When the table is open: posts a pending row and saves the table to `file` in its
// storage form. A closed table is not saved (its working file is used as it is).
// Returns the bytes the working file now holds.
std::string SaveTableToWorkingFile(data::Table& table, const std::string& file);

// Rewrites a working file in the table's current layout: every stored field of the
// old file is copied as text into the field of the same name (each must exist in the
// current layout), fields new to the layout take their defaults. The table itself is
// left as it is; the rows are built in a table of the same layout without its hooks.
void ConvertTableFile(const data::Table& table, const std::string& file);

// The writer and the reader of the open project's file.
class ProjectFile {
public:
  ProjectFile(data::TDataMd& md, ProjectState& state);

  // Writes the current project to `path`. The new file is written beside the old one,
  // flushed to disk, read back and checked, and only then put in the old one's place
  // and copied to the backup; a failed write leaves the old file and its backup as
  // they were, shows "文件存盘错误，请重试或用备份文件恢复！" and keeps the modified
  // flag. Refused silently (false, nothing written) while a write is running or when
  // the records are not bound to their working file. True when written.
  bool Write(const std::string& path);

  // Reads `path`: the properties, the counter, the format version, the last-modified
  // time and the five working files. The container is read and checked in full
  // before anything is replaced, so a damaged file (data::TableError) or a refused
  // version (data::Abort, after its message) leaves the working files and the state
  // as they were. Versions 2 to 4 are upgraded when the user agrees.
  void Read(const std::string& path);

  bool Writing() const { return writing_; }

  // For tests: writing the new project file fails once this many bytes of it have
  // reached the disk.
  std::optional<std::uint64_t> FailWriteAfter;

private:
  bool WriteChecked(const std::string& path);

  data::TDataMd& md_;
  ProjectState& state_;
  bool writing_ = false;
  // The table images of the last write, kept so that the next one reuses the memory.
  std::array<std::string, kProjectTableCount> sections_;
};

// The backup copy's path: the project file's name with the extension .~mf.
std::string BackupPath(const std::string& projectPath);

// WriteProjectFile / ReadProjectFile on a project.
bool WriteProjectFile(data::TDataMd& md, ProjectState& state, const std::string& path);
void ReadProjectFile(data::TDataMd& md, ProjectState& state, const std::string& path);

}  // namespace takeoff::workspace
