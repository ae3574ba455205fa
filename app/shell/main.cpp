// CTavmonApp: starts the program and runs the main window until it closes.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "batch/batch_window.h"
#include "detect/detection.h"
#include "resources/app_icon.h"
#include "shell/main_window.h"
#include "shell/shell_hooks.h"
#include "shell/translation.h"

namespace {

// TAVMON_BENCH=1 (scripts/bench): "first-paint" on stdout when the window first paints, and
// "listed N STALL TOTAL" when an automatic search has ended with N rows: STALL the longest gap
// in ms between two ticks of a 10 ms timer from the search's start until the list is complete
// (how long the window could not paint), TOTAL the ms from the start to the complete list.
class BenchProbe : public QObject {
 public:
  explicit BenchProbe(CTavmonDlg& window) : window_(window) {
    window.installEventFilter(this);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, [this] {
      const auto now = Clock::now();
      if (window_.Searching() && !searched_) {
        searched_ = true;
        start_ = last_;  // the search began after the tick before: count from there
      }
      if (searched_) longest_ = std::max(longest_, now - last_);
      last_ = now;
      if (!searched_ || window_.Searching()) return;
      using Ms = std::chrono::milliseconds;
      std::printf("listed %d %lld %lld\n", window_.DeviceList()->rowCount(),
                  static_cast<long long>(std::chrono::duration_cast<Ms>(longest_).count()),
                  static_cast<long long>(std::chrono::duration_cast<Ms>(now - start_).count()));
      std::fflush(stdout);
      poll_.stop();
    });
    poll_.start(10);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      std::puts("first-paint");
      std::fflush(stdout);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  using Clock = std::chrono::steady_clock;
  CTavmonDlg& window_;
  QTimer poll_;
  bool painted_ = false, searched_ = false;
  Clock::time_point start_, last_ = Clock::now();
  Clock::duration longest_{};
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavmon"));
  QApplication::setOrganizationName(QStringLiteral("Tavmon"));  // ~/.config/Tavmon/Tavmon.conf
  QApplication::setWindowIcon(tav::AppIcon());
  if (QString error; !tav::InstallTranslation(app, QApplication::arguments(), error)) {
    std::fprintf(stderr, "Tavmon: %s\n", qPrintable(error));
    return 2;
  }

  // Every search ends with the link diagnosis, logged as tavctl search prints it.
  tav::shellHooks().diagnoseLinks = tav::RunLinkDiagnosis;

  tav::batch::InstallBatchHooks();
  CTavmonDlg window;
  // The single-board window is a top-level window of its own, so the main window is not run
  // modally; the program ends when it closes.
  window.RestoreSettings();
  QObject::connect(&window, &QDialog::finished, &window, &CTavmonDlg::SaveSettings);
  QObject::connect(&window, &QDialog::finished, &app, &QApplication::quit);
  std::unique_ptr<BenchProbe> probe;
  if (const char* bench = std::getenv("TAVMON_BENCH"); bench && *bench == '1')
    probe = std::make_unique<BenchProbe>(window);
  window.show();

  // TAVMON_AUTOSEARCH=1 presses "搜索设备" once the window is up (demos and screenshots).
  if (const char* autoSearch = std::getenv("TAVMON_AUTOSEARCH"); autoSearch && *autoSearch == '1')
    QTimer::singleShot(300, &window, &CTavmonDlg::StartSearch);
  return app.exec();
}
