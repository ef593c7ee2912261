// The icon set, the fonts and axis labels, the About window and the splash.
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "ui/qt/about_dialog.h"
#include "ui/qt/fonts.h"
#include "ui/qt/icons.h"
#include "ui/qt/product_text.h"
#include "ui/qt/splash.h"
#include "ui_test.h"

using namespace takeoff::qtui;

namespace {

// Whether `image` has any pixel that is not fully transparent.
bool Drawn(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) != 0) return true;
  return false;
}

}  // namespace

class WidgetsTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void everyCommandHasAnIcon() {
    const char* names[] = {"ActionNew",      "ActionOpen",        "ActionSave",       "ActionPrint",
                           "Action_SysSet",  "Action_SetWin",     "ActionGSK",        "ActionApendCdNode",
                           "ActionInsertNode", "ActionApendNode", "ActionCopyNode",   "ActionPastNode",
                           "ActionApend",    "ActionInsertGJ",    "ActionDelNode",    "ActionInsetL",
                           "ActionAddData",  "ActionCopyData",    "ActionPastData",   "ActionDelData",
                           "Action_MultGetDe", "ActionFormat",    "Action_Prv",       "ActionFind",
                           "ActionShowVal",  "ActionTextCopy",    "ActionTextCut",    "ActionTextPast",
                           "ActionWJ",       "ActionFH",          "Action_Qute",      "ToolButton26",
                           "ToolButton27",   "ClearHistory"};
    for (const char* name : names) {
      const QIcon icon = CommandIcon(name);
      QVERIFY2(!icon.isNull(), name);
      QVERIFY2(Drawn(icon.pixmap(16, 16).toImage()), name);
    }
    QVERIFY(CommandIcon("ActionNoSuch").isNull());
  }

  void nodeIcons() {
    for (int i = 0; i <= 7; ++i) QVERIFY2(Drawn(NodeIcon(i).pixmap(16, 16).toImage()), qPrintable(QString::number(i)));
    QVERIFY(NodeIcon(8).isNull());
    QVERIFY(NodeIcon(-1).isNull());
  }

  // The Windows faces the program names end up on an installed Chinese face.
  void windowsFacesAreSubstituted() {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (chinese.isEmpty()) QSKIP("no Chinese font installed");
    QVERIFY(InstallFontSubstitutions());
    for (const QString& face : {QStringLiteral("宋体"), QStringLiteral("楷体_GB2312"), QStringLiteral("黑体"),
                                QStringLiteral("SimSun")}) {
      QVERIFY2(!QFont::substitutes(face).isEmpty(), qPrintable(face));
      QVERIFY2(chinese.contains(QFontInfo(QFont(face)).family()), qPrintable(face));
    }
  }

  void axisLabels_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("standIn");
    QTest::newRow("first vertical") << 0xE07Eu << "11" << "⑪";
    QTest::newRow("vertical 21") << 0xE088u << "21" << "㉑";
    QTest::newRow("vertical 50") << 0xE0A5u << "50" << "㊿";
    QTest::newRow("vertical 51") << 0xE0A6u << "51" << "(51)";
    QTest::newRow("end of first vertical run") << 0xE0CAu << "87" << "(87)";
    QTest::newRow("second vertical run") << 0xE0E6u << "88" << "(88)";
    QTest::newRow("last vertical") << 0xE0F2u << "100" << "(100)";
    QTest::newRow("first horizontal") << 0xE0CBu << "A" << "Ⓐ";
    QTest::newRow("no I") << 0xE0D3u << "J" << "Ⓙ";
    QTest::newRow("last single letter") << 0xE0E1u << "Y" << "Ⓨ";
    QTest::newRow("double letters") << 0xE0E2u << "AA" << "(AA)";
    QTest::newRow("second horizontal run") << 0xE0FBu << "EA" << "(EA)";
    QTest::newRow("letter and digit") << 0xE10Eu << "A1" << "(A1)";
    QTest::newRow("third horizontal run") << 0xE11Cu << "P1" << "(P1)";
    QTest::newRow("last horizontal") << 0xE12Fu << "K2" << "(K2)";
    QTest::newRow("end of first horizontal run") << 0xE0E5u << "DA" << "(DA)";
    QTest::newRow("between the runs") << 0xE0F3u << "" << QString(QChar(0xE0F3));
    QTest::newRow("hole") << 0xE11Bu << "" << QString(QChar(0xE11B));
    QTest::newRow("before") << 0xE07Du << "" << QString(QChar(0xE07D));
    QTest::newRow("after") << 0xE130u << "" << QString(QChar(0xE130));
  }
  void axisLabels() {
    QFETCH(uint, code);
    QFETCH(QString, name);
    QFETCH(QString, standIn);
    const auto c = static_cast<char32_t>(code);
    QCOMPARE(IsAxisLabel(c), !name.isEmpty());
    QCOMPARE(AxisLabelName(c), name);
    QCOMPARE(AxisLabelText(c), standIn);
  }

  void axisLabelsDrawnAndReplaced() {
    QCOMPARE(WithAxisLabelStandIns(QStringLiteral("①→") + QChar(0xE07E)), QStringLiteral("①→⑪"));
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter p(&image);
      DrawAxisLabel(p, QRectF(0, 0, 20, 20), 0xE0F2);
    }
    QVERIFY(Drawn(image));
    image.fill(Qt::transparent);
    {
      QPainter p(&image);
      DrawAxisLabel(p, QRectF(0, 0, 20, 20), U'A');  // no axis label: nothing drawn
    }
    QVERIFY(!Drawn(image));
  }

  void aboutWindow() {
    QCOMPARE(VersionText(), QStringLiteral(" V2.17.1"));
    QCOMPARE(ProductTitle(), QStringLiteral("禾木工程量计算器"));
    AboutDialog about(nullptr, QStringLiteral("工程量计算管理系统"));
    QCOMPARE(about.TitleLabel()->text(), QStringLiteral("工程量计算管理系统 V2.17.1"));
    QCOMPARE(about.OkButton()->text(), QStringLiteral("确  定"));
    QVERIFY(about.isModal());
    testing::OnModal([](QWidget* w) { testing::ClickButton(w, QStringLiteral("确  定")); });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
  }

  void splashIsCentredAndBorderless() {
    Splash splash;
    splash.show();
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = splash.screen()->geometry();
    QVERIFY(qAbs(splash.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(splash.geometry().center().y() - screen.center().y()) <= 1);
    QVERIFY(Drawn(splash.pixmap().toImage()));
  }
};

TAKEOFF_UI_TEST(WidgetsTest);
#include "widgets_test.moc"
