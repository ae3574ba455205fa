#pragma once
// CRightView17 (时间设置) without a display: the board's clock read and set over the service
// commands, the six edits as texts, and "按当前时间设置" from the PC's local time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "pages/service_exchange.h"

namespace tav {

inline constexpr std::size_t kClockBlockSize = 40;

// A calendar time as people write it (month 1-12, full year).
struct ClockTime {
  int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const ClockTime&) const = default;
};

// Year - 1900 at 0, month - 1 at 4, day at 8, hour, minute, second at 20, 24, 28; the
// reserved bytes 0.
std::array<std::uint8_t, kClockBlockSize> EncodeClock(const ClockTime& time);
// Nothing unless the block holds all 40 bytes.
std::optional<ClockTime> DecodeClock(qor::Bytes block);
// "2015-03-07 08:09:10"; Parse takes the same form (blanks around it allowed).
std::string ClockText(const ClockTime& time);
std::optional<ClockTime> ParseClockText(std::string_view text);
// The PC's local time now.
ClockTime LocalClockNow();

// The six edits: 年 月 日 时 分 秒.
struct ClockForm {
  std::array<std::string, 6> fields;
};

class ClockSettings {
 public:
  ClockSettings(BoardLink& link, Notifier& notifier) : link_(link), notifier_(notifier) {}

  ClockForm form;
  // "按当前时间设置" reads this; tests put a fixed time here.
  std::function<ClockTime()> pcClock = LocalClockNow;
  ServiceLimits limits;

  void Show(const ClockTime& time);
  // The edits as a time; a field that is not an integer is refused with kNotAnInteger.
  std::optional<ClockTime> Read();

  // "获取时间": fills the edits from the board.
  ServiceStatus Get(std::uint32_t address);
  // "设置时间": sends the edits; a successful set shows nothing.
  ServiceStatus Set(std::uint32_t address);
  // "按当前时间设置": the edits take the PC's time, then Set.
  ServiceStatus SetFromPc(std::uint32_t address);

  // The exchanges alone, for tavctl.
  ServiceStatus ReadBoard(std::uint32_t address, ClockTime& time);
  ServiceStatus WriteBoard(std::uint32_t address, const ClockTime& time);

 private:
  BoardLink& link_;
  Notifier& notifier_;
};

}  // namespace tav
