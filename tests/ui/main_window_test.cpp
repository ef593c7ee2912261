// The main window on the offscreen platform: building a project through the dialogs,
// typing records, an undefined variable, saving and opening again, the hand-over of a
// file and the timer-driven save.
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "engine/evaluator.h"
#include "text/gbk.h"
#include "text/line_file.h"
#include "ui/qt/add_node_dialog.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/record_grid_view.h"
#include "ui_test.h"

using namespace takeoff;
using namespace takeoff::qtui;

namespace {

// Answers the next add-node dialog with a name.
void AnswerNode(const QString& name) {
  testing::OnModal([name](QWidget* w) {
    auto* d = qobject_cast<AddNodeDialog*>(w);
    QVERIFY(d);
    d->NameBox()->setEditText(name);
    d->OkButton()->click();
  });
}

void AnswerFile(const QString& path) {
  testing::OnModal([path](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    QVERIFY(d);
    // Typed as a user would: selectFile() leaves a focused name box alone.
    const QFileInfo info(path);
    d->setDirectory(info.absolutePath());
    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(info.fileName());
    QMetaObject::invokeMethod(d, "accept");
  });
}

struct Window {
  explicit Window(const QString& folder) : ev(&host), w(host, ev, folder.toStdString()) {
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
  }
  QtHost host;
  engine::Evaluator ev;
  MainWindow w;
  ui::MainController& c() { return w.Controller(); }
  data::Table& records() { return c().Data().dataCDataset; }

  // A floor with one component, added through the dialogs; the component is selected.
  void AddFloorAndComponent() {
    AnswerNode(QStringLiteral("一层楼面"));
    w.Action("ActionApendCdNode")->trigger();
    AnswerNode(QStringLiteral("外墙墙体"));
    w.Action("ActionApend")->trigger();
  }
  // The window active again after the dialogs, the grid focused.
  void FocusGrid() {
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Grid()->setFocus();
  }
};

}  // namespace

class MainWindowTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void buildsAProjectSavesAndOpensItAgain() {
    QTemporaryDir dir;
    Window win(dir.path());
    QCOMPARE(win.w.windowTitle(), QStringLiteral("禾木工程量计算器 V2.17.1"));
    QVERIFY(!win.w.Action("ActionInsertNode")->isEnabled());  // the root accepts only child nodes
    QVERIFY(win.w.Action("ActionApendCdNode")->isEnabled());
    QVERIFY(!win.w.Action("ActionPrint")->isEnabled());       // comes with a later version

    AnswerNode(QStringLiteral("一层楼面"));
    win.w.Action("ActionApendCdNode")->trigger();
    AnswerNode(QStringLiteral("外墙墙体"));
    win.w.Action("ActionApend")->trigger();
    tree::TreeItem* component = win.c().Tree().Selected();
    QVERIFY(component);
    QCOMPARE(FromCp936(component->Text), QStringLiteral("外墙墙体"));
    QCOMPARE(FromCp936(ui::MainController::PathOf(*component)), QStringLiteral("一层楼面→外墙墙体"));
    QVERIFY(!win.w.Action("ActionApendCdNode")->isEnabled());  // nothing inside a component

