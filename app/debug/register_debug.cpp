#include "debug/register_debug.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "debug/maintenance_port.h"
#include "device/notifier.h"
#include "le_bytes.h"

namespace tav {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

std::uint32_t ParseNumber(std::string_view text) {
  std::uint32_t value = 0;
  if (text.starts_with("0x")) {
    for (char c : text.substr(2)) value = value * 16 + HexDigit(c);
    return value;
  }
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  return negative ? 0u - value : value;
}

std::optional<std::string> NumberFieldProblem(std::string_view field, std::string_view text,
                                              std::uint32_t max) {
  // Exactly what ParseNumber reads in full: "0x" and hexadecimal digits with nothing around
  // them, or decimal digits with blanks around them (" 0x10" would read as decimal 0).
  bool hex = text.starts_with("0x");
  std::string_view digits = text;
  if (hex) {
    digits.remove_prefix(2);
  } else {
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t");
    digits =
        first == std::string_view::npos ? std::string_view{} : text.substr(first, last - first + 1);
  }
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  bool ok = !digits.empty() && digits.find_first_not_of(allowed) == std::string_view::npos;
  if (ok) {
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    ok = digits.size() <= (hex ? 8u : 10u) &&
         std::stoull("0" + std::string(digits), nullptr, hex ? 16 : 10) <= max;
  }
  if (ok) return std::nullopt;
  char buf[240];
  std::snprintf(
      buf, sizeof buf,
      "%.*s: \"%.*s\" 不是0到0x%x（%u）之间的数；请输入十进制数，或以0x开头的十六进制数。",
      static_cast<int>(field.size()), field.data(),
      static_cast<int>(std::min<std::size_t>(text.size(), 40)), text.data(), max, max);
  return std::string(buf);
}

std::string NumberText(std::uint32_t value, bool wide) {
  char buf[16];
  std::snprintf(buf, sizeof buf, wide ? "0x%04x" : "0x%02x", value);
  return buf;
}

std::vector<RegisterPair> ParseRegisterList(std::string_view text) {
  std::vector<RegisterPair> pairs;
  std::size_t pos = 0;
  while (text.size() - pos > 2) {
    std::string_view rest = text.substr(pos);
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos)
      pos = text.size();
    else
      pos += end + ((rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1);
    std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || comma == 0) continue;
    if (pairs.size() == regblock::kPairs) break;
    pairs.push_back({static_cast<std::uint8_t>(ParseNumber(line.substr(0, comma))),
                     static_cast<std::uint8_t>(ParseNumber(line.substr(comma + 1)))});
  }
  return pairs;
}

std::string RegisterListText(const std::vector<RegisterPair>& pairs) {
  std::string text;
  char buf[32];
  for (const RegisterPair& p : pairs) {
    std::snprintf(buf, sizeof buf, "0x%02x,0x%02x\r\n", p.reg, p.value);
    text += buf;
  }
  return text;
}

std::optional<std::string> RegisterListProblem(std::string_view text) {
  std::size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    std::string_view rest = text.substr(pos);
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    ++lineNo;
    if (end == std::string_view::npos)
      pos = text.size();
    else
      pos += end + ((rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1);
    std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || comma == 0) continue;
    std::string reg = "第" + std::to_string(lineNo) + "行的寄存器";
    std::string value = "第" + std::to_string(lineNo) + "行的寄存器值";
    if (auto p = NumberFieldProblem(reg, line.substr(0, comma), 0xFF)) return p;
    if (auto p = NumberFieldProblem(value, line.substr(comma + 1), 0xFF)) return p;
  }
  return std::nullopt;
}

RegisterBlock WriteBlock(std::uint16_t device, std::uint16_t bus,
                         const std::vector<RegisterPair>& pairs) {
  RegisterBlock block{};
  qor::putU32(block, regblock::kSize, static_cast<std::uint32_t>(block.size()));
  qor::putU16(block, regblock::kDevice, device);
  std::size_t n = std::min(pairs.size(), regblock::kPairs);
  qor::putU16(block, regblock::kCount, static_cast<std::uint16_t>(n));
  qor::putU16(block, regblock::kBus, bus);
  for (std::size_t i = 0; i < n; ++i) {
    block[regblock::kRegisters + i] = pairs[i].reg;
    block[regblock::kValues + i] = pairs[i].value;
  }
  return block;
}

RegisterBlock ReadAllBlock(std::uint16_t device, std::uint16_t bus) {
  RegisterBlock block = WriteBlock(device, bus, {});
  qor::putU16(block, regblock::kCount, static_cast<std::uint16_t>(regblock::kPairs));
  return block;
}

