#pragma once
// The frame every settings page of the single-board window shares: it knows its host, looks
// the current board up afresh for every action, refreshes once when first shown, reads number
// fields one way and reports one way (message box and log through the host's notifier).

#include <QLineEdit>
#include <QWidget>
#include <cstdint>
#include <string_view>

#include "device/notifier.h"

class CBoard;
class QBoxLayout;
class QFormLayout;
class QLabel;
class QPushButton;

namespace tav {

class PageHost;

// An IPv4 address field: four dotted numbers 0..255; blank parts read as 0, as in the boards'
// own address fields.
class IpField : public QLineEdit {
  Q_OBJECT
 public:
  explicit IpField(QWidget* parent = nullptr);
  std::uint32_t address() const;  // held as on the wire (first octet lowest byte)
  void setAddress(std::uint32_t address);
};

class SettingsPage : public QWidget {
  Q_OBJECT
 public:
  SettingsPage(PageHost& host, QWidget* parent);

  // Runs the page's first refresh (or its own set-up). Called once, soon after the page is
  // first shown; tests may call it directly.
  void initialUpdate();

 protected:
  virtual void onInitialUpdate() = 0;
  void showEvent(QShowEvent* event) override;

  PageHost& host() { return host_; }
  CBoard* currentBoard();
  Notifier& notifier();

  void log(std::string_view text);
  // Message box and log line with the same text.
  void report(std::string_view text, NoticeIcon icon);
  // A message box with no icon of its own (the boards' tool showed these with the exclamation).
  void reportPlain(std::string_view text) { report(text, NoticeIcon::Warning); }

  // Reads a number field into value; a field that does not parse shows the integer prompt and
  // leaves value as it was. False then.
  bool readInt(const QLineEdit* edit, std::int32_t& value);

  // Re-reads the current board's status block. On success logs okText and returns the board;
  // on failure reports "获取设备状态失败。" and returns null.
  CBoard* refreshStatus(std::string_view okText);

  // Layout helpers: a labelled row whose label is the field's buddy (screen readers name the
  // field by it), and a row of buttons.
  QLabel* addRow(QFormLayout* form, const QString& label, QWidget* field);
  QPushButton* addButton(QBoxLayout* row, const QString& text, const char* name);
  // The page's heading (its tree label).
  QLabel* makeTitle(const QString& text);

 private:
  PageHost& host_;
  bool entered_ = false;
};

// Hourglass while a page waits for a board.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QString qs(std::string_view utf8);
std::string u8(const QString& text);

}  // namespace tav
