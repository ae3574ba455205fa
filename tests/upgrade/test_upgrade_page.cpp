// The single-board upgrade page over a fake link (scripted 8060 streams) and once against a
// qorsim board: progress between components, result boxes, refusals, stop, closing mid-run.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "../pages/status_fixture.h"
#include "device/board_list.h"
#include "fake_board_link.h"
#include "le_bytes.h"
#include "page_gui.h"
#include "pages/page_action.h"
#include "pages/page_host.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "upgrade.h"
#include "upgrade/upgrade_page.h"
#include "upgrade/upgrade_run.h"

using pagetest::Ip;
using tav::test::FakeBoardLink;
using Bytes = std::vector<std::uint8_t>;
using Op = FakeBoardLink::Op;
namespace up = tav::upgrade;

using tav::test::Child;
using tav::test::Settle;

namespace {

using FakeHost = tav::test::TestPageHost<FakeBoardLink>;

// A board's 8060 side: keeps what it was sent where the test can see it after the stream has
// gone, and can take its time before answering (a board flashing).
class BoardSide : public tav::test::ScriptedStream {
 public:
  BoardSide(std::shared_ptr<Bytes> received, int answerAfterMs, Bytes answer)
      : received_(std::move(received)), delayMs_(answerAfterMs) {
    answers.push_back(std::move(answer));
  }
  bool sendAll(std::span<const std::uint8_t> bytes, tav::Millis t) override {
    received_->insert(received_->end(), bytes.begin(), bytes.end());
    return ScriptedStream::sendAll(bytes, t);
  }
  long receive(std::span<std::uint8_t> buffer, std::size_t atLeast, tav::Millis t) override {
    if (delayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
    return ScriptedStream::receive(buffer, atLeast, t);
  }

 private:
  std::shared_ptr<Bytes> received_;
  int delayMs_;
};

Bytes Reply(int result, std::uint8_t command = up::kReplyCommand) {
  Bytes r(16);
  r[0] = 'q';
  r[1] = 'o';
  r[2] = 'r';
  r[3] = command;
  qor::putU32(r, 4, up::kReplyWord);
  qor::putU32(r, 8, up::kReplyComponentWord);
  qor::putI32(r, 12, result);
  return r;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed * 13 + i * 5);
  return b;
}

QString Text(QWidget* page, const char* name) {
  return Child<QLabel>(page, name)->text();
}

std::vector<std::string> LogLines(QWidget* page) {
  std::vector<std::string> lines;
  for (const QString& l : Child<QPlainTextEdit>(page, "log")->toPlainText().split('\n'))
    if (!l.isEmpty()) lines.push_back(l.toStdString());
  return lines;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class UpgradePage : public ::testing::Test {
 protected:
  void SetUp() override { host.list.Add(pagetest::Status(3, Ip("192.168.1.20"))); }
  void TearDown() override {
    for (auto& p : paths_) std::filesystem::remove(p);
  }
  QString package(up::HeaderKind kind, std::int32_t type, const std::vector<Bytes>& parts,
                  std::size_t cutTo = 0) {
    std::string path =
        (std::filesystem::temp_directory_path() / ("tavmon_page_" + std::to_string(::getpid()) +
                                                   "_" + std::to_string(paths_.size()) + ".qoru"))
            .string();
    Bytes file = kind == up::HeaderKind::None ? parts[0] : up::BuildPackage(kind, type, parts);
    if (cutTo) file.resize(cutTo);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    paths_.push_back(path);
    return QString::fromStdString(path);
  }
  std::shared_ptr<Bytes> board(int answerAfterMs, Bytes answer) {
    auto received = std::make_shared<Bytes>();
    host.fake.streams.push_back(
        std::make_unique<BoardSide>(received, answerAfterMs, std::move(answer)));
    return received;
  }
  std::size_t opens() const { return host.fake.sentOf(Op::Open).size(); }

  FakeHost host;
  std::vector<std::string> paths_;
};

TEST_F(UpgradePage, TwoComponentsGoOutInOrderWithProgressBetweenThem) {
  CRightView10 page(host);
  page.show();
  const std::vector<Bytes> parts{Pattern(3000, 1), Pattern(70000, 2)};  // the second in pieces
  page.chooseFile(package(up::HeaderKind::Long, -1, parts));
  EXPECT_EQ(Child<QLineEdit>(&page, "fileMagic")->text(), "qor_update2file");
  EXPECT_EQ(Child<QLineEdit>(&page, "fileLength")->text(), QString::number(1100 + 73000));
  EXPECT_EQ(Text(&page, "fileInfo"), "文件信息:适用于[任意类型],更新文件数: 2, 长度:3000 / 70000");

  auto first = board(0, Reply(1));
  auto second = board(600, Reply(3));
  host.notes.answers = {true};
  Child<QAbstractButton>(&page, "upgrade")->click();
  ASSERT_EQ(host.notes.questions, std::vector<std::string>{"确定是否升级程序"});
  EXPECT_EQ(host.notes.questionLooks[0].first, "更新确认");
  EXPECT_FALSE(Child<QAbstractButton>(&page, "upgrade")->isEnabled());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "stop")->isEnabled());

