// CTavmonApp: starts the program and runs the main window until it closes.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "batch/batch_window.h"
#include "resources/app_icon.h"
#include "shell/main_window.h"
#include "shell/shell_hooks.h"
#include "shell/translation.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavmon"));
  QApplication::setOrganizationName(QStringLiteral("Tavmon"));  // ~/.config/Tavmon/Tavmon.conf
  QApplication::setWindowIcon(tav::AppIcon());
  if (QString error; !tav::InstallTranslation(app, QApplication::arguments(), error)) {
    std::fprintf(stderr, "Tavmon: %s\n", qPrintable(error));
    return 2;
  }

  tav::batch::InstallBatchHooks();
  CTavmonDlg window;
  // The single-board window is a top-level window of its own, so the main window is not run
  // modally; the program ends when it closes.
  window.RestoreSettings();
  QObject::connect(&window, &QDialog::finished, &window, &CTavmonDlg::SaveSettings);
  QObject::connect(&window, &QDialog::finished, &app, &QApplication::quit);
  window.show();

  // TAVMON_AUTOSEARCH=1 presses "搜索设备" once the window is up (demos and screenshots).
  if (const char* autoSearch = std::getenv("TAVMON_AUTOSEARCH"); autoSearch && *autoSearch == '1')
    QTimer::singleShot(300, &window, &CTavmonDlg::StartSearch);
  return app.exec();
}
