#include "upgrade/upgrade_page.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

#include "device/board.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

using tav::qs;
using tav::u8;
namespace up = tav::upgrade;

namespace {

// Runs `f` on the window's thread unless the page has gone by then.
template <class F>
void PostToPage(const std::shared_ptr<bool>& alive, F f) {
  QMetaObject::invokeMethod(
      qApp,
      [alive, f = std::move(f)]() mutable {
        if (*alive) f();
      },
      Qt::QueuedConnection);
}

QLabel* PlainLabel(const QString& text, const char* name, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  l->setTextFormat(Qt::PlainText);  // may carry text out of a package or a board's address
  return l;
}

}  // namespace

struct CRightView10::Run {
  Run(tav::BoardLink& link, up::UpgradeEvents events)
      : engine(link, notifier, up::RulesFor(up::PageKind::SingleBoard), std::move(events)) {}
  tav::ForwardNotifier notifier;  // to the worker's relay while the run is on the worker
  up::UpgradeEngine engine;
};

CRightView10::CRightView10(tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent), alive_(std::make_shared<bool>(true)) {
  setObjectName(QStringLiteral("CRightView10"));
  setAccessibleName(qs(tav::str(tav::kStrProgramUpgrade)));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(tav::str(tav::kStrProgramUpgrade))));

  auto* group = new QGroupBox(QStringLiteral("选择升级文件"), this);
  group->setObjectName(QStringLiteral("fileGroup"));
  auto* groupColumn = new QVBoxLayout(group);
  auto* form = new QFormLayout;
  path_ = new QLineEdit(this);
  path_->setObjectName(QStringLiteral("filePath"));
  magic_ = new QLineEdit(this);
  magic_->setObjectName(QStringLiteral("fileMagic"));
  length_ = new QLineEdit(this);
  length_->setObjectName(QStringLiteral("fileLength"));
  for (QLineEdit* e : {path_, magic_, length_}) e->setReadOnly(true);  // filled by the choice
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_, 1);
  chooseButton_ = new QPushButton(QStringLiteral("选择文件"), this);
  chooseButton_->setObjectName(QStringLiteral("chooseFile"));
  chooseButton_->setAccessibleName(chooseButton_->text());
  pathRow->addWidget(chooseButton_);
  auto* pathLabel = new QLabel(tr("文件名"), this);
  pathLabel->setBuddy(path_);
  path_->setAccessibleName(pathLabel->text());
  form->addRow(pathLabel, pathRow);
  addRow(form, tr("文件标识"), magic_);
  addRow(form, tr("文件长度(字节)"), length_);
  groupColumn->addLayout(form);
  info_ = PlainLabel(QStringLiteral("文件信息："), "fileInfo", this);
  info_->setWordWrap(true);
  info_->setAccessibleName(tr("文件信息"));
  groupColumn->addWidget(info_);
  column->addWidget(group);

  auto* buttons = new QHBoxLayout;
  upgradeButton_ = addButton(buttons, QStringLiteral("升级"), "upgrade");
  stopButton_ = addButton(buttons, QStringLiteral("停止"), "stop");
  upgradeButton_->setAccessibleName(upgradeButton_->text());
  stopButton_->setAccessibleName(stopButton_->text());
  stopButton_->setEnabled(false);  // only while a run goes on; never an action button
  buttons->addStretch(1);
  column->addLayout(buttons);
  action().addButton(chooseButton_);
  action().addButton(upgradeButton_);

  auto* progressRow = new QHBoxLayout;
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progress"));
  bar_->setAccessibleName(tr("升级进度"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  progressRow->addWidget(bar_, 1);
  percent_ = PlainLabel(QStringLiteral("已完成：0%"), "percent", this);
  percent_->setAccessibleName(tr("完成比例"));
  // Wide enough for the whole run, so the bar does not jump as the figures grow.
  percent_->setMinimumWidth(percent_->fontMetrics().horizontalAdvance(qs(up::ProgressText(1, 1))) +
                            4);
  progressRow->addWidget(percent_);
  column->addLayout(progressRow);

  auto* statusRow = new QHBoxLayout;
  status_ = PlainLabel(QString(), "status", this);
  status_->setAccessibleName(tr("升级状态"));
  wait_ = PlainLabel(QString(), "wait", this);
  wait_->setAccessibleName(tr("等待时间"));
  statusRow->addWidget(status_, 1);
  wait_->setMinimumWidth(wait_->fontMetrics().horizontalAdvance(tr("已等待 %1 秒").arg(999)) + 4);
  wait_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusRow->addWidget(wait_);
  column->addLayout(statusRow);

  logBox_ = new QPlainTextEdit(this);
  logBox_->setObjectName(QStringLiteral("log"));
  logBox_->setAccessibleName(tr("升级日志"));
  logBox_->setReadOnly(true);
  column->addWidget(logBox_, 1);
  // Room under the log for the page's busy line.
  column->addSpacing(fontMetrics().height() + 12);

  waitTimer_ = new QTimer(this);
  waitTimer_->setInterval(250);
  connect(waitTimer_, &QTimer::timeout, this, &CRightView10::tickWait);
  connect(chooseButton_, &QPushButton::clicked, this, &CRightView10::browse);
  connect(upgradeButton_, &QPushButton::clicked, this, &CRightView10::upgrade);
  connect(stopButton_, &QPushButton::clicked, this, &CRightView10::stop);
}

CRightView10::~CRightView10() {
  // The worker finishes the component on the wire against its own deadline; what it reports
  // after this goes nowhere.
  *alive_ = false;
  if (run_) run_->engine.Stop();
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
}

void CRightView10::showEvent(QShowEvent* event) {
  SettingsPage::showEvent(event);
  QWidget* top = window();
  if (top == watchedWindow_) return;
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
  watchedWindow_ = top;
  top->installEventFilter(this);
}

bool CRightView10::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_ && event->type() == QEvent::Close && run_) {
    // Closing mid-run asks; Yes stops after the component on the wire, No keeps the window.
    const bool close = notifier().question(
        {u8(tr("正在升级程序。关闭窗口后将在当前文件发送完毕时停止升级，确定要关闭吗？")),
         up::kQuestionTitle});
    if (!close) {
      event->ignore();
      return true;
    }
    stop();
  }
  return SettingsPage::eventFilter(watched, event);
}

