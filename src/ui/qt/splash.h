#pragma once
// The splash window shown while the main window is created: borderless, centred on
// the screen, with the product title and version.
#include <QSplashScreen>

namespace takeoff::qtui {

class Splash : public QSplashScreen {
  Q_OBJECT
public:
  Splash();
};

}  // namespace takeoff::qtui
