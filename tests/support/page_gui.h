#pragma once
// What the page GUI tests share: a page host over a fake link, waiting for a page's exchange,
// finding a control by its object name, clicking as the user does, and telling a page's
// no-data state.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "device/board_list.h"
#include "pages/page_action.h"
#include "pages/page_host.h"
#include "pages/settings_page.h"
#include "recording_notifier.h"

namespace tav::test {

// A page host whose current board is the list's first, whose notifier records and whose link
// is `fake` (or `useLink`, e.g. the LAN link against qorsim).
template <class Link>
class TestPageHost : public tav::PageHost {
 public:
  CBoardCtrl list;
  RecordingNotifier notes;
  Link fake;
  tav::BoardLink* useLink = &fake;

  CBoard* CurrentBoard() override { return list.Count() > 0 ? &list.At(0) : nullptr; }
  CBoardCtrl& BoardList() override { return list; }
  tav::Notifier& notifier() override { return notes; }
  tav::BoardLink& link() override { return *useLink; }

  std::string lastMessage() const {
    return notes.messages.empty() ? "" : notes.messages.back().text;
  }
};

// Waits until no page exchange runs any more; a failure after `ms`.
inline void Settle(int ms = 15000) {
  EXPECT_TRUE(QTest::qWaitFor([] { return tav::PageAction::Running() == 0; }, ms))
      << "a page action still runs";
}

// The page's control of that object name; throws when there is none.
template <class T>
T* Child(QWidget* page, const char* name) {
  T* w = page->findChild<T*>(QLatin1String(name));
  if (!w) throw std::runtime_error(std::string("no control ") + name);
  return w;
}

inline void Click(QWidget* page, const char* name) {
  Child<QAbstractButton>(page, name)->click();
  Settle();
}

// The page says it holds nothing from the board.
inline bool NoData(tav::SettingsPage& page) {
  auto* notice = page.findChild<QLabel*>(QStringLiteral("noDataNotice"));
  return !page.hasBoardData() && notice && !notice->isHidden();
}

}  // namespace tav::test
