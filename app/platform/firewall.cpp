#include "platform/firewall.h"

#include <algorithm>
#include <sstream>

#include "resources/string_table.h"
#include "wire.h"

namespace tav::platform {
namespace {

std::string joined(const std::vector<std::string>& argv) {
  std::string s;
  for (const auto& a : argv) s += (s.empty() ? "" : " ") + a;
  return s;
}

std::string firstLine(const std::string& text) {
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) return line;
  }
  return {};
}

// Runs one command; on failure fills result and returns false.
bool step(const FirewallTools& tools, const std::vector<std::string>& argv, TrustResult& result,
          ProcessResult* out = nullptr) {
  ProcessResult r = tools.run(argv);
  if (out) *out = r;
  if (r.exitCode == 0) return true;
  result.outcome = TrustOutcome::Failed;
  result.detail = joined(argv) + " (" + std::to_string(r.exitCode) + ")";
  if (std::string line = firstLine(r.output); !line.empty()) result.detail += ": " + line;
  return false;
}

// "5007", "5007/udp", "5000:5010/udp", "5007,6006/udp": does the rule cover port for UDP?
bool ufwRuleCovers(const std::string& rule, std::uint16_t port) {
  std::string ports = rule;
  if (auto slash = rule.find('/'); slash != std::string::npos) {
    if (rule.substr(slash + 1) != "udp") return false;
    ports = rule.substr(0, slash);
  }
  std::istringstream list(ports);
  std::string item;
  while (std::getline(list, item, ',')) {
    auto colon = item.find(':');
    try {
      std::size_t used = 0;
      unsigned long lo = std::stoul(item.substr(0, colon), &used);
      if (used != (colon == std::string::npos ? item.size() : colon)) continue;
      unsigned long hi = lo;
      if (colon != std::string::npos) {
        std::string rest = item.substr(colon + 1);
        hi = std::stoul(rest, &used);
        if (used != rest.size()) continue;
      }
      if (port >= lo && port <= hi) return true;
    } catch (const std::exception&) {
      // not a port list (an application profile name): not ours
    }
  }
  return false;
}

std::string udpSpec(std::uint16_t port) {
  return std::to_string(port) + "/udp";
}

}  // namespace

std::vector<std::uint16_t> trustedUdpPorts() {
  return {qor::kAnswerPort, qor::kMaintPort};
}

FirewallKind detectFirewall(const FirewallTools& tools) {
  if (!tools.findProgram("ufw").empty()) return FirewallKind::Ufw;
  if (!tools.findProgram("firewall-cmd").empty()) return FirewallKind::Firewalld;
  return FirewallKind::None;
}

std::vector<std::uint16_t> ufwAllowedPorts(const std::string& statusOutput,
                                           const std::vector<std::uint16_t>& wanted) {
  std::vector<std::uint16_t> allowed;
  std::istringstream in(statusOutput);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string t; fields >> t;) f.push_back(t);
    // "<ports> ALLOW [IN] Anywhere ..." for IPv4 rules open to every source.
    if (f.size() < 3 || f[1] != "ALLOW") continue;
    std::size_t from = (f[2] == "IN") ? 3 : 2;
    if (from >= f.size() || f[from] != "Anywhere") continue;
    if (from + 1 < f.size() && f[from + 1] == "(v6)") continue;
    for (std::uint16_t port : wanted)
      if (ufwRuleCovers(f[0], port) &&
          std::find(allowed.begin(), allowed.end(), port) == allowed.end())
        allowed.push_back(port);
  }
  return allowed;
}

TrustResult addTrustRules(const FirewallTools& tools) {
  TrustResult result;
  result.kind = detectFirewall(tools);
  const std::vector<std::uint16_t> ports = trustedUdpPorts();
  std::vector<std::uint16_t> missing;

  switch (result.kind) {
    case FirewallKind::None:
      result.outcome = TrustOutcome::NoFirewall;
      return result;

    case FirewallKind::Ufw: {
      ProcessResult status;
      if (!step(tools, {"ufw", "status"}, result, &status)) return result;
      std::vector<std::uint16_t> allowed = ufwAllowedPorts(status.output, ports);
      for (std::uint16_t p : ports)
        if (std::find(allowed.begin(), allowed.end(), p) == allowed.end()) missing.push_back(p);
      for (std::uint16_t p : missing)
        if (!step(tools, {"ufw", "allow", udpSpec(p), "comment", "Tavmon"}, result)) return result;
      break;
    }

    case FirewallKind::Firewalld: {
      // A stopped firewalld still takes permanent rules; it applies them when it starts.
      bool running = tools.run({"firewall-cmd", "--state"}).exitCode == 0;
      for (std::uint16_t p : ports) {
        std::vector<std::string> query{"firewall-cmd", "--query-port=" + udpSpec(p)};
        if (!running) query.insert(query.begin() + 1, "--permanent");
        if (tools.run(query).exitCode != 0) missing.push_back(p);
      }
      for (std::uint16_t p : missing) {
        if (running && !step(tools, {"firewall-cmd", "--add-port=" + udpSpec(p)}, result))
          return result;
        if (!step(tools, {"firewall-cmd", "--permanent", "--add-port=" + udpSpec(p)}, result))
          return result;
      }
      break;
    }
  }
  result.outcome = missing.empty() ? TrustOutcome::AlreadyTrusted : TrustOutcome::Added;
  return result;
}

std::string trustMessage(const TrustResult& result) {
  switch (result.outcome) {
    case TrustOutcome::AlreadyTrusted:
      return trText("已被添加进信任列表，无需多次添加");
    case TrustOutcome::Added:
      return trText("添加信任列表成功");
    case TrustOutcome::NoFirewall:
      return trText(
          "未找到受支持的防火墙（ufw 或 firewalld），信任列表未添加。\n"
          "如果使用其它防火墙，请手动放行UDP端口5007和6006。");
    case TrustOutcome::Failed:
      break;
  }
  return trText("添加信任列表失败（可能需要管理员权限）：\n") + result.detail;
}

}  // namespace tav::platform
