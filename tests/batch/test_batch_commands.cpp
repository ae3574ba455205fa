// tavctl maint and batch over scripted sockets and a recording sender: printed lines, JSON and
// exit statuses.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "batch_commands.h"
#include "commands.h"
#include "scripted_maintenance.h"

namespace ctl = tav::ctl;
using namespace maintenance_test;

namespace {

// Answers every 'a' with the listed boards and every 'c'/'d'/'e' with `result`.
class AnsweringTransport : public ScriptedTransport {
 public:
  std::vector<const char*> boards;
  std::optional<std::uint8_t> result;
  std::uint32_t number = 1;
  void Broadcast(std::span<const std::uint8_t> d) override {
    ScriptedTransport::Broadcast(d);
    const std::uint32_t exchange = qor::getU32(d, 12);
    if (d[3] == 'a') {
      for (const char* b : boards)
        inbox.push_back(SearchReply(number++, exchange, Ip(b), {Entry(b, 1)}));
    } else if (result) {
      inbox.push_back(ResultReply(number++, exchange, *result));
    }
  }
};

class NullSender : public tav::batch::BatchSender {
 public:
  int calls = 0;
  int RestartBoard(const CBoard&) override { return ++calls, 0; }
  int GroupRestart(std::int32_t) override { return ++calls, 0; }
  int FactoryReset(const CBoard&) override { return ++calls, 1; }
  int FactoryResetAll() override { return ++calls, 0; }
};

}  // namespace

TEST(MaintCommand, SearchPrintsRowsOrJsonAndExitsThreeWhenEmpty) {
  AnsweringTransport t;
  std::ostringstream out, err;
  ctl::MaintOptions o;
  o.action = "search";
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitNoAnswer);
  t.boards = {"10.77.0.9", "10.77.0.3"};
  o.json = true;
  out.str("");
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitOk);
  auto j = nlohmann::json::parse(out.str());
  EXPECT_EQ(j["count"], 2);
  EXPECT_EQ(j["boards"][0]["address"], "10.77.0.3");
  EXPECT_EQ(j["boards"][0]["mac"], "00:1a:00:00:00:01");
}

TEST(MaintCommand, CommandsWaitForTheirResult) {
  AnsweringTransport t;
  std::ostringstream out, err;
  ctl::MaintOptions o;
  o.action = "reset";
  o.addresses = {"10.77.0.3", "10.77.0.4"};
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitNoAnswer);
  t.result = 0;
  out.str("");
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitOk);
  EXPECT_EQ(out.str(), "10.77.0.3: 命令执行成功\n10.77.0.4: 命令执行成功\n");
  EXPECT_EQ(qor::getU32(t.sent.back(), 12), 0u);
  t.result = 9;
  o.action = "exec";
  o.addresses = {"10.77.0.3"};
  o.text = "ls";
  out.str("");
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitExchangeFailed);
  EXPECT_EQ(out.str(), "10.77.0.3: 位置错误\n");
  o.addresses = {"0.0.0.0"};
  EXPECT_EQ(ctl::Maint(t, o, out, err), ctl::kExitBadArguments);
}

TEST(BatchCommand, BoardsMustBeNamedAndFailuresExitFour) {
  NullSender sender;
  std::ostringstream out, err;
  ctl::BatchOptions o;
  o.action = "restart";
  EXPECT_EQ(ctl::Batch(sender, o, out, err), ctl::kExitBadArguments);
  o.all = true;
  o.encoders = true;
  EXPECT_EQ(ctl::Batch(sender, o, out, err), ctl::kExitBadArguments);
  EXPECT_EQ(sender.calls, 0);
  o.encoders = false;
  EXPECT_EQ(ctl::Batch(sender, o, out, err), ctl::kExitOk);
  o.all = false;
  o.action = "reset";
  o.addresses = {"10.77.0.3"};
  o.json = true;
  out.str("");
  EXPECT_EQ(ctl::Batch(sender, o, out, err), ctl::kExitExchangeFailed);
  auto j = nlohmann::json::parse(out.str());
  EXPECT_EQ(j["boards"][0]["text"], "设备[10.77.0.3]:恢复默认值失败。");
  EXPECT_EQ(j["log"], "发起批量重置。");
}
