#pragma once
// The PC's side of the exchanges as bare sockets, so the simulator is tested against bytes and
// not against the program's own channels.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace rawpeer {

using Bytes = std::vector<std::uint8_t>;

Bytes head(std::uint8_t command, std::size_t totalSize = 4);  // "qor" + command, zero-padded

struct Datagram {
  std::string from;
  Bytes bytes;
};

// Sends one datagram to `to`:4007 (255.255.255.255 for a broadcast) from the PC side.
bool sendDatagram(const std::string& to, const Bytes& bytes);

// A PC listener on UDP 5007 (bound to `bindAddress`) that sends the search question and
// collects every answer for `window`.
std::vector<Datagram> search(std::chrono::milliseconds window = std::chrono::milliseconds(600),
                             const std::string& to = "255.255.255.255",
                             const std::string& bindAddress = "0.0.0.0");

struct TcpResult {
  bool connected = false;
  bool refused = false;
  Bytes reply;  // everything received until the board closed or the time-out
  bool timedOut = false;
};

// One connection: send `request`, then (when `expectReply`) read until the board closes or
// `timeout` passes; without reply, close right after sending.
TcpResult exchange(const std::string& address, std::uint16_t port, const Bytes& request,
                   bool expectReply = true,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

}  // namespace rawpeer
