#pragma once
// The record grid's item model: shows the core's RecordGrid (the current node's
// records in view) and forwards typing into a cell. Only the rows on screen are
// fetched, as the view asks for them.
#include <QAbstractTableModel>

#include "data/table.h"

namespace takeoff::ui { class MainController; }

namespace takeoff::qtui {

class RecordGridModel : public QAbstractTableModel, public data::TableObserver {
  Q_OBJECT
public:
  explicit RecordGridModel(ui::MainController& controller, QObject* parent = nullptr);
  ~RecordGridModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // The view's current cell for the core's current record and column.
  QModelIndex CurrentIndex() const;
  // Everything is shown anew (after a command changed the view's rows).
  void Reload();
  // Shows the core's state again. While a cell editor is open on `editing` and the
  // rows and the current cell stand as they were, the rows are repainted in place
  // instead of reset, so the editor and its text survive (the timer's refresh).
  void Refresh(const QModelIndex& editing);

  // data::TableObserver.
  void TableReset(data::Table&) override;
  void RowChanged(data::Table&, int recNo) override;
  void StateChanged(data::Table&) override;

signals:
  // The core's current record or row count changed under the view.
  void currentMoved();

private:
  // A reload while the view is committing an editor waits for the event loop.
  void ReloadSoon();

  ui::MainController& c_;
  int rows_ = 0;  // the row count the view was last told
  bool committing_ = false;
  bool reloadPending_ = false;
};

}  // namespace takeoff::qtui
