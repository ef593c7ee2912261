#pragma once
// The frame of the Qt tests: every test class registers itself, every warning Qt
// prints fails the test that printed it, and modal dialogs are answered by code.
#include <functional>
#include <memory>

#include <QObject>
#include <QWidget>

namespace takeoff::qtui::testing {

// Base of the test classes: its init() makes any warning fail the test, except the
// offscreen platform's notes on what it cannot do ("This plugin does not support
// raise()"), which are dropped.
class UiTestCase : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
};

using TestFactory = std::function<std::unique_ptr<QObject>()>;
bool RegisterTest(TestFactory factory);

#define TAKEOFF_UI_TEST(Class) \
  static const bool Class##Registered = ::takeoff::qtui::testing::RegisterTest([] { return std::make_unique<Class>(); })

// Runs `act` on the next modal window as soon as it is shown (fails the test when
// none shows within two seconds).
void OnModal(std::function<void(QWidget*)> act);

// Clicks the button of `window` whose text is `text`; fails the test when it has none.
void ClickButton(QWidget* window, const QString& text);

}  // namespace takeoff::qtui::testing
