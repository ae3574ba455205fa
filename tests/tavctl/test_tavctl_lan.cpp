// tavctl against simulated boards in the test LAN: the device list and its JSON, show/get/set
// round trips, restart, factory reset and set-ip reaching the boards, and the exit statuses of
// the built program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "commands.h"
#include "ctl_support.h"
#include "gbk.h"
#include "le_bytes.h"
#include "qorsim.h"
#include "run_program.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace std::chrono_literals;

namespace {

std::uint32_t ip(const char* dotted) {
  std::uint32_t a = 0;
  qor::parseIp(dotted, a);
  return a;
}

// Every device type of the type table and two it does not know; a board answering twice and
// one answering from another address than its status block's.
const char* const kFleet = R"({"restartSeconds": 0.2, "boards": [
  {"address": "10.77.0.30", "type": 1, "name": "编码一", "versions": {"baseband": "2.1", "k": "3.12", "a": "1.8"},
   "send": {"address": "239.1.1.1", "port": 1234, "mode": 1}, "video": {"mode": 12, "width": 1920, "height": 1080}},
  {"address": "10.77.0.21", "type": 2, "name": "解码一", "versions": {"k": "3.12", "a": "1.8"},
   "receive": {"address": "239.1.1.1", "port": 1234, "mode": 1}, "video": {"mode": 134, "width": 1366, "height": 768}},
  {"address": "10.77.0.22", "type": 3, "name": "编码三", "versions": {"k": "2.40", "a": "1.2"},
   "send": {"address": "10.77.0.255", "port": 5002, "mode": 0}, "video": {"mode": 1, "width": 720, "height": 576}},
  {"address": "10.77.0.23", "type": 4, "name": "解码四", "receive": {"address": "10.77.0.22", "port": 5002, "mode": 2},
   "video": {"mode": 131, "width": 800, "height": 600}},
  {"address": "10.77.0.24", "type": 7, "name": "SDI", "send": {"address": "10.77.0.21", "port": 6000, "mode": 0},
   "video": {"mode": 27, "width": 1920, "height": 1080}},
  {"address": "10.77.0.25", "type": 8, "name": "八"},
  {"address": "10.77.0.26", "type": 9, "name": "DVI", "send": {"address": "0.0.0.0", "port": 0, "mode": 0},
   "video": {"mode": 12, "width": 1280, "height": 1024}},
  {"address": "10.77.0.27", "type": 11, "name": "T4500", "send": {"address": "0.0.0.0", "port": 8554, "mode": 8}},
  {"address": "10.77.0.28", "type": 20, "name": "T810", "send": {"address": "0.0.0.0", "port": 8554, "mode": 5}},
  {"address": "10.77.0.29", "type": 21, "name": "二十一", "receive": {"address": "0.0.0.0", "port": 8554, "mode": 4}},
  {"address": "10.77.0.40", "type": 5, "name": "五号"},
  {"address": "10.77.0.41", "type": 99, "name": "未知", "versions": {"k": "1.0", "a": "1.0"},
   "video": {"mode": 0, "width": 0, "height": 0}, "faults": {"answerSearchTwice": true}},
  {"address": "192.168.1.20", "mask": "255.255.255.0", "type": 1, "name": "远方", "mac": "00:0e:0a:00:00:99",
   "faults": {"searchReplyFrom": "10.77.0.5"}}
]})";

qorsim::Simulator startFleet(const char* fleet) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(fleet));
  sim.start();
  return sim;
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome search(bool json) {
  ctl::SearchOptions options;
  options.waitMs = 1500;
  options.json = json;
  std::ostringstream out, err;
  int status = ctl::Search(options, out, err);
  return {status, out.str(), err.str()};
}

