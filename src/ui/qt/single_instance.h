#pragma once
// One running instance per user: the first instance listens on a local socket, a
// second one hands its command-line file to it and ends.
//
// A message is the path as UTF-8, preceded by its length in bytes as a 32-bit
// big-endian number; the receiver answers one byte once it has read it all.
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace takeoff::qtui {

class SingleInstance : public QObject {
  Q_OBJECT
public:
  // The server name of the program: derived from "禾木工程量计算器_V210" and the user id.
  static QString DefaultServerName();

  explicit SingleInstance(QString serverName = DefaultServerName(), QObject* parent = nullptr);

  // True when this is the first instance: it then listens for hand-overs. A socket
  // left by an instance that ended abnormally (nobody answers on it) is removed and
  // the name taken over. When listening fails for another reason the answer is still
  // true (without hand-overs), so that start-up never depends on it. False when
  // another instance answers on the name.
  bool TryListen();
  bool Listening() const { return server_.isListening(); }
  QString ServerName() const { return name_; }
  // The socket's path in the file system (valid while listening).
  QString FullServerName() const { return server_.fullServerName(); }

  // For the second instance: hands `path` to the instance listening on `serverName`.
  // True once that instance confirmed it; false when none answered within
  // `timeoutMs` for each step.
  static bool SendPath(const QString& path, int timeoutMs, const QString& serverName = DefaultServerName());

signals:
  // A path handed over by another instance.
  void pathReceived(const QString& path);

private:
  void Accept();

  QString name_;
  QLocalServer server_;
};

}  // namespace takeoff::qtui
