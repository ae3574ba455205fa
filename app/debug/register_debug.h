#pragma once
// Register and i2c debug pages without a display: RVdebug ("i2c调试": port 8068, bus 0, 16-bit
// registers on SPI boards) and RVComDebug ("通用i2c调试": port 8070 with a bus choice). Number
// input, register lists, register blocks and the pages' actions over a MaintenancePort.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/board.h"
#include "device/tcp_channel.h"

namespace tav {

class MaintenancePort;
class Notifier;

// "0x" and hexadecimal digits (any other character counts as 0), else a decimal integer as
// atoi reads it (blanks, sign, digits up to the first other character; nothing gives 0).
std::uint32_t ParseNumber(std::string_view text);
std::string NumberText(std::uint32_t value, bool wide);  // "0x%02x" or "0x%04x"

// A message naming the field and its range when `text` is not a number in the input form
// (blanks around it allowed) or is above `max`; nothing when it is fine.
std::optional<std::string> NumberFieldProblem(std::string_view field, std::string_view text,
                                              std::uint32_t max);

struct RegisterPair {
  std::uint8_t reg = 0;
  std::uint8_t value = 0;
  bool operator==(const RegisterPair&) const = default;
};
// Lines "register,value" in the number input form; lines without ',' or starting with it are
// skipped; CR LF, a lone CR or a lone LF end a line. At most 256 pairs, the rest is ignored.
std::vector<RegisterPair> ParseRegisterList(std::string_view text);
std::string RegisterListText(const std::vector<RegisterPair>& pairs);
// The first line with a ',' whose register or value is not a number of 0 to 0xff, as a message
// naming the line; nothing when every such line is fine.
std::optional<std::string> RegisterListProblem(std::string_view text);  // "0x%02x,0x%02x\r\n" each

RegisterBlock WriteBlock(std::uint16_t device, std::uint16_t bus,
                         const std::vector<RegisterPair>& pairs);
RegisterBlock ReadAllBlock(std::uint16_t device, std::uint16_t bus);  // n = 256
// The pairs of an answer block; a count beyond 256 is taken as 256.
std::vector<RegisterPair> BlockPairs(const RegisterBlock& block);

enum class RegisterPageKind {
  I2c,      // RVdebug
  General,  // RVComDebug
};

// One of the two pages; the texts are the fields as the user typed them.
class RegisterDebug {
 public:
  RegisterDebug(RegisterPageKind kind, MaintenancePort& port, Notifier& notifier);

  // RVdebug on device types 7 and 11: 16-bit registers, the address field cleared and disabled.
  void initialUpdate(int deviceType);
  void setWide(bool wide);  // tavctl's --16

  std::string deviceText = "0x42";
  std::string registerText = "0x10";
  std::string valueText;
  std::string leftList, rightList;
  int bus = 0;  // RVComDebug: 0, 1 or 2

  bool wide() const { return wide_; }
  bool deviceFieldEnabled() const { return !wide_; }
  std::uint16_t device() const { return device_; }
  std::uint16_t reg() const { return register_; }
  std::uint16_t value() const { return value_; }

  // What is wrong with the fields an action takes (the value only for a write); checked before
  // anything is sent so a typed number is never cut to fit its field.
  std::optional<std::string> fieldProblem(bool write) const;
  void takeFields();  // parse the three fields and show them back
  int writeSingle();  // "写入"
  int readSingle();   // "读出"; the value is shown in valueText
  // "写入所有": 0 sent; kNoPairs when the list held no pair (nothing sent); else the result.
  static constexpr int kNoPairs = 1;
  int writeAll();
  int readAll();  // "读出所有": the right list shows the answer
  void copy();    // "<-- 复制"

 private:
  bool alt() const { return kind_ == RegisterPageKind::General; }
  void fail(const char* format, int result);

  RegisterPageKind kind_;
  MaintenancePort& port_;
  Notifier& notifier_;
  bool wide_ = false;
  std::uint16_t device_ = 0, register_ = 0, value_ = 0;
  RegisterBlock block_{};
};

}  // namespace tav
