// The service pages' logic against scripted boards: the clock, overlay and storage blocks on
// the wire, each failure's text, and the login file write with every answer code.
#include <gtest/gtest.h>

#include "le_bytes.h"
#include "pages/clock_settings.h"
#include "pages/field_text.h"
#include "pages/osd_settings.h"
#include "pages/password_file.h"
#include "pages/storage_settings.h"
#include "recording_notifier.h"
#include "scripted_link.h"
#include "wire.h"

using namespace tav;
using tav::test::RecordingNotifier;
using tav::test::ScriptedLink;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint32_t kBoard = 0x1400A8C0;  // 192.168.0.20

Bytes Answer(std::uint8_t command, qor::Bytes block) {
  Bytes b(4 + block.size());
  qor::putHead(b, command);
  qor::putBytes(b, 4, block);
  return b;
}

std::vector<std::string> Texts(const RecordingNotifier& n) {
  std::vector<std::string> t;
  for (const auto& m : n.messages) t.push_back(m.text);
  return t;
}

}  // namespace

TEST(ClockBlock, FieldsAtTheirOffsets) {
  auto block = EncodeClock({2015, 3, 7, 8, 9, 10});
  const std::pair<std::size_t, std::int32_t> expected[] = {{0, 115}, {4, 2},  {8, 7},
                                                           {20, 8},  {24, 9}, {28, 10}};
  for (auto [off, v] : expected) EXPECT_EQ(qor::getI32(block, off), v) << off;
  for (std::size_t off : {12, 16, 32, 36}) EXPECT_EQ(qor::getU32(block, off), 0u) << off;
  EXPECT_EQ(DecodeClock(block), (ClockTime{2015, 3, 7, 8, 9, 10}));
  EXPECT_FALSE(DecodeClock(qor::Bytes(block).first(39)));
  EXPECT_EQ(ClockText({2015, 3, 7, 8, 9, 10}), "2015-03-07 08:09:10");
  EXPECT_EQ(ParseClockText(" 2015-03-07 08:09:10 "), (ClockTime{2015, 3, 7, 8, 9, 10}));
  for (const char* bad : {"2015-3-07 08:09:10", "2015-13-07 08:09:10", "2015-03-07T08:09:10",
                          "2015-03-07 24:00:00", "2015-03-00 08:09:10", ""})
    EXPECT_FALSE(ParseClockText(bad)) << bad;
}