  // Between the components: the bar and the line have moved while the window keeps turning.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Text(&page, "status") == "正在下载第2/2个文件..."; }));
  EXPECT_EQ(Child<QProgressBar>(&page, "progress")->value(), 50);
  EXPECT_EQ(Text(&page, "percent"), "已完成： 50.00%");
  Settle();

  EXPECT_EQ(*first, parts[0]);
  EXPECT_EQ(*second, parts[1]);
  for (const auto& s : host.fake.sentOf(Op::Open)) {
    EXPECT_EQ(s.address, "192.168.1.20");
    EXPECT_EQ(s.type, 8060);
  }
  const auto lines = LogLines(&page);
  ASSERT_EQ(lines.size(), 2u);  // newest first, each "(HH:MM:SS):text"
  EXPECT_EQ(lines[0].substr(0, 1), "(");
  EXPECT_TRUE(EndsWith(lines[0], "设备[192.168.1.20]更新第(2/2)个文件:\t添加文件升级成功"));
  EXPECT_TRUE(EndsWith(lines[1], "设备[192.168.1.20]更新第(1/2)个文件:\t升级成功"));
  EXPECT_EQ(Text(&page, "status"), "升级完成! （重启设备后生效）");
  EXPECT_EQ(Child<QProgressBar>(&page, "progress")->value(), 100);
  EXPECT_EQ(Text(&page, "percent"), "已完成： 100.00%");
  EXPECT_TRUE(host.notes.messages.empty());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "upgrade")->isEnabled());
  EXPECT_FALSE(Child<QAbstractButton>(&page, "stop")->isEnabled());
}

TEST_F(UpgradePage, RefusalsSendNothingAndFailedResultsShowTheirBoxes) {
  CRightView10 page(host);
  page.show();
  auto lastMessage = [&] {
    return host.notes.messages.empty() ? std::string() : host.notes.messages.back().text;
  };
  // No file chosen yet.
  Child<QAbstractButton>(&page, "upgrade")->click();
  EXPECT_EQ(lastMessage(), "请确认输入的文件名及文件格式!");
  // Too short to hold a header.
  page.chooseFile(package(up::HeaderKind::Short, 3, {Pattern(10, 1)}, 150));
  EXPECT_EQ(lastMessage(), "文件长度太短");
  Child<QAbstractButton>(&page, "upgrade")->click();
  EXPECT_EQ(lastMessage(), "请确认输入的文件名及文件格式!");
  // Not a package.
  page.chooseFile(package(up::HeaderKind::None, 3, {Pattern(400, 1)}));
  EXPECT_EQ(Text(&page, "fileInfo"), "文件信息:文件内容不符合标准");
  // For another board type.
  page.chooseFile(package(up::HeaderKind::Short, 20, {Pattern(10, 1)}));
  Child<QAbstractButton>(&page, "upgrade")->click();
  EXPECT_EQ(lastMessage(), "设备类型与软件更新类型不一致!");
  // A component past the end of the file: named, and refused before the question.
  page.chooseFile(package(up::HeaderKind::Short, 3, {Pattern(100, 1), Pattern(100, 2)}, 350));
  Child<QAbstractButton>(&page, "upgrade")->click();
  EXPECT_EQ(lastMessage().rfind("升级文件的第2个文件", 0), 0u) << lastMessage();
  EXPECT_TRUE(host.notes.questions.empty());
  // No to the question: nothing sent, nothing said.
  page.chooseFile(package(up::HeaderKind::Short, 3, {Pattern(100, 1), Pattern(100, 2)}));
  const std::size_t said = host.notes.messages.size();
  host.notes.answers = {false};
  Child<QAbstractButton>(&page, "upgrade")->click();
  Settle();
  EXPECT_EQ(host.notes.questions.size(), 1u);
  EXPECT_EQ(host.notes.messages.size(), said);
  EXPECT_EQ(opens(), 0u);
  EXPECT_TRUE(LogLines(&page).empty());

  // Yes, and the board refuses the first component and answers the second with a wrong head:
  // a box for each, the run goes on to the end.
  board(0, Reply(0));
  board(0, Reply(1, 0xEB));
  host.notes.answers = {true};
  Child<QAbstractButton>(&page, "upgrade")->click();
  Settle();
  ASSERT_EQ(host.notes.messages.size(), said + 2);
  EXPECT_EQ(host.notes.messages[said].text, "升级失败(2返回值表示失败)");
  EXPECT_EQ(host.notes.messages[said + 1].text, "升级失败,未知错误(-5)");
  EXPECT_EQ(host.notes.messages[said + 1].icon, tav::NoticeIcon::Error);
  const auto lines = LogLines(&page);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(EndsWith(lines[0], "更新第(2/2)个文件:\t升级失败,未知错误(-5)"));
  EXPECT_TRUE(EndsWith(lines[1], "更新第(1/2)个文件:\t升级失败"));
  EXPECT_EQ(Text(&page, "status"), "升级完成! （重启设备后生效）");
}

