#include "ui/qt/variables_window_widget.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <functional>

#include "data/data_module.h"
#include "data/table.h"
#include "ui/main_controller.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {
namespace {

using ui::TableColumn;
using ui::VariablesPage;
using ui::VariablesWindow;

// One page's grid: the rows the core shows for the page's table. Typing into a cell
// goes to the core; every change of the table is shown again.
class PageModel : public QAbstractTableModel, public data::TableObserver {
public:
  PageModel(ui::MainController& c, VariablesWindow& core, VariablesPage page, data::Table& table,
            std::vector<TableColumn> columns, QObject* parent)
      : QAbstractTableModel(parent), c_(c), core_(core), page_(page), table_(table), columns_(std::move(columns)) {
    rows_ = core_.GridRowCount(page_);
    table_.AddObserver(this);
  }
  ~PageModel() override { table_.RemoveObserver(this); }

  // Called after the model showed a change: the view's current cell follows the core.
  std::function<void()> Changed;

  VariablesPage Page() const { return page_; }
  const TableColumn& Column(int i) const { return columns_[static_cast<std::size_t>(i)]; }
  // The column showing `field`, -1 when none does.
  int ColumnOf(const std::string& field) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (columns_[i].Field == field) return static_cast<int>(i);
    return -1;
  }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return FromCp936(core_.GridCellText(page_, index.row() + 1, Column(index.column()).Field));
      case Qt::TextAlignmentRole:
        return Column(index.column()).Centred ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return FromCp936(Column(section).Title);
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignCenter);
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (page_ == VariablesPage::UserVariables && !Column(index.column()).ReadOnly) f |= Qt::ItemIsEditable;
    return f;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || !index.isValid() || page_ != VariablesPage::UserVariables) return false;
    const std::optional<std::string> text = TryToCp936(value.toString());
    if (!text) return false;  // the editor refuses such characters already
    committing_ = true;
    c_.Guarded([&] { core_.SetVariableField(index.row() + 1, Column(index.column()).Field, *text); });
    committing_ = false;
    ShowSoon();
    return true;
  }

  // Shows the table anew: a reset when the row count changed, else every cell.
  void Show() {
    const int rows = core_.GridRowCount(page_);
    if (rows != rows_) {
      beginResetModel();
      rows_ = rows;
      endResetModel();
    } else if (rows_ > 0) {
      emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    }
    if (Changed) Changed();
  }

  // data::TableObserver. While the view commits an editor the model must not reset
  // under it: the change is shown once the commit is over.
  void TableReset(data::Table&) override { Notify(); }
  void RowChanged(data::Table&, int) override { Notify(); }
  void CursorMoved(data::Table&, int) override { Notify(); }
  void StateChanged(data::Table&) override { Notify(); }

private:
  void Notify() { committing_ ? ShowSoon() : Show(); }
  void ShowSoon() {
    if (pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          pending_ = false;
          Show();
        },
        Qt::QueuedConnection);
  }

  ui::MainController& c_;
  VariablesWindow& core_;
  VariablesPage page_;
  data::Table& table_;
  std::vector<TableColumn> columns_;
  int rows_ = 0;  // the row count the view was last told
  bool committing_ = false;
  bool pending_ = false;
};

// Cell editors that refuse characters outside the code page; the selected cell is
// drawn on the highlight colour in yellow bold.
class PageDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* box = qobject_cast<QLineEdit*>(editor)) box->setValidator(new Cp936Validator(box));
    return editor;
  }

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->state & QStyle::State_Selected)) return;
    option->font.setBold(true);
    const QColor highlight = option->palette.color(QPalette::Active, QPalette::Highlight);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
      option->palette.setColor(g, QPalette::Highlight, highlight);
      option->palette.setColor(g, QPalette::HighlightedText, Qt::yellow);
    }
  }
};

