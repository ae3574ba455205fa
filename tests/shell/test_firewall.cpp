// The trust-list step over scripted firewall front ends: what it runs and what it reports.
#include <gtest/gtest.h>

#include <map>

#include "platform/firewall.h"

using namespace tav::platform;

namespace {

// A scripted system: which programs exist, and per command line its exit code and output.
struct FakeSystem {
  std::vector<std::string> programs;
  std::map<std::string, ProcessResult> answers;  // unlisted commands succeed silently
  std::vector<std::string> ran;

  FirewallTools tools() {
    FirewallTools t;
    t.findProgram = [this](const std::string& name) {
      for (auto& p : programs)
        if (p == name) return "/usr/sbin/" + name;
      return std::string();
    };
    t.run = [this](const std::vector<std::string>& argv) {
      std::string line;
      for (auto& a : argv) line += (line.empty() ? "" : " ") + a;
      ran.push_back(line);
      auto it = answers.find(line);
      return it != answers.end() ? it->second : ProcessResult{0, ""};
    };
    return t;
  }
};

const char* kUfwHeader =
    "Status: active\n\nTo                         Action      From\n"
    "--                         ------      ----\n";

}  // namespace

TEST(Firewall, UfwStatusParsing) {
  const std::vector<std::uint16_t> wanted{5007, 6006};
  struct Case {
    const char* rules;
    std::vector<std::uint16_t> allowed;
  } cases[] = {
      {"5007/udp                   ALLOW       Anywhere                   # Tavmon\n"
       "6006/udp                   ALLOW       Anywhere\n",
       {5007, 6006}},
      {"5007                       ALLOW       Anywhere\n", {5007}},        // tcp and udp
      {"5000:5010/udp              ALLOW IN    Anywhere\n", {5007}},        // range
      {"5007,6006/udp              ALLOW       Anywhere\n", {5007, 6006}},  // list
      {"5007/tcp                   ALLOW       Anywhere\n", {}},            // wrong protocol
      {"5007/udp                   DENY        Anywhere\n", {}},
      {"5007/udp                   ALLOW       192.168.1.0/24\n", {}},  // one source only
      {"5007/udp (v6)              ALLOW       Anywhere (v6)\n", {}},   // IPv6 only
      {"50070/udp                  ALLOW       Anywhere\n", {}},
      {"OpenSSH                    ALLOW       Anywhere\n", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ufwAllowedPorts(std::string(kUfwHeader) + c.rules, wanted), c.allowed) << c.rules;
}

TEST(Firewall, NoSupportedFirewallIsSaidPlainly) {
  FakeSystem sys;
  TrustResult r = addTrustRules(sys.tools());
  EXPECT_EQ(r.outcome, TrustOutcome::NoFirewall);
  EXPECT_TRUE(sys.ran.empty());
  EXPECT_NE(trustMessage(r).find("未找到受支持的防火墙"), std::string::npos);
}

TEST(Firewall, UfwAddsOnlyMissingRules) {
  FakeSystem sys;
  sys.programs = {"ufw", "firewall-cmd"};  // ufw wins when both are there
  sys.answers["ufw status"] = {0, std::string(kUfwHeader) + "5007/udp  ALLOW  Anywhere\n"};
  TrustResult r = addTrustRules(sys.tools());
  EXPECT_EQ(r.kind, FirewallKind::Ufw);
  EXPECT_EQ(r.outcome, TrustOutcome::Added);
  EXPECT_EQ(sys.ran, (std::vector<std::string>{"ufw status", "ufw allow 6006/udp comment Tavmon"}));
  EXPECT_EQ(trustMessage(r), "添加信任列表成功");

  sys.ran.clear();
  sys.answers["ufw status"].output += "6006/udp  ALLOW  Anywhere\n";
  r = addTrustRules(sys.tools());
  EXPECT_EQ(r.outcome, TrustOutcome::AlreadyTrusted);
  EXPECT_EQ(sys.ran, (std::vector<std::string>{"ufw status"}));
  EXPECT_EQ(trustMessage(r), "已被添加进信任列表，无需多次添加");
}

TEST(Firewall, FailedCommandIsReportedNotCalledSuccess) {
  FakeSystem sys;
  sys.programs = {"ufw"};
  sys.answers["ufw status"] = {1, "ERROR: You need to be root to run this script\n"};
  TrustResult r = addTrustRules(sys.tools());
  EXPECT_EQ(r.outcome, TrustOutcome::Failed);
  EXPECT_NE(r.detail.find("You need to be root"), std::string::npos);
  EXPECT_NE(trustMessage(r).find("添加信任列表失败"), std::string::npos);

  sys.answers["ufw status"] = {0, kUfwHeader};
  sys.answers["ufw allow 5007/udp comment Tavmon"] = {1, "ERROR: problem running\n"};
  r = addTrustRules(sys.tools());
  EXPECT_EQ(r.outcome, TrustOutcome::Failed);
  EXPECT_NE(r.detail.find("ufw allow 5007/udp"), std::string::npos);
}

TEST(Firewall, FirewalldRuntimeAndPermanentRules) {
  FakeSystem sys;
  sys.programs = {"firewall-cmd"};
  sys.answers["firewall-cmd --query-port=5007/udp"] = {1, "no\n"};
  TrustResult r = addTrustRules(sys.tools());
  EXPECT_EQ(r.kind, FirewallKind::Firewalld);
  EXPECT_EQ(r.outcome, TrustOutcome::Added);
  EXPECT_EQ(sys.ran, (std::vector<std::string>{
                         "firewall-cmd --state", "firewall-cmd --query-port=5007/udp",
                         "firewall-cmd --query-port=6006/udp", "firewall-cmd --add-port=5007/udp",
                         "firewall-cmd --permanent --add-port=5007/udp"}));

  // A stopped firewalld is asked and given permanent rules only.
  sys.ran.clear();
  sys.answers = {{"firewall-cmd --state", {252, "not running\n"}},
                 {"firewall-cmd --permanent --query-port=6006/udp", {1, "no\n"}}};
  r = addTrustRules(sys.tools());
  EXPECT_EQ(r.outcome, TrustOutcome::Added);
  EXPECT_EQ(sys.ran.back(), "firewall-cmd --permanent --add-port=6006/udp");
  EXPECT_EQ(std::count(sys.ran.begin(), sys.ran.end(), "firewall-cmd --add-port=6006/udp"), 0);
}
