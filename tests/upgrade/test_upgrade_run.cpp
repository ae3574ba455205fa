#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "le_bytes.h"
#include "recording_notifier.h"
#include "fake_board_link.h"
#include "scripted_stream.h"
#include "upgrade/upgrade_run.h"
#include "wire.h"

namespace tav::upgrade {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ScriptedStream;

Bytes reply(int result, std::uint8_t command = kReplyCommand) {
  Bytes r(16, 0);
  qor::putHead(r, command);
  qor::putU32(r, 4, 12);
  qor::putU32(r, 8, 0xE7);
  qor::putI32(r, 12, result);
  return r;
}

// Hands out one scripted stream per connection; `script` shapes each before use.
class ScriptedLink final : public tav::test::FakeBoardLink {
 public:
  struct Opened {
    std::uint32_t address;
    std::uint16_t port;
    StreamLimits limits;
    ScriptedStream* stream;
  };
  std::function<void(ScriptedStream&, std::uint32_t address, int connection)> script =
      [](ScriptedStream& s, std::uint32_t, int) { s.answers.push_back(reply(1)); };
  std::vector<Opened> opened;
  std::vector<std::unique_ptr<ScriptedStream>> keep;  // streams outlive the transfer for checks

  int getConfig(const std::string&, int, std::span<std::uint8_t>) override { return 1; }
  int setConfig(const std::string&, int, std::span<const std::uint8_t>) override { return 1; }
  std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                    const StreamLimits& limits) override {
    auto owned = std::make_unique<ScriptedStream>();
    script(*owned, address, static_cast<int>(opened.size()));
    opened.push_back({address, port, limits, owned.get()});
    // The transfer owns a forwarding stream; the scripted one stays here to be inspected.
    struct Forward final : BoardStream {
      ScriptedStream* s;
      bool connected() const override { return s->connected(); }
      bool sendAll(std::span<const std::uint8_t> b, Millis t) override { return s->sendAll(b, t); }
      long receive(std::span<std::uint8_t> b, std::size_t n, Millis t) override {
        return s->receive(b, n, t);
      }
      bool peerClosed() const override { return s->peerClosed(); }
    };
    auto f = std::make_unique<Forward>();
    f->s = owned.get();
    keep.push_back(std::move(owned));
    return f;
  }
};

struct Sleeps {
  std::vector<Millis> taken;
  Sleeper fn() {
    return [this](Millis m) { taken.push_back(m); };
  }
};

const std::uint32_t kBoard = qor::ipFromOctets(10, 77, 0, 21);

