#pragma once
// The maintenance sockets as a script, and replies as a board builds them.
#include <deque>

#include "batch/maintenance.h"
#include "le_bytes.h"
#include "wire.h"
#include "status_block.h"

namespace maintenance_test {
using namespace tav::batch;
using tav::platform::ReceivedDatagram;

using tav::test::Ip;

// Sockets as a script: what was broadcast, and the datagrams each pass may read.
class ScriptedTransport : public MaintenanceTransport {
 public:
  AdapterTable table{{Ip("10.77.0.1"), Ip("255.255.255.0"), {1, 2, 3, 4, 5, 6}}};
  std::vector<std::vector<std::uint8_t>> sent;
  std::deque<ReceivedDatagram> inbox;
  int opens = 0, closes = 0, pauses = 0, flushes = 0;
  bool open = false;

  AdapterTable Adapters() override { return table; }
  void Open(const AdapterTable&) override {
    ++opens;
    open = true;
  }
  void Broadcast(std::span<const std::uint8_t> d) override {
    sent.emplace_back(d.begin(), d.end());
  }
  std::optional<ReceivedDatagram> ReceiveOne() override {
    if (!open || inbox.empty()) return std::nullopt;
    auto d = inbox.front();
    inbox.pop_front();
    return d;
  }
  void Close() override {
    if (open) ++closes;
    open = false;
  }
  void Pause() override { ++pauses; }
  void FlushNeighbours() override { ++flushes; }
};

inline std::vector<std::uint8_t> Reply(char letter, std::uint32_t number, std::uint32_t exchange,
                                       std::size_t size) {
  std::vector<std::uint8_t> r(size, 0);
  qor::putHead(r, static_cast<std::uint8_t>(letter));
  qor::putU32(r, 4, 12);
  qor::putU32(r, 8, number);
  qor::putU32(r, 12, exchange);
  return r;
}

inline ReceivedDatagram SearchReply(std::uint32_t number, std::uint32_t exchange,
                                    std::uint32_t source, const AdapterTable& table) {
  auto r = Reply('b', number, exchange, 140);
  auto t = EncodeAdapterTable(table);
  qor::putBytes(r, 16, t);
  return {r, source, 6006};
}

inline ReceivedDatagram ResultReply(std::uint32_t number, std::uint32_t exchange,
                                    std::uint8_t result) {
  auto r = Reply('j', number, exchange, 32);
  r[24] = result;
  return {r, Ip("10.77.0.20"), 6006};
}

inline AdapterEntry Entry(const char* ip, std::uint8_t macLast) {
  return {Ip(ip), Ip("255.255.255.0"), {0, 0x1a, 0, 0, 0, macLast}};
}

}  // namespace maintenance_test
