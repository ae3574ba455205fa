#pragma once
// The device list over the board list: one row per listed board, its five texts made once,
// conflict marks with their tooltips. Rows arrive in batches (one insert and one reorder per
// batch), so the ten thousand answers of a large search reach the view without a stall.

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>
#include <array>
#include <map>
#include <vector>

class CBoardCtrl;

namespace tav {

class DeviceListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DeviceListModel(const CBoardCtrl& boards, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display: the row's texts; Qt::UserRole: the board's index in the board list; background
  // and tooltip: the conflicts of the last search the board takes part in.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The board index of a row; -1 outside the list.
  int BoardAt(int row) const;
  // Board indices in list order.
  std::vector<int> Boards() const;

  void Clear();
  void InsertRow(int row, int boardIndex);
  // Appends the boards' rows, then puts every row in `order` (the board indices of the old rows
  // and the new ones); selection and current row stay on their boards.
  void AddInOrder(const std::vector<int>& added, const std::vector<int>& order);
  // Puts the same rows in `order`; selection and current row stay on their boards.
  void Reorder(const std::vector<int>& order);
  // Makes the row's texts again from its board (its identity changed).
  void RefreshRow(int row);
  // Board index -> the conflict lines it takes part in; rows of other boards are unmarked.
  void SetConflictTips(std::map<int, QString> tips);

 private:
  struct Row {
    int board;
    std::array<QString, 5> texts;
  };
  Row MakeRow(int boardIndex) const;

  const CBoardCtrl& boards_;
  std::vector<Row> rows_;
  std::map<int, QString> tips_;
};

// The list view: a table view with the row-level calls the main window and its tests use.
class DeviceListView : public QTableView {
  Q_OBJECT

 public:
  explicit DeviceListView(QWidget* parent = nullptr);
  int rowCount() const;
  int currentRow() const;  // -1 without a current row
  // As a click would: the cell becomes current and its row the selection.
  void setCurrentCell(int row, int column);
  void setCurrentCell(int row, int column, QItemSelectionModel::SelectionFlags command);
  bool isRowSelected(int row) const;

 signals:
  void cellDoubleClicked(int row, int column);
};

}  // namespace tav
