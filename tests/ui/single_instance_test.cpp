// One instance: the first listens, a second finds it and hands over its path, a
// socket left by a crashed instance is taken over.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUuid>

#include "ui/qt/single_instance.h"
#include "ui_test.h"

using namespace takeoff::qtui;

namespace {

QString UniqueName() {
  return QStringLiteral("takeoff-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// The second instance runs on a thread of its own: it waits for the first one's answer.
bool SendFromThread(const QString& path, const QString& name) {
  bool sent = false;
  std::unique_ptr<QThread> t(QThread::create([&] { sent = SingleInstance::SendPath(path, 3000, name); }));
  t->start();
  while (!t->wait(5)) QCoreApplication::processEvents();
  return sent;
}

}  // namespace

class SingleInstanceTest : public testing::UiTestCase {
  Q_OBJECT
private slots:
  void defaultNameIsPerUser() {
    const QString name = SingleInstance::DefaultServerName();
    QVERIFY(name.endsWith(QStringLiteral("-%1").arg(::getuid())));
    QCOMPARE(name, SingleInstance::DefaultServerName());
    QVERIFY(!name.contains(QLatin1Char('/')));
  }

  void secondInstanceHandsOverItsPath() {
    const QString name = UniqueName();
    SingleInstance first(name);
    QVERIFY(first.TryListen());
    QVERIFY(first.Listening());
    SingleInstance second(name);
    QVERIFY(!second.TryListen());
    QVERIFY(!second.Listening());

    QSignalSpy received(&first, &SingleInstance::pathReceived);
    const QString path = QStringLiteral("/home/用户/工程 一.mfz");
    QVERIFY(SendFromThread(path, name));
    QVERIFY(received.count() == 1 || received.wait(2000));
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.front().front().toString(), path);

    // A second hand-over on the same server.
    QVERIFY(SendFromThread(QStringLiteral("b.mfz"), name));
    QVERIFY(received.count() == 2 || received.wait(2000));
    QCOMPARE(received.back().front().toString(), QStringLiteral("b.mfz"));
  }

  void staleSocketIsTakenOver() {
    const QString name = UniqueName();
    const QString file = QDir::tempPath() + QLatin1Char('/') + name;
    // A socket bound and abandoned, as an instance that crashed leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(file);
    QVERIFY(static_cast<std::size_t>(native.size()) < sizeof(addr.sun_path));
    std::copy(native.begin(), native.end(), addr.sun_path);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ::close(fd);
    QVERIFY(QFile::exists(file));

    SingleInstance first(name);
    QVERIFY(first.TryListen());
    QVERIFY(first.Listening());
    QSignalSpy received(&first, &SingleInstance::pathReceived);
    QVERIFY(SendFromThread(QStringLiteral("c.mfz"), name));
    QVERIFY(received.count() == 1 || received.wait(2000));
  }

  void nobodyListening() {
    QVERIFY(!SingleInstance::SendPath(QStringLiteral("x.mfz"), 200, UniqueName()));
  }
};

TAKEOFF_UI_TEST(SingleInstanceTest);
#include "single_instance_test.moc"