// A device list line cut into its cells (columns stand two or more blanks apart).
std::vector<std::string> cells(const std::string& line) {
  static const std::regex gap("  +");
  return {std::sregex_token_iterator(line.begin(), line.end(), gap, -1),
          std::sregex_token_iterator()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// A board takes in a write after the connection has closed, and moves to a new address a moment
// after: read until the field shows the value, or give what the board last said.
nlohmann::json showWhen(const char* address, const char* key, const nlohmann::json& expected) {
  nlohmann::json last;
  for (int attempt = 0; attempt < 30; ++attempt) {
    std::ostringstream out, err;
    if (ctl::Show(address, true, out, err) == ctl::kExitOk) {
      last = nlohmann::json::parse(out.str());
      if (last[key] == expected) break;
    }
    std::this_thread::sleep_for(100ms);
  }
  return last;
}

}  // namespace

TEST(TavctlSearch, ListsEveryTypeAsTheDeviceListDoes) {
  auto sim = startFleet(kFleet);
  Outcome r = search(false);
  ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
  auto all = lines(r.out);
  // Header, 14 rows (one board answered twice), the conflict message, the link diagnosis (the
  // on-demand decoder names no source in its send-address field), the count, then one line
  // per conflict: the twice-answering board shares its address and its MAC with itself.
  ASSERT_EQ(all.size(), 20u) << r.out;
  EXPECT_EQ(all[18], "IP地址冲突 10.77.0.41：10.77.0.41 \"未知\"，10.77.0.41 \"未知\"");
  EXPECT_TRUE(all[19].starts_with("MAC地址冲突 ")) << all[19];
  EXPECT_EQ(cells(all[0]),
            (std::vector<std::string>{"设备IP", "设备名称", "MAC", "通信方式", "其它信息"}));
  EXPECT_EQ(all[15], "IP地址、MAC地址或端口有冲突，请注意提示信息。");
  EXPECT_EQ(all[16], "10.77.0.23:该解码板点播地址不存在!");
  EXPECT_EQ(all[17], "搜索到14个设备。");

  std::vector<std::string> order;
  std::map<std::string, std::vector<std::string>> row;
  for (std::size_t i = 1; i <= 14; ++i) {
    auto c = cells(all[i]);
    ASSERT_EQ(c.size(), 5u) << all[i];
    order.push_back(c[0]);
    row[c[0]] = c;
  }
  // Ascending address, first octet first; the twice-answering board twice, the one answering
  // from 10.77.0.5 listed there.
  EXPECT_EQ(order, (std::vector<std::string>{"10.77.0.5", "10.77.0.21", "10.77.0.22", "10.77.0.23",
                                             "10.77.0.24", "10.77.0.25", "10.77.0.26", "10.77.0.27",
                                             "10.77.0.28", "10.77.0.29", "10.77.0.30", "10.77.0.40",
                                             "10.77.0.41", "10.77.0.41"}));
  EXPECT_EQ(row["10.77.0.5"][1], "远方");
  EXPECT_EQ(row["10.77.0.5"][2], "00:0e:0a:00:00:99");
  EXPECT_EQ(row["10.77.0.30"][3], "组播发送@239.1.1.1:1234");
  EXPECT_EQ(row["10.77.0.30"][4], "HD编码板/K3.12-A1.8/HDMI_1080P");
  // Types outside the table: no type name, and a decoder-kind board that is no receiver has no
  // transport name either.
  EXPECT_EQ(row["10.77.0.41"][3], "@0.0.0.0:0");
  EXPECT_EQ(row["10.77.0.41"][4], "/K1.0-A1.0/未知输出格式");
  EXPECT_EQ(row["10.77.0.40"][4].substr(0, 1), "/");
}

TEST(TavctlSearch, JsonCarriesRawFieldsAndStaysUtf8) {
  auto sim = startFleet(kFleet);
  // A name that is not GBK at all.
  sim.withBoard("10.77.0.25", [](qorsim::BoardState& b) {
    const std::uint8_t broken[] = {0x81, 0x20, 0xff, 0x80, 0};
    std::copy(std::begin(broken), std::end(broken), b.status.begin() + 36);
  });
  Outcome r = search(true);
  ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
  nlohmann::json j;
  ASSERT_NO_THROW(j = nlohmann::json::parse(r.out)) << r.out;
  EXPECT_EQ(j["count"], 14);
  EXPECT_EQ(j["conflicts"], true);
  ASSERT_EQ(j["conflictList"].size(), 2u) << j["conflictList"].dump();
  EXPECT_EQ(j["conflictList"][0]["kind"], "address");
  EXPECT_EQ(j["conflictList"][0]["shared"], "10.77.0.41");
  EXPECT_EQ(j["conflictList"][0]["boards"].size(), 2u);
  EXPECT_EQ(j["conflictList"][0]["boards"][0]["address"], "10.77.0.41");
  EXPECT_EQ(j["conflictList"][1]["kind"], "mac");
  EXPECT_NE(r.err.find(j["conflictList"][0]["line"].get<std::string>()), std::string::npos);
  ASSERT_EQ(j["boards"].size(), 14u);
  EXPECT_NE(r.err.find("搜索到14个设备。"), std::string::npos);

  const auto& far = j["boards"][0];
  EXPECT_EQ(far["address"], "10.77.0.5");
  EXPECT_EQ(far["sourceAddress"], "10.77.0.5");
  EXPECT_EQ(far["ip"], "192.168.1.20");
  EXPECT_EQ(far["mask"], "255.255.255.0");

  for (const auto& b : j["boards"]) {
    if (b["address"] == "10.77.0.25") {
      EXPECT_NE(b["name"].get<std::string>().find("\xEF\xBF\xBD"), std::string::npos);
    }
    if (b["address"] != "10.77.0.30") continue;
    EXPECT_EQ(b["type"], 1);
    EXPECT_EQ(b["typeName"], "HD编码板");
    EXPECT_EQ(b["versions"]["k"], nlohmann::json::array({3, 12}));
    EXPECT_EQ(b["versions"]["baseband"], nlohmann::json::array({2, 1}));
    EXPECT_EQ(b["send"], (nlohmann::json{{"address", "239.1.1.1"}, {"port", 1234}, {"mode", 1}}));
    EXPECT_EQ(b["transportName"], "组播发送");
    EXPECT_EQ(b["streamAddress"], "239.1.1.1:1234");
    EXPECT_EQ(
        b["video"],
        (nlohmann::json{{"mode", 12}, {"width", 1920}, {"height", 1080}, {"name", "HDMI_1080P"}}));
  }
}

TEST(TavctlSearch, CsvIsTheListWithItsRawFields) {
  auto sim = startFleet(kFleet);
  ctl::SearchOptions options;
  options.waitMs = 1500;
  options.csv = true;
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Search(options, out, err), ctl::kExitOk) << err.str();
  const std::string csv = out.str();
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  auto all = lines(csv.substr(3));
  ASSERT_EQ(all.size(), 15u) << csv;  // header and 14 rows; the messages go to err
  EXPECT_TRUE(all[0].starts_with("设备IP,设备名称,MAC,通信方式,其它信息,type,")) << all[0];
  EXPECT_NE(csv.find("10.77.0.30,编码一,"), std::string::npos);
  EXPECT_NE(csv.find(",1,3.12,1.8,2.1,239.1.1.1,1234,1,"), std::string::npos);
  EXPECT_NE(err.str().find("搜索到14个设备。"), std::string::npos);
}

