#pragma once
// Driving a page in a GUI test: find its controls by object name, click them, and wait until
// the exchanges the click started (on workers) have handed back their answers.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLatin1String>
#include <QTest>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "pages/page_action.h"

namespace tav::test {

// Waits until no page action runs; a failure after 15 s.
inline void Settle(int ms = 15000) {
  EXPECT_TRUE(QTest::qWaitFor([] { return PageAction::Running() == 0; }, ms))
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

}  // namespace tav::test
