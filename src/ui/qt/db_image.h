#pragma once
// The shape image TMyDBImage: the shape of a table's current record, drawn into an
// image of the control's fixed size with its label. The owner assigns the table again
// whenever the current record changes; the image keeps only the pixels drawn.
#include <string>

#include <QImage>
#include <QWidget>

#include "shapes/shape_image.h"

namespace takeoff::data {
class Table;
}

namespace takeoff::qtui {

class DbImage : public QWidget {
  Q_OBJECT
public:
  // Black (an empty shape) until a table is assigned.
  explicit DbImage(QSize size = QSize(120, 120), QWidget* parent = nullptr);

  // Draws the current record's shape and label; null is ignored. A table without the
  // picture or label field, or an empty one, shows an empty shape.
  void SetPicDataSet(const data::Table* table);

  const std::string& PicField() const { return core_.PicField; }
  void SetPicField(std::string field) { core_.PicField = std::move(field); }
  const std::string& PicNameField() const { return core_.PicNameField; }
  void SetPicNameField(std::string field) { core_.PicNameField = std::move(field); }
  quint16 TxtOffSetX() const { return core_.TxtOffSetX; }
  quint16 TxtOffSetY() const { return core_.TxtOffSetY; }
  void SetTxtOffSet(quint16 x, quint16 y);

  const QImage& Image() const { return image_; }

signals:
  void clicked();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  shapes::ShapeImage core_;
  QImage image_;
};

}  // namespace takeoff::qtui