std::vector<RegisterPair> BlockPairs(const RegisterBlock& block) {
  std::size_t n = std::min<std::size_t>(qor::getU16(block, regblock::kCount), regblock::kPairs);
  std::vector<RegisterPair> pairs(n);
  for (std::size_t i = 0; i < n; ++i)
    pairs[i] = {block[regblock::kRegisters + i], block[regblock::kValues + i]};
  return pairs;
}

RegisterDebug::RegisterDebug(RegisterPageKind kind, MaintenancePort& port, Notifier& notifier)
    : kind_(kind), port_(port), notifier_(notifier) {}

void RegisterDebug::initialUpdate(int deviceType) {
  if (kind_ == RegisterPageKind::I2c && (deviceType == 7 || deviceType == 11)) setWide(true);
}

void RegisterDebug::setWide(bool wide) {
  wide_ = wide && kind_ == RegisterPageKind::I2c;
  if (wide_) deviceText.clear();
}

std::optional<std::string> RegisterDebug::fieldProblem(bool write) const {
  const std::uint32_t max = wide_ ? 0xFFFF : 0xFF;
  if (!wide_)
    if (auto p = NumberFieldProblem("I2C地址", deviceText, 0xFFFF)) return p;
  if (auto p = NumberFieldProblem("寄存器", registerText, max)) return p;
  if (write)
    if (auto p = NumberFieldProblem("寄存器值", valueText, max)) return p;
  return std::nullopt;
}

void RegisterDebug::takeFields() {
  device_ = static_cast<std::uint16_t>(ParseNumber(deviceText));
  register_ = static_cast<std::uint16_t>(ParseNumber(registerText));
  value_ = static_cast<std::uint16_t>(ParseNumber(valueText));
  deviceText = NumberText(device_, wide_);
  registerText = NumberText(register_, wide_);
  valueText = NumberText(value_, wide_);
}

void RegisterDebug::fail(const char* format, int result) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, result);
  notifier_.message(buf, NoticeIcon::Error);
}

int RegisterDebug::writeSingle() {
  takeFields();
  int result;
  if (alt()) {
    result = port_.post(
        WriteBlock(device_, static_cast<std::uint16_t>(bus),
                   {{static_cast<std::uint8_t>(register_), static_cast<std::uint8_t>(value_)}}),
        true);
  } else if (wide_) {
    result = port_.setWord(register_, value_);
  } else {
    result = port_.setByte(device_, static_cast<std::uint8_t>(register_),
                           static_cast<std::uint8_t>(value_));
  }
  if (result != 0) fail("寄存器写入失败 = %d", result);
  return result;
}

int RegisterDebug::readSingle() {
  takeFields();
  int result;
  std::uint16_t value = 0;
  if (alt()) {
    RegisterBlock block = WriteBlock(device_, static_cast<std::uint16_t>(bus),
                                     {{static_cast<std::uint8_t>(register_), 0}});
    result = port_.exchange(block, true);
    value = block[regblock::kValues];
  } else if (wide_) {
    result = port_.queryWord(register_, value);
  } else {
    std::uint8_t byte = 0;
    result = port_.queryByte(device_, static_cast<std::uint8_t>(register_), byte);
    value = byte;
  }
  if (result != 0) {
    fail("寄存器读取失败 = %d", result);
    return result;
  }
  value_ = value;
  valueText = NumberText(value_, wide_);
  return 0;
}

int RegisterDebug::writeAll() {
  device_ = static_cast<std::uint16_t>(ParseNumber(deviceText));
  deviceText = NumberText(device_, false);
  std::vector<RegisterPair> pairs = ParseRegisterList(leftList);
  block_ = WriteBlock(device_, alt() ? static_cast<std::uint16_t>(bus) : 0, pairs);
  leftList = RegisterListText(pairs);
  if (pairs.empty()) {
    notifier_.message("输入数据格式有误或无任何数据", NoticeIcon::Error);
    return kNoPairs;
  }
  int result = port_.post(block_, alt());
  if (result != 0) fail("批量写入寄存器失败 = %d", result);
  return result;
}

int RegisterDebug::readAll() {
  takeFields();
  block_ = ReadAllBlock(device_, alt() ? static_cast<std::uint16_t>(bus) : 0);
  int result = port_.exchange(block_, alt());
  if (result != 0) {
    fail("批量获取寄存器失败 = %d", result);
    return result;
  }
  rightList = RegisterListText(BlockPairs(block_));
  return 0;
}

void RegisterDebug::copy() {
  leftList = rightList;
}

}  // namespace tav