TEST(ClockSettings, GetShowsTheBoardsTimeAndSetSendsTheEdits) {
  ScriptedLink link;
  RecordingNotifier notifier;
  ClockSettings page(link, notifier);
  auto get = link.next();
  get->answers.push_back(Answer(0x32, EncodeClock({2021, 12, 31, 23, 59, 58})));
  ASSERT_EQ(page.Get(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(Answer(0x31, {}), get->sent);
  EXPECT_EQ(page.form.fields, (std::array<std::string, 6>{"2021", "12", "31", "23", "59", "58"}));
  ASSERT_EQ(link.opened.size(), 1u);
  EXPECT_EQ(link.opened[0].address, kBoard);
  EXPECT_EQ(link.opened[0].port, 4010);
  EXPECT_EQ(link.opened[0].limits.connectWait, Millis(1001));

  auto set = link.next();
  page.form.fields = {"2015", " 3", "7", "8", "9", "10"};
  EXPECT_EQ(page.Set(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(set->sent, Answer(0x30, EncodeClock({2015, 3, 7, 8, 9, 10})));
  EXPECT_TRUE(notifier.messages.empty()) << "a set time shows nothing";

  // The PC's clock fills the edits before the set.
  auto pc = link.next();
  page.pcClock = [] { return ClockTime{2030, 1, 2, 3, 4, 5}; };
  EXPECT_EQ(page.SetFromPc(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(pc->sent, Answer(0x30, EncodeClock({2030, 1, 2, 3, 4, 5})));
  EXPECT_EQ(page.form.fields[0], "2030");

  // An edit that is not a number is refused before any connection.
  page.form.fields[2] = "七";
  EXPECT_EQ(page.Set(kBoard), ServiceStatus::Refused);
  EXPECT_EQ(link.opened.size(), 3u);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{kNotAnInteger});
}

TEST(ServiceExchange, EachFailureHasItsText) {
  struct Case {
    const char* name;
    std::function<void(test::ScriptedStream&)> script;
    ServiceStatus status;
    const char* text;  // message box; null: none
  } cases[] = {
      {"silent board", [](auto&) {}, ServiceStatus::RecvError, "recv error"},
      {"wrong head", [](auto& s) { s.answers.push_back(Answer(0x35, Bytes(40))); },
       ServiceStatus::HeadError, "head error"},
      {"not qor",
       [](auto& s) {
         s.answers.push_back(Bytes{'x', 'o', 'r', 0x32});
       },
       ServiceStatus::HeadError, "head error"},
      {"block cut short", [](auto& s) { s.answers.push_back(Answer(0x32, Bytes(39))); },
       ServiceStatus::RecvError, "recv error"},
      {"send fails", [](auto& s) { s.sendFails = true; }, ServiceStatus::SendError, "send error"},
      {"no connection", [](auto& s) { s.isConnected = false; }, ServiceStatus::NoConnection,
       nullptr},
  };
  for (const auto& c : cases) {
    ScriptedLink link;
    RecordingNotifier notifier;
    ClockSettings page(link, notifier);
    page.form.fields = {"1", "1", "1", "1", "1", "1"};
    c.script(*link.next());
    EXPECT_EQ(page.Get(kBoard), c.status) << c.name;
    EXPECT_EQ(page.form.fields[0], "1") << c.name << ": the edits keep their text";
    if (c.text) {
      EXPECT_EQ(Texts(notifier), std::vector<std::string>{c.text}) << c.name;
      EXPECT_EQ(notifier.messages[0].icon, NoticeIcon::Error);
    } else {
      EXPECT_TRUE(notifier.messages.empty()) << c.name;
      EXPECT_EQ(notifier.logLines, std::vector<std::string>{"connect error"});
    }
  }
  // A block handed over in pieces is taken whole.
  ScriptedLink link;
  RecordingNotifier notifier;
  ClockSettings page(link, notifier);
  auto s = link.next();
  Bytes whole = Answer(0x32, EncodeClock({2015, 3, 7, 8, 9, 10}));
  s->answers.push_back(Bytes(whole.begin(), whole.begin() + 3));
  s->answers.push_back(Bytes(whole.begin() + 3, whole.end()));
  EXPECT_EQ(page.Get(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(page.form.fields[5], "10");
}

TEST(OverlayBlock, TextsAndTheirLengthFields) {
  OverlayBlock block;
  block.channel = 2;
  block.channelText.text = u"";
  block.time.text = u"AB";
  block.time.shown = true;
  block.time.x = -5;
  block.time.colour = 3;
  auto bytes = EncodeOverlay(block);
  EXPECT_EQ(qor::getU32(bytes, 4), 2u);
  EXPECT_EQ(qor::getU32(bytes, 8 + 148), 0u) << "empty text";
  EXPECT_EQ(qor::getU32(bytes, 188 + 148), 3u) << "two units and the NUL";
  EXPECT_EQ(qor::getU16(bytes, 188 + 20), u'A');
  EXPECT_EQ(qor::getU16(bytes, 188 + 24), 0);
  EXPECT_EQ(qor::getU32(bytes, 188 + 4), 1u);
  EXPECT_EQ(qor::getI32(bytes, 188 + 12), -5);
  EXPECT_EQ(qor::getI32(bytes, 188 + 156), 3);
  EXPECT_EQ(DecodeOverlay(bytes), block);
  EXPECT_FALSE(DecodeOverlay(qor::Bytes(bytes).first(367)));

  // 64 units fill the slot; one more is refused, surrogate pairs count two.
  EXPECT_EQ(OverlayUnits(std::string(64, 'x'))->size(), 64u);
  EXPECT_FALSE(OverlayUnits(std::string(65, 'x')));
  EXPECT_FALSE(OverlayUnits(std::string(63, 'x') + "😀"));
  EXPECT_EQ(*OverlayUnits("办公室1"), u"办公室1");
  EXPECT_EQ(OverlayText(u"时间😀"), "时间😀");
  EXPECT_EQ(OverlayText(std::u16string{u'A', 0xD800, u'B'}),
            "A\xEF\xBF\xBD"
            "B");

  // A slot without NUL ends after 64 units, before the length field.
  block.time.text = std::u16string(64, u'z');
  auto full = EncodeOverlay(block);
  EXPECT_EQ(qor::getU32(full, 188 + 148), 65u);
  EXPECT_EQ(DecodeOverlay(full)->time.text, std::u16string(64, u'z'));
}

TEST(OsdSettings, DefaultsChangeOnlyThePageAndSetSendsTheForm) {
  ScriptedLink link;
  RecordingNotifier notifier;
  OsdSettings page(link, notifier);
  page.Defaults();
  EXPECT_TRUE(link.opened.empty()) << "defaults send nothing";
  EXPECT_EQ(page.form.channel, 0);
  EXPECT_EQ(page.form.time.text, "时间");
  EXPECT_EQ(page.form.channelText.text, "通道");
  EXPECT_EQ(page.form.channelText.x, "100");
  EXPECT_EQ(page.form.time.background, "100");
  EXPECT_TRUE(page.form.time.shown && page.form.channelText.shown);

  auto s = link.next();
  page.form.channel = 1;
  page.form.channelText.text = "";
  page.form.time.text = "AB";
  page.form.time.colour = 4;
  ASSERT_EQ(page.Set(kBoard), ServiceStatus::Ok);
  auto block = DecodeOverlay(qor::Bytes(s->sent).subspan(4));
  ASSERT_TRUE(block);
  EXPECT_EQ(s->sent[3], 0x33);
  EXPECT_EQ(qor::getU32(s->sent, 4 + 8 + 148), 0u);
  EXPECT_EQ(qor::getU32(s->sent, 4 + 188 + 148), 3u);
  EXPECT_EQ(block->channel, 1u);
  EXPECT_EQ(block->channelText.x, 100);
  EXPECT_EQ(block->time.background, 100);
  EXPECT_EQ(block->time.colour, 4);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"修改成功"});

  // Too long a text, or a number that is not one: refused, nothing sent.
  notifier.messages.clear();
  page.form.time.text = std::string(65, 'x');
  EXPECT_EQ(page.Set(kBoard), ServiceStatus::Refused);
  page.form.time.text = "AB";
  page.form.channelText.scale = "1OO";
  EXPECT_EQ(page.Set(kBoard), ServiceStatus::Refused);
  EXPECT_EQ(link.opened.size(), 1u);
  EXPECT_EQ(Texts(notifier), (std::vector<std::string>{kOverlayTextTooLong, kNotAnInteger}));
}

TEST(OsdSettings, TextsTheUserLeftGoBackAsTheBoardSentThem) {
  ScriptedLink link;
  RecordingNotifier notifier;
  OsdSettings page(link, notifier);
  OverlayBlock board;
  board.channel = 7;                               // neither in the channel list
  board.time.text = std::u16string{u'T', 0xDC00};  // an unpaired surrogate
  board.channelText.text = u"通道3";
  board.channelText.colour = 9;  // not in the list
  link.next()->answers.push_back(Answer(0x35, EncodeOverlay(board)));
  ASSERT_EQ(page.Get(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(page.form.channel, -1);
  EXPECT_EQ(page.form.channelText.text, "通道3");
  EXPECT_EQ(page.form.channelText.colour, -1);
  auto s = link.next();
  ASSERT_EQ(page.Set(kBoard), ServiceStatus::Ok);
  auto sent = DecodeOverlay(qor::Bytes(s->sent).subspan(4));
  EXPECT_EQ(sent->time.text, board.time.text);
  EXPECT_EQ(*sent, board);
}

TEST(StorageSettings, ReportTextSwitchAndSettings) {
  Bytes report(40);
  const std::pair<std::size_t, std::uint32_t> fields[] = {{0, 256},    {4, 1024},   {8, 7},
                                                          {16, 29820}, {20, 12480}, {24, 7},
                                                          {28, 12000}, {32, 47},    {36, 1}};
  for (auto [off, v] : fields) qor::putU32(report, off, v);
  EXPECT_EQ(DecodeStorageReport(report), (StorageReport{256, 1024, 29820, 12480, 12000, 47, 1}));
  EXPECT_EQ(StorageReportText(*DecodeStorageReport(report)),
            "Total size:\t29820 MB\r\nUsed  size:\t12480 MB\r\nRecord size:\t12000 MB\r\nFile "
            "count:\t47\r\n");

  ScriptedLink link;
  RecordingNotifier notifier;
  StorageSettings page(link, notifier);
  link.next()->answers.push_back(Answer(0x3B, report));
  ASSERT_EQ(page.Get(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(page.form.fileSize, "256");
  EXPECT_EQ(page.form.reserved, "1024");
  EXPECT_TRUE(page.form.save);
  page.ToggleSave();
  EXPECT_FALSE(page.form.save);
  auto s = link.next();
  page.form.fileSize = "4294967295";
  page.form.reserved = " 2048";
  ASSERT_EQ(page.Set(kBoard), ServiceStatus::Ok);
  EXPECT_EQ(s->sent, Answer(0x39, EncodeStorageSettings({4294967295u, 2048, 0})));
  EXPECT_EQ(qor::getU32(s->sent, 4 + 16), 0u);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"Set OK"});

  for (const char* bad : {"-1", "4294967296", "", "12MB"}) {
    page.form.fileSize = bad;
    EXPECT_EQ(page.Set(kBoard), ServiceStatus::Refused) << bad;
  }
  EXPECT_EQ(link.opened.size(), 2u);
}

TEST(PasswordFile, DescriptorAndText) {
  auto d = FileWriteDescriptor(kLoginFilePath, 28);
  EXPECT_EQ(qor::getU32(d, 0), 300u);
  EXPECT_EQ(qor::getU32(d, 4), 28u);
  EXPECT_EQ(qor::getU32(d, 8), 0u);
  EXPECT_EQ(qor::getU32(d, 12), 4u);
  EXPECT_EQ(qor::getText(d, 16, 256), "/mnt/apps/configFile/login.ini");
  EXPECT_EQ(d[16 + 30], 0);
  EXPECT_EQ(LoginFileText("root", "s3cret"), "username=root\npasswd=s3cret\n");
  EXPECT_EQ(*CredentialBytes("管理"), "\xB9\xDC\xC0\xED");
  for (std::string bad : {std::string("a\nb"), std::string("a=b"), std::string("a\0b", 3),
                          std::string("a\rb"), std::string("😀")})
    EXPECT_FALSE(CredentialBytes(bad)) << bad;
}

TEST(PasswordFile, EveryAnswerCodeHasItsMessage) {
  auto answer = [](std::int32_t code) {
    Bytes a(16);
    qor::putHead(a, 0xEA);
    qor::putU32(a, 4, 12);
    qor::putU32(a, 8, 0xE7);
    qor::putI32(a, 12, code);
    return a;
  };
  struct Case {
    Bytes bytes;
    const char* message;
    bool ok;
  } cases[] = {
      {Bytes(15), "更改密码失败(0返回接受长度太小)", false},
      {[&] {
         auto a = answer(1);
         a[3] = 0xEB;
         return a;
       }(),
       "更改密码失败(1返回接受内容有误)", false},
      {[&] {
         auto a = answer(1);
         a[4] = 11;
         return a;
       }(),
       "更改密码失败(1返回接受内容有误)", false},
      {[&] {
         auto a = answer(1);
         a[8] = 0xE8;
         return a;
       }(),
       "更改密码失败(1返回接受内容有误)", false},
      {answer(0), "更改密码失败(2返回值表示失败)", false},
      {answer(1), "更改密码成功。\n请重新启动。", true},
      {answer(3), "更改密码成功。\n请重新启动。", true},
      {answer(2), "更改密码失败(3返回值表示失败)", false},
      {answer(4), "删除升级失败(4返回值表示失败)", false},
      {answer(5), "删除文件升级成功", true},
      {answer(6), "更改密码失败(5返回值未知)", false},
      {answer(-1), "更改密码失败(5返回值未知)", false},
  };
  for (const auto& c : cases) {
    auto v = PasswordAnswerVerdict(c.bytes);
    EXPECT_EQ(v.message, c.message);
    EXPECT_EQ(v.ok(), c.ok) << c.message;
  }
}

TEST(PasswordSettings, WritesTheLoginFileAndWaitsForTheAnswer) {
  ScriptedLink link;
  RecordingNotifier notifier;
  PasswordSettings page(link, notifier);
  std::vector<Millis> pauses;
  auto s = link.next();
  // Nothing on the first two attempts; the answer comes during the third pause.
  page.sleep = [&](Millis m) {
    pauses.push_back(m);
    if (pauses.size() == 3) {
      Bytes a(16);
      qor::putHead(a, 0xEA);
      qor::putU32(a, 4, 12);
      qor::putU32(a, 8, 0xE7);
      qor::putI32(a, 12, 3);
      s->answers.push_back(a);
    }
  };
  page.Load(2);
  EXPECT_TRUE(page.form.enabled);
  EXPECT_EQ(page.form.user, "admin");
  EXPECT_EQ(page.form.password, "tarvenol");
  page.form.user = "root";
  page.form.password = "s3cret";
  auto result = page.Change(kBoard);
  EXPECT_EQ(result.status, PasswordStatus::Done);
  EXPECT_EQ(result.attempts, 3u);
  EXPECT_EQ(pauses, std::vector<Millis>(3, Millis(1000)));
  ASSERT_EQ(link.opened.size(), 1u);
  EXPECT_EQ(link.opened[0].port, 8060);
  const std::string text = "username=root\npasswd=s3cret\n";
  Bytes expected{'q', 'o', 'r', 0xE7};
  auto d = FileWriteDescriptor(kLoginFilePath, text.size());
  expected.insert(expected.end(), d.begin(), d.end());
  expected.insert(expected.end(), text.begin(), text.end());
  EXPECT_EQ(s->sent, expected);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"更改密码成功。\n请重新启动。"});
}

TEST(PasswordSettings, SilenceRefusalAndEncoders) {
  {
    // A silent board: nine attempts, then the short-answer message.
    ScriptedLink link;
    RecordingNotifier notifier;
    PasswordSettings page(link, notifier);
    int pauses = 0;
    page.sleep = [&](Millis) { ++pauses; };
    link.next();
    auto result = page.Change(kBoard);
    EXPECT_EQ(result.status, PasswordStatus::Failed);
    EXPECT_EQ(result.attempts, 9u);
    EXPECT_EQ(pauses, 9);
    EXPECT_EQ(Texts(notifier), std::vector<std::string>{"更改密码失败(0返回接受长度太小)"});
  }
  {
    ScriptedLink link;
    RecordingNotifier notifier;
    PasswordSettings page(link, notifier);
    page.sleep = [](Millis) {};
    EXPECT_EQ(page.Change(kBoard).status, PasswordStatus::NoConnection);
    EXPECT_EQ(Texts(notifier), std::vector<std::string>{"TCP连接错误"});
  }
  {
    // A name that would add a line to the login file: refused, nothing sent.
    ScriptedLink link;
    RecordingNotifier notifier;
    PasswordSettings page(link, notifier);
    page.form.user = "guest\nusername=root";
    EXPECT_EQ(page.Change(kBoard).status, PasswordStatus::Refused);
    page.form.user = "root";
    page.form.password = "a=b";
    EXPECT_EQ(page.Change(kBoard).status, PasswordStatus::Refused);
    EXPECT_TRUE(link.opened.empty());
    EXPECT_EQ(Texts(notifier), std::vector<std::string>(2, kCredentialRefused));
  }
  for (int type : {1, 3, 5, 7, 9, 11, 20}) {
    ScriptedLink link;
    RecordingNotifier notifier;
    PasswordSettings page(link, notifier);
    page.Load(type);
    EXPECT_FALSE(page.form.enabled) << type;
    EXPECT_EQ(page.Change(kBoard).status, PasswordStatus::Refused);
    EXPECT_TRUE(link.opened.empty());
  }
}
