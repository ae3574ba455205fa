// The detection pages as a user drives them: one encoder's statistics over a stand-in library
// and over qorsim's streams, the window's event loop staying free with a silent board, and a
// decoder's list of encoders opening the chosen encoder's statistics window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>

#include "boards.h"
#include "detect/detection.h"
#include "detect/detection_pages.h"
#include "detect/detection_views.h"
#include "device/board_list.h"
#include "fake_board_link.h"
#include "fake_client.h"
#include "pages/page_action.h"
#include "pages/page_host.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_tree.h"
#include "shell/main_window.h"
#include "shell/shell_hooks.h"

using tav::str;
using tav::test::Decoder;
using tav::test::Encoder;
using tav::test::FakeClient;
using tav::test::Ip;

namespace {

class Host : public tav::PageHost {
 public:
  CBoardCtrl list;
  int current = 0;
  tav::test::RecordingNotifier notes;
  tav::test::FakeBoardLink fake;
  std::vector<std::uint32_t> opened;

  CBoard* CurrentBoard() override { return current < list.Count() ? &list.At(current) : nullptr; }
  CBoardCtrl& BoardList() override { return list; }
  tav::Notifier& notifier() override { return notes; }
  tav::BoardLink& link() override { return fake; }
  void openStatisticsWindow(std::uint32_t address) override { opened.push_back(address); }

  bool logged(const std::string& text) const {
    return std::count(notes.logLines.begin(), notes.logLines.end(), text) > 0;
  }
  int shown(const std::string& text) const {
    return int(std::count_if(notes.messages.begin(), notes.messages.end(),
                             [&](const auto& m) { return m.text == text; }));
  }
};

void Settle() {
  ASSERT_TRUE(QTest::qWaitFor([] { return tav::PageAction::Running() == 0; }, 5000));
}

void Click(QWidget* page, const char* name) {
  QAbstractButton* b = page->findChild<QAbstractButton*>(QLatin1String(name));
  ASSERT_TRUE(b) << name;
  ASSERT_TRUE(b->isEnabled()) << name;
  b->click();
  Settle();
}

QTableWidget* List(QWidget* page, const char* name) {
  return page->findChild<QTableWidget*>(QLatin1String(name));
}

std::string Cell(QTableWidget* list, int row, int column) {
  QTableWidgetItem* item = list->item(row, column);
  return item ? item->text().toStdString() : "";
}

bool Near(const std::string& text, int expected) {
  const int value = text.empty() ? -1 : std::atoi(text.c_str());
  return value >= expected * 0.9 && value <= expected * 1.1;
}

// Saves the page when TAVMON_SHOTS names a folder (for looking at the layout).
void Shot(QWidget* page, const char* name) {
  if (const char* dir = std::getenv("TAVMON_SHOTS"))
    page->grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

// Records the longest pause of the window's event loop while it lives.
struct LoopWatch {
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer ticker;
  LoopWatch() {
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [this] {
      const qint64 now = clock.elapsed();
      longest = std::max(longest, now - last);
      last = now;
    });
    clock.start();
    ticker.start();
  }
};

}  // namespace

TEST(StatisticsPage, StartPollStopAndLeavingThePage) {
  FakeClient client;
  Host host;
  host.list.Add(Encoder("192.168.1.7", "239.1.1.7", 1234, 1));
  auto* page = new CRightView13(host);
  page->resize(450, 500);
  page->show();
  QTableWidget* list = List(page, "statistics");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->horizontalHeaderItem(1)->text().toStdString(), "总码率");

  Click(page, "start");
  EXPECT_TRUE(page->polling());
  EXPECT_TRUE(host.logged("开始数据检测。"));
  client.setRates(1, 4200, 4000, 128);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(list, 0, 2) == "4000"; }, 2000));
  EXPECT_EQ(list->rowCount(), 1);
  EXPECT_EQ(Cell(list, 0, 0), "192.168.1.7");
  EXPECT_EQ(Cell(list, 0, 1), "4200");
  EXPECT_EQ(Cell(list, 0, 3), "128");
  Shot(page, "CRightView13");

  // A second start does not touch the library.
  const auto calls = client.calls.size();
  Click(page, "start");
  EXPECT_EQ(host.shown("数据检测正在运行。"), 1);
  EXPECT_EQ(host.notes.messages.back().icon, tav::NoticeIcon::Error);  // a failure

  Click(page, "stop");
  EXPECT_TRUE(std::find(client.calls.begin() + long(calls), client.calls.end(),
                        "stop 192.168.1.7") != client.calls.end());
  EXPECT_TRUE(host.logged("停止数据检测。"));
  EXPECT_EQ(host.list.At(0).statisticsRunning, 0);
  EXPECT_TRUE(page->polling());  // left running; it finds the board idle
  QTest::qWait(300);
  EXPECT_EQ(Cell(list, 0, 2), "4000");  // the last row stays

  // Started again on the same handle, then the page is left while detecting: the board is
  // idle at once and the handle stops on a worker.
  Click(page, "start");
  EXPECT_EQ(client.creates, 1);
  host.notes.logLines.clear();
  delete page;
  EXPECT_EQ(host.list.At(0).statisticsRunning, 0);
  EXPECT_TRUE(host.list.At(0).statisticsAddress.empty());
  EXPECT_TRUE(host.logged("停止数据检测。"));
  QThreadPool::globalInstance()->waitForDone();
  EXPECT_EQ(client.calls.back(), "stop 192.168.1.7");
}

