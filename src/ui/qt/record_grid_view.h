#pragma once
// The record grid: a table view over RecordGridModel. Keys and clicks go to the
// core's RecordGrid and MainController (Enter and Tab movement with appending, the
// formula edit box, the annotation panel, the "…" button); the view only follows.
#include <QStyledItemDelegate>
#include <QTableView>

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

class RecordGridModel;

// The cell editors: a text box that refuses characters outside the code page, a
// pick list for the unit, and a "…" button for code and name.
class RecordCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  explicit RecordCellDelegate(ui::MainController& controller, QObject* parent = nullptr);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
  void buttonClicked(int column) const;

protected:
  // The model's colours, then the focused cell's own look over them.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
  ui::MainController& c_;
};

class RecordGridView : public QTableView {
  Q_OBJECT
public:
  RecordGridView(ui::MainController& controller, RecordGridModel& model, QWidget* parent = nullptr);

  // The view's current cell and selection from the core.
  void FollowCore();
  // The cell whose editor is open; invalid when none is.
  QModelIndex EditingIndex() const { return state() == EditingState ? currentIndex() : QModelIndex(); }

signals:
  // The core's grid moved or changed: the boxes around the grid follow.
  void coreChanged();
  void formulaBoxRequested();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void focusOutEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void Advance(bool tab);

  ui::MainController& c_;
  RecordGridModel& model_;
  bool following_ = false;
};

}  // namespace takeoff::qtui
