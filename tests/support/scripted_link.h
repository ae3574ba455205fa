#pragma once
// A BoardLink for unit tests: each open() hands out the next scripted stream (a refused
// connection when the script runs dry) and records where it was asked to connect.
#include <deque>
#include <memory>
#include <vector>

#include "device/board_link.h"
#include "fake_board_link.h"
#include "scripted_stream.h"

namespace tav::test {

class ScriptedLink : public FakeBoardLink {
 public:
  struct Opened {
    std::uint32_t address;
    std::uint16_t port;
    StreamLimits limits;
  };
  std::vector<Opened> opened;
  std::deque<std::shared_ptr<ScriptedStream>> streams;

  // A stream for the next open(); the test keeps it to read what was sent.
  std::shared_ptr<ScriptedStream> next() {
    streams.push_back(std::make_shared<ScriptedStream>());
    return streams.back();
  }

  int getConfig(const std::string&, int, std::span<std::uint8_t>) override { return 15; }
  int setConfig(const std::string&, int, std::span<const std::uint8_t>) override { return 15; }
  std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                    const StreamLimits& limits) override {
    opened.push_back({address, port, limits});
    std::shared_ptr<ScriptedStream> s;
    if (streams.empty()) {
      s = std::make_shared<ScriptedStream>();
      s->isConnected = false;
    } else {
      s = streams.front();
      streams.pop_front();
    }
    return std::make_unique<Shared>(std::move(s));
  }

 private:
  struct Shared : BoardStream {
    explicit Shared(std::shared_ptr<ScriptedStream> s) : s(std::move(s)) {}
    std::shared_ptr<ScriptedStream> s;
    bool connected() const override { return s->connected(); }
    bool sendAll(std::span<const std::uint8_t> b, Millis t) override { return s->sendAll(b, t); }
    long receive(std::span<std::uint8_t> b, std::size_t n, Millis t) override {
      return s->receive(b, n, t);
    }
  };
};

}  // namespace tav::test
