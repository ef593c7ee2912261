#include "ui/qt/splash.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "ui/qt/product_text.h"

namespace takeoff::qtui {

namespace {

QPixmap SplashPicture() {
  const QSize size(420, 220);
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
  fill.setColorAt(1, QColor(0x0d, 0x2a, 0x52));
  p.fillRect(pixmap.rect(), fill);
  p.setPen(QColor(0xf2, 0xc1, 0x4e));
  p.drawRect(pixmap.rect().adjusted(4, 4, -5, -5));

  p.setPen(Qt::white);
  QFont title(QStringLiteral("黑体"));
  title.setPixelSize(34);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(0, 60, size.width(), 50), Qt::AlignCenter, ProductTitle());

  QFont version(QStringLiteral("宋体"));
  version.setPixelSize(18);
  p.setFont(version);
  p.drawText(QRect(0, 120, size.width(), 30), Qt::AlignCenter, VersionText().trimmed());
  return pixmap;
}

}  // namespace

Splash::Splash() : QSplashScreen(SplashPicture(), Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Splash"));
  if (const QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

}  // namespace takeoff::qtui
