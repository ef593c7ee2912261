#include "ui/qt/db_image.h"

#include <exception>

#include <QMouseEvent>
#include <QPainter>

#include "shapes/draw_shape.h"
#include "ui/qt/painter_canvas.h"

namespace takeoff::qtui {

DbImage::DbImage(QSize size, QWidget* parent) : QWidget(parent), image_(size, QImage::Format_RGB32) {
  setFixedSize(size);
  image_.fill(Qt::black);
}

void DbImage::SetPicDataSet(const data::Table* table) {
  if (table == nullptr) return;
  {
    QPainter painter(&image_);
    PainterCanvas canvas(painter);
    try {
      core_.SetPicDataSet(table, image_.width(), image_.height(), canvas);
    } catch (const std::exception&) {
      shapes::DrawShape({}, {0, 0, image_.width(), image_.height()}, canvas);
    }
  }
  update();
}

void DbImage::SetTxtOffSet(quint16 x, quint16 y) {
  core_.TxtOffSetX = x;
  core_.TxtOffSetY = y;
}

void DbImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

void DbImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked();
}

}  // namespace takeoff::qtui
