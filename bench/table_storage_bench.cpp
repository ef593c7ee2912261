// Writing and reading the storage form of the calculation records table.
//
// BM_EncodeTable      a table of 200,000 rows (2,000 nodes of 100 records) to bytes.
// BM_DecodeTable      those bytes back to field definitions and rows, into memory the
//                     heap has had before. Counter first_decode_ms: the first reading
//                     in the process, into memory fresh from the system.
// BM_LoadFromBytes    bytes into an open table ordered by Parent, Id, as a project is
//                     opened (reading, then the table's bulk load).
//                     Counters: rss_MB, the growth of the resident set over
//                     the first load into an empty table (/proc/self/statm), and
//                     heap_MB, the growth of the bytes allocated; first_load_ms, the
//                     time of that first load (its memory is fresh from the system).
//
// Target: reading 200,000 rows in well under 0.5 s; the loaded table below 300 MB.
//
// The records come from a fixed-seed generator, so every run measures the same data:
// quota codes, item names, formulas of 20 to 120 bytes with Chinese comments, the
// declared defaults in every row and the rarer fields mostly empty.
#include <benchmark/benchmark.h>

#include "bench_lcg.h"
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "data/project_tables.h"
#include "data/table.h"
#include "data/table_storage.h"
#include "text/gbk.h"

