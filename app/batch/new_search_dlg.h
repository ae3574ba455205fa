#pragma once
// CNewSearchDlg (Ctrl+F): finds boards with the maintenance protocol from every adapter and
// sends restart, factory reset or a command text to the board picked in its own list. Its board
// list and log are its own; the reply wait runs one pass per timer tick so the dialog keeps
// repainting.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "batch/maintenance.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace tav {
class IpField;
class Notifier;
}  // namespace tav

class CNewSearchDlg : public QDialog {
  Q_OBJECT
 public:
  // dialogs: where message boxes go (tests record them); null shows real boxes over the dialog.
  CNewSearchDlg(tav::batch::MaintenanceTransport& transport, QWidget* parent,
                tav::Notifier* dialogs = nullptr);
  ~CNewSearchDlg() override;

  void OnSearch();   // "搜索设备"
  void OnRestart();  // "重启"
  void OnReset();    // "恢复出厂值"
  void OnExecute();  // "执行"
  void OnRowClicked(int row);

  tav::batch::MaintenanceSession& Session() { return *session_; }
  QTableWidget* List() const { return list_; }
  QPlainTextEdit* LogBox() const { return log_; }
  QPushButton* SearchButton() const { return search_; }
  QLineEdit* CommandEdit() const { return command_; }
  tav::IpField* AddressField() const { return address_; }
  bool Waiting() const;

 private:
  void OnPass();
  void StartWait();
  void UpdateButtons();
  bool Picked();

  std::unique_ptr<tav::Notifier> boxes_;
  tav::Notifier* notifier_;
  std::unique_ptr<tav::batch::MaintenanceSession> session_;
  tav::batch::MaintenanceTransport& transport_;
  QTimer passTimer_;
  bool inPass_ = false;
  QPushButton* search_ = nullptr;
  QPushButton* restart_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* execute_ = nullptr;
  tav::IpField* address_ = nullptr;
  QLineEdit* command_ = nullptr;
  QTableWidget* list_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
};
