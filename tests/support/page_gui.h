#pragma once
// What the page GUI tests share: waiting for a page's exchange, finding a control by its
// object name, clicking as the user does, and telling a page's no-data state.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "pages/page_action.h"
#include "pages/settings_page.h"

namespace tav::test {

// Waits until no page exchange runs any more.
inline void Settle() {
  ASSERT_TRUE(QTest::qWaitFor([] { return tav::PageAction::Running() == 0; }, 15000));
}

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
