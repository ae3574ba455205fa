#include "upgrade.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "wire.h"

namespace qorsim {
namespace {

using nlohmann::json;

constexpr std::uint8_t kResultCommand = 0xEA;

UpgradeAnswer parseAnswer(const json& v, const std::string& path, UpgradeAnswer out) {
  if (!v.is_object()) throw FleetError("fleet: " + path + ": expected an object");
  for (auto& [key, field] : v.items()) {
    const std::string at = path + "." + key;
    if (key == "result" || key == "delayMs") {
      if (!field.is_number_integer()) throw FleetError("fleet: " + at + ": expected an integer");
      long long x = field.get<long long>();
      if (key == "delayMs") {
        if (x < 0 || x > 600000) throw FleetError("fleet: " + at + ": expected 0..600000");
        out.delayMs = static_cast<int>(x);
      } else {
        if (x < INT32_MIN || x > INT32_MAX) throw FleetError("fleet: " + at + ": out of range");
        out.result = static_cast<std::int32_t>(x);
      }
    } else if (key == "answer") {
      const std::string kind = field.is_string() ? field.get<std::string>() : "";
      if (kind == "result")
        out.kind = UpgradeAnswer::Kind::Result;
      else if (kind == "silent")
        out.kind = UpgradeAnswer::Kind::Silent;
      else if (kind == "wrongHead")
        out.kind = UpgradeAnswer::Kind::WrongHead;
      else if (kind == "close")
        out.kind = UpgradeAnswer::Kind::Close;
      else
        throw FleetError("fleet: " + at +
                         ": expected \"result\", \"silent\", \"wrongHead\" or \"close\"");
    } else if (key != "components") {
      throw FleetError("fleet: " + at + ": unknown field");
    }
  }
  return out;
}

}  // namespace

std::string componentDigest(qor::Bytes bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

UpgradeBehaviour parseUpgradeBehaviour(const json& value, const std::string& path) {
  UpgradeBehaviour b;
  b.normal = parseAnswer(value, path, {});
  if (auto it = value.find("components"); it != value.end()) {
    if (!it->is_object()) throw FleetError("fleet: " + path + ".components: expected an object");
    for (auto& [key, field] : it->items()) {
      int number = 0;
      char tail = 0;
      if (std::sscanf(key.c_str(), "%d%c", &number, &tail) != 1 || number < 1)
        throw FleetError("fleet: " + path + ".components." + key +
                         ": expected a component number from 1");
      if (field.contains("components"))
        throw FleetError("fleet: " + path + ".components." + key + ".components: unknown field");
      b.byComponent[number] = parseAnswer(field, path + ".components." + key, b.normal);
    }
  }
  return b;
}

Outcome handleUpgrade(BoardState& board, qor::Bytes component) {
  const int number = static_cast<int>(board.upgradeReceived.size()) + 1;
  const UpgradeAnswer& how = board.upgrade.forComponent(number);
  ReceivedComponent received{component.size(), componentDigest(component), how.result};
  board.upgradeComponents.push_back(component.size());
  board.upgradeReceived.push_back(received);

  std::vector<std::uint8_t> reply(16, 0);
  qor::putHead(reply, kResultCommand);
  qor::putU32(reply, 4, 12);
  qor::putU32(reply, 8, 0xE7);
  qor::putI32(reply, 12, how.result);
  std::string summary = "upgrade component " + std::to_string(number) + " of " +
                        std::to_string(component.size()) + " bytes, digest " + received.digest;
  Outcome o;
  o.delay = std::chrono::milliseconds(how.delayMs);
  switch (how.kind) {
    case UpgradeAnswer::Kind::Result:
      o.reply = reply;
      o.summary = summary + ", result " + std::to_string(how.result);
      break;
    case UpgradeAnswer::Kind::WrongHead:
      reply[3] = kResultCommand + 1;
      o.reply = reply;
      o.summary = summary + ", wrong head";
      break;
    case UpgradeAnswer::Kind::Silent:
      o.hold = true;
      o.summary = summary + ", silent";
      break;
    case UpgradeAnswer::Kind::Close:
      o.summary = summary + ", closed without an answer";
      break;
  }
  return o;
}

}  // namespace qorsim
