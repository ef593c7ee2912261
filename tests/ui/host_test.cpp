// The Qt host answered by code: message boxes, the input box, the add-node dialog,
// the progress window, the wait cursor and the text commands.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/edit_control.h"
#include "text/gbk.h"
#include "ui/qt/add_node_dialog.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui_test.h"

using namespace takeoff;
using namespace takeoff::qtui;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgCaption;
using platform::MsgIcon;

Q_DECLARE_METATYPE(MsgAnswer)
Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgCaption)
Q_DECLARE_METATYPE(MsgIcon)

namespace {

// A main window with two text boxes, reporting to the host as the real one does.
class FakeMainWindow : public QWidget, public MainWindowHooks {
public:
  FakeMainWindow() {
    auto* layout = new QVBoxLayout(this);
    field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("Edit1"));
    other = new QLineEdit(this);
    other->setObjectName(QStringLiteral("Edit2"));
    layout->addWidget(field);
    layout->addWidget(other);
  }
  void OpenToolWindow(const QString& className) override { opened << className; }
  QWidget* ControlNamed(const QString& name) override { return findChild<QWidget*>(name); }
  platform::FocusControl FocusedControl() override { return focus; }
  void FocusControl(platform::FocusControl c) override { focus = c; }
  void BeginEdit(QWidget* control) override { begun << control->objectName(); }

  QLineEdit* field;
  QLineEdit* other;
  QStringList opened, begun;
  platform::FocusControl focus = platform::FocusControl::Other;
};

}  // namespace

class HostTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void messageBox_data() {
    QTest::addColumn<MsgCaption>("caption");
    QTest::addColumn<MsgIcon>("icon");
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<QString>("click");  // a button's text, or "" for Escape
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("qtIcon");
    QTest::newRow("question yes") << MsgCaption::Tip << MsgIcon::Question << MsgButtons::YesNo << "是(&Y)"
                                  << MsgAnswer::Yes << "提示" << int(QMessageBox::Question);
    QTest::newRow("question no") << MsgCaption::TipInfo << MsgIcon::Question << MsgButtons::YesNo << "否(&N)"
                                 << MsgAnswer::No << "提示信息" << int(QMessageBox::Question);
    QTest::newRow("escape answers no") << MsgCaption::Warning << MsgIcon::Question << MsgButtons::YesNo << ""
                                       << MsgAnswer::No << "警告" << int(QMessageBox::Question);
    QTest::newRow("ok of ok/cancel") << MsgCaption::Tip << MsgIcon::Question << MsgButtons::OkCancel << "确定"
                                     << MsgAnswer::Ok << "提示" << int(QMessageBox::Question);
    QTest::newRow("escape cancels") << MsgCaption::Tip << MsgIcon::Question << MsgButtons::OkCancel << ""
                                    << MsgAnswer::Cancel << "提示" << int(QMessageBox::Question);
    QTest::newRow("error") << MsgCaption::ErrorTip << MsgIcon::Error << MsgButtons::Ok << "确定"
                           << MsgAnswer::Ok << "错误提示" << int(QMessageBox::Critical);
    QTest::newRow("application message") << MsgCaption::AppTitle << MsgIcon::None << MsgButtons::Ok << ""
                                         << MsgAnswer::Ok << "禾木工程量计算器" << int(QMessageBox::NoIcon);
  }
  void messageBox() {
    QFETCH(MsgCaption, caption);
    QFETCH(MsgIcon, icon);
    QFETCH(MsgButtons, buttons);
    QFETCH(QString, click);
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, title);
    QFETCH(int, qtIcon);
    FakeMainWindow window;
    QtHost host;
    host.SetMainWindow(&window);
    QString seenTitle, seenText;
    int seenIcon = -1;
    QWidget* seenParent = nullptr;
    testing::OnModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box);
      seenTitle = box->windowTitle();
      seenText = box->text();
      seenIcon = int(box->icon());
      seenParent = box->parentWidget();
      if (click.isEmpty()) QTest::keyClick(box, Qt::Key_Escape);
      else testing::ClickButton(box, click);
    });
    // The core breaks lines with CR.
    QCOMPARE(host.MessageBox(text::Gbk("第一行\r\r第二行"), caption, icon, buttons), answer);
    QCOMPARE(seenTitle, title);
    QCOMPARE(seenText, QStringLiteral("第一行\n\n第二行"));
    QCOMPARE(seenIcon, qtIcon);
    QCOMPARE(seenParent, &window);
  }

  void inputBox() {
    QtHost host;
    std::string value = text::Gbk("旧值");
    testing::OnModal([](QWidget* w) {
      auto* dialog = qobject_cast<QInputDialog*>(w);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("变量"));
      QCOMPARE(dialog->labelText(), QStringLiteral("输入名称"));
      QCOMPARE(dialog->textValue(), QStringLiteral("旧值"));
      dialog->setTextValue(QStringLiteral("墙厚"));
      testing::ClickButton(dialog, QStringLiteral("确定"));
    });
    QVERIFY(host.InputBox(text::Gbk("变量"), text::Gbk("输入名称"), value));
    QCOMPARE(value, text::Gbk("墙厚"));

    testing::OnModal([](QWidget* w) {
      static_cast<QInputDialog*>(w)->setTextValue(QStringLiteral("不要"));
      testing::ClickButton(w, QStringLiteral("取消"));
    });
    QVERIFY(!host.InputBox(text::Gbk("变量"), text::Gbk("输入名称"), value));
    QCOMPARE(value, text::Gbk("墙厚"));
  }

  // The box refuses what the core could not hold: a paste of Hangul leaves it as it was.
  void inputBoxRefusesCharactersOutsideTheCodePage() {
    QtHost host;
    std::string value = "ab";
    QGuiApplication::clipboard()->setText(QStringLiteral("한"));
    testing::OnModal([](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>();
      QVERIFY(edit);
      edit->paste();
      QCOMPARE(edit->text(), QStringLiteral("ab"));
      testing::ClickButton(w, QStringLiteral("确定"));
    });
    QVERIFY(host.InputBox("x", "y", value));
    QCOMPARE(value, std::string("ab"));
  }

  void addNodeDialogConfirmed() {
    QtHost host;
    std::vector<std::string> history = {text::Gbk("一层"), text::Gbk("二层"), text::Gbk("屋面")};
    QString title, prompt, proposed;
    testing::OnModal([&](QWidget* w) {
      auto* d = qobject_cast<AddNodeDialog*>(w);
      QVERIFY(d);
      title = d->windowTitle();
      prompt = d->findChild<QLabel*>()->text();
      proposed = d->NameBox()->currentText();
      QCOMPARE(d->NameBox()->count(), 3);
      QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
      QCOMPARE(d->ClearButton()->toolTip(), QStringLiteral("从系统中清除"));
      // Choose "二层" and clear it from the list; what was typed stays.
      d->NameBox()->setCurrentIndex(1);
      QTest::mouseClick(d->ClearButton(), Qt::LeftButton);
      QCOMPARE(d->NameBox()->count(), 2);
      QCOMPARE(d->NameBox()->currentText(), QStringLiteral("二层"));
      // Enter moves from the name box to the count, not closing the dialog.
      d->NameBox()->lineEdit()->setFocus();
      QTest::keyClick(d->NameBox()->lineEdit(), Qt::Key_Return);
      QVERIFY(d->isVisible());
      QVERIFY(d->CountBox()->hasFocus());
      // The count is not bounded by the dialog, letters are not taken.
      d->CountBox()->clear();
      QTest::keyClicks(d->CountBox(), QStringLiteral("5000000000x"));
      QCOMPARE(d->CountBox()->text(), QStringLiteral("5000000000"));
      QTest::keyClick(d->CountBox(), Qt::Key_Return);
      QVERIFY(d->OkButton()->hasFocus());
      QTest::keyClick(d->OkButton(), Qt::Key_Return);
    });
    const auto choice =
        host.AddNodeDialog(text::Gbk("新建楼层或分部"), text::Gbk("输入新建楼层或分部名称"), text::Gbk("新建楼层"), history, 1);
    QCOMPARE(title, QStringLiteral("新建楼层或分部"));
    QCOMPARE(prompt, QStringLiteral("输入新建楼层或分部名称"));
    QCOMPARE(proposed, QStringLiteral("新建楼层"));
    QVERIFY(choice);
    QCOMPARE(choice->Name, text::Gbk("二层"));
    QCOMPARE(choice->Count, std::int64_t{5000000000});
    QCOMPARE(history, (std::vector<std::string>{text::Gbk("一层"), text::Gbk("屋面")}));
  }

  // Dismissed: no choice, but the entries cleared stay cleared. A short name is the
  // core's to refuse, the dialog returns it.
  void addNodeDialogDismissedAndShortName() {
    QtHost host;
    std::vector<std::string> history = {"aaaa", "bbbb"};
    testing::OnModal([](QWidget* w) {
      auto* d = static_cast<AddNodeDialog*>(w);
      d->NameBox()->setCurrentIndex(0);
      d->ClearButton()->click();
      testing::ClickButton(d, QStringLiteral("放 弃(&N)"));
    });
    QVERIFY(!host.AddNodeDialog("c", "p", "x", history, 3));
    QCOMPARE(history, std::vector<std::string>{"bbbb"});

    testing::OnModal([](QWidget* w) {
      auto* d = static_cast<AddNodeDialog*>(w);
      QCOMPARE(d->CountBox()->text(), QStringLiteral("3"));
      d->NameBox()->setEditText(QStringLiteral("ab"));
      testing::ClickButton(d, QStringLiteral("确 定(&Y)"));
    });
    const auto choice = host.AddNodeDialog("c", "p", "x", history, 3);
    QVERIFY(choice);
    QCOMPARE(choice->Name, std::string("ab"));
    QCOMPARE(choice->Count, std::int64_t{3});
  }

  void progressWindow() {
    QtHost host;
    QVERIFY(!host.InProgress());
    host.ShowProgress(30);
    ProgressWindow* p = host.Progress();
    QVERIFY(p && p->isVisible());
    QVERIFY(host.InProgress());
    QCOMPARE(p->windowTitle(), QStringLiteral("正在处理数据中，请稍候......"));
    QVERIFY(p->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(p->findChild<QProgressBar*>()->value(), 30);
    const QPoint at = p->pos();
    host.ShowProgress(150);
    QCOMPARE(host.Progress(), p);  // the same window, where it was
    QCOMPARE(p->pos(), at);
    QCOMPARE(p->Percent(), 100);
    host.CloseProgress();
    QVERIFY(!host.InProgress());
    host.CloseProgress();  // closing twice does nothing
    host.ShowProgress(0);
    QCOMPARE(host.Progress()->Percent(), 0);
    host.CloseProgress();
  }

  void waitCursorNests() {
    QtHost host;
    host.SetWaitCursor(true);
    host.SetWaitCursor(true);
    host.SetWaitCursor(false);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.SetWaitCursor(false);
    QVERIFY(!QApplication::overrideCursor());
    host.SetWaitCursor(false);  // one too many restores nothing of anyone else's
    QApplication::setOverrideCursor(Qt::CrossCursor);
    host.SetWaitCursor(false);
    QVERIFY(QApplication::overrideCursor());
    QApplication::restoreOverrideCursor();
  }

  void textCommandsGoToTheFocusedBox() {
    FakeMainWindow window;
    QtHost host;
    host.SetMainWindow(&window);
    host.SetHooks(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.field->setText(QStringLiteral("长度=2"));
    window.field->setFocus();
    window.field->selectAll();

    host.SendTextAction(platform::TextAction::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("长度=2"));
    host.SendTextAction(platform::TextAction::Cut);
    QCOMPARE(window.field->text(), QString());
    host.SetClipboardText(text::Gbk("宽"));
    host.SendTextAction(platform::TextAction::Paste);
    QCOMPARE(window.field->text(), QStringLiteral("宽"));
    window.field->setReadOnly(true);
    window.field->selectAll();
    host.SendTextAction(platform::TextAction::Cut);  // a read-only box only copies
    QCOMPARE(window.field->text(), QStringLiteral("宽"));

    // The focused box as the core sees it, edits going through the main window.
    engine::EditControl* edit = host.FocusedEdit();
    QVERIFY(edit);
    QCOMPARE(edit->Text(), text::Gbk("宽"));
    QCOMPARE(host.FocusedEdit(), edit);
    edit->BeginEdit();
    QCOMPARE(window.begun, QStringList{QStringLiteral("Edit1")});

    // A paste into a named control moves the focus there.
    host.SetClipboardText("12");
    host.PasteInto("Edit2");
    QCOMPARE(window.other->text(), QStringLiteral("12"));
    QVERIFY(window.other->hasFocus());
    host.PasteInto("");  // names none
    host.PasteInto("NoSuchControl");
    QCOMPARE(window.other->text(), QStringLiteral("12"));

    host.ClearClipboard();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());

    host.OpenWindow("TfmVal");
    QCOMPARE(window.opened, QStringList{QStringLiteral("TfmVal")});
    host.SetFocus(platform::FocusControl::RecordGrid);
    QCOMPARE(host.Focused(), platform::FocusControl::RecordGrid);

    window.setFocus();  // the window itself is no text box
    QVERIFY(!host.FocusedEdit());
  }

  void withoutHooksTheWindowRequestsDoNothing() {
    QtHost host;
    host.OpenWindow("TfmVal");
    host.PasteInto("Edit1");
    host.SetFocus(platform::FocusControl::QuotaTree);
    QCOMPARE(host.Focused(), platform::FocusControl::Other);
  }
};

TAKEOFF_UI_TEST(HostTest);
#include "host_test.moc"