TEST(UpgradeTransfer, SendsWholeComponentAndReadsTheResult) {
  ScriptedLink link;
  Sleeps sleeps;
  Bytes data(200000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
  link.script = [](ScriptedStream& s, std::uint32_t, int) {
    // The answer comes in two pieces.
    Bytes r = reply(3);
    s.answers.push_back(Bytes(r.begin(), r.begin() + 5));
    s.answers.push_back(Bytes(r.begin() + 5, r.end()));
  };
  EXPECT_EQ(
      TransferComponent(link, kBoard, data, RulesFor(PageKind::SingleBoard).timing, sleeps.fn()),
      3);
  ASSERT_EQ(link.opened.size(), 1u);
  EXPECT_EQ(link.opened[0].port, qor::kFilePort);
  EXPECT_EQ(link.opened[0].stream->sent, data);
  EXPECT_EQ(sleeps.taken, std::vector<Millis>{Millis(100)});
  // A board that keeps within every wait is never cut by the overall deadline.
  EXPECT_GE(link.opened[0].limits.overall, Millis(91 * 6000));
}

TEST(UpgradeTransfer, ResultCodesOfEveryFailingStep) {
  const TransferTiming timing = RulesFor(PageKind::SingleBoard).timing;
  Sleeps sleeps;
  ScriptedLink link;
  EXPECT_EQ(TransferComponent(link, kBoard, {}, timing, sleeps.fn()), kTransferBadArgument);
  EXPECT_EQ(TransferComponent(link, 0, Bytes(3), timing, sleeps.fn()), kTransferBadArgument);
  EXPECT_TRUE(link.opened.empty());

  link.script = [](ScriptedStream& s, std::uint32_t, int) { s.isConnected = false; };
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), timing, sleeps.fn()), kTransferConnectFailed);
  link.script = [](ScriptedStream& s, std::uint32_t, int) { s.sendFails = true; };
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), timing, sleeps.fn()), kTransferSendFailed);

  // A reply whose fourth byte is not 0xEA, or whose words are wrong: -5.
  link.script = [](ScriptedStream& s, std::uint32_t, int) { s.answers.push_back(reply(1, 0xEB)); };
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), timing, sleeps.fn()), kTransferWrongAnswer);
  link.script = [](ScriptedStream& s, std::uint32_t, int) {
    Bytes r = reply(1);
    qor::putU32(r, 8, 0xE8);
    s.answers.push_back(r);
  };
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), timing, sleeps.fn()), kTransferWrongAnswer);
  // 15 bytes and nothing more: -4.
  link.script = [](ScriptedStream& s, std::uint32_t, int) {
    Bytes r = reply(1);
    s.answers.push_back(Bytes(r.begin(), r.begin() + 15));
    s.closesAfterScript = true;
  };
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), timing, sleeps.fn()), kTransferNoAnswer);
}

TEST(UpgradeTransfer, SilentBoardIsAskedNinetyOneOrNineTimesOneSecondApart) {
  for (PageKind page : {PageKind::SingleBoard, PageKind::Batch}) {
    const int attempts = page == PageKind::SingleBoard ? 91 : 9;
    ScriptedLink link;
    link.script = [](ScriptedStream&, std::uint32_t, int) {};  // silent
    Sleeps sleeps;
    EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), RulesFor(page).timing, sleeps.fn()),
              kTransferNoAnswer);
    EXPECT_EQ(link.opened[0].stream->receives, attempts);
    ASSERT_EQ(sleeps.taken.size(), static_cast<std::size_t>(attempts));  // 100 ms + 1 s pauses
    EXPECT_EQ(sleeps.taken.front(), Millis(100));
    EXPECT_EQ(sleeps.taken.back(), Millis(1000));
  }
  // The answer on the fifth attempt is taken.
  ScriptedLink late;
  int calls = 0;
  late.script = [](ScriptedStream&, std::uint32_t, int) {};
  Sleeps sleeps;
  Sleeper sleeper = [&](Millis m) {
    sleeps.taken.push_back(m);
    if (++calls == 5) late.opened[0].stream->answers.push_back(reply(5));
  };
  EXPECT_EQ(TransferComponent(late, kBoard, Bytes(3), RulesFor(PageKind::Batch).timing, sleeper),
            5);
  EXPECT_EQ(late.opened[0].stream->receives, 5);
}

TEST(UpgradeTransfer, BoardThatClosesIsNotWaitedFor) {
  ScriptedLink link;
  link.script = [](ScriptedStream& s, std::uint32_t, int) { s.closesAfterScript = true; };
  Sleeps sleeps;
  EXPECT_EQ(TransferComponent(link, kBoard, Bytes(3), RulesFor(PageKind::SingleBoard).timing,
                              sleeps.fn()),
            kTransferNoAnswer);
  EXPECT_EQ(link.opened[0].stream->receives, 1);
  EXPECT_EQ(sleeps.taken.size(), 1u);
}

