#pragma once
// The service pages: the board's clock, its time and channel-text overlays and its recording
// storage over the service commands of port 4010, and its login file over port 8060. Thin
// views over clock_settings.h, osd_settings.h, storage_settings.h and password_file.h: the
// window's thread reads and checks the controls, the exchange runs on the page's worker.

#include <array>
#include <functional>

#include "pages/clock_settings.h"
#include "pages/osd_settings.h"
#include "pages/password_file.h"
#include "pages/settings_page.h"
#include "pages/storage_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tav {

// A service page: its apply button stays off until a read from the board succeeded, and a
// line says when the page holds no data from the board.
class ServicePage : public SettingsPage {
  Q_OBJECT
 public:
  ServicePage(PageHost& host, QWidget* parent);

 protected:
  // After a read: on success the apply button comes on and the no-data line goes.
  void readDone(bool ok);
  QLabel* dataState_;
  QPushButton* apply_ = nullptr;
  bool hasData_ = false;
};

}  // namespace tav

// CRightView17: device time page ("时间设置").
class CRightView17 : public tav::ServicePage {
  Q_OBJECT
 public:
  CRightView17(tav::PageHost& host, QWidget* parent = nullptr);
  void getTime();
  void setTime();
  void setFromPc();

  // "按当前时间设置" reads the PC's local time here; tests fix it.
  std::function<tav::ClockTime()> pcClock = tav::LocalClockNow;
  tav::ServiceLimits limits;

 protected:
  void onInitialUpdate() override { getTime(); }

 private:
  tav::ClockSettings logic_;
  std::array<QLineEdit*, 6> edits_{};
};

// CRightView18: time OSD page ("OSD设置").
class CRightView18 : public tav::ServicePage {
  Q_OBJECT
 public:
  CRightView18(tav::PageHost& host, QWidget* parent = nullptr);
  void getOsd();
  void setOsd();
  void defaults();

  tav::ServiceLimits limits;

 protected:
  void onInitialUpdate() override { getOsd(); }

 private:
  struct Column {
    QCheckBox* shown;
    QLineEdit *text, *transparency, *background, *x, *y, *scale;
    QComboBox* colour;
  };
  void showForm();
  void takeForm();

  tav::OsdSettings logic_;
  QComboBox* channel_;
  Column time_{}, channelText_{};
};

// CRightView19: storage page ("存储设置").
class CRightView19 : public tav::ServicePage {
  Q_OBJECT
 public:
  CRightView19(tav::PageHost& host, QWidget* parent = nullptr);
  void getStorage();
  void setStorage();

  tav::ServiceLimits limits;

 protected:
  void onInitialUpdate() override { getStorage(); }

 private:
  void showForm();

  tav::StorageSettings logic_;
  QLineEdit* fileSize_;
  QLineEdit* reserved_;
  QCheckBox* save_;
  QPlainTextEdit* report_;
};

// CRightView15: login password page ("更改密码"); only decoder-kind boards take it.
class CRightView15 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView15(tav::PageHost& host, QWidget* parent = nullptr);
  void changePassword();

  tav::PasswordLimits limits;
  // The pauses between receive attempts; tests make them short.
  std::function<void(tav::Millis)> sleep;

 protected:
  void onInitialUpdate() override;

 private:
  tav::PasswordSettings logic_;
  QLineEdit* user_;
  QLineEdit* password_;
  QPushButton* change_;
  QLabel* kindNote_;
};
