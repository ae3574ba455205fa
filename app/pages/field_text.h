#pragma once
// How every page reads a number from an edit field: an integer with optional sign and
// surrounding blanks, nothing else. A field that does not parse is refused with kNotAnInteger.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

inline constexpr const char* kNotAnInteger = "请输入一个整数。";

std::optional<std::int32_t> ParseIntegerField(std::string_view text);
// The same form read as 64 bits, for fields wider than a signed 32-bit value (u32 sizes) and
// for telling a number that is too large from text that is no number.
std::optional<std::int64_t> ParseWideIntegerField(std::string_view text);

// The values a number field may take: what its record field holds, narrowed further where the
// boards only make sense of less (frame rate, ports...).
struct FieldRange {
  std::int64_t min;
  std::int64_t max;
  bool contains(std::int64_t v) const { return v >= min && v <= max; }
};
inline constexpr FieldRange kPortRange{0, 65535};

// The refusal of a value outside its range, naming the field and the range; nothing is sent.
std::string OutOfRangeText(std::string_view field, FieldRange range);

// A dotted IPv4 address as typed in an address field.
enum class AddressEntry { Complete, Incomplete, OctetTooLarge };
struct ParsedAddress {
  AddressEntry entry = AddressEntry::Incomplete;
  std::uint32_t address = 0;  // as on the wire (first octet lowest byte); set when Complete
};
// Complete only with four parts of 1..3 digits, each 0..255.
ParsedAddress ParseAddressField(std::string_view text);
// The refusal of an address that is not complete or has an octet above 255, naming the field.
std::string AddressEntryText(std::string_view field, AddressEntry entry);

}  // namespace tav
