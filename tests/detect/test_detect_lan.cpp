// Detection against simulated boards in the test LAN: qorsim's streams counted by the library's
// receiver and reported by tavctl detect and by the statistics pages within 10%, rates falling
// to 0 within 2 s of a stream stopping, and the link diagnosis of tavctl search and diagnose.

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "commands.h"
#include "detect/detection.h"
#include "detect/detection_views.h"
#include "device/board_list.h"
#include "qorsdk.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace std::chrono_literals;

namespace {

const char* const kFleet = R"({"boards": [
  {"address": "10.77.0.11", "type": 1, "name": "组播编码", "send": {"address": "239.77.0.11", "port": 1234, "mode": 1},
   "encoding": {"enable": 1, "bitRate": 4000}, "audio": {"enable": 1, "bitRate": 128}},
  {"address": "10.77.0.12", "type": 1, "name": "广播编码", "send": {"address": "10.77.0.255", "port": 5002, "mode": 0},
   "encoding": {"enable": 1, "bitRate": 1500}, "audio": {"enable": 0, "bitRate": 96}},
  {"address": "10.77.0.31", "type": 4, "name": "解码", "receive": {"address": "0.0.0.0", "port": 6000, "mode": 0}}
]})";

qorsim::Simulator streamingFleet() {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(kFleet));
  sim.setStreams(true);
  sim.start();
  return sim;
}

bool near(std::uint32_t value, std::uint32_t expected) {
  return value >= expected * 0.9 && value <= expected * 1.1;
}

CBoard boardAt(const char* address) {
  CBoard board;
  std::uint32_t a = 0;
  qor::parseIp(address, a);
  board.SetSourceAddress(a);
  EXPECT_EQ(board.RefreshStatus(), 0) << address;
  return board;
}

TEST(DetectLan, TavctlDetectReportsTheStreamsRates) {
  auto sim = streamingFleet();
  ctl::DetectOptions options;
  options.addresses = {"10.77.0.11", "10.77.0.12"};
  options.seconds = 3;
  options.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Detect(options, out, err), ctl::kExitOk) << err.str();
  std::istringstream lines(out.str());
  std::string line, last;
  int count = 0;
  while (std::getline(lines, line)) {
    last = line;
    ++count;
  }
  EXPECT_EQ(count, 3);
  auto sample = nlohmann::json::parse(last);
  EXPECT_EQ(sample["unit"], "kbit/s");
  const auto& first = sample["lines"][0];
  EXPECT_EQ(first["address"], "10.77.0.11");
  EXPECT_TRUE(near(first["video"], 4000)) << last;
  EXPECT_TRUE(near(first["audio"], 128)) << last;
  EXPECT_GE(first["total"].get<int>(), first["video"].get<int>() + first["audio"].get<int>());
  const auto& second = sample["lines"][1];
  EXPECT_TRUE(near(second["video"], 1500)) << last;
  EXPECT_EQ(second["audio"], 0) << "audio disabled on that board";

  // Not an encoder, and nobody there.
  options.addresses = {"10.77.0.31"};
  EXPECT_EQ(ctl::Detect(options, out, err), ctl::kExitBadArguments);
}

TEST(DetectLan, StatisticsPagesSeeTheRatesAndTheirFall) {
  auto sim = streamingFleet();
  tav::test::RecordingNotifier notes;
  CBoard encoder = boardAt("10.77.0.11");
  tav::OneEncoderView page([&] { return &encoder; }, notes);
  page.Start();
  ASSERT_TRUE(page.TimerArmed());

  auto tickUntil = [&](auto done, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      page.Tick();
      if (!page.Rows().empty() && done(page.Rows()[0])) return true;
      std::this_thread::sleep_for(tav::kDetectionPollPeriod);
    }
    return false;
  };
  ASSERT_TRUE(tickUntil(
      [](const auto& row) {
        return near(std::stoul(row[2]), 4000) && near(std::stoul(row[3]), 128);
      },
      4s))
      << (page.Rows().empty() ? "no row" : page.Rows()[0][2]);
  EXPECT_EQ(page.Rows()[0][0], "10.77.0.11");

  qorsim::Faults faults;
  faults.streamOff = true;
  sim.setFaults("10.77.0.11", faults);
  auto stopped = std::chrono::steady_clock::now();
  ASSERT_TRUE(tickUntil([](const auto& row) { return row[1] == "0"; }, 3s));
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
  page.Stop();
  EXPECT_EQ(notes.logLines.back(), "停止数据检测。");
}

TEST(DetectLan, AllEncodersPageCountsEveryLine) {
  auto sim = streamingFleet();
  CBoardCtrl boards;
  for (const char* a : {"10.77.0.11", "10.77.0.31", "10.77.0.12"}) boards.Add(boardAt(a));
  tav::test::RecordingNotifier notes;
  tav::AllEncodersView page(boards, notes);
  page.Start();
  ASSERT_EQ(page.LineCount(), 2);
  bool seen = false;
  for (int i = 0; i < 20 && !seen; ++i) {
    std::this_thread::sleep_for(tav::kDetectionPollPeriod);
    page.Tick();
    seen = page.Rows().size() == 2 && near(std::stoul(page.Rows()[0][3]), 4000) &&
           near(std::stoul(page.Rows()[1][3]), 1500);
  }
  EXPECT_TRUE(seen);
  EXPECT_EQ(page.Rows()[1][0], "#2");
  EXPECT_EQ(page.Rows()[1][1], "10.77.0.12");
  page.Stop();
  EXPECT_FALSE(boards.IsDetectionRunning());
}

