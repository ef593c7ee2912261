#include "ui/qt/main_window.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QShortcutEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "text/gbk.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/annotation_fields.h"
#include "ui/qt/db_image.h"
#include "ui/qt/icons.h"
#include "ui/qt/pic_draw_grid.h"
#include "ui/qt/project_tree_model.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/record_grid_model.h"
#include "ui/qt/record_grid_view.h"
#include "ui/qt/tool_windows.h"

namespace takeoff::qtui {
namespace {

const QColor kPaleYellow(255, 255, 225);

QFont SongTi(int pixels, bool bold = false) {
  QFont f(QStringLiteral("宋体"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

// A bar of the left column or the formula bar: 28 pixels high.
QWidget* Bar(QWidget* parent, QHBoxLayout*& layout) {
  auto* bar = new QWidget(parent);
  bar->setFixedHeight(28);
  layout = new QHBoxLayout(bar);
  layout->setContentsMargins(2, 1, 2, 1);
  layout->setSpacing(2);
  return bar;
}

// A pane of the left column: a column layout whose first row is a bar headed by a
// bold title. The pane's layout and the bar's come back for the caller to fill.
QWidget* TitledPane(QWidget* parent, const QString& title, QVBoxLayout*& column, QHBoxLayout*& bar) {
  auto* pane = new QWidget(parent);
  column = new QVBoxLayout(pane);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QWidget* b = Bar(pane, bar);
  auto* label = new QLabel(title, b);
  label->setFont(SongTi(14, true));
  bar->addWidget(label);
  column->addWidget(b);
  return pane;
}

// The floating formula edit box: Enter closes it and moves on in the grid.
class FormulaEditBox : public QTextEdit {
public:
  explicit FormulaEditBox(QWidget* parent) : QTextEdit(parent) {}
  std::function<void(bool moveOn)> Closed;

protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      if (Closed) Closed(true);
      return;
    }
    QTextEdit::keyPressEvent(e);
  }
  void focusOutEvent(QFocusEvent* e) override {
    QTextEdit::focusOutEvent(e);
    if (isVisible() && Closed) Closed(false);
  }
  void insertFromMimeData(const QMimeData* source) override {
    // Plain text only: the box edits one field.
    if (source->hasText()) insertPlainText(source->text());
  }
};

}  // namespace

MainWindow::MainWindow(QtHost& host, engine::Evaluator& evaluator, std::filesystem::path programFolder)
    : host_(host), c_(host, evaluator, std::move(programFolder)) {
  setObjectName(QStringLiteral("FmMain"));
  host_.SetMainWindow(this);
  host_.SetHooks(this);
  setMinimumSize(750, 468);

  c_.Startup();
  c_.SetView(this);

  BuildActions();
  BuildMenus();
  BuildToolBars();
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName(QStringLiteral("Splitter1"));
  split->addWidget(BuildLeftColumn());
  split->addWidget(BuildRightArea());
  split->setStretchFactor(1, 1);
  split->setSizes({202, 800});
  setCentralWidget(split);
  BuildStatusBar();

  timer_ = new QTimer(this);
  timer_->setInterval(5000);
  connect(timer_, &QTimer::timeout, this, [this] { c_.TimerTick(); });
  timer_->start();

  qApp->installEventFilter(this);
  Changed();
  TreeRebuilt();
  RecentFilesChanged();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  c_.SetView(nullptr);
  host_.SetHooks(nullptr);
  // The models, views and tool windows observe the controller's tables, and the
  // controller is a member: they must go before it, not after in ~QWidget.
  std::vector<QPointer<QObject>> owned;
  for (QObject* k : children())
    if (!qobject_cast<QLayout*>(k)) owned.emplace_back(k);
  for (const QPointer<QObject>& k : owned) delete k.data();
}

// --- Commands ------------------------------------------------------------------

void MainWindow::BuildActions() {
  for (const ui::Command& cmd : ui::CommandTable()) {
    auto* a = new QAction(CommandIcon(cmd.Name), FromCp936(cmd.Caption), this);
    a->setObjectName(QString::fromStdString(cmd.Name));
    a->setToolTip(FromCp936(cmd.Hint));
    if (!cmd.Key.empty()) {
      a->setShortcut(QKeySequence(QString::fromStdString(cmd.Key)));
      a->setShortcutContext(Qt::WindowShortcut);
    }
    const std::string name = cmd.Name;
    connect(a, &QAction::triggered, this, [this, name] { RunCommand(name); });
    actions_[name] = a;
    addAction(a);  // the keys work wherever the focus is in the window
  }
}

QAction* MainWindow::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::RunCommand(const std::string& name) {
  if (name == "ActionExit") {
    close();
    return;
  }
  c_.Run(name);
}

void MainWindow::BuildMenus() {
  menuBar()->setFont(SongTi(12));
  for (const ui::MenuLayout& m : ui::MainMenus()) {
    QMenu* menu = menuBar()->addMenu(FromCp936(m.Title));
    for (const std::string& e : m.Entries) {
      if (e == ui::kSeparator)
        menu->addSeparator();
      else if (QAction* a = Action(e))
        menu->addAction(a);
    }
    if (!fileMenu_) fileMenu_ = menu;
    if (m.Entries.front() == "ActionInsertGJ") {
      nodeMenu_ = menu;
      connect(menu, &QMenu::aboutToShow, this, [this] { c_.NodeMenuOpened(); });
    }
  }
}

void MainWindow::BuildToolBars() {
  for (const ui::MenuLayout& b : ui::ToolBars()) {
    QToolBar* bar = addToolBar(QString());
    bar->setMovable(true);
    bar->setIconSize(QSize(16, 16));
    bar->setFixedHeight(28);
    for (const std::string& e : b.Entries) {
      if (e == ui::kSeparator)
        bar->addSeparator();
      else if (QAction* a = Action(e))
        bar->addAction(a);
    }
  }
  QToolBar* quota = addToolBar(QString());
  quota->setFixedWidth(201);
  quotaBox_ = new QComboBox(quota);
  quotaBox_->setObjectName(QStringLiteral("ComboBox1"));
  quotaBox_->setFixedWidth(200);
  quotaBox_->setMaxVisibleItems(40);
  quotaBox_->setFont(SongTi(12));
  QPalette p = quotaBox_->palette();
  p.setColor(QPalette::Text, QColor(0, 0, 128));
  p.setColor(QPalette::ButtonText, QColor(0, 0, 128));
  quotaBox_->setPalette(p);
  quotaBox_->addItem(FromCp936(c_.QuotaBoxText()));
  quota->addWidget(quotaBox_);
}

QWidget* MainWindow::BuildLeftColumn() {
  auto* left = new QSplitter(Qt::Vertical, this);
  left->setMinimumWidth(200);
  left->setHandleWidth(5);

  QVBoxLayout* topLayout = nullptr;
  QHBoxLayout* bl = nullptr;
  QWidget* top = TitledPane(left, QStringLiteral(" 工程结构  "), topLayout, bl);
  QWidget* bar = bl->parentWidget();
  for (const char* name : {"ToolButton27", "ToolButton26"}) {
    auto* b = new QToolButton(bar);
    b->setDefaultAction(Action(name));
    b->setAutoRaise(true);
    bl->addWidget(b);
  }
  countBox_ = new QLineEdit(bar);
  countBox_->setObjectName(QStringLiteral("EdNum"));
  countBox_->setFixedWidth(40);
  countBox_->setFont(SongTi(14, true));
  connect(countBox_, &QLineEdit::textEdited, this, [this](const QString& t) {
    c_.Guarded([&] { c_.Tree().TypeCount(t.toStdString()); });
    countBox_->setText(FromCp936(c_.Tree().CountText()));
  });
  connect(countBox_, &QLineEdit::returnPressed, this, [this] {
    c_.Guarded([this] { c_.Tree().CountEnter(); });
    Changed();
  });
  bl->addWidget(countBox_);
  for (int step : {+1, -1}) {
    auto* b = new QToolButton(bar);
    b->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
    b->setAutoRaise(true);
    b->setFixedSize(14, 12);
    connect(b, &QToolButton::clicked, this, [this, step] {
      c_.Guarded([&] { c_.Tree().StepCount(step); });
      Changed();
    });
    bl->addWidget(b);
  }
  bl->addStretch(1);

  treeModel_ = new ProjectTreeModel(c_.Tree(), this);
  tree_ = new QTreeView(top);
  tree_->setObjectName(QStringLiteral("TV1"));
  tree_->setModel(treeModel_);
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(false);
  tree_->setFont(QFont(QStringLiteral("宋体"), 9));
  tree_->setMinimumHeight(150);
  tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  QPalette tp = tree_->palette();
  tp.setColor(QPalette::Base, kPaleYellow);
  tree_->setPalette(tp);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tree_, &QTreeView::customContextMenuRequested, this, &MainWindow::ShowTreeMenu);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& cur) {
    if (refreshing_) return;
    tree::TreeItem* item = treeModel_->Item(cur);
    if (item && item != c_.Tree().Selected()) c_.SelectNode(item);
  });
  connect(tree_, &QTreeView::expanded, this, [this](const QModelIndex& i) {
    if (tree::TreeItem* item = treeModel_->Item(i)) item->Expanded = true;
  });
  connect(tree_, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
    if (tree::TreeItem* item = treeModel_->Item(i)) item->Expanded = false;
  });
  connect(treeModel_, &ProjectTreeModel::renameRequested, this, [this](tree::TreeItem* item, const QString& text) {
    if (const auto t = TryToCp936(text))
      QMetaObject::invokeMethod(this, [this, item, name = *t] { c_.Rename(*item, name); }, Qt::QueuedConnection);
  });
  topLayout->addWidget(tree_, 1);

  QVBoxLayout* bottomLayout = nullptr;
  QHBoxLayout* ql = nullptr;
  QWidget* bottom = TitledPane(left, QStringLiteral(" 定 额 库  "), bottomLayout, ql);
  QWidget* qbar = ql->parentWidget();
  const char* modes[][2] = {{"添加", "自动添加记录模式"}, {"插入", "自动插入记录模式"}, {"修改", "自动修改记录模式"}};
  for (const auto& m : modes) {
    auto* b = new QToolButton(qbar);
    b->setText(QString::fromUtf8(m[0]));
    b->setToolTip(QString::fromUtf8(m[1]));
    b->setCheckable(true);
    b->setFixedWidth(30);
    // The record modes come with the quota libraries; "添加" stands down and disabled.
    b->setChecked(std::string(m[0]) == "添加");
    b->setEnabled(false);
    ql->addWidget(b);
  }
  ql->addStretch(1);
  quotaTree_ = new QTreeWidget(bottom);
  quotaTree_->setObjectName(QStringLiteral("TV2"));
  quotaTree_->setHeaderHidden(true);
  quotaTree_->setMinimumHeight(150);
  quotaTree_->setPalette(tp);
  quotaTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  bottomLayout->addWidget(quotaTree_, 1);

  left->addWidget(top);
  left->addWidget(bottom);
  left->setSizes({328, 300});
  return left;
}