void CRightView10::browse() {
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("选择文件"), path_->text(),
                                   QStringLiteral("升级文件(*.qoru);;所有文件(*.*)"));
  if (!path.isEmpty()) chooseFile(path);
}

void CRightView10::chooseFile(const QString& path) {
  const std::string file = u8(path);
  const up::PackageRead read = up::ReadPackageFile(file, up::PageKind::SingleBoard);
  file_ = up::ChosenFile{file, read.header.magic, static_cast<std::int64_t>(read.fileLength),
                         read.header};
  path_->setText(path);
  magic_->setText(qs(read.header.magic));
  length_->setText(read.openFailed ? QString() : QString::number(read.fileLength));
  info_->setText(qs(read.infoLine.empty() ? up::kInfoEmpty : read.infoLine));
  if (read.openFailed) {
    file_.length = 0;
    reportPlain(up::kRefuseOpen);
  } else if (read.tooShort) {
    reportPlain(up::kTooShortText);
  }
}

void CRightView10::upgrade() {
  if (run_) return;
  if (CBoard* board = currentBoard()) targets_.add(board->ContactAddress(), board->deviceType());
  if (targets_.empty()) {
    reportPlain(u8(tr("没有选中的设备。")));
    return;
  }

  auto alive = alive_;
  up::UpgradeEvents events;
  events.status = [this, alive](std::string_view text) {
    PostToPage(alive, [this, t = qs(text)] { showStatus(t); });
  };
  events.progress = [this, alive](int percent, std::string_view text) {
    PostToPage(alive, [this, percent, t = qs(text)] { showProgress(percent, t); });
  };
  events.log = [this, alive](std::string_view text) {
    PostToPage(alive, [this, t = std::string(text)] { addLogLine(t); });
  };
  auto run = std::make_shared<Run>(link(), std::move(events));

  // The checks and the question on the window's thread; loading and sending on the worker.
  const up::ChosenFile file = file_;
  const std::string refusal = run->engine.Check(file, up::FileLength(file.path), targets_);
  if (!refusal.empty()) {
    reportPlain(refusal);
    return;
  }
  if (!notifier().question({up::kQuestion, up::kQuestionTitle})) return;

  run_ = run;
  bar_->setValue(0);
  percent_->setText(QStringLiteral("已完成：0%"));
  stopButton_->setEnabled(true);
  const up::TargetList targets = targets_;
  action().run(
      [run, file, targets](tav::Notifier& relay) {
        run->notifier.target = &relay;
        up::RunSummary summary;
        // The file is looked at again: it may have changed since the question.
        const std::int64_t length = up::FileLength(file.path);
        summary.refusal = run->engine.Check(file, length, targets);
        if (!summary.refusal.empty()) {
          relay.message(summary.refusal, tav::NoticeIcon::Warning);
        } else {
          const up::ComponentCheck check =
              up::CheckComponents(file.header, static_cast<std::uint64_t>(length));
          up::LoadedComponents loaded = up::LoadComponents(file.path, check.components);
          if (!loaded.refusal.empty()) {
            summary.refusal = loaded.refusal;
            relay.message(summary.refusal, tav::NoticeIcon::Error);
          } else {
            summary = run->engine.Send(loaded.data, targets);
          }
        }
        run->notifier.target = nullptr;
        return summary;
      },
      [this](up::RunSummary summary) { runEnded(summary); });
}

void CRightView10::stop() {
  if (!run_) return;
  run_->engine.Stop();
  stopButton_->setEnabled(false);
}

void CRightView10::showStatus(const QString& text) {
  status_->setText(text);
  waitClock_.start();
  wait_->clear();
  if (run_ && !waitTimer_->isActive()) waitTimer_->start();
}

void CRightView10::showProgress(int percent, const QString& text) {
  bar_->setValue(percent);
  percent_->setText(text);
  waitClock_.start();
  wait_->clear();
}

void CRightView10::addLogLine(const std::string& text) {
  const QTime now = QTime::currentTime();
  std::tm local{};
  local.tm_hour = now.hour();
  local.tm_min = now.minute();
  local.tm_sec = now.second();
  up::PrependLogLine(log_, up::PageLogLine(local, text));
  logBox_->setPlainText(qs(log_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CRightView10::tickWait() {
  if (!run_ || !waitClock_.isValid()) return;
  const qint64 seconds = waitClock_.elapsed() / 1000;
  wait_->setText(seconds > 0 ? tr("已等待 %1 秒").arg(seconds) : QString());
}

void CRightView10::runEnded(const up::RunSummary&) {
  run_.reset();
  stopButton_->setEnabled(false);
  waitTimer_->stop();
  wait_->clear();
}
