#include "ui/qt/project_tree_model.h"

#include "tree/project_tree.h"
#include "ui/qt/icons.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

ProjectTreeModel::ProjectTreeModel(tree::ProjectTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), revision_(tree.Revision()), root_(tree.Root()) {}

tree::TreeItem* ProjectTreeModel::Item(const QModelIndex& index) const {
  return index.isValid() ? static_cast<tree::TreeItem*>(index.internalPointer()) : nullptr;
}

QModelIndex ProjectTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 && tree_.Root() ? createIndex(0, 0, tree_.Root()) : QModelIndex();
  tree::TreeItem* p = Item(parent);
  if (!p || row >= p->Count()) return {};
  return createIndex(row, 0, p->Child(row));
}

QModelIndex ProjectTreeModel::parent(const QModelIndex& child) const {
  tree::TreeItem* item = Item(child);
  if (!item || !item->Parent()) return {};
  tree::TreeItem* p = item->Parent();
  return createIndex(p->Parent() ? p->Index() : 0, 0, p);
}

int ProjectTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return tree_.Root() ? 1 : 0;
  const tree::TreeItem* p = Item(parent);
  return p ? p->Count() : 0;
}

int ProjectTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ProjectTreeModel::data(const QModelIndex& index, int role) const {
  const tree::TreeItem* item = Item(index);
  if (!item) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return FromCp936(item->Text);
    case Qt::DecorationRole:
      return NodeIcon(item == tree_.Selected() ? tree::SelectedImageIndex(*item) : item->ImageIndex);
    default:
      return {};
  }
}

Qt::ItemFlags ProjectTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool ProjectTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  tree::TreeItem* item = Item(index);
  if (!item || role != Qt::EditRole) return false;
  emit renameRequested(item, value.toString());
  return true;
}

QModelIndex ProjectTreeModel::IndexOf(const tree::TreeItem* item) const {
  if (!item) return {};
  if (!item->Parent()) return createIndex(0, 0, const_cast<tree::TreeItem*>(item));
  return createIndex(item->Index(), 0, const_cast<tree::TreeItem*>(item));
}

bool ProjectTreeModel::Refresh(bool force) {
  if (!force && tree_.Revision() == revision_ && tree_.Root() == root_) return false;
  beginResetModel();
  revision_ = tree_.Revision();
  root_ = tree_.Root();
  endResetModel();
  return true;
}

}  // namespace takeoff::qtui
