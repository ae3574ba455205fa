#pragma once
// Adding one board by its IP address.

#include <QDialog>
#include <QLineEdit>
#include <cstdint>
#include <optional>

#include "pages/field_text.h"

class CTavmonDlg;
namespace tav {
class PageAction;
}
class QPushButton;

namespace tav {

// An IPv4 address field: dotted text, accepted only as four octets 0-255.
class IpAddressEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent);
  // The address as held on the wire; nothing while the text is not a full address.
  std::optional<std::uint32_t> Address() const;  // none unless complete and every part <= 255
  ParsedAddress Entry() const;
};

}  // namespace tav

// CManualAddDlg: "手动添加设备"; OK asks the board for its status block and lists it.
class CManualAddDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CManualAddDlg(CTavmonDlg& main);
  tav::IpAddressEdit* AddressEdit() const { return address_; }
  QPushButton* OkButton() const { return ok_; }

  void accept() override;
  bool Busy() const;

 private:
  CTavmonDlg& main_;
  tav::IpAddressEdit* address_ = nullptr;
  QPushButton* ok_ = nullptr;
  tav::PageAction* action_ = nullptr;
};