    // A formula typed into the grid's formula cell and Enter: computed when posted.
    RecordGridView* grid = win.w.Grid();
    win.FocusGrid();
    grid->setCurrentIndex(grid->model()->index(0, ui::kColumnFormula));
    QTest::keyClick(grid, '3');  // a key opens the cell editor, which takes the rest
    auto* editor = grid->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("*4"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(win.records().RecordCount(), 1);
    QCOMPARE(grid->model()->index(0, ui::kColumnValue).data().toString(), QStringLiteral("12.00"));

    // An undefined variable: its message, the variable created, the window opened.
    grid->setCurrentIndex(grid->model()->index(0, ui::kColumnFormula));
    QCOMPARE(win.w.FieldBox()->text(), QStringLiteral("3*4"));
    testing::OnModal([](QWidget* m) { testing::ClickButton(m, QStringLiteral("确定")); });
    win.w.FieldBox()->setFocus();
    for (QChar ch : QStringLiteral("*$[墙厚]"))  // typed as text: Qt Test has no keys for them
      QTest::sendKeyEvent(QTest::Click, win.w.FieldBox(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
    grid->setFocus();
    QTRY_VERIFY(win.w.findChild<QWidget*>(QStringLiteral("TfmVal")));
    QVERIFY(win.w.findChild<QWidget*>(QStringLiteral("TfmVal"))->isVisible());
    data::Table& vars = win.c().Data().DataSetVal;
    QCOMPARE(vars.RecordCount(), 1);
    vars.First();
    vars.Edit();
    vars.SetAsString(vars.FieldNo("BDS"), "0.5");
    vars.Post();
    win.c().SelectNode(component);
    QCOMPARE(grid->model()->index(0, ui::kColumnValue).data().toString(), QStringLiteral("6.00"));

    // Saved through the dialog, then opened again through the open dialog.
    const QString file = dir.filePath(QStringLiteral("工程一"));
    AnswerFile(file);
    win.w.Action("ActionSave")->trigger();
    QVERIFY(QFile::exists(file + ".mfz"));
    QVERIFY(win.w.windowTitle().endsWith(QStringLiteral("新建工程[") + file + ".mfz]"));
    win.w.Action("ActionNew")->trigger();
    QCOMPARE(win.c().Tree().Root()->Count(), 0);
    AnswerFile(file + ".mfz");
    win.w.Action("ActionOpen")->trigger();
    QCOMPARE(win.c().Tree().Root()->Count(), 1);
    win.c().SelectNode(win.c().FindPath(text::Gbk("一层楼面→外墙墙体")));
    QCOMPARE(grid->model()->index(0, ui::kColumnFormula).data().toString(), QStringLiteral("3*4*$[墙厚]"));
    QCOMPARE(grid->model()->index(0, ui::kColumnValue).data().toString(), QStringLiteral("6.00"));
  }

  // The file a second instance hands over is opened after the save question.
  void openTheHandedOverFile() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.mfz"));
    {
      Window first(dir.path());
      AnswerNode(QStringLiteral("一层楼面"));
      first.w.Action("ActionApendCdNode")->trigger();
      AnswerFile(file);
      first.w.Action("ActionSave")->trigger();
    }
    Window win(dir.path());
    AnswerNode(QStringLiteral("二层楼面"));
    win.w.Action("ActionApendCdNode")->trigger();
    testing::OnModal([](QWidget* m) { testing::ClickButton(m, QStringLiteral("否(&N)")); });
    win.w.HandOver(file);
    QCOMPARE(win.c().Tree().Root()->Count(), 1);
    QCOMPARE(FromCp936(win.c().Tree().Root()->Child(0)->Text), QStringLiteral("一层楼面"));
    QCOMPARE(QString::fromStdString(win.c().Work().State().FilePath), file);
  }

  // The timer's refresh every five seconds leaves a cell editor open, with what has
  // been typed into it so far.
  void timerKeepsTheOpenCellEditor() {
    QTemporaryDir dir;
    Window win(dir.path());
    win.AddFloorAndComponent();
    RecordGridView* grid = win.w.Grid();
    win.FocusGrid();
    grid->setCurrentIndex(grid->model()->index(0, ui::kColumnFormula));
    QTest::keyClick(grid, '1');
    auto* editor = grid->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("+2"));
    win.c().TimerTick();
    QVERIFY(grid->EditingIndex().isValid());
    QCOMPARE(editor->text(), QStringLiteral("1+2"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(win.records().RecordCount(), 1);
    QCOMPARE(grid->model()->index(0, ui::kColumnValue).data().toString(), QStringLiteral("3.00"));
  }

  // The focused cell shows blue, also outside the selection, in the columns with a
  // colour of their own and over the red formula cell of a faulty record.
  void focusedCellLooksTheSameInEveryColumn() {
    QTemporaryDir dir;
    Window win(dir.path());
    win.AddFloorAndComponent();
    testing::OnModal([](QWidget* m) { testing::ClickButton(m, QStringLiteral("确定")); });
    win.c().Grid().SetField("BDS", "3*(4+");
    win.c().Grid().Enter();
    RecordGridView* grid = win.w.Grid();
    win.FocusGrid();
    for (int column : {ui::kColumnId, ui::kColumnFormula, ui::kColumnValue, ui::kColumnMark}) {
      const QModelIndex cell = grid->model()->index(0, column);
      grid->setCurrentIndex(cell);
      grid->selectionModel()->clearSelection();  // as after Ctrl+click on the current row
      const QImage shot = grid->viewport()->grab().toImage();
      const QRect r = grid->visualRect(cell);
      const QColor c = shot.pixelColor(r.left() + 2, r.center().y());
      QVERIFY2(c.red() < 64 && c.green() < 64 && c.blue() > 200, qPrintable(QString::number(column) + ": " + c.name()));
    }
  }

  // With an autosave interval of one minute the timer saves the named project.
  void timerSavesTheModifiedProject() {
    QTemporaryDir dir;
    std::vector<std::string> settings(13);
    settings[7] = "1";
    QVERIFY(text::WriteLines(std::filesystem::path(dir.path().toStdString()) / "useinfo" / "DeufSet.ini", settings));
    Window win(dir.path());
    AnswerNode(QStringLiteral("一层楼面"));
    win.w.Action("ActionApendCdNode")->trigger();
    const QString file = dir.filePath(QStringLiteral("auto.mfz"));
    AnswerFile(file);
    win.w.Action("ActionSave")->trigger();
    AnswerNode(QStringLiteral("二层楼面"));
    win.w.Action("ActionApendCdNode")->trigger();
    QVERIFY(win.c().Work().State().Modified);
    win.w.Timer()->setInterval(5);
    QTRY_VERIFY(!win.c().Work().State().Modified);
    QTRY_COMPARE(win.w.StatusPanel(1)->text(), QStringLiteral("已保存,未修改"));
  }
};

TAKEOFF_UI_TEST(MainWindowTest);
#include "main_window_test.moc"
