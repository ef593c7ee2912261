#include "workspace/project_file.h"

#include <zlib.h>

#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "data/data_module.h"
#include "data/project_tables.h"
#include "data/table.h"
#include "data/table_storage.h"
#include "platform/host.h"
#include "text/gbk.h"
#include "workspace/deflate_two.h"

namespace takeoff::workspace {
namespace {

using data::Table;
using data::TableError;
using text::Gbk;

constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kFixedTail = 4 + 4 * kProjectTableCount + 1;  // counter, sizes, version

// The tables in file order with their working files.
struct TableSlot {
  Table data::TDataMd::*Member;
  const char* File;
};
constexpr TableSlot kSlots[kProjectTableCount] = {
    {&data::TDataMd::CDataSet1, data::kNodeFile},
    {&data::TDataMd::dataCDataset, data::kRecordFile},
    {&data::TDataMd::DataWindows, data::kOpeningFile},
    {&data::TDataMd::DataSetWin, data::kPlacementFile},
    {&data::TDataMd::DataSetVal, data::kVariableFile},
};
constexpr int kRecordSlot = 1, kOpeningSlot = 2, kPlacementSlot = 3;

// Paths are code page 936 like every text of the system; the file system takes them
// in UTF-8. A path that is no valid code page 936 text is passed as it is.
std::string NativePath(const std::string& path) {
  try {
    return text::Cp936ToUtf8(path);
  } catch (const text::ConversionError&) {
    return path;
  }
}

[[noreturn]] void Damaged(const char* detail) { throw TableError(Gbk("工程文件已损坏：") + Gbk(detail)); }

void PutInt32(std::string& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::int32_t GetInt32(const unsigned char* p) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(NativePath(path).c_str(), mode)); }

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(NativePath(path)), ec);
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::rename(std::filesystem::path(NativePath(from)), std::filesystem::path(NativePath(to)), ec);
  return !ec;
}

// Flushes a file's buffers and then the system's to the disk.
bool FlushToDisk(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
#if defined(_WIN32)
  return _commit(_fileno(f)) == 0;
#else
  return fsync(fileno(f)) == 0;
#endif
}

// Makes a rename in the folder of `path` durable (where the system allows it).
void FlushFolder([[maybe_unused]] const std::string& path) {
#if !defined(_WIN32)
  std::filesystem::path folder = std::filesystem::path(NativePath(path)).parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);
    ::close(fd);
  }
#endif
}

// ---------------------------------------------------------------------------
// Reading

// Decompresses a zlib stream pulled from `source` (which returns 0 at the end of the
// input) and hands out exactly the bytes asked for.
class InflateReader {
public:
  using Source = std::function<std::size_t(unsigned char*, std::size_t)>;

  explicit InflateReader(Source source) : source_(std::move(source)), in_(kChunk) {
    std::memset(&zs_, 0, sizeof zs_);
    if (inflateInit(&zs_) != Z_OK) throw TableError(Gbk("工程文件无法解压：内存不足"));
  }
  ~InflateReader() { inflateEnd(&zs_); }
  InflateReader(const InflateReader&) = delete;
  InflateReader& operator=(const InflateReader&) = delete;

  void ReadExact(void* out, std::size_t n) {
    if (Pull(static_cast<unsigned char*>(out), n) != n) Damaged("数据不完整");
  }

  // Hands the next n bytes to `sink` piece by piece.
  template <class Sink>
  void Copy(std::uint64_t n, Sink&& sink) {
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<std::uint64_t>(n, kChunk)));
    while (n > 0) {
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(n, buf.size()));
      ReadExact(buf.data(), want);
      sink(reinterpret_cast<const char*>(buf.data()), want);
      n -= want;
    }
  }

  // The stream must end here, and the input with it.
  void ExpectEnd() {
    unsigned char extra;
    if (Pull(&extra, 1) != 0) Damaged("数据长度与记录的大小不符");
    if (!ended_) Damaged("数据不完整");
    if (zs_.avail_in > 0 || (!inputEnded_ && Refill() > 0)) Damaged("压缩数据后有多余内容");
  }

