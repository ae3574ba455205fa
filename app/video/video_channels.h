#pragma once
// The board channels the video pages use besides the configuration exchange: register blocks
// to the capture front end (8068/8070), the two short-packet records and the video position
// frames. One interface so the page logic runs against a fake in unit tests; BoardChannels is
// the only place that calls the board record's channel methods, always through a BoardLink.

#include <cstdint>

#include "device/board.h"
#include "device/board_link.h"

namespace tav {

class Notifier;

class VideoChannels {
 public:
  virtual ~VideoChannels() = default;
  // Results: tav::kMaint* (register blocks and setByte), tav::kShort* (records), tav::kDirect*.
  virtual int exchange(RegisterBlock& body) = 0;     // 0xC1 on 8068
  virtual int exchangeAlt(RegisterBlock& body) = 0;  // 0xC1 on 8070
  virtual int post(const RegisterBlock& body) = 0;   // 0xC0 on 8068
  virtual int postAlt(const RegisterBlock& body) = 0;
  virtual int setByte(int device, std::uint8_t reg, std::uint8_t value) = 0;
  virtual int readRecord16(Record16& record) = 0;
  virtual int writeRecord16(const Record16& record) = 0;
  virtual int readRecord36(Record36& record) = 0;
  virtual int writeRecord36(const Record36& record) = 0;
  virtual int readVideoPosition(VideoPosition& position, Notifier& notifier) = 0;
  virtual int writeVideoPosition(const VideoPosition& position, Notifier& notifier) = 0;
};

// The channels of one board record, sent through a link (pages: their host's; tavctl: the
// LAN's). The video position frames go to the status block's IP.
class BoardChannels final : public VideoChannels {
 public:
  BoardChannels(const CBoard& board, BoardLink& link) : board_(board), link_(link) {}
  int exchange(RegisterBlock& body) override { return board_.Exchange(body, link_); }
  int exchangeAlt(RegisterBlock& body) override { return board_.ExchangeAlt(body, link_); }
  int post(const RegisterBlock& body) override { return board_.Post(body, link_); }
  int postAlt(const RegisterBlock& body) override { return board_.PostAlt(body, link_); }
  int setByte(int device, std::uint8_t reg, std::uint8_t value) override {
    return board_.SetByte(device, reg, value, link_);
  }
  int readRecord16(Record16& record) override { return board_.ReadRecord16(record, link_); }
  int writeRecord16(const Record16& record) override { return board_.WriteRecord16(record, link_); }
  int readRecord36(Record36& record) override { return board_.ReadRecord36(record, link_); }
  int writeRecord36(const Record36& record) override { return board_.WriteRecord36(record, link_); }
  int readVideoPosition(VideoPosition& position, Notifier& notifier) override {
    return link_.readVideoPosition(board_, position, notifier);
  }
  int writeVideoPosition(const VideoPosition& position, Notifier& notifier) override {
    return link_.writeVideoPosition(board_, position, notifier);
  }

 private:
  const CBoard& board_;
  BoardLink& link_;
};

// i2c devices of the capture front end.
inline constexpr int kFrontEndDevice = 0x42;
inline constexpr int kHdmiReceiverDevice = 0x6A;

// One 8-bit register write.
struct RegisterWrite {
  std::uint8_t reg;
  std::uint8_t value;
  bool operator==(const RegisterWrite&) const = default;
};

}  // namespace tav
