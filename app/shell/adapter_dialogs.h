#pragma once
// The adapter dialogs of the main window: choosing the adapter the search listens on, and the
// prompt shown when the PC has several and none was chosen.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/adapters.h"

class QComboBox;
class QPushButton;

// CAdapterSetDlg: "网卡设置", the adapter list by description; OK takes the first IPv4 address
// of the adapter whose description matches the box's text exactly.
class CAdapterSetDlg : public QDialog {
  Q_OBJECT
 public:
  using Enumerate = std::function<std::vector<tav::platform::Adapter>()>;
  // enumerate: the system's adapters (tests pass their own list).
  explicit CAdapterSetDlg(QWidget* parent, Enumerate enumerate = {});

  const std::string& ChosenAddress() const { return chosenAddress_; }
  bool Chosen() const { return chosen_; }
  QComboBox* AdapterBox() const { return adapters_; }

  void accept() override;

 private:
  std::vector<tav::platform::Adapter> Adapters() const;

  Enumerate enumerate_;
  QComboBox* adapters_ = nullptr;
  std::string chosenAddress_;
  bool chosen_ = false;
};

// CAdapterConfirm: "提示", asks the user to choose the receiving adapter first.
class CAdapterConfirm : public QDialog {
  Q_OBJECT
 public:
  explicit CAdapterConfirm(QWidget* parent);
};
