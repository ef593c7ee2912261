// takeoff-cli session: the main window's controller driven by a script, with a
// scripted host whose every request is written as a JSON line.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "cli/cli_json.h"
#include "cli/cli_support.h"
#include "cli/session_host.h"
#include "cli/session_script.h"
#include "data/data_module.h"
#include "engine/evaluator.h"
#include "text/gbk.h"
#include "ui/main_controller.h"

namespace takeoff::cli {
namespace {

using platform::MsgAnswer;

// One row of a table in view as JSON: every field, calculated ones included; the
// row being edited shows its edited values.
Json ViewRowJson(data::Table& t, int row) {
  Json r = Json::object();
  const bool editing = row == t.RecNo() && (t.State() == data::TableState::Edit || t.State() == data::TableState::Insert);
  const std::vector<data::FieldDef>& defs = t.FieldDefs();
  for (int f = 0; f < t.FieldCount(); ++f) {
    const data::FieldDef& def = defs[static_cast<std::size_t>(f)];
    r[Utf8(def.Name)] = CellJson(def, editing ? t.GetValue(f) : t.ValueAt(row, f));
  }
  return r;
}

Json ViewRowsJson(data::Table& t) {
  Json rows = Json::array();
  if (!t.Active()) return rows;
  for (int row = 1; row <= t.RecordCount(); ++row) rows.push_back(ViewRowJson(t, row));
  // A new row not yet posted is shown after the others.
  if (t.State() == data::TableState::Insert) rows.push_back(ViewRowJson(t, t.RecNo()));
  return rows;
}

Json TreeJson(const tree::TreeItem& item) {
  Json j{{"text", Utf8(item.Text)}, {"key", item.Key}, {"image", item.ImageIndex}};
  if (item.Count() > 0) {
    Json children = Json::array();
    for (int i = 0; i < item.Count(); ++i) children.push_back(TreeJson(*item.Child(i)));
    j["children"] = std::move(children);
  }
  return j;
}

class Session {
public:
  Session(SessionHost& host, ui::MainController& c) : host_(host), c_(c) {}

  void Do(const ScriptLine& line) {
    line_ = &line;
    const std::string& verb = line.Args.front().Text;
    if (c_.Closed() && verb.rfind("print", 0) != 0) Fail("the main window is closed");
    if (verb == "answer") return Answer();
    if (verb == "answer-input") return host_.QueueInput(Optional(1));
    if (verb == "answer-file") return host_.QueueFile(Optional(1));
    if (verb == "answer-node") return AnswerNode();
    if (verb == "command") return Command();
    if (verb == "select") return Select();
    if (verb == "rename") return Rename();
    if (verb == "count") return Count();
    if (verb == "expand" || verb == "collapse") return Expand(verb == "expand");
    if (verb == "row") return Row();
    if (verb == "rows") return Rows();
    if (verb == "set") return Set();
    if (verb == "post") return Grid([this] { c_.Grid().Post(); });
    if (verb == "cancel") return Grid([this] { c_.Grid().Cancel(); });
    if (verb == "enter") return Grid([this] { c_.Grid().Enter(); });
    if (verb == "tab") return Grid([this] { c_.Grid().Tab(); });
    if (verb == "leave") return Grid([this] { c_.Grid().Leave(); });
    if (verb == "table") return TableAction();
    if (verb == "timer") return Count0([this] { c_.TimerTick(); });
    if (verb == "handover") return HandOver();
    if (verb == "shutdown") return Count0([this] { c_.Close(); });
    if (verb == "print") return Print();
    Fail("unknown action " + verb);
  }

private:
  [[noreturn]] void Fail(const std::string& what) const { throw ScriptError(line_->Number, what); }

  const std::vector<ScriptArg>& Args() const { return line_->Args; }

  void Arity(std::size_t min, std::size_t max) const {
    const std::size_t n = Args().size() - 1;
    if (n < min || n > max) Fail(Args().front().Text + ": wrong number of arguments");
  }

  std::string Gbk(std::size_t i) const {
    try {
      return text::Utf8ToCp936(Args()[i].Text);
    } catch (const text::ConversionError&) {
      Fail("'" + Args()[i].Text + "' holds a character outside code page 936");
    }
  }

