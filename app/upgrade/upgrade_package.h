#pragma once
// Upgrade packages (".qoru"): a header naming the board type and the offset and length of each
// component file, the components anywhere in the file after it. Two layouts: the short header
// (204 bytes, "qor_updatefile", up to 16 components) and the long one (1100 bytes,
// "qor_update2file", up to 128). The single-board page reads both and keeps the long form; the
// batch page reads the short one only. Pure functions over bytes, plus the file readers.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tav::upgrade {

inline constexpr std::size_t kShortHeaderSize = 204;
inline constexpr std::size_t kLongHeaderSize = 1100;
inline constexpr std::size_t kShortMaxComponents = 16;
inline constexpr std::size_t kLongMaxComponents = 128;
inline constexpr std::size_t kMagicOffset = 4;
inline constexpr std::size_t kMagicWidth = 32;
inline constexpr std::size_t kTypeOffset = 36;
inline constexpr std::size_t kCountOffset = 40;
inline constexpr std::size_t kOffsetsOffset = 44;
inline constexpr std::size_t kShortLengthsOffset = 108;
inline constexpr std::size_t kLongLengthsOffset = 556;
inline constexpr char kShortMagic[] = "qor_updatefile";  // compared with its NUL: 15 bytes
inline constexpr char kLongMagic[] = "qor_update2file";  // 16 bytes
inline constexpr std::int32_t kAnyBoardType = -1;

// Which page reads the package: they differ in the layouts they take, their type names, their
// information line, their type rule and their receive attempts.
enum class PageKind { SingleBoard, Batch };

enum class HeaderKind { None, Short, Long };

struct PackageHeader {
  HeaderKind read = HeaderKind::None;  // the layout found in the file
  bool valid = false;
  std::string magic;  // the magic field's text, as the page shows it
  std::int32_t boardType = 0;
  std::int32_t count = 0;  // as written; may lie outside 1..max in a damaged file
  // Single-board page: 128 entries (a short header converted, the rest 0); batch: 16.
  std::vector<std::uint32_t> offsets, lengths;
};

struct PackageRead {
  bool tooShort = false;    // "文件长度太短" as a message box; nothing else read
  bool openFailed = false;  // the file could not be opened or its length read
  std::uint64_t fileLength = 0;
  PackageHeader header;
  std::string infoLine;  // static 1094
};

inline constexpr char kTooShortText[] = "文件长度太短";
inline constexpr char kInfoEmpty[] = "文件信息:";
inline constexpr char kInfoNotStandard[] = "文件信息:文件内容不符合标准";

// The board type name of the information line, from the page's table.
std::string BoardTypeName(PageKind page, std::int32_t type);

// Reads the header from the file's first bytes (`head`: up to 1100 of them) and its length, as
// the page does when a file is chosen.
PackageRead ReadPackage(std::span<const std::uint8_t> head, std::uint64_t fileLength,
                        PageKind page);
// The same from a file on disk.
PackageRead ReadPackageFile(const std::string& path, PageKind page);

// The short header in the long form: magic, type and count copied, the 16 offsets and lengths
// in the first entries of the 128, the rest 0.
PackageHeader ToLongForm(const PackageHeader& shortHeader);

// The "长度" list: the first length as %d, then " / %d" for each further one up to the page's
// limit (127 further on the single-board page, 15 on the batch page).
std::string LengthList(const PackageHeader& header, PageKind page);

// One component's place in the package file.
struct ComponentSpan {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// The components of a valid header, checked against the file's length before anything is
// sent: a count outside 0..max, an offset or length below 1, a component past the end of the
// file or past 4 GiB is refused with a text naming the component and the reason.
struct ComponentCheck {
  std::vector<ComponentSpan> components;
  std::string refusal;  // empty: every component lies inside the file
};
ComponentCheck CheckComponents(const PackageHeader& header, std::uint64_t fileLength);

// Loads the checked components from the file. A read that comes short (the file changed since
// it was chosen) or a buffer that cannot be had is refused the same way.
struct LoadedComponents {
  std::vector<std::vector<std::uint8_t>> data;
  std::string refusal;
};
LoadedComponents LoadComponents(const std::string& path, std::span<const ComponentSpan> components);

// Writes a package (tests, the demo and the fuzz corpus; Tavmon itself never writes one):
// header of the given kind, then the components one after another.
std::vector<std::uint8_t> BuildPackage(HeaderKind kind, std::int32_t boardType,
                                       const std::vector<std::vector<std::uint8_t>>& components);

}  // namespace tav::upgrade