TEST(StatisticsPage, FailedStartAndFailedReadAreSaidOnce) {
  FakeClient client;
  Host host;
  host.list.Add(Encoder("192.168.1.7", "192.168.1.255", 1234, 0));
  CRightView13 page(host);
  page.show();
  client.startResult = 11;
  Click(&page, "start");
  EXPECT_EQ(host.shown("端口绑定失败。"), 1);
  EXPECT_FALSE(page.polling());

  client.startResult = 0;
  client.getResult = 3;
  Click(&page, "start");
  ASSERT_TRUE(page.polling());
  QTest::qWait(700);  // several ticks
  EXPECT_EQ(host.shown("获取码流信息失败。"), 1);
  EXPECT_EQ(host.list.At(0).statisticsRunning, 0);
  EXPECT_EQ(List(&page, "statistics")->rowCount(), 0);
}

TEST(DecoderSourcesPage, NoSourceDisablesTheButton) {
  Host host;
  host.list.Add(Encoder("192.168.1.7", "236.1.2.3", 1234, 1));
  host.list.Add(Decoder("192.168.1.50", 4, "236.1.2.3", 1234));  // TCP receive
  host.current = 1;
  CRightView14 page(host);
  page.show();
  page.initialUpdate();
  EXPECT_EQ(List(&page, "encoders")->rowCount(), 0);
  ASSERT_EQ(host.notes.messages.size(), 1u);
  EXPECT_EQ(host.notes.messages[0].text, tav::kTextNoDetectableEncoder);
  EXPECT_EQ(host.notes.messages[0].icon, tav::NoticeIcon::Information);
  EXPECT_FALSE(page.findChild<QAbstractButton*>("detect")->isEnabled());
}

TEST(DecoderSourcesPage, TwoEncodersListedAndTheChosenOneOpened) {
  Host host;
  host.list.Add(Encoder("192.168.1.7", "236.1.2.3", 1234, 1));
  host.list.Add(Encoder("192.168.1.8", "236.1.2.3", 1234, 1));
  host.list.Add(Encoder("192.168.1.9", "236.1.2.3", 1235, 1));  // other port
  host.list.Add(Decoder("192.168.1.50", 1, "236.1.2.3", 1234));
  host.current = 3;
  auto page = std::make_unique<CRightView14>(host);
  page->resize(450, 500);
  page->show();
  page->initialUpdate();
  QTableWidget* list = List(page.get(), "encoders");
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(Cell(list, 1, 0), "192.168.1.8");
  EXPECT_EQ(Cell(list, 1, 2).substr(Cell(list, 1, 2).find('@')), "@236.1.2.3:1234");
  EXPECT_EQ(host.shown(tav::kTextSeveralEncoders), 1);
  Shot(page.get(), "CRightView14");

  // No: nothing opens. Yes on the second row: that encoder's window is asked for.
  list->setCurrentCell(1, 0);
  Click(page.get(), "detect");
  EXPECT_TRUE(host.opened.empty());
  EXPECT_EQ(host.notes.questions.back(), tav::kTextAskDetect);
  EXPECT_EQ(host.notes.questionLooks.back(),
            std::pair(std::string("确认"), tav::AskButtons::YesNo));
  host.notes.answers = {true};
  Click(page.get(), "detect");
  ASSERT_EQ(host.opened.size(), 1u);
  EXPECT_EQ(host.opened[0], Ip("192.168.1.8"));
}

