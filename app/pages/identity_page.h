#pragma once
// The network identity page: the board's address, type, versions, MAC, serial number and ID,
// and a new address, mask, gateway and name (or DHCP). identity_settings.h holds its logic.

#include "pages/identity_settings.h"
#include "pages/settings_page.h"

class QCheckBox;
class QFormLayout;
class QLabel;

// CRightView0: network identity page ("IP与MAC地址").
class CRightView0 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView0(tav::PageHost& host, QWidget* parent = nullptr);

  void refresh();
  void apply();
  void toggleDhcp();

 protected:
  void onInitialUpdate() override { refresh(); }

 private:
  void showIdentity(const tav::IdentityShown& shown);
  void showAddresses(const tav::IdentityAddresses& addresses, bool dhcp);
  void showUniqueIds(const tav::UniqueIds& ids);

  QFormLayout* form_;
  QLabel* address_;
  QLabel* type_;
  QLabel* version_;
  QLabel* baseband_;
  QLabel* mac_;
  QLabel* serial_;
  QLabel* id_;
  tav::IpField* ip_;
  tav::IpField* mask_;
  tav::IpField* gateway_;
  QCheckBox* dhcp_;
  QLineEdit* name_;
  bool dhcpOn_ = false;
};
