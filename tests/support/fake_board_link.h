#pragma once
// A BoardLink for unit tests: records every operation sent to it and answers from a script.
// Configuration reads copy the scripted answer of their type over the caller's record (its
// first word, the size, stays the caller's); open() hands out the scripted streams in order.
// Safe to use from a page action's worker: every member is touched under the mutex, and the
// test reads the record after the action has finished.
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/board.h"
#include "device/board_link.h"
#include "device/tcp_channel.h"
#include "scripted_stream.h"
#include "wire.h"

namespace tav::test {

class FakeBoardLink : public BoardLink {
 public:
  enum class Op { Get, Set, Open, Maintenance, Short, Direct, Broadcast, Forget };
  struct Sent {
    Op op;
    std::string address;  // dotted text; for the packet operations the address as text too
    int type = 0;         // configuration type, port, or command byte
    std::vector<std::uint8_t> bytes;
  };

  // Results and answers by configuration type (default: 0, and the record left as it was).
  std::map<int, int> configResults;
  std::map<int, std::vector<std::uint8_t>> configAnswers;
  // Maintenance answers in order (result, body); none left: kMaintConnectFailed.
  std::deque<std::pair<int, RegisterBlock>> maintenanceAnswers;
  // Short packet answers in order; none left: kShortConnectFailed.
  std::deque<std::vector<std::uint8_t>> shortAnswers;
  std::deque<std::unique_ptr<ScriptedStream>> streams;  // none left: a stream never connected
  int broadcastResult = kDatagramSent;
  std::uint32_t tickCount = 0x01020304u;
  int directResult = kDirectOk;
  std::uint32_t valueAnswer = 0;  // readValue's answer (the serial port's baud rate)

  std::vector<Sent> sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  std::vector<Sent> sentOf(Op op) const {
    std::vector<Sent> out;
    for (const Sent& s : sent())
      if (s.op == op) out.push_back(s);
    return out;
  }
  // Configuration writes of one type, in order.
  std::vector<std::vector<std::uint8_t>> writes(int type) const {
    std::vector<std::vector<std::uint8_t>> out;
    for (const Sent& s : sentOf(Op::Set))
      if (s.type == type) out.push_back(s.bytes);
    return out;
  }

  int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Get, address, type, {record.begin(), record.end()}});
    int rc = configResults.count(type) ? configResults[type] : 0;
    if (rc == 0 && configAnswers.count(type)) {
      const auto& a = configAnswers[type];
      std::size_t from = type >= 256 && type != 268 ? 4 : 0;  // blocks keep the caller's size
      for (std::size_t i = from; i < a.size() && i < record.size(); ++i) record[i] = a[i];
    }
    return rc;
  }
  int setConfig(const std::string& address, int type,
                std::span<const std::uint8_t> record) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Set, address, type, {record.begin(), record.end()}});
    return configResults.count(type) ? configResults[type] : 0;
  }
  std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                    const StreamLimits&) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Open, qor::ipText(address), port, {}});
    if (streams.empty()) {
      auto dead = std::make_unique<ScriptedStream>();
      dead->isConnected = false;
      return dead;
    }
    auto s = std::move(streams.front());
    streams.pop_front();
    return s;
  }
  int maintenance(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                  RegisterBlock& body) override {
    std::lock_guard lock(mutex_);
    Sent s{Op::Maintenance, qor::ipText(address), port, {body.begin(), body.end()}};
    s.bytes.insert(s.bytes.begin(), request.command);
    sent_.push_back(std::move(s));
    if (maintenanceAnswers.empty()) return kMaintConnectFailed;
    auto [rc, answer] = maintenanceAnswers.front();
    maintenanceAnswers.pop_front();
    if (request.answer != 0) body = answer;
    return rc;
  }
  int sendShort(std::uint32_t address, std::span<const std::uint8_t> bytes,
                std::span<std::uint8_t> answer) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Short, qor::ipText(address), 0, {bytes.begin(), bytes.end()}});
    if (shortAnswers.empty()) return kShortConnectFailed;
    auto a = shortAnswers.front();
    shortAnswers.pop_front();
    if (answer.empty()) return 0;
    std::size_t n = std::min(a.size(), answer.size());
    std::copy_n(a.begin(), n, answer.begin());
    return n == 0 ? kShortNoAnswer : static_cast<int>(n);
  }
  int readVideoPosition(const CBoard& board, VideoPosition&, Notifier&) override {
    return direct(board, kCmdReadVideoPosition, {});
  }
  int writeVideoPosition(const CBoard& board, const VideoPosition& p, Notifier&) override {
    auto r = EncodeVideoPosition(p);
    return direct(board, kCmdWriteVideoPosition, {r.begin(), r.end()});
  }
  int writeValue(const CBoard& board, std::uint32_t value, Notifier&) override {
    return direct(board, kCmdWriteValue,
                  {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                   std::uint8_t(value >> 24)});
  }
  std::uint32_t readValue(const CBoard& board) override {
    direct(board, kCmdReadValue, {});
    return valueAnswer;
  }
  int broadcast(std::span<const std::uint8_t> datagram) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Broadcast,
                     "255.255.255.255",
                     datagram.size() > 3 ? datagram[3] : 0,
                     {datagram.begin(), datagram.end()}});
    return broadcastResult;
  }
  void forgetNeighbours() override {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Forget, "", 0, {}});
  }
  std::uint32_t ticks() override { return tickCount; }

 private:
  int direct(const CBoard& board, std::uint8_t command, std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    sent_.push_back({Op::Direct, qor::ipText(board.ip()), command, std::move(bytes)});
    return directResult;
  }

  mutable std::mutex mutex_;
  std::vector<Sent> sent_;
};

}  // namespace tav::test
