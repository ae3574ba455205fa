// The video pages over a fake link (what each button sends, what it refuses, what a failed read
// leaves) and against simulated boards.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "device/board_list.h"
#include "device/tcp_channel.h"
#include "fake_board_link.h"
#include "le_bytes.h"
#include "page_gui.h"
#include "pages/field_text.h"
#include "pages/page_action.h"
#include "pages/page_host.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "video/video_views.h"
#include "wire.h"
#include "status_block.h"

using tav::str;
using namespace tav::string_ids;
using tav::test::FakeBoardLink;
using Op = FakeBoardLink::Op;

using tav::test::Child;
using tav::test::Click;
using tav::test::NoData;
using tav::test::Settle;

namespace {

using tav::test::Ip;

tav::StatusBlock Status(int type, const char* ip = "192.168.1.20") {
  tav::StatusBlock s{};
  qor::putU32(s, 0, 200);
  qor::putU32(s, tav::status::kIp, Ip(ip));
  qor::putU32(s, tav::status::kMask, Ip("255.255.255.0"));
  qor::putI32(s, tav::status::kDeviceType, type);
  return s;
}

tav::StatusBlock WithMode(tav::StatusBlock s, int code, int width, int height) {
  qor::putU16(s, 124, static_cast<std::uint16_t>(code));
  qor::putI16(s, 126, static_cast<std::int16_t>(width));
  qor::putI16(s, 128, static_cast<std::int16_t>(height));
  return s;
}

class FakeHost : public tav::test::TestPageHost<FakeBoardLink> {
 public:
  void board(const tav::StatusBlock& status) {
    list.Add(status);
    fake.configAnswers[256] = {status.begin(), status.end()};
  }
};

void Set(QWidget* page, const char* name, const char* text) {
  Child<QLineEdit>(page, name)->setText(QString::fromUtf8(text));
}

// Picks an entry of a list as the user does.
void Pick(QWidget* page, const char* name, const char* entry) {
  auto* combo = Child<QComboBox>(page, name);
  const int i = combo->findText(QString::fromUtf8(entry));
  ASSERT_GE(i, 0) << name << " has no " << entry;
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

std::string Text(QWidget* page, const char* name) {
  if (auto* c = page->findChild<QComboBox*>(QLatin1String(name)))
    return c->currentText().toStdString();
  if (auto* l = page->findChild<QLabel*>(QLatin1String(name))) return l->text().toStdString();
  return Child<QLineEdit>(page, name)->text().toStdString();
}

std::vector<std::uint8_t> ShortAnswer(std::uint8_t command, std::span<const std::uint8_t> record) {
  std::vector<std::uint8_t> a(4 + record.size());
  qor::putHead(a, command);
  std::copy(record.begin(), record.end(), a.begin() + 4);
  return a;
}

// The register writes of a maintenance post as sent: (register, value) pairs.
std::vector<std::pair<int, int>> Registers(const FakeBoardLink::Sent& s) {
  std::vector<std::pair<int, int>> out;
  const int count = qor::getU16(std::span(s.bytes).subspan(1), 6);
  for (int i = 0; i < count; ++i) out.push_back({s.bytes[1 + 12 + i], s.bytes[1 + 268 + i]});
  return out;
}

// With TAVMON_SHOT_DIR set, saves the page as a user sees it (for looking at the layout).
void Shot(QWidget* page, const char* name) {
  const char* dir = std::getenv("TAVMON_SHOTS");
  if (!dir) return;
  page->resize(page->sizeHint().expandedTo(QSize(640, 420)));
  page->show();
  QTest::qWait(50);
  page->grab().save(QDir(QString::fromUtf8(dir)).filePath(QLatin1String(name) + ".png"));
}

// Keeps a page's first refresh from reading the developer's own customer.ini.
struct InDirectory {
  QTemporaryDir dir;
  std::filesystem::path before = std::filesystem::current_path();
  InDirectory() { std::filesystem::current_path(dir.path().toStdString()); }
  ~InDirectory() { std::filesystem::current_path(before); }
  void write(const std::string& text) {
    std::ofstream(std::filesystem::path(dir.path().toStdString()) / "customer.ini") << text;
  }
};

}  // namespace

TEST(PeripheralPage, RefreshSelectsTheBoardsModeAndApplySendsTheChosenOne) {
  InDirectory here;
  FakeHost host;
  host.board(WithMode(Status(1), 23, 1920, 1080));
  CRightView2 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(Text(&page, "modeName") == "CAPTURE_HDMI50i_1920x1080_50Hz")
      << Text(&page, "modeName");
  EXPECT_TRUE(Text(&page, "peripheralType") == "CAPTURE_HDMI") << Text(&page, "peripheralType");
  EXPECT_TRUE(Text(&page, "resolution") == "1080I") << Text(&page, "resolution");
  EXPECT_TRUE(Text(&page, "frequency") == "50Hz") << Text(&page, "frequency");
  EXPECT_TRUE(page.hasBoardData());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "detect")->isVisibleTo(&page));
  EXPECT_TRUE(Text(&page, "customerNote") == "未找到 customer.ini") << Text(&page, "customerNote");

  Pick(&page, "resolution", "1280x1024");
  Pick(&page, "frequency", "75Hz");
  Click(&page, "apply");
  ASSERT_EQ(host.fake.writes(7).size(), 1u);
  const auto record = host.fake.writes(7)[0];
  EXPECT_EQ(qor::getU16(record, 4), 21);
  EXPECT_EQ(qor::getU16(record, 6), 1280);
  EXPECT_EQ(qor::getU16(record, 8), 1024);
  EXPECT_TRUE(Text(&page, "width") == "1280") << Text(&page, "width");
  EXPECT_EQ(host.lastMessage(), str(kStrPeripheralSetOk));
  EXPECT_EQ(qor::getU16(host.list.At(0).statusBlock(), 124), 21);  // the board's copy follows

  // A decoder of type 4: the two-entry VGA list, written with type 8.
  FakeHost decoder;
  decoder.board(WithMode(Status(4), 131, 1024, 768));
  CRightView2 display(decoder);
  display.initialUpdate();
  Settle();
  EXPECT_TRUE(Text(&display, "modeName") == "DISPLAY_VGA_1024x768_60Hz")
      << Text(&display, "modeName");
  EXPECT_TRUE(Text(&display, "resolution") == "1024x768") << Text(&display, "resolution");
  EXPECT_FALSE(Child<QAbstractButton>(&display, "detect")->isVisibleTo(&display));
  Child<QComboBox>(&display, "audioMode")->setEditText("Stereo");  // case matters: flags 0
  Click(&display, "apply");
  ASSERT_EQ(decoder.fake.writes(8).size(), 1u);
  EXPECT_EQ(qor::getU16(decoder.fake.writes(8)[0], 10), 0);
}

