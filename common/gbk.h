#pragma once
// The boards speak code page 936 (GBK) in names and texts; the program speaks UTF-8.

#include <string>
#include <string_view>

namespace qor {

// Bytes that are not valid GBK become U+FFFD, so the result is always valid UTF-8.
std::string gbkToUtf8(std::string_view gbk);
// Characters GBK cannot hold become '?'.
std::string utf8ToGbk(std::string_view utf8);
// Replaces invalid UTF-8 sequences by U+FFFD.
std::string sanitizeUtf8(std::string_view text);

}  // namespace qor
