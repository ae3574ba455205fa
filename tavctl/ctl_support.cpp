#include "ctl_support.h"

#include <qorsdk.h>

#include <algorithm>
#include <ostream>

#include "commands.h"
#include "device/board.h"
#include "wire.h"

namespace tav::ctl {
namespace {

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsCombining(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint32_t> BoardAddress(std::string_view text, std::ostream& err) {
  std::uint32_t address = 0;
  if (!qor::parseIp(text, address) || address == 0 || address == 0xffffffffu) {
    err << "tavctl: '" << text << "' is not a board address (a.b.c.d)\n";
    return std::nullopt;
  }
  return address;
}

int RefreshStatusOrReport(CBoard& board, std::ostream& err) {
  const int result = board.RefreshStatus();
  if (result == 0) return kExitOk;
  ReportConfigFailure(err, board.AddressText(), "reading the status block (type 256)", result);
  return ExitForConfigResult(result);
}

int ExitForConfigResult(int result) {
  switch (result) {
    case QORSDK_CONFIG_OK:
      return kExitOk;
    // Refused at once, or nothing came back in time: nobody there to talk to.
    case QORSDK_CONFIG_CONNECT:
    case QORSDK_CONFIG_TRANSFER:
      return kExitNoAnswer;
    case QORSDK_CONFIG_BAD_ADDRESS:
      return kExitBadArguments;
    default:
      return kExitExchangeFailed;
  }
}

void ReportConfigFailure(std::ostream& err, std::string_view address, std::string_view what,
                         int result) {
  err << "tavctl: " << address << ": " << what << " failed: result " << result << " ("
      << QORSDK_ConfigResultText(result) << ")\n";
}

std::string HexText(qor::Bytes bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (high >= 0) return std::nullopt;  // a blank inside a byte
      continue;
    }
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(std::uint8_t(high << 4 | d));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    width += IsCombining(c) ? 0 : IsWide(c) ? 2 : 1;
  }
  return width;
}

std::string PrintableText(std::string_view utf8, bool keepLineFeeds) {
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c == '\n' && keepLineFeeds) {
      text += '\n';
    } else if (c < 0x20 || c == 0x7f) {
      text += '?';
    } else if (c == 0xC2 && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80) {
      text += '?';  // U+0080..U+009F: C1 controls, CSI among them
      ++i;
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

void PrintColumns(std::ostream& out, const std::vector<std::vector<std::string>>& cells) {
  // A board's name may carry control bytes; on a terminal they would move the cursor.
  auto rows = cells;
  for (auto& row : rows)
    for (auto& cell : row) cell = PrintableText(cell, false);
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size());
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

}  // namespace tav::ctl
