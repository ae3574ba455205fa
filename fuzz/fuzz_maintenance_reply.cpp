// Maintenance protocol replies ('b' with an adapter table, 'j' with a result byte) from any
// bytes: the parser alone, then as the dialog's reply wait takes them in.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "batch/maintenance.h"
#include "fuzz_check.h"
#include "le_bytes.h"

namespace {

class OneShot final : public tav::batch::MaintenanceTransport {
 public:
  std::deque<tav::platform::ReceivedDatagram> inbox;
  tav::batch::AdapterTable Adapters() override { return {{0x0100A8C0, 0x00FFFFFF, {}}}; }
  void Open(const tav::batch::AdapterTable&) override {}
  void Broadcast(std::span<const std::uint8_t>) override {}
  std::optional<tav::platform::ReceivedDatagram> ReceiveOne() override {
    if (inbox.empty()) return std::nullopt;
    auto d = inbox.front();
    inbox.pop_front();
    return d;
  }
  void Close() override {}
  void Pause() override {}
  void FlushNeighbours() override {}
};

class Quiet final : public tav::Notifier {
 public:
  int messages = 0;
  void message(std::string_view, tav::NoticeIcon) override { ++messages; }
  bool ask(std::string_view) override { return false; }
  void log(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  if (auto r = tav::batch::ParseReply(bytes)) {
    FUZZ_CHECK(r->adapters.size() <= tav::batch::kMaxAdapters);
    FUZZ_CHECK(r->letter == 'b' || r->letter == 'j');
    FUZZ_CHECK(size >= (r->letter == 'b' ? 140u : 32u));
  }

  // The same bytes as several replies to a running search, each with the session's exchange
  // number, coming from the first address its table lists (or from 192.168.0.1).
  OneShot transport;
  Quiet notifier;
  tav::batch::MaintenanceSession session(transport, notifier, [] { return 7u; });
  session.StartSearch();
  std::vector<std::uint8_t> reply(bytes.begin(), bytes.end());
  qor::putU32(reply, 12, session.ExchangeNumber());
  std::uint32_t source = 0x0100A8C0;
  if (reply.size() >= 140 && qor::getU32(reply, 20) > 0) source = qor::getU32(reply, 24);
  for (std::uint32_t n = 1; n <= 3; ++n) {
    auto copy = reply;
    if (copy.size() >= 12) qor::putU32(copy, 8, qor::getU32(reply, 8) + n);
    transport.inbox.push_back({copy, source, 6006});
  }
  session.Wait();
  const auto& rows = session.Rows();
  FUZZ_CHECK(rows.size() <= 1);  // one source address: listed once however often it answers
  for (const auto& row : rows) {
    FUZZ_CHECK(fuzz::IsValidUtf8(row.address) && fuzz::IsValidUtf8(row.mac) &&
               fuzz::IsValidUtf8(row.mask));
    FUZZ_CHECK(row.boardIndex >= 0 && row.boardIndex < session.Boards().Count());
  }
  FUZZ_CHECK(notifier.messages <= 3);
  return 0;
}
