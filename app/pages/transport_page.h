#pragma once
// The network transport page: how an encoder sends or a decoder receives its stream.
// transport_settings.h holds its logic; this class binds it to the controls.

#include "pages/settings_page.h"
#include "pages/transport_settings.h"

class QButtonGroup;
class QCheckBox;
class QLabel;

// CRightView1: network transport page ("网络收发").
class CRightView1 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView1(tav::PageHost& host, QWidget* parent = nullptr);

  void refresh();
  void apply();
  const tav::TransportSettings& settings() const { return settings_; }

 protected:
  void onInitialUpdate() override { refresh(); }

 private:
  void choose(int choice);
  void switchClicked(bool on);
  // Controls into the form; the port only when it parses (prompting when asked to).
  bool takeControls(bool promptOnBadPort);
  void render();

  tav::TransportSettings settings_;
  QLabel* kind_;
  QButtonGroup* choices_;
  QCheckBox* switch_;
  QLabel* addressLabel_;
  tav::IpField* address_;
  QLineEdit* port_;
  QLabel* urlLabel_;
  QLineEdit* url_;
  QLabel* userLabel_;
  QLineEdit* user_;
  QLabel* passwordLabel_;
  QLineEdit* password_;
  QLabel* hint_;
};
