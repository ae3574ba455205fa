#include "upgrade/upgrade_package.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>

#include "gbk.h"
#include "le_bytes.h"

namespace tav::upgrade {
namespace {

struct TypeName {
  std::int32_t type;
  const char* singleBoard;
  const char* batch;
};
constexpr TypeName kTypeNames[] = {
    {1, "编码", "HDMI编码"},   {2, "解码", "未知"},        {3, "VGA编码", "VGA编码"},
    {4, "VGA解码", "VGA解码"}, {7, "SDI 编码", "SDI编码"}, {9, "DVI 编码", "DVI编码"},
    {20, "T810", "未知"},      {21, "R810", "未知"},       {-1, "任意类型", "未知"},
};
constexpr char kUnknownType[] = "未知";

bool magicIs(std::span<const std::uint8_t> head, const char* magic) {
  const std::size_t n = std::strlen(magic) + 1;  // the NUL counts
  return qor::fits(head, kMagicOffset, n) && std::memcmp(head.data() + kMagicOffset, magic, n) == 0;
}

// The magic field as display text: valid UTF-8, control characters shown as '?'.
std::string magicText(std::span<const std::uint8_t> head) {
  std::string text = qor::gbkToUtf8(qor::getText(head, kMagicOffset, kMagicWidth));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

PackageHeader parseHeader(std::span<const std::uint8_t> head, HeaderKind kind) {
  const bool isShort = kind == HeaderKind::Short;
  const std::size_t slots = isShort ? kShortMaxComponents : kLongMaxComponents;
  const std::size_t lengthsAt = isShort ? kShortLengthsOffset : kLongLengthsOffset;
  PackageHeader h;
  h.read = kind;
  h.magic = magicText(head);
  h.boardType = qor::getI32(head, kTypeOffset);
  h.count = qor::getI32(head, kCountOffset);
  h.offsets.resize(slots);
  h.lengths.resize(slots);
  for (std::size_t i = 0; i < slots; ++i) {
    h.offsets[i] = qor::getU32(head, kOffsetsOffset + 4 * i);
    h.lengths[i] = qor::getU32(head, lengthsAt + 4 * i);
  }
  return h;
}

std::string format(const char* pattern, const std::string& a, int b, const std::string& c) {
  std::string out(std::strlen(pattern) + a.size() + c.size() + 16, '\0');
  int n = std::snprintf(out.data(), out.size(), pattern, a.c_str(), b, c.c_str());
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::string infoLine(const PackageHeader& h, PageKind page) {
  if (!h.valid) return kInfoNotStandard;
  const char* pattern = page == PageKind::SingleBoard
                            ? "文件信息:适用于[%s],更新文件数: %d, 长度:%s"
                            : "文件信息:适合 [%s] 使用,更新文件数 %d, 长度分别为:%s";
  return format(pattern, BoardTypeName(page, h.boardType), h.count, LengthList(h, page));
}

}  // namespace

std::string BoardTypeName(PageKind page, std::int32_t type) {
  for (const TypeName& t : kTypeNames)
    if (t.type == type) return page == PageKind::SingleBoard ? t.singleBoard : t.batch;
  return kUnknownType;
}

PackageHeader ToLongForm(const PackageHeader& s) {
  PackageHeader l = s;
  l.offsets.assign(kLongMaxComponents, 0);
  l.lengths.assign(kLongMaxComponents, 0);
  for (std::size_t i = 0; i < std::min(s.offsets.size(), kShortMaxComponents); ++i) {
    l.offsets[i] = s.offsets[i];
    l.lengths[i] = s.lengths[i];
  }
  return l;
}

std::string LengthList(const PackageHeader& h, PageKind page) {
  const std::size_t further =
      page == PageKind::SingleBoard ? kLongMaxComponents - 1 : kShortMaxComponents - 1;
  std::string list;
  if (h.lengths.empty()) return list;
  list = std::to_string(static_cast<std::int32_t>(h.lengths[0]));
  const std::size_t count = h.count > 1 ? static_cast<std::size_t>(h.count) : 1;
  const std::size_t end = std::min({count, further + 1, h.lengths.size()});
  for (std::size_t i = 1; i < end; ++i)
    list += " / " + std::to_string(static_cast<std::int32_t>(h.lengths[i]));
  return list;
}

PackageRead ReadPackage(std::span<const std::uint8_t> head, std::uint64_t fileLength,
                        PageKind page) {
  PackageRead r;
  r.fileLength = fileLength;
  r.infoLine = kInfoEmpty;
  if (fileLength < kShortHeaderSize) {
    r.tooShort = true;
    return r;
  }
  // What the page's reads would have returned: 204 bytes, then 1100 from the start.
  const auto first = head.first(std::min<std::size_t>(
      head.size(),
      static_cast<std::size_t>(std::min<std::uint64_t>(fileLength, kShortHeaderSize))));
  const auto whole = head.first(std::min<std::size_t>(
      head.size(), static_cast<std::size_t>(std::min<std::uint64_t>(fileLength, kLongHeaderSize))));
  const bool shortRead = first.size() == kShortHeaderSize;
  const std::uint32_t firstWord = qor::getU32(first, 0);

  if (page == PageKind::Batch) {
    if (!shortRead || firstWord != kShortHeaderSize) return r;
    r.header = parseHeader(first, HeaderKind::Short);
    r.header.valid = magicIs(first, kShortMagic);
    r.infoLine = infoLine(r.header, page);
    return r;
  }

  if (shortRead && firstWord == kShortHeaderSize && magicIs(first, kShortMagic)) {
    r.header = ToLongForm(parseHeader(first, HeaderKind::Short));
    r.header.valid = true;
  } else if (magicIs(first, kLongMagic)) {
    r.header = parseHeader(whole, HeaderKind::Long);
    r.header.valid = whole.size() == kLongHeaderSize && qor::getU32(whole, 0) == kLongHeaderSize;
  } else {
    r.header.magic = magicText(first);
  }
  r.infoLine = infoLine(r.header, page);
  return r;
}

PackageRead ReadPackageFile(const std::string& path, PageKind page) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    PackageRead r;
    r.openFailed = true;
    r.infoLine = kInfoEmpty;
    return r;
  }
  const std::streamoff size = file.tellg();
  std::vector<std::uint8_t> head(kLongHeaderSize);
  file.seekg(0);
  file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
  return ReadPackage(head, size > 0 ? static_cast<std::uint64_t>(size) : 0, page);
}

ComponentCheck CheckComponents(const PackageHeader& h, std::uint64_t fileLength) {
  ComponentCheck c;
  const std::size_t slots = std::min(h.offsets.size(), h.lengths.size());
  if (h.count < 0 || static_cast<std::size_t>(h.count) > slots) {
    c.refusal =
        "升级文件的文件数" + std::to_string(h.count) + "超出范围(0-" + std::to_string(slots) + ")";
    return c;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(h.count); ++i) {
    const std::uint32_t offset = h.offsets[i], length = h.lengths[i];
    const std::uint64_t end = std::uint64_t(offset) + length;
    std::string reason;
    if (offset < 1 || length < 1)
      reason = "偏移或长度小于1";
    else if (end > std::numeric_limits<std::uint32_t>::max())
      reason = "偏移加长度超出32位";
    else if (end > fileLength)
      reason = "超出文件末尾(文件长度" + std::to_string(fileLength) + ")";
    if (!reason.empty()) {
      c.components.clear();
      c.refusal = "升级文件的第" + std::to_string(i + 1) + "个文件(偏移" + std::to_string(offset) +
                  ", 长度" + std::to_string(length) + ")无法载入: " + reason;
      return c;
    }
    c.components.push_back({offset, length});
  }
  return c;
}

LoadedComponents LoadComponents(const std::string& path,
                                std::span<const ComponentSpan> components) {
  LoadedComponents out;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    out.refusal = "打开文件失败!";
    return out;
  }
  for (std::size_t i = 0; i < components.size(); ++i) {
    const ComponentSpan& c = components[i];
    auto refuse = [&](const std::string& reason) {
      out.data.clear();
      out.refusal = "升级文件的第" + std::to_string(i + 1) + "个文件(偏移" +
                    std::to_string(c.offset) + ", 长度" + std::to_string(c.length) +
                    ")无法载入: " + reason;
      return out;
    };
    std::vector<std::uint8_t> buffer;
    try {
      buffer.resize(c.length);
    } catch (const std::bad_alloc&) {
      return refuse("内存不足");
    }
    file.clear();
    file.seekg(static_cast<std::streamoff>(c.offset));
    file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(c.length));
    if (!file || static_cast<std::uint64_t>(file.gcount()) != c.length)
      return refuse("读取的字节数不足");
    out.data.push_back(std::move(buffer));
  }
  return out;
}

