// The project file at project scale: 2,000 component nodes with 100 records each
// (200,000 records), 50 variables, 30 openings with a placement each.
//
// BM_WriteProjectFile   WriteProjectFile: the five tables saved to their working files,
//                       compressed into the new file, flushed, read back and checked,
//                       put in place and copied to the backup. Its counter vs_zlib is
//                       the time against zlib alone compressing the same uncompressed
//                       bytes at level 1 in one call. Target vs_zlib <= 1.5.
// BM_ZlibLevel1         that zlib call alone, for reference.
// BM_SaveWorkingFiles   the writer's first step alone: the five tables saved to their
//                       working files (no compression), to show where its time goes.
// BM_OpenProject        ReadProjectFile, then the five tables opened from their working
//                       files (Table::LoadFromFile). Target < 1 s.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_lcg.h"
#include "data/data_module.h"
#include "data/project_tables.h"
#include "engine/evaluator.h"
#include "platform/host.h"
#include "text/gbk.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace {

using takeoff::data::FieldDef;
using takeoff::data::Table;
using takeoff::data::TDataMd;
using takeoff::data::Value;
using takeoff::text::Gbk;

constexpr int kNodes = 2000, kRecordsPerNode = 100, kVariables = 50, kOpenings = 30;

// Answers every question No.
struct QuietHost : takeoff::platform::SilentHost {
  QuietHost() : SilentHost(takeoff::platform::MsgAnswer::No) {}
};

using QuietApp = takeoff::data::NoAppRequests;

std::filesystem::path FreshFolder(const char* what) {
  std::random_device rd;
  for (;;) {
    auto p = std::filesystem::temp_directory_path() / (std::string("takeoff-bench-") + what + std::to_string(rd()));
    if (std::filesystem::create_directory(p)) return p;
  }
}

// Rows of a table built field by name, the others empty.
class Rows {
public:
  explicit Rows(std::vector<FieldDef> defs) : defs_(std::move(defs)) {}
  std::vector<Value>& Add() { return rows_.emplace_back(defs_.size()); }
  void Set(std::vector<Value>& row, const char* field, Value v) const {
    for (std::size_t f = 0; f < defs_.size(); ++f)
      if (defs_[f].Name == field) {
        row[f] = std::move(v);
        return;
      }
    throw std::logic_error(std::string("no field ") + field);
  }
  void LoadInto(Table& t, std::int64_t counter) { t.Load(defs_, std::move(rows_), counter); }

private:
  std::vector<FieldDef> defs_;
  std::vector<std::vector<Value>> rows_;
};

std::vector<FieldDef> Stored(std::vector<FieldDef> all) {
  std::erase_if(all, [](const FieldDef& f) { return f.Calculated; });
  return all;
}

struct Project {
  Project() : folder(FreshFolder("work")), ev(&host), md(host, ev, app, folder) {
    md.NewProjectTables();
    // Filled as a working file fills them: no rule runs on the rows.
    for (Table* t : {&md.CDataSet1, &md.dataCDataset, &md.DataWindows, &md.DataSetWin, &md.DataSetVal}) t->Hooks = {};
    md.CalcEnabled = false;
    takeoff::bench::Lcg lcg(20240611);
    const std::vector<std::string> formulas = {"3.6*2.8-1.5*2.1", Gbk("(4.5+0.24)*$[层高]*2[外墙]"),
                                               Gbk("2*(3.6+4.8)*$[墙厚]*2.9-&[M1_S]*2"), "12.5*0.3*0.6",
                                               "(6.6-0.24)*(4.2-0.24)"};

    Rows nodes(Stored(takeoff::data::NodeFields()));
    auto& root = nodes.Add();
    nodes.Set(root, "Key", 0);
    nodes.Set(root, "Parent", -1);
    nodes.Set(root, "NodeType", 0);
    nodes.Set(root, "Name", Gbk("一号楼"));
    nodes.Set(root, "Id", 0);
    for (int k = 1; k <= kNodes; ++k) {
      auto& n = nodes.Add();
      nodes.Set(n, "Key", k);
      nodes.Set(n, "Parent", 0);
      nodes.Set(n, "NodeType", 4);
      nodes.Set(n, "Name", Gbk("构件") + std::to_string(k));
      nodes.Set(n, "Num", 1);
      nodes.Set(n, "Id", k);
    }
    nodes.LoadInto(md.CDataSet1, 0);

    Rows records(Stored(takeoff::data::RecordFields()));
    std::int64_t absId = 0;
    for (int k = 1; k <= kNodes; ++k)
      for (int i = 1; i <= kRecordsPerNode; ++i) {
        auto& r = records.Add();
        records.Set(r, "DM", "A3-" + std::to_string(lcg.Between(1, 400)));
        records.Set(r, "Parent", k);
        records.Set(r, "Name", Gbk("砖墙 M5 混合砂浆 ") + std::to_string(i));
        records.Set(r, "DW", "m3");
        records.Set(r, "BDS", formulas[lcg.Below(static_cast<std::uint32_t>(formulas.size()))]);
        records.Set(r, "Id", i);
        records.Set(r, "BDSNum", 1);
        records.Set(r, "AX1", Gbk("纵轴"));
        records.Set(r, "AX2", Gbk("纵轴"));
        records.Set(r, "AX3", Gbk("横轴"));
        records.Set(r, "AX4", Gbk("横轴"));
        records.Set(r, "Type", 1);
        records.Set(r, "AbsId", ++absId);
      }
    records.LoadInto(md.dataCDataset, absId);

    Rows openings(Stored(takeoff::data::OpeningFields()));
    Rows placements(Stored(takeoff::data::PlacementFields()));
    for (int i = 1; i <= kOpenings; ++i) {
      auto& o = openings.Add();
      openings.Set(o, "Id", i);
      openings.Set(o, "Name", "M" + std::to_string(i));
      openings.Set(o, "Num", 1);
      openings.Set(o, "S", std::int64_t{21000});
      openings.Set(o, "H", std::int64_t{21000});
      openings.Set(o, "W1", std::int64_t{9000});
      auto& p = placements.Add();
      placements.Set(p, "AbsId", i);
      placements.Set(p, "Name", "M" + std::to_string(i));
      placements.Set(p, "Num", 2);
      placements.Set(p, "Side", 0);
      placements.Set(p, "SideWidth", 100);
      placements.Set(p, "ifgetS", 1);
    }
    openings.LoadInto(md.DataWindows, 0);
    placements.LoadInto(md.DataSetWin, 0);

    Rows variables(Stored(takeoff::data::VariableFields()));
    // The formulas' variables come first, so that computing a record never defines one.
    const std::string named[] = {Gbk("层高"), Gbk("墙厚")};
    for (int i = 1; i <= kVariables; ++i) {
      auto& v = variables.Add();
      variables.Set(v, "Id", i);
      variables.Set(v, "Name", i <= 2 ? named[i - 1] : Gbk("变量") + std::to_string(i));
      variables.Set(v, "BDS", "2.9");
      variables.Set(v, "Val", std::int64_t{29000});
    }
    variables.LoadInto(md.DataSetVal, 0);

    state.Properties = {Gbk("一号楼"), Gbk("北京"), "", "", "", ""};
    state.KeyCounter = kNodes;
    path = (folder / "project.mfz").string();
  }
  ~Project() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  std::filesystem::path folder;
  QuietHost host;
  takeoff::engine::Evaluator ev;
  QuietApp app;
  TDataMd md;
  takeoff::workspace::ProjectState state;
  std::string path;
};