private:
  std::size_t Refill() {
    const std::size_t n = source_(in_.data(), in_.size());
    if (n == 0) inputEnded_ = true;
    zs_.next_in = in_.data();
    zs_.avail_in = static_cast<uInt>(n);
    return n;
  }

  // Up to n bytes; fewer only at the end of the stream.
  std::size_t Pull(unsigned char* out, std::size_t n) {
    if (n == 0 || ended_) return 0;
    zs_.next_out = out;
    zs_.avail_out = static_cast<uInt>(n);
    while (zs_.avail_out > 0) {
      if (zs_.avail_in == 0 && !inputEnded_) Refill();
      if (zs_.avail_in == 0 && inputEnded_) Damaged("数据不完整");
      const int rc = inflate(&zs_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (rc == Z_BUF_ERROR) continue;  // wants more input: the next round refills or fails
      if (rc != Z_OK) Damaged("压缩数据错误");
    }
    return n - zs_.avail_out;
  }

  Source source_;
  std::vector<unsigned char> in_;
  z_stream zs_;
  bool inputEnded_ = false;
  bool ended_ = false;
};

// Reads the container: the fixed part (handed to `onHead`, which may refuse the file
// by throwing), then each table section piece by piece to `sink(table, bytes, n)`,
// then checks that the stream ends with the last section.
template <class OnHead, class Sink>
ProjectFileHead ReadContainer(InflateReader& in, OnHead&& onHead, Sink&& sink) {
  ProjectFileHead head;
  unsigned char word[4];
  in.ReadExact(word, 4);
  const std::int32_t length = GetInt32(word);
  if (length < 0) Damaged("标题长度为负");
  if (length > kMaxHeaderBytes) Damaged("标题长度过大");
  std::string text(static_cast<std::size_t>(length), '\0');
  in.ReadExact(text.data(), text.size());
  head.Properties = HeaderLines(text);

  unsigned char tail[kFixedTail];
  in.ReadExact(tail, sizeof tail);
  head.KeyCounter = GetInt32(tail);
  for (int i = 0; i < kProjectTableCount; ++i) {
    std::int64_t size = GetInt32(tail + 4 + 4 * i);
    if (i == kRecordSlot) size -= kRecordSizeOffset;
    if (size < 0) Damaged("表的大小为负");
    head.Sizes[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(size);
  }
  head.Version = tail[kFixedTail - 1];
  onHead(head);

  for (int i = 0; i < kProjectTableCount; ++i)
    in.Copy(static_cast<std::uint64_t>(head.Sizes[static_cast<std::size_t>(i)]),
            [&](const char* p, std::size_t n) { sink(i, p, n); });
  in.ExpectEnd();
  return head;
}

// The five sections of a file being read, each in a file beside its working file
// until the whole container has been read and checked; removed unless committed.
class StagedFiles {
public:
  explicit StagedFiles(const data::TDataMd& md) {
    for (int i = 0; i < kProjectTableCount; ++i) {
      const auto k = static_cast<std::size_t>(i);
      target_[k] = md.WorkingFile(kSlots[k].File);
      path_[k] = target_[k] + ".~rd";
    }
  }
  ~StagedFiles() {
    for (auto& f : file_) f.reset();
    if (!committed_)
      for (const std::string& p : path_) RemoveFile(p);
  }
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  void Open() {
    for (std::size_t k = 0; k < file_.size(); ++k) {
      file_[k] = OpenFile(path_[k], "wb");
      if (!file_[k]) Fault("无法写入工作文件", k);
    }
  }
  void Append(int table, const char* p, std::size_t n) {
    const auto k = static_cast<std::size_t>(table);
    if (std::fwrite(p, 1, n, file_[k].get()) != n) Fault("无法写入工作文件", k);
  }
  void Close() {
    for (std::size_t k = 0; k < file_.size(); ++k) {
      const bool ok = std::fclose(file_[k].release()) == 0;
      if (!ok) Fault("无法写入工作文件", k);
    }
  }
  const std::string& Path(int table) const { return path_[static_cast<std::size_t>(table)]; }
  // Puts every section in the place of its working file.
  void Commit() {
    for (std::size_t k = 0; k < path_.size(); ++k)
      if (!RenameFile(path_[k], target_[k])) Fault("无法替换工作文件", k);
    committed_ = true;
  }

private:
  [[noreturn]] void Fault(const char* what, std::size_t k) {
    throw TableError(Gbk(what) + Gbk("“") + target_[k] + Gbk("”"));
  }

  std::array<std::string, kProjectTableCount> target_, path_;
  std::array<FilePtr, kProjectTableCount> file_;
  bool committed_ = false;
};

// ---------------------------------------------------------------------------
// Writing

// Writes the bytes; `failAfter` is the test's disk that fills up once that many bytes
// have reached the file.
bool WriteAll(std::FILE* f, std::string_view bytes, std::optional<std::uint64_t> failAfter) {
  if (failAfter && bytes.size() > *failAfter) {
    std::fwrite(bytes.data(), 1, static_cast<std::size_t>(*failAfter), f);
    return false;
  }
  return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

// Whether the file at `path` decompresses to exactly `taken` bytes with the CRC `crc`.
// Whether the file on the disk holds exactly the compressed bytes written.
bool ReadsBack(const std::string& path, std::uint64_t size, uLong crc) {
  FilePtr f = OpenFile(path, "rb");
  if (!f) return false;
  std::vector<unsigned char> buf(kChunk);
  uLong again = crc32(0L, Z_NULL, 0);
  std::uint64_t read = 0;
  for (;;) {
    const std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get());
    again = crc32(again, buf.data(), static_cast<uInt>(n));
    read += n;
    if (n < buf.size()) break;
  }
  return !std::ferror(f.get()) && read == size && again == crc;
}

// Copies `from` to `to` through a file beside `to`, flushed before it takes its place.
bool CopyFileSafely(const std::string& from, const std::string& to) {
  const std::string temp = to + ".~wr";
  bool ok = false;
  {
    FilePtr in = OpenFile(from, "rb");
    FilePtr out = in ? OpenFile(temp, "wb") : nullptr;
    if (in && out) {
      std::vector<char> buf(kChunk);
      ok = true;
      for (;;) {
        const std::size_t n = std::fread(buf.data(), 1, buf.size(), in.get());
        if (n > 0 && std::fwrite(buf.data(), 1, n, out.get()) != n) ok = false;
        if (n < buf.size()) break;
      }
      if (std::ferror(in.get())) ok = false;
      if (ok) ok = FlushToDisk(out.get());
      if (std::fclose(out.release()) != 0) ok = false;
    }
  }
  if (ok) ok = RenameFile(temp, to);
  if (!ok) RemoveFile(temp);
  return ok;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string HeaderText(const std::array<std::string, 6>& properties) {
  std::string out;
  for (const std::string& line : properties) out += line + "\r\n";
  return out;
}

std::array<std::string, 6> HeaderLines(std::string_view text) {
  std::array<std::string, 6> lines;
  std::size_t line = 0, i = 0;
  while (i < text.size() && line < lines.size()) {
    const std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      lines[line] = std::string(text.substr(i));
      break;
    }
    lines[line++] = std::string(text.substr(i, end - i));
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

ProjectFileImage DecodeProjectFile(std::string_view fileBytes) {
  ProjectFileImage image;
  std::size_t at = 0;
  InflateReader in([&](unsigned char* p, std::size_t n) {
    const std::size_t got = std::min(n, fileBytes.size() - at);
    std::memcpy(p, fileBytes.data() + at, got);
    at += got;
    return got;
  });
  image.Head = ReadContainer(
      in, [](const ProjectFileHead&) {},
      [&](int table, const char* p, std::size_t n) { image.Tables[static_cast<std::size_t>(table)].append(p, n); });
  return image;
}

std::string SaveTableToWorkingFile(Table& table, const std::string& file) {
  if (!table.Active()) return data::ReadTableFile(file);
  if (table.State() == data::TableState::Edit || table.State() == data::TableState::Insert) table.Post();
  table.MergeChangeLog();
  std::string bytes = table.SaveToBytes();
  data::WriteTableFile(file, bytes);
  return bytes;
}

void ConvertTableFile(const Table& table, const std::string& file) {
  Table old(table.Name());
  old.LoadFromFile(file);

  Table now(table.Name());
  now.SetFieldDefs(table.FieldDefs());
  now.SetIndexFields(table.IndexFields());
  std::vector<std::pair<int, int>> pairs;  // old field -> current field
  for (int f = 0; f < old.FieldCount(); ++f) {
    const data::FieldDef& def = old.FieldDefs()[static_cast<std::size_t>(f)];
    if (def.Calculated) continue;
    const int to = now.FieldIndex(def.Name);
    if (to < 0 || now.FieldDefs()[static_cast<std::size_t>(to)].Calculated)
      throw TableError(Gbk("无法转换表文件“") + file + Gbk("”：新格式中没有字段") + def.Name);
    pairs.emplace_back(f, to);
  }

  now.CreateDataSet();
  for (old.First(); !old.Eof(); old.Next()) {
    now.Append();
    for (auto [from, to] : pairs) now.SetAsString(to, old.ExactText(from));
    now.Post();
  }
  now.SaveToFile(file);
}

std::string BackupPath(const std::string& projectPath) {
  const std::size_t slash = projectPath.find_last_of("/\\");
  const std::size_t dot = projectPath.rfind('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExt ? projectPath.substr(0, dot) : projectPath) + ".~mf";
}

ProjectFile::ProjectFile(data::TDataMd& md, ProjectState& state) : md_(md), state_(state) {}

bool ProjectFile::Write(const std::string& path) {
  if (writing_ || md_.dataCDataset.FileName() != md_.WorkingFile(data::kRecordFile)) return false;
  data::SwitchGuard running(writing_, true);
  data::SwitchGuard calc(md_.CalcEnabled, false);

  bool ok = false;
  try {
    ok = WriteChecked(path);
  } catch (const std::exception&) {
    ok = false;  // any fault on the way is a failed write, reported once below
  }
  if (ok) {
    state_.Modified = false;
    md_.App().ClearModified();
  } else {
    md_.GetHost().MessageBox(Gbk("文件存盘错误，请重试或用备份文件恢复！"), platform::MsgCaption::Tip,
                             platform::MsgIcon::Warning, platform::MsgButtons::Ok);
  }
  return ok;
}

bool ProjectFile::WriteChecked(const std::string& path) {
  // The image of each open table, or the working file of a closed one. The working
  // files are written beside the compression (another core), and the container is
  // compressed from the same bytes, so nothing is read back.
  std::array<std::string, kProjectTableCount>& sections = sections_;
  std::array<std::string, kProjectTableCount> files;
  std::array<bool, kProjectTableCount> save{};
  std::array<std::int32_t, kProjectTableCount> sizes{};
  for (int i = 0; i < kProjectTableCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    Table& table = md_.*kSlots[k].Member;
    files[k] = md_.WorkingFile(kSlots[k].File);
    save[k] = table.Active();
    if (save[k]) {
      if (table.State() == data::TableState::Edit || table.State() == data::TableState::Insert) table.Post();
      table.MergeChangeLog();
      data::EncodeTableInto(table, sections[k]);
    } else {
      sections[k] = data::ReadTableFile(files[k]);
    }
    const std::uintmax_t limit =
        static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max() - (i == kRecordSlot ? kRecordSizeOffset : 0));
    if (sections[k].size() > limit) return false;
    sizes[k] = static_cast<std::int32_t>(sections[k].size());
  }
  bool filesSaved = false;
  std::thread saver([&] {
    try {
      for (std::size_t k = 0; k < files.size(); ++k)
        if (save[k]) data::WriteTableFile(files[k], sections[k]);
      filesSaved = true;
    } catch (const std::exception&) {
      filesSaved = false;
    }
  });
  struct Join {
    std::thread& T;
    ~Join() {
      if (T.joinable()) T.join();
    }
  } join{saver};
  state_.Version = kProjectFileVersion;

  const std::string header = HeaderText(state_.Properties);
  if (header.size() > static_cast<std::size_t>(kMaxHeaderBytes)) return false;
  std::string head;
  PutInt32(head, static_cast<std::int32_t>(header.size()));
  head += header;
  PutInt32(head, state_.KeyCounter);
  for (int i = 0; i < kProjectTableCount; ++i)
    PutInt32(head, sizes[static_cast<std::size_t>(i)] + (i == kRecordSlot ? kRecordSizeOffset : 0));
  head += static_cast<char>(kProjectFileVersion);

  std::uint64_t expected = head.size();
  for (std::int32_t s : sizes) expected += static_cast<std::uint64_t>(s);

  // The new file beside the old one; the old one is replaced only once the new one
  // is on the disk and reads back whole.
  const std::string temp = path + ".~wr";
  struct RemoveTemp {
    const std::string& Path;
    bool Keep = false;
    ~RemoveTemp() {
      if (!Keep) RemoveFile(Path);
    }
  } cleanup{temp};

  std::uint64_t total = 0, written = 0;
  uLong crc = 0;
  {
    FilePtr out = OpenFile(temp, "wb");
    if (!out) return false;
    std::vector<std::string_view> parts{head};
    for (const std::string& section : sections) parts.emplace_back(section);
    for (std::string_view part : parts) total += part.size();
    const std::string packed = DeflateLevel1(parts);
    if (!WriteAll(out.get(), packed, FailWriteAfter)) return false;
    crc = crc32_z(0L, reinterpret_cast<const Bytef*>(packed.data()), packed.size());
    written = packed.size();
    saver.join();
    if (!filesSaved) return false;
    if (!FlushToDisk(out.get())) return false;
    if (std::fclose(out.release()) != 0) return false;
  }
  if (total != expected || !ReadsBack(temp, written, crc)) return false;

  if (!RenameFile(temp, path)) return false;
  cleanup.Keep = true;
  FlushFolder(path);
  // The backup holds the last file written whole; a backup that cannot be written is
  // reported like a failed write, so that the next save tries again.
  return CopyFileSafely(path, BackupPath(path));
}

void ProjectFile::Read(const std::string& path) {
  struct stat st {};
  FilePtr f = OpenFile(path, "rb");
  if (!f || fstat(fileno(f.get()), &st) != 0)
    throw TableError(Gbk("无法打开工程文件“") + path + Gbk("”：") + std::strerror(errno));
  const std::time_t modified = st.st_mtime;

  platform::Host& host = md_.GetHost();
  auto refuse = [&host](const char* message) {
    host.MessageBox(Gbk(message), platform::MsgCaption::Tip, platform::MsgIcon::Warning, platform::MsgButtons::Ok);
    throw data::Abort();
  };

  StagedFiles staged(md_);
  staged.Open();
  InflateReader in([&](unsigned char* p, std::size_t n) {
    const std::size_t got = std::fread(p, 1, n, f.get());
    if (got < n && std::ferror(f.get())) throw TableError(Gbk("无法读取工程文件“") + path + Gbk("”"));
    return got;
  });
  // A version this program cannot read is refused as soon as it is known: the rest of
  // such a file may be laid out otherwise.
  const ProjectFileHead head = ReadContainer(
      in,
      [&](const ProjectFileHead& h) {
        if (h.Version <= 1) refuse("该文件为2.0以前早期版本，请用相应早期版本打开！");
        if (h.Version > kProjectFileVersion) refuse("该文件为新版本，请将软件升级后使用！");
      },
      [&](int table, const char* p, std::size_t n) { staged.Append(table, p, n); });
  staged.Close();
  f.reset();

  if (head.Version < kProjectFileVersion) {
    const platform::MsgAnswer answer = host.MessageBox(
        Gbk("    该文件为早期版本格式，编辑保存后将转换为新版本格式，部分功能将在该文件中无法使用，\r\r且转换后只能用2.14版以上的软件打开，是否确定转换为新版格式？"),
        platform::MsgCaption::Warning, platform::MsgIcon::Question, platform::MsgButtons::YesNo);
    if (answer != platform::MsgAnswer::Yes) throw data::Abort();
    // The upgrade works on the sections read, before they become the working files.
    ConvertTableFile(md_.dataCDataset, staged.Path(kRecordSlot));
    if (head.Version <= 3) {
      for (int slot : {kOpeningSlot, kPlacementSlot}) {
        const Table& live = md_.*kSlots[static_cast<std::size_t>(slot)].Member;
        Table empty(live.Name());
        empty.SetFieldDefs(live.FieldDefs());
        empty.CreateDataSet();
        empty.SaveToFile(staged.Path(slot));
      }
    }
  }

  staged.Commit();
  state_.Properties = head.Properties;
  state_.KeyCounter = head.KeyCounter;
  state_.Version = head.Version;
  state_.LastModified = modified;
}

bool WriteProjectFile(data::TDataMd& md, ProjectState& state, const std::string& path) {
  return ProjectFile(md, state).Write(path);
}

void ReadProjectFile(data::TDataMd& md, ProjectState& state, const std::string& path) {
  ProjectFile(md, state).Read(path);
}

}  // namespace takeoff::workspace
