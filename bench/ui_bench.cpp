// The desktop program's responsiveness, measured on real widgets on the offscreen
// platform (a 1920x1080 screen unless QT_QPA_PLATFORM says otherwise). Every figure
// is wall time from the user's action until the widgets that show its result have
// been painted: the Qt work (model resets, data() for the rows on screen, layout,
// painting into the backing store) is inside the measured span.
//
// BM_StartupToFirstPaint    start as src/app/main.cpp starts: the splash shown,
//                           the host, the evaluator and the main window constructed
//                           on a fresh program folder (the shipped useinfo/ copied
//                           in), showMaximized, the splash's finish, until the
//                           window's first paint is done. Left out: the
//                           single-instance check (a local socket the other programs
//                           and test runs on this machine would answer) and the
//                           About window, which FirstShown opens modally after the
//                           main window has painted and which then waits for the
//                           user. Destroying the window is not timed (counter
//                           destroy_ms). cold_ms is the first start of the process,
//                           with the font database still unread; app_ms is what
//                           comes before it once per process (QApplication and the
//                           font substitutions). Target < 1 s.
// BM_SelectNodeShowsGrid    a project of one floor with two components, one of
//                           5,000 records with formulas, opened as a file; a mouse
//                           click on the other component in the tree, until the grid
//                           has painted after its model was reset for the new node.
//                           The clicks alternate between the two. Target < 100 ms.
// BM_TypeFormulaAndEnter    a new formula typed into the formula cell's editor,
//                           then Return: the delegate commits it (RecordGridModel::
//                           setData), the grid posts the record and moves to the
//                           next row (RecordGrid::Enter), the record is computed and
//                           the grid painted. On the component of 5,000 records and
//                           on one of 40. Opening the editor and typing into it are
//                           not timed. Target < 20 ms.
//
// max_ms is the slowest iteration: each one is a user's wait.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/project_tables.h"
#include "engine/evaluator.h"
#include "platform/host.h"
#include "text/gbk.h"
#include "tree/project_tree.h"
#include "ui/main_controller.h"
#include "ui/qt/fonts.h"
#include "ui/qt/main_window.h"
#include "ui/qt/project_tree_model.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/record_grid_model.h"
#include "ui/qt/record_grid_view.h"
#include "ui/qt/splash.h"
#include "workspace/project_file.h"
#include "workspace/project_state.h"

namespace {

using namespace takeoff;
using Clock = std::chrono::steady_clock;
using text::Gbk;

constexpr int kBigNode = 5000, kSmallNode = 40;
constexpr qint64 kPaintTimeoutMs = 5000;

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

std::filesystem::path FreshFolder(const char* what) {
  std::random_device rd;
  for (;;) {
    auto p = std::filesystem::temp_directory_path() / (std::string("takeoff-ui-bench-") + what + std::to_string(rd()));
    if (std::filesystem::create_directory(p)) return p;
  }
}

// A program folder as the installed program has it: the shipped useinfo/ files.
std::filesystem::path ProgramFolder() {
  const std::filesystem::path folder = FreshFolder("program");
  std::filesystem::copy(TAKEOFF_SHIPPED_USEINFO, folder / "useinfo", std::filesystem::copy_options::recursive);
  return folder;
}

void RemoveFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

// A modal window the benchmarks did not ask for (a message box from QtHost) would
// wait forever: it is noted, printed and closed, and the running benchmark fails.
bool g_unexpectedModal = false;
void CloseStrayModal() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  g_unexpectedModal = true;
  std::fprintf(stderr, "ui_bench: unexpected window \"%s\"\n", qPrintable(modal->windowTitle()));
  modal->close();
}

// Counts the paint events of one widget.
class PaintCounter : public QObject {
public:
  explicit PaintCounter(QWidget* w) : w_(w) { w->installEventFilter(this); }
  ~PaintCounter() override {
    if (w_) w_->removeEventFilter(this);
  }
  int Count() const { return count_; }

protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++count_;
    return false;
  }

private:
  QPointer<QWidget> w_;
  int count_ = 0;
};

