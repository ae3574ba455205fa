#pragma once
// Customer timings: the 36-byte customer timing record, the 16-byte picture position record
// and the "./customer.ini" file that lists timings by name for the peripheral page.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "le_bytes.h"

namespace tav {

inline constexpr std::size_t kCustomerTableSize = 16;
inline constexpr std::size_t kCustomerFileLimit = 16384;  // bytes read of the file
inline constexpr std::size_t kCustomerNameLimit = 31;
inline constexpr const char* kCustomerFileName = "customer.ini";

// Customer timing record (short packets 0xF5/0xF6 and 0xF4).
struct CustomerTiming {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t freq = 0;
  std::uint32_t clock = 0;  // pixel clock, Hz
  std::uint16_t maxWidth = 0;
  std::uint16_t maxHeight = 0;
  std::int16_t offsetHori = 0;  // -511..511
  std::int16_t offsetVert = 0;  // 0x00..0xFF
  std::uint32_t type = 0;
  // Measured by the board; the tool sends them as zero.
  std::uint16_t blockLength = 0;
  std::uint16_t vsyncWidth = 0;
  std::uint16_t lineCount = 0;
  std::uint16_t fieldLength = 0;
  bool operator==(const CustomerTiming&) const = default;
};

// As the tool sends it: offsets 0-23, the rest zero.
std::array<std::uint8_t, 36> EncodeCustomerTiming(const CustomerTiming& timing);
CustomerTiming DecodeCustomerTiming(qor::Bytes record);

// Picture position record (short packets 0xF1/0xF2 and 0xF3).
struct PicturePosition {
  std::int32_t up = 0;    // upward shift
  std::int32_t left = 0;  // leftward shift
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const PicturePosition&) const = default;
};
std::array<std::uint8_t, 16> EncodePicturePosition(const PicturePosition& position);
PicturePosition DecodePicturePosition(qor::Bytes record);

struct CustomerEntry {
  std::string name;  // as in the file (GBK), at most 31 bytes
  CustomerTiming timing;
};

// Why an entry of the file was not kept, for tavctl.
struct DroppedEntry {
  std::size_t line = 0;  // line of its name, from 1
  std::string name;
  std::string reason;
};

struct CustomerTable {
  std::vector<CustomerEntry> entries;  // at most 16, in file order
  std::vector<DroppedEntry> dropped;
  bool truncated = false;  // the file was longer than 16384 bytes
  bool full = false;       // complete entries after the 16th were ignored
};

// The file's text (as read, CR LF or LF); only the first 16384 bytes are looked at.
CustomerTable ParseCustomerIni(std::string_view text);

struct LoadedCustomerTable {
  std::filesystem::path path;  // the file read; empty when none was found
  CustomerTable table;
};

// "customer.ini" from workingDir, and when it is not there from fallbackDir (the user's
// configuration folder; empty: none). A missing or unreadable file gives an empty table.
LoadedCustomerTable LoadCustomerTable(const std::filesystem::path& workingDir,
                                      const std::filesystem::path& fallbackDir);

// What the peripheral page says about the table: the file it read and the entries it kept.
std::string LoadedTableNote(const LoadedCustomerTable& loaded);

}  // namespace tav
