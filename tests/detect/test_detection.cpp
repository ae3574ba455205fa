// The detection engine over a stand-in library: results, what reaches the library, line
// eligibility, more than 256 lines, release of earlier handles, and the link diagnosis.

#include <gtest/gtest.h>

#include "boards.h"
#include "detect/detection.h"
#include "fake_client.h"
#include "recording_notifier.h"

namespace tav::test {
namespace {

TEST(BoardDetection, StartPollStopKeepsTheHandle) {
  FakeClient lib;
  CBoard enc = Encoder("10.0.0.5", "239.1.1.1", 1234, 1);
  ASSERT_EQ(enc.StartDetection(), 0);
  EXPECT_EQ(enc.statisticsRunning, 1);
  EXPECT_EQ(enc.statisticsAddress, "10.0.0.5");
  void* handle = enc.statisticsClient.get();
  ASSERT_NE(handle, nullptr);
  lib.setRates(1, 4200, 4000, 128);

  std::string address;
  std::uint32_t t = 9, v = 9, a = 9;
  EXPECT_EQ(enc.GetDetectionStatistics(address, t, v, a), 0);
  EXPECT_EQ(address, "10.0.0.5");
  EXPECT_EQ(t, 4200u);
  EXPECT_EQ(v, 4000u);
  EXPECT_EQ(a, 128u);

  // A second start touches nothing.
  auto calls = lib.calls.size();
  EXPECT_EQ(enc.StartDetection(), 1);
  EXPECT_EQ(lib.calls.size(), calls);

  EXPECT_EQ(enc.StopDetection(), 0);
  EXPECT_EQ(enc.statisticsRunning, 0);
  EXPECT_TRUE(enc.statisticsAddress.empty());
  EXPECT_EQ(enc.GetDetectionStatistics(address, t, v, a), 2);

  // Restart reuses the handle.
  EXPECT_EQ(enc.StartDetection(), 0);
  EXPECT_EQ(enc.statisticsClient.get(), handle);
  EXPECT_EQ(lib.creates, 1);

  // Copies share the handle; it is freed once, when the last record goes.
  const auto id = reinterpret_cast<std::intptr_t>(handle);
  {
    CBoard copy = enc;
    enc = CBoard();
    EXPECT_EQ(lib.freed.count(id), 0u);
  }
  EXPECT_EQ(lib.freed.count(id), 1u);
}

TEST(BoardDetection, FailuresAndDecoders) {
  FakeClient lib;
  CBoard dec = Decoder("10.0.0.9", 0, "0.0.0.0", 1234);
  EXPECT_EQ(dec.StartDetection(), 0);
  EXPECT_EQ(dec.statisticsRunning, 0);
  EXPECT_TRUE(lib.calls.empty());

  CBoard enc = Encoder("10.0.0.5", "10.0.0.255", 1234);
  lib.createFailAt = 1;
  EXPECT_EQ(enc.StartDetection(), 2);
  lib.startResult = 11;
  EXPECT_EQ(enc.StartDetection(), 11);
  lib.startResult = 5;
  EXPECT_EQ(enc.StartDetection(), 3);
  EXPECT_EQ(enc.statisticsRunning, 0);
  lib.startResult = 0;
  lib.setResult = 3;
  EXPECT_EQ(enc.StartDetection(), 3);
  lib.setResult = 0;
  ASSERT_EQ(enc.StartDetection(), 0);

  // A failed stop leaves it running for a retry; a failed read ends it.
  lib.stopResult = 1;
  EXPECT_EQ(enc.StopDetection(), 1);
  EXPECT_EQ(enc.statisticsRunning, 1);
  lib.stopResult = 0;
  lib.getResult = 3;
  std::string address;
  std::uint32_t t = 7, v = 7, a = 7;
  EXPECT_EQ(enc.GetDetectionStatistics(address, t, v, a), 1);
  EXPECT_EQ(t + v + a, 0u);
  EXPECT_EQ(enc.statisticsRunning, 0);
  EXPECT_EQ(enc.GetDetectionStatistics(address, t, v, a), 2);
}

TEST(LineDetection, Eligibility) {
  EXPECT_TRUE(LineEligible(Encoder("192.168.1.7", "192.168.1.255", 1234, 0)));
  EXPECT_FALSE(LineEligible(Encoder("192.168.1.7", "192.168.1.20", 1234, 0)));
  EXPECT_TRUE(LineEligible(Encoder("192.168.1.7", "239.1.1.1", 1234, 1)));
  EXPECT_TRUE(LineEligible(Encoder("192.168.1.7", "0.0.0.0", 7000, 3)));
  EXPECT_FALSE(LineEligible(Decoder("192.168.1.8", 0, "0.0.0.0", 1234, 4)));
  EXPECT_FALSE(LineEligible(Decoder("192.168.1.8", 1, "239.1.1.1", 1234, 2)));
}

TEST(LineDetection, StartsEveryEligibleEncoderInListOrder) {
  FakeClient lib;
  CBoardCtrl boards;
  boards.Add(Encoder("10.0.0.3", "10.0.0.255", 5000));
  boards.Add(Decoder("10.0.0.4", 0, "0.0.0.0", 5000));
  boards.Add(Encoder("10.0.0.1", "10.0.0.20", 5000));  // unicast: no line
  boards.Add(Encoder("10.0.0.2", "239.0.0.2", 5000, 1));
  EXPECT_FALSE(boards.IsDetectionRunning());
  ASSERT_EQ(boards.StartAllDetection(), 2);
  EXPECT_TRUE(boards.IsDetectionRunning());
  EXPECT_EQ(boards.StartAllDetection(), -1);
  lib.setRates(2, 300, 200, 64);

  std::string address;
  std::uint32_t t, v, a;
  ASSERT_EQ(boards.GetLineStatistics(1, address, t, v, a), 0);
  EXPECT_EQ(address, "10.0.0.2");
  EXPECT_EQ(t, 300u);
  ASSERT_EQ(boards.GetLineStatistics(0, address, t, v, a), 0);
  EXPECT_EQ(address, "10.0.0.3");
  EXPECT_EQ(t, 0u);
  EXPECT_EQ(boards.GetLineStatistics(2, address, t, v, a), 1) << "no such line";

  ASSERT_EQ(boards.StopAllDetection(), 0);
  EXPECT_FALSE(boards.IsDetectionRunning());
  EXPECT_EQ(boards.GetLineStatistics(0, address, t, v, a), 2);
}

TEST(LineDetection, FailuresLeaveItStopped) {
  CBoardCtrl none;
  none.Add(Decoder("10.0.0.4", 0, "0.0.0.0", 5000));
  {
    FakeClient lib;
    EXPECT_EQ(none.StartAllDetection(), -4);
    EXPECT_TRUE(lib.calls.empty());
  }
  FakeClient lib;  // outlives the list, whose end releases its handles
  CBoardCtrl boards;
  for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
    boards.Add(Encoder(ip, "10.0.0.255", 5000));
  lib.createFailAt = 2;
  EXPECT_EQ(boards.StartAllDetection(), -2);
  EXPECT_FALSE(boards.IsDetectionRunning());
  lib.startResult = 11;
  lib.startFailAt = 2;
  EXPECT_EQ(boards.StartAllDetection(), -11);
  EXPECT_FALSE(boards.IsDetectionRunning());
  lib.startResult = 3;
  lib.starts = 0;
  EXPECT_EQ(boards.StartAllDetection(), -3);
  lib.startResult = 0;
  ASSERT_EQ(boards.StartAllDetection(), 3);

  lib.stopResult = 1;
  EXPECT_EQ(boards.StopAllDetection(), -1);
  EXPECT_TRUE(boards.IsDetectionRunning());
  lib.stopResult = 0;
  lib.getResult = 2;
  std::string address;
  std::uint32_t t, v, a;
  EXPECT_EQ(boards.GetLineStatistics(0, address, t, v, a), 1);
  EXPECT_FALSE(boards.IsDetectionRunning());
}

TEST(LineDetection, MoreThan256EncodersAllGetLines) {
  FakeClient lib;
  CBoardCtrl boards;
  for (int i = 0; i < 300; ++i) {
    std::string ip = "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    boards.Add(Encoder(ip.c_str(), "239.9.9.9", 4000, 1));
  }
  ASSERT_EQ(boards.StartAllDetection(), 300);
  lib.setRates(300, 1, 2, 3);
  std::string address;
  std::uint32_t t, v, a;
  ASSERT_EQ(boards.GetLineStatistics(299, address, t, v, a), 0);
  EXPECT_EQ(address, "10.1.1.50");
  EXPECT_EQ(v, 2u);
}

TEST(LineDetection, ANewStartReleasesTheEarlierHandles) {
  FakeClient lib;
  {
    CBoardCtrl boards;
    boards.Add(Encoder("10.0.0.1", "10.0.0.255", 5000));
    boards.Add(Encoder("10.0.0.2", "10.0.0.255", 5001));
    ASSERT_EQ(boards.StartAllDetection(), 2);
    ASSERT_EQ(boards.StopAllDetection(), 0);
    EXPECT_TRUE(lib.freed.empty());
    ASSERT_EQ(boards.StartAllDetection(), 2);
    EXPECT_EQ(lib.freed, (std::set<std::intptr_t>{1, 2}));
    // A partial start's handles are released by the next start as well.
    lib.stopResult = 0;
    ASSERT_EQ(boards.StopAllDetection(), 0);
    lib.startResult = 3;
    lib.startFailAt = lib.starts + 2;
    EXPECT_EQ(boards.StartAllDetection(), -3);
    EXPECT_TRUE(lib.handles.at(5).started);
    lib.startResult = 0;
    ASSERT_EQ(boards.StartAllDetection(), 2);
    EXPECT_TRUE(lib.freed.count(5) && lib.freed.count(6));
  }
  // The list's end releases the last ones.
  EXPECT_TRUE(lib.freed.count(7) && lib.freed.count(8));
}

std::vector<std::string> Findings(std::initializer_list<CBoard> list) {
  CBoardCtrl boards;
  for (const auto& b : list) boards.Add(b);
  return LinkFindings(boards);
}

TEST(LinkDiagnosis, NormalReceive) {
  using V = std::vector<std::string>;
  // No encoder: one line per type-4 decoder in normal receive, nothing for the others.
  EXPECT_EQ(
      Findings({Decoder("10.0.0.8", 0, "0.0.0.0", 1234), Decoder("10.0.0.9", 1, "239.1.1.1", 1234),
                Decoder("10.0.0.10", 0, "0.0.0.0", 6000, 2),
                Decoder("10.0.0.11", 0, "0.0.0.0", 6001)}),
      (V{"10.0.0.8:接收端口1234无数据!", "10.0.0.11:接收端口6001无数据!"}));
  // Multicast: the group must match.
  EXPECT_EQ(Findings({Encoder("10.0.0.1", "236.1.2.3", 1234, 1),
                      Decoder("10.0.0.8", 0, "236.1.2.4", 1234)}),
            (V{"10.0.0.8:该解码板组播地址无数据!"}));
  EXPECT_TRUE(Findings({Encoder("10.0.0.1", "236.1.2.3", 1234, 1),
                        Decoder("10.0.0.8", 0, "236.1.2.3", 1234)})
                  .empty());
  // Broadcast into the decoder's subnet, or unicast to it, feeds it.
  EXPECT_TRUE(Findings({Encoder("192.168.1.7", "192.168.1.255", 1234),
                        Decoder("192.168.1.50", 0, "0.0.0.0", 1234)})
                  .empty());
  EXPECT_TRUE(Findings({Encoder("192.168.1.7", "192.168.1.50", 1234),
                        Decoder("192.168.1.50", 0, "0.0.0.0", 1234)})
                  .empty());
  EXPECT_EQ(Findings({Encoder("192.168.1.7", "192.168.1.33", 1234),
                      Decoder("192.168.1.50", 0, "0.0.0.0", 1234)}),
            (V{"192.168.1.7:该编码板发送地址无效!"}));
  EXPECT_EQ(Findings({Encoder("192.168.1.7", "192.168.2.255", 1234),
                      Decoder("192.168.1.50", 0, "0.0.0.0", 1234)}),
            (V{"192.168.1.7:该编码板发送地址无效!"}));
  // The last encoder on the port is the match.
  EXPECT_EQ(Findings({Encoder("192.168.1.6", "192.168.1.255", 1234),
                      Encoder("192.168.1.7", "192.168.1.33", 1234),
                      Decoder("192.168.1.50", 0, "0.0.0.0", 1234)}),
            (V{"192.168.1.7:该编码板发送地址无效!"}));
  // A type-2 decoder is never checked.
  EXPECT_TRUE(Findings({Encoder("192.168.1.7", "192.168.1.33", 1234),
                        Decoder("192.168.1.50", 0, "0.0.0.0", 1234, 2)})
                  .empty());
}

TEST(LinkDiagnosis, NamedSourceModes) {
  using V = std::vector<std::string>;
  CBoard enc = Encoder("10.0.0.1", "239.1.1.1", 1234, 1);
  EXPECT_TRUE(Findings({enc, Decoder("10.0.0.8", 2, "0.0.0.0", 0, 4, "10.0.0.1")}).empty());
  EXPECT_EQ(Findings({enc, Decoder("10.0.0.8", 2, "0.0.0.0", 0, 4, "10.0.0.2"),
                      Decoder("10.0.0.9", 1, "0.0.0.0", 0, 4, "10.0.0.2"),
                      Decoder("10.0.0.10", 201, "0.0.0.0", 0, 4, "10.0.0.2"),
                      Decoder("10.0.0.11", 3, "0.0.0.0", 0, 4, "10.0.0.2")}),
            (V{"10.0.0.8:该解码板点播地址不存在!", "10.0.0.9:该解码板点播的编码地址不存在!",
               "10.0.0.10:该解码板点播的编码地址不存在!"}));
  // Without encoders nothing is said about them.
  EXPECT_TRUE(Findings({Decoder("10.0.0.8", 2, "0.0.0.0", 0, 4, "10.0.0.2")}).empty());
  // The message names the contact address.
  CBoard behindNat = Decoder("10.0.0.8", 2, "0.0.0.0", 0, 4, "10.0.0.2");
  behindNat.SetSourceAddress(Ip("172.16.0.8"));
  EXPECT_EQ(Findings({enc, behindNat}), (V{"172.16.0.8:该解码板点播地址不存在!"}));
}

TEST(LinkDiagnosis, LogsAndReports) {
  CBoardCtrl boards;
  RecordingNotifier notes;
  EXPECT_EQ(boards.DiagnoseLinks(notes), 0);
  boards.Add(Decoder("10.0.0.8", 0, "0.0.0.0", 1234));
  EXPECT_EQ(boards.DiagnoseLinks(notes), 1);
  EXPECT_EQ(notes.logLines, std::vector<std::string>{"10.0.0.8:接收端口1234无数据!"});
  EXPECT_TRUE(notes.messages.empty());
}

}  // namespace
}  // namespace tav::test