TEST_F(UpgradePage, StopEndsTheRunAfterTheComponentOnTheWire) {
  CRightView10 page(host);
  page.show();
  page.chooseFile(package(up::HeaderKind::Short, 3, {Pattern(100, 1), Pattern(100, 2)}));
  auto first = board(500, Reply(1));
  board(0, Reply(1));
  host.notes.answers = {true};
  Child<QAbstractButton>(&page, "upgrade")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return opens() == 1; }));
  Child<QAbstractButton>(&page, "stop")->click();
  EXPECT_FALSE(Child<QAbstractButton>(&page, "stop")->isEnabled());
  Settle();
  EXPECT_EQ(opens(), 1u);
  EXPECT_EQ(first->size(), 100u);  // the component on the wire went out whole
  const auto lines = LogLines(&page);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(EndsWith(lines[0], "升级已停止"));
  EXPECT_TRUE(EndsWith(lines[1], "更新第(1/2)个文件:\t升级成功"));
  EXPECT_EQ(Text(&page, "status"), "升级已停止");
}

TEST_F(UpgradePage, ClosingTheWindowMidRunAsksThenStopsAndDropsLateEvents) {
  auto* window = new QWidget;
  auto* layout = new QVBoxLayout(window);
  QPointer<CRightView10> page = new CRightView10(host, window);
  layout->addWidget(page);
  window->show();
  page->chooseFile(package(up::HeaderKind::Short, 3, {Pattern(100, 1), Pattern(100, 2)}));
  board(800, Reply(0));  // would give a box, if anyone were left to see it
  board(0, Reply(1));
  host.notes.answers = {true};
  Child<QAbstractButton>(page, "upgrade")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return opens() == 1; }));

  host.notes.answers = {false};  // "No": the window stays, the run goes on
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(page->running());
  ASSERT_EQ(host.notes.questions.size(), 2u);
  EXPECT_EQ(host.notes.questionLooks[1].first, "更新确认");

  host.notes.answers = {true};
  EXPECT_TRUE(window->close());
  QElapsedTimer clock;
  clock.start();
  delete window;  // never waits for the board
  EXPECT_LT(clock.elapsed(), 200);
  EXPECT_TRUE(page.isNull());
  EXPECT_EQ(tav::PageAction::Running(), 0);
  QTest::qWait(1200);  // the worker's component ends; its box and log line go nowhere
  EXPECT_TRUE(host.notes.messages.empty());
  EXPECT_EQ(opens(), 1u);  // and the second component was never sent
}

// One run against a qorsim board that takes its time to flash the second component: the page
// shows how long it has waited, the window keeps turning, the board holds both components.
TEST(UpgradePageLan, QorsimBoardTakesBothComponentsWhileThePageShowsTheWait) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.70", "type": 3,
     "upgrade": {"components": {"2": {"delayMs": 1600, "result": 3}}}}])"));
  sim.start();
  FakeHost host;
  host.useLink = &tav::LanLink();
  host.list.Add(pagetest::Status(3, Ip("10.77.0.70")));
  const std::vector<Bytes> parts{Pattern(200000, 3), Pattern(5000, 4)};
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tavmon_page_lan_" + std::to_string(::getpid()) + ".qoru"))
                               .string();
  Bytes file = up::BuildPackage(up::HeaderKind::Short, 3, parts);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));

  CRightView10 page(host);
  page.resize(640, 480);
  page.show();
  page.chooseFile(QString::fromStdString(path));
  host.notes.answers = {true};
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer ticker;
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, clock.elapsed() - last);
    last = clock.elapsed();
  });
  clock.start();
  ticker.start();
  Child<QAbstractButton>(&page, "upgrade")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Text(&page, "wait") == "已等待 1 秒"; }, 5000));
  EXPECT_EQ(Text(&page, "status"), "正在下载第2/2个文件...");
  EXPECT_EQ(Child<QProgressBar>(&page, "progress")->value(), 50);
  const char* shot = std::getenv("TAVMON_SHOTS");  // a folder for a look at the page
  if (shot) {
    QTest::qWait(50);
    page.grab().save(QString(shot) + "/upgrade-wait.png");
  }
  Settle();
  if (shot) page.grab().save(QString(shot) + "/upgrade-done.png");
  ticker.stop();
  EXPECT_LT(longest, 250);

  const auto lines = LogLines(&page);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(EndsWith(lines[0], "设备[10.77.0.70]更新第(2/2)个文件:\t添加文件升级成功"));
  EXPECT_TRUE(EndsWith(lines[1], "设备[10.77.0.70]更新第(1/2)个文件:\t升级成功"));
  EXPECT_TRUE(Text(&page, "wait").isEmpty());
  EXPECT_TRUE(host.notes.messages.empty());
  sim.withBoard(0, [&](qorsim::BoardState& b) {
    ASSERT_EQ(b.upgradeReceived.size(), 2u);
    for (std::size_t c = 0; c < 2; ++c)
      EXPECT_EQ(b.upgradeReceived[c].digest, qorsim::componentDigest(parts[c]));
  });
  std::filesystem::remove(path);
}

}  // namespace
