#pragma once
// How every page reads a number from an edit field: an integer with optional sign and
// surrounding blanks, nothing else. A field that does not parse is refused with kNotAnInteger.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tav {

inline constexpr const char* kNotAnInteger = "请输入一个整数。";

std::optional<std::int32_t> ParseIntegerField(std::string_view text);

}  // namespace tav
