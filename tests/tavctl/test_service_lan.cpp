// The service pages' logic and their tavctl commands against qorsim in the test LAN: the clock
// set and read back, overlays and storage changed and read back, the login file written, and
// each failure a board can give.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli.h"
#include "device/board_link.h"
#include "pages/clock_settings.h"
#include "pages/osd_settings.h"
#include "pages/password_file.h"
#include "pages/storage_settings.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "service_commands.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace tav;
using namespace std::chrono_literals;
using tav::test::RecordingNotifier;

namespace {

const char* const kFleet = R"({"boards": [
  {"address": "10.77.0.50", "type": 1, "name": "编码"},
  {"address": "10.77.0.51", "type": 2, "name": "解码"},
  {"address": "10.77.0.52", "type": 2, "faults": {"silent": true}},
  {"address": "10.77.0.53", "type": 1, "faults": {"refuseTcp": true}},
  {"address": "10.77.0.54", "type": 1, "faults": {"wrongHead": true}},
  {"address": "10.77.0.55", "type": 2, "faults": {"fileResult": 2}},
  {"address": "10.77.0.56", "type": 2, "faults": {"silentFiles": true}}
]})";

std::uint32_t Ip(const char* dotted) {
  std::uint32_t a = 0;
  qor::parseIp(dotted, a);
  return a;
}

struct Run {
  int status;
  std::string out, err;
};

Run Cli(std::vector<const char*> args, const std::string& input = "") {
  args.insert(args.begin(), "tavctl");
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = ctl::RunCli(int(args.size()), args.data(), in, out, err);
  return {status, out.str(), err.str()};
}

class ServiceLan : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = std::make_unique<qorsim::Simulator>(
        qorsim::Simulator::fromJson(nlohmann::json::parse(kFleet)));
    sim->start();
  }
  std::unique_ptr<qorsim::Simulator> sim;
  RecordingNotifier notifier;
};

std::vector<std::string> Texts(const RecordingNotifier& n) {
  std::vector<std::string> t;
  for (const auto& m : n.messages) t.push_back(m.text);
  return t;
}

}  // namespace

TEST_F(ServiceLan, ClockSetAndReadBack) {
  ClockSettings page(LanLink(), notifier);
  page.pcClock = [] { return ClockTime{2015, 3, 7, 8, 9, 10}; };
  ASSERT_EQ(page.SetFromPc(Ip("10.77.0.50")), ServiceStatus::Ok);
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:4010" && e.bytes.size() == 44 && e.bytes[3] == 0x30;
  }));
  page.form = {};
  ASSERT_EQ(page.Get(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(page.form.fields[0], "2015");
  EXPECT_EQ(page.form.fields[1], "3");
  EXPECT_EQ(page.form.fields[2], "7");
  EXPECT_EQ(page.form.fields[4], "9");
  EXPECT_LE(std::stoi(page.form.fields[5]) - 10, 2) << "the board's clock ticks on";
  EXPECT_TRUE(notifier.messages.empty());

  auto set = Cli({"time", "10.77.0.50", "--set", "2030-12-31 23:59:50"});
  EXPECT_EQ(set.status, 0) << set.err;
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.bytes.size() == 44 && e.bytes[3] == 0x30 && qor::getI32(e.bytes, 4) == 130;
  }));
  auto read = Cli({"time", "10.77.0.50", "--json"});
  ASSERT_EQ(read.status, 0) << read.err;
  auto j = nlohmann::json::parse(read.out);
  EXPECT_EQ(j["year"], 2030);
  EXPECT_EQ(j["month"], 12);
  EXPECT_EQ(j["address"], "10.77.0.50");
  EXPECT_EQ(Cli({"time", "10.77.0.50", "--set", "2030-13-01 00:00:00"}).status, 2);
}

TEST_F(ServiceLan, FailuresOfTheServiceExchange) {
  ClockSettings page(LanLink(), notifier);
  page.limits.ioTimeout = 300ms;  // the board stays silent; no need to wait 5 s
  EXPECT_EQ(page.Get(Ip("10.77.0.52")), ServiceStatus::RecvError);
  EXPECT_EQ(page.Get(Ip("10.77.0.54")), ServiceStatus::HeadError);
  EXPECT_EQ(page.Get(Ip("10.77.0.53")), ServiceStatus::NoConnection);
  EXPECT_EQ(Texts(notifier), (std::vector<std::string>{"recv error", "head error"}));
  EXPECT_EQ(notifier.logLines.back(), "connect error");

  auto refused = Cli({"storage", "10.77.0.53"});
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("connect error"), std::string::npos) << refused.err;
  EXPECT_EQ(Cli({"osd", "10.77.0.54"}).status, 4);
}