TEST(DetectLan, SearchAndDiagnoseReportTheLinks) {
  auto sim = streamingFleet();
  ctl::SearchOptions search;
  search.waitMs = 1000;
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Search(search, out, err), ctl::kExitOk);
  EXPECT_NE(out.str().find("10.77.0.31:接收端口6000无数据!\n搜索到3个设备。"), std::string::npos)
      << out.str();

  search.json = true;
  std::ostringstream jsonOut;
  ASSERT_EQ(ctl::Search(search, jsonOut, err), ctl::kExitOk);
  auto list = nlohmann::json::parse(jsonOut.str());
  EXPECT_EQ(list["links"], nlohmann::json::array({"10.77.0.31:接收端口6000无数据!"}));

  ctl::DiagnoseOptions diagnose;
  diagnose.waitMs = 1000;
  diagnose.json = true;
  std::ostringstream diagOut;
  ASSERT_EQ(ctl::Diagnose(diagnose, diagOut, err), ctl::kExitOk);
  auto result = nlohmann::json::parse(diagOut.str());
  EXPECT_EQ(result["count"], 3);
  EXPECT_EQ(result["links"].size(), 1u);
}

}  // namespace

namespace {

QORSDK_HANDLE startedHandle(const char* address) {
  QORSDK_CREATE create{};
  create.size = sizeof create;
  create.playFlag = 1;
  create.source.size = sizeof create.source;
  QORSDK_HANDLE handle = CLIENT_Create(&create);
  QORSDK_SOURCE source{};
  source.size = sizeof source;
  source.mode = 1;
  source.address = address;
  EXPECT_EQ(CLIENT_SetParam(handle, QORSDK_PARAM_SOURCE, &source), 0);
  EXPECT_EQ(CLIENT_Start(handle), 0);
  return handle;
}

QORSDK_STATISTICS statistics(QORSDK_HANDLE handle) {
  QORSDK_STATISTICS s{};
  s.size = sizeof s;
  EXPECT_EQ(CLIENT_GetParam(handle, QORSDK_PARAM_STATISTICS, &s), 0);
  return s;
}

TEST(DetectLan, HandleStopsWithin200MsEvenWhileItsBoardIsSilent) {
  auto sim = streamingFleet();
  QORSDK_HANDLE handle = startedHandle("10.77.0.11");
  QORSDK_STATISTICS s{};
  for (int i = 0; i < 30 && s.videoRate < 3600; ++i) {
    std::this_thread::sleep_for(100ms);
    s = statistics(handle);
  }
  EXPECT_GT(s.counter1, 0u) << "datagrams";
  EXPECT_GT(s.counter2, 0u) << "packets";
  EXPECT_EQ(s.counter3, 0u) << "no continuity errors on a clean LAN";
  EXPECT_GT(s.counter4, 0u) << "bytes";
  EXPECT_EQ(s.counter8, 1u);
  EXPECT_GT(CLIENT_GetStatiscFlux(handle, 1), 300) << "video rate / 10";

  auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(CLIENT_Stop(handle), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - began, 250ms);
  s = statistics(handle);
  EXPECT_EQ(s.totalRate + s.videoRate + s.audioRate, 0u);

  // A silent board: the receiver is still asking for its status block when stopped.
  qorsim::Faults silent;
  silent.silent = true;
  sim.setFaults("10.77.0.11", silent);
  ASSERT_EQ(CLIENT_Start(handle), 0);
  std::this_thread::sleep_for(100ms);
  began = std::chrono::steady_clock::now();
  EXPECT_EQ(CLIENT_Dump(handle), 0);  // a running handle is stopped, then freed
  EXPECT_LT(std::chrono::steady_clock::now() - began, 250ms);
}

}  // namespace

namespace {

TEST(DetectLan, TcpSendModeIsReceivedOverTcp) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"({"boards": [
    {"address": "10.77.0.15", "type": 11, "name": "T4500", "send": {"address": "0.0.0.0", "port": 7000, "mode": 3},
     "encoding": {"enable": 1, "bitRate": 3000}, "audio": {"enable": 1, "bitRate": 96}}]})"));
  sim.setStreams(true);
  sim.start();
  ctl::DetectOptions options;
  options.addresses = {"10.77.0.15"};
  options.seconds = 3;
  options.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Detect(options, out, err), ctl::kExitOk) << err.str();
  std::string last = out.str();
  last.pop_back();
  last = last.substr(last.rfind('\n') + 1);
  auto line = nlohmann::json::parse(last)["lines"][0];
  EXPECT_TRUE(near(line["video"], 3000)) << last;
  EXPECT_TRUE(near(line["audio"], 96)) << last;
}

}  // namespace