TEST(TavctlExchange, GetSetAndShowRoundTrip) {
  auto sim = startFleet(kFleet);
  // get 256 is the board's status block, byte for byte.
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Get("10.77.0.30", 256, "", out, err), ctl::kExitOk) << err.str();
  std::array<std::uint8_t, 200> status{};
  sim.withBoard("10.77.0.30", [&](qorsim::BoardState& b) { status = b.status; });
  EXPECT_EQ(out.str(), ctl::HexText(status) + "\n");

  // Video quality written as hex, read back by show.
  std::istringstream none;
  out.str("");
  ASSERT_EQ(ctl::Set("10.77.0.30", 9, "0c000000 0000 4000 5000 6000", none, out, err), ctl::kExitOk)
      << err.str();
  EXPECT_EQ(out.str(), "10.77.0.30: type 9 written (12 bytes)\n");
  const nlohmann::json quality{{"brightness", 0x40}, {"chroma", 0x50}, {"saturation", 0x60}};
  auto shown = showWhen("10.77.0.30", "quality", quality);
  EXPECT_EQ(shown["quality"], quality);
  EXPECT_EQ(shown["name"], "编码一");
  EXPECT_FALSE(shown.contains("volume"));  // an encoder has no volume page

  // Volume from a file of hex text, then from a file of raw bytes, on a decoder.
  const auto dir = std::filesystem::temp_directory_path();
  const auto hexFile = dir / "tavctl_volume.hex", rawFile = dir / "tavctl_volume.bin";
  std::ofstream(hexFile) << "08000000 0100 2d00\n";
  ASSERT_EQ(ctl::Set("10.77.0.21", 10, "@" + hexFile.string(), none, out, err), ctl::kExitOk)
      << err.str();
  const nlohmann::json loud{{"level", 45}, {"autoGain", true}},
      quiet{{"level", 12}, {"autoGain", false}};
  EXPECT_EQ(showWhen("10.77.0.21", "volume", loud)["volume"], loud);
  const char raw[] = {8, 0, 0, 0, 0, 0, 12, 0};
  std::ofstream(rawFile, std::ios::binary).write(raw, sizeof raw);
  ASSERT_EQ(ctl::Set("10.77.0.21", 10, "@" + rawFile.string(), none, out, err), ctl::kExitOk)
      << err.str();
  EXPECT_EQ(showWhen("10.77.0.21", "volume", quiet)["volume"], quiet);
  std::filesystem::remove(hexFile);
  std::filesystem::remove(rawFile);

  // Standard input, and the text command answer decoded from GBK.
  std::istringstream piped("0c00000000000100020003000");
  EXPECT_EQ(ctl::Set("10.77.0.30", 9, "@-", piped, out, err),
            ctl::kExitBadArguments);  // odd digit count
  sim.withBoard("10.77.0.30", [](qorsim::BoardState& b) { b.id = qor::utf8ToGbk("甲7"); });
  out.str("");
  ASSERT_EQ(ctl::Get("10.77.0.30", 268, "getunique:SN=;ID=;", out, err), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("ID=甲7;"), std::string::npos) << out.str();

  // Text show of an encoder names its pages' fields.
  out.str("");
  ASSERT_EQ(ctl::Show("10.77.0.30", false, out, err), ctl::kExitOk);
  for (const char* text : {"IP与MAC地址", "当前IP地址  10.77.0.30", "组播发送@239.1.1.1:1234",
                           "HDMI_1080P", "视频编码", "亮度    64"})
    EXPECT_NE(out.str().find(text), std::string::npos) << text << "\n" << out.str();
}

