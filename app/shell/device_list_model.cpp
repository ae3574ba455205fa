#include "shell/device_list_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>

#include "device/board_list.h"
#include "resources/string_table.h"
#include "shell/device_row.h"

namespace tav {

DeviceListModel::DeviceListModel(const CBoardCtrl& boards, QObject* parent)
    : QAbstractTableModel(parent), boards_(boards) {}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(kDeviceListHeaders.size());
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= int(rows_.size()) || index.column() >= 5) return {};
  const Row& row = rows_[std::size_t(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return row.texts[std::size_t(index.column())];
    case Qt::UserRole:
      return row.board;
    case Qt::BackgroundRole:
    case Qt::ToolTipRole: {
      const auto tip = tips_.find(row.board);
      if (tip == tips_.end()) return {};
      // Amber over the list's own base: readable under light and dark palettes alike.
      if (role == Qt::BackgroundRole) return QBrush(QColor(255, 152, 0, 96));
      return tip->second;
    }
    default:
      return {};
  }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= 5) return {};
  if (role == Qt::DisplayRole)
    return QString::fromUtf8(str(kDeviceListHeaders[std::size_t(section)]));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

int DeviceListModel::BoardAt(int row) const {
  return row >= 0 && row < int(rows_.size()) ? rows_[std::size_t(row)].board : -1;
}

std::vector<int> DeviceListModel::Boards() const {
  std::vector<int> out;
  out.reserve(rows_.size());
  for (const Row& row : rows_) out.push_back(row.board);
  return out;
}

DeviceListModel::Row DeviceListModel::MakeRow(int boardIndex) const {
  Row row{boardIndex, {}};
  const auto texts = DeviceRowTexts(boards_.At(boardIndex));  // the texts tavctl search prints
  for (std::size_t c = 0; c < texts.size(); ++c)
    row.texts[c] = QString::fromUtf8(texts[c].data(), qsizetype(texts[c].size()));
  return row;
}

void DeviceListModel::Clear() {
  beginResetModel();
  rows_.clear();
  tips_.clear();
  endResetModel();
}

void DeviceListModel::InsertRow(int row, int boardIndex) {
  row = std::clamp(row, 0, int(rows_.size()));
  beginInsertRows({}, row, row);
  rows_.insert(rows_.begin() + row, MakeRow(boardIndex));
  endInsertRows();
}

void DeviceListModel::AddInOrder(const std::vector<int>& added, const std::vector<int>& order) {
  if (!added.empty()) {
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    rows_.reserve(rows_.size() + added.size());
    for (int board : added) rows_.push_back(MakeRow(board));
    endInsertRows();
  }
  Reorder(order);
}

void DeviceListModel::Reorder(const std::vector<int>& order) {
  if (order.size() != rows_.size()) return;
  bool same = true;
  for (std::size_t r = 0; r < order.size() && same; ++r) same = rows_[r].board == order[r];
  if (same) return;
  // Board indices are small and each is listed once: positions by direct lookup.
  int most = -1;
  for (const Row& row : rows_) most = std::max(most, row.board);
  std::vector<int> oldRow(std::size_t(most + 1), -1), newRow(std::size_t(most + 1), -1);
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    int& at = oldRow[std::size_t(rows_[r].board)];
    if (at >= 0) return;  // a board twice
    at = int(r);
  }
  for (std::size_t r = 0; r < order.size(); ++r) {
    if (order[r] < 0 || order[r] > most || oldRow[std::size_t(order[r])] < 0) return;
    int& at = newRow[std::size_t(order[r])];
    if (at >= 0) return;  // not the same rows
    at = int(r);
  }

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Persistent indexes (selection, current row) follow their boards.
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& index : from) {
    const int board = BoardAt(index.row());
    to.push_back(board < 0 ? QModelIndex()
                           : createIndex(newRow[std::size_t(board)], index.column()));
  }
  std::vector<Row> moved;
  moved.reserve(rows_.size());
  for (int board : order)
    moved.push_back(std::move(rows_[std::size_t(oldRow[std::size_t(board)])]));
  rows_ = std::move(moved);
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DeviceListModel::RefreshRow(int row) {
  if (row < 0 || row >= int(rows_.size())) return;
  rows_[std::size_t(row)] = MakeRow(rows_[std::size_t(row)].board);
  emit dataChanged(index(row, 0), index(row, 4));
}

void DeviceListModel::SetConflictTips(std::map<int, QString> tips) {
  tips_ = std::move(tips);
  if (!rows_.empty())
    emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, 4),
                     {Qt::BackgroundRole, Qt::ToolTipRole});
}

DeviceListView::DeviceListView(QWidget* parent) : QTableView(parent) {
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    emit cellDoubleClicked(index.row(), index.column());
  });
}

int DeviceListView::rowCount() const {
  return model() ? model()->rowCount() : 0;
}

int DeviceListView::currentRow() const {
  return currentIndex().isValid() ? currentIndex().row() : -1;
}

void DeviceListView::setCurrentCell(int row, int column) {
  if (model()) setCurrentIndex(model()->index(row, column));
}

void DeviceListView::setCurrentCell(int row, int column,
                                    QItemSelectionModel::SelectionFlags command) {
  if (!model() || !selectionModel()) return;
  selectionModel()->setCurrentIndex(model()->index(row, column), command);
}

bool DeviceListView::isRowSelected(int row) const {
  return selectionModel() && selectionModel()->isRowSelected(row, QModelIndex());
}

}  // namespace tav
