#include "video/customer_timings.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>
#include <variant>

namespace tav {

std::array<std::uint8_t, 36> EncodeCustomerTiming(const CustomerTiming& t) {
  std::array<std::uint8_t, 36> r{};
  qor::putU32(r, 0, t.width);
  qor::putU32(r, 4, t.height);
  qor::putU32(r, 8, t.freq);
  qor::putU32(r, 12, t.clock);
  qor::putU16(r, 16, t.maxWidth);
  qor::putU16(r, 18, t.maxHeight);
  qor::putI16(r, 20, t.offsetHori);
  qor::putI16(r, 22, t.offsetVert);
  return r;
}

CustomerTiming DecodeCustomerTiming(qor::Bytes r) {
  CustomerTiming t;
  t.width = qor::getU32(r, 0);
  t.height = qor::getU32(r, 4);
  t.freq = qor::getU32(r, 8);
  t.clock = qor::getU32(r, 12);
  t.maxWidth = qor::getU16(r, 16);
  t.maxHeight = qor::getU16(r, 18);
  t.offsetHori = qor::getI16(r, 20);
  t.offsetVert = qor::getI16(r, 22);
  t.type = qor::getU32(r, 24);
  t.blockLength = qor::getU16(r, 28);
  t.vsyncWidth = qor::getU16(r, 30);
  t.lineCount = qor::getU16(r, 32);
  t.fieldLength = qor::getU16(r, 34);
  return t;
}

std::array<std::uint8_t, 16> EncodePicturePosition(const PicturePosition& p) {
  std::array<std::uint8_t, 16> r{};
  qor::putI32(r, 0, p.up);
  qor::putI32(r, 4, p.left);
  qor::putI32(r, 8, p.width);
  qor::putI32(r, 12, p.height);
  return r;
}

PicturePosition DecodePicturePosition(qor::Bytes r) {
  return {qor::getI32(r, 0), qor::getI32(r, 4), qor::getI32(r, 8), qor::getI32(r, 12)};
}

namespace {

constexpr std::string_view kValueKeys[] = {".width",    ".height",    ".freq",       ".clock",
                                           ".maxwidth", ".maxheight", ".offsetHori", ".offsetVert"};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// "<key>%[ \t]=%[ \t]" at `at`: the position after the blanks that follow '=', or nothing.
std::optional<std::size_t> matchKeyHead(std::string_view text, std::size_t at,
                                        std::string_view key) {
  if (text.substr(at, key.size()) != key) return std::nullopt;
  std::size_t i = at + key.size();
  std::size_t blanks = i;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i == blanks || i >= text.size() || text[i] != '=') return std::nullopt;
  blanks = ++i;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i == blanks) return std::nullopt;
  return i;
}

// ".name = WORD": the word, on the same line.
std::optional<std::string_view> matchName(std::string_view text, std::size_t dot) {
  auto start = matchKeyHead(text, dot, ".name");
  if (!start) return std::nullopt;
  std::size_t end = *start;
  while (end < text.size() && !isSpace(text[end])) ++end;
  if (end == *start) return std::nullopt;
  return text.substr(*start, end - *start);
}

enum class ValueMatch { Ok, WrongKey, OutOfRange };

// "<key> = %d": a decimal integer with an optional sign, on the same line.
ValueMatch matchValue(std::string_view text, std::size_t dot, std::string_view key,
                      std::int32_t& value) {
  auto start = matchKeyHead(text, dot, key);
  if (!start) return ValueMatch::WrongKey;
  std::size_t i = *start;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::size_t digits = i;
  std::int64_t v = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) overflow = true, v = 0;
  }
  if (i == digits) return ValueMatch::WrongKey;
  if (negative) v = -v;
  if (overflow || v > std::numeric_limits<std::int32_t>::max() ||
      v < std::numeric_limits<std::int32_t>::min())
    return ValueMatch::OutOfRange;
  value = static_cast<std::int32_t>(v);
  return ValueMatch::Ok;
}

