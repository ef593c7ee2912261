// takeoff-cli records: a project opened as the program opens it, with every record
// computed, listed node by node in tree order.
#include <iostream>
#include <string>

#include "cli/cli_json.h"
#include "cli/cli_support.h"
#include "data/data_module.h"
#include "data/decimal.h"
#include "engine/evaluator.h"
#include "text/gbk.h"
#include "tree/project_tree.h"
#include "workspace/workspace.h"

namespace takeoff::cli {
namespace {

// The records of the selected node in display (Id) order, computed as the grid shows them.
Json NodeRecords(data::Table& records) {
  const char* fields[] = {"Id", "DM", "Name", "DW", "BDS", "Val", "ifER", "MemStr"};
  int nos[std::size(fields)];
  for (std::size_t i = 0; i < std::size(fields); ++i) nos[i] = records.FieldNo(fields[i]);
  const data::FieldDef& val = records.FieldDefs()[static_cast<std::size_t>(nos[5])];
  Json out = Json::array();
  for (int row = 1; row <= records.RecordCount(); ++row) {
    Json r = Json::object();
    for (std::size_t i = 0; i < std::size(fields); ++i) {
      const data::FieldDef& f = records.FieldDefs()[static_cast<std::size_t>(nos[i])];
      const data::Value v = records.ValueAt(row, nos[i]);
      r[fields[i]] = &f == &val && v.IsNull() ? Json(data::DecimalToText(0, f.Size)) : CellJson(f, v);
    }
    out.push_back(std::move(r));
  }
  return out;
}

void AddNodes(workspace::Workspace& ws, tree::TreeItem& item, const std::string& path, Json& nodes) {
  data::Table& nodeTable = ws.Data().CDataSet1;
  for (int i = 0; i < item.Count(); ++i) {
    tree::TreeItem& child = *item.Child(i);
    const std::string childPath = path.empty() ? Utf8(child.Text) : path + "→" + Utf8(child.Text);
    ws.Tree().Select(&child);
    Json n = Json::object();
    n["key"] = child.Key;
    n["name"] = Utf8(child.Text);
    n["kind"] = tree::ItemKind(child);
    n["num"] = nodeTable.AsInteger(nodeTable.FieldNo("Num"));
    n["path"] = childPath;
    n["records"] = NodeRecords(ws.Data().dataCDataset);
    nodes.push_back(std::move(n));
    AddNodes(ws, child, childPath, nodes);
  }
}

}  // namespace

int RunRecords(int argc, char** argv) {
  if (argc != 1) throw UsageError("usage: records FILE.mfz");
  const std::string path = ArgToGbk(argv[0], "records");
  ScratchFolder folder;
  RecordingHost host;
  engine::Evaluator ev(&host);
  workspace::Workspace ws(host, ev, folder.Path);
  ws.Startup();
  try {
    if (!ws.OpenProject(path)) {
      std::cout << "error: " << ShowText(host.Shown) << '\n';
      return 1;
    }
  } catch (const std::exception& e) {
    std::cout << "error: " << ShowText(e.what()) << '\n';
    return 1;
  }
  Json nodes = Json::array();
  AddNodes(ws, *ws.Tree().Root(), "", nodes);
  PrintJson(Json{{"nodes", std::move(nodes)}});
  return 0;
}

}  // namespace takeoff::cli
