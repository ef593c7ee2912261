// Text at the Qt boundary: conversion, byte offsets, the validator, the file filter
// and the edit-control adapter that hands a Qt text box to the core.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "text/gbk.h"
#include "ui/qt/qt_edit_control.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui_test.h"

using namespace takeoff;
using namespace takeoff::qtui;

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

}  // namespace

class TextTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void roundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("2*(3+4)");
    QTest::newRow("chinese") << QStringLiteral("墙厚$[墙厚]");
    QTest::newRow("euro, one byte") << QStringLiteral("€5");
    QTest::newRow("user-defined area") << QString(QChar(0xE07E)) + QChar(0xE12F);
    QTest::newRow("empty") << QString();
  }
  void roundTrip() {
    QFETCH(QString, text);
    const std::string cp = ToCp936(text);
    QCOMPARE(cp, text::Utf8ToCp936(text.toStdString()));
    QCOMPARE(FromCp936(cp), text);
    QCOMPARE(TryToCp936(text), std::optional<std::string>(cp));
  }

  void outsideTheCodePage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replaced");
    QTest::newRow("hangul") << QStringLiteral("a한b") << QStringLiteral("a?b");
    QTest::newRow("outside the BMP") << QStringLiteral("墙😀") << QStringLiteral("墙?");
  }
  void outsideTheCodePage() {
    QFETCH(QString, text);
    QFETCH(QString, replaced);
    QVERIFY_THROWS_EXCEPTION(text::ConversionError, ToCp936(text));
    QVERIFY(!TryToCp936(text));
    QCOMPARE(FromCp936(ToCp936Replacing(text)), replaced);
    QString input = text;
    int pos = 0;
    QCOMPARE(Cp936Validator().validate(input, pos), QValidator::Invalid);
  }

  void invalidBytesShowAsReplacement() {
    QCOMPARE(FromCp936(Bytes({'a', 0x81})), QStringLiteral("a\uFFFD"));
  }

  // Byte offsets of "a墙€b": a=0, 墙=1..2, €=3, b=4.
  void offsets_data() {
    QTest::addColumn<int>("utf16");
    QTest::addColumn<int>("bytes");
    QTest::newRow("start") << 0 << 0;
    QTest::newRow("after ascii") << 1 << 1;
    QTest::newRow("after chinese") << 2 << 3;
    QTest::newRow("after euro") << 3 << 4;
    QTest::newRow("end") << 4 << 5;
  }
  void offsets() {
    QFETCH(int, utf16);
    QFETCH(int, bytes);
    const QString s = QStringLiteral("a墙€b");
    QCOMPARE(Cp936Offset(s, utf16), static_cast<std::size_t>(bytes));
    QCOMPARE(Utf16Offset(s, static_cast<std::size_t>(bytes)), utf16);
  }
  void offsetInsideACharacterMovesToItsEnd() {
    QCOMPARE(Utf16Offset(QStringLiteral("a墙b"), 2), 2);
    QCOMPARE(Utf16Offset(QStringLiteral("a墙b"), 99), 3);
  }

  void fileFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("pattern as description") << QStringLiteral("*.mfz|*.mfz") << QStringLiteral("*.mfz (*.mfz)");
    QTest::newRow("description with its pattern")
        << QStringLiteral("工程结构模板文件(*.mba)|*.mba") << QStringLiteral("工程结构模板文件(*.mba)");
    QTest::newRow("two filters, two patterns")
        << QStringLiteral("图形|*.pic;*.bmp|全部|*.*") << QStringLiteral("图形 (*.pic *.bmp);;全部 (*.*)");
    QTest::newRow("description without pattern") << QStringLiteral("全部") << QStringLiteral("全部 (*)");
  }
  void fileFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(ToCp936(filter)), qt);
  }

  // The core counts the selection in bytes; Qt in UTF-16 units.
  void editControlOverLineEdit() {
    QLineEdit edit(QStringLiteral("长度=2*3"));
    QtEditControl control(&edit);
    QCOMPARE(control.Text(), text::Gbk("长度=2*3"));
    control.SetSelection(5, 3);  // "2*3"
    QCOMPARE(edit.selectedText(), QStringLiteral("2*3"));
    QCOMPARE(edit.cursorPosition(), 6);  // the caret at the selection's end
    QCOMPARE(control.SelStart(), 5u);
    QCOMPARE(control.SelLength(), 3u);
    control.SetSelection(0, 4);
    QCOMPARE(edit.selectedText(), QStringLiteral("长度"));
    control.SetText(text::Gbk("宽度"));
    QCOMPARE(edit.text(), QStringLiteral("宽度"));
    QVERIFY(!control.ReadOnly());
    edit.setReadOnly(true);
    QVERIFY(control.ReadOnly());
  }

  void editControlOverPlainText() {
    QPlainTextEdit edit(QStringLiteral("墙[注]x"));
    int began = 0;
    QtEditControl control(&edit, [&] { ++began; });
    control.SetSelection(2, 4);  // "[注]"
    QCOMPARE(edit.textCursor().selectedText(), QStringLiteral("[注]"));
    QCOMPARE(control.SelStart(), 2u);
    QCOMPARE(control.SelLength(), 4u);
    control.BeginEdit();
    QCOMPARE(began, 1);
  }

  void editControlOutlivesItsWidget() {
    auto* edit = new QLineEdit(QStringLiteral("x"));
    QtEditControl control(edit);
    delete edit;
    QCOMPARE(control.Text(), std::string());
    QVERIFY(control.ReadOnly());
    control.SetText("y");  // nothing to write to
  }
};

TAKEOFF_UI_TEST(TextTest);
#include "text_test.moc"