QWidget* MainWindow::BuildRightArea() {
  auto* right = new QWidget(this);
  right->setMinimumWidth(150);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  QHBoxLayout* fl = nullptr;
  QWidget* bar = Bar(right, fl);
  auto* bracket = new QToolButton(bar);
  bracket->setDefaultAction(Action("Action_Qute"));
  bracket->setText(QStringLiteral("( )"));
  bracket->setPopupMode(QToolButton::MenuButtonPopup);
  auto* functions = new QMenu(bracket);
  for (const std::string& e : ui::FunctionMenu().Entries)
    if (QAction* a = Action(e)) functions->addAction(a);
  bracket->setMenu(functions);
  bracket->setFocusPolicy(Qt::NoFocus);
  fl->addWidget(bracket);
  auto* sep = new QFrame(bar);
  sep->setFrameShape(QFrame::VLine);
  fl->addWidget(sep);
  fieldBox_ = new QLineEdit(bar);
  fieldBox_->setObjectName(ui::kTargetFieldBox);
  fieldBox_->setFont(SongTi(14));
  fieldBox_->setValidator(new Cp936Validator(fieldBox_));
  connect(fieldBox_, &QLineEdit::textEdited, this, &MainWindow::FieldBoxEdited);
  connect(fieldBox_, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
  fl->addWidget(fieldBox_, 1);
  fl->addSpacing(50);
  layout->addWidget(bar);

  gridModel_ = new RecordGridModel(c_, this);
  grid_ = new RecordGridView(c_, *gridModel_, right);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QTableView::customContextMenuRequested, this, &MainWindow::ShowGridMenu);
  connect(grid_, &RecordGridView::coreChanged, this, [this] { RefreshBoxes(); });
  connect(grid_, &RecordGridView::formulaBoxRequested, this, &MainWindow::OpenFormulaBox);
  layout->addWidget(grid_, 1);

  // The formula-library panel: parameter grid, shape, formula items and the record's
  // annotation boxes. The formula library itself comes later; its parts stand empty.
  auto* panel = new QWidget(right);
  panel->setFixedHeight(213);
  auto* pl = new QVBoxLayout(panel);
  pl->setContentsMargins(0, 0, 0, 0);
  pl->setSpacing(0);
  auto* params = new QTableWidget(1, 8, panel);
  params->setObjectName(QStringLiteral("StrG"));
  params->setFixedHeight(60);
  params->setEnabled(false);
  parameterGrid_ = params;
  pl->addWidget(params);
  auto* lower = new QWidget(panel);
  lower->setFixedHeight(127);
  auto* ll = new QHBoxLayout(lower);
  ll->setContentsMargins(0, 0, 0, 0);
  // The current template's picture; black (an empty shape) until a library is loaded.
  shapeImage_ = new DbImage(QSize(120, 120), lower);
  shapeImage_->setObjectName(QStringLiteral("MyDBImage"));
  shapeImage_->setToolTip(QStringLiteral("点击后可选择相应的图形"));
  shapeImage_->SetPicField("Pic");
  shapeImage_->SetPicNameField("PicName");
  ll->addWidget(shapeImage_);
  auto* items = new QListWidget(lower);
  items->setToolTip(QStringLiteral("选择需要计算的项目"));
  ll->addWidget(items, 1);
  annotations_ = new AnnotationFields(c_, QString(), lower);
  annotations_->setFixedWidth(416);
  connect(annotations_, &AnnotationFields::recordChanged, this, [this] { gridModel_->Reload(); });
  ll->addWidget(annotations_);
  pl->addWidget(lower);
  auto* tabs = new QTabBar(panel);
  tabs->setShape(QTabBar::RoundedSouth);
  pl->addWidget(tabs);
  layout->addWidget(panel);

  formulaBox_ = new FormulaEditBox(right);
  formulaBox_->setObjectName(ui::kTargetFormulaBox);
  formulaBox_->setAcceptRichText(false);
  formulaBox_->setFont(SongTi(14));
  formulaBox_->setStyleSheet(QStringLiteral("color: blue; background: rgb(255, 255, 225)"));
  formulaBox_->hide();
  static_cast<FormulaEditBox*>(formulaBox_)->Closed = [this](bool moveOn) { CloseFormulaBox(moveOn); };
  connect(formulaBox_, &QTextEdit::textChanged, this, [this] {
    if (!formulaBox_->isVisible()) return;
    const std::size_t bytes = ToCp936Replacing(formulaBox_->toPlainText()).size();
    const QRect cell = grid_->visualRect(gridModel_->CurrentIndex());
    const ui::BoxSize s = ui::FormulaBoxSize(cell.width(), grid_->x(), bytes);
    formulaBox_->resize(s.Width, s.Height);
  });

  annotationPanel_ = new QFrame(right, Qt::Widget);
  auto* apl = new QHBoxLayout(annotationPanel_);
  apl->setContentsMargins(1, 1, 1, 1);
  panelFields_ = new AnnotationFields(c_, QStringLiteral("Panel"), annotationPanel_);
  connect(panelFields_, &AnnotationFields::recordChanged, this, [this] { gridModel_->Reload(); });
  apl->addWidget(panelFields_);
  auto* strip = new QToolButton(annotationPanel_);
  strip->setText(QStringLiteral("×"));
  strip->setFixedWidth(18);
  strip->setAutoRaise(true);
  connect(strip, &QToolButton::clicked, this, [this] {
    c_.HideAnnotationPanel();
    annotationPanel_->hide();
  });
  apl->addWidget(strip, 0, Qt::AlignTop);
  static_cast<QFrame*>(annotationPanel_)->setFrameShape(QFrame::Box);
  annotationPanel_->setAutoFillBackground(true);
  annotationPanel_->hide();

  // The shape picker: the thumbnails of the current group, floating over the window.
  shapePicker_ = new QFrame(this);
  shapePicker_->setObjectName(QStringLiteral("PnPic"));
  auto* ppl = new QVBoxLayout(shapePicker_);
  ppl->setContentsMargins(0, 0, 0, 0);
  picGrid_ = new PicDrawGrid(shapePicker_);
  picGrid_->setObjectName(QStringLiteral("PicGrid"));
  picGrid_->SetGuard([this](const std::function<void()>& f) { c_.Guarded(f); });
  connect(picGrid_, &PicDrawGrid::exited, shapePicker_, &QWidget::hide);
  ppl->addWidget(picGrid_);
  shapePicker_->setGeometry(QRect(QPoint(210, 140), picGrid_->sizeHint()));
  shapePicker_->hide();
  return right;
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setFixedHeight(24);
  const int widths[3] = {200, 150, 150};
  for (std::size_t i = 0; i < 3; ++i) {
    auto* l = new QLabel(bar);
    l->setFixedWidth(widths[i]);
    l->setAlignment(i < 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    l->setFont(QFont(QStringLiteral("宋体"), 9));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    l->setPalette(p);
    bar->addWidget(l);
    status_[i] = l;
  }
}

// --- Showing the core's state --------------------------------------------------

void MainWindow::RefreshCommands() {
  for (auto& [name, a] : actions_) a->setEnabled(c_.Enabled(name));
}

void MainWindow::RefreshTree() {
  refreshing_ = true;
  if (treeModel_->Refresh()) {
    // Expanded states live in the core's items.
    std::function<void(const QModelIndex&)> expand = [&](const QModelIndex& i) {
      tree::TreeItem* item = treeModel_->Item(i);
      if (!item) return;
      tree_->setExpanded(i, item->Expanded || !item->Parent());
      for (int r = 0; r < treeModel_->rowCount(i); ++r) expand(treeModel_->index(r, 0, i));
    };
    expand(treeModel_->index(0, 0));
  }
  const QModelIndex sel = treeModel_->IndexOf(c_.Tree().Selected());
  if (sel.isValid() && tree_->currentIndex() != sel) {
    for (QModelIndex p = sel.parent(); p.isValid(); p = p.parent()) tree_->expand(p);
    tree_->selectionModel()->setCurrentIndex(sel, QItemSelectionModel::ClearAndSelect);
  }
  tree_->viewport()->update();
  refreshing_ = false;
}

void MainWindow::RefreshBoxes() {
  ui::RecordGrid& g = c_.Grid();
  if (!fieldBox_->hasFocus()) {
    const int row = g.CurrentDisplayRow();
    fieldBox_->setText(row >= 1 ? FromCp936(g.CellText(row, g.Column())) : QString());
  }
  annotations_->Refresh();
  panelFields_->Refresh();
  if (!c_.FormulaBoxOpen() && formulaBox_->isVisible()) formulaBox_->hide();
  if (c_.AnnotationPanelShown() && !annotationPanel_->isVisible()) {
    const QRect cell = grid_->visualRect(gridModel_->CurrentIndex());
    QWidget* area = annotationPanel_->parentWidget();
    annotationPanel_->adjustSize();
    annotationPanel_->move(area->width() - annotationPanel_->width(), grid_->y() + cell.top() + 30);
    annotationPanel_->show();
    annotationPanel_->raise();
  } else if (!c_.AnnotationPanelShown() && annotationPanel_->isVisible()) {
    annotationPanel_->hide();
  }
}

void MainWindow::Changed() {
  if (!grid_) return;  // still being built
  setWindowTitle(FromCp936(c_.Caption()));
  for (std::size_t i = 0; i < 3; ++i) status_[i]->setText(FromCp936(c_.StatusPanels()[i]));
  RefreshCommands();
  RefreshTree();
  countBox_->setEnabled(c_.Tree().CountBoxEnabled());
  if (!countBox_->hasFocus()) countBox_->setText(FromCp936(c_.Tree().CountText()));
  gridModel_->Refresh(grid_->EditingIndex());
  RefreshBoxes();
}

void MainWindow::TreeRebuilt() {
  if (!treeModel_) return;
  treeModel_->Refresh(true);
  RefreshTree();
}

void MainWindow::RecentFilesChanged() {
  if (!fileMenu_) return;
  for (QAction* a : recentActions_) {
    fileMenu_->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  const std::vector<std::string>& recent = c_.RecentFiles();
  for (std::size_t i = 0; i < recent.size(); ++i) {
    auto* a = new QAction(FromCp936(recent[i]), fileMenu_);
    connect(a, &QAction::triggered, this, [this, i] { c_.OpenRecentFile(i); });
    fileMenu_->addAction(a);
    recentActions_.push_back(a);
  }
}

// --- The boxes around the grid -------------------------------------------------

void MainWindow::FieldBoxEdited(const QString& text) {
  const std::optional<std::string> t = TryToCp936(text);
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(c_.Grid().Column())];
  if (!t || col.ReadOnly) return;
  c_.Guarded([&] { c_.Grid().SetField(col.Field, *t); });
  gridModel_->Reload();
  annotations_->Refresh();
}

void MainWindow::OpenFormulaBox() {
  const QModelIndex cur = gridModel_->CurrentIndex();
  const QRect cell = grid_->visualRect(cur);
  const QPoint at = grid_->viewport()->mapTo(formulaBox_->parentWidget(), cell.topLeft());
  const QString text = FromCp936(c_.Grid().CellText(c_.Grid().CurrentDisplayRow(), c_.FormulaBoxColumn()));
  formulaBox_->setPlainText(text);
  const ui::BoxSize s = ui::FormulaBoxSize(cell.width(), grid_->x(), ToCp936Replacing(text).size());
  formulaBox_->setGeometry(at.x(), at.y(), s.Width, s.Height);
  formulaBox_->show();
  formulaBox_->raise();
  formulaBox_->setFocus();
  formulaBox_->moveCursor(QTextCursor::End);
}

void MainWindow::CloseFormulaBox(bool moveOn) {
  if (!formulaBox_->isVisible()) return;
  formulaBox_->hide();
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(c_.FormulaBoxColumn())];
  if (const auto t = TryToCp936(formulaBox_->toPlainText())) {
    if (*t != c_.Grid().CellText(c_.Grid().CurrentDisplayRow(), c_.FormulaBoxColumn()))
      c_.Guarded([&] { c_.Grid().SetField(col.Field, *t); });
  }
  if (moveOn) {
    c_.FormulaBoxEnter();
    grid_->setFocus();
  } else {
    c_.CloseFormulaBox();
  }
  gridModel_->Reload();
}

