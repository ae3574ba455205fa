#pragma once
// Everything the program sends to a board goes through a BoardLink: the configuration exchange
// of qorsdk, the program's own packets and datagrams, and TCP streams for the service, file and
// serial channels. The real link talks to the LAN; tests hand pages a fake that records what
// was sent and answers from a script.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "device/board_stream.h"

namespace tav {

class BoardLink {
 public:
  virtual ~BoardLink() = default;

  // DEVICE_GetConfig / DEVICE_SetConfig: `record` is the caller's record, its first word its
  // size (type 268: the text buffer). Results are qorsdk's QORSDK_CONFIG_* values.
  virtual int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) = 0;
  virtual int setConfig(const std::string& address, int type,
                        std::span<const std::uint8_t> record) = 0;

  // A TCP stream to a board's port; check connected() before use.
  virtual std::unique_ptr<BoardStream> open(std::uint32_t address, std::uint16_t port,
                                            const StreamLimits& limits) = 0;
};

// The process-wide link to the real LAN.
BoardLink& LanLink();

}  // namespace tav
