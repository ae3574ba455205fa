#include "debug/edid_tools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "device/board_link.h"
#include "device/notifier.h"
#include "le_bytes.h"
#include "resources/string_table.h"

namespace tav {
namespace {

constexpr std::size_t kMaxField = 7;
// The lock command has no answer: a board that serves connections in parallel may take the
// re-read first if it comes 1 ms later, and the caption would show the old state.
constexpr std::chrono::milliseconds kLockRereadDelay{50};
// Clear and copy are answered, so the board is done with them when the re-read starts.
constexpr std::chrono::milliseconds kRereadDelay{1};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// strtol's reading of a short field: blanks, a sign, then digits of `base` (0: from the prefix).
long ReadInteger(std::string_view s, int base) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (base == 0) {
    if (i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        DigitValue(s[i + 2]) < 16) {
      base = 16;
      i += 2;
    } else if (i < s.size() && s[i] == '0') {
      base = 8;
    } else {
      base = 10;
    }
  }
  unsigned long value = 0;
  for (; i < s.size() && DigitValue(s[i]) < base; ++i) value = value * base + DigitValue(s[i]);
  return negative ? -static_cast<long>(value) : static_cast<long>(value);
}

std::string Format(const char* format, int value) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

// One 18-byte detailed timing descriptor; nothing for a display descriptor (clock 0).
std::optional<EdidTiming> DetailedTiming(qor::Bytes d) {
  if (d.size() < 18) return std::nullopt;
  std::uint32_t clock = qor::getU16(d, 0);
  if (clock == 0) return std::nullopt;
  EdidTiming t;
  t.pixelClockKHz = clock * 10;
  t.hActive = d[2] | ((d[4] & 0xF0) << 4);
  t.hBlank = d[3] | ((d[4] & 0x0F) << 8);
  t.vActive = d[5] | ((d[7] & 0xF0) << 4);
  t.vBlank = d[6] | ((d[7] & 0x0F) << 8);
  t.hFrontPorch = d[8] | ((d[11] & 0xC0) << 2);
  t.hSync = d[9] | ((d[11] & 0x30) << 4);
  t.vFrontPorch = (d[10] >> 4) | ((d[11] & 0x0C) << 2);
  t.vSync = (d[10] & 0x0F) | ((d[11] & 0x03) << 4);
  t.interlaced = (d[17] & 0x80) != 0;
  if ((d[17] & 0x18) == 0x18) {
    t.vSyncPositive = (d[17] & 0x04) != 0;
    t.hSyncPositive = (d[17] & 0x02) != 0;
  }
  return t;
}

// A descriptor's text: up to 13 characters, ended by LF, trailing blanks dropped; anything but
// printable ASCII becomes '?', so board bytes never reach a label as control characters.
std::string DescriptorText(qor::Bytes d) {
  std::string text;
  for (std::size_t i = 5; i < 18 && i < d.size() && d[i] != 0x0A; ++i)
    text += (d[i] >= 0x20 && d[i] < 0x7F) ? static_cast<char>(d[i]) : '?';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

bool BlockSumsToZero(qor::Bytes block) {
  unsigned sum = 0;
  for (std::uint8_t b : block) sum += b;
  return sum % 256 == 0;
}

}  // namespace

std::string EdidCommandText(std::string_view word) {
  return std::string(word) + ";";
}

std::optional<std::string_view> AnswerField(std::string_view answer, std::size_t at) {
  if (at >= answer.size()) return std::nullopt;
  std::size_t end = answer.find(';', at);
  if (end == std::string_view::npos) return std::nullopt;
  std::size_t length = end - at;
  if (length < 1 || length > kMaxField) return std::nullopt;
  return answer.substr(at, length);
}

long DecimalValue(std::string_view field) {
  return ReadInteger(field, 10);
}
long LiteralValue(std::string_view field) {
  return ReadInteger(field, 0);
}

AnswerCode ParseCodeAnswer(std::string_view answer, std::string_view word) {
  AnswerCode out;
  if (!answer.starts_with(word)) return out;
  out.wordMatched = true;
  if (auto field = AnswerField(answer, word.size())) out.code = DecimalValue(*field);
  return out;
}

EdidAnswer ParseEdidAnswer(std::string_view answer, std::string_view word) {
  EdidAnswer out;
  if (!answer.starts_with(word)) return out;
  out.wordMatched = true;
  for (std::size_t i = 0; i < out.bytes.size(); ++i) {
    auto field = AnswerField(answer, word.size() + 5 * i);
    if (!field) break;
    out.bytes[i] = static_cast<std::uint8_t>(LiteralValue(*field) & 0xFF);
    out.converted = i + 1;
  }
  return out;
}

std::string EdidText(const EdidBytes& bytes) {
  std::string text;
  text.reserve(32 * 42);
  char buf[8];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0 && i % 8 == 0) text += "\r\n";
    std::snprintf(buf, sizeof buf, "0x%02x;", bytes[i]);
    text += buf;
  }
  return text;
}

