#include "detect/detection_pages.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <span>

#include "detect/detection.h"
#include "detect/detection_views.h"
#include "device/board.h"
#include "device/board_list.h"
#include "pages/page_host.h"
#include "resources/string_table.h"

namespace {

// Held by every call on a detection handle these pages make; recursive because a message box
// opened during a call runs nested ticks on the same thread.
std::recursive_mutex& HandleCalls() {
  static std::recursive_mutex lock;
  return lock;
}

// A read-only report list: grid lines, whole-row selection, left-aligned columns whose widths
// are given in dialog units (a quarter of the average character width each).
QTableWidget* ReportList(QWidget* parent, std::span<const tav::DetectionColumn> columns,
                         const char* name) {
  auto* list = new QTableWidget(0, int(columns.size()), parent);
  list->setObjectName(QLatin1String(name));
  list->setAccessibleName(QString::fromUtf8(tav::kTextStreamStatistics));
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->verticalHeader()->hide();
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->horizontalHeader()->setStretchLastSection(true);
  // Each column starts as wide as its title; the board tool's widths (dialog units) would not
  // fit the page, so the columns follow their contents instead (FitColumns).
  for (int c = 0; c < int(columns.size()); ++c)
    list->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(columns[c].title)));
  list->resizeColumnsToContents();
  for (int c = 0; c < list->columnCount(); ++c) list->setColumnWidth(c, list->columnWidth(c) + 16);
  return list;
}

// Widens the columns to their texts (never narrower than the titles).
void FitColumns(QTableWidget* list) {
  for (int c = 0; c + 1 < list->columnCount(); ++c) {
    const int before = list->columnWidth(c);
    list->resizeColumnToContents(c);
    list->setColumnWidth(c, std::max(before, list->columnWidth(c) + 12));
  }
}

// A list high enough for its header and `rows` rows, no higher.
void FitHeight(QTableWidget* list, int rows) {
  const int height = list->horizontalHeader()->sizeHint().height() +
                     rows * list->verticalHeader()->defaultSectionSize() + 2 * list->frameWidth();
  list->setFixedHeight(height);
}

// Board texts go in as plain cell text (a table cell never renders markup).
template <std::size_t N>
void FillRow(QTableWidget* list, int row, const std::array<std::string, N>& texts) {
  for (int c = 0; c < int(N); ++c)
    list->setItem(row, c, new QTableWidgetItem(QString::fromStdString(texts[c])));
}

QLabel* PlainLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// ---- CRightView13

CRightView13::CRightView13(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView13"));
  // While the page is being destroyed the view sees no board, so its own stop does nothing:
  // the destructor hands the stop to a worker instead.
  view_ = std::make_unique<tav::OneEncoderView>(
      [this]() -> CBoard* { return closing_ ? nullptr : currentBoard(); }, notifier());

  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(tav::str(tav::kStrEncoderDataDetection))));
  auto* buttons = new QHBoxLayout;
  startButton_ = addButton(buttons, QString::fromUtf8(tav::kTextStart), "start");
  stopButton_ = addButton(buttons, QString::fromUtf8(tav::kTextStop), "stop");
  startButton_->setAccessibleName(QString::fromUtf8(tav::kTextStart));
  stopButton_->setAccessibleName(QString::fromUtf8(tav::kTextStop));
  buttons->addStretch(1);
  column->addLayout(buttons);
  QLabel* caption = PlainLabel(tav::kTextStreamStatistics, this);
  column->addWidget(caption);
  list_ = ReportList(this, tav::OneEncoderColumns(), "statistics");
  caption->setBuddy(list_);
  // The header and the one row; the address column has room for any address.
  FitHeight(list_, 1);
  list_->setColumnWidth(
      0, list_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  column->addWidget(list_);
  column->addStretch(1);

  action().addButton(startButton_);
  action().addButton(stopButton_);
  connect(startButton_, &QPushButton::clicked, this, &CRightView13::start);
  connect(stopButton_, &QPushButton::clicked, this, &CRightView13::stop);
  timer_ = new QTimer(this);
  timer_->setInterval(tav::kDetectionPollPeriod);
  connect(timer_, &QTimer::timeout, this, &CRightView13::tick);
}

CRightView13::~CRightView13() {
  timer_->stop();
  CBoard* board = encoder();
  closing_ = true;
  if (board && board->statisticsRunning == 1) {
    // Leaving the page stops the board's detection without waiting for the library: the board
    // is idle at once and the handle stops on a worker (a stop already running finishes it).
    std::shared_ptr<void> handle = board->statisticsClient;
    board->statisticsRunning = 0;
    board->statisticsAddress.clear();
    log(tav::str(tav::kStrDetectionStopped));
    if (handle && !busy())
      tav::detail::StartWorker([handle] {
        std::lock_guard lock(HandleCalls());
        tav::DetectionApi().stop(static_cast<QORSDK_HANDLE>(handle.get()));
      });
  }
  view_.reset();
}