  std::int64_t Number(std::size_t i) const {
    const std::string& s = Args()[i].Text;
    std::size_t used = 0;
    long long v = 0;
    try {
      v = std::stoll(s, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != s.size()) Fail("'" + s + "' is no whole number");
    return v;
  }

  // An argument, or nothing for an unquoted "cancel".
  std::optional<std::string> Optional(std::size_t i) const {
    Arity(1, 1);
    if (!Args()[i].Quoted && Args()[i].Text == "cancel") return std::nullopt;
    return Gbk(i);
  }

  void Count0(const std::function<void()>& f) {
    Arity(0, 0);
    f();
  }

  void Grid(const std::function<void()>& f) {
    Arity(0, 0);
    c_.Guarded(f);
  }

  void Answer() {
    Arity(1, 1);
    const std::string& a = Args()[1].Text;
    if (a == "yes") return host_.QueueAnswer(MsgAnswer::Yes);
    if (a == "no") return host_.QueueAnswer(MsgAnswer::No);
    if (a == "ok") return host_.QueueAnswer(MsgAnswer::Ok);
    if (a == "cancel") return host_.QueueAnswer(MsgAnswer::Cancel);
    Fail("answer yes|no|ok|cancel");
  }

  void AnswerNode() {
    Arity(1, 2);
    if (Args().size() == 2 && !Args()[1].Quoted && Args()[1].Text == "cancel") return host_.QueueNode(std::nullopt);
    host_.QueueNode(platform::AddNodeChoice{Gbk(1), Args().size() > 2 ? Number(2) : 1});
  }

  void Command() {
    Arity(1, 1);
    const std::string& name = Args()[1].Text;
    if (!ui::FindCommand(name)) Fail("unknown command " + name);
    if (!c_.Run(name)) PrintJson(Json{{"disabled", name}});
  }

  void Select() {
    Arity(0, 1);
    const std::string path = Args().size() > 1 ? Gbk(1) : std::string();
    tree::TreeItem* item = c_.FindPath(path);
    if (!item) Fail("no node " + Args()[1].Text);
    c_.SelectNode(item);
  }

  tree::TreeItem& Selected() const {
    tree::TreeItem* item = c_.Tree().Selected();
    if (!item) Fail("no node is selected");
    return *item;
  }

  void Rename() {
    Arity(1, 1);
    c_.Rename(Selected(), Gbk(1));
  }

  void Count() {
    Arity(1, 1);
    const std::string n = Gbk(1);
    c_.Guarded([&] {
      c_.Tree().TypeCount(n);
      c_.Tree().CountEnter();
    });
  }

  void Expand(bool on) {
    Arity(0, 0);
    Selected().Expanded = on;
  }

  void Row() {
    Arity(1, 1);
    const std::int64_t n = Number(1);
    if (n < 1 || n > c_.Grid().RowCount()) Fail("no record " + Args()[1].Text);
    c_.Guarded([&] { c_.Grid().GoToRow(static_cast<int>(n)); });
  }

  void Rows() {
    std::vector<int> rows;
    for (std::size_t i = 1; i < Args().size(); ++i) {
      const std::int64_t n = Number(i);
      if (n < 1 || n > c_.Grid().RowCount()) Fail("no record " + Args()[i].Text);
      rows.push_back(static_cast<int>(n));
    }
    c_.Grid().SetSelected(std::move(rows));
  }

  void Set() {
    Arity(2, 2);
    const std::string field = Gbk(1), value = Gbk(2);
    if (c_.Data().dataCDataset.FieldIndex(field) < 0) Fail("no record field " + Args()[1].Text);
    c_.Guarded([&] { c_.Grid().SetField(field, value); });
  }

  data::Table& TableNamed(const std::string& name) const {
    data::TDataMd& md = c_.Data();
    for (data::Table* t : {&md.dataCDataset, &md.CDataSet1, &md.DataWindows, &md.DataSetWin, &md.DataSetVal,
                           &md.dekDataSet, &md.DtDataSet, &md.UseDtDataSet, &md.WinPicDataSet, &md.PrvNowDataSet})
      if (t->Name() == name) return *t;
    Fail("no table " + name);
  }

  void TableAction() {
    if (Args().size() < 3) Fail("table TABLE ACTION ...");
    data::Table& t = TableNamed(Args()[1].Text);
    const std::string& op = Args()[2].Text;
    auto run = [&](const std::function<void()>& f) {
      if (!t.Active()) Fail("table " + t.Name() + " is not open");
      c_.Guarded(f);
    };
    if (op == "set" || op == "locate") {
      if (Args().size() != 5) Fail("table TABLE " + op + " FIELD VALUE");
      const std::string field = Gbk(3), value = Gbk(4);
      if (t.FieldIndex(field) < 0) Fail("no field " + Args()[3].Text + " in " + t.Name());
      if (op == "set") return run([&] { t.SetAsString(t.FieldNo(field), value); });
      return run([&] {
        if (!t.Locate(field, value)) PrintJson(Json{{"notFound", Args()[4].Text}});
      });
    }
    if (Args().size() != 3) Fail("table TABLE " + op);
    const std::pair<const char*, void (data::Table::*)()> ops[] = {
        {"append", &data::Table::Append}, {"insert", &data::Table::Insert}, {"edit", &data::Table::Edit},
        {"post", &data::Table::Post},     {"cancel", &data::Table::Cancel}, {"delete", &data::Table::Delete},
        {"first", &data::Table::First},   {"last", &data::Table::Last},     {"next", &data::Table::Next},
        {"prior", &data::Table::Prior}};
    for (const auto& [name, fn] : ops)
      if (op == name) return run([&, fn = fn] { (t.*fn)(); });
    Fail("unknown table action " + op);
  }

  void HandOver() {
    Arity(1, 1);
    c_.HandOver(Gbk(1));
  }

  void Print() {
    if (Args().size() < 2) Fail("print tree|records|table TABLE|state");
    const std::string& what = Args()[1].Text;
    if (what == "table") {
      Arity(2, 2);
      data::Table& t = TableNamed(Args()[2].Text);
      return PrintJson(Json{{"table", t.Name()}, {"rows", ViewRowsJson(t)}});
    }
    if (what == "tree") {
      Arity(1, 1);
      return PrintJson(Json{{"tree", TreeJson(*c_.Tree().Root())}});
    }
    if (what == "records") return PrintJson(Json{{"records", Only(ViewRowsJson(c_.Data().dataCDataset))}});
    if (what == "state") return PrintJson(Only(State()));
    Fail("print tree|records|table TABLE|state");
  }

  // The keys named after the first two arguments (all when none is named) of an
  // object, or of each object of an array.
  Json Only(Json j) const {
    if (Args().size() <= 2) return j;
    auto pick = [this](const Json& o) {
      Json out = Json::object();
      for (std::size_t i = 2; i < Args().size(); ++i) {
        const std::string& key = Args()[i].Text;
        if (!o.contains(key)) Fail("no key " + key);
        out[key] = o[key];
      }
      return out;
    };
    if (!j.is_array()) return pick(j);
    Json rows = Json::array();
    for (const Json& o : j) rows.push_back(pick(o));
    return rows;
  }

  Json State() const {
    workspace::Workspace& ws = c_.Work();
    Json status = Json::array();
    for (const std::string& s : c_.StatusPanels()) status.push_back(Utf8(s));
    Json rows = Json::array();
    for (int r : c_.Grid().Selected()) rows.push_back(r);
    Json recent = Json::array();
    for (const std::string& e : c_.RecentFiles()) recent.push_back(Utf8(e));
    Json enabled = Json::array();
    for (const std::string& n : c_.EnabledCommands()) enabled.push_back(n);
    const tree::TreeItem* sel = c_.Tree().Selected();
    Json j{{"caption", Utf8(c_.Caption())},
           {"status", std::move(status)},
           {"modified", ws.State().Modified},
           {"file", Utf8(ws.State().FilePath)},
           {"selected", sel ? Json(Utf8(ui::MainController::PathOf(*sel))) : Json(nullptr)},
           {"count", Utf8(c_.Tree().CountText())},
           {"row", c_.Grid().Row()},
           {"rows", std::move(rows)},
           {"recent", std::move(recent)},
           {"enabled", std::move(enabled)}};
    if (c_.Closed()) j["closed"] = true;
    return j;
  }

  SessionHost& host_;
  ui::MainController& c_;
  const ScriptLine* line_ = nullptr;
};

std::string ReadAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

}  // namespace

int RunSession(int argc, char** argv) {
  std::optional<std::filesystem::path> folderArg;
  std::optional<std::string> scriptPath;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--program-folder") {
      if (++i >= argc) throw UsageError("--program-folder needs a folder");
      folderArg = std::filesystem::path(argv[i]);
    } else if (!scriptPath && (a.empty() || a[0] != '-')) {
      scriptPath = a;
    } else {
      throw UsageError("usage: session [--program-folder DIR] [SCRIPT]");
    }
  }
  std::string script;
  if (scriptPath) {
    std::ifstream in(*scriptPath, std::ios::binary);
    if (!in) throw UsageError("cannot read " + *scriptPath);
    script = ReadAll(in);
  } else {
    script = ReadAll(std::cin);
  }

  std::vector<ScriptLine> lines;
  try {
    lines = ParseScript(script);
  } catch (const ScriptError& e) {
    std::cerr << "takeoff-cli: session: " << e.what() << '\n';
    return 2;
  }

  std::optional<ScratchFolder> scratch;
  std::filesystem::path folder;
  if (folderArg) {
    folder = *folderArg;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) throw UsageError("no folder " + folder.string());
  } else {
    folder = scratch.emplace().Path;
  }

  SessionHost host;
  engine::Evaluator evaluator(&host);
  ui::MainController controller(host, evaluator, folder);
  Session session(host, controller);
  int number = 0;
  try {
    controller.Startup();
    controller.FirstShown(std::nullopt);
    for (const ScriptLine& line : lines) {
      number = line.Number;
      session.Do(line);
    }
  } catch (const UnansweredRequest& u) {
    PrintJson(Json{{"unanswered", u.Kind}, {"line", number}, {"text", u.Text}});
    return 3;
  } catch (const ScriptError& e) {
    std::cout.flush();
    std::cerr << "takeoff-cli: session: " << e.what() << '\n';
    return 2;
  }
  return 0;
}

}  // namespace takeoff::cli