double EdidTiming::refreshHz() const {
  double total = double(hActive + hBlank) * double(vActive + vBlank);
  return total > 0 ? pixelClockKHz * 1000.0 / total : 0.0;
}

EdidSummary DecodeEdid(const EdidBytes& e) {
  EdidSummary s;
  static constexpr std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  s.headerValid = std::equal(kHeader, kHeader + 8, e.begin());
  std::uint16_t id = static_cast<std::uint16_t>((e[8] << 8) | e[9]);
  for (int shift : {10, 5, 0}) {
    int letter = (id >> shift) & 0x1F;
    s.manufacturer += (letter >= 1 && letter <= 26) ? static_cast<char>('A' + letter - 1) : '?';
  }
  qor::Bytes all(e);
  s.productCode = qor::getU16(all, 10);
  s.serialNumber = qor::getU32(all, 12);
  s.week = e[16];
  s.year = e[17] + 1990;
  s.version = e[18];
  s.revision = e[19];
  for (std::size_t at = 54; at < 126; at += 18) {
    qor::Bytes d = all.subspan(at, 18);
    if (auto t = DetailedTiming(d)) {
      if (at == 54) s.preferred = t;
      continue;
    }
    if (d[0] != 0 || d[1] != 0 || d[2] != 0) continue;
    if (d[3] == 0xFC) s.monitorName = DescriptorText(d);
    if (d[3] == 0xFF) s.serialText = DescriptorText(d);
  }
  s.extensions = e[126];
  s.baseChecksumValid = BlockSumsToZero(all.subspan(0, 128));
  if (s.extensions >= 1) {
    qor::Bytes ext = all.subspan(128, 128);
    s.extensionChecksumValid = BlockSumsToZero(ext);
    // CTA-861: detailed timings from the offset in byte 2 up to the checksum byte.
    if (ext[0] == 0x02 && ext[2] >= 4 && ext[2] < 127) {
      for (std::size_t at = ext[2]; at + 18 <= 127; at += 18) {
        auto t = DetailedTiming(ext.subspan(at, 18));
        if (!t) break;
        s.ctaTimings.push_back(*t);
      }
    }
  }
  return s;
}

std::string TimingText(const EdidTiming& t) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%dx%d%c %.2f Hz, %.2f MHz", t.hActive,
                t.interlaced ? t.vActive * 2 : t.vActive, t.interlaced ? 'i' : 'p', t.refreshHz(),
                t.pixelClockKHz / 1000.0);
  return buf;
}