Project& TheProject() {
  static Project p;
  return p;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The uncompressed bytes of the project file: the container the writer compresses.
std::string Uncompressed() {
  Project& p = TheProject();
  static const std::string bytes = [&] {
    if (!takeoff::workspace::WriteProjectFile(p.md, p.state, p.path)) throw std::runtime_error("write failed");
    const std::string packed = ReadAll(p.path);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    std::string out;
    std::vector<char> buf(1 << 16);
    int rc;
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buf.data());
      zs.avail_out = static_cast<uInt>(buf.size());
      rc = inflate(&zs, Z_NO_FLUSH);
      out.append(buf.data(), buf.size() - zs.avail_out);
    } while (rc == Z_OK);
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) throw std::runtime_error("the written file does not inflate");
    return out;
  }();
  return bytes;
}

// zlib alone at level 1 over the whole container in one call: seconds per run.
double ZlibOnce(const std::string& raw, std::string& out) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  out.resize(size);
  const auto t0 = std::chrono::steady_clock::now();
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 1);
  const auto t1 = std::chrono::steady_clock::now();
  out.resize(size);
  return std::chrono::duration<double>(t1 - t0).count();
}

void BM_ZlibLevel1(benchmark::State& state) {
  const std::string raw = Uncompressed();
  std::string out;
  for (auto _ : state) {
    state.SetIterationTime(ZlibOnce(raw, out));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["uncompressed_MB"] = static_cast<double>(raw.size()) / 1e6;
  state.counters["compressed_MB"] = static_cast<double>(out.size()) / 1e6;
}

void BM_WriteProjectFile(benchmark::State& state) {
  Project& p = TheProject();
  const std::string raw = Uncompressed();
  std::string scratch;
  double zlibBest = 1e9;
  for (int i = 0; i < 3; ++i) zlibBest = std::min(zlibBest, ZlibOnce(raw, scratch));
  double total = 0;
  // One writer for the run, as the workspace keeps one for the open project.
  takeoff::workspace::ProjectFile file(p.md, p.state);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = file.Write(p.path);
    const auto t1 = std::chrono::steady_clock::now();
    if (!ok) state.SkipWithError("WriteProjectFile failed");
    const double s = std::chrono::duration<double>(t1 - t0).count();
    state.SetIterationTime(s);
    total += s;
  }
  state.counters["vs_zlib"] = total / static_cast<double>(state.iterations()) / zlibBest;
}

void BM_SaveWorkingFiles(benchmark::State& state) {
  Project& p = TheProject();
  for (auto _ : state)
    for (Table* t : {&p.md.CDataSet1, &p.md.dataCDataset, &p.md.DataWindows, &p.md.DataSetWin, &p.md.DataSetVal})
      takeoff::workspace::SaveTableToWorkingFile(*t, t->FileName());
}

void BM_OpenProject(benchmark::State& state) {
  Project& p = TheProject();
  Uncompressed();  // the file is written
  const std::filesystem::path folder = FreshFolder("open");
  {
    QuietHost host;
    takeoff::engine::Evaluator ev(&host);
    QuietApp app;
    TDataMd md(host, ev, app, folder);
    takeoff::workspace::ProjectState ps;
    for (auto _ : state) {
      takeoff::workspace::ReadProjectFile(md, ps, p.path);
      md.CDataSet1.LoadFromFile();
      md.dataCDataset.LoadFromFile();
      md.DataWindows.LoadFromFile();
      md.DataSetWin.LoadFromFile();
      md.DataSetVal.LoadFromFile();
      benchmark::DoNotOptimize(md.dataCDataset.StoredRowCount());
    }
    state.counters["records"] = static_cast<double>(md.dataCDataset.StoredRowCount());
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(p.path)) / 1e6;
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

BENCHMARK(BM_ZlibLevel1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteProjectFile)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveWorkingFiles)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
