#include "ui/qt/record_grid_view.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "ui/main_controller.h"
#include "ui/qt/fonts.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/record_grid_model.h"

namespace takeoff::qtui {

RecordCellDelegate::RecordCellDelegate(ui::MainController& controller, QObject* parent)
    : QStyledItemDelegate(parent), c_(controller) {}

QWidget* RecordCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(index.column())];
  if (!col.PickList.empty()) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    for (const std::string& s : col.PickList) box->addItem(FromCp936(s));
    box->lineEdit()->setValidator(new Cp936Validator(box));
    return box;
  }
  auto* edit = new QLineEdit(parent);
  edit->setValidator(new Cp936Validator(edit));
  edit->setFrame(false);
  if (col.Button) {
    QAction* more = edit->addAction(QIcon(), QLineEdit::TrailingPosition);
    more->setText(QStringLiteral("…"));
    more->setToolTip(QStringLiteral("…"));
    const int column = index.column();
    connect(more, &QAction::triggered, this, [this, column] { emit buttonClicked(column); });
  }
  return edit;
}

void RecordCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QString text = index.data(Qt::EditRole).toString();
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    box->setEditText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    // An editor opened by a typed key receives the key after this: start empty then.
    if (edit->text().isEmpty()) edit->setText(text);
  }
}

void RecordCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* box = qobject_cast<QComboBox*>(editor))
    model->setData(index, box->currentText(), Qt::EditRole);
  else if (auto* edit = qobject_cast<QLineEdit*>(editor))
    model->setData(index, edit->text(), Qt::EditRole);
}

void RecordCellDelegate::initStyleOption(QStyleOptionViewItem* opt, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(opt, index);
  if ((opt->state & QStyle::State_HasFocus) == 0) return;
  const ui::CellLook look = c_.Grid().Look(index.row() + 1, index.column(), true);
  if (!look.Background || !look.Text) return;
  const QColor background(look.Background->R, look.Background->G, look.Background->B);
  const QColor text(look.Text->R, look.Text->G, look.Text->B);
  opt->backgroundBrush = background;
  opt->palette.setColor(QPalette::Text, text);
  opt->palette.setColor(QPalette::HighlightedText, text);
  opt->palette.setColor(QPalette::Highlight, background);
}

// ---------------------------------------------------------------------------

RecordGridView::RecordGridView(ui::MainController& controller, RecordGridModel& model, QWidget* parent)
    : QTableView(parent), c_(controller), model_(model) {
  setObjectName(ui::kTargetGrid);
  setModel(&model);
  auto* delegate = new RecordCellDelegate(controller, this);
  setItemDelegate(delegate);
  connect(delegate, &RecordCellDelegate::buttonClicked, this, [this](int column) {
    c_.CellButtonClicked(column);
    emit coreChanged();
  });
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
  setTabKeyNavigation(false);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(18);
  horizontalHeader()->setHighlightSections(false);
  QFont cells(QStringLiteral("宋体"), 9);
  setFont(cells);
  setToolTip(QStringLiteral("表达式中允许嵌入自定义变量及[带方括号的注释]"));
  for (std::size_t i = 0; i < ui::RecordColumns().size(); ++i)
    setColumnWidth(static_cast<int>(i), ui::RecordColumns()[i].Width);
  connect(&model, &RecordGridModel::currentMoved, this, &RecordGridView::FollowCore);
}

void RecordGridView::FollowCore() {
  following_ = true;
  const QModelIndex cur = model_.CurrentIndex();
  if (cur.isValid() && cur != currentIndex()) selectionModel()->setCurrentIndex(cur, QItemSelectionModel::NoUpdate);
  QItemSelection sel;
  for (int r : c_.Grid().Selected()) {
    const QModelIndex a = model_.index(r - 1, 0), b = model_.index(r - 1, model_.columnCount() - 1);
    if (a.isValid()) sel.select(a, b);
  }
  selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
  following_ = false;
  viewport()->update();
  emit coreChanged();
}

void RecordGridView::Advance(bool tab) {
  c_.Guarded([&] { tab ? c_.Grid().Tab() : c_.Grid().Enter(); });
  model_.Reload();
}

void RecordGridView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && state() != EditingState) return Advance(false);
  if (key == Qt::Key_Tab && state() != EditingState) return Advance(true);
  QTableView::keyPressEvent(event);
}

void RecordGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
  if (hint == QAbstractItemDelegate::SubmitModelCache)
    QMetaObject::invokeMethod(this, [this] { Advance(false); }, Qt::QueuedConnection);
  else if (hint == QAbstractItemDelegate::EditNextItem)
    QMetaObject::invokeMethod(this, [this] { Advance(true); }, Qt::QueuedConnection);
}

void RecordGridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  // Focus going to the cell editor stays in the grid.
  QWidget* to = QApplication::focusWidget();
  if (state() == EditingState || (to && isAncestorOf(to))) return;
  c_.Guarded([this] { c_.Grid().Leave(); });
  model_.Reload();
}

void RecordGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (following_ || !current.isValid()) return;
  ui::RecordGrid& g = c_.Grid();
  g.SetColumn(current.column());
  const int record = g.RecordOfDisplayRow(current.row() + 1);
  if (current.row() != previous.row() && record > 0 && record != g.Row()) {
    c_.Guarded([&] { g.GoToRow(record); });
    QMetaObject::invokeMethod(&model_, [this] { model_.Reload(); }, Qt::QueuedConnection);
  }
  emit coreChanged();
}

void RecordGridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  if (following_) return;
  std::vector<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) {
    const int r = c_.Grid().RecordOfDisplayRow(i.row() + 1);
    if (r > 0) rows.push_back(r);
  }
  c_.Grid().SetSelected(std::move(rows));
}

void RecordGridView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (!at.isValid()) return QTableView::mouseDoubleClickEvent(event);
  c_.CellDoubleClicked(c_.Grid().RecordOfDisplayRow(at.row() + 1), at.column());
  if (c_.FormulaBoxOpen()) emit formulaBoxRequested();
}

void RecordGridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid()) c_.CellClicked(at.row() + 1, at.column());
  c_.NoteInsertionTarget(ui::kTargetGrid);
  emit coreChanged();
}

}  // namespace takeoff::qtui