TEST(UpgradeTexts, ResultsLogLinesAndProgress) {
  struct Row {
    int result;
    const char* box;
    const char* log;
  };
  const Row rows[] = {{0, "升级失败(2返回值表示失败)", "升级失败"},
                      {1, "", "升级成功"},
                      {2, "添加文件升级失败(3返回值表示失败)", "添加文件失败"},
                      {3, "", "添加文件升级成功"},
                      {4, "删除升级失败(4返回值表示失败)", "删除文件失败"},
                      {5, "", "删除文件升级成功"},
                      {-5, "升级失败,未知错误(-5)", "升级失败,未知错误(-5)"},
                      {6, "升级失败,未知错误(6)", "升级失败,未知错误(6)"}};
  for (const Row& r : rows) {
    EXPECT_EQ(DescribeResult(r.result).box, r.box);
    EXPECT_EQ(DescribeResult(r.result).log, r.log);
  }
  EXPECT_EQ(ComponentLogLine(PageKind::SingleBoard, "10.77.0.21", 1, 2, 100, "升级成功"),
            "设备[10.77.0.21]更新第(1/2)个文件:\t升级成功");
  EXPECT_EQ(ComponentLogLine(PageKind::Batch, "10.77.0.21", 1, 2, 100, "升级成功"),
            "设备[10.77.0.21]更新   100字节:\t升级成功");
  EXPECT_EQ(DownloadingText(2, 3), "正在下载第2/3个文件...");
  EXPECT_EQ(ProgressPercent(1, 3), 33);
  EXPECT_EQ(ProgressText(1, 3), "已完成： 33.33%");
  EXPECT_EQ(ProgressPercent(29, 100), 29);  // no floating-point loss
  EXPECT_EQ(ProgressText(3, 3), "已完成： 100.00%");
  std::tm t{};
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  std::string log;
  PrependLogLine(log, PageLogLine(t, "a"));
  PrependLogLine(log, PageLogLine(t, "b"));
  EXPECT_EQ(log, "(09:05:07):b\r\n(09:05:07):a\r\n");
}

TEST(UpgradeRulesTest, TargetListAndTypeRules) {
  TargetList list;
  EXPECT_FALSE(list.add(0, 3));
  EXPECT_FALSE(list.add(0xFFFFFFFFu, 3));
  EXPECT_TRUE(list.add(kBoard, 3));
  EXPECT_FALSE(list.add(kBoard, 3));      // already listed
  EXPECT_FALSE(list.add(kBoard + 1, 1));  // another type
  EXPECT_EQ(list.boardType(), 3);
  for (std::uint32_t i = 1; list.addresses().size() < 256; ++i) list.add(kBoard + (i << 24), 3);
  EXPECT_FALSE(list.add(qor::ipFromOctets(10, 1, 1, 1), 3));  // full
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.boardType(), 0);

  // Batch: types 3, 1, 3 in board order, "升级所有编码板": the first board fixes the type.
  TargetList batch;
  const std::pair<std::uint32_t, std::int32_t> boards[] = {
      {kBoard, 3}, {kBoard + (1u << 24), 1}, {kBoard + (2u << 24), 3}, {kBoard + (3u << 24), 2}};
  for (auto [address, type] : boards)
    if (InBatchSet(BatchSet::Encoders, type)) batch.add(address, type);
  EXPECT_EQ(batch.addresses(), (std::vector<std::uint32_t>{kBoard, kBoard + (2u << 24)}));
  EXPECT_TRUE(InBatchSet(BatchSet::Decoders, 21));
  EXPECT_FALSE(InBatchSet(BatchSet::Decoders, 6));

  EXPECT_TRUE(TypeFits(PageKind::SingleBoard, 3, -1));
  EXPECT_FALSE(TypeFits(PageKind::SingleBoard, 20, -1));
  EXPECT_TRUE(TypeFits(PageKind::SingleBoard, 20, 11));
  EXPECT_TRUE(TypeFits(PageKind::SingleBoard, 11, 20));
  EXPECT_FALSE(TypeFits(PageKind::SingleBoard, 3, 4));
  EXPECT_FALSE(TypeFits(PageKind::SingleBoard, 0, 0));
  EXPECT_TRUE(TypeFits(PageKind::Batch, 3, 3));
  EXPECT_FALSE(TypeFits(PageKind::Batch, 3, -1));
  EXPECT_FALSE(TypeFits(PageKind::Batch, 0, 0));
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("tavmon_run_" + std::to_string(::getpid()) + ".qoru"))
                .string();
  }
  void TearDown() override { std::filesystem::remove(path_); }

  ChosenFile write(const Bytes& file, PageKind page) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    PackageRead r = ReadPackageFile(path_, page);
    return {path_, r.header.magic, static_cast<std::int64_t>(r.fileLength), r.header};
  }

  std::string path_;
  ScriptedLink link_;
  test::RecordingNotifier notifier_;
  Sleeps sleeps_;
  std::vector<std::string> log_, status_, progress_;
  UpgradeEvents events() {
    return {[this](std::string_view s) { status_.emplace_back(s); },
            [this](int p, std::string_view s) {
              progress_.push_back(std::to_string(p) + " " + std::string(s));
            },
            [this](std::string_view s) { log_.emplace_back(s); }, nullptr};
  }
};

