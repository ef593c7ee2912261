#pragma once
// The progress window TFmPg: a small always-on-top window with one bar from 0 to
// 100, centred over the screen, shown while a long operation runs on the UI thread.
#include <QWidget>

class QProgressBar;

namespace takeoff::qtui {

class ProgressWindow : public QWidget {
  Q_OBJECT
public:
  explicit ProgressWindow(QWidget* parent = nullptr);

  // Shows the window (centred, the first time), sets the bar and paints it at once.
  void SetPercent(int percent);
  int Percent() const;

private:
  QProgressBar* bar_;
};

}  // namespace takeoff::qtui