// The whole path in the program: the search's link diagnosis in the log, then the decoder's
// window closes and a window on the encoder's statistics page opens in its place.
TEST(DecoderSourcesPage, OpensTheEncodersStatisticsWindow) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"({"boards": [
    {"address": "10.77.0.81", "type": 1, "name": "ENC", "send": {"address": "239.77.0.81", "port": 1234, "mode": 1}},
    {"address": "10.77.0.82", "type": 4, "name": "DEC", "receive": {"address": "239.77.0.81", "port": 1234, "mode": 1}}
  ]})"));
  sim.start();
  tav::test::RecordingNotifier notes;
  CTavmonDlg window(&notes);
  window.show();
  tav::shellHooks().diagnoseLinks = tav::RunLinkDiagnosis;  // as main() sets it
  window.StartSearch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Searching(); }, 6000));
  tav::shellHooks().diagnoseLinks = nullptr;
  ASSERT_EQ(window.DeviceList()->rowCount(), 2);
  // The search ends with the link diagnosis: the decoder names no encoder as its source.
  EXPECT_NE(window.LogText().find("10.77.0.82:该解码板点播的编码地址不存在!"), std::string::npos);
  window.DeviceList()->selectRow(1);
  ASSERT_EQ(window.CurrentBoard()->AddressText(), "10.77.0.82");
  window.OnSingleBoard();
  QPointer<CCtrlWnd> decoderWnd = window.CtrlWindow();
  ASSERT_TRUE(decoderWnd);
  decoderWnd->Tree()->setCurrentItem(decoderWnd->Tree()->ItemForCode(tav::kCodeStatistics));
  auto* page = qobject_cast<CRightView14*>(decoderWnd->CurrentPage());
  ASSERT_TRUE(page);
  page->initialUpdate();
  Shot(decoderWnd, "decoder-window");
  notes.answers = {true};
  Click(page, "detect");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(decoderWnd);
  ASSERT_TRUE(window.CtrlWindow());
  EXPECT_EQ(window.CtrlWindow()->CurrentView(), 13);
  Shot(window.CtrlWindow(), "encoder-window");
  EXPECT_EQ(window.CurrentBoard()->AddressText(), "10.77.0.81");
  EXPECT_FALSE(window.isEnabled());
  window.CtrlWindow()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isEnabled());
}

// The real library against a board that accepts and never answers: starting, polling,
// stopping and leaving the page never pause the window's event loop.
TEST(StatisticsPageLan, SilentBoardNeverFreezesTheWindow) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(
      R"({"boards": [{"address": "10.77.0.83", "type": 1, "faults": {"silent": true}}]})"));
  sim.start();
  Host host;
  host.list.Add(Encoder("10.77.0.83", "239.77.0.83", 1234, 1));
  auto* page = new CRightView13(host);
  page->show();
  LoopWatch watch;
  Click(page, "start");
  ASSERT_TRUE(page->polling());
  QTest::qWait(1000);
  EXPECT_EQ(Cell(List(page, "statistics"), 0, 1), "0");
  Click(page, "stop");
  EXPECT_TRUE(host.logged("停止数据检测。"));
  Click(page, "start");
  QTest::qWait(300);
  delete page;  // stops on a worker
  QTest::qWait(400);
  EXPECT_LT(watch.longest, 100);
  QThreadPool::globalInstance()->waitForDone();
}

// qorsim streaming 4,000 kbit/s video and 128 kbit/s audio: the page shows both within 10% and
// the rates fall to 0 within 2 s of the stream stopping.
TEST(StatisticsPageLan, ShowsTheStreamsRatesAndTheirFall) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"({"boards": [
    {"address": "10.77.0.84", "type": 1, "name": "组播编码", "send": {"address": "239.77.0.84", "port": 1234, "mode": 1},
     "encoding": {"enable": 1, "bitRate": 4000}, "audio": {"enable": 1, "bitRate": 128}}]})"));
  sim.setStreams(true);
  sim.start();
  Host host;
  CBoard encoder;
  encoder.SetSourceAddress(Ip("10.77.0.84"));
  ASSERT_EQ(encoder.RefreshStatus(), 0);
  host.list.Add(encoder);
  CRightView13 page(host);
  page.resize(450, 500);
  page.show();
  LoopWatch watch;
  Click(&page, "start");
  QTableWidget* list = List(&page, "statistics");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Near(Cell(list, 0, 2), 4000) && Near(Cell(list, 0, 3), 128); }, 5000))
      << Cell(list, 0, 1) << " " << Cell(list, 0, 2) << " " << Cell(list, 0, 3);
  EXPECT_EQ(Cell(list, 0, 0), "10.77.0.84");
  Shot(&page, "CRightView13-qorsim");

  qorsim::Faults faults;
  faults.streamOff = true;
  sim.setFaults("10.77.0.84", faults);
  QElapsedTimer fall;
  fall.start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(list, 0, 1) == "0"; }, 3000));
  EXPECT_LT(fall.elapsed(), 2000);
  EXPECT_LT(watch.longest, 100);
  Click(&page, "stop");
}