TEST_F(EngineTest, TwoComponentsToThreeBoardsInOrder) {
  ChosenFile file =
      write(BuildPackage(HeaderKind::Short, 3, {Bytes(10, 1), Bytes(20, 2)}), PageKind::Batch);
  TargetList targets;
  for (std::uint32_t i = 0; i < 3; ++i) targets.add(kBoard + (i << 24), 3);
  link_.script = [](ScriptedStream& s, std::uint32_t, int n) {
    if (n == 3) {
      s.answers.push_back(reply(1, 0xEB));  // board 2, component 2: wrong head
    } else {
      s.answers.push_back(reply(1));
    }
  };
  notifier_.answers = {true};
  UpgradeEngine engine(link_, notifier_, RulesFor(PageKind::Batch), events(), sleeps_.fn());
  RunSummary s = engine.Run(file, targets);
  EXPECT_EQ(s.end, RunEnd::Completed);
  EXPECT_EQ(notifier_.questions, std::vector<std::string>{"确定是否升级程序"});
  ASSERT_EQ(link_.opened.size(), 6u);
  EXPECT_EQ(link_.opened[2].address, kBoard + (1u << 24));
  EXPECT_EQ(link_.opened[3].stream->sent, Bytes(20, 2));
  ASSERT_EQ(log_.size(), 6u);
  EXPECT_EQ(log_[0], "设备[10.77.0.21]更新    10字节:\t升级成功");
  EXPECT_EQ(log_[3], "设备[10.77.0.22]更新    20字节:\t升级失败,未知错误(-5)");
  ASSERT_EQ(notifier_.messages.size(), 1u);
  EXPECT_EQ(notifier_.messages[0].text, "升级失败,未知错误(-5)");
  EXPECT_TRUE(status_.empty());  // the batch page has no status line or bar
  EXPECT_TRUE(progress_.empty());
}

TEST_F(EngineTest, SingleBoardStatusAndProgress) {
  ChosenFile file =
      write(BuildPackage(HeaderKind::Long, -1, {Bytes(1, 1), Bytes(2, 2), Bytes(3, 3)}),
            PageKind::SingleBoard);
  TargetList targets;
  targets.add(kBoard, 3);
  notifier_.answers = {true};
  UpgradeEngine engine(link_, notifier_, RulesFor(PageKind::SingleBoard), events(), sleeps_.fn());
  RunSummary s = engine.Run(file, targets);
  ASSERT_EQ(s.outcomes.size(), 3u);
  EXPECT_EQ(progress_, (std::vector<std::string>{"33 已完成： 33.33%", "66 已完成： 66.67%",
                                                 "100 已完成： 100.00%"}));
  EXPECT_EQ(status_,
            (std::vector<std::string>{"正在下载第1/3个文件...", "正在下载第2/3个文件...",
                                      "正在下载第3/3个文件...", "升级完成! （重启设备后生效）"}));
  EXPECT_EQ(log_[2], "设备[10.77.0.21]更新第(3/3)个文件:\t升级成功");
  EXPECT_TRUE(notifier_.messages.empty());
}