std::size_t lineOf(std::string_view text, std::size_t at) {
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string lineText(std::string_view text, std::size_t start) {
  std::size_t end = text.find('\n', start);
  std::string line(text.substr(start, end == std::string_view::npos ? end : end - start));
  if (line.size() > 40) line = line.substr(0, 40) + "...";
  return line;
}

void store(CustomerTiming& t, std::size_t key, std::int32_t v) {
  switch (key) {
    case 0:
      t.width = static_cast<std::uint32_t>(v);
      break;
    case 1:
      t.height = static_cast<std::uint32_t>(v);
      break;
    case 2:
      t.freq = static_cast<std::uint32_t>(v);
      break;
    case 3:
      t.clock = static_cast<std::uint32_t>(v);
      break;
    case 4:
      t.maxWidth = static_cast<std::uint16_t>(v);
      break;
    case 5:
      t.maxHeight = static_cast<std::uint16_t>(v);
      break;
    case 6:
      t.offsetHori = static_cast<std::int16_t>(v);
      break;
    default:
      t.offsetVert = static_cast<std::int16_t>(v);
      break;
  }
}

// The eight value lines after the name line at `from`. On success `from` is the start of the
// last value line; otherwise the reason.
std::variant<CustomerTiming, std::string> readValues(std::string_view text, std::size_t& from) {
  CustomerTiming timing;
  std::size_t cur = from;
  for (std::size_t key = 0; key < std::size(kValueKeys); ++key) {
    const std::string_view name = kValueKeys[key];
    std::size_t dot = std::string_view::npos, lineStart = 0;
    while (dot == std::string_view::npos) {
      std::size_t brk = text.find('\n', cur);
      // A value line needs a line break with at least 8 characters after it.
      if (brk == std::string_view::npos || text.size() - (brk + 1) < 8)
        return "no \"" + std::string(name) + "\" line";
      lineStart = brk + 1;
      for (std::size_t i = lineStart; i < lineStart + 9 && i < text.size() && text[i] != '\n'; ++i)
        if (text[i] == '.') {
          dot = i;
          break;
        }
      cur = lineStart;
    }
    std::int32_t value = 0;
    switch (matchValue(text, dot, name, value)) {
      case ValueMatch::WrongKey:
        return "line " + std::to_string(lineOf(text, lineStart)) + " \"" +
               lineText(text, lineStart) + "\" where \"" + std::string(name) +
               " = NUMBER\" was expected";
      case ValueMatch::OutOfRange:
        return "line " + std::to_string(lineOf(text, lineStart)) + ": \"" + std::string(name) +
               "\" value out of range";
      case ValueMatch::Ok:
        store(timing, key, value);
        break;
    }
  }
  from = cur;
  return timing;
}

}  // namespace

CustomerTable ParseCustomerIni(std::string_view raw) {
  CustomerTable table;
  // Read as text: a CR LF pair is one line break; only the first 16384 bytes count.
  std::string buffer;
  buffer.reserve(std::min(raw.size(), kCustomerFileLimit));
  for (std::size_t i = 0; i < raw.size() && buffer.size() < kCustomerFileLimit; ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    buffer.push_back(raw[i]);
  }
  table.truncated = buffer.size() == kCustomerFileLimit && raw.size() > kCustomerFileLimit;
  const std::string_view text = buffer;

  std::size_t p = 0;
  while (p < text.size()) {
    const std::size_t dot = text.find('.', p);
    if (dot == std::string_view::npos) break;
    // The name's prefix is a run of at least one character other than '.'.
    auto word = dot > p ? matchName(text, dot) : std::nullopt;
    if (!word) {
      p = dot > p ? dot : p + 1;
      continue;
    }
    std::size_t cur = dot;
    auto values = readValues(text, cur);
    if (auto* reason = std::get_if<std::string>(&values)) {
      table.dropped.push_back({lineOf(text, dot), std::string(*word), *reason});
      p = dot + 1;
      continue;
    }
    if (table.entries.size() >= kCustomerTableSize) {
      table.full = true;
      table.dropped.push_back({lineOf(text, dot), std::string(*word), "table full (16 entries)"});
    } else {
      std::string name(*word);
      if (name.size() > kCustomerNameLimit)
        name = "Customer" + std::to_string(table.entries.size());
      table.entries.push_back({std::move(name), std::get<CustomerTiming>(values)});
    }
    p = cur;
  }
  return table;
}

LoadedCustomerTable LoadCustomerTable(const std::filesystem::path& workingDir,
                                      const std::filesystem::path& fallbackDir) {
  LoadedCustomerTable loaded;
  for (const auto& dir : {workingDir, fallbackDir}) {
    if (dir.empty()) continue;
    std::filesystem::path path = dir / kCustomerFileName;
    std::ifstream file(path, std::ios::binary);
    if (!file) continue;
    std::string bytes(kCustomerFileLimit + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    loaded.path = path;
    loaded.table = ParseCustomerIni(bytes);
    break;
  }
  return loaded;
}

std::string LoadedTableNote(const LoadedCustomerTable& loaded) {
  if (loaded.path.empty()) return "未找到 customer.ini";
  std::string note = "已读取 " + loaded.path.string() + "，保留 " +
                     std::to_string(loaded.table.entries.size()) + " 项";
  if (!loaded.table.dropped.empty())
    note += "，舍弃 " + std::to_string(loaded.table.dropped.size()) + " 项";
  return note;
}

}  // namespace tav
