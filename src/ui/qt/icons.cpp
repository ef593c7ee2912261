#include "ui/qt/icons.h"

#include <QFile>

namespace takeoff::qtui {

QIcon CommandIcon(const std::string& name) {
  const QString path = QStringLiteral(":/icons/%1.svg").arg(QString::fromStdString(name));
  return QFile::exists(path) ? QIcon(path) : QIcon();
}

QIcon NodeIcon(int index) {
  if (index < 0 || index > 7) return {};
  return CommandIcon("Node" + std::to_string(index));
}

}  // namespace takeoff::qtui