TEST_F(ServiceLan, OverlaysChangedAndReadBack) {
  OsdSettings page(LanLink(), notifier);
  ASSERT_EQ(page.Get(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(page.form.time.text, "时间");
  page.Defaults();
  page.form.channel = 1;
  page.form.time.text = "AB";
  page.form.channelText.text = "";
  page.form.time.colour = 4;
  ASSERT_EQ(page.Set(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"修改成功"});
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:4010" && e.bytes.size() == 372;
  }));
  sim->withBoard("10.77.0.50", [](qorsim::BoardState& b) {
    ASSERT_EQ(b.channelOverlays.count(1), 1u);
    EXPECT_EQ(qor::getU32(b.channelOverlays[1], 188 + 148), 3u);
    EXPECT_EQ(qor::getU32(b.channelOverlays[1], 8 + 148), 0u);
  });
  page.Defaults();
  ASSERT_EQ(page.Get(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(page.form.channel, 1);
  EXPECT_EQ(page.form.time.text, "AB");
  EXPECT_EQ(page.form.channelText.text, "");
  EXPECT_EQ(page.form.time.colour, 4);

  auto set = Cli({"osd", "10.77.0.50", "--channel", "3", "--text-text", "办公室1", "--time-x", "40",
                  "--json"});
  ASSERT_EQ(set.status, 0) << set.err;
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.bytes.size() == 372 && qor::getU32(e.bytes, 8) == 2;
  }));
  auto read = Cli({"osd", "10.77.0.50", "--json"});
  ASSERT_EQ(read.status, 0) << read.err;
  auto j = nlohmann::json::parse(read.out);
  EXPECT_EQ(j["channel"], 3);
  EXPECT_EQ(j["channelText"]["text"], "办公室1");
  EXPECT_EQ(j["time"]["text"], "AB") << "fields not given stay as the board had them";
  EXPECT_EQ(j["time"]["x"], 40);
  EXPECT_EQ(Cli({"osd", "10.77.0.50", "--time-text", std::string(65, 'x').c_str()}).status, 2);
}

TEST_F(ServiceLan, StorageChangedAndReadBack) {
  StorageSettings page(LanLink(), notifier);
  ASSERT_EQ(page.Get(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(page.form.report,
            "Total size:\t29820 MB\r\nUsed  size:\t12480 MB\r\nRecord size:\t12000 MB\r\nFile "
            "count:\t47\r\n");
  EXPECT_TRUE(page.form.save);
  page.ToggleSave();
  page.form.fileSize = "512";
  ASSERT_EQ(page.Set(Ip("10.77.0.50")), ServiceStatus::Ok);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"Set OK"});
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.endpoint == "tcp:4010" && e.bytes.size() == 24;
  }));
  auto read = Cli({"storage", "10.77.0.50", "--json"});
  ASSERT_EQ(read.status, 0) << read.err;
  auto j = nlohmann::json::parse(read.out);
  EXPECT_EQ(j["fileSize"], 512);
  EXPECT_EQ(j["reserved"], 1024);
  EXPECT_EQ(j["save"], false);
  EXPECT_EQ(j["total"], 29820);

  EXPECT_EQ(Cli({"storage", "10.77.0.50", "--reserved", "2048", "--save", "1"}).status, 0);
  ASSERT_TRUE(sim->waitForJournal([](const qorsim::JournalEntry& e) {
    return e.bytes.size() == 24 && qor::getU32(e.bytes, 8) == 2048;
  }));
  sim->withBoard("10.77.0.50", [](qorsim::BoardState& b) {
    EXPECT_EQ(qor::getU32(b.storage, 0), 512u);
    EXPECT_EQ(qor::getU32(b.storage, 4), 2048u);
    EXPECT_EQ(qor::getU32(b.storage, 36), 1u);
  });
  EXPECT_EQ(Cli({"storage", "10.77.0.50", "--file-size", "-1"}).status, 2);
}

TEST_F(ServiceLan, PasswordWritesTheLoginFile) {
  PasswordSettings page(LanLink(), notifier);
  page.limits.pause = 50ms;
  page.Load(2);
  page.form.user = "root";
  page.form.password = "s3cret";
  auto result = page.Change(Ip("10.77.0.51"));
  EXPECT_EQ(result.status, PasswordStatus::Done);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"更改密码成功。\n请重新启动。"});
  sim->withBoard("10.77.0.51", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.files["/mnt/apps/configFile/login.ini"], "username=root\npasswd=s3cret\n");
  });

  // A board refusing the file keeps its login.
  notifier.messages.clear();
  EXPECT_EQ(page.Change(Ip("10.77.0.55")).status, PasswordStatus::Failed);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"更改密码失败(3返回值表示失败)"});
  sim->withBoard("10.77.0.55", [](qorsim::BoardState& b) { EXPECT_TRUE(b.files.empty()); });

  // A board that takes the file and never answers: nine attempts.
  notifier.messages.clear();
  page.limits.ioTimeout = 100ms;
  page.sleep = [](Millis) {};
  auto silent = page.Change(Ip("10.77.0.56"));
  EXPECT_EQ(silent.attempts, 9u);
  EXPECT_EQ(Texts(notifier), std::vector<std::string>{"更改密码失败(0返回接受长度太小)"});

  auto cli = Cli({"password", "10.77.0.51", "--user", "operator", "--password-stdin", "--json"},
                 "pa ss\n");
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(nlohmann::json::parse(cli.out)["code"], 1);
  sim->withBoard("10.77.0.51", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.files["/mnt/apps/configFile/login.ini"], "username=operator\npasswd=pa ss\n");
  });
  EXPECT_EQ(Cli({"password", "10.77.0.51", "--user", "a=b", "--password-stdin"}, "x\n").status, 2);
  EXPECT_EQ(Cli({"password", "10.77.0.51", "--user", "root"}, "x\n").status, 2)
      << "no password without --password-stdin";
  EXPECT_EQ(Cli({"password", "10.77.0.50", "--user", "root", "--password-stdin"}, "x\n").status, 2)
      << "an encoder keeps its login";
  EXPECT_EQ(Cli({"password", "10.77.0.55", "--user", "root", "--password-stdin"}, "x\n").status, 4);
}
