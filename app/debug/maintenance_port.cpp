#include "debug/maintenance_port.h"

namespace tav {

int BoardMaintenancePort::queryByte(int code, std::uint8_t reg, std::uint8_t& value) {
  return board_.QueryByte(code, reg, value, link_);
}
int BoardMaintenancePort::setByte(int code, std::uint8_t reg, std::uint8_t value) {
  return board_.SetByte(code, reg, value, link_);
}
int BoardMaintenancePort::queryWord(std::uint16_t reg, std::uint16_t& value) {
  return board_.QueryWord(reg, value, link_);
}
int BoardMaintenancePort::setWord(std::uint16_t reg, std::uint16_t value) {
  return board_.SetWord(reg, value, link_);
}
int BoardMaintenancePort::exchange(RegisterBlock& body, bool alt) {
  return alt ? board_.ExchangeAlt(body, link_) : board_.Exchange(body, link_);
}
int BoardMaintenancePort::post(const RegisterBlock& body, bool alt) {
  return alt ? board_.PostAlt(body, link_) : board_.Post(body, link_);
}
std::uint32_t BoardMaintenancePort::readValue() {
  return link_.readValue(board_);
}
int BoardMaintenancePort::writeValue(std::uint32_t value, Notifier& notifier) {
  return link_.writeValue(board_, value, notifier);
}

}  // namespace tav
