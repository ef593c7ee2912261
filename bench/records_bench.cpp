// The record table at project scale: 2,000 component nodes with 100 records each
// (200,000 rows), plus one node of 1,000 records, with typical formulas that use a
// few project variables.
//
// BM_SelectNodeAndRead     make a node current as the tree does (post a pending
//                          edit, move the node table, take the last record Id) and
//                          read its 100 rows as the grid does (name, formula,
//                          quantity, annotation). Run with 200 and 2,000 nodes
//                          (20,000 and 200,000 rows): the time must not grow with
//                          the table. Target < 1 ms.
// BM_EditAndPost           type a formula into one record and post it (validation,
//                          numbering, re-reading and computing the row). Target < 20 us.
// BM_InsertRecordBefore1000
//                          InsertRecords of one row before the first record of the
//                          node of 1,000 records (all 1,000 move up). Target < 5 ms.
// BM_ComputeAllRows        walk every row of the table with the calculate hook
//                          (quantity, error mark, annotation). Target >= 1e6 rows/s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/records.h"
#include "engine/evaluator.h"
#include "platform/host.h"
#include "text/gbk.h"

namespace {

using takeoff::data::Table;
using takeoff::data::TDataMd;
using takeoff::data::Value;
using takeoff::text::Gbk;

using QuietHost = takeoff::platform::SilentHost;

using QuietApp = takeoff::data::NoAppRequests;

constexpr int kBigNodeRows = 1000;
constexpr int kBigNodeKey = 1;  // the first component node holds 1,000 records

// Formulas as users type them: dimensions, brackets, comments, functions, variables.
std::vector<std::string> Formulas() {
  return {
      "3.6*2.8-1.5*2.1",
      Gbk("(4.5+0.24)*$[层高]*2[外墙]"),
      Gbk("2*(3.6+4.8)*$[墙厚]*2.9-&[M1_S]*2"),
      "12.5*0.3*0.6",
      Gbk("YMJ(0.25)*$[柱高]*4[圆柱]"),
      "(6.6-0.24)*(4.2-0.24)",
      Gbk("$[层高]*3.3+1.2*0.9"),
      "SQR(0.4)*3.1*12",
  };
}

struct Project {
  std::filesystem::path folder;
  QuietHost host;
  takeoff::engine::Evaluator ev{&host};
  QuietApp app;
  std::unique_ptr<TDataMd> md;
  int nodes = 0;

  explicit Project(int rowsPerNode, int nodeCount) {
    folder = std::filesystem::temp_directory_path() /
             ("takeoff-records-bench-" + std::to_string(rowsPerNode) + "-" + std::to_string(nodeCount));
    std::filesystem::create_directories(folder);
    md = std::make_unique<TDataMd>(host, ev, app, folder);
    md->NewProjectTables();
    nodes = nodeCount;

    // Variables and one opening as a project has them.
    Table& v = md->DataSetVal;
    const std::pair<const char*, const char*> variables[] = {
        {"层高", "3.3"}, {"墙厚", "0.24"}, {"柱高", "3.9"}, {"梁高", "0.6"}, {"板厚", "0.12"}};
    for (auto [name, bds] : variables) {
      v.Append();
      v.SetAsString(v.FieldNo("Name"), Gbk(name));
      v.SetAsString(v.FieldNo("BDS"), bds);
      v.Post();
    }
    md->WinList.push_back({"M1", 2.1, 2.1, 1.0, 1.0, 5.2});

    // Nodes: the root, then the components (keys 1 .. nodeCount).
    Table& n = md->CDataSet1;
    std::vector<std::vector<Value>> nodeRows;
    nodeRows.push_back({std::int64_t{0}, std::int64_t{-1}, std::int64_t{0}, std::string("root"), std::int64_t{1},
                        std::int64_t{0}});
    for (int k = 1; k <= nodeCount; ++k)
      nodeRows.push_back({std::int64_t{k}, std::int64_t{0}, std::int64_t{4}, "C" + std::to_string(k), std::int64_t{1},
                          std::int64_t{k}});
    n.Load(n.StoredFieldDefs(), std::move(nodeRows), 0);

    // Records, as a project file brings them.
    Table& t = md->dataCDataset;
    const std::vector<takeoff::data::FieldDef> defs = t.StoredFieldDefs();
    const std::vector<std::string> formulas = Formulas();
    std::vector<std::vector<Value>> rows;
    std::int64_t absId = 0;
    for (int k = 1; k <= nodeCount; ++k) {
      const int count = k == kBigNodeKey ? kBigNodeRows : rowsPerNode;
      for (int i = 1; i <= count; ++i) {
        std::vector<Value> row;
        for (const auto& f : defs) {
          const std::string& name = f.Name;
          if (name == "DM") row.emplace_back(std::string("010101"));
          else if (name == "Parent") row.emplace_back(std::int64_t{k});
          else if (name == "Name") row.emplace_back(Gbk("砖墙"));
          else if (name == "DW") row.emplace_back(std::string("m3"));
          else if (name == "BDS") row.emplace_back(formulas[static_cast<std::size_t>(absId) % formulas.size()]);
          else if (name == "Id") row.emplace_back(std::int64_t{i});
          else if (name == "BDSNum" || name == "Type") row.emplace_back(std::int64_t{1});
          else if (name == "AX1") row.emplace_back(Gbk("①"));
          else if (name == "AX2") row.emplace_back(Gbk("⑤"));
          else if (name == "AX3") row.emplace_back(Gbk("Ａ"));
          else if (name == "AX4") row.emplace_back(Gbk("Ｄ"));
          else if (name == "BDSZS") row.emplace_back(Gbk("外墙"));
          else if (name == "AbsId") row.emplace_back(++absId);
          else row.emplace_back();
        }
        rows.push_back(std::move(row));
      }
    }
    t.Load(defs, std::move(rows), absId);
    SelectNode(2);
  }

