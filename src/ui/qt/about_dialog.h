#pragma once
// The About window TfmAbout: the application's title, the version " V2.17.1" and the
// button "确  定"; shown modally.
#include <QDialog>

class QLabel;
class QPushButton;

namespace takeoff::qtui {

class AboutDialog : public QDialog {
  Q_OBJECT
public:
  // `applicationTitle` is the application's title ("工程量计算管理系统"); by default
  // the application's display name.
  explicit AboutDialog(QWidget* parent = nullptr, const QString& applicationTitle = {});

  QLabel* TitleLabel() const { return title_; }
  QPushButton* OkButton() const { return ok_; }

private:
  QLabel* title_;
  QPushButton* ok_;
};

}  // namespace takeoff::qtui
