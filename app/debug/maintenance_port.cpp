#include "debug/maintenance_port.h"

namespace tav {

int BoardMaintenancePort::queryByte(int code, std::uint8_t reg, std::uint8_t& value) {
  return board_.QueryByte(code, reg, value);
}
int BoardMaintenancePort::setByte(int code, std::uint8_t reg, std::uint8_t value) {
  return board_.SetByte(code, reg, value);
}
int BoardMaintenancePort::queryWord(std::uint16_t reg, std::uint16_t& value) {
  return board_.QueryWord(reg, value);
}
int BoardMaintenancePort::setWord(std::uint16_t reg, std::uint16_t value) {
  return board_.SetWord(reg, value);
}
int BoardMaintenancePort::exchange(RegisterBlock& body, bool alt) {
  return alt ? board_.ExchangeAlt(body) : board_.Exchange(body);
}
int BoardMaintenancePort::post(const RegisterBlock& body, bool alt) {
  return alt ? board_.PostAlt(body) : board_.Post(body);
}
std::uint32_t BoardMaintenancePort::readValue() {
  return board_.ReadValue();
}
int BoardMaintenancePort::writeValue(std::uint32_t value, Notifier& notifier) {
  return board_.WriteValue(value, notifier);
}

}  // namespace tav
