#pragma once
// CRightView19 (存储设置) without a display: the storage report, its text, and the settings
// (single file size, reserved space, save switch) sent back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/service_exchange.h"

namespace tav {

inline constexpr std::size_t kStorageReportSize = 40;
inline constexpr std::size_t kStorageSettingsSize = 20;

// Sizes in MB.
struct StorageReport {
  std::uint32_t fileSize = 0, reserved = 0, total = 0, used = 0, recorded = 0, fileCount = 0,
                saveSwitch = 0;
  bool operator==(const StorageReport&) const = default;
};

struct StorageSetting {
  std::uint32_t fileSize = 0, reserved = 0, saveSwitch = 0;
  bool operator==(const StorageSetting&) const = default;
};

// Nothing unless all 40 bytes are there.
std::optional<StorageReport> DecodeStorageReport(qor::Bytes block);
// "Total size:\t%u MB\r\nUsed  size:\t%u MB\r\nRecord size:\t%u MB\r\nFile count:\t%u\r\n".
std::string StorageReportText(const StorageReport& report);
std::array<std::uint8_t, kStorageSettingsSize> EncodeStorageSettings(const StorageSetting& s);
// A size typed into an edit: a decimal number 0-4294967295, blanks around it allowed.
std::optional<std::uint32_t> ParseSizeField(std::string_view text);

struct StorageForm {
  std::string fileSize, reserved;  // edits 1032, 1033
  bool save = false;               // check 1175
  std::string report;              // read-only edit 1159
};

class StorageSettings {
 public:
  StorageSettings(BoardLink& link, Notifier& notifier) : link_(link), notifier_(notifier) {}

  StorageForm form;
  ServiceLimits limits;

  void Show(const StorageReport& report);
  // "保存" toggles the switch (0 and 1).
  void ToggleSave();
  std::uint32_t saveSwitch() const { return saveSwitch_; }
  // The form as settings; a size that is not a number is refused (message shown).
  std::optional<StorageSetting> Read();

  // "获取" and "设置" ("Set OK" after the send).
  ServiceStatus Get(std::uint32_t address);
  ServiceStatus Set(std::uint32_t address);

  ServiceStatus ReadBoard(std::uint32_t address, StorageReport& report);
  ServiceStatus WriteBoard(std::uint32_t address, const StorageSetting& settings);

 private:
  BoardLink& link_;
  Notifier& notifier_;
  std::uint32_t saveSwitch_ = 0;
};

}  // namespace tav
