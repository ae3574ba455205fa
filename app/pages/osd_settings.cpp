#include "pages/osd_settings.h"

#include <algorithm>

#include "gbk.h"
#include "pages/field_text.h"

namespace tav {
namespace {

// Descriptor offsets.
constexpr std::size_t kShown = 4, kX = 12, kY = 16, kText = 20, kLength = 148, kTransparency = 152,
                      kColour = 156, kScale = 160, kBackground = 164;

void PutDescriptor(qor::MutBytes b, std::size_t at, const OverlayDescriptor& d) {
  qor::putU32(b, at + kShown, d.shown ? 1 : 0);
  qor::putI32(b, at + kX, d.x);
  qor::putI32(b, at + kY, d.y);
  const std::size_t units = std::min(d.text.size(), kOverlayTextUnits);
  for (std::size_t i = 0; i < units; ++i) qor::putU16(b, at + kText + 2 * i, d.text[i]);
  qor::putU32(b, at + kLength, units == 0 ? 0 : static_cast<std::uint32_t>(units + 1));
  qor::putI32(b, at + kTransparency, d.transparency);
  qor::putI32(b, at + kColour, d.colour);
  qor::putI32(b, at + kScale, d.scale);
  qor::putI32(b, at + kBackground, d.background);
}

OverlayDescriptor GetDescriptor(qor::Bytes b, std::size_t at) {
  OverlayDescriptor d;
  d.shown = qor::getU32(b, at + kShown) != 0;
  d.x = qor::getI32(b, at + kX);
  d.y = qor::getI32(b, at + kY);
  for (std::size_t i = 0; i < kOverlayTextUnits; ++i) {
    char16_t unit = qor::getU16(b, at + kText + 2 * i);
    if (unit == 0) break;
    d.text.push_back(unit);
  }
  d.transparency = qor::getI32(b, at + kTransparency);
  d.colour = qor::getI32(b, at + kColour);
  d.scale = qor::getI32(b, at + kScale);
  d.background = qor::getI32(b, at + kBackground);
  return d;
}

// Code points of a UTF-8 text; invalid sequences give U+FFFD.
std::u32string CodePoints(std::string_view utf8) {
  const std::string clean = qor::sanitizeUtf8(utf8);
  std::u32string out;
  for (std::size_t i = 0; i < clean.size();) {
    unsigned char c = static_cast<unsigned char>(clean[i]);
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n && i + k < clean.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(clean[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

const std::vector<std::string>& OverlayChannelNames() {
  static const std::vector<std::string> names{"通道1", "通道2", "通道3"};
  return names;
}

const std::vector<std::string>& OverlayColourNames() {
  // The list sorts its entries: 黑 (hei) before 红 (hong), as in code page 936.
  static const std::vector<std::string> names{"黑色", "黑色", "黑色", "红色", "红色", "红色"};
  return names;
}

std::array<std::uint8_t, kOverlayBlockSize> EncodeOverlay(const OverlayBlock& block) {
  std::array<std::uint8_t, kOverlayBlockSize> bytes{};
  qor::putU32(bytes, 4, block.channel);
  PutDescriptor(bytes, kChannelTextAt, block.channelText);
  PutDescriptor(bytes, kTimeTextAt, block.time);
  return bytes;
}

std::optional<OverlayBlock> DecodeOverlay(qor::Bytes block) {
  if (block.size() < kOverlayBlockSize) return std::nullopt;
  return OverlayBlock{qor::getU32(block, 4), GetDescriptor(block, kChannelTextAt),
                      GetDescriptor(block, kTimeTextAt)};
}

std::optional<std::u16string> OverlayUnits(std::string_view utf8) {
  std::u16string units;
  for (char32_t cp : CodePoints(utf8)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(cp));
    }
    if (units.size() > kOverlayTextUnits) return std::nullopt;
  }
  return units;
}

std::string OverlayText(std::u16string_view units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

void OsdSettings::Show(const OverlayBlock& block) {
  shown_ = block;
  form.channel =
      block.channel < OverlayChannelNames().size() ? static_cast<int>(block.channel) : -1;
  auto column = [](OverlayFields& f, const OverlayDescriptor& d) {
    f.shown = d.shown;
    f.text = OverlayText(d.text);
    f.transparency = std::to_string(d.transparency);
    f.background = std::to_string(d.background);
    f.x = std::to_string(d.x);
    f.y = std::to_string(d.y);
    f.scale = std::to_string(d.scale);
    f.colour = d.colour >= 0 && static_cast<std::size_t>(d.colour) < OverlayColourNames().size()
                   ? d.colour
                   : -1;
  };
  column(form.time, block.time);
  column(form.channelText, block.channelText);
}

void OsdSettings::Defaults() {
  form.channel = 0;
  form.time = OverlayFields{true, "时间", "0", "100", "0", "0", "100", 0};
  form.channelText = OverlayFields{true, "通道", "0", "100", "100", "0", "100", 0};
}

std::optional<OverlayDescriptor> OsdSettings::ReadColumn(const OverlayFields& f,
                                                         const OverlayDescriptor& before) {
  OverlayDescriptor d;
  d.shown = f.shown;
  const std::pair<const std::string*, std::int32_t*> numbers[] = {
      {&f.transparency, &d.transparency},
      {&f.background, &d.background},
      {&f.x, &d.x},
      {&f.y, &d.y},
      {&f.scale, &d.scale}};
  for (auto [text, value] : numbers) {
    auto n = ParseIntegerField(*text);
    if (!n) {
      notifier_.message(kNotAnInteger, NoticeIcon::Warning);
      return std::nullopt;
    }
    *value = *n;
  }
  // A list without a selection (the board's value is not in it) sends the board's value back.
  d.colour = f.colour < 0 ? before.colour : f.colour;
  if (f.text == OverlayText(before.text)) {
    d.text = before.text;  // the board's own units, untouched
  } else if (auto units = OverlayUnits(f.text)) {
    d.text = *units;
  } else {
    notifier_.message(kOverlayTextTooLong, NoticeIcon::Warning);
    return std::nullopt;
  }
  return d;
}

std::optional<OverlayBlock> OsdSettings::Read() {
  OverlayBlock block;
  block.channel = form.channel < 0 ? shown_.channel : static_cast<std::uint32_t>(form.channel);
  auto time = ReadColumn(form.time, shown_.time);
  if (!time) return std::nullopt;
  auto channelText = ReadColumn(form.channelText, shown_.channelText);
  if (!channelText) return std::nullopt;
  block.time = *time;
  block.channelText = *channelText;
  return block;
}

ServiceStatus OsdSettings::ReadBoard(std::uint32_t address, OverlayBlock& block) {
  auto answer = ServiceRead(link_, address, service::kGetOverlay, service::kOverlayAnswer,
                            kOverlayBlockSize, limits);
  if (answer.status == ServiceStatus::Ok) block = *DecodeOverlay(answer.block);
  return answer.status;
}

ServiceStatus OsdSettings::WriteBoard(std::uint32_t address, const OverlayBlock& block) {
  return ServiceWrite(link_, address, service::kSetOverlay, EncodeOverlay(block), limits);
}

ServiceStatus OsdSettings::Get(std::uint32_t address) {
  OverlayBlock block;
  ServiceStatus status = ReadBoard(address, block);
  if (status == ServiceStatus::Ok) Show(block);
  ReportService(status, notifier_);
  return status;
}

ServiceStatus OsdSettings::Set(std::uint32_t address) {
  auto block = Read();
  if (!block) return ServiceStatus::Refused;
  ServiceStatus status = WriteBoard(address, *block);
  ReportService(status, notifier_, "修改成功");
  return status;
}

}  // namespace tav
