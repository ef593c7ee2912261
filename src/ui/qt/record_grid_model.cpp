#include "ui/qt/record_grid_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "ui/main_controller.h"
#include "ui/qt/fonts.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {
namespace {

QColor ToQColor(const ui::Rgb& c) { return QColor(c.R, c.G, c.B); }

}  // namespace

RecordGridModel::RecordGridModel(ui::MainController& controller, QObject* parent)
    : QAbstractTableModel(parent), c_(controller) {
  c_.Data().dataCDataset.AddObserver(this);
  rows_ = c_.Grid().DisplayRowCount();
}

RecordGridModel::~RecordGridModel() { c_.Data().dataCDataset.RemoveObserver(this); }

int RecordGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RecordGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ui::RecordColumns().size());
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= c_.Grid().DisplayRowCount()) return {};
  ui::RecordGrid& g = c_.Grid();
  const int row = index.row() + 1;
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return WithAxisLabelStandIns(FromCp936(g.CellText(row, index.column())));
    case Qt::EditRole:
      return FromCp936(g.CellText(row, index.column()));
    case Qt::ForegroundRole: {
      const ui::CellLook look = g.Look(row, index.column(), false);
      if (look.Text) return QBrush(ToQColor(*look.Text));
      if (col.Text) return QBrush(ToQColor(*col.Text));
      return {};
    }
    case Qt::BackgroundRole: {
      const ui::CellLook look = g.Look(row, index.column(), false);
      if (look.Background) return QBrush(ToQColor(*look.Background));
      if (col.Background) return QBrush(ToQColor(*col.Background));
      return {};
    }
    case Qt::TextAlignmentRole:
      return col.Centred ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return FromCp936(col.Title);
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignCenter);
  if (role == Qt::FontRole) {
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(col.TitleHeight);
    return f;
  }
  return {};
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!ui::RecordColumns()[static_cast<std::size_t>(index.column())].ReadOnly) f |= Qt::ItemIsEditable;
  return f;
}

bool RecordGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  const ui::GridColumn& col = ui::RecordColumns()[static_cast<std::size_t>(index.column())];
  if (col.ReadOnly) return false;
  const std::optional<std::string> text = TryToCp936(value.toString());
  if (!text) return false;  // the editors refuse such characters already
  ui::RecordGrid& g = c_.Grid();
  if (g.CellText(index.row() + 1, index.column()) == *text) return true;  // nothing typed
  if (g.RecordOfDisplayRow(index.row() + 1) != g.Row() && g.RecordOfDisplayRow(index.row() + 1) != 0)
    c_.Guarded([&] { g.GoToRow(g.RecordOfDisplayRow(index.row() + 1)); });
  committing_ = true;
  c_.Guarded([&] { g.SetField(col.Field, *text); });
  committing_ = false;
  if (rows_ != g.DisplayRowCount())
    ReloadSoon();
  else
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  return true;
}

QModelIndex RecordGridModel::CurrentIndex() const {
  const int row = c_.Grid().CurrentDisplayRow();
  if (row < 1 || row > rows_) return {};
  return index(row - 1, c_.Grid().Column());
}

void RecordGridModel::Reload() {
  beginResetModel();
  rows_ = c_.Grid().DisplayRowCount();
  endResetModel();
  emit currentMoved();
}

void RecordGridModel::Refresh(const QModelIndex& editing) {
  if (!editing.isValid() || rows_ != c_.Grid().DisplayRowCount() || editing != CurrentIndex()) return Reload();
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void RecordGridModel::ReloadSoon() {
  if (reloadPending_) return;
  reloadPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        reloadPending_ = false;
        Reload();
      },
      Qt::QueuedConnection);
}

void RecordGridModel::TableReset(data::Table&) { committing_ ? ReloadSoon() : Reload(); }

void RecordGridModel::RowChanged(data::Table&, int recNo) {
  if (rows_ != c_.Grid().DisplayRowCount()) return committing_ ? ReloadSoon() : Reload();
  if (recNo >= 1 && recNo <= rows_) emit dataChanged(index(recNo - 1, 0), index(recNo - 1, columnCount() - 1));
}

void RecordGridModel::StateChanged(data::Table&) {
  if (rows_ != c_.Grid().DisplayRowCount()) return committing_ ? ReloadSoon() : Reload();
  const int row = c_.Grid().CurrentDisplayRow();
  if (row >= 1 && row <= rows_) emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1));
}

}  // namespace takeoff::qtui