CBoard* CRightView13::encoder() {
  CBoard* board = currentBoard();
  return board && board->IsEncoder() ? board : nullptr;
}

bool CRightView13::polling() const {
  return timer_->isActive();
}

void CRightView13::start() {
  std::unique_lock lock(HandleCalls(), std::try_to_lock);
  if (!lock) {
    // The handle is still stopping on a worker (the page was left and opened again within
    // 200 ms): start once it is free.
    QTimer::singleShot(20, this, &CRightView13::start);
    return;
  }
  // Making and starting a handle only starts the library's receiver thread: nothing waits.
  view_->Start();
  if (view_->TimerArmed() && !timer_->isActive()) timer_->start();
}

void CRightView13::tick() {
  if (busy()) return;  // a stop is running on the worker
  std::unique_lock lock(HandleCalls(), std::try_to_lock);
  if (!lock) return;
  view_->Tick();
  lock.unlock();
  showRows();
}

void CRightView13::showRows() {
  const auto& rows = view_->Rows();
  list_->setRowCount(int(rows.size()));
  for (int r = 0; r < int(rows.size()); ++r) FillRow(list_, r, rows[r]);
}

void CRightView13::stop() {
  CBoard* board = encoder();
  if (!board || board->statisticsRunning != 1) return;
  struct Outcome {
    int result;
    std::int32_t running;
    std::string address;
  };
  std::shared_ptr<void> handle = board->statisticsClient;
  runOnBoard(
      *board,
      [](CBoard& copy, tav::BoardLink&, tav::Notifier&) {
        std::lock_guard lock(HandleCalls());
        const int result = copy.StopDetection();
        return Outcome{result, copy.statisticsRunning, copy.statisticsAddress};
      },
      [this, handle](Outcome outcome, CBoard* board) {
        if (board && board->statisticsClient == handle) {
          board->statisticsRunning = outcome.running;
          board->statisticsAddress = outcome.address;
        }
        // The timer keeps running; its ticks find the board idle and leave the row as it is.
        if (outcome.result != tav::kDetectOk)
          report(tav::str(tav::kStrDetectionStopFailed), tav::NoticeIcon::Error);
        else
          log(tav::str(tav::kStrDetectionStopped));
      });
}

// ---- CRightView14

CRightView14::CRightView14(tav::PageHost& host, QWidget* parent) : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CRightView14"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(makeTitle(QString::fromUtf8(tav::str(tav::kStrEncoderDataDetection))));
  QLabel* caption = PlainLabel(tav::kTextDetectableEncoders, this);
  column->addWidget(caption);
  list_ = ReportList(this, tav::DecoderSourcesColumns(), "encoders");
  list_->setAccessibleName(QString::fromUtf8(tav::kTextDetectableEncoders));
  caption->setBuddy(list_);
  FitHeight(list_, 4);
  column->addWidget(list_);
  column->addWidget(PlainLabel(tav::kTextDetectableNote, this));
  auto* buttons = new QHBoxLayout;
  detectButton_ = addButton(buttons, QString::fromUtf8(tav::kTextDetectEncoder), "detect");
  detectButton_->setAccessibleName(QString::fromUtf8(tav::kTextDetectEncoder));
  detectButton_->setEnabled(false);  // until the list has rows
  buttons->addStretch(1);
  column->addLayout(buttons);
  column->addStretch(1);
  connect(detectButton_, &QPushButton::clicked, this, &CRightView14::choose);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { choose(); });
}

CRightView14::~CRightView14() = default;

void CRightView14::onInitialUpdate() {
  CBoard* decoder = currentBoard();
  if (!decoder) return;
  view_ = std::make_unique<tav::DecoderSourcesView>(host().BoardList(), *decoder, notifier());
  const auto& rows = view_->Rows();
  list_->setRowCount(int(rows.size()));
  for (int r = 0; r < int(rows.size()); ++r) FillRow(list_, r, rows[r].texts);
  FitColumns(list_);
  detectButton_->setEnabled(view_->ButtonEnabled());
}

void CRightView14::choose() {
  if (!view_) return;
  // The list's selection mark; -1 when no row was ever marked (the view takes the first row).
  const int mark = list_->currentRow();
  if (std::optional<std::uint32_t> address = view_->Choose(mark))
    host().openStatisticsWindow(*address);
}
