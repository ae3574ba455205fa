#pragma once
// Helpers for the shell's widget tests: a simulated fleet on the boards' side, the main window
// with a recording notifier, and reading rows back.

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "qorsim.h"
#include "recording_notifier.h"
#include "shell/main_window.h"

namespace shelltest {

// One cell of the device list: its text, its board index (Qt::UserRole), tooltip, background.
inline QVariant cell(const tav::DeviceListView* list, int row, int column,
                     int role = Qt::DisplayRole) {
  return list->model()->index(row, column).data(role);
}

// A board entry of a fleet file.
inline nlohmann::json fleetBoard(const std::string& address, int type, const std::string& name,
                                 const std::string& mac) {
  return {{"address", address}, {"type", type}, {"name", name}, {"mac", mac}};
}

inline qorsim::Simulator startFleet(const std::vector<nlohmann::json>& boards) {
  qorsim::Simulator sim = qorsim::Simulator::fromJson({{"boards", boards}});
  sim.start();
  return sim;
}

struct Gui {
  tav::test::RecordingNotifier notifier;
  CTavmonDlg window{&notifier};

  Gui() { window.show(); }

  QPushButton* button(const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
  }

  // Presses "搜索设备" and waits for the search window to end.
  void search() {
    QTest::mouseClick(button("searchButton"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Searching(); }, 6000));
  }

  std::vector<std::string> column(int c) {
    std::vector<std::string> out;
    for (int r = 0; r < window.DeviceList()->rowCount(); ++r)
      out.push_back(cell(window.DeviceList(), r, c).toString().toStdString());
    return out;
  }

  std::vector<std::string> row(int r) {
    std::vector<std::string> out;
    for (int c = 0; c < 5; ++c)
      out.push_back(cell(window.DeviceList(), r, c).toString().toStdString());
    return out;
  }

  bool logged(const std::string& text) const {
    return std::find(notifier.logLines.begin(), notifier.logLines.end(), text) !=
           notifier.logLines.end();
  }
};

// Runs `handle` on the next modal dialog that opens (checked every 20 ms for up to 3 s).
inline void onNextModal(std::function<void(QWidget*)> handle) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, handle] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      handle(modal);
    } else if (++*tries > 150) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

}  // namespace shelltest
