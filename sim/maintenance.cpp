#include "maintenance.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "layout.h"
#include "wire.h"

namespace qorsim {
namespace L = layout;
namespace {

constexpr std::size_t kTable = 16;  // the adapter table in a 'b' reply
constexpr std::size_t kMaxEntries = 8;
constexpr auto kRepeatWindow = std::chrono::milliseconds(500);

std::vector<std::uint8_t> replyHead(char letter, std::size_t size, std::uint32_t number,
                                    std::uint32_t exchange) {
  std::vector<std::uint8_t> r(size, 0);
  qor::putHead(r, static_cast<std::uint8_t>(letter));
  qor::putU32(r, 4, 12);
  qor::putU32(r, 8, number);
  qor::putU32(r, 12, exchange);
  return r;
}

// Bytes outside printable ASCII as \xNN, for the log line.
std::string escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

[[noreturn]] void fail(const std::string& path, const std::string& what) {
  throw FleetError(path + ": " + what);
}

}  // namespace

std::uint32_t maintenanceReplyNumber(BoardState& b, qor::Bytes request, std::uint32_t& counter,
                                     std::chrono::steady_clock::time_point now) {
  const std::uint64_t key =
      (std::uint64_t(qor::getU32(request, 8)) << 32) | qor::getU32(request, 12);
  if (b.lastMaintenanceReply != 0 && key == b.lastMaintenanceRequest &&
      now - b.lastMaintenanceAt < kRepeatWindow)
    return b.lastMaintenanceReply;
  if (++counter == 0) ++counter;
  b.lastMaintenanceRequest = key;
  b.lastMaintenanceReply = counter;
  b.lastMaintenanceAt = now;
  return counter;
}

Outcome answerMaintenance(BoardState& b, qor::Bytes d, std::uint32_t replyNumber) {
  if (d.size() < 20 || !hasMagic(d))
    return {std::nullopt, "maintenance datagram without the qor head: ignored"};
  const char letter = static_cast<char>(d[3]);
  const std::uint32_t exchange = qor::getU32(d, 12);
  if (letter == 'a') {
    auto r = replyHead('b', 140, replyNumber, exchange);
    std::vector<MaintenanceInterface> table;
    MaintenanceInterface own;
    own.address = contactAddress(b);
    own.mask = qor::getU32(b.status, L::kMask);
    for (std::size_t k = 0; k < 6; ++k) own.mac[k] = b.status[L::kMac + k];
    table.push_back(own);
    for (const auto& other : b.otherInterfaces)
      if (table.size() < kMaxEntries) table.push_back(other);
    qor::putU32(r, kTable, 124);
    qor::putU32(r, kTable + 4, static_cast<std::uint32_t>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) {
      qor::putU32(r, kTable + 8 + 4 * i, table[i].address);
      qor::putU32(r, kTable + 40 + 4 * i, table[i].mask);
      qor::putBytes(r, kTable + 72 + 6 * i, table[i].mac);
    }
    return {r, "maintenance search, " + std::to_string(table.size()) + " interface(s)"};
  }
  if (letter != 'c' && letter != 'd' && letter != 'e')
    return {std::nullopt, std::string("maintenance letter '") + letter + "': ignored"};
  const std::uint32_t target = qor::getU32(d, 20);
  if (target != b.ip() && target != contactAddress(b)) return {};
  auto r = replyHead('j', 32, replyNumber, exchange);
  qor::putU32(r, 16, qor::getU32(d, 16));
  qor::putU32(r, 20, target);
  qor::putU8(r, 24, b.commandResult);
  Outcome o{r, ""};
  if (letter == 'c') {
    o.restart = true;
    o.summary = "maintenance restart";
  } else if (letter == 'd') {
    o.factoryReset = true;
    o.summary = "maintenance factory reset";
  } else {
    std::string text = qor::getText(d, 24, 108);
    b.maintenanceCommands.push_back(text);
    o.summary = "maintenance command \"" + escaped(text) + "\"";
  }
  return o;
}

std::vector<MaintenanceInterface> parseOtherInterfaces(const nlohmann::json& value,
                                                       const std::string& path) {
  if (!value.is_array()) fail(path, "expected a list of interfaces");
  if (value.size() > kMaxEntries - 1) fail(path, "a board lists at most 7 other interfaces");
  std::vector<MaintenanceInterface> out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto& v = value[i];
    const std::string at = path + "[" + std::to_string(i) + "]";
    MaintenanceInterface m;
    m.mask = 0x00FFFFFF;  // 255.255.255.0
    m.mac = {0x00, 0x1a, 0x51, 0x7e, 0x00, static_cast<std::uint8_t>(i + 1)};
    std::string address;
    if (v.is_string()) {
      address = v.get<std::string>();
    } else if (v.is_object() && v.contains("address") && v["address"].is_string()) {
      address = v["address"].get<std::string>();
      if (v.contains("mask") &&
          (!v["mask"].is_string() || !qor::parseIp(v["mask"].get<std::string>(), m.mask)))
        fail(at + ".mask", "expected an IPv4 mask");
      if (v.contains("mac")) {
        unsigned x[6];
        char tail = 0;
        if (!v["mac"].is_string() ||
            std::sscanf(v["mac"].get<std::string>().c_str(), "%x:%x:%x:%x:%x:%x%c", &x[0], &x[1],
                        &x[2], &x[3], &x[4], &x[5], &tail) != 6)
          fail(at + ".mac", "expected \"aa:bb:cc:dd:ee:ff\"");
        for (int k = 0; k < 6; ++k) m.mac[k] = static_cast<std::uint8_t>(x[k]);
      }
    } else {
      fail(at, "expected an address text or {\"address\", \"mask\", \"mac\"}");
    }
    if (!qor::parseIp(address, m.address)) fail(at, "\"" + address + "\" is not an IPv4 address");
    out.push_back(m);
  }
  return out;
}

}  // namespace qorsim
