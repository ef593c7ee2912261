#include <cstdio>
#include <deque>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "ui/qt/fonts.h"
#include "ui_test.h"

namespace takeoff::qtui::testing {

namespace {

std::vector<TestFactory>& Registry() {
  static std::vector<TestFactory> registry;
  return registry;
}

// The offscreen platform's notes on what it cannot do.
bool PlatformLimitation(const QString& message) {
  return message.startsWith(QLatin1String("This plugin does not support "));
}

// Outside the test functions Qt Test does not watch the messages; this does.
bool g_warned = false;
void OutsideHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtWarningMsg && PlatformLimitation(message)) return;
  if (type != QtDebugMsg && type != QtInfoMsg) g_warned = true;
  std::fprintf(stderr, "%s\n", qPrintable(message));
}

QtMessageHandler g_testHandler = nullptr;  // Qt Test's, while a test function runs
void InsideHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && PlatformLimitation(message)) return;
  g_testHandler(type, context, message);
}

}  // namespace

void UiTestCase::init() {
  QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
  g_testHandler = qInstallMessageHandler(InsideHandler);
}

bool RegisterTest(TestFactory factory) {
  Registry().push_back(std::move(factory));
  return true;
}

// The answers wait in line: only the first acts, on the first modal window that is
// active, so two answers never race for the same window.
namespace {
struct PendingAnswer {
  std::function<void(QWidget*)> Act;
  QElapsedTimer Waiting;  // started when the answer reaches the front
};
std::deque<PendingAnswer>& Answers() {
  static std::deque<PendingAnswer> answers;
  return answers;
}
QTimer* AnswerTimer();

void AnswerNext() {
  auto& answers = Answers();
  if (answers.empty()) {
    AnswerTimer()->stop();
    return;
  }
  PendingAnswer& next = answers.front();
  if (!next.Waiting.isValid()) next.Waiting.start();
  // The window must be active too, or focus moves inside it do not happen.
  QPointer<QWidget> modal = QApplication::activeModalWidget();
  if ((!modal || !modal->isActiveWindow()) && next.Waiting.elapsed() < 2000) return;
  const std::function<void(QWidget*)> act = std::move(next.Act);
  answers.pop_front();
  if (!modal) {
    QTest::qFail("no modal window came up", __FILE__, __LINE__);
    return;
  }
  act(modal);
  // A check that failed inside `act` leaves the window open: close it, so that the
  // test ends instead of waiting forever.
  if (modal && modal->isVisible() && QTest::currentTestFailed()) modal->close();
}

QTimer* AnswerTimer() {
  static QTimer* timer = [] {
    auto* t = new QTimer(qApp);
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, AnswerNext);
    return t;
  }();
  return timer;
}

void DropAnswers() {
  Answers().clear();
  AnswerTimer()->stop();
}
}  // namespace

void OnModal(std::function<void(QWidget*)> act) {
  Answers().push_back({std::move(act), {}});
  AnswerTimer()->start();
}

void UiTestCase::cleanup() {
  // Answers a failed test left behind must not answer the next test's windows.
  if (!Answers().empty() && !QTest::currentTestFailed())
    QTest::qFail("an answer was left over: its window never came up", __FILE__, __LINE__);
  DropAnswers();
  qInstallMessageHandler(g_testHandler);
}

void ClickButton(QWidget* window, const QString& text) {
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (b->text() == text) {
      b->click();
      return;
    }
  }
  QTest::qFail(qPrintable(QStringLiteral("no button \"%1\"").arg(text)), __FILE__, __LINE__);
}

}  // namespace takeoff::qtui::testing

int main(int argc, char** argv) {
  using namespace takeoff::qtui;
  qInstallMessageHandler(testing::OutsideHandler);
  // Qt wants a private runtime folder; a test run may have none.
  QTemporaryDir runtime;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  int failed = 0;
  for (const testing::TestFactory& make : testing::Registry()) {
    std::unique_ptr<QObject> test = make();
    failed += QTest::qExec(test.get(), argc, argv);
  }
  if (testing::g_warned) {
    std::fprintf(stderr, "FAIL: Qt printed a warning outside the test functions\n");
    ++failed;
  }
  return failed == 0 ? 0 : 1;
}