TEST(TavctlExchange, RestartAndFactoryResetReachTheBoard) {
  auto sim = startFleet(kFleet);
  std::ostringstream out, err;
  ASSERT_EQ(ctl::Restart("10.77.0.22", out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str(), "10.77.0.22: 设备重启成功。\n");
  EXPECT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.board == "10.77.0.22" && e.endpoint == "tcp:4010" && qor::hasHead(e.bytes, 0xE8);
  }));

  // The factory reset is a broadcast every board hears; only the target obeys.
  sim.withBoard("10.77.0.23", [](qorsim::BoardState& b) { qor::putU16(b.status, 108, 7777); });
  out.str("");
  ASSERT_EQ(ctl::FactoryReset("10.77.0.23", out, err), ctl::kExitOk) << err.str();
  EXPECT_EQ(out.str(), "10.77.0.23: 恢复默认值成功。\n");
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "udp:4007" && qor::hasHead(e.bytes, 0xEB) && e.bytes.size() >= 16 &&
           qor::getI32(e.bytes, 8) == (10 << 24 | 77 << 16 | 0 << 8 | 23) &&
           qor::getU32(e.bytes, 12) == 1;
  }));
  int resets23 = 0, resets24 = 0, restarts22 = 0;
  std::uint16_t port = 0;
  sim.withBoard("10.77.0.23", [&](qorsim::BoardState& b) {
    resets23 = b.factoryResets;
    port = qor::getU16(b.status, 108);
  });
  sim.withBoard("10.77.0.24", [&](qorsim::BoardState& b) { resets24 = b.factoryResets; });
  sim.withBoard("10.77.0.22", [&](qorsim::BoardState& b) { restarts22 = b.restarts; });
  EXPECT_EQ(resets23, 1);
  EXPECT_EQ(port, 5002);  // back to the fleet's setting
  EXPECT_EQ(resets24, 0);
  EXPECT_EQ(restarts22, 1);
}

