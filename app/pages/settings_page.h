#pragma once
// The frame every settings page of the single-board window shares: it knows its host, looks
// the current board up afresh for every action, refreshes once when first shown, reads number
// fields one way and reports one way (message box and log through the host's notifier).

#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "device/board.h"
#include "device/notifier.h"
#include "pages/field_text.h"
#include "pages/page_action.h"

class CBoard;
class QBoxLayout;
class QFormLayout;
class QLabel;
class QPushButton;

namespace tav {

class PageHost;

// An IPv4 address field: four dotted numbers. address() reads blank parts as 0, as the boards'
// own address fields did; entry() tells an incomplete address or an octet above 255, which
// SettingsPage::readAddress refuses.
class IpField : public QLineEdit {
  Q_OBJECT
 public:
  explicit IpField(QWidget* parent = nullptr);
  std::uint32_t address() const;  // held as on the wire (first octet lowest byte)
  void setAddress(std::uint32_t address);
  ParsedAddress entry() const;
};

class SettingsPage : public QWidget {
  Q_OBJECT
 public:
  SettingsPage(PageHost& host, QWidget* parent);

  // Runs the page's first refresh (or its own set-up). Called once, soon after the page is
  // first shown; tests may call it directly.
  void initialUpdate();
  // True while an exchange with the board runs on the page's worker.
  bool busy() const { return action_->busy(); }
  // False from a failed first read until a read succeeds (see markBoardRead).
  bool hasBoardData() const { return hasData_; }
  PageAction& action() { return *action_; }

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
  // The same, then refuses a value outside `range` with a message naming `field` and the range
  // (value unchanged, false): nothing may be sent then.
  bool readInt(const QLineEdit* edit, std::int32_t& value, std::string_view field,
               FieldRange range);
  // The same for fields wider than a signed 32-bit value (u32 sizes).
  bool readInt(const QLineEdit* edit, std::int64_t& value, std::string_view field,
               FieldRange range);
  // A number field, the range its record field holds and where its value goes.
  struct NumberField {
    const QLineEdit* edit;
    FieldRange range;
    std::int32_t* value;
  };
  // readInt on each in turn, named by its accessible name; false at the first refusal (the
  // values read before it are set, the rest keep theirs).
  bool readNumbers(std::span<const NumberField> fields);
  // The address of a field, or a message naming `field` when it is incomplete or has an octet
  // above 255 (nothing may be sent then).
  std::optional<std::uint32_t> readAddress(const IpField* edit, std::string_view field);

  // Board data. A page has data once a read of the board succeeded. After a failed read while
  // it has none, it says so on the page and empties and disables its input controls (all but
  // the buttons named "refresh" and those passed to keepUsable), apply buttons included; the
  // next successful read enables them again as they were, and the page shows the board's
  // values. refreshStatus() does this itself; a page with a read of its own calls
  // markBoardRead(ok) before it shows the result.
  void markBoardRead(bool ok);
  // Further widgets for the no-data state: labels that show a board's texts are blanked,
  // other widgets (a group of choices labelled for the board's kind) hidden.
  void addDataControl(QWidget* widget);
  // Inputs that stay usable without board data.
  void keepUsable(QWidget* widget);
  // The no-data notice of a page whose read button is not named "刷新".
  void setNoDataText(const QString& text) { noDataText_ = text; }
  BoardLink& link();

  // Runs work(CBoard& copy, BoardLink&, Notifier&) -> R on the page's worker over a copy of
  // `board`; then, on the window's thread, writes the copy's blocks back into the board list
  // (when the board is still current) and calls done(R, board or null).
  template <class Work, class Done>
  void runOnBoard(const CBoard& board, Work work, Done done) {
    auto copy = std::make_shared<CBoard>(board);
    const std::uint32_t contact = board.ContactAddress();
    BoardLink* l = &link();
    action_->run(
        [copy, l, work = std::move(work)](Notifier& n) mutable { return work(*copy, *l, n); },
        [this, copy, contact, done = std::move(done)](auto result) mutable {
          done(std::move(result), takeBoard(contact, *copy));
        });
  }

  // The current board for a read; without one the read has failed: "获取设备状态失败。" is
  // reported and the page marked as such (null then).
  CBoard* boardForRead();

  // Re-reads the current board's status block on the worker. On success logs okText and calls
  // then(board); on failure reports "获取设备状态失败。".
  void refreshStatus(std::string_view okText, std::function<void(CBoard&)> then);

  // Layout helpers: a labelled row whose label is the field's buddy (screen readers name the
  // field by it), and a row of buttons.
  QLabel* addRow(QFormLayout* form, const QString& label, QWidget* field);
  QPushButton* addButton(QBoxLayout* row, const QString& text, const char* name);
  // The page's heading (its tree label).
  QLabel* makeTitle(const QString& text);

 private:
  // The current board when it is still the one at `contact`, with the copy's blocks taken in.
  CBoard* takeBoard(std::uint32_t contact, const CBoard& copy);
  std::optional<std::int64_t> readRanged(const QLineEdit* edit, std::string_view field,
                                         FieldRange range);
  void showNoData();
  PageAction* action_;
  PageHost& host_;
  bool entered_ = false;
  bool hasData_ = true;  // nothing to say until a read failed
  bool everRead_ = false;
  QLabel* noDataNotice_ = nullptr;
  QString noDataText_;
  std::vector<QWidget*> dataControls_;
  std::vector<QWidget*> usable_;
  std::vector<std::pair<QPointer<QWidget>, bool>> disabledForNoData_;
  std::vector<QPointer<QWidget>> hiddenForNoData_;
};

QString qs(std::string_view utf8);
std::string u8(const QString& text);

}  // namespace tav