TEST_F(EngineTest, RefusalsAndNoSendNothing) {
  TargetList targets;
  targets.add(kBoard, 20);
  UpgradeEngine engine(link_, notifier_, RulesFor(PageKind::SingleBoard), events(), sleeps_.fn());
  // Type -1 is refused for a type-20 board.
  ChosenFile file =
      write(BuildPackage(HeaderKind::Short, -1, {Bytes(4, 1)}), PageKind::SingleBoard);
  EXPECT_EQ(engine.Run(file, targets).refusal, "设备类型与软件更新类型不一致!");
  // Not a package, an empty magic, a file gone, an empty file.
  ChosenFile bad = file;
  bad.header.valid = false;
  EXPECT_EQ(engine.Run(bad, targets).refusal, "请确认输入的文件名及文件格式!");
  bad = file;
  bad.magic.clear();
  EXPECT_EQ(engine.Run(bad, targets).refusal, "请确认输入的文件名及文件格式!");
  bad = file;
  bad.path += ".gone";
  EXPECT_EQ(engine.Run(bad, targets).refusal, "打开文件失败!");
  EXPECT_EQ(engine.Check(file, 0, targets), "请确认输入的文件长度!");
  EXPECT_EQ(notifier_.messages.size(), 4u);
  EXPECT_TRUE(notifier_.questions.empty());

  // No to the question: nothing sent, nothing said.
  TargetList fits;
  fits.add(kBoard, 3);
  notifier_.messages.clear();
  notifier_.answers = {false};
  EXPECT_EQ(engine.Run(file, fits).end, RunEnd::Declined);
  EXPECT_TRUE(notifier_.messages.empty());

  // A component past the end of the file: refused with its name before the question.
  Bytes damaged = BuildPackage(HeaderKind::Short, 3, {Bytes(4, 1), Bytes(4, 2)});
  qor::putU32(damaged, kShortLengthsOffset + 4, 5);
  ChosenFile d = write(damaged, PageKind::SingleBoard);
  notifier_.answers = {true};
  RunSummary s = engine.Run(d, fits);
  EXPECT_EQ(s.end, RunEnd::Refused);
  EXPECT_NE(s.refusal.find("第2个文件"), std::string::npos);
  EXPECT_EQ(notifier_.questions.size(), 1u);  // only the question answered No above
  EXPECT_TRUE(link_.opened.empty());
  EXPECT_TRUE(log_.empty());
}

TEST_F(EngineTest, StopEndsAfterTheComponentOnTheWire) {
  ChosenFile file =
      write(BuildPackage(HeaderKind::Long, 3, {Bytes(1, 1), Bytes(1, 2), Bytes(1, 3)}),
            PageKind::SingleBoard);
  TargetList targets;
  targets.add(kBoard, 3);
  notifier_.answers = {true};
  UpgradeEngine* running = nullptr;
  link_.script = [&](ScriptedStream& s, std::uint32_t, int n) {
    s.answers.push_back(reply(1));
    if (n == 1) running->Stop();  // asked while component 2 is on the wire
  };
  UpgradeEngine engine(link_, notifier_, RulesFor(PageKind::SingleBoard), events(), sleeps_.fn());
  running = &engine;
  RunSummary s = engine.Run(file, targets);
  EXPECT_EQ(s.end, RunEnd::Stopped);
  EXPECT_EQ(s.outcomes.size(), 2u);
  EXPECT_EQ(link_.opened.size(), 2u);
  EXPECT_EQ(log_.back(), "升级已停止");
}

}  // namespace
}  // namespace tav::upgrade
