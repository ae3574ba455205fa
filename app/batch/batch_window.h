#pragma once
// The batch window (CCtrlWndMul): the tree of batch functions on the left (CLeftViewMul), the
// chosen function's page on the right: the selected devices, batch restart, batch factory
// reset, batch upgrade and the statistics of all encoders. Every page takes the main list's
// selection at the moment of its action. Runs go board by board on a worker: each board's
// result shows as it comes, and "停止" ends a run between boards.

#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <atomic>
#include <memory>
#include <vector>

#include "batch/batch_ops.h"
#include "pages/page_host.h"
#include "upgrade/upgrade_run.h"

class CMySplitterWnd;
class CTavmonDlg;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace tav {
class AllEncodersView;
class PageAction;
}  // namespace tav

namespace tav::batch {

// What the batch window needs from the main window; tests give their own.
class BatchHost : public PageHost {
 public:
  // Board indices of the rows selected in the main list now, in list order.
  virtual std::vector<int> SelectedBoards() = 0;
};

// The main window as the batch window's host.
std::unique_ptr<BatchHost> MakeMainBatchHost(CTavmonDlg& main);

// Plugs the batch window and the maintenance dialog into the main window's hooks.
void InstallBatchHooks();

// A page whose runs go through a PageAction; `stop` asks a run to end between boards.
class BatchPageBase : public QWidget {
  Q_OBJECT
 public:
  BatchPageBase(BatchHost& host, QWidget* parent);
  ~BatchPageBase() override;  // a run still going ends after the board on the wire
  PageAction& action() { return *action_; }
  bool busy() const;
  QPushButton* stopButton() const { return stop_; }
  QPlainTextEdit* progressBox() const { return progress_; }

  // Before a run: clears the progress box, arms "停止", gives the run's stop flag.
  std::shared_ptr<std::atomic<bool>> beginRun();
  void endRun();
  void showProgress(const QString& line);

 protected:
  // Adds the per-board progress box and the "停止" button below the page's controls.
  void addProgressArea(QBoxLayout* layout);
  // "停止": the run ends after the board (or component) on the wire.
  virtual void requestStop();

  BatchHost& host_;
  PageAction* action_;
  QPushButton* stop_ = nullptr;
  QPlainTextEdit* progress_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stopFlag_;
};

}  // namespace tav::batch

// CMULTIPLE_RIGHTVIEW4: one row per selected board of the main list.
class CMULTIPLE_RIGHTVIEW4 : public QWidget {
  Q_OBJECT
 public:
  CMULTIPLE_RIGHTVIEW4(tav::batch::BatchHost& host, QWidget* parent);
  QTableWidget* List() const { return list_; }

 private:
  QTableWidget* list_;
};

// CMULTIPLE_RIGHTVIEW0: batch restart.
class CMULTIPLE_RIGHTVIEW0 : public tav::batch::BatchPageBase {
  Q_OBJECT
 public:
  CMULTIPLE_RIGHTVIEW0(tav::batch::BatchHost& host, QWidget* parent);
  void Run(tav::batch::BatchButton button);
};

// CMULTIPLE_RIGHTVIEW1: batch factory reset behind the user name and password.
class CMULTIPLE_RIGHTVIEW1 : public tav::batch::BatchPageBase {
  Q_OBJECT
 public:
  CMULTIPLE_RIGHTVIEW1(tav::batch::BatchHost& host, QWidget* parent);
  void Run(tav::batch::BatchButton button);
  QLineEdit* User() const { return user_; }
  QLineEdit* Password() const { return password_; }

 private:
  QLineEdit* user_;
  QLineEdit* password_;
};

// CMULTIPLE_RIGHTVIEW2: batch upgrade from one upgrade file.
class CMULTIPLE_RIGHTVIEW2 : public tav::batch::BatchPageBase {
  Q_OBJECT
 public:
  CMULTIPLE_RIGHTVIEW2(tav::batch::BatchHost& host, QWidget* parent);
  ~CMULTIPLE_RIGHTVIEW2() override;
  // "选择文件" without the file dialog.
  void ChooseFile(const QString& path);
  void Run(tav::upgrade::BatchSet set);
  // Fills the target list from a button's board set, as the run does.
  tav::upgrade::TargetList TargetsFor(tav::upgrade::BatchSet set);
  const tav::upgrade::TargetList& Targets() const { return targets_; }
  QPlainTextEdit* LogBox() const { return log_; }
  QLabel* InfoLine() const { return info_; }
  // Tests give a sleeper that does not wait.
  tav::upgrade::Sleeper sleeper = tav::upgrade::RealSleep;

 private:
  void AddLogLine(std::string_view text);

  QLineEdit* path_;
  QLineEdit* magic_;
  QLineEdit* length_;
  QLabel* info_;
  QPlainTextEdit* log_;
  std::string logText_;
  tav::upgrade::ChosenFile file_;
  tav::upgrade::TargetList targets_;
  struct RunState;
  std::shared_ptr<RunState> run_;

 protected:
  void requestStop() override;
};

// CRightView11: the statistics of every encoder at once, polled every 200 ms on the window's
// thread (each tick reads counters only).
class CRightView11 : public QWidget {
  Q_OBJECT
 public:
  CRightView11(tav::PageHost& host, QWidget* parent);
  ~CRightView11() override;
  void Start();
  void Stop();
  void Tick();
  QTableWidget* List() const { return list_; }
  const QTimer& Timer() const { return timer_; }

 private:
  void Redraw();

  std::unique_ptr<tav::AllEncodersView> view_;
  QTableWidget* list_;
  QTimer timer_;
};

// CLeftViewMul: the batch functions; each item carries its page.
class CLeftViewMul : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CLeftViewMul(QWidget* parent);
  QTreeWidgetItem* ItemFor(tav::batch::BatchPage page) const;

 signals:
  void pageChosen(int page);
};

// CCtrlWndMul: the batch window.
class CCtrlWndMul : public QWidget {
  Q_OBJECT
 public:
  explicit CCtrlWndMul(std::unique_ptr<tav::batch::BatchHost> host);
  ~CCtrlWndMul() override;

  // Replaces the right page with a new page of the function; the old page is destroyed.
  void ShowPage(tav::batch::BatchPage page);
  tav::batch::BatchPage CurrentPageKind() const { return kind_; }
  QWidget* CurrentPage() const { return page_; }
  CLeftViewMul* Tree() const { return tree_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::unique_ptr<tav::batch::BatchHost> host_;
  CMySplitterWnd* splitter_ = nullptr;
  CLeftViewMul* tree_ = nullptr;
  QWidget* page_ = nullptr;
  tav::batch::BatchPage kind_ = tav::batch::BatchPage::Blank;
};
