#include <gtest/gtest.h>

#include "device/datagrams.h"
#include "fake_board_link.h"
#include "gbk.h"
#include "pages/identity_settings.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "status_fixture.h"

using namespace tav;
using pagetest::Ip;

TEST(IdentitySettings, UniqueAnswerShowsOrHidesRows) {
  struct Case {
    const char* answer;
    std::optional<std::string> sn, id;
  } cases[] = {
      {"sendunique:SN=1234;ID=A7;", "1234", "A7"},
      {"sendunique:SN=0;ID=;", std::nullopt, std::nullopt},
      {"sendunique:SN=0012;ID=X", "12", "X"},  // last field may end without ';'
      {"sendunique:SN=-5;ID=B;", std::nullopt, "B"},
      {"sendunique:SN=abc;", std::nullopt, std::nullopt},
      {"sendunique:ID=Z9;SN=77;", "77", "Z9"},
      {"sendunique:", std::nullopt, std::nullopt},
      {"getunique:SN=1;ID=2;", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"sendunique:SN=99999999999;ID=;", "99999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    UniqueIds ids = ParseUniqueAnswer(c.answer);
    EXPECT_EQ(ids.serialNumber, c.sn) << c.answer;
    EXPECT_EQ(ids.id, c.id) << c.answer;
  }
  std::string longId(70, 'Q');
  EXPECT_EQ(ParseUniqueAnswer("sendunique:SN=1;ID=" + longId + ";").id, std::string(63, 'Q'));
  // 21 three-byte characters are 63 bytes; the 22nd must not be cut in half.
  std::string chinese;
  for (int i = 0; i < 22; ++i) chinese += "编";
  EXPECT_EQ(ParseUniqueAnswer("sendunique:SN=1;ID=" + chinese + ";").id, chinese.substr(0, 63));
  EXPECT_EQ(ParseUniqueAnswer("sendunique:SN=1;ID=x" + chinese + ";").id,
            "x" + chinese.substr(0, 60));
  EXPECT_EQ(UniqueRequestText(), "getunique:SN=;ID=;");
}

TEST(IdentitySettings, RefreshAsksOnlyNeighbours) {
  EXPECT_TRUE(RefreshReadsBoard(Ip("192.168.1.20"), Ip("192.168.1.10")));
  EXPECT_TRUE(
      RefreshReadsBoard(Ip("10.77.1.20"), Ip("192.168.1.10")));  // only the third octet counts
  EXPECT_FALSE(RefreshReadsBoard(Ip("192.168.2.20"), Ip("192.168.1.10")));
  EXPECT_TRUE(RefreshReadsBoard(Ip("192.168.2.20"), std::nullopt));
}

TEST(IdentitySettings, DhcpToggleFillsTheAddressFields) {
  IdentityAddresses off = DhcpToggled(false);
  EXPECT_EQ(qor::ipText(off.ip), "192.168.18.235");
  EXPECT_EQ(qor::ipText(off.mask), "255.255.255.0");
  EXPECT_EQ(qor::ipText(off.gateway), "192.168.18.1");
  IdentityAddresses on = DhcpToggled(true);
  EXPECT_EQ(on.ip | on.mask | on.gateway, 0u);
}

TEST(IdentitySettings, InputChecksAskRefuseOrPass) {
  struct Case {
    const char *ip, *mask, *gateway;
    std::deque<bool> answers;
    bool passes;
    std::vector<int> questions, messages, logs;
  } cases[] = {
      {"192.168.1.30", "255.255.255.0", "192.168.1.1", {}, true, {}, {}, {}},
      {"192.168.1.0", "255.255.255.0", "192.168.1.1", {}, false, {}, {278}, {}},
      {"192.168.1.255", "255.255.255.0", "192.168.1.1", {}, false, {}, {279}, {}},
      {"192.168.1.1", "255.255.255.0", "192.168.1.1", {}, false, {}, {277}, {}},
      {"192.168.1.30", "255.255.255.0", "192.168.2.1", {true}, true, {185}, {}, {186}},
      {"192.168.1.30", "255.255.255.0", "192.168.2.1", {false}, false, {185}, {}, {}},
      {"0.0.0.0", "255.255.255.0", "192.168.1.1", {true}, false, {185}, {1160}, {186}},
      {"0.0.0.0", "0.0.0.0", "192.168.1.1", {}, false, {}, {1160}, {}},
      {"255.255.255.255", "255.255.255.0", "192.168.1.1", {true}, false, {185}, {1160}, {186}},
      {"0.0.0.0", "0.0.0.0", "0.0.0.0", {true}, true, {1161}, {}, {}},
      {"0.0.0.0", "0.0.0.0", "0.0.0.0", {false}, false, {1161}, {}, {}},
  };
  for (const Case& c : cases) {
    test::RecordingNotifier n;
    n.answers = c.answers;
    EXPECT_EQ(ConfirmIdentityInput({Ip(c.ip), Ip(c.mask), Ip(c.gateway)}, n), c.passes)
        << c.ip << " " << c.gateway;
    std::vector<std::string> q, m, l;
    for (int id : c.questions) q.push_back(str(id));
    for (int id : c.messages) m.push_back(str(id));
    for (int id : c.logs) l.push_back(str(id));
    EXPECT_EQ(n.questions, q) << c.ip;
    // Both questions carry the caption "Confirm"; 185 has OK and Cancel, 1161 Yes and No.
    ASSERT_EQ(n.questionLooks.size(), c.questions.size());
    for (std::size_t i = 0; i < c.questions.size(); ++i) {
      EXPECT_EQ(n.questionLooks[i].first, "Confirm");
      EXPECT_EQ(n.questionLooks[i].second,
                c.questions[i] == 185 ? AskButtons::OkCancel : AskButtons::YesNo);
    }
    std::vector<std::string> shown;
    for (auto& msg : n.messages) {
      shown.push_back(msg.text);
      EXPECT_EQ(msg.icon, NoticeIcon::Warning);
    }
    EXPECT_EQ(shown, m) << c.ip;
    EXPECT_EQ(n.logLines, l) << c.ip;
  }
}

TEST(IdentitySettings, CheckNamesTheRefusalWithoutAsking) {
  IdentityCheck c = CheckIdentityAddresses({Ip("0.0.0.0"), Ip("255.255.255.0"), Ip("192.168.1.1")});
  EXPECT_TRUE(c.askGateway);
  EXPECT_EQ(c.refusal, std::string(str(kStrCheckParameters)));
  EXPECT_FALSE(c.askDhcp);
  c = CheckIdentityAddresses({Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")});
  EXPECT_FALSE(c.askGateway || c.refusal || c.askDhcp);
  c = CheckIdentityAddresses({});
  EXPECT_TRUE(c.askDhcp);
  EXPECT_FALSE(c.refusal);
}

TEST(IdentitySettings, ConfigExchangeOnlyForTheBoardsInThePcSubnet) {
  Subnet pc{Ip("192.168.1.10"), Ip("255.255.255.0")};
  EXPECT_FALSE(UsesConfigExchange(Ip("10.0.0.5"), Ip("255.0.0.0"), pc));
  EXPECT_TRUE(UsesConfigExchange(Ip("192.168.1.20"), Ip("255.255.255.0"), pc));
  EXPECT_FALSE(UsesConfigExchange(Ip("192.168.2.20"), Ip("255.255.255.0"), pc));
}

using test::FakeBoardLink;

namespace {

CBoard BoardAt(const char* ip, const char* mask) {
  StatusBlock s = pagetest::Status(1, Ip(ip), Ip(mask));
  qor::putU32(s, status::kGateway, Ip("192.168.1.1"));
  const std::uint8_t slot[8] = {0x00, 0x1a, 0x11, 0x22, 0x33, 0x44, 0xAB, 0xCD};
  qor::putBytes(s, status::kMac, slot);
  qor::putText(s, status::kName, 32, "old");
  return CBoard(s);
}

// The identity flows over the fake link: what went out by which path.
struct FakeLinks {
  test::FakeBoardLink link;
  int& configResult = link.configResults[kIdentityType];
  int& commandResult = link.broadcastResult;
  FakeBoardLink& links() { return link; }
  std::vector<std::string> configAddresses() const {
    std::vector<std::string> out;
    for (const auto& s : link.sentOf(FakeBoardLink::Op::Set)) out.push_back(s.address);
    return out;
  }
  std::size_t commands() const { return link.sentOf(FakeBoardLink::Op::Broadcast).size(); }
  std::vector<std::vector<std::uint8_t>> records() const { return link.writes(kIdentityType); }
  std::size_t flushes() const { return link.sentOf(FakeBoardLink::Op::Forget).size(); }
};

}  // namespace

TEST(IdentitySettings, ConfigRecordIsBuiltFromZero) {
  CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
  board.statusBlock()[80] = 0x7f;  // a version byte inside the 88-byte window stays out
  auto r = IdentityConfigRecord(
      board, {{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")}, "新板"}, 0);
  EXPECT_EQ(qor::getU32(r, 0), 88u);
  EXPECT_EQ(qor::getU32(r, 4), Ip("192.168.1.30"));
  EXPECT_EQ(qor::getU32(r, 8), Ip("255.255.255.0"));
  EXPECT_EQ(qor::getU32(r, 12), Ip("192.168.1.1"));
  const std::uint8_t mac[8] = {0x00, 0x1a, 192, 168, 1, 30, 0xAB, 0xCD};
  EXPECT_TRUE(std::equal(std::begin(mac), std::end(mac), r.begin() + 24));
  EXPECT_EQ(qor::getText(r, 32, 56), qor::utf8ToGbk("新板"));
  for (std::size_t i = 16; i < 24; ++i) EXPECT_EQ(r[i], 0) << i;
  for (std::size_t i = 64; i < 88; ++i) EXPECT_EQ(r[i], 0) << i;

  auto dhcp = IdentityConfigRecord(board, {{0, 0, 0}, "x"}, 0x01020304u);
  const std::uint8_t dhcpMac[6] = {0x22, 0x1a, 0x04, 0x03, 0x02, 0x01};
  EXPECT_TRUE(std::equal(std::begin(dhcpMac), std::end(dhcpMac), dhcp.begin() + 24));
}

TEST(IdentitySettings, BoardOutsideThePcSubnetGoesByNetworkCommandOnly) {
  CBoard board = BoardAt("10.0.0.5", "255.0.0.0");
  FakeLinks f;
  test::RecordingNotifier n;
  Subnet pc{Ip("192.168.1.10"), Ip("255.255.255.0")};
  auto out = ApplyIdentity(
      board, {{Ip("192.168.1.40"), Ip("255.255.255.0"), Ip("192.168.1.1")}, "b"}, pc, n, f.links());
  EXPECT_EQ(out, IdentityOutcome::Done);
  EXPECT_TRUE(f.configAddresses().empty());
  EXPECT_EQ(f.commands(), 1u);
  EXPECT_EQ(n.logLines, std::vector<std::string>{str(kStrIdentitySetOk)});
  ASSERT_EQ(n.messages.size(), 1u);
  EXPECT_EQ(n.messages[0].icon, NoticeIcon::Information);
}

TEST(IdentitySettings, BoardInThePcSubnetIsReaddressedByConfigExchange) {
  CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
  board.SetSourceAddress(Ip("192.168.1.20"));
  FakeLinks f;
  test::RecordingNotifier n;
  IdentityInput in{{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")}, "new"};
  ASSERT_EQ(ApplyIdentity(board, in, Subnet{Ip("192.168.1.10"), Ip("255.255.255.0")}, n, f.links()),
            IdentityOutcome::Done);
  EXPECT_EQ(f.configAddresses(), std::vector<std::string>{"192.168.1.20"});
  EXPECT_EQ(f.commands(), 0u);
  EXPECT_EQ(f.flushes(), 1u);
  EXPECT_EQ(board.ip(), Ip("192.168.1.30"));
  EXPECT_EQ(board.Name(), "new");
  EXPECT_EQ(board.MacText(), "00:1a:c0:a8:01:1e");
  EXPECT_EQ(board.sourceAddress(), 0u);
  EXPECT_EQ(board.AddressText(), "192.168.1.30");
}

TEST(IdentitySettings, FailedConfigExchangeFallsBackAndBothFailingChangesNothing) {
  IdentityInput in{{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")}, "new"};
  Subnet pc{Ip("192.168.1.10"), Ip("255.255.255.0")};
  {
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    FakeLinks f;
    f.configResult = 15;
    test::RecordingNotifier n;
    EXPECT_EQ(ApplyIdentity(board, in, pc, n, f.links()), IdentityOutcome::Done);
    EXPECT_EQ(f.commands(), 1u);
    // The network command went out: the record takes the new identity.
    EXPECT_EQ(board.ip(), Ip("192.168.1.30"));
    auto command = f.link.sentOf(FakeBoardLink::Op::Broadcast).at(0).bytes;
    EXPECT_EQ(command[3], kCmdNetworkIdentity);
    EXPECT_EQ(qor::getU32(command, 8), Ip("192.168.1.20"));  // the board's old address
  }
  {
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    board.SetSourceAddress(Ip("192.168.1.21"));
    FakeLinks f;
    f.configResult = 15;
    f.commandResult = 1;
    test::RecordingNotifier n;
    EXPECT_EQ(ApplyIdentity(board, in, pc, n, f.links()), IdentityOutcome::Failed);
    EXPECT_EQ(n.logLines, std::vector<std::string>{str(kStrIdentitySetFailed)});
    ASSERT_EQ(n.messages.size(), 1u);
    EXPECT_EQ(n.messages[0].icon, NoticeIcon::Error);
    EXPECT_EQ(board.ip(), Ip("192.168.1.20"));
    EXPECT_EQ(board.sourceAddress(), Ip("192.168.1.21"));
  }
}

TEST(IdentitySettings, WithoutAnAdapterTheNewSubnetDecides) {
  {
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    FakeLinks f;
    test::RecordingNotifier n;
    IdentityInput in{{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")}, "n"};
    EXPECT_EQ(ApplyIdentity(board, in, std::nullopt, n, f.links()), IdentityOutcome::Done);
    EXPECT_EQ(f.configAddresses().size(), 1u);
  }
  {
    // DHCP: 0.0.0.0/0 is nobody's subnet, so the network command goes; the record keeps the
    // old address either way.
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    FakeLinks f;
    test::RecordingNotifier n;
    n.answers = {true};
    EXPECT_EQ(ApplyIdentity(board, {{0, 0, 0}, "d"}, std::nullopt, n, f.links()),
              IdentityOutcome::Done);
    EXPECT_EQ(n.questions, std::vector<std::string>{str(kStrAskDhcp)});
    EXPECT_TRUE(f.configAddresses().empty());
    EXPECT_EQ(f.commands(), 1u);
    EXPECT_EQ(board.ip(), Ip("192.168.1.20"));
  }
}

TEST(IdentitySettings, DhcpByConfigExchangeKeepsTheOldAddressAndRefusalSendsNothing) {
  CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
  FakeLinks f;
  test::RecordingNotifier n;
  n.answers = {true};
  Subnet pc{Ip("192.168.1.10"), Ip("255.255.255.0")};
  EXPECT_EQ(ApplyIdentity(board, {{0, 0, 0}, "d"}, pc, n, f.links()), IdentityOutcome::Done);
  EXPECT_EQ(f.configAddresses().size(), 1u);
  EXPECT_EQ(board.ip(), Ip("192.168.1.20"));
  EXPECT_EQ(board.Name(), "old");

  FakeLinks refused;
  test::RecordingNotifier n2;
  EXPECT_EQ(ApplyIdentity(board, {{Ip("192.168.1.0"), Ip("255.255.255.0"), Ip("192.168.1.1")}, ""},
                          pc, n2, refused.links()),
            IdentityOutcome::Refused);
  EXPECT_TRUE(refused.configAddresses().empty());
  EXPECT_EQ(refused.commands(), 0u);
}

TEST(IdentitySettings, UnchangedNameGoesBackAsTheBoardsBytes) {
  // Bytes GBK cannot take back, and a name filling all 32 bytes of its slot without a NUL.
  const std::vector<std::vector<std::uint8_t>> names = {
      {0xff, 0x80, 'O', 'K', 0xc4, 0xe3},
      {0xaa, 0xa1, 'f', 'o', 'r', 'e', 'i', 'g', 'n', 0xa2, 0xe3},
      std::vector<std::uint8_t>(32, 'N'),
  };
  IdentityAddresses moved{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")};
  for (const auto& bytes : names) {
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    std::fill_n(board.statusBlock().begin() + status::kName, 32, 0);
    std::copy(bytes.begin(), bytes.end(), board.statusBlock().begin() + status::kName);
    auto r = IdentityConfigRecord(board, {moved, board.Name()}, 0);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), r.begin() + 32));

    FakeLinks f;
    test::RecordingNotifier n;
    ASSERT_EQ(ApplyIdentity(board, {moved, board.Name()},
                            Subnet{Ip("192.168.1.10"), Ip("255.255.255.0")}, n, f.links()),
              IdentityOutcome::Done);
    ASSERT_EQ(f.records().size(), 1u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), f.records()[0].begin() + 32));
    // The record keeps the board's bytes too.
    EXPECT_TRUE(
        std::equal(bytes.begin(), bytes.end(), board.statusBlock().begin() + status::kName));
  }
}

TEST(IdentitySettings, ChangedNameThatDoesNotFitIsRefusedNotCut) {
  IdentityAddresses moved{Ip("192.168.1.30"), Ip("255.255.255.0"), Ip("192.168.1.1")};
  const std::string tooLong = "会议室一号编码器会议室一号编码器";  // 16 characters, 32 bytes
  // Clearing the name too: a board without one cannot be told apart in the list.
  for (const std::string& name :
       {tooLong, std::string("café ☃"), std::string("a\0b", 3), std::string(), std::string("  ")}) {
    CBoard board = BoardAt("192.168.1.20", "255.255.255.0");
    FakeLinks f;
    test::RecordingNotifier n;
    EXPECT_EQ(ApplyIdentity(board, {moved, name}, Subnet{Ip("192.168.1.10"), Ip("255.255.255.0")},
                            n, f.links()),
              IdentityOutcome::Refused)
        << name;
    EXPECT_TRUE(f.records().empty());
    EXPECT_EQ(f.commands(), 0u);
    ASSERT_EQ(n.messages.size(), 1u);
    EXPECT_FALSE(NameRefusal(name).empty());
  }
  EXPECT_TRUE(NameRefusal("会议室一号编码器会议室一号编码").empty());  // 30 bytes fit
}

TEST(IdentitySettings, UniqueAnswerValuesAreNeverEmptyOrCutInsideACharacter) {
  // Found by fuzz_page_answers: an ID of stray continuation bytes left no boundary to cut at.
  UniqueIds ids = ParseUniqueAnswer("sendunique:ID=" + std::string(70, '\x80') + ";");
  ASSERT_TRUE(ids.id.has_value());
  EXPECT_FALSE(ids.id->empty());
  EXPECT_LE(ids.id->size(), 63u);
  EXPECT_EQ(qor::sanitizeUtf8(*ids.id), *ids.id);
  ids = ParseUniqueAnswer("sendunique:ID=" + std::string(40, 'a') + "编码器编码器编码器;");
  ASSERT_TRUE(ids.id.has_value());
  EXPECT_EQ(*ids.id, std::string(40, 'a') + "编码器编码器编");  // 63 bytes would split 码
}