// A page's grid: moving to another row moves the table's cursor through the core,
// and on the variables page Enter moves on as the core says.
class PageView : public QTableView {
public:
  PageView(ui::MainController& c, VariablesWindow& core, PageModel& model, QWidget* parent)
      : QTableView(parent), c_(c), core_(core), model_(model) {
    setModel(&model_);
    setItemDelegate(new PageDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A double click inserts the reference; editing starts by typing or F2.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setVisible(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    model_.Changed = [this] { FollowCore(); };
    FollowCore();
  }

  // The field of the selected column, "" when no cell is selected.
  std::string SelectedField() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? model_.Column(i.column()).Field : std::string();
  }

  // An open cell editor hands its text to the table (before the window closes).
  void CommitEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    QWidget* editor = QApplication::focusWidget();
    if (!editor || !viewport()->isAncestorOf(editor)) return;
    commitData(editor);
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
  }

  // The current cell on the core's current row, in the column `column` (the
  // current column when -1).
  void FollowCore(int column = -1) {
    if (column < 0) column = std::max(0, currentIndex().column());
    const int row = core_.CurrentGridRow(model_.Page());
    if (row < 1 || row > model_.rowCount()) return;
    const QModelIndex target = model_.index(row - 1, column);
    if (target == currentIndex() && selectionModel()->isSelected(target)) return;
    following_ = true;
    setCurrentIndex(target);
    following_ = false;
  }

protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid() || current.row() == previous.row()) return;
    bool moved = false;
    c_.Guarded([&] {
      core_.SelectGridRow(model_.Page(), current.row() + 1);
      moved = true;
    });
    // A refused move (the pending edit could not be stored) puts the cell back.
    if (!moved)
      QMetaObject::invokeMethod(this, [this, column = current.column()] { FollowCore(column); }, Qt::QueuedConnection);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (model_.Page() == VariablesPage::UserVariables &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
      // While a cell is edited its editor commits first and Enter moves on from
      // closeEditor.
      if (state() != QAbstractItemView::EditingState) Advance();
      event->accept();
      return;
    }
    QTableView::keyPressEvent(event);
  }

  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
    QTableView::closeEditor(editor, hint);
    // The editor's Enter: the cell was committed, now move on.
    if (hint == QAbstractItemDelegate::SubmitModelCache && model_.Page() == VariablesPage::UserVariables) Advance();
  }

private:
  void Advance() {
    const QModelIndex i = currentIndex();
    const std::string field = model_.Column(i.isValid() ? i.column() : 0).Field;
    std::string next = field;
    c_.Guarded([&] { next = core_.EnterKey(field); });
    model_.Show();
    FollowCore(std::max(0, model_.ColumnOf(next)));
  }

  ui::MainController& c_;
  VariablesWindow& core_;
  PageModel& model_;
  bool following_ = false;
};

PageView* AsPageView(QTableView* v) { return static_cast<PageView*>(v); }

}  // namespace