namespace {

using takeoff::data::Table;
using takeoff::data::Value;
using takeoff::text::Gbk;

constexpr int kParents = 2000;
constexpr int kRowsPerParent = 100;

using takeoff::bench::Lcg;

constexpr const char* kItems[] = {
    "现浇混凝土圈梁 C25", "砖基础 M5水泥砂浆", "混凝土垫层 C15", "现浇构造柱", "多孔砖墙 240厚",
    "矩形柱 C30", "有梁板 C30", "楼梯 直形", "散水 混凝土", "女儿墙 压顶", "门窗过梁", "台阶 C15",
    "平整场地", "挖基础土方 三类土", "回填土 夯填", "屋面卷材防水", "水泥砂浆楼地面", "墙面一般抹灰",
};
constexpr const char* kUnits[] = {"m3", "m2", "m", "t", "个", "樘"};
constexpr const char* kComments[] = {
    "墙厚", "外墙", "内墙", "圈梁", "构造柱", "过梁", "扣门窗", "轴线A-D", "①-⑥轴", "现浇板", "基础",
};

std::string Number(Lcg& rng, std::uint32_t lo, std::uint32_t hi) {
  const std::uint32_t v = rng.Between(lo, hi);
  std::string s = std::to_string(v / 100);
  if (v % 100 != 0) s += "." + std::to_string(v % 100 / 10) + (v % 10 ? std::to_string(v % 10) : "");
  return s;
}

// A record formula of 20 to 120 bytes: products of dimensions with comments.
std::string Formula(Lcg& rng) {
  const std::size_t target = rng.Between(20, 120);
  std::string f;
  while (f.size() < target) {
    if (!f.empty()) f += rng.Chance(80) ? "+" : "-";
    f += "(" + Number(rng, 60, 1890) + "+" + Number(rng, 60, 1890) + ")*" + Number(rng, 240, 660) + "*" +
         Number(rng, 12, 60);
    if (rng.Chance(60)) f += "[" + Gbk(kComments[rng.Below(std::size(kComments))]) + "]";
  }
  // Never end on half a double-byte character.
  return takeoff::text::CutToBytes(f, 120);
}

std::vector<std::vector<Value>> RecordRows() {
  Lcg rng(20240601);
  const Value axis1 = Gbk("纵轴"), axis2 = Gbk("横轴"), one = std::int64_t{1};
  std::vector<std::vector<Value>> rows;
  rows.reserve(kParents * kRowsPerParent);
  std::int64_t absId = 0;
  for (int parent = 1; parent <= kParents; ++parent) {
    for (int id = 1; id <= kRowsPerParent; ++id) {
      std::vector<Value> r(22);
      r[0] = std::to_string(rng.Between(1, 12)) + "-" + std::to_string(rng.Between(1, 260));  // DM
      r[1] = std::int64_t{parent};
      r[2] = Gbk(kItems[rng.Below(std::size(kItems))]);
      r[3] = Gbk(kUnits[rng.Below(std::size(kUnits))]);
      r[4] = Formula(rng);
      r[5] = std::int64_t{id};
      if (rng.Chance(10)) r[6] = "G" + std::to_string(rng.Between(1, 20));                 // Grp
      if (rng.Chance(5)) r[7] = "K" + std::to_string(rng.Between(1000, 99999));            // Gid
      if (rng.Chance(3)) r[8] = Formula(rng) + "\r\n" + Formula(rng) + "\r\n" + Formula(rng);  // BDSdt
      if (rng.Chance(20)) r[9] = Gbk(kComments[rng.Below(std::size(kComments))]);         // BDSZS
      r[10] = one;
      r[11] = axis1;
      r[12] = axis1;
      r[13] = axis2;
      r[14] = axis2;
      r[15] = std::int64_t{0};
      if (rng.Chance(5)) r[16] = Number(rng, 1, 5000);                                     // AddVal
      if (rng.Chance(5)) r[17] = Number(rng, 50, 300);                                     // XSVal
      r[18] = one;
      r[19] = ++absId;
      if (rng.Chance(30)) r[20] = Gbk("结施-") + std::to_string(rng.Between(1, 30));       // TU
      if (rng.Chance(30)) r[21] = std::string(1, static_cast<char>('A' + rng.Below(8))) + "-" +
                                  std::to_string(rng.Between(1, 12));                       // TH
      rows.push_back(std::move(r));
    }
  }
  return rows;
}

void OpenRecords(Table& t) {
  t.SetFieldDefs(takeoff::data::RecordFields());
  t.SetIndexFields({"Parent", "Id"});
}

const Table& Records() {
  static Table* t = [] {
    auto* table = new Table("dataCDataset");
    OpenRecords(*table);
    table->Load(table->StoredFieldDefs(), RecordRows(), kParents * kRowsPerParent);
    return table;
  }();
  return *t;
}

const std::string& RecordBytes() {
  static const std::string bytes = takeoff::data::EncodeTable(Records());
  return bytes;
}

double MegaBytes(double bytes) { return bytes / (1024.0 * 1024.0); }

// The resident set in bytes.
double Resident() {
  long total = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &total, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double Allocated() { return static_cast<double>(mallinfo2().uordblks); }

void SetRowCounters(benchmark::State& state, std::size_t bytes) {
  state.counters["rows"] = static_cast<double>(kParents * kRowsPerParent);
  state.counters["image_MB"] = MegaBytes(static_cast<double>(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void BM_EncodeTable(benchmark::State& state) {
  const Table& t = Records();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string bytes = takeoff::data::EncodeTable(t);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  SetRowCounters(state, size);
}
BENCHMARK(BM_EncodeTable)->Unit(benchmark::kMillisecond);

double firstDecodeMs = 0;  // measured in main, before any benchmark

void BM_DecodeTable(benchmark::State& state) {
  const std::string& bytes = RecordBytes();
  takeoff::data::TableImage before;  // freed after the next one is read, as a table frees its rows
  for (auto _ : state) {
    takeoff::data::TableImage img = takeoff::data::DecodeTable(bytes);
    benchmark::DoNotOptimize(img.Rows.data());
    state.PauseTiming();  // freeing the rows is not part of reading them
    before = std::move(img);
    state.ResumeTiming();
  }
  SetRowCounters(state, bytes.size());
  state.counters["first_decode_ms"] = firstDecodeMs;
}
BENCHMARK(BM_DecodeTable)->Unit(benchmark::kMillisecond);

void BM_LoadFromBytes(benchmark::State& state) {
  const std::string& bytes = RecordBytes();
  {
    // The memory of one loaded table, from an empty one.
    Table fresh("dataCDataset");
    OpenRecords(fresh);
    malloc_trim(0);
    const double rss = Resident(), heap = Allocated();
    const auto start = std::chrono::steady_clock::now();
    fresh.LoadFromBytes(bytes);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    state.counters["rss_MB"] = MegaBytes(Resident() - rss);
    state.counters["heap_MB"] = MegaBytes(Allocated() - heap);
    state.counters["first_load_ms"] = took.count();
  }
  Table t("dataCDataset");
  OpenRecords(t);
  for (auto _ : state) {
    t.LoadFromBytes(bytes);
    benchmark::DoNotOptimize(t.RecordCount());
  }
  if (t.RecordCount() != kParents * kRowsPerParent) state.SkipWithError("rows lost");
  SetRowCounters(state, bytes.size());
}
BENCHMARK(BM_LoadFromBytes)->Unit(benchmark::kMillisecond);

}  // namespace

// Before the first measurement: the records read back as they were written.
int main(int argc, char** argv) {
  // The heap keeps what is freed, so that the timings measure the work, not the system
  // handing out fresh pages again and again (on a virtual machine a fresh page can
  // cost more than the reading that fills it); first_decode_ms and first_load_ms
  // show that cost.
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  mallopt(M_MMAP_THRESHOLD, std::numeric_limits<int>::max());
  bool same;
  {
    const std::string& bytes = RecordBytes();
    const auto start = std::chrono::steady_clock::now();
    const takeoff::data::TableImage img = takeoff::data::DecodeTable(bytes);
    firstDecodeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    same = img.Rows.size() == Records().StoredRowCount() && img.AutoCounter == Records().AutoCounter();
    for (std::size_t i = 0; same && i < img.Rows.size(); ++i) same = img.Rows[i] == Records().StoredRow(i);
  }
  if (!same) {
    std::fprintf(stderr, "the records do not read back as written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