TEST(PeripheralPage, CustomerTimingGoesFirstAndItsFailureDoesNotStopTheRecord) {
  InDirectory here;
  here.write(
      "C1.name = Wall\nC1.width = 1600\nC1.height = 900\nC1.freq = 60\nC1.clock = 108000000\n"
      "C1.maxwidth = 1800\nC1.maxheight = 1000\nC1.offsetHori = -4\nC1.offsetVert = 2\n"
      "C2.name = Broken\nC2.width = 800\n");
  FakeHost host;
  host.board(WithMode(Status(20), 3, 1024, 768));
  CRightView2 page(host);
  page.initialUpdate();
  Settle();
  const std::string note = Text(&page, "customerNote");
  EXPECT_NE(note.find(here.dir.path().toStdString() + "/customer.ini"), std::string::npos) << note;
  EXPECT_NE(note.find("保留 1 项"), std::string::npos) << note;
  EXPECT_NE(note.find("舍弃 1 项"), std::string::npos) << note;

  Pick(&page, "peripheralType", "CAPTURE_VGA_CUSTOMER");
  Shot(&page, "CRightView2");
  Pick(&page, "resolution", "Wall");
  Click(&page, "apply");  // no board answers the short packet
  const auto sent = host.fake.sent();
  ASSERT_GE(sent.size(), 2u);
  const auto& timing = sent[sent.size() - 2];
  ASSERT_EQ(timing.op, Op::Short);
  EXPECT_EQ(timing.bytes[3], tav::kCmdWriteRecord36);
  EXPECT_EQ(qor::getU32(timing.bytes, 4), 1600u);
  EXPECT_EQ(sent.back().op, Op::Set);
  EXPECT_EQ(qor::getU16(sent.back().bytes, 4), 33);
  ASSERT_GE(host.notes.messages.size(), 2u);
  EXPECT_EQ(host.notes.messages[host.notes.messages.size() - 2].text,
            "set customer setting failed[-3]!");
}

