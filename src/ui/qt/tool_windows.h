#pragma once
// The main window's tool windows, created on first use and kept by the main window.
class QWidget;

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

// The variables window TfmVal, created on first use and kept by the caller.
QWidget* CreateVariablesWindow(ui::MainController& controller, QWidget* mainWindow);
// The symbol palette TfmFhAndWj filled from useinfo/fh.dat of the program folder.
QWidget* CreateSymbolPalette(ui::MainController& controller, QWidget* mainWindow);

}  // namespace takeoff::qtui
