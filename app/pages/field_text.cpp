#include "pages/field_text.h"

#include <charconv>
#include <cstdint>

#include "resources/string_table.h"

namespace tav {

std::optional<std::int32_t> ParseIntegerField(std::string_view text) {
  auto wide = ParseWideIntegerField(text);
  if (!wide || *wide < INT32_MIN || *wide > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*wide);
}

std::optional<std::int64_t> ParseWideIntegerField(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string OutOfRangeText(std::string_view field, FieldRange range) {
  return std::string(field) + trText("：超出范围，请输入 ") + std::to_string(range.min) + "-" +
         std::to_string(range.max) + trText(" 之间的整数。");
}

ParsedAddress ParseAddressField(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  ParsedAddress parsed;
  std::uint32_t address = 0;
  bool tooLarge = false;
  for (int i = 0; i < 4; ++i) {
    std::size_t dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    if (part.empty() || part.size() > 3 ||
        part.find_first_not_of("0123456789") != std::string_view::npos)
      return parsed;
    unsigned octet = 0;
    std::from_chars(part.data(), part.data() + part.size(), octet);
    if (octet > 255) tooLarge = true;
    address |= std::uint32_t(octet & 0xff) << (8 * i);
    if (i < 3) {
      if (dot == std::string_view::npos) return parsed;
      text.remove_prefix(dot + 1);
    } else if (dot != std::string_view::npos) {
      return parsed;  // a fifth part
    }
  }
  parsed.entry = tooLarge ? AddressEntry::OctetTooLarge : AddressEntry::Complete;
  if (!tooLarge) parsed.address = address;
  return parsed;
}

std::string AddressEntryText(std::string_view field, AddressEntry entry) {
  if (entry == AddressEntry::OctetTooLarge)
    return std::string(field) + trText("：地址的每一段须在 0-255 之间，请重新输入。");
  return std::string(field) + trText("：地址不完整，请输入四段数字，如 192.168.18.235。");
}

}  // namespace tav