VariablesWindowWidget::VariablesWindowWidget(ui::MainController& controller, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      c_(controller), core_(controller.Data(), controller.Host(), controller.InsertionTarget()) {
  setObjectName(QString::fromLatin1(VariablesWindow::ClassName()));
  setWindowTitle(FromCp936(VariablesWindow::Caption()));
  resize(560, 320);

  menu_ = new QMenu(this);
  addAction_ = menu_->addAction(QStringLiteral("添加变量"), this, [this] { Run(&VariablesWindow::AddVariable); });
  insertAction_ = menu_->addAction(QStringLiteral("插入变量"), this, [this] { Run(&VariablesWindow::InsertVariable); });
  deleteAction_ = menu_->addAction(QStringLiteral("删除变量"), this, [this] { Run(&VariablesWindow::DeleteVariable); });
  menu_->addAction(QStringLiteral("调用变量"), this, [this] { InsertReference(); });

  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setToolTip(FromCp936(VariablesWindow::PagesHint()));
  variables_ = AddPage(VariablesPage::UserVariables, VariablesWindow::VariableColumns());
  variables_->setToolTip(FromCp936(VariablesWindow::VariablesHint()));
  openings_ = AddPage(VariablesPage::OpeningParameters, VariablesWindow::OpeningColumns());
  openings_->setToolTip(FromCp936(VariablesWindow::OpeningsHint()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  layout->addWidget(pages_, 1);

  auto* buttons = new QHBoxLayout;
  auto button = [&](const QString& text, const QString& hint) {
    auto* b = new QPushButton(text, this);
    if (!hint.isEmpty()) b->setToolTip(hint);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  add_ = button(QStringLiteral("添加"), QStringLiteral("新增"));
  delete_ = button(QStringLiteral("删除"), {});
  insert_ = button(QStringLiteral("插入"), QStringLiteral("当前位置插入变量"));
  QPushButton* close = button(QStringLiteral("关闭"), {});
  call_ = button(QStringLiteral("调用"), QStringLiteral("调用变量"));
  layout->addLayout(buttons);
  connect(add_, &QPushButton::clicked, this, [this] { Run(&VariablesWindow::AddVariable); });
  connect(delete_, &QPushButton::clicked, this, [this] { Run(&VariablesWindow::DeleteVariable); });
  connect(insert_, &QPushButton::clicked, this, [this] { Run(&VariablesWindow::InsertVariable); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(call_, &QPushButton::clicked, this, [this] { InsertReference(); });

  connect(pages_, &QTabWidget::currentChanged, this, &VariablesWindowWidget::PageChanged);
  PageChanged(pages_->currentIndex());
}

// The grids and their models go before the core they show.
VariablesWindowWidget::~VariablesWindowWidget() { delete pages_; }

QTableView* VariablesWindowWidget::AddPage(VariablesPage page, const std::vector<TableColumn>& columns) {
  data::Table& table = page == VariablesPage::UserVariables ? c_.Data().DataSetVal : c_.Data().DataWindows;
  auto* model = new PageModel(c_, core_, page, table, columns, nullptr);
  auto* view = new PageView(c_, core_, *model, pages_);
  model->setParent(view);
  connect(view, &QTableView::doubleClicked, this, [this] { InsertReference(); });
  connect(view, &QTableView::customContextMenuRequested, this,
          [this, view](const QPoint& at) { menu_->popup(view->viewport()->mapToGlobal(at)); });
  pages_->addTab(view, FromCp936(VariablesWindow::PageTitle(page)));
  return view;
}

QTableView* VariablesWindowWidget::CurrentGrid() const { return pages_->currentIndex() == 0 ? variables_ : openings_; }

void VariablesWindowWidget::PageChanged(int index) {
  AsPageView(variables_)->CommitEditor();
  core_.SetPage(index == 0 ? VariablesPage::UserVariables : VariablesPage::OpeningParameters);
  const bool editing = core_.EditCommandsEnabled();
  for (QPushButton* b : {add_, delete_, insert_}) b->setEnabled(editing);
  for (QAction* a : {addAction_, insertAction_, deleteAction_}) a->setEnabled(editing);
}

void VariablesWindowWidget::Run(void (VariablesWindow::*command)()) {
  AsPageView(variables_)->CommitEditor();
  c_.Guarded([&] { (core_.*command)(); });
}

void VariablesWindowWidget::InsertReference() {
  auto* grid = AsPageView(CurrentGrid());
  grid->CommitEditor();
  const std::string field = grid->SelectedField();
  c_.Guarded([&] { core_.InsertVariableReference(field); });
}

void VariablesWindowWidget::closeEvent(QCloseEvent* event) {
  AsPageView(variables_)->CommitEditor();
  bool stored = false;
  c_.Guarded([&] {
    core_.Close();
    stored = true;
  });
  // A pending edit that cannot be stored keeps the window open, its message shown.
  if (stored)
    event->accept();
  else
    event->ignore();
}

}  // namespace takeoff::qtui