void MainWindow::ShowTreeMenu(const QPoint& at) {
  c_.NodeMenuOpened();
  QMenu menu(this);
  for (const std::string& e : ui::TreePopupMenu().Entries) {
    if (e == ui::kSeparator)
      menu.addSeparator();
    else if (QAction* a = Action(e))
      menu.addAction(a);
  }
  menu.exec(tree_->viewport()->mapToGlobal(at));
}

void MainWindow::ShowGridMenu(const QPoint& at) {
  const QModelIndex i = grid_->indexAt(at);
  if (i.isValid() && (i.column() < ui::kColumnCode || i.column() > ui::kColumnValue)) return;
  QMenu menu(this);
  for (const std::string& e : ui::GridPopupMenu().Entries) {
    if (e == ui::kSeparator)
      menu.addSeparator();
    else if (QAction* a = Action(e))
      menu.addAction(a);
  }
  menu.exec(grid_->viewport()->mapToGlobal(at));
}

// --- Start, hand-over, close ---------------------------------------------------

void MainWindow::FirstShown(const std::optional<std::string>& argument) { c_.FirstShown(argument); }

void MainWindow::HandOver(const QString& path) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  const std::optional<std::string> p = TryToCp936(path);
  if (!p) {
    host_.MessageBox(text::Gbk("用户文件的路径含有无法使用的字符。"), platform::MsgCaption::Warning,
                     platform::MsgIcon::Warning, platform::MsgButtons::Ok);
    return;
  }
  c_.HandOver(*p);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (c_.Closed() || c_.Close()) {
    timer_->stop();
    for (QWidget* w : {variablesWindow_.data(), symbolPalette_.data()})
      if (w) w->close();
    event->accept();
  } else {
    event->ignore();
  }
}

