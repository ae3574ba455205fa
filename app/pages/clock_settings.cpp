#include "pages/clock_settings.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "pages/field_text.h"

namespace tav {
namespace {

constexpr std::size_t kYear = 0, kMonth = 4, kDay = 8, kHour = 20, kMinute = 24, kSecond = 28;

}  // namespace

std::array<std::uint8_t, kClockBlockSize> EncodeClock(const ClockTime& t) {
  std::array<std::uint8_t, kClockBlockSize> block{};
  qor::putI32(block, kYear, t.year - 1900);
  qor::putI32(block, kMonth, t.month - 1);
  qor::putI32(block, kDay, t.day);
  qor::putI32(block, kHour, t.hour);
  qor::putI32(block, kMinute, t.minute);
  qor::putI32(block, kSecond, t.second);
  return block;
}

std::optional<ClockTime> DecodeClock(qor::Bytes block) {
  if (block.size() < kClockBlockSize) return std::nullopt;
  // Wide enough that any i32 the board sends stays a plain number.
  auto wide = [&](std::size_t off, std::int64_t add) {
    std::int64_t v = std::int64_t(qor::getI32(block, off)) + add;
    return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return ClockTime{wide(kYear, 1900), wide(kMonth, 1),  wide(kDay, 0),
                   wide(kHour, 0),    wide(kMinute, 0), wide(kSecond, 0)};
}

std::string ClockText(const ClockTime& t) {
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::optional<ClockTime> ParseClockText(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // YYYY-MM-DD HH:MM:SS, each part digits only.
  static constexpr std::array<std::pair<std::size_t, std::size_t>, 6> kParts{
      {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}}};
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  std::array<int, 6> v{};
  for (std::size_t i = 0; i < kParts.size(); ++i) {
    auto [at, n] = kParts[i];
    for (std::size_t k = at; k < at + n; ++k) {
      if (text[k] < '0' || text[k] > '9') return std::nullopt;
      v[i] = v[i] * 10 + (text[k] - '0');
    }
  }
  ClockTime t{v[0], v[1], v[2], v[3], v[4], v[5]};
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
      t.second > 60)
    return std::nullopt;
  return t;
}

ClockTime LocalClockNow() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  return ClockTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void ClockSettings::Show(const ClockTime& t) {
  form.fields = {std::to_string(t.year), std::to_string(t.month),  std::to_string(t.day),
                 std::to_string(t.hour), std::to_string(t.minute), std::to_string(t.second)};
}

std::optional<ClockTime> ClockSettings::Read() {
  std::array<int, 6> v{};
  for (std::size_t i = 0; i < v.size(); ++i) {
    auto n = ParseIntegerField(form.fields[i]);
    if (!n) {
      notifier_.message(kNotAnInteger, NoticeIcon::Warning);
      return std::nullopt;
    }
    v[i] = *n;
  }
  return ClockTime{v[0], v[1], v[2], v[3], v[4], v[5]};
}

ServiceStatus ClockSettings::ReadBoard(std::uint32_t address, ClockTime& time) {
  auto answer = ServiceRead(link_, address, service::kGetClock, service::kClockAnswer,
                            kClockBlockSize, limits);
  if (answer.status == ServiceStatus::Ok) time = *DecodeClock(answer.block);
  return answer.status;
}

ServiceStatus ClockSettings::WriteBoard(std::uint32_t address, const ClockTime& time) {
  return ServiceWrite(link_, address, service::kSetClock, EncodeClock(time), limits);
}

ServiceStatus ClockSettings::Get(std::uint32_t address) {
  ClockTime time;
  ServiceStatus status = ReadBoard(address, time);
  if (status == ServiceStatus::Ok) Show(time);
  ReportService(status, notifier_);
  return status;
}

ServiceStatus ClockSettings::Set(std::uint32_t address) {
  auto time = Read();
  if (!time) return ServiceStatus::Refused;
  ServiceStatus status = WriteBoard(address, *time);
  ReportService(status, notifier_);
  return status;
}

ServiceStatus ClockSettings::SetFromPc(std::uint32_t address) {
  Show(pcClock());
  return Set(address);
}

}  // namespace tav
