#pragma once
// The single-board upgrade page ("程序升级"): choose a ".qoru" package, see what it holds, and
// send its components to the board. The run itself is UpgradeEngine on the page's worker; its
// status, progress and log lines come back to the window's thread and are dropped once the page
// has gone. "停止" ends the run after the component on the wire. Closing the window while a
// run goes on asks first; a Yes stops the run the same way.

#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <string>

#include "pages/settings_page.h"
#include "upgrade/upgrade_run.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class CRightView10 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView10(tav::PageHost& host, QWidget* parent = nullptr);
  ~CRightView10() override;

  // What choosing a file in the dialog does (tests call it with a path of their own).
  void chooseFile(const QString& path);
  // Button "升级": checks, the question, then the run on the worker.
  void upgrade();
  // Button "停止".
  void stop();
  bool running() const { return static_cast<bool>(run_); }

 protected:
  void onInitialUpdate() override {}
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Run;
  void browse();
  void showStatus(const QString& text);
  void showProgress(int percent, const QString& text);
  void addLogLine(const std::string& text);
  void runEnded(const tav::upgrade::RunSummary& summary);
  void tickWait();

  tav::upgrade::ChosenFile file_;
  tav::upgrade::TargetList targets_;  // the boards pressed for, never emptied
  std::string log_;                   // newest line first
  std::shared_ptr<Run> run_;          // while a run goes on
  std::shared_ptr<bool> alive_;       // false once the page has gone (window's thread only)
  QPointer<QWidget> watchedWindow_;
  QElapsedTimer waitClock_;

  QLineEdit* path_;
  QLineEdit* magic_;
  QLineEdit* length_;
  QLabel* info_;
  QPushButton* chooseButton_;
  QPushButton* upgradeButton_;
  QPushButton* stopButton_;
  QProgressBar* bar_;
  QLabel* percent_;
  QLabel* status_;
  QLabel* wait_;
  QPlainTextEdit* logBox_;
  QTimer* waitTimer_;
};