// --- MainWindowHooks -----------------------------------------------------------

void MainWindow::OpenToolWindow(const QString& className) {
  if (className == QLatin1String("TfmAbout")) {
    AboutDialog about(this);
    about.exec();
    return;
  }
  QPointer<QWidget>* slot = className == QLatin1String("TfmVal")       ? &variablesWindow_
                            : className == QLatin1String("TfmFhAndWj") ? &symbolPalette_
                                                                       : nullptr;
  if (!slot) return;  // the door and window window comes later
  if (!*slot) *slot = className == QLatin1String("TfmVal") ? CreateVariablesWindow(c_, this) : CreateSymbolPalette(c_, this);
  (*slot)->show();
  (*slot)->setWindowState((*slot)->windowState() & ~Qt::WindowMinimized);
  (*slot)->raise();
}

QWidget* MainWindow::ControlNamed(const QString& objectName) {
  if (objectName.isEmpty()) return nullptr;
  return findChild<QWidget*>(objectName);
}

platform::FocusControl MainWindow::FocusedControl() {
  QWidget* f = QApplication::focusWidget();
  auto within = [f](QWidget* w) { return f && w && (f == w || w->isAncestorOf(f)); };
  if (within(grid_)) return platform::FocusControl::RecordGrid;
  if (within(parameterGrid_)) return platform::FocusControl::ParameterGrid;
  if (within(quotaTree_)) return platform::FocusControl::QuotaTree;
  return platform::FocusControl::Other;
}