TEST(TavctlSetIp, ReaddressesByExchangeInTheSubnetAndByDatagramOutsideIt) {
  auto sim = startFleet(kFleet);
  std::ostringstream out, err;
  ctl::SetIpOptions near;
  near.address = "10.77.0.24";
  near.ip = "10.77.0.64";
  near.mask = "255.255.255.0";
  near.gateway = "10.77.0.1";
  near.name = "新SDI";
  ASSERT_EQ(ctl::SetIp(near, out, err), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("网络参数设置成功。 (configuration exchange, type 0) now 10.77.0.64"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(showWhen("10.77.0.64", "name", "新SDI")["name"], "新SDI");

  // 192.168.1.20 (answering from its own address now) is not in this PC's subnet: the new
  // identity goes out by the UDP network command only.
  sim.setFaults("192.168.1.20", {});
  sim.clearJournal();
  ctl::SetIpOptions far;
  far.address = "192.168.1.20";
  far.ip = "10.77.0.65";
  far.mask = "255.255.255.0";
  far.gateway = "10.77.0.1";
  far.waitMs = 1000;
  out.str("");
  ASSERT_EQ(ctl::SetIp(far, out, err), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("(UDP network command)"), std::string::npos) << out.str();
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "udp:4007" && qor::hasHead(e.bytes, 0xF0) &&
           qor::getU32(e.bytes, 8) == ip("192.168.1.20");
  }));
  for (const auto& e : sim.journal())
    EXPECT_FALSE(e.endpoint == "tcp:4010" && qor::hasHead(e.bytes, 0xE4));
  auto moved = showWhen("10.77.0.65", "name", "远方");
  EXPECT_EQ(moved["name"], "远方");              // kept when --name is absent
  EXPECT_EQ(moved["mac"], "00:0e:0a:4d:00:41");  // last four bytes follow the new address
}

TEST(TavctlSetIp, RefusalsAndQuestionsAreAnsweredByFlags) {
  auto sim = startFleet(kFleet);
  auto options = [](const char* ipText, const char* gateway) {
    ctl::SetIpOptions o;
    o.address = "10.77.0.26";
    o.ip = ipText;
    o.mask = "255.255.255.0";
    o.gateway = gateway;
    return o;
  };
  std::ostringstream out, err;
  EXPECT_EQ(ctl::SetIp(options("10.77.0.0", "10.77.0.1"), out, err), ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("IP地址与网络地址冲突，请重新配置"), std::string::npos) << err.str();
  err.str("");
  EXPECT_EQ(ctl::SetIp(options("10.77.0.66", "10.78.0.1"), out, err), ctl::kExitBadArguments);
  EXPECT_NE(err.str().find("--force"), std::string::npos) << err.str();
  for (const auto& e : sim.journal())
    EXPECT_FALSE(qor::hasHead(e.bytes, 0xE4) || qor::hasHead(e.bytes, 0xF0));

  auto forced = options("10.77.0.66", "10.78.0.1");
  forced.force = true;
  out.str("");
  EXPECT_EQ(ctl::SetIp(forced, out, err), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("设置的IP地址和网关不在同一网段。"), std::string::npos) << out.str();

  // DHCP: the board keeps its address in the record, and its MAC starts with 0x22.
  ctl::SetIpOptions dhcp;
  dhcp.address = "10.77.0.66";
  dhcp.dhcp = true;
  out.str("");
  EXPECT_EQ(ctl::SetIp(dhcp, out, err), ctl::kExitOk) << err.str();
  ASSERT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:4010" && qor::hasHead(e.bytes, 0xE4) &&
           qor::getU32(e.bytes, 8) == 0 && e.bytes.size() >= 4 + 30 && e.bytes[4 + 24] == 0x22;
  }));
}

