// takeoff: the desktop program. One instance per user: a second one hands its file
// to the first and ends. The first shows the splash window, creates the main window
// and runs the event loop.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <optional>

#include "engine/evaluator.h"
#include "text/gbk.h"
#include "ui/qt/fonts.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/single_instance.h"
#include "ui/qt/splash.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("工程量计算管理系统"));
  takeoff::qtui::InstallFontSubstitutions();

  const QStringList args = QApplication::arguments();
  const std::optional<QString> file = args.size() > 1 ? std::optional<QString>(args[1]) : std::nullopt;

  takeoff::qtui::SingleInstance instance;
  if (!instance.TryListen()) {
    if (file) takeoff::qtui::SingleInstance::SendPath(*file, 3000);
    return 0;
  }

  takeoff::qtui::Splash splash;
  splash.show();
  QApplication::processEvents();

  const std::filesystem::path folder = QCoreApplication::applicationDirPath().toStdString();
  takeoff::qtui::QtHost host;
  takeoff::engine::Evaluator evaluator(&host);
  takeoff::qtui::MainWindow window(host, evaluator, folder);
  QObject::connect(&instance, &takeoff::qtui::SingleInstance::pathReceived, &window,
                   &takeoff::qtui::MainWindow::HandOver);
  window.showMaximized();
  splash.finish(&window);

  QTimer::singleShot(0, &window, [&] {
    std::optional<std::string> path;
    if (file) {
      path = takeoff::qtui::TryToCp936(*file);
      if (!path)
        host.MessageBox(takeoff::text::Gbk("用户文件的路径含有无法使用的字符。"), takeoff::platform::MsgCaption::Warning,
                        takeoff::platform::MsgIcon::Warning, takeoff::platform::MsgButtons::Ok);
    }
    window.FirstShown(path);
  });
  // TAKEOFF_SCREENSHOT=FILE: the main window, filling the screen (a virtual display
  // has no window manager to maximise it) with the node TAKEOFF_SCREENSHOT_NODE (a
  // path, names joined by "→") selected, is written to FILE once it has settled, and
  // the program ends (scripts/screenshot).
  const QString shot = qEnvironmentVariable("TAKEOFF_SCREENSHOT");
  if (!shot.isEmpty())
    QTimer::singleShot(2500, &window, [&window, shot] {
      window.setGeometry(window.screen()->availableGeometry());
      if (const auto node = takeoff::qtui::TryToCp936(qEnvironmentVariable("TAKEOFF_SCREENSHOT_NODE")))
        if (takeoff::tree::TreeItem* item = window.Controller().FindPath(*node)) window.Controller().SelectNode(item);
      QApplication::processEvents();
      window.grab().save(shot);
      QApplication::exit(0);
    });
  return QApplication::exec();
}
