#pragma once
// Boards for the detection tests: the send and receive fields the engine reads.

#include <cstdint>

#include "device/board.h"
#include "device/board_list.h"
#include "le_bytes.h"
#include "wire.h"
#include "status_block.h"

namespace tav::test {


inline CBoard Encoder(const char* ip, const char* send, std::uint16_t port, std::uint16_t mode = 0,
                      int type = 1, const char* mask = "255.255.255.0") {
  CBoard b;
  auto& s = b.statusBlock();
  qor::putU32(s, 0, 200);
  b.setIp(Ip(ip));
  b.setMask(Ip(mask));
  qor::putI32(s, status::kDeviceType, type);
  qor::putU32(s, status::kSendAddress, Ip(send));
  qor::putU16(s, status::kSendPort, port);
  qor::putU16(s, status::kSendMode, mode);
  b.setName(ip);
  return b;
}

// A decoder; `source` goes to the send-address field (the encoder a multicast or on-demand
// decoder names).
inline CBoard Decoder(const char* ip, int receiveMode, const char* receive, std::uint16_t port,
                      int type = 4, const char* source = "0.0.0.0",
                      const char* mask = "255.255.255.0") {
  CBoard b;
  auto& s = b.statusBlock();
  qor::putU32(s, 0, 200);
  b.setIp(Ip(ip));
  b.setMask(Ip(mask));
  qor::putI32(s, status::kDeviceType, type);
  qor::putU32(s, status::kReceiveAddress, Ip(receive));
  qor::putU16(s, status::kReceivePort, port);
  qor::putI16(s, status::kReceiveMode, static_cast<std::int16_t>(receiveMode));
  qor::putU32(s, status::kSendAddress, Ip(source));
  return b;
}

}  // namespace tav::test
