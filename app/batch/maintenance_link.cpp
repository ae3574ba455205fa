// The maintenance protocol's real sockets: one bound UDP socket per adapter of the table.
#include <iostream>

#include "batch/maintenance.h"
#include "platform/neighbours.h"

namespace tav::batch {
namespace {

constexpr std::uint32_t kBroadcast = 0xFFFFFFFFu;
constexpr std::size_t kReceiveLimit = 2048;

class SocketTransport final : public MaintenanceTransport {
 public:
  SocketTransport(std::optional<std::uint32_t> filter, bool flush)
      : flush_(flush), filter_(filter) {}

  AdapterTable Adapters() override {
    bool ok = true;
    auto all = platform::listAdapters(&ok);
    if (!ok) std::cout << "Error: Call to GetAdaptersInfo failed.\n";
    AdapterTable table = AdapterTableOf(all);
    if (filter_) {
      AdapterTable kept;
      for (const auto& e : table)
        if (e.address == *filter_) kept.push_back(e);
      // An address no adapter lists as its first is still bound when some adapter holds it.
      if (kept.empty() && platform::adapterWithAddress(all, *filter_))
        kept.push_back(AdapterEntry{*filter_, 0, {}});
      table = kept;
    }
    return table;
  }

  void Open(const AdapterTable& table) override {
    Close();
    for (const auto& e : table) {
      std::string failure;
      auto s = platform::BoundUdpSocket::Open(e.address, &failure);
      if (!s.Valid()) {
        std::cerr << failure << "\n";
        continue;
      }
      sockets_.push_back(std::move(s));
    }
  }

  void Broadcast(std::span<const std::uint8_t> datagram) override {
    for (auto& s : sockets_)
      if (!s.SendTo(datagram, kBroadcast, kMaintenancePort)) std::cerr << "sendto\n";
  }

  std::optional<platform::ReceivedDatagram> ReceiveOne() override {
    for (auto& s : sockets_)
      if (auto d = s.TryReceive(kReceiveLimit)) return d;
    return std::nullopt;
  }

  void Close() override { sockets_.clear(); }
  void Pause() override { platform::SleepFor(std::chrono::milliseconds(1)); }
  void FlushNeighbours() override {
    if (flush_) platform::flushNeighbourCache();
  }

 private:
  bool flush_;
  std::optional<std::uint32_t> filter_;
  std::vector<platform::BoundUdpSocket> sockets_;
};

}  // namespace

std::unique_ptr<MaintenanceTransport> MakeSocketTransport(std::optional<std::uint32_t> filter,
                                                          bool flushNeighbours) {
  return std::make_unique<SocketTransport>(filter, flushNeighbours);
}

}  // namespace tav::batch