// Runs the event loop until `done` holds (checked after every pass), then one pass
// more for what the last one left posted. False on the timeout.
template <class Done>
bool ProcessUntil(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > kPaintTimeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return true;
}

// Untimed: everything pending, including the editors deleted later.
void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

struct QuietHost : platform::SilentHost {
  QuietHost() : SilentHost(platform::MsgAnswer::No) {}
};

// ---------------------------------------------------------------------------
// Start-up.

struct Started {
  std::unique_ptr<qtui::QtHost> host;
  std::unique_ptr<engine::Evaluator> ev;
  std::unique_ptr<qtui::MainWindow> w;
  int gridPaints = 0;
};

// One start as main.cpp does it, until the main window has painted; milliseconds.
double StartOnce(const std::filesystem::path& folder, Started& s) {
  const Clock::time_point t0 = Clock::now();
  qtui::Splash splash;
  splash.show();
  QApplication::processEvents();
  s.host = std::make_unique<qtui::QtHost>();
  s.ev = std::make_unique<engine::Evaluator>(s.host.get());
  s.w = std::make_unique<qtui::MainWindow>(*s.host, *s.ev, folder);
  PaintCounter window(s.w.get()), grid(s.w->Grid()->viewport());
  s.w->showMaximized();
  splash.finish(s.w.get());
  // The window's first paint runs in one pass over its widgets: it is done when the
  // pass that delivered the window's paint event returns.
  if (!ProcessUntil([&] { return window.Count() > 0; })) return -1;
  const double ms = MsSince(t0);
  s.gridPaints = grid.Count();
  return ms;
}

double g_coldStartMs = -1;
double g_applicationMs = 0;  // QApplication and the font substitutions, once per process