TEST(PeripheralPage, FailedFirstReadLeavesNoDataAndDetectReadsTheFrontEnd) {
  InDirectory here;
  FakeHost host;
  host.board(WithMode(Status(1), 3, 1024, 768));
  host.fake.configResults[256] = 12;
  CRightView2 page(host);
  page.show();
  page.initialUpdate();
  Settle();
  EXPECT_EQ(host.lastMessage(), str(kStrStatusReadFailed));
  EXPECT_TRUE(NoData(page));
  EXPECT_FALSE(Child<QAbstractButton>(&page, "apply")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(&page, "peripheralType")->isEnabled());
  EXPECT_TRUE(Child<QAbstractButton>(&page, "detect")->isEnabled());  // measures, reads nothing

  host.fake.configResults.erase(256);
  Click(&page, "refresh");
  EXPECT_TRUE(Child<QAbstractButton>(&page, "apply")->isEnabled());
  EXPECT_TRUE(Child<QComboBox>(&page, "peripheralType")->isEnabled());
  EXPECT_TRUE(page.hasBoardData());

  tav::RegisterBlock answer{};
  answer[268] = 0x0D, answer[269] = 0x42, answer[270] = 0x04, answer[271] = 0x65;
  host.fake.maintenanceAnswers.push_back({tav::kMaintConnectFailed, {}});  // 8068 fails
  host.fake.maintenanceAnswers.push_back({0, answer});                     // 8070 answers
  Click(&page, "detect");
  const std::string text = Text(&page, "detectText");
  EXPECT_EQ(text.rfind("频率: 60.00 Hz\nMaxlines: 1125", 0), 0u) << text;
  EXPECT_NE(text.find("1080P或1600x1200"), std::string::npos);
  const auto queries = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[0].type, 8068);
  EXPECT_EQ(queries[1].type, 8070);

  Click(&page, "detect");  // nothing answers now
  EXPECT_EQ(host.lastMessage(), "检测失败;错误号 = -1");
  EXPECT_TRUE(Text(&page, "detectText") == "") << Text(&page, "detectText");
}

TEST(CapturePage, SingleWritesQuickSetAndRefusals) {
  FakeHost host;
  host.board(Status(1));
  customerSetting page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host.fake.sent().empty());  // no first refresh
  EXPECT_TRUE(Text(&page, "info") == "建议配置info:") << Text(&page, "info");

  Set(&page, "maxWidth", "1344");
  Set(&page, "clock", "65000000");
  host.fake.maintenanceAnswers.push_back({0, {}});
  Click(&page, "setClock");
  auto posts = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].type, 8068);
  EXPECT_EQ(Registers(posts[0]), (std::vector<std::pair<int, int>>{{0x8F, 0x02}, {0x90, 0x50}}));

  // Out of its field's range: a message naming the field, nothing sent.
  Set(&page, "offsetHori", "600");
  Click(&page, "setHorizontal");
  EXPECT_EQ(host.lastMessage(), tav::OutOfRangeText("左右移+-511", {-511, 511}));
  EXPECT_EQ(host.fake.sentOf(Op::Maintenance).size(), 1u);
  Set(&page, "offsetHori", "-300");
  host.fake.maintenanceAnswers.push_back({0, {}});
  Click(&page, "setHorizontal");
  posts = host.fake.sentOf(Op::Maintenance);
  EXPECT_EQ(Registers(posts.back()), (std::vector<std::pair<int, int>>{{0x7C, 8}, {0x7E, 0xD4}}));

  // "速配" reads the measurement first, asks before replacing a maximum width that does not
  // match, and writes H, W and C.
  tav::CustomerTiming measured;
  measured.width = 1024;
  measured.height = 768;
  measured.maxWidth = 1024;
  measured.blockLength = 3394;
  measured.lineCount = 1125;
  auto record = tav::EncodeCustomerTiming(measured);
  qor::putU16(record, 28, 3394);
  qor::putU16(record, 32, 1125);
  host.fake.shortAnswers.push_back(ShortAnswer(0xF6, record));
  Set(&page, "lines", "0");
  host.notes.answers.push_back(true);
  for (int i = 0; i < 3; ++i) host.fake.maintenanceAnswers.push_back({0, {}});
  Click(&page, "quickSet");
  ASSERT_EQ(host.notes.questions.size(), 1u);
  EXPECT_NE(host.notes.questions[0].find("(1024-2048)"), std::string::npos);
  EXPECT_EQ(host.notes.questionLooks[0], std::pair(std::string("确认"), tav::AskButtons::YesNo));
  EXPECT_TRUE(Text(&page, "maxWidth") == "1216") << Text(&page, "maxWidth");
  EXPECT_TRUE(Text(&page, "rate") == "60") << Text(&page, "rate");
  EXPECT_TRUE(Text(&page, "maxHeight") == "1125") << Text(&page, "maxHeight");
  EXPECT_TRUE(Text(&page, "info") == "Input freq: 60.00 Hz") << Text(&page, "info");
  posts = host.fake.sentOf(Op::Maintenance);
  ASSERT_EQ(posts.size(), 5u);
  EXPECT_EQ(Registers(posts[2])[0].first, 0xAB);
  EXPECT_EQ(Registers(posts[3])[0].first, 0x87);
  EXPECT_EQ(Registers(posts[4])[0].first, 0x8F);

  Shot(&page, "customerSetting");
  // A failed read keeps the fields.
  Click(&page, "captureRefresh");
  EXPECT_EQ(host.lastMessage(), "获取失败 = -3");
  EXPECT_TRUE(Text(&page, "maxWidth") == "1216") << Text(&page, "maxWidth");
}

