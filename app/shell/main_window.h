#pragma once
// The main window: device list, message log and the buttons that start everything else.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_list.h"
#include "pages/page_host.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_list_model.h"
#include "shell/device_search.h"
#include "shell/list_export.h"
#include "shell/message_log.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tav {
class QtNotifier;
}

// CTavmonDlg: the program's only top-level window; owns the board list and the message log.
class CTavmonDlg : public QDialog, public tav::PageHost {
  Q_OBJECT

 public:
  // dialogs: where message boxes and questions go (tests record them); null shows real boxes.
  explicit CTavmonDlg(tav::Notifier* dialogs = nullptr, QWidget* parent = nullptr);
  ~CTavmonDlg() override;

  // The one log every page writes to: "(%H:%M:%S): text", newest line first.
  void LogLine(std::string_view text);
  const std::string& LogText() const { return log_.Text(); }

  CBoard* CurrentBoard() override;
  CBoardCtrl& BoardList() override { return boards_; }
  tav::Notifier& notifier() override;
  tav::BoardLink& link() override { return tav::LanLink(); }
  void boardIdentityChanged() override;
  // Sets the open-statistics-page flag, makes the encoder's row the selected one, closes the
  // single-board window and opens one on the encoder's statistics page.
  void openStatisticsWindow(std::uint32_t encoderAddress) override;

  // Board indices of the selected rows in list order; -1 when nothing is selected.
  int SelectedBoards(std::vector<int>& out) const;
  // Makes the first row whose board is contacted at `address` the selection mark; its row or -1.
  int SelectRowByAddress(std::uint32_t address);
  int DecoderIndices(std::vector<int>& out) const;
  int EncoderIndices(std::vector<int>& out) const;
  // Inserts the row of a board in address order (the search and manual add).
  void InsertBoardRow(int boardIndex);

  // Set by the detection page: the next single-board window opens on the statistics page.
  void SetOpenStatisticsPage(bool open) { openStatisticsPage_ = open; }
  bool TakeOpenStatisticsPage();

  tav::DeviceListView* DeviceList() const { return deviceList_; }
  QPlainTextEdit* LogBox() const { return logBox_; }
  CCtrlWnd* CtrlWindow() const { return ctrlWnd_; }
  bool Searching() const { return search_.Running(); }
  const std::string& ChosenAdapterAddress() const { return chosenAdapterAddress_; }
  bool AdapterChosen() const { return adapterChosen_; }

  // Board indices of the rows the filter shows, in list order.
  std::vector<int> ShownRows() const;
  // The shown rows as CSV or JSON; a failure is reported in a message box and the log.
  bool ExportList(const QString& path, tav::ListFormat format);
  QLineEdit* FilterBox() const { return filterBox_; }
  QLabel* CountLabel() const { return countLabel_; }
  int SortColumn() const { return sortColumn_; }
  // Remembered between runs (QSettings): adapter choice, window geometry, column widths.
  void RestoreSettings();
  void SaveSettings();
  void ResetSettings();  // "恢复默认": forget them and go back to the defaults now

 public slots:
  void StartSearch();    // "搜索设备"
  void OnSearchTimer();  // end of the 3000 ms window
  void OnSingleBoard();  // "单板设置"
  void OnBatch();        // "批量设置"
  void OnManualAdd();    // "手动添加"
  void OnAdapterSet();   // "网卡设置"
  void OnTrustList();    // "添加信任列表"
  void OnAbout();        // "帮助": the about box
  void OnMaintenance();  // Ctrl+F
  void OnExport();       // "导出列表"
  // A column header's click: sort by it; the same column again reverses.
  void SortByColumn(int column);
  void ApplyFilter();  // hides the rows the filter box does not match; shown/total count

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnDiscoveryReply();
  // Puts the boards the search found since the last call into the list, at most
  // kRowsPerTick of them unless `all`; one insert and one reorder for the batch.
  void ListFoundBoards(bool all);
  void OpenCtrlWnd();
  void ShowAdapterPrompt();
  void FitColumns();
  void ApplySort();  // refills the rows in the order of sortColumn_, then filters
  // Puts the boards at `rows` into the list in that order; selection and mark stay on them.
  void ReorderRows(const std::vector<int>& rows);
  QPushButton* AddButton(const char* text, const char* objectName);

  CBoardCtrl boards_;
  tav::MessageLog log_;
  tav::Notifier* dialogs_;                         // a test's notifier, or null
  std::unique_ptr<tav::QtNotifier> boxes_;         // real message boxes
  std::unique_ptr<tav::Notifier> windowNotifier_;  // boxes to dialogs_ or boxes_, lines to LogLine
  tav::DeviceSearch search_;
  QTimer searchTimer_;
  QTimer listTimer_;            // moves found boards into the list while a search runs
  std::vector<int> foundRows_;  // boards found, not listed yet

  std::string chosenAdapterAddress_;
  bool adapterChosen_ = false;
  bool adapterPromptPending_ = true;
  int adapterCount_ = 0;
  bool openStatisticsPage_ = false;

  QWidget* buttonBar_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  tav::DeviceListModel* listModel_ = nullptr;
  tav::DeviceListView* deviceList_ = nullptr;
  QPlainTextEdit* logBox_ = nullptr;
  QPointer<CCtrlWnd> ctrlWnd_;
  QLineEdit* filterBox_ = nullptr;
  QLabel* countLabel_ = nullptr;
  int sortColumn_ = -1;  // -1: address order as the search inserts
  bool sortDescending_ = false;
};