TEST(TavctlProgram, SpeaksEnglishWhenTheLocaleDoes) {
  const std::string tavctl = ctltest::tavctlPath();
  auto sim = startFleet(kFleet);
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  auto english = ctltest::runProgram({tavctl, "search", "--wait", "1000"});
  ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
  auto chinese = ctltest::runProgram({tavctl, "search", "--wait", "1000"});
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(english.status, ctl::kExitOk) << english.err;
  EXPECT_TRUE(english.out.starts_with("Device IP")) << english.out;
  EXPECT_NE(english.out.find("HD encoder board/K3.12-A1.8/HDMI_1080P"), std::string::npos);
  EXPECT_NE(english.out.find("Multicast send@239.1.1.1:1234"), std::string::npos);
  EXPECT_NE(english.out.find("14 devices found."), std::string::npos) << english.out;
  EXPECT_NE(english.out.find("编码一"), std::string::npos);  // the boards' own names stay
  EXPECT_TRUE(chinese.out.starts_with("设备IP")) << chinese.out;
  EXPECT_NE(chinese.out.find("搜索到14个设备。"), std::string::npos);
}

TEST(TavctlProgram, ExitStatuses) {
  const std::string tavctl = ctltest::tavctlPath();
  {
    // Nobody there yet.
    auto r = ctltest::runProgram({tavctl, "search", "--wait", "300"});
    EXPECT_EQ(r.status, ctl::kExitNoAnswer) << r.err;
    EXPECT_NE(r.out.find("未搜索到任何设备。"), std::string::npos) << r.out;
  }
  auto sim = startFleet(kFleet);
  qorsim::Faults wrong;
  wrong.wrongHead = true;
  sim.setFaults("10.77.0.27", wrong);
  qorsim::Faults refusing;
  refusing.refuseTcp = true;
  sim.setFaults("10.77.0.28", refusing);

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* said;  // in standard output on success, else in standard error
  };
  const Case cases[] = {
      // The board answering with a wrong head is not taken in.
      {{"search", "--wait", "1000"}, ctl::kExitOk, "搜索到13个设备。"},
      {{"show", "10.77.0.30"}, ctl::kExitOk, "编码一"},
      {{"get", "10.77.0.30", "261"}, ctl::kExitOk, "c8000000"},
      {{"show", "10.77.0.300"}, ctl::kExitBadArguments, "not a board address"},
      {{"set", "10.77.0.30", "1", "00"}, ctl::kExitBadArguments, "28 bytes"},
      {{"restart"}, ctl::kExitBadArguments, "ADDR"},
      {{"show", "10.77.0.28"},
       ctl::kExitNoAnswer,
       "10.77.0.28: reading the status block (type 256) failed: result 12"},
      {{"show", "10.77.0.27"},
       ctl::kExitExchangeFailed,
       "10.77.0.27: reading the status block (type 256) failed: "
       "result 14 (reply head does not match)"},
      {{"restart", "10.77.0.28"}, ctl::kExitNoAnswer, "10.77.0.28: 设备重启失败。 result 12"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv{tavctl};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = ctltest::runProgram(argv);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.status, c.status) << shown << r.err;
    const std::string& text = c.status == ctl::kExitOk ? r.out : r.err;
    EXPECT_NE(text.find(c.said), std::string::npos) << shown << "\n" << text;
  }
}