TEST(VideoPositionPage, ApplyRegistersAndDisabledTypes) {
  FakeHost host;
  tav::StatusBlock s = Status(4);
  qor::putI16(s, tav::status::kVersionAMajor, 3);
  host.board(s);
  CRightView6 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(host.notes.logLines.size() >= 1 && host.notes.logLines[0] == str(kStrPositionReadOk));
  EXPECT_TRUE(Child<QLineEdit>(&page, "horizontal")->isEnabled());
  EXPECT_FALSE(Child<QLineEdit>(&page, "x")->isEnabled());

  Shot(&page, "CRightView6");
  Set(&page, "horizontal", "26");
  Click(&page, "apply");
  auto writes = host.fake.sentOf(Op::Direct);
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().type, tav::kCmdWriteVideoPosition);
  EXPECT_EQ(qor::getI16(writes.back().bytes, 12), 1200);
  EXPECT_EQ(qor::getI32(writes.back().bytes, 24), -1);
  EXPECT_EQ(host.lastMessage(), str(kStrPositionSetOk));

  const std::size_t before = host.fake.sent().size();
  for (const char* bad : {"1C71BFF", "1C71F81"}) {
    Set(&page, "address", bad);
    Click(&page, "read");
    EXPECT_EQ(host.lastMessage(), str(kStrRegisterAddressInvalid));
  }
  Set(&page, "address", "1C71F80");
  Set(&page, "value", "xyz");
  Click(&page, "write");  // not a hexadecimal value: refused rather than sent as 0
  EXPECT_EQ(host.fake.sent().size(), before);
  Set(&page, "address", "1C71C00");
  Set(&page, "value", "5a");
  Click(&page, "write");
  writes = host.fake.sentOf(Op::Direct);
  EXPECT_EQ(qor::getU32(writes.back().bytes, 20), 0x1C71C00u);
  EXPECT_EQ(qor::getI32(writes.back().bytes, 24), 0x5A);
  EXPECT_EQ(qor::getI16(writes.back().bytes, 4), -1);
  EXPECT_EQ(host.notes.logLines.back(), str(kStrRegisterWriteOk));

  Set(&page, "vertical", "40000");
  Click(&page, "apply");
  EXPECT_EQ(host.lastMessage(), tav::OutOfRangeText("上下位置", {-32768, 32767}));

  FakeHost other;
  other.board(Status(2));
  CRightView6 disabled(other);
  disabled.initialUpdate();
  Settle();
  for (const char* name : {"refresh", "apply", "read", "write"})
    EXPECT_FALSE(Child<QAbstractButton>(&disabled, name)->isEnabled()) << name;
  for (const char* name : {"horizontal", "vertical", "address", "value"})
    EXPECT_FALSE(Child<QLineEdit>(&disabled, name)->isEnabled()) << name;

  FakeHost silent;
  silent.board(Status(4));
  silent.fake.configResults[256] = 12;
  CRightView6 unread(silent);
  unread.initialUpdate();
  Settle();
  EXPECT_EQ(silent.lastMessage(), str(kStrStatusReadFailed));
  EXPECT_TRUE(NoData(unread));
  Shot(&unread, "CRightView6_nodata");
  EXPECT_FALSE(Child<QAbstractButton>(&unread, "apply")->isEnabled());
  EXPECT_FALSE(Child<QLineEdit>(&unread, "vertical")->isEnabled());
  EXPECT_TRUE(Child<QAbstractButton>(&unread, "refresh")->isEnabled());
  silent.fake.configResults.erase(256);
  qor::putI16(silent.list.At(0).statusBlock(), tav::status::kVersionAMajor, 3);
  silent.fake.configAnswers[256] = {silent.list.At(0).statusBlock().begin(),
                                    silent.list.At(0).statusBlock().end()};
  Click(&unread, "refresh");
  EXPECT_TRUE(unread.hasBoardData());
  EXPECT_TRUE(Child<QAbstractButton>(&unread, "apply")->isEnabled());
  EXPECT_TRUE(Child<QLineEdit>(&unread, "vertical")->isEnabled());
}

