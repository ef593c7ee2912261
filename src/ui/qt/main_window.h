#pragma once
// The main window: menus, tool bars, pop-up menus and the status bar built from the
// core's command table; the project tree, the record grid with the boxes around it,
// and the five-second timer. Every action goes to the MainController, which decides
// what happens; the window shows the result.
#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <string>

#include "ui/main_controller.h"
#include "ui/qt/qt_host.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTextEdit;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;

namespace takeoff::qtui {

class AnnotationFields;
class DbImage;
class PicDrawGrid;
class ProjectTreeModel;
class RecordGridModel;
class RecordGridView;

class MainWindow : public QMainWindow, public ui::ControllerView, public MainWindowHooks {
  Q_OBJECT
public:
  MainWindow(QtHost& host, engine::Evaluator& evaluator, std::filesystem::path programFolder);
  ~MainWindow() override;

  ui::MainController& Controller() { return c_; }
  QAction* Action(const std::string& name) const;
  RecordGridView* Grid() const { return grid_; }
  QTreeView* Tree() const { return tree_; }
  QLineEdit* FieldBox() const { return fieldBox_; }
  QTimer* Timer() const { return timer_; }
  QLabel* StatusPanel(int i) const { return status_[static_cast<std::size_t>(i)]; }

  // After the first showing: the command-line file and the About window.
  void FirstShown(const std::optional<std::string>& argument);
  // A file handed over by a second instance.
  void HandOver(const QString& path);

  // ui::ControllerView.
  void Changed() override;
  void TreeRebuilt() override;
  void RecentFilesChanged() override;

  // MainWindowHooks.
  void OpenToolWindow(const QString& className) override;
  QWidget* ControlNamed(const QString& objectName) override;
  platform::FocusControl FocusedControl() override;
  void FocusControl(platform::FocusControl control) override;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildActions();
  void BuildMenus();
  void BuildToolBars();
  QWidget* BuildLeftColumn();
  QWidget* BuildRightArea();
  void BuildStatusBar();
  void RunCommand(const std::string& name);
  void RefreshCommands();
  void RefreshTree();
  void RefreshBoxes();
  void OpenFormulaBox();
  void CloseFormulaBox(bool moveOn);
  void FieldBoxEdited(const QString& text);
  void ShowTreeMenu(const QPoint& at);
  void ShowGridMenu(const QPoint& at);

  QtHost& host_;
  ui::MainController c_;
  std::map<std::string, QAction*> actions_;
  QMenu* fileMenu_ = nullptr;
  QMenu* nodeMenu_ = nullptr;
  std::vector<QAction*> recentActions_;
  ProjectTreeModel* treeModel_ = nullptr;
  RecordGridModel* gridModel_ = nullptr;
  QTreeView* tree_ = nullptr;
  QTreeWidget* quotaTree_ = nullptr;
  RecordGridView* grid_ = nullptr;
  QLineEdit* fieldBox_ = nullptr;
  QLineEdit* countBox_ = nullptr;
  QComboBox* quotaBox_ = nullptr;
  QTextEdit* formulaBox_ = nullptr;
  QWidget* parameterGrid_ = nullptr;
  AnnotationFields* annotations_ = nullptr;
  DbImage* shapeImage_ = nullptr;
  QWidget* shapePicker_ = nullptr;
  PicDrawGrid* picGrid_ = nullptr;
  QWidget* annotationPanel_ = nullptr;
  AnnotationFields* panelFields_ = nullptr;
  std::array<QLabel*, 3> status_{};
  QTimer* timer_ = nullptr;
  QPointer<QWidget> variablesWindow_, symbolPalette_;
  bool refreshing_ = false;
};

}  // namespace takeoff::qtui
