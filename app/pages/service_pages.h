#pragma once
// The service pages: the board's clock, its time and channel-text overlays and its recording
// storage over the service commands of port 4010, and its login file over port 8060. Thin
// views over clock_settings.h, osd_settings.h, storage_settings.h and password_file.h: the
// window's thread reads and checks the controls, the exchange runs on the page's worker.

#include <QPushButton>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "device/board.h"
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

namespace tav {

// A service page of port 4010: its read and write run on the page's worker with one of the
// logic classes (ClockSettings, OsdSettings, StorageSettings), and its data state is the
// SettingsPage one: after a failed first read its inputs and its set button stay off until a
// read succeeds.
class ServicePage : public SettingsPage {
  Q_OBJECT
 public:
  using SettingsPage::SettingsPage;

  ServiceLimits limits;

 protected:
  // The page's read button stays usable without data; its set button waits for a first read.
  void setButtons(QPushButton* read, QPushButton* set);

  // Reads the board's block; on success the page holds data and show(block) fills it.
  template <class Logic, class Block, class Show>
  void readBlock(Show show) {
    CBoard* board = currentBoard();
    if (!board) {
      markBoardRead(false);
      return;
    }
    runOnBoard(
        *board,
        [limits = limits](CBoard& copy, BoardLink& l, Notifier& n) {
          Logic s(l, n);
          s.limits = limits;
          Block block{};
          auto status = s.ReadBoard(copy.ContactAddress(), block);
          ReportService(status, n);
          return std::pair{status, block};
        },
        [this, show = std::move(show)](std::pair<ServiceStatus, Block> r, CBoard*) {
          const bool ok = r.first == ServiceStatus::Ok;
          markBoardRead(ok);
          if (ok) {
            set_->setEnabled(true);
            show(r.second);
          }
        });
  }

  // Sends the block; `okText` is what a sent block shows (nothing when empty).
  template <class Logic, class Block>
  void writeBlock(Block block, std::string_view okText = {}) {
    CBoard* board = currentBoard();
    if (!board) return;
    runOnBoard(
        *board,
        [limits = limits, block, ok = std::string(okText)](CBoard& copy, BoardLink& l,
                                                           Notifier& n) {
          Logic s(l, n);
          s.limits = limits;
          auto status = s.WriteBoard(copy.ContactAddress(), block);
          ReportService(status, n, ok);
          return status;
        },
        [](ServiceStatus, CBoard*) {});
  }

 private:
  QPushButton* set_ = nullptr;
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
