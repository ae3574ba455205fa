#pragma once
// The hardware debug pages of the single-board window: EDID, the two register pages and the
// serial port with its camera keypad. Thin views over edid_tools.h, register_debug.h and
// serial_control.h; every action runs on the page's worker over the host's link.

#include <optional>
#include <string>

#include "debug/edid_tools.h"
#include "debug/register_debug.h"
#include "pages/settings_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tav {

// A text box in the fixed font, unwrapped, wide enough for `widest` and `lines` high.
QPlainTextEdit* MonoTextBox(QWidget* parent, const char* name, const QString& widest, int lines);
// The pages' texts are "\r\n" lines (as the boards and the logic write them); a box shows "\n".
QString BoxText(const std::string& text);

}  // namespace tav

// EdidDebug: EDID page ("EDID调试"): the board's and the monitor's EDID, lock, clear, copy.
class EdidDebug : public tav::SettingsPage {
  Q_OBJECT
 public:
  EdidDebug(tav::PageHost& host, QWidget* parent = nullptr);

  void readLockState();
  void toggleLock();
  void clear();
  void copyMonitor();
  void readBoardEdid();
  void readMonitorEdid();

 protected:
  void onInitialUpdate() override { readLockState(); }

 private:
  enum class Op { ReadLock, Toggle, Clear, Copy, ReadBoard, ReadMonitor };
  void run(Op op);
  void showLock();

  QPlainTextEdit* edid_;
  QPlainTextEdit* summary_;
  QPushButton* lock_;
  long lockFlag_ = 0;
  bool lockKnown_ = false;  // a lock answer has been read; toggling needs it
};

namespace tav {

// The frame of RVdebug and RVComDebug: the single register fields, the two lists and their
// buttons; the general page adds the bus choice.
class RegisterPageView : public SettingsPage {
  Q_OBJECT
 public:
  RegisterPageView(RegisterPageKind kind, PageHost& host, QWidget* parent);

  void writeSingle();
  void readSingle();
  void writeAll();
  void readAll();
  void copyList();

 protected:
  void onInitialUpdate() override;

 private:
  enum class Op { WriteSingle, ReadSingle, WriteAll, ReadAll };
  struct Fields {
    std::string device, reg, value, left, right;
    int bus = 0;
    bool wide = false;
  };
  Fields fields() const;
  void showFields(const Fields& f);
  void run(Op op);

  RegisterPageKind kind_;
  bool wide_ = false;
  QLabel* title_;
  QLineEdit* device_;
  QLineEdit* register_;
  QLineEdit* value_;
  QComboBox* bus_ = nullptr;
  QPlainTextEdit* left_;
  QPlainTextEdit* right_;
};

}  // namespace tav

// RVdebug: i2c page ("i2c调试"; "SPI调试" with 16-bit registers on types 7 and 11).
class RVdebug : public tav::RegisterPageView {
  Q_OBJECT
 public:
  RVdebug(tav::PageHost& host, QWidget* parent = nullptr);
};

// RVComDebug: general i2c page with the bus choice ("通用i2c调试").
class RVComDebug : public tav::RegisterPageView {
  Q_OBJECT
 public:
  RVComDebug(tav::PageHost& host, QWidget* parent = nullptr);
};

// CRightViewSerial: serial port page ("串口设置"): baud rate, bytes to send, camera keypad.
class CRightViewSerial : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightViewSerial(tav::PageHost& host, QWidget* parent = nullptr);

  void refreshBaud();
  void applyBaud();
  void send();

 protected:
  void onInitialUpdate() override { refreshBaud(); }

 private:
  QComboBox* baud_;
  QLineEdit* sendText_;
};
