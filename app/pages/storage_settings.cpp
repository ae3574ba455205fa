#include "pages/storage_settings.h"

#include <charconv>
#include <cstdio>

#include "pages/field_text.h"

namespace tav {

std::optional<StorageReport> DecodeStorageReport(qor::Bytes b) {
  if (b.size() < kStorageReportSize) return std::nullopt;
  return StorageReport{qor::getU32(b, 0),  qor::getU32(b, 4),  qor::getU32(b, 16),
                       qor::getU32(b, 20), qor::getU32(b, 28), qor::getU32(b, 32),
                       qor::getU32(b, 36)};
}

std::string StorageReportText(const StorageReport& r) {
  char text[256];
  std::snprintf(text, sizeof text,
                "Total size:\t%u MB\r\nUsed  size:\t%u MB\r\nRecord size:\t%u MB\r\nFile "
                "count:\t%u\r\n",
                r.total, r.used, r.recorded, r.fileCount);
  return text;
}

std::array<std::uint8_t, kStorageSettingsSize> EncodeStorageSettings(const StorageSetting& s) {
  std::array<std::uint8_t, kStorageSettingsSize> b{};
  qor::putU32(b, 0, s.fileSize);
  qor::putU32(b, 4, s.reserved);
  qor::putU32(b, 16, s.saveSwitch);
  return b;
}

std::optional<std::uint32_t> ParseSizeField(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  std::uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void StorageSettings::Show(const StorageReport& r) {
  form.fileSize = std::to_string(r.fileSize);
  form.reserved = std::to_string(r.reserved);
  saveSwitch_ = r.saveSwitch;
  form.save = saveSwitch_ != 0;
  form.report = StorageReportText(r);
}

void StorageSettings::ToggleSave() {
  saveSwitch_ = saveSwitch_ == 0 ? 1 : 0;
  form.save = saveSwitch_ != 0;
}

std::optional<StorageSetting> StorageSettings::Read() {
  auto fileSize = ParseSizeField(form.fileSize);
  auto reserved = ParseSizeField(form.reserved);
  if (!fileSize || !reserved) {
    notifier_.message(kNotAnInteger, NoticeIcon::Warning);
    return std::nullopt;
  }
  return StorageSetting{*fileSize, *reserved, saveSwitch_};
}

ServiceStatus StorageSettings::ReadBoard(std::uint32_t address, StorageReport& report) {
  auto answer = ServiceRead(link_, address, service::kGetStorage, service::kStorageAnswer,
                            kStorageReportSize, limits);
  if (answer.status == ServiceStatus::Ok) report = *DecodeStorageReport(answer.block);
  return answer.status;
}

ServiceStatus StorageSettings::WriteBoard(std::uint32_t address, const StorageSetting& s) {
  return ServiceWrite(link_, address, service::kSetStorage, EncodeStorageSettings(s), limits);
}

ServiceStatus StorageSettings::Get(std::uint32_t address) {
  StorageReport report;
  ServiceStatus status = ReadBoard(address, report);
  if (status == ServiceStatus::Ok) Show(report);
  ReportService(status, notifier_);
  return status;
}

ServiceStatus StorageSettings::Set(std::uint32_t address) {
  auto settings = Read();
  if (!settings) return ServiceStatus::Refused;
  ServiceStatus status = WriteBoard(address, *settings);
  ReportService(status, notifier_, "Set OK");
  return status;
}

}  // namespace tav
