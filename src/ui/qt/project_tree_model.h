#pragma once
// The project tree's item model: shows the core's ProjectTree. Items carry their
// TreeItem; the model is reset whenever the tree's revision moved on.
#include <QAbstractItemModel>

#include <cstdint>

namespace takeoff::tree {
class ProjectTree;
class TreeItem;
}  // namespace takeoff::tree

namespace takeoff::qtui {

class ProjectTreeModel : public QAbstractItemModel {
  Q_OBJECT
public:
  explicit ProjectTreeModel(tree::ProjectTree& tree, QObject* parent = nullptr);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  tree::TreeItem* Item(const QModelIndex& index) const;
  QModelIndex IndexOf(const tree::TreeItem* item) const;

  // Resets the model when the tree changed since the last time; true when it did.
  bool Refresh(bool force = false);

signals:
  // An in-place edit asks to rename `item`.
  void renameRequested(tree::TreeItem* item, const QString& text);

private:
  tree::ProjectTree& tree_;
  std::uint64_t revision_ = 0;
  const void* root_ = nullptr;
};

}  // namespace takeoff::qtui
