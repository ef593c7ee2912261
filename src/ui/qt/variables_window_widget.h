#pragma once
// The variables window TfmVal: the project's variables (editable) and the door and
// window parameters (read-only) on two pages, and the reference to the chosen one
// inserted into the main window's insertion target. The core's VariablesWindow
// decides every action; this window shows the tables and forwards.
#include <QWidget>

#include "ui/variables_window.h"

class QAction;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

class VariablesWindowWidget : public QWidget {
  Q_OBJECT
public:
  // A tool window over `mainWindow`; it is hidden when closed and kept.
  VariablesWindowWidget(ui::MainController& controller, QWidget* mainWindow);
  ~VariablesWindowWidget() override;

  QTabWidget* Pages() const { return pages_; }
  QTableView* VariablesGrid() const { return variables_; }
  QTableView* OpeningsGrid() const { return openings_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* InsertButton() const { return insert_; }
  QPushButton* CallButton() const { return call_; }
  // The pop-up menu of both grids.
  QMenu* GridMenu() const { return menu_; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QTableView* AddPage(ui::VariablesPage page, const std::vector<ui::TableColumn>& columns);
  // Runs a variable command and shows its failure.
  void Run(void (ui::VariablesWindow::*command)());
  void InsertReference();
  void PageChanged(int index);
  QTableView* CurrentGrid() const;

  ui::MainController& c_;
  ui::VariablesWindow core_;
  QTabWidget* pages_ = nullptr;
  QTableView* variables_ = nullptr;
  QTableView* openings_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* insert_ = nullptr;
  QPushButton* call_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* addAction_ = nullptr;
  QAction* insertAction_ = nullptr;
  QAction* deleteAction_ = nullptr;
};

}  // namespace takeoff::qtui