void MainWindow::FocusControl(platform::FocusControl control) {
  switch (control) {
    case platform::FocusControl::RecordGrid: grid_->setFocus(); break;
    case platform::FocusControl::ParameterGrid: parameterGrid_->setFocus(); break;
    case platform::FocusControl::QuotaTree: quotaTree_->setFocus(); break;
    case platform::FocusControl::Other: break;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // The commands' keys come before the focused control's own (a text box would
      // otherwise keep Ctrl+C, Ctrl+V, Insert ... to itself).
      auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence seq(key->keyCombination());
      for (auto& [name, a] : actions_)
        if (name != "ActionTextUnDo" && a->isEnabled() && a->shortcut() == seq &&
            isAncestorOf(qobject_cast<QWidget*>(watched)))
          return true;
      break;
    }
    case QEvent::FocusIn:
    case QEvent::MouseButtonRelease:
      if (auto* w = qobject_cast<QWidget*>(watched)) {
        if (w == fieldBox_ || w == formulaBox_ || w == parameterGrid_ || w == grid_)
          c_.NoteInsertionTarget(w->objectName().toStdString());
      }
      break;
    case QEvent::FocusOut:
      if (watched == fieldBox_) {
        c_.Guarded([this] { c_.Grid().Leave(); });
        gridModel_->Reload();
      }
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace takeoff::qtui