  ~Project() {
    md.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  // As selecting a tree item does: post a pending edit, move the node table (the
  // records follow), take the node's last record Id.
  void SelectNode(int key) {
    takeoff::data::PostPendingRecord(*md);
    md->CDataSet1.SetRecNo(key + 1);  // ordered by Id; the root comes first
    takeoff::data::SetLastRecordId(*md);
  }
};

// Projects of 100 records per node, by node count.
Project& ProjectOf(int nodeCount) {
  static std::map<int, std::unique_ptr<Project>> projects;
  auto& p = projects[nodeCount];
  if (!p) p = std::make_unique<Project>(100, nodeCount);
  return *p;
}

void BM_SelectNodeAndRead(benchmark::State& state) {
  Project& p = ProjectOf(static_cast<int>(state.range(0)));
  Table& t = p.md->dataCDataset;
  const int name = t.FieldNo("Name"), bds = t.FieldNo("BDS"), val = t.FieldNo("Val"), mem = t.FieldNo("MemStr");
  int key = 2;
  for (auto _ : state) {
    p.SelectNode(key);
    for (int row = 1; row <= t.RecordCount(); ++row) {
      benchmark::DoNotOptimize(t.ValueAt(row, name));
      benchmark::DoNotOptimize(t.ValueAt(row, bds));
      benchmark::DoNotOptimize(t.ValueAt(row, val));
      benchmark::DoNotOptimize(t.ValueAt(row, mem));
    }
    if (++key > p.nodes) key = 2;  // the 1,000-record node is left out
  }
  state.counters["rows"] = static_cast<double>(t.RecordCount());
  state.counters["table"] = static_cast<double>(t.StoredRowCount());
}
// 200 and 2,000 nodes: 20,000 and 200,000 rows.
BENCHMARK(BM_SelectNodeAndRead)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_EditAndPost(benchmark::State& state) {
  Project& p = ProjectOf(2000);
  p.SelectNode(500);
  Table& t = p.md->dataCDataset;
  const int bds = t.FieldNo("BDS");
  const std::vector<std::string> formulas = Formulas();
  t.SetRecNo(50);
  std::size_t i = 0;
  for (auto _ : state) {
    t.Edit();
    t.SetAsString(bds, formulas[i++ % formulas.size()]);
    t.Post();
  }
  p.ev.ShowExprMsg = false;
}
BENCHMARK(BM_EditAndPost)->Unit(benchmark::kMicrosecond);

void BM_InsertRecordBefore1000(benchmark::State& state) {
  Project& p = ProjectOf(2000);
  p.SelectNode(kBigNodeKey);
  Table& t = p.md->dataCDataset;
  for (auto _ : state) {
    t.First();
    takeoff::data::InsertRecords(*p.md, 1, false);
    state.PauseTiming();
    takeoff::data::RenumberAfterDelete(*p.md, {1});  // back to 1,000 records numbered 1 .. 1000
    state.ResumeTiming();
  }
  state.counters["rows"] = static_cast<double>(t.RecordCount());
}
BENCHMARK(BM_InsertRecordBefore1000)->Unit(benchmark::kMillisecond);

void BM_ComputeAllRows(benchmark::State& state) {
  Project& p = ProjectOf(static_cast<int>(state.range(0)));
  Table& t = p.md->dataCDataset;
  const int val = t.FieldNo("Val");
  t.DetachMaster();  // every row of the table in view
  const int n = t.RecordCount();
  for (auto _ : state) {
    for (int row = 1; row <= n; ++row) benchmark::DoNotOptimize(t.ValueAt(row, val));
  }
  t.AttachMaster();
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["rows"] = n;
}
// 2,000 nodes is the target; 200 nodes (a table that stays in the caches) shows
// what the walk costs apart from reading the rows from memory.
BENCHMARK(BM_ComputeAllRows)->Arg(2000)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