std::string EdidSummaryText(const EdidSummary& s) {
  std::vector<std::string> lines;
  char buf[160];
  if (!s.headerValid) lines.emplace_back("EDID头无效（应为00 ff ff ff ff ff ff 00）");
  lines.push_back("厂商：" + s.manufacturer);
  std::snprintf(buf, sizeof buf, "产品代码：0x%04x", s.productCode);
  lines.emplace_back(buf);
  std::snprintf(buf, sizeof buf, "序列号：%u", s.serialNumber);
  lines.emplace_back(buf);
  if (!s.serialText.empty()) lines.push_back("序列号文本：" + s.serialText);
  if (s.week == 255)
    std::snprintf(buf, sizeof buf, "型号年份：%d", s.year);
  else if (s.week == 0)
    std::snprintf(buf, sizeof buf, "生产日期：%d年", s.year);
  else
    std::snprintf(buf, sizeof buf, "生产日期：%d年第%d周", s.year, s.week);
  lines.emplace_back(buf);
  std::snprintf(buf, sizeof buf, "EDID版本：%d.%d", s.version, s.revision);
  lines.emplace_back(buf);
  lines.push_back("首选时序：" + (s.preferred ? TimingText(*s.preferred) : std::string("无")));
  lines.push_back("显示器名称：" + (s.monitorName.empty() ? std::string("无") : s.monitorName));
  for (const EdidTiming& t : s.ctaTimings) lines.push_back("CTA-861时序：" + TimingText(t));
  if (s.baseChecksumValid)
    lines.emplace_back("校验和：基本块正确");
  else
    lines.emplace_back("校验和错误：基本块的校验和不对，EDID数据无效！");
  if (s.extensionChecksumValid) {
    if (*s.extensionChecksumValid)
      lines.emplace_back("校验和：扩展块正确");
    else
      lines.emplace_back("校验和错误：扩展块的校验和不对！");
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

EdidTool::EdidTool(BoardLink& link, std::string address, Notifier& notifier)
    : link_(link), address_(std::move(address)), notifier_(notifier), caption_(str(kStrLockEdid)) {}

int EdidTool::exchangeText(std::string_view word, std::string& answer) {
  std::vector<std::uint8_t> buffer(kEdidTextBuffer, 0);
  std::string command = EdidCommandText(word);
  std::copy(command.begin(), command.end(), buffer.begin());
  int result = link_.getConfig(address_, kEdidTextType, buffer);
  if (result != 0) return result;
  buffer.back() = 0;
  answer.assign(reinterpret_cast<const char*>(buffer.data()));
  return 0;
}

EdidOutcome EdidTool::show(EdidStatus status, int result, std::string message) {
  if (!message.empty())
    notifier_.message(message,
                      status == EdidStatus::Done ? NoticeIcon::Information : NoticeIcon::Error);
  return {status, result, std::move(message)};
}

EdidOutcome EdidTool::readLockState() {
  std::string answer;
  int result = exchangeText(kEdidReadLock, answer);
  if (result != 0)
    return show(EdidStatus::ExchangeFailed, result,
                Format("获取EDID状态失败；错误号=%d！", result));
  AnswerCode code = ParseCodeAnswer(answer, kEdidLockAnswer);
  if (!code.wordMatched)
    return show(EdidStatus::UnknownCommand, 0, "获取EDID状态失败；未知接收命令！");
  if (!code.code) return show(EdidStatus::UnknownData, 0, "获取EDID状态失败；未知接收数据！");
  setLockFlag(*code.code);
  ++lockReads_;
  return {EdidStatus::Done, 0, {}};
}

void EdidTool::setLockFlag(long flag) {
  lockFlag_ = flag;
  caption_ = str(lockFlag_ != 0 ? 293 : 292);
}

EdidOutcome EdidTool::toggleLock() {
  bool unlocking = lockFlag_ != 0;
  std::string text = EdidCommandText(unlocking ? kEdidUnlock : kEdidLock);
  std::vector<std::uint8_t> record(text.begin(), text.end());
  record.push_back(0);
  int result = link_.setConfig(address_, kEdidCommandType, record);
  if (result != 0)
    return show(
        EdidStatus::ExchangeFailed, result,
        Format(unlocking ? "解锁EDID失败；错误号=%d！" : "锁定EDID失败；错误号=%d！", result));
  std::this_thread::sleep_for(kLockRereadDelay);
  return readLockState();
}

EdidOutcome EdidTool::codeCommand(std::string_view word, bool copy) {
  EdidOutcome outcome;
  std::string answer;
  int result = exchangeText(word, answer);
  if (result != 0) {
    outcome = show(EdidStatus::ExchangeFailed, result,
                   Format(copy ? "设置失败！错误号=%d" : "清空EDID失败！错误号=%d", result));
  } else if (AnswerCode code = ParseCodeAnswer(answer, kEdidErrorAnswer); !code.wordMatched) {
    outcome = show(EdidStatus::UnknownCommand, 0,
                   copy ? "设置失败；未知接收命令！" : "清空EDID失败；未知接收命令！");
  } else if (!code.code) {
    outcome = {EdidStatus::UnknownData, 0, {}};  // the page shows nothing here
  } else {
    int c = static_cast<int>(*code.code);
    if (!copy && c == 3)
      outcome = show(EdidStatus::BoardRefused, c, "清空EDID失败！");
    else if (copy && c == 1)
      outcome = show(EdidStatus::BoardRefused, c, "读取外设EDID失败！");
    else if (copy && c == 2)
      outcome = show(EdidStatus::BoardRefused, c, "写入EDID失败！");
    else
      outcome = show(EdidStatus::Done, c, "设置成功！");
  }
  std::this_thread::sleep_for(kRereadDelay);
  readLockState();
  return outcome;
}

EdidOutcome EdidTool::clear() {
  return codeCommand(kEdidClear, false);
}
EdidOutcome EdidTool::copyMonitor() {
  return codeCommand(kEdidCopyMonitor, true);
}

EdidOutcome EdidTool::readEdid(std::string_view word, std::string_view answerWord) {
  std::string answer;
  int result = exchangeText(word, answer);
  if (result != 0)
    return show(EdidStatus::ExchangeFailed, result, Format("获取失败！错误号=%d", result));
  EdidAnswer parsed = ParseEdidAnswer(answer, answerWord);
  if (!parsed.wordMatched) return show(EdidStatus::UnknownCommand, 0, "获取失败；未知接收命令！");
  edid_ = parsed.bytes;
  edidText_ = EdidText(parsed.bytes);
  summaryText_ = EdidSummaryText(DecodeEdid(parsed.bytes));
  if (!parsed.complete()) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "EDID不完整：只收到%zu个值（共256个）\r\n", parsed.converted);
    summaryText_ = buf + summaryText_;
    return show(EdidStatus::UnknownData, 0, "获取失败；未知接收数据！");
  }
  return {EdidStatus::Done, 0, {}};
}

EdidOutcome EdidTool::readBoardEdid() {
  return readEdid(kEdidReadBoard, kEdidBoardAnswer);
}
EdidOutcome EdidTool::readMonitorEdid() {
  return readEdid(kEdidReadMonitor, kEdidMonitorAnswer);
}

}  // namespace tav
