#pragma once
// A data module for tests: its working files in a fresh folder, a project with the
// root node (Key 0) and one component node (Key 1, current) holding five records
// "R1" ... "R5" with the formulas "1" ... "5".
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/decimal.h"
#include "data/records.h"
#include "engine/evaluator.h"
#include "support/recording_app.h"
#include "support/scripted_host.h"
#include "text/gbk.h"

namespace takeoff::testing {

using data::Table;
using data::TableState;

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
public:
  TempFolder() {
    std::random_device rd;
    for (;;) {
      Path = std::filesystem::temp_directory_path() / ("takeoff-data-" + std::to_string(rd()));
      if (std::filesystem::create_directory(Path)) break;
    }
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path Path;
};

class DataFixture : public ::testing::Test {
protected:
  DataFixture() : ev(&host), md(host, ev, app, folder.Path) {
    md.NewProjectTables();
    md.CDataSet1.CreateDataSet();
    AddNode(0, -1, 0, "root");
    AddNode(1, 0, 4, "component");
    SelectNode(1);
    for (int i = 1; i <= 5; ++i) AddRecord("R" + std::to_string(i), std::to_string(i));
    md.dataCDataset.First();
    ev.ShowExprMsg = false;  // typing the records armed it
    app.Modified = false;
    app.ModifiedMarks = app.Stamps = 0;
  }

  Table& Records() { return md.dataCDataset; }
  int R(const char* field) { return md.dataCDataset.FieldNo(field); }

  void AddNode(int key, int parent, int type, const std::string& name) {
    Table& n = md.CDataSet1;
    n.Append();
    n.SetAsInteger(n.FieldNo("Key"), key);
    n.SetAsInteger(n.FieldNo("Parent"), parent);
    n.SetAsInteger(n.FieldNo("NodeType"), type);
    n.SetAsString(n.FieldNo("Name"), name);
    n.SetAsInteger(n.FieldNo("Id"), key);
    n.Post();
  }

  // Makes a node current, as selecting it in the project tree does.
  void SelectNode(int key) {
    data::PostPendingRecord(md);
    ASSERT_TRUE(md.CDataSet1.Locate("Key", std::to_string(key)));
    data::SetLastRecordId(md);
  }

  // Appends a record as the user types it: name, then formula, then post.
  void AddRecord(const std::string& name, const std::string& bds) {
    Table& t = md.dataCDataset;
    t.Append();
    t.SetAsString(R("Name"), name);
    t.SetAsString(R("BDS"), bds);
    t.Post();
  }

  // Types a formula into the current record and posts it.
  void TypeFormula(const std::string& bds) {
    Table& t = md.dataCDataset;
    t.Edit();
    t.SetAsString(R("BDS"), bds);
    t.Post();
  }

  // One column of the records in view, in display order, as the grid reads it.
  std::vector<std::string> Column(const char* field) {
    Table& t = md.dataCDataset;
    std::vector<std::string> out;
    const int f = t.FieldNo(field);
    for (int row = 1; row <= t.RecordCount(); ++row) {
      const data::Value v = t.ValueAt(row, f);
      const auto& def = t.FieldDefs()[static_cast<std::size_t>(f)];
      if (auto n = data::CellInteger(v))
        out.push_back(def.Type == data::FieldType::Decimal ? data::DecimalToText(*n, def.Size) : std::to_string(*n));
      else out.push_back(std::string(data::CellText(v)));
    }
    return out;
  }
  std::vector<std::string> Names() { return Column("Name"); }
  std::vector<std::string> Ids() { return Column("Id"); }

  // A placement of the current record.
  void Place(const std::string& opening, int num, int side) {
    Table& p = md.DataSetWin;
    p.Append();
    p.SetAsString(p.FieldNo("Name"), opening);
    p.SetAsInteger(p.FieldNo("Num"), num);
    p.SetAsInteger(p.FieldNo("Side"), side);
    p.SetAsBoolean(p.FieldNo("ifgetS"), true);
    p.Post();
  }

  // A variable as the variables window enters it: appended, named, given a formula.
  void AddVariable(const std::string& name, const std::string& bds) {
    Table& v = md.DataSetVal;
    v.Append();
    v.SetAsString(v.FieldNo("Name"), name);
    v.SetAsString(v.FieldNo("BDS"), bds);
    v.Post();
  }

  std::vector<std::string> VariableNames() {
    std::vector<std::string> out;
    for (const auto& e : md.ValList) out.push_back(e.Name);
    return out;
  }

  static std::string G(std::string_view utf8) { return text::Gbk(utf8); }

  TempFolder folder;
  ScriptedHost host;
  engine::Evaluator ev;
  RecordingApp app;
  data::TDataMd md;
};

}  // namespace takeoff::testing
