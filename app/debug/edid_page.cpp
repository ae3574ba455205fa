#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "debug/debug_pages.h"
#include "device/board.h"
#include "resources/string_table.h"

using tav::qs;
using tav::str;
using namespace tav::string_ids;

EdidDebug::EdidDebug(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("EdidDebug"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(qs(str(kStrEdidDebug))));

  auto* boxes = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  edid_ = tav::MonoTextBox(this, "edidText", QString(40, QLatin1Char('0')), 16);
  edid_->setReadOnly(true);
  edid_->setPlaceholderText(tr("尚未读取EDID。"));
  summary_ = tav::MonoTextBox(this, "edidSummary", QString(24, QLatin1Char('0')), 16);
  summary_->setReadOnly(true);
  summary_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  summary_->setPlaceholderText(tr("读取EDID后在此显示解析结果。"));
  auto* edidLabel = new QLabel(tr("EDID信息："), this);
  auto* summaryLabel = new QLabel(tr("结果分析："), this);
  edidLabel->setBuddy(edid_);
  summaryLabel->setBuddy(summary_);
  edid_->setAccessibleName(edidLabel->text());
  summary_->setAccessibleName(summaryLabel->text());
  left->addWidget(edidLabel);
  left->addWidget(edid_, 1);
  right->addWidget(summaryLabel);
  right->addWidget(summary_, 1);
  boxes->addLayout(left, 1);
  boxes->addLayout(right, 1);
  column->addLayout(boxes, 1);

  auto* reads = new QHBoxLayout;
  auto* readBoard = addButton(reads, tr("获取设备EDID"), "readBoardEdid");
  auto* readMonitor = addButton(reads, tr("获取显示器EDID"), "readMonitorEdid");
  auto* copy = addButton(reads, tr("显示器EDID写入EEPROM"), "copyMonitorEdid");
  reads->addStretch(1);
  auto* changes = new QHBoxLayout;
  lock_ = addButton(changes, qs(str(kStrLockEdid)), "lockEdid");
  auto* clearButton = addButton(changes, tr("清空EDID"), "clearEdid");
  changes->addStretch(1);
  column->addLayout(reads);
  column->addLayout(changes);

  for (QPushButton* b : {readBoard, readMonitor, copy, lock_, clearButton}) {
    b->setAccessibleName(b->text());
    action().addButton(b);
  }
  // Without the lock state only the lock button waits: the reads, clear and copy need nothing
  // read first, and clear and copy read the lock state again when they end.
  for (QWidget* w :
       std::initializer_list<QWidget*>{readBoard, readMonitor, copy, clearButton, edid_, summary_})
    keepUsable(w);
  setNoDataText(tr("没有设备数据：EDID锁定状态读取失败，重新进入本页可再次读取。"));
  connect(readBoard, &QPushButton::clicked, this, &EdidDebug::readBoardEdid);
  connect(readMonitor, &QPushButton::clicked, this, &EdidDebug::readMonitorEdid);
  connect(copy, &QPushButton::clicked, this, &EdidDebug::copyMonitor);
  connect(lock_, &QPushButton::clicked, this, &EdidDebug::toggleLock);
  connect(clearButton, &QPushButton::clicked, this, &EdidDebug::clear);
  showLock();
}

void EdidDebug::readLockState() {
  run(Op::ReadLock);
}
void EdidDebug::toggleLock() {
  if (lockKnown_) run(Op::Toggle);
}
void EdidDebug::clear() {
  run(Op::Clear);
}
void EdidDebug::copyMonitor() {
  run(Op::Copy);
}
void EdidDebug::readBoardEdid() {
  run(Op::ReadBoard);
}
void EdidDebug::readMonitorEdid() {
  run(Op::ReadMonitor);
}

void EdidDebug::showLock() {
  lock_->setText(qs(str(lockFlag_ != 0 ? 293 : 292)));
  lock_->setAccessibleName(lock_->text());
  // Lock or unlock is chosen from the board's state: without it the button waits.
  lock_->setEnabled(lockKnown_ && !busy());
  lock_->setToolTip(lockKnown_ ? QString()
                               : tr("EDID锁定状态未知（读取失败），重新进入本页可再次读取。"));
}

void EdidDebug::run(Op op) {
  CBoard* board = currentBoard();
  if (!board) return;
  struct Result {
    long flag = 0;
    bool lockRead = false;
    std::optional<std::string> text, summary;
  };
  runOnBoard(
      *board,
      [op, flag = lockFlag_](CBoard& copy, tav::BoardLink& link, tav::Notifier& n) {
        tav::EdidTool tool(link, copy.AddressText(), n);
        tool.setLockFlag(flag);
        switch (op) {
          case Op::ReadLock:
            tool.readLockState();
            break;
          case Op::Toggle:
            tool.toggleLock();
            break;
          case Op::Clear:
            tool.clear();
            break;
          case Op::Copy:
            tool.copyMonitor();
            break;
          case Op::ReadBoard:
            tool.readBoardEdid();
            break;
          case Op::ReadMonitor:
            tool.readMonitorEdid();
            break;
        }
        Result r;
        r.flag = tool.locked() ? 1 : 0;
        r.lockRead = tool.lockReads() > 0;
        if (tool.edid()) {
          r.text = tool.edidText();
          r.summary = tool.summaryText();
        }
        return r;
      },
      [this, op](Result r, CBoard*) {
        if (r.lockRead) {
          lockFlag_ = r.flag;
          lockKnown_ = true;
        }
        if (op != Op::ReadBoard && op != Op::ReadMonitor) markBoardRead(r.lockRead);
        // Only a read that gave values replaces the text (a partial one too).
        if (r.text) {
          edid_->setPlainText(tav::BoxText(*r.text));
          summary_->setPlainText(tav::BoxText(*r.summary));
        }
        showLock();
      });
  showLock();
}