TEST(AdvancedPositionPage, ReadSetAndClear) {
  FakeHost host;
  host.board(Status(1));
  const auto record = tav::EncodePicturePosition({3, 5, 1920, 1080});
  host.fake.shortAnswers.push_back(ShortAnswer(0xF2, record));
  CRightView16 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(Text(&page, "up") == "3") << Text(&page, "up");
  EXPECT_TRUE(Text(&page, "left") == "5") << Text(&page, "left");
  EXPECT_TRUE(Text(&page, "height") == "1080") << Text(&page, "height");

  Shot(&page, "CRightView16");
  host.fake.shortAnswers.push_back({});
  Click(&page, "clear");
  auto shorts = host.fake.sentOf(Op::Short);
  EXPECT_EQ(shorts.back().bytes[3], tav::kCmdWriteRecord16);
  EXPECT_EQ(qor::getI32(shorts.back().bytes, 4), -1);
  EXPECT_EQ(qor::getI32(shorts.back().bytes, 8), -1);
  EXPECT_EQ(qor::getI32(shorts.back().bytes, 12), 0);
  EXPECT_TRUE(Text(&page, "up") == "3") << Text(&page, "up");  // the fields stay

  Set(&page, "width", "wide");
  Click(&page, "set");
  EXPECT_EQ(host.fake.sentOf(Op::Short).size(), shorts.size());
  Set(&page, "width", "1280");
  Click(&page, "set");  // nothing answers the connection
  EXPECT_EQ(host.lastMessage(), "设置失败 = -3");

  FakeHost silent;
  silent.board(Status(1));
  CRightView16 unread(silent);
  unread.initialUpdate();
  Settle();
  EXPECT_EQ(silent.lastMessage(), "读取失败 = -3");
  EXPECT_TRUE(NoData(unread));
  EXPECT_FALSE(Child<QAbstractButton>(&unread, "set")->isEnabled());
  EXPECT_FALSE(Child<QLineEdit>(&unread, "width")->isEnabled());
  EXPECT_TRUE(Child<QAbstractButton>(&unread, "clear")->isEnabled());
}

// The peripheral page and the picture position page against simulated boards.
TEST(VideoPagesOnQorsim, PeripheralApplyReachesTheBoardAndPositionRoundTrips) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.71", "type": 1, "video": {"mode": 12, "width": 1920, "height": 1080}}
  ])"));
  sim.start();
  InDirectory here;
  FakeHost host;
  host.useLink = &tav::LanLink();
  tav::StatusBlock status{};
  sim.withBoard(0, [&](qorsim::BoardState& b) { status = b.status; });
  host.list.Add(status);

  CRightView2 page(host);
  page.initialUpdate();
  Settle();
  EXPECT_TRUE(Text(&page, "modeName") == "CAPTURE_HDMI_1920x1080_60Hz") << Text(&page, "modeName");
  Click(&page, "detect");
  EXPECT_NE(Text(&page, "detectText").find("(1080P)"), std::string::npos);
  Pick(&page, "resolution", "1080I");
  Pick(&page, "frequency", "50Hz");
  Click(&page, "apply");
  EXPECT_EQ(host.lastMessage(), str(kStrPeripheralSetOk));
  bool seen = false;
  for (int i = 0; i < 300 && !seen; ++i) {
    sim.withBoard(0, [&](qorsim::BoardState& b) { seen = qor::getU16(b.status, 124) == 23; });
    if (!seen) QTest::qWait(10);
  }
  EXPECT_TRUE(seen);
  Click(&page, "refresh");
  EXPECT_TRUE(Text(&page, "modeName") == "CAPTURE_HDMI50i_1920x1080_50Hz")
      << Text(&page, "modeName");

  CRightView16 position(host);
  position.initialUpdate();
  Settle();
  Set(&position, "up", "7");
  Set(&position, "width", "1280");
  Click(&position, "set");
  QTest::qWait(200);  // the board takes a write after the connection closes
  Set(&position, "up", "0");
  Click(&position, "refresh");
  EXPECT_TRUE(Text(&position, "up") == "7") << Text(&position, "up");
  EXPECT_TRUE(Text(&position, "width") == "1280") << Text(&position, "width");
}
