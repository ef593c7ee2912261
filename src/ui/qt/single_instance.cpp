#include "ui/qt/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QtEndian>

namespace takeoff::qtui {

namespace {

constexpr quint32 kMaxMessage = 64 * 1024;  // longer announced lengths are refused
constexpr int kProbeTimeoutMs = 1000;        // how long a live instance has to accept
constexpr int kReceiveTimeoutMs = 5000;      // a sender that stalls is dropped
constexpr char kAck = 'K';

}  // namespace

QString SingleInstance::DefaultServerName() {
  const QByteArray hash =
      QCryptographicHash::hash(QStringLiteral("禾木工程量计算器_V210").toUtf8(), QCryptographicHash::Sha1).toHex();
  return QStringLiteral("takeoff-%1-%2").arg(QString::fromLatin1(hash.left(16))).arg(::getuid());
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

bool SingleInstance::TryListen() {
  if (server_.isListening()) return true;
  // Listening with access options replaces whatever socket has the name, so a live
  // instance is looked for first.
  {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kProbeTimeoutMs)) {
      probe.abort();
      return false;
    }
  }
  // Nobody answers: a socket left behind, if any, goes.
  QLocalServer::removeServer(name_);
  server_.listen(name_);
  return true;
}

void SingleInstance::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->property("done").toBool()) {
        socket->readAll();
        return;
      }
      if (socket->bytesAvailable() < 4) return;
      char head[4];
      socket->peek(head, 4);
      const quint32 length = qFromBigEndian<quint32>(head);
      if (length > kMaxMessage) {
        socket->abort();
        return;
      }
      if (socket->bytesAvailable() < 4 + static_cast<qint64>(length)) return;
      socket->read(4);
      const QString path = QString::fromUtf8(socket->read(length));
      socket->setProperty("done", true);
      socket->write(&kAck, 1);
      socket->flush();
      emit pathReceived(path);
    });
  }
}

bool SingleInstance::SendPath(const QString& path, int timeoutMs, const QString& serverName) {
  QLocalSocket socket;
  socket.connectToServer(serverName);
  if (!socket.waitForConnected(timeoutMs)) return false;
  const QByteArray body = path.toUtf8();
  char head[4];
  qToBigEndian<quint32>(static_cast<quint32>(body.size()), head);
  socket.write(head, 4);
  socket.write(body);
  while (socket.bytesToWrite() > 0)
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
  while (socket.bytesAvailable() < 1)
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  char ack = 0;
  const bool ok = socket.read(&ack, 1) == 1 && ack == kAck;
  socket.disconnectFromServer();
  return ok;
}

}  // namespace takeoff::qtui
