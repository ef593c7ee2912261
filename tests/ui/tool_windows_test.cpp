// The variables window and the symbol palette on the offscreen platform: what they
// show of the project, the references and symbols they insert into the main
// window's insertion target, and the variables window's page-dependent commands.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <memory>

#include "data/data_module.h"
#include "engine/evaluator.h"
#include "text/gbk.h"
#include "ui/main_controller.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/symbol_palette.h"
#include "ui/qt/tool_windows.h"
#include "ui/qt/variables_window_widget.h"
#include "ui_test.h"

using namespace takeoff;
using namespace takeoff::qtui;

namespace {

// Stands in for the main window: one formula box, the insertion target.
class FakeMainWindow : public QWidget, public MainWindowHooks {
public:
  FakeMainWindow() {
    auto* layout = new QVBoxLayout(this);
    formulaBox = new QLineEdit(this);
    formulaBox->setObjectName(QString::fromLatin1(ui::kTargetFormulaBox));
    layout->addWidget(formulaBox);
  }
  void OpenToolWindow(const QString&) override {}
  QWidget* ControlNamed(const QString& name) override { return findChild<QWidget*>(name); }
  platform::FocusControl FocusedControl() override { return platform::FocusControl::Other; }
  void FocusControl(platform::FocusControl) override {}

  QLineEdit* formulaBox;
};

// A started controller over a temporary program folder, the formula box noted as
// the insertion target.
struct Program {
  Program() : ev(&host) {
    host.SetMainWindow(&main);
    host.SetHooks(&main);
    c = std::make_unique<ui::MainController>(host, ev, folder.path().toStdString());
    c->Startup();
    c->NoteInsertionTarget(ui::kTargetFormulaBox);
    main.show();
  }
  data::TDataMd& md() { return c->Data(); }
  void AddVariable(const char* name, const char* formula) {
    data::Table& v = md().DataSetVal;
    v.Append();
    v.SetAsString(v.FieldNo("Name"), text::Gbk(name));
    v.SetAsString(v.FieldNo("BDS"), formula);
    v.Post();
  }
  void AddOpening(const char* name, const char* w2) {
    data::Table& w = md().DataWindows;
    w.Append();
    w.SetAsString(w.FieldNo("Name"), name);
    w.SetAsString(w.FieldNo("W2"), w2);
    w.Post();
  }

  QTemporaryDir folder;
  QtHost host;
  engine::Evaluator ev;
  FakeMainWindow main;
  std::unique_ptr<ui::MainController> c;
};

QString Cell(QAbstractItemView* v, int row, int col) { return v->model()->index(row, col).data().toString(); }

void DoubleClickCell(QTableView* v, int row, int col) {
  const QRect r = v->visualRect(v->model()->index(row, col));
  QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, r.center());
}

int ColumnOf(QAbstractItemView* v, const QString& title) {
  for (int i = 0; i < v->model()->columnCount(); ++i)
    if (v->model()->headerData(i, Qt::Horizontal).toString() == title) return i;
  return -1;
}

}  // namespace

class ToolWindowsTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void variablesWindowShowsTheTablesAndInsertsReferences() {
    Program p;
    p.AddVariable("墙厚", "0.24");
    p.AddOpening("M1", "1.5");
    std::unique_ptr<QWidget> w(CreateVariablesWindow(*p.c, &p.main));
    auto* win = qobject_cast<VariablesWindowWidget*>(w.get());
    QVERIFY(win);
    QVERIFY(win->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(win->parentWidget(), &p.main);
    QCOMPARE(win->windowTitle(), QStringLiteral("变量列表"));
    win->show();

    QTableView* vars = win->VariablesGrid();
    QCOMPARE(vars->model()->rowCount(), 1);
    QCOMPARE(Cell(vars, 0, ColumnOf(vars, QStringLiteral("变量名称"))), QStringLiteral("墙厚"));
    QCOMPARE(Cell(vars, 0, ColumnOf(vars, QStringLiteral("数 值"))), QStringLiteral("0.24"));
    QTableView* openings = win->OpeningsGrid();
    QCOMPARE(Cell(openings, 0, ColumnOf(openings, QStringLiteral("门窗名称"))), QStringLiteral("M1"));
    QCOMPARE(Cell(openings, 0, ColumnOf(openings, QStringLiteral("洞顶宽"))), QStringLiteral("1.5"));

    // The variable's reference, from a double click and from the button.
    DoubleClickCell(vars, 0, ColumnOf(vars, QStringLiteral("计   算   式")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("$[墙厚]"));
    QCOMPARE(p.main.formulaBox->text(), QStringLiteral("$[墙厚]"));
    p.main.formulaBox->clear();
    win->CallButton()->click();
    QCOMPARE(p.main.formulaBox->text(), QStringLiteral("$[墙厚]"));

    // An opening's parameter from its column only.
    win->Pages()->setCurrentIndex(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
    DoubleClickCell(openings, 0, ColumnOf(openings, QStringLiteral("形状")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("unchanged"));
    DoubleClickCell(openings, 0, ColumnOf(openings, QStringLiteral("洞顶宽")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("&[M1_W2]"));
    QCOMPARE(p.main.formulaBox->text(), QStringLiteral("$[墙厚]&[M1_W2]"));
  }

  // Add, insert and delete, buttons and menu items, only on the variables page.
  void theVariableCommandsFollowThePage() {
    Program p;
    std::unique_ptr<QWidget> w(CreateVariablesWindow(*p.c, &p.main));
    auto* win = qobject_cast<VariablesWindowWidget*>(w.get());
    win->show();
    const QList<QAction*> menu = win->GridMenu()->actions();
    QCOMPARE(menu.size(), 4);
    for (int page : {1, 0, 1}) {
      win->Pages()->setCurrentIndex(page);
      const bool on = page == 0;
      for (QPushButton* b : {win->AddButton(), win->InsertButton(), win->DeleteButton()})
        QVERIFY2(b->isEnabled() == on, qPrintable(b->text()));
      for (int i = 0; i < 3; ++i) QVERIFY2(menu[i]->isEnabled() == on, qPrintable(menu[i]->text()));
      QVERIFY(win->CallButton()->isEnabled());
      QVERIFY(menu[3]->isEnabled());
    }
    win->AddButton()->click();  // disabled: nothing happens
    QCOMPARE(p.md().DataSetVal.State(), data::TableState::Browse);
  }

  // A variable added with the button, its formula typed into the grid, Enter moving
  // on to the next editable column; closing stores it.
  void typingIntoTheVariableGrid() {
    Program p;
    std::unique_ptr<QWidget> w(CreateVariablesWindow(*p.c, &p.main));
    auto* win = qobject_cast<VariablesWindowWidget*>(w.get());
    win->show();
    QVERIFY(QTest::qWaitForWindowActive(win));
    QTableView* vars = win->VariablesGrid();
    win->AddButton()->click();
    data::Table& v = p.md().DataSetVal;
    QCOMPARE(v.State(), data::TableState::Insert);
    const int name = ColumnOf(vars, QStringLiteral("变量名称"));
    const int formula = ColumnOf(vars, QStringLiteral("计   算   式"));
    QCOMPARE(vars->model()->rowCount(), 1);
    QCOMPARE(Cell(vars, 0, name), QStringLiteral("新变量"));

    vars->setFocus();
    vars->setCurrentIndex(vars->model()->index(0, formula));
    QTest::keyClick(vars, '2');  // opens the cell's editor, which takes the rest
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("*3"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(vars->currentIndex().column(), ColumnOf(vars, QStringLiteral("说  明")));  // Val skipped
    QCOMPARE(QString::fromStdString(v.AsString(v.FieldNo("BDS"))), QStringLiteral("2*3"));
    QCOMPARE(vars->currentIndex().row(), 0);

    win->close();
    QVERIFY(!win->isVisible());
    QCOMPARE(v.State(), data::TableState::Browse);
    QCOMPARE(Cell(vars, 0, ColumnOf(vars, QStringLiteral("数 值"))), QStringLiteral("6"));
  }

  // A pending edit that cannot be stored: its message, and the window stays open.
  void closingWithAnUnstorableEditStaysOpen() {
    Program p;
    p.AddVariable("a", "1");
    std::unique_ptr<QWidget> w(CreateVariablesWindow(*p.c, &p.main));
    auto* win = qobject_cast<VariablesWindowWidget*>(w.get());
    win->show();
    QTableView* vars = win->VariablesGrid();
    QVERIFY(vars->model()->setData(vars->model()->index(0, ColumnOf(vars, QStringLiteral("变量名称"))), QString()));
    QCOMPARE(p.md().DataSetVal.State(), data::TableState::Edit);
    bool asked = false;
    testing::OnModal([&](QWidget* m) {
      asked = true;
      testing::ClickButton(m, QStringLiteral("确定"));
    });
    win->close();
    QVERIFY(asked);
    QVERIFY(win->isVisible());
    QCOMPARE(p.md().DataSetVal.State(), data::TableState::Edit);
  }

  // The palette from a symbol file: its symbols, the magnifier over the clicked
  // cell, the symbol pasted into the target noted when the palette became active.
  void symbolPaletteInsertsTheClickedSymbol() {
    Program p;
    const std::filesystem::path useinfo = std::filesystem::path(p.folder.path().toStdString()) / "useinfo";
    std::filesystem::create_directories(useinfo);
    {
      std::ofstream f(useinfo / "fh.dat", std::ios::binary);
      for (const char* s : {"±", "×", "÷", "°", "√", "∑", "Φ", "α", "β", "γ", "①", "②"})
        f << text::Gbk(s) << "\r\n";
      f << "\r\n\r\n";
    }
    std::unique_ptr<QWidget> w(CreateSymbolPalette(*p.c, &p.main));
    auto* palette = qobject_cast<SymbolPalette*>(w.get());
    QVERIFY(palette);
    QCOMPARE(palette->windowTitle(), QStringLiteral("插入符号"));
    QVERIFY(palette->windowFlags().testFlag(Qt::Tool));
    QTableWidget* grid = palette->Grid();
    QCOMPARE(grid->columnCount(), 10);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->size(), QSize(410, 144));
    QCOMPARE(grid->columnWidth(3), 38);
    QCOMPARE(grid->rowHeight(1), 20);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("±"));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("②"));
    QCOMPARE(grid->item(1, 2)->text(), QString());

    p.main.formulaBox->setText(QStringLiteral("3"));
    p.main.formulaBox->setCursorPosition(1);
    palette->show();
    palette->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(palette));
    QCOMPARE(palette->Core().PasteTarget(), std::string(ui::kTargetFormulaBox));

    SymbolMagnifier* magnifier = palette->Magnifier();
    QVERIFY(!magnifier->isVisible());
    const QRect cell = grid->visualItemRect(grid->item(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(magnifier->isVisible());
    QCOMPARE(magnifier->pos(), cell.topLeft());
    QCOMPARE(magnifier->text(), QStringLiteral("②"));
    QCOMPARE(magnifier->size(), QSize(55, 32));
    QTest::mouseClick(magnifier, Qt::LeftButton);
    QVERIFY(QApplication::focusWidget() != magnifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("②"));
    QCOMPARE(p.main.formulaBox->text(), QStringLiteral("3②"));
  }

  // Without a symbol file the palette opens empty and a click shows nothing.
  void aPaletteWithoutASymbolFileIsEmpty() {
    Program p;
    std::unique_ptr<QWidget> w(CreateSymbolPalette(*p.c, &p.main));
    auto* palette = qobject_cast<SymbolPalette*>(w.get());
    palette->show();
    QCOMPARE(palette->Grid()->rowCount(), 0);
    QTest::mouseClick(palette->Grid()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!palette->Magnifier()->isVisible());
  }
};

TAKEOFF_UI_TEST(ToolWindowsTest);

#include "tool_windows_test.moc"
