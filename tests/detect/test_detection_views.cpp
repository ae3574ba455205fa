// The detection pages' logic through the notifier seam: rows, texts, timers and messages.

#include <gtest/gtest.h>

#include "boards.h"
#include "detect/detection_views.h"
#include "fake_client.h"
#include "recording_notifier.h"

namespace tav::test {
namespace {

TEST(AllEncodersView, NoEncoderSaysSoAndStartsNoTimer) {
  FakeClient lib;
  CBoardCtrl boards;
  boards.Add(Decoder("10.0.0.9", 0, "0.0.0.0", 1234));
  RecordingNotifier notes;
  AllEncodersView view(boards, notes);
  view.Start();
  EXPECT_FALSE(view.TimerArmed());
  ASSERT_EQ(notes.messages.size(), 1u);
  EXPECT_EQ(notes.messages[0].text, "没有检测到编码板。");
  EXPECT_EQ(notes.logLines, std::vector<std::string>{"没有检测到编码板。"});
}

TEST(AllEncodersView, ThreeLinesNumberedInListOrderThenStop) {
  FakeClient lib;
  CBoardCtrl boards;
  boards.Add(Encoder("10.0.0.3", "10.0.0.255", 5000));
  boards.Add(Encoder("10.0.0.1", "239.0.0.1", 5000, 1));
  boards.Add(Encoder("10.0.0.2", "0.0.0.0", 7000, 3));
  RecordingNotifier notes;
  {
    AllEncodersView view(boards, notes);
    view.Start();
    EXPECT_TRUE(view.TimerArmed());
    EXPECT_EQ(view.LineCount(), 3);
    EXPECT_EQ(notes.logLines.back(), "开始数据检测。");
    lib.setRates(2, 4128, 4000, 128);
    view.Tick();
    ASSERT_EQ(view.Rows().size(), 3u);
    EXPECT_EQ(view.Rows()[0], (AllEncodersView::Row{"#1", "10.0.0.3", "0", "0", "0"}));
    EXPECT_EQ(view.Rows()[1], (AllEncodersView::Row{"#2", "10.0.0.1", "4128", "4000", "128"}));
    EXPECT_EQ(view.Rows()[2][0], "#3");

    // Pressing start again: running.
    view.Start();
    EXPECT_EQ(notes.messages.back().text, "数据检测正在运行。");

    // A failed read: one message, then the list stays empty.
    lib.getResult = 3;
    view.Tick();
    view.Tick();
    EXPECT_TRUE(view.Rows().empty());
    EXPECT_EQ(notes.messages.back().text, "获取码流信息失败。");
    EXPECT_EQ(notes.messages.size(), 2u);
    EXPECT_TRUE(view.TimerArmed());
    lib.getResult = 0;
    view.Start();
    view.Tick();
    EXPECT_EQ(view.Rows().size(), 3u);
    view.Stop();
    EXPECT_FALSE(view.TimerArmed());
    EXPECT_EQ(notes.logLines.back(), "停止数据检测。");
    EXPECT_EQ(view.Rows().size(), 3u) << "the rows stay";
    view.Start();
  }
  // The page's end stops what it started.
  EXPECT_FALSE(boards.IsDetectionRunning());
  EXPECT_EQ(notes.logLines.back(), "停止数据检测。");
}

TEST(AllEncodersView, FailedStopIsShown) {
  FakeClient lib;
  CBoardCtrl boards;
  boards.Add(Encoder("10.0.0.3", "10.0.0.255", 5000));
  RecordingNotifier notes;
  AllEncodersView view(boards, notes);
  view.Start();
  lib.stopResult = 1;
  view.Stop();
  EXPECT_EQ(notes.messages.back().text, "停止数据检测失败。");
  EXPECT_TRUE(boards.IsDetectionRunning());
  lib.stopResult = 0;
}

TEST(OneEncoderView, StartTwiceTickStop) {
  FakeClient lib;
  CBoard enc = Encoder("10.0.0.5", "10.0.0.255", 5000);
  RecordingNotifier notes;
  OneEncoderView view([&] { return &enc; }, notes);
  view.Tick();
  EXPECT_TRUE(view.Rows().empty());
  view.Start();
  EXPECT_TRUE(view.TimerArmed());
  view.Start();
  EXPECT_EQ(notes.messages.back().text, "数据检测正在运行。");
  lib.setRates(1, 100, 80, 20);
  view.Tick();
  ASSERT_EQ(view.Rows().size(), 1u);
  EXPECT_EQ(view.Rows()[0], (OneEncoderView::Row{"10.0.0.5", "100", "80", "20"}));
  view.Stop();
  EXPECT_EQ(notes.logLines.back(), "停止数据检测。");
  view.Tick();  // not running: the last row stays
  EXPECT_EQ(view.Rows().size(), 1u);
  auto logged = notes.logLines.size();
  view.Stop();  // nothing running: nothing said
  EXPECT_EQ(notes.logLines.size(), logged);
}

TEST(OneEncoderView, StartFailuresAndDecoders) {
  FakeClient lib;
  CBoard enc = Encoder("10.0.0.5", "10.0.0.255", 5000);
  CBoard dec = Decoder("10.0.0.9", 0, "0.0.0.0", 5000);
  CBoard* current = &dec;
  RecordingNotifier notes;
  OneEncoderView view([&] { return current; }, notes);
  view.Start();
  view.Tick();
  view.Stop();
  EXPECT_TRUE(lib.calls.empty());
  EXPECT_TRUE(notes.logLines.empty());
  current = &enc;
  lib.startResult = 11;
  view.Start();
  EXPECT_EQ(notes.messages.back().text, "端口绑定失败。");
  lib.startResult = 4;
  view.Start();
  EXPECT_EQ(notes.messages.back().text, "编码板启动失败。\n注意：单播状态无法进行数据检测。");
  EXPECT_FALSE(view.TimerArmed());
  current = nullptr;
  view.Start();  // no board: nothing
}

TEST(DecoderSourcesView, NormalReceiveListsTheBroadcastEncoder) {
  CBoardCtrl boards;
  boards.Add(Encoder("192.168.18.7", "192.168.18.255", 1234));
  boards.Add(Encoder("192.168.18.8", "192.168.18.40", 1234));
  boards.Add(Encoder("192.168.18.9", "192.168.18.255", 1235));
  CBoard dec = Decoder("192.168.18.40", 0, "0.0.0.0", 1234);
  RecordingNotifier notes;
  DecoderSourcesView view(boards, dec, notes);
  ASSERT_EQ(view.Rows().size(), 1u);
  EXPECT_EQ(view.Rows()[0].boardIndex, 0);
  EXPECT_EQ(view.Rows()[0].texts[0], "192.168.18.7");
  EXPECT_EQ(view.Rows()[0].texts[2], "广播发送@192.168.18.255:1234");
  EXPECT_TRUE(view.ButtonEnabled());
  EXPECT_TRUE(notes.messages.empty());

  notes.answers = {false, true};
  EXPECT_EQ(view.Choose(-1), std::nullopt);
  EXPECT_EQ(notes.questions.back(), "是否对对应编码板进行数据检测？\n将打开该编码板的配置窗口。");
  EXPECT_EQ(view.Choose(-1), Ip("192.168.18.7"));
}

TEST(DecoderSourcesView, TcpDecoderHasNoneAndADisabledButton) {
  CBoardCtrl boards;
  boards.Add(Encoder("10.0.0.15", "0.0.0.0", 7000, 3));
  CBoard dec = Decoder("10.0.0.34", 3, "10.0.0.15", 7000);
  RecordingNotifier notes;
  DecoderSourcesView view(boards, dec, notes);
  EXPECT_TRUE(view.Rows().empty());
  EXPECT_FALSE(view.ButtonEnabled());
  ASSERT_EQ(notes.messages.size(), 1u);
  EXPECT_EQ(notes.messages[0].text,
            "没有可检测的编码板。\n编码板必须在广播、组播或者点播模式才能检测。");
  EXPECT_EQ(notes.messages[0].icon, NoticeIcon::Information);
  EXPECT_EQ(view.Choose(0), std::nullopt);
  EXPECT_TRUE(notes.questions.empty());
}

TEST(DecoderSourcesView, TwoMulticastEncodersAndOnDemand) {
  CBoardCtrl boards;
  boards.Add(Encoder("10.0.0.11", "239.7.0.1", 1234, 1));
  boards.Add(Decoder("10.0.0.30", 1, "239.7.0.1", 1234));
  boards.Add(Encoder("10.0.0.12", "239.7.0.1", 1234, 1));
  boards.Add(Encoder("10.0.0.13", "239.7.0.1", 1240, 1));
  CBoard dec = Decoder("10.0.0.31", 1, "239.7.0.1", 1234);
  RecordingNotifier notes;
  DecoderSourcesView view(boards, dec, notes);
  ASSERT_EQ(view.Rows().size(), 2u);
  EXPECT_EQ(view.Rows()[1].boardIndex, 2);
  EXPECT_EQ(notes.messages.back().text, "对应编码板多于一块，请注意检查是否有冲突。");
  notes.answers = {true};
  EXPECT_EQ(view.Choose(1), Ip("10.0.0.12"));

  // On demand: the encoder's contact address, ports not compared.
  CBoard onDemand = Decoder("10.0.0.33", 2, "10.0.0.13", 9);
  EXPECT_EQ(MatchingEncoders(boards, onDemand), std::vector<int>{3});
}

TEST(DetectionViews, Columns) {
  auto all = AllEncodersColumns();
  EXPECT_STREQ(all[0].title, "线路");
  EXPECT_EQ(all[4].width, 55);
  EXPECT_EQ(OneEncoderColumns()[3].width, 60);
  EXPECT_STREQ(DecoderSourcesColumns()[2].title, "通信方式");
}

}  // namespace
}  // namespace tav::test
