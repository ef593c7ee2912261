// The tool windows' factories for the main window.
#include "ui/qt/tool_windows.h"

#include "data/data_module.h"
#include "ui/main_controller.h"
#include "ui/qt/symbol_palette.h"
#include "ui/qt/variables_window_widget.h"

namespace takeoff::qtui {

QWidget* CreateVariablesWindow(ui::MainController& controller, QWidget* mainWindow) {
  return new VariablesWindowWidget(controller, mainWindow);
}

QWidget* CreateSymbolPalette(ui::MainController& controller, QWidget* mainWindow) {
  return new SymbolPalette(controller, mainWindow, controller.Data().ProgramFolder() / "useinfo" / "fh.dat");
}

}  // namespace takeoff::qtui
