#pragma once
// The board's maintenance and direct-frame operations the debug pages use, behind one interface
// so the pages' logic runs against a fake in tests. BoardMaintenancePort is the only place
// these pages reach the board record's channel methods; it sends through the link it is given
// (pages: their host's link; tavctl: LanLink()).

#include <cstdint>

#include "device/board.h"
#include "device/board_link.h"

namespace tav {

class Notifier;

class MaintenancePort {
 public:
  virtual ~MaintenancePort() = default;
  // Results: tav::kMaint* (0 success).
  virtual int queryByte(int code, std::uint8_t reg, std::uint8_t& value) = 0;
  virtual int setByte(int code, std::uint8_t reg, std::uint8_t value) = 0;
  virtual int queryWord(std::uint16_t reg, std::uint16_t& value) = 0;
  virtual int setWord(std::uint16_t reg, std::uint16_t value) = 0;
  virtual int exchange(RegisterBlock& body, bool alt) = 0;  // alt: port 8070
  virtual int post(const RegisterBlock& body, bool alt) = 0;
  // Direct frames 0x3D / 0x3C: the serial port's baud rate. readValue gives 0 without a valid
  // answer; writeValue gives 1 when the connection failed (and says "CONNECT FAILED!").
  virtual std::uint32_t readValue() = 0;
  virtual int writeValue(std::uint32_t value, Notifier& notifier) = 0;
};

class BoardMaintenancePort final : public MaintenancePort {
 public:
  BoardMaintenancePort(const CBoard& board, BoardLink& link) : board_(board), link_(link) {}
  int queryByte(int code, std::uint8_t reg, std::uint8_t& value) override;
  int setByte(int code, std::uint8_t reg, std::uint8_t value) override;
  int queryWord(std::uint16_t reg, std::uint16_t& value) override;
  int setWord(std::uint16_t reg, std::uint16_t value) override;
  int exchange(RegisterBlock& body, bool alt) override;
  int post(const RegisterBlock& body, bool alt) override;
  std::uint32_t readValue() override;
  int writeValue(std::uint32_t value, Notifier& notifier) override;

 private:
  const CBoard& board_;
  BoardLink& link_;
};

}  // namespace tav
