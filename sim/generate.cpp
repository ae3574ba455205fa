#include "generate.h"

#include <cstdio>
#include <string>

#include "qorsim.h"
#include "wire.h"

namespace qorsim {
namespace {

std::string dotted(std::uint32_t host) {  // host order, first octet highest
  return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xff) + "." +
         std::to_string((host >> 8) & 0xff) + "." + std::to_string(host & 0xff);
}

}  // namespace

nlohmann::json generateFleet(int count, std::string_view subnet) {
  auto slash = subnet.find('/');
  std::uint32_t wire = 0;
  int prefix = -1;
  if (slash != std::string_view::npos) {
    std::string bits(subnet.substr(slash + 1));
    if (!bits.empty() && bits.size() <= 2 && bits.find_first_not_of("0123456789") == bits.npos)
      prefix = std::stoi(bits);
  }
  if (prefix < 8 || prefix > 30 || !qor::parseIp(subnet.substr(0, slash), wire))
    throw FleetError("generate: subnet \"" + std::string(subnet) +
                     "\" is not A.B.C.D/P with P in 8..30");
  if (count < 1) throw FleetError("generate: the count must be at least 1");
  std::uint32_t host = __builtin_bswap32(wire);
  std::uint32_t mask = ~std::uint32_t(0) << (32 - prefix);
  std::uint32_t network = host & mask, broadcast = network | ~mask;

  nlohmann::json boards = nlohmann::json::array();
  std::uint32_t next = network + 2;
  for (int i = 0; i < count; ++i, ++next) {
    while (next < broadcast && ((next & 0xff) == 0 || (next & 0xff) == 255)) ++next;
    if (next >= broadcast)
      throw FleetError("generate: " + std::to_string(count) + " boards do not fit in " +
                       std::string(subnet));
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:0e:0b:%02x:%02x:%02x", (i >> 16) & 0xff, (i >> 8) & 0xff,
                  i & 0xff);
    int pair = i / 2;  // an encoder and the decoder after it share a group
    std::string group =
        "239.78." + std::to_string((pair >> 8) & 0xff) + "." + std::to_string(pair & 0xff);
    char number[16];
    std::snprintf(number, sizeof number, "%05d", i + 1);
    nlohmann::json b = {{"address", dotted(next)},
                        {"mask", dotted(mask)},
                        {"gateway", dotted(network + 1)},
                        {"mac", mac}};
    if (i % 2 == 0) {
      b["type"] = 1;
      b["name"] = std::string("编码器-") + number;
      b["send"] = {{"address", group}, {"port", 1234}, {"mode", 1}};
    } else {
      b["type"] = 2;
      b["name"] = std::string("解码器-") + number;
      b["receive"] = {{"address", group}, {"port", 1234}, {"mode", 1}};
    }
    boards.push_back(std::move(b));
  }
  return {{"boards", boards}};
}

}  // namespace qorsim