void BM_StartupToFirstPaint(benchmark::State& state) {
  double worst = 0, destroy = 0;
  QSize size;
  for (auto _ : state) {
    const std::filesystem::path folder = ProgramFolder();
    Started s;
    const double ms = StartOnce(folder, s);
    if (ms < 0 || g_unexpectedModal || s.gridPaints == 0) {
      s.w.reset();
      RemoveFolder(folder);
      state.SkipWithError(ms < 0 ? "the main window never painted"
                                 : g_unexpectedModal ? "a window came up" : "the grid was not painted");
      break;
    }
    if (g_coldStartMs < 0) g_coldStartMs = ms;
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    size = s.w->size();
    const Clock::time_point t0 = Clock::now();
    s.w.reset();
    Settle();
    destroy += MsSince(t0);
    s.ev.reset();
    s.host.reset();
    RemoveFolder(folder);
  }
  state.counters["max_ms"] = worst;
  state.counters["cold_ms"] = g_coldStartMs;
  state.counters["app_ms"] = g_applicationMs;
  state.counters["destroy_ms"] = destroy / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
  state.counters["width"] = size.width();
  state.counters["height"] = size.height();
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ---------------------------------------------------------------------------
// A project open in the window: 一层楼面 with 砖墙 (5,000 records) and 构造柱 (40).

// Formulas as users type them: dimensions, a comment, a variable.
std::string FormulaOf(int i) {
  switch (i % 6) {
    case 0: return "(3.6+4.2)*2*0.24";
    case 1: return Gbk("(3.6+4.2)*2*0.24*2.9[外墙]");
    case 2: return Gbk("(4.5+0.24)*2*$[墙厚]*2.9-1.5*2.1*0.24");
    case 3: return "(6.6-0.24)*(4.2-0.24)*0.12";
    case 4: return Gbk("2*(3.6+4.8)*$[墙厚]*$[层高][内墙]");
    default: return "12.5*0.3*0.6+" + std::to_string(i % 97) + "*0.01";
  }
}

// Writes the project file, as a saved project holds it.
std::string WriteProject(const std::filesystem::path& folder) {
  QuietHost host;
  engine::Evaluator ev(&host);
  data::NoAppRequests app;
  data::TDataMd md(host, ev, app, folder);
  md.NewProjectTables();
  for (data::Table* t : {&md.CDataSet1, &md.dataCDataset, &md.DataWindows, &md.DataSetWin, &md.DataSetVal})
    t->Hooks = {};
  md.CalcEnabled = false;

  auto stored = [](std::vector<data::FieldDef> all) {
    std::erase_if(all, [](const data::FieldDef& f) { return f.Calculated; });
    return all;
  };
  auto row = [](const std::vector<data::FieldDef>& defs, std::vector<std::pair<const char*, data::Value>> values) {
    std::vector<data::Value> r(defs.size());
    for (auto& [name, v] : values) {
      auto it = std::find_if(defs.begin(), defs.end(), [&](const data::FieldDef& f) { return f.Name == name; });
      if (it == defs.end()) throw std::logic_error(std::string("no field ") + name);
      r[static_cast<std::size_t>(it - defs.begin())] = std::move(v);
    }
    return r;
  };

  const std::vector<data::FieldDef> nodeDefs = stored(data::NodeFields());
  std::vector<std::vector<data::Value>> nodes;
  auto node = [&](int key, int parent, int type, const char* name, int id) {
    nodes.push_back(row(nodeDefs, {{"Key", std::int64_t{key}}, {"Parent", std::int64_t{parent}},
                                   {"NodeType", std::int64_t{type}}, {"Name", Gbk(name)}, {"Num", std::int64_t{1}},
                                   {"Id", std::int64_t{id}}}));
  };
  node(0, -1, tree::kKindProject, "一号楼", 0);
  node(1, 0, tree::kKindFloor, "一层楼面", 1);
  node(2, 1, tree::kKindComponent, "砖墙", 1);
  node(3, 1, tree::kKindComponent, "构造柱", 2);
  md.CDataSet1.Load(nodeDefs, std::move(nodes), 0);

  const std::vector<data::FieldDef> recordDefs = stored(data::RecordFields());
  std::vector<std::vector<data::Value>> records;
  std::int64_t absId = 0;
  for (auto [key, count] : {std::pair{2, kBigNode}, std::pair{3, kSmallNode}})
    for (int i = 1; i <= count; ++i)
      records.push_back(row(recordDefs, {{"DM", "A3-" + std::to_string(1 + i % 40)},
                                         {"Parent", std::int64_t{key}},
                                         {"Name", Gbk("砖墙 M5 混合砂浆")},
                                         {"DW", std::string("m3")},
                                         {"BDS", FormulaOf(i)},
                                         {"Id", std::int64_t{i}},
                                         {"BDSNum", std::int64_t{1}},
                                         {"AX1", Gbk("①")},
                                         {"AX2", Gbk("⑤")},
                                         {"AX3", Gbk("Ａ")},
                                         {"AX4", Gbk("Ｄ")},
                                         {"BDSZS", i % 3 ? Gbk("外墙") : std::string()},
                                         {"Type", std::int64_t{1}},
                                         {"AbsId", ++absId}}));
  md.dataCDataset.Load(recordDefs, std::move(records), absId);

  const std::vector<data::FieldDef> varDefs = stored(data::VariableFields());
  std::vector<std::vector<data::Value>> vars;
  vars.push_back(row(varDefs, {{"Id", std::int64_t{1}}, {"Name", Gbk("墙厚")}, {"BDS", std::string("0.24")},
                               {"Val", std::int64_t{2400}}}));
  vars.push_back(row(varDefs, {{"Id", std::int64_t{2}}, {"Name", Gbk("层高")}, {"BDS", std::string("2.9")},
                               {"Val", std::int64_t{29000}}}));
  md.DataSetVal.Load(varDefs, std::move(vars), 0);

  workspace::ProjectState ps;
  ps.Properties = {Gbk("一号楼"), Gbk("北京"), "", "", "", ""};
  ps.KeyCounter = 3;
  const std::string path = (folder / "project.mfz").string();
  if (!workspace::WriteProjectFile(md, ps, path)) throw std::runtime_error("the project file was not written");
  return path;
}

// The main window with the project opened (handed over as a file, as a second
// instance or the command line does), both components visible in the tree.
struct OpenProject {
  std::filesystem::path folder = ProgramFolder();
  std::filesystem::path files = FreshFolder("project");
  qtui::QtHost host;
  engine::Evaluator ev{&host};
  std::unique_ptr<qtui::MainWindow> w;
  qtui::RecordGridModel* model = nullptr;
  qtui::ProjectTreeModel* treeModel = nullptr;
  tree::TreeItem* big = nullptr;
  tree::TreeItem* small = nullptr;
  std::unique_ptr<PaintCounter> gridPaints;
  int reloadMark = -1;  // grid paints when the model last reset; -1 for none yet

  OpenProject() {
    const std::string path = WriteProject(files);
    w = std::make_unique<qtui::MainWindow>(host, ev, folder);
    // The five-second timer resets the grid's model and with it an open cell editor:
    // its ticks are no user action and stay out of the measured spans.
    w->Timer()->stop();
    w->showMaximized();
    w->activateWindow();
    Settle();
    c().HandOver(path);
    Settle();
    big = c().FindPath(Gbk("一层楼面→砖墙"));
    small = c().FindPath(Gbk("一层楼面→构造柱"));
    model = qobject_cast<qtui::RecordGridModel*>(w->Grid()->model());
    treeModel = qobject_cast<qtui::ProjectTreeModel*>(w->Tree()->model());
    if (!big || !small || !model || !treeModel) throw std::runtime_error("the project did not open");
    w->Tree()->expand(treeModel->IndexOf(big->Parent()));
    gridPaints = std::make_unique<PaintCounter>(w->Grid()->viewport());
    QObject::connect(model, &qtui::RecordGridModel::currentMoved, model, [this] { reloadMark = gridPaints->Count(); });
    Settle();
  }
  ~OpenProject() {
    gridPaints.reset();
    w.reset();
    Settle();
    RemoveFolder(folder);
    RemoveFolder(files);
  }

  ui::MainController& c() { return w->Controller(); }
  qtui::RecordGridView* grid() { return w->Grid(); }

  // A left click on a tree item, as the mouse gives it.
  void ClickTree(tree::TreeItem* item) {
    QTreeView* t = w->Tree();
    const QPoint at = t->visualRect(treeModel->IndexOf(item)).center();
    const QPoint global = t->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(t->viewport(), &release);
  }

  // The grid's model has been reset and the grid painted after it.
  void ExpectRepaint() { reloadMark = -1; }
  bool Repainted() const { return reloadMark >= 0 && gridPaints->Count() > reloadMark; }

  // The rows the grid has on screen.
  int VisibleRows() {
    const int first = grid()->rowAt(0), last = grid()->rowAt(grid()->viewport()->height() - 1);
    return first < 0 ? 0 : (last < 0 ? model->rowCount() - 1 : last) - first + 1;
  }
};

std::unique_ptr<OpenProject> g_project;
OpenProject& Project() {
  if (!g_project) g_project = std::make_unique<OpenProject>();
  return *g_project;
}

void BM_SelectNodeShowsGrid(benchmark::State& state) {
  OpenProject& p = Project();
  p.ClickTree(p.small);
  Settle();
  double worst = 0;
  int bigShown = 0;
  bool toBig = true;
  for (auto _ : state) {
    tree::TreeItem* target = toBig ? p.big : p.small;
    p.ExpectRepaint();
    const Clock::time_point t0 = Clock::now();
    p.ClickTree(target);
    const bool painted = ProcessUntil([&] { return p.Repainted(); });
    const double ms = MsSince(t0);
    const int rows = toBig ? kBigNode : kSmallNode;
    if (!painted || g_unexpectedModal || p.c().Tree().Selected() != target || p.model->rowCount() != rows) {
      state.SkipWithError(!painted ? "the grid was not painted" : g_unexpectedModal ? "a window came up"
                                                                                  : "the node was not shown");
      break;
    }
    if (toBig) bigShown = p.VisibleRows();
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    toBig = !toBig;
  }
  state.counters["max_ms"] = worst;
  state.counters["visible_rows"] = bigShown;
}
BENCHMARK(BM_SelectNodeShowsGrid)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A key as the keyboard gives it: the shortcut check first, then the key itself; the
// release goes to whatever has the focus by then (the editor may be gone).
void PressKey(QWidget* w, int key) {
  QKeyEvent over(QEvent::ShortcutOverride, key, Qt::NoModifier);
  QApplication::sendEvent(w, &over);
  if (over.isAccepted()) return;
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  if (QWidget* focus = QApplication::focusWidget()) {
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(focus, &release);
  }
}

void BM_TypeFormulaAndEnter(benchmark::State& state) {
  OpenProject& p = Project();
  const int rows = static_cast<int>(state.range(0));
  tree::TreeItem* node = rows == kBigNode ? p.big : p.small;
  if (p.c().Tree().Selected() != node) p.ClickTree(node);
  Settle();
  qtui::RecordGridView* grid = p.grid();
  data::Table& t = p.c().Data().dataCDataset;
  int row = rows / 2;  // a record in the middle of the node
  int k = 0;
  double worst = 0;
  for (auto _ : state) {
    // The formula cell clicked, its editor opened and typed into (not timed).
    if (row >= rows) row = 1;  // Return on the last row would append a new one
    grid->setCurrentIndex(p.model->index(row - 1, ui::kColumnFormula));
    Settle();
    grid->edit(p.model->index(row - 1, ui::kColumnFormula));
    QPointer<QLineEdit> editor;
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) editor = e;
    if (!editor) {
      state.SkipWithError("no cell editor");
      break;
    }
    k = k % 9 + 1;
    const std::string formula = "(3.6+4.2)*2*0.24*" + std::to_string(k);
    editor->setText(QString::fromStdString(formula));
    Settle();
    if (!editor || !editor->isVisible()) {
      state.SkipWithError("the cell editor closed before Return");
      break;
    }

    p.ExpectRepaint();
    const Clock::time_point t0 = Clock::now();
    PressKey(editor, Qt::Key_Return);
    const bool painted = ProcessUntil([&] { return p.Repainted(); });
    const double ms = MsSince(t0);

    // The record holds the formula and its quantity; the grid moved to the next row.
    const std::string value = p.c().Grid().CellText(row, ui::kColumnValue);
    const bool right = t.State() == data::TableState::Browse && t.RecordCount() == rows &&
                       p.c().Grid().CellText(row, ui::kColumnFormula) == formula &&
                       std::abs(std::stod(value.empty() ? "0" : value) - 3.744 * k) < 0.006 &&
                       p.c().Grid().Row() == row + 1;
    if (!painted || g_unexpectedModal || !right) {
      state.SkipWithError(!painted ? "the grid was not painted" : g_unexpectedModal ? "a window came up"
                                                                                  : "the record was not posted");
      break;
    }
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    ++row;
  }
  state.counters["max_ms"] = worst;
}
BENCHMARK(BM_TypeFormulaAndEnter)->Arg(kBigNode)->Arg(kSmallNode)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// The offscreen platform with a full-HD screen, so that the grid shows as many rows
// as on a user's desktop.
std::string OffscreenPlatform(const std::filesystem::path& folder) {
  const std::filesystem::path config = folder / "screens.json";
  std::ofstream(config) << R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
                        << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})" << '\n';
  return "offscreen:configfile=" + config.string();
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path scratch = FreshFolder("run");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", OffscreenPlatform(scratch).c_str());
  // Qt wants a private runtime folder; a bench run may have none.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    std::filesystem::create_directories(scratch / "runtime");
    std::filesystem::permissions(scratch / "runtime", std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", (scratch / "runtime").string().c_str());
  }
  int status = 0;
  {
    const Clock::time_point t0 = Clock::now();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("工程量计算管理系统"));
    qtui::InstallFontSubstitutions();
    g_applicationMs = MsSince(t0);
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, &CloseStrayModal);
    guard.start(50);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
      status = 1;
    } else {
      benchmark::RunSpecifiedBenchmarks();
      benchmark::Shutdown();
    }
    g_project.reset();
  }
  RemoveFolder(scratch);
  return status;
}
