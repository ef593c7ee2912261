#include "ui/qt/progress_window.h"

#include <algorithm>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace takeoff::qtui {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      bar_(new QProgressBar(this)) {
  setWindowTitle(QStringLiteral("正在处理数据中，请稍候......"));
  setObjectName(QStringLiteral("TFmPg"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  setFixedSize(360, 60);
}

int ProgressWindow::Percent() const { return bar_->value(); }

void ProgressWindow::SetPercent(int percent) {
  bar_->setValue(std::clamp(percent, 0, 100));
  if (!isVisible()) {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->geometry().center() - rect().center());
    show();
    raise();
  }
  // The operation holds the event loop: paint now. Until the window system has
  // exposed the new window nothing can be painted, so that wait lets events other
  // than the user's input through, once.
  if (windowHandle() && !windowHandle()->isExposed())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

}  // namespace takeoff::qtui