std::vector<std::uint8_t> BuildPackage(HeaderKind kind, std::int32_t boardType,
                                       const std::vector<std::vector<std::uint8_t>>& components) {
  const bool isShort = kind == HeaderKind::Short;
  const std::size_t headerSize = isShort ? kShortHeaderSize : kLongHeaderSize;
  const std::size_t slots = isShort ? kShortMaxComponents : kLongMaxComponents;
  const std::size_t lengthsAt = isShort ? kShortLengthsOffset : kLongLengthsOffset;
  std::vector<std::uint8_t> file(headerSize, 0);
  qor::putU32(file, 0, static_cast<std::uint32_t>(headerSize));
  qor::putText(file, kMagicOffset, kMagicWidth, isShort ? kShortMagic : kLongMagic);
  qor::putI32(file, kTypeOffset, boardType);
  qor::putI32(file, kCountOffset, static_cast<std::int32_t>(components.size()));
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i < slots) {
      qor::putU32(file, kOffsetsOffset + 4 * i, static_cast<std::uint32_t>(file.size()));
      qor::putU32(file, lengthsAt + 4 * i, static_cast<std::uint32_t>(components[i].size()));
    }
    file.insert(file.end(), components[i].begin(), components[i].end());
  }
  return file;
}

}  // namespace tav::upgrade
