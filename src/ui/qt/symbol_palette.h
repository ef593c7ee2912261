#pragma once
// The symbol palette TfmFhAndWj: the symbol grid TMyStingGrid filled from the symbol
// file and its magnifier Tmyedit. The core's SymbolGrid holds the symbols and decides
// what a click does; this window shows it and forwards the clicks.
#include <filesystem>

#include <QLineEdit>
#include <QWidget>

#include "ui/symbol_grid.h"

class QTableWidget;

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

// The magnifier: a read-only box over the clicked cell that never takes the focus,
// so that the control the symbol goes to keeps it.
class SymbolMagnifier : public QLineEdit {
  Q_OBJECT
public:
  explicit SymbolMagnifier(QWidget* parent);

signals:
  void clicked();

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
};

class SymbolPalette : public QWidget {
  Q_OBJECT
public:
  // A tool window over `mainWindow` filled from `symbolFile`.
  SymbolPalette(ui::MainController& controller, QWidget* mainWindow, const std::filesystem::path& symbolFile);

  QTableWidget* Grid() const { return grid_; }
  SymbolMagnifier* Magnifier() const { return magnifier_; }
  const ui::SymbolGrid& Core() const { return core_; }

protected:
  bool event(QEvent* event) override;

private:
  void CellClicked(int row, int column);

  ui::MainController& c_;
  ui::SymbolGrid core_;
  QTableWidget* grid_ = nullptr;
  SymbolMagnifier* magnifier_ = nullptr;
};

}  // namespace takeoff::qtui
