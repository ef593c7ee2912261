// The shapes on screen: the painter canvas pixel for pixel, the thumbnail grid and the
// shape image.
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "data/table.h"
#include "shapes/draw_shape.h"
#include "shapes/shape_blob.h"
#include "text/gbk.h"
#include "ui/qt/db_image.h"
#include "ui/qt/painter_canvas.h"
#include "ui/qt/pic_draw_grid.h"
#include "ui_test.h"

using namespace takeoff;
using namespace takeoff::qtui;

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// An image of `size` filled blue, so that whatever the canvas leaves alone shows.
QImage Render(const std::function<void(shapes::Canvas&)>& draw, QSize size = QSize(130, 130)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kBlue);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  draw(canvas);
  return image;
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
bool Is(const QImage& image, int x, int y, QRgb color) { return At(image, x, y) == (color & 0xFFFFFFu); }

// Whether a pixel of `color` lies within `r` pixels of (x, y).
bool Near(const QImage& image, int x, int y, QRgb color, int r = 2) {
  for (int j = y - r; j <= y + r; ++j)
    for (int i = x - r; i <= x + r; ++i)
      if (image.rect().contains(i, j) && Is(image, i, j, color)) return true;
  return false;
}

// The smallest rectangle holding every pixel of `color`; empty when there is none.
QRect Extent(const QImage& image, QRgb color) {
  QRect r;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Is(image, x, y, color)) r |= QRect(x, y, 1, 1);
  return r;
}

// One green line from (0, 0) to (x, 60) in the design box.
std::string OneLine(std::uint8_t x) {
  shapes::Shape s;
  s.Lines = {{false, false, 0, 0}, {false, true, x, 60}};
  return shapes::WriteShape(s);
}

// A shape table with the fields the grid reads ("pic", "picName"), one record per x.
void Fill(data::Table& table, const std::vector<int>& xs) {
  data::FieldDef pic, name;
  pic.Name = "pic";
  pic.Type = data::FieldType::Blob;
  name.Name = "picName";
  name.Size = 40;
  std::vector<std::vector<data::Value>> rows;
  for (int x : xs) rows.push_back({OneLine(static_cast<std::uint8_t>(x)), "n" + std::to_string(x)});
  table.Load({pic, name}, std::move(rows), 0);
}

// A table without the picture fields.
void FillWithoutPictures(data::Table& table) {
  data::FieldDef other;
  other.Name = "Other";
  table.Load({other}, {{std::string("x")}, {std::string("y")}}, 0);
}

}  // namespace

class ShapeWidgetsTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  // A horizontal dimension of a 120 x 120 target: its line 8 pixels below, the end
  // bars 10 high without their last pixel, the label above the middle on black, and
  // the background filled up to but not including the target's right and bottom edges.
  void dimensionMark() {
    shapes::Shape shape;
    shape.Dims = {{10, 50, 110, 50, "L1"}};
    const QImage image = Render([&](shapes::Canvas& c) { shapes::DrawShape(shape, {0, 0, 120, 120}, c); });
    for (int x : {10, 30, 57, 100, 109}) QVERIFY2(Is(image, x, 58, kYellow), qPrintable(QString::number(x)));
    for (int y : {53, 57, 62}) QVERIFY(Is(image, 10, y, kYellow) && Is(image, 110, y, kYellow));
    QVERIFY(Is(image, 10, 63, kBlack));
    QVERIFY(Is(image, 112, 56, kYellow));  // the tick at the second end
    QVERIFY(Is(image, 0, 0, kBlack) && Is(image, 119, 119, kBlack) && Is(image, 60, 100, kBlack));
    QVERIFY(Is(image, 120, 60, kBlue) && Is(image, 60, 120, kBlue));

    const QRect label = Extent(image, kRed);
    QVERIFY(!label.isEmpty());
    QVERIFY(label.left() >= 58 && label.top() >= 52 && label.left() < 64 && label.bottom() < 52 + 16);
  }

  // Text in code page 936 with its top left at the point, on the brush colour.
  void textOnTheBrushColour() {
    const QImage image = Render([](shapes::Canvas& c) {
      c.SetBrushColor(shapes::kYellow);
      c.FillRect({0, 0, 130, 130});
      c.SetBrushColor(shapes::kBlack);
      c.SetFont({shapes::kRed, 9});
      c.TextOut({40, 30}, text::Gbk("宽度"));
    });
    const QRect red = Extent(image, kRed);
    QVERIFY(!red.isEmpty());
    QVERIFY(red.left() >= 40 && red.top() >= 30 && red.right() < 40 + 30 && red.bottom() < 30 + 16);
    QVERIFY(red.width() > 12);  // two characters, not one replacement mark
    // The text's cell is black and red only, with no yellow showing through.
    for (int y = red.top(); y <= red.bottom(); ++y)
      for (int x = 40; x <= red.right(); ++x) QVERIFY(!Is(image, x, y, kYellow));
    QVERIFY(Is(image, 39, 35, kYellow) && Is(image, 40, 29, kYellow));
  }

  // Windows leaves out a line's end pixel in every direction and draws its start.
  void linesLeaveOutTheirEnd_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("right") << QPoint(5, 5) << QPoint(15, 5);
    QTest::newRow("left") << QPoint(15, 5) << QPoint(5, 5);
    QTest::newRow("down") << QPoint(5, 5) << QPoint(5, 15);
    QTest::newRow("up") << QPoint(5, 15) << QPoint(5, 5);
    QTest::newRow("down right") << QPoint(5, 5) << QPoint(15, 15);
    QTest::newRow("up left") << QPoint(15, 15) << QPoint(5, 5);
    QTest::newRow("up right") << QPoint(5, 15) << QPoint(15, 5);
    QTest::newRow("down left") << QPoint(15, 5) << QPoint(5, 15);
    QTest::newRow("steep up") << QPoint(8, 16) << QPoint(5, 3);
    QTest::newRow("shallow left") << QPoint(16, 8) << QPoint(3, 5);
    QTest::newRow("shallow right") << QPoint(3, 5) << QPoint(16, 8);
    QTest::newRow("one step") << QPoint(5, 5) << QPoint(4, 6);
  }
  void linesLeaveOutTheirEnd() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    const QImage image = Render(
        [&](shapes::Canvas& c) {
          c.SetPenColor(shapes::kGreen);
          c.MoveTo({from.x(), from.y()});
          c.LineTo({to.x(), to.y()});
        },
        QSize(20, 20));
    QVERIFY(Is(image, from.x(), from.y(), kGreen));
    QVERIFY(!Is(image, to.x(), to.y(), kGreen));
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) drawn += Is(image, x, y, kGreen);
    QCOMPARE(drawn, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())));
  }

  // A dotted line has gaps, and they show the brush colour as under an opaque
  // background; a line of no length draws nothing.
  void dottedLineAndPointLine() {
    const QImage image = Render([](shapes::Canvas& c) {
      c.SetBrushColor(shapes::kBlack);
      c.SetPenColor(shapes::kGreen);
      c.SetPenStyle(shapes::PenStyle::Dotted);
      c.MoveTo({0, 5});
      c.LineTo({40, 5});
      c.SetPenStyle(shapes::PenStyle::Solid);
      c.MoveTo({20, 20});
      c.LineTo({20, 20});
    });
    int dots = 0, gaps = 0;
    for (int x = 0; x < 40; ++x) {
      if (Is(image, x, 5, kGreen)) {
        ++dots;
      } else {
        QVERIFY(Is(image, x, 5, kBlack));
        ++gaps;
      }
    }
    QVERIFY(dots >= 8 && gaps >= 8);
    QVERIFY(Is(image, 40, 5, kBlue));
    QVERIFY(Is(image, 20, 20, kBlue));
  }

  // Arcs run counter-clockwise on screen from the ray through the start point to the
  // ray through the end point; equal rays draw the whole ellipse. On a wide ellipse the
  // rays meet the outline where the line from the centre does, not at the same angle.
  void arcs_data() {
    QTest::addColumn<QRect>("box");  // left, top, right, bottom as x, y, x2, y2
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QList<QPoint>>("on");
    QTest::addColumn<QList<QPoint>>("off");
    const QRect circle(QPoint(0, 0), QPoint(100, 100));
    const QPoint ul(15, 15), ur(85, 15), ll(15, 85), lr(85, 85);
    QTest::newRow("upper right quarter") << circle << QPoint(100, 50) << QPoint(50, 0) << QList<QPoint>{ur}
                                         << QList<QPoint>{ul, ll, lr};
    QTest::newRow("the other three quarters")
        << circle << QPoint(50, 0) << QPoint(100, 50) << QList<QPoint>{ul, ll, lr} << QList<QPoint>{ur};
    QTest::newRow("start on end") << circle << QPoint(0, 50) << QPoint(0, 50) << QList<QPoint>{ul, ur, ll, lr}
                                  << QList<QPoint>{};
    QTest::newRow("same ray") << circle << QPoint(90, 90) << QPoint(60, 60) << QList<QPoint>{ul, ur, ll, lr}
                              << QList<QPoint>{};
    QTest::newRow("box given right to left") << QRect(QPoint(100, 100), QPoint(0, 0)) << QPoint(100, 50)
                                             << QPoint(50, 0) << QList<QPoint>{ur} << QList<QPoint>{ul, ll, lr};
    // Ellipse 200 x 100: the ray at 45 degrees meets it at (144.7, 5.3).
    QTest::newRow("wide ellipse") << QRect(QPoint(0, 0), QPoint(200, 100)) << QPoint(150, 0) << QPoint(0, 50)
                                  << QList<QPoint>{{140, 5}, {100, 0}, {20, 20}}
                                  << QList<QPoint>{{157, 9}, {187, 25}, {100, 99}};
  }
  void arcs() {
    QFETCH(QRect, box);
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    QFETCH(QList<QPoint>, on);
    QFETCH(QList<QPoint>, off);
    const QImage image = Render(
        [&](shapes::Canvas& c) {
          c.SetPenColor(shapes::kGreen);
          c.Arc({box.left(), box.top(), box.right(), box.bottom()}, {start.x(), start.y()}, {end.x(), end.y()});
        },
        QSize(210, 110));
    for (const QPoint& p : on)
      QVERIFY2(Near(image, p.x(), p.y(), kGreen), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint& p : off)
      QVERIFY2(!Near(image, p.x(), p.y(), kGreen), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    QVERIFY(!Near(image, 0, 0, kGreen, 5));
  }

  // Coordinates at the ends of the int range, boxes the wrong way round and bytes that
  // are no code page 936 text draw what they can without failing.
  void extremeInputDrawsWithoutFailing() {
    const QImage image = Render([](shapes::Canvas& c) {
      c.SetBrushColor(shapes::kYellow);
      c.FillRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
      c.SetBrushColor(shapes::kBlack);
      c.FillRect({50, 50, 10, 10});
      c.SetPenColor(shapes::kGreen);
      c.SetPenStyle(shapes::PenStyle::Dotted);
      c.Arc({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, 0}, {0, INT_MIN});
      c.Arc({INT_MAX, INT_MAX, INT_MIN, INT_MIN}, {0, 0}, {0, 0});
      c.MoveTo({INT_MIN, INT_MIN});
      c.LineTo({INT_MAX, INT_MAX});
      c.SetFont({shapes::kRed, 0});
      c.TextOut({INT_MAX, INT_MAX}, "\xFF\xFF");
      c.TextOut({10, 100}, "\x81");
    });
    QVERIFY(Is(image, 30, 40, kYellow) && Is(image, 129, 0, kYellow));
    QVERIFY(Near(image, 64, 64, kGreen));
    QVERIFY(Near(image, 14, 104, kRed, 4));
  }

  // Seven shapes fill three rows; the two cells after the last stay black, and the
  // cells paint from the cache, not from the table.
  void gridPaintsEveryShapeFromItsCache() {
    data::Table table("WinPicDataSet");
    Fill(table, {10, 20, 30, 40, 50, 60, 70});
    table.SetRecNo(4);
    PicDrawGrid grid;
    grid.resize(grid.sizeHint() + QSize(0, PicDrawGrid::kRowHeight + 10));
    grid.SetPicDataSet(&table);
    QCOMPARE(grid.RowCount(), 3);
    QCOMPARE(table.RecNo(), 1);
    FillWithoutPictures(table);  // whatever the table holds now

    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QImage image = grid.viewport()->grab().toImage();
    // The seventh shape: its line from the cell's corner to (105, 90) in the cell.
    const QRect seventh = grid.CellRect(0, 2);
    QVERIFY(Near(image, seventh.left() + 52, seventh.top() + 45, kGreen, 1));
    QVERIFY(Near(image, seventh.left() + 35, seventh.top() + 162, kRed, 6));  // its name "n70"
    for (int col : {1, 2}) {
      const QRect cell = grid.CellRect(col, 2);
      for (int y = cell.top(); y <= cell.bottom(); y += 3)
        for (int x = cell.left(); x <= cell.right(); x += 3) QVERIFY(Is(image, x, y, kBlack));
    }
    QVERIFY(Is(image, PicDrawGrid::kColWidth, 10, qRgb(192, 192, 192)));  // the grid line
  }

  // A click makes the shape's record current and reports the cell; a click in an empty
  // cell of the last row makes the last record current; Enter clicks the current cell.
  void gridClicks() {
    data::Table table("WinPicDataSet");
    Fill(table, {10, 20, 30, 40, 50, 60, 70});
    PicDrawGrid grid;
    grid.resize(grid.sizeHint() + QSize(0, PicDrawGrid::kRowHeight + 100));
    grid.SetPicDataSet(&table);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicked(&grid, &PicDrawGrid::clicked);

    const struct {
      int col, row, record;
    } cases[] = {{2, 2, 7}, {1, 0, 2}, {0, 2, 7}, {1, 1, 5}};
    for (const auto& c : cases) {
      QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(c.col, c.row).center());
      QCOMPARE(table.RecNo(), c.record);
      QCOMPARE(clicked.takeFirst(), (QList<QVariant>{c.col, c.row}));
      QCOMPARE(grid.Col(), c.col);
      QCOMPARE(grid.Row(), c.row);
    }
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(0, 3).center());  // below the cells
    QVERIFY(clicked.isEmpty());

    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Up);
    QTest::keyClick(&grid, Qt::Key_Right);
    QTest::keyClick(&grid, Qt::Key_Right);  // beyond the last column: stays
    QVERIFY(clicked.isEmpty());
    QTest::keyClick(&grid, Qt::Key_Return);
    QCOMPARE(clicked.takeFirst(), (QList<QVariant>{2, 0}));
    QCOMPARE(table.RecNo(), 3);
  }

  // A table without the picture fields shows an empty grid whose clicks move nothing;
  // the focus leaving the grid for another box is an exit.
  void gridWithoutPictureFieldsAndExit() {
    data::Table table("Other");
    FillWithoutPictures(table);
    QWidget window;
    auto* grid = new PicDrawGrid(&window);
    auto* box = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(grid);
    layout->addWidget(box);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    table.SetRecNo(2);
    grid->SetPicDataSet(&table);
    QCOMPARE(grid->RowCount(), 0);
    QVERIFY(grid->PicDataSet() == nullptr);
    QVERIFY(grid->hasFocus());
    QSignalSpy clicked(grid, &PicDrawGrid::clicked);
    QSignalSpy exited(grid, &PicDrawGrid::exited);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(clicked.isEmpty());
    QCOMPARE(table.RecNo(), 2);
    QVERIFY(Extent(grid->viewport()->grab().toImage(), kBlack) == grid->viewport()->rect());

    box->setFocus();
    QCOMPARE(exited.size(), 1);
  }

  // The image draws the current record's shape and label; a field it cannot find draws
  // an empty shape in place of the last picture; a press reports a click.
  void imageDrawsTheCurrentRecord() {
    data::Table table("Library");
    Fill(table, {10, 20});
    DbImage image;
    QCOMPARE(image.size(), QSize(120, 120));
    QCOMPARE(Extent(image.Image(), kBlack), QRect(0, 0, 120, 120));
    image.SetPicField("Pic");
    image.SetPicNameField("PicName");

    table.SetRecNo(2);
    image.SetPicDataSet(&table);
    QVERIFY(Is(image.Image(), 10, 30, kGreen));  // the line to (20, 60)
    QVERIFY(!Near(image.Image(), 5, 30, kGreen, 1));
    const QRect label = Extent(image.Image(), kRed);
    QVERIFY(label.left() >= 20 && label.top() >= 105 && label.left() < 26);

    image.SetPicDataSet(nullptr);
    QVERIFY(Is(image.Image(), 10, 30, kGreen));

    image.SetPicNameField("NoSuch");
    image.SetPicDataSet(&table);
    QCOMPARE(Extent(image.Image(), kBlack), QRect(0, 0, 120, 120));

    QSignalSpy clicked(&image, &DbImage::clicked);
    image.show();
    QVERIFY(QTest::qWaitForWindowExposed(&image));
    QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(clicked.size(), 1);
    QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(60, 60));
  }
};

TAKEOFF_UI_TEST(ShapeWidgetsTest);
#include "shape_widgets_test.moc"
