// gtest main for widget tests: enters the test LAN, runs a QApplication on the offscreen
// platform and turns every Qt warning into a test failure.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "testlan.h"

namespace {
void failOnWarning(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  // Font-database notes of the offscreen platform are not about our code.
  if (msg.contains(QLatin1String("QFont")) || msg.contains(QLatin1String("fontconfig"))) return;
  // Nor is its note that it cannot pass a top-level window's size limits to a window manager.
  if (msg.contains(QLatin1String("does not support propagateSizeHints"))) return;
  ADD_FAILURE() << "Qt warning: " << msg.toStdString();
}
}  // namespace

int main(int argc, char** argv) {
  testlan::Options options;
  if (std::getenv("TAVMON_SECOND_ADAPTER")) options.secondAdapter = true;
  try {
    testlan::enter(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  qInstallMessageHandler(failOnWarning);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
