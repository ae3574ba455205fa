#include "device/board.h"

#include <algorithm>

#include "gbk.h"
#include "le_bytes.h"
#include "wire.h"

namespace tav {

bool IsEncoderType(int type) {
  switch (type) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 9:
    case 11:
    case 20:
      return true;
    default:
      return false;
  }
}

bool IsReceiverType(int type) {
  return type == 2 || type == 4 || type == 21;
}

std::string FitGbk(std::string_view utf8, std::size_t maxBytes) {
  std::string gbk = qor::utf8ToGbk(utf8);
  std::size_t end = 0;
  // GBK: a byte 0x81-0xFE leads a two-byte character; anything else stands alone.
  while (end < gbk.size()) {
    std::size_t width =
        static_cast<unsigned char>(gbk[end]) >= 0x81 && end + 1 < gbk.size() ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  gbk.resize(end);
  return gbk;
}

}  // namespace tav

using namespace tav;

CBoard::CBoard() = default;

CBoard::CBoard(const StatusBlock& statusBlock) : status_(statusBlock) {}

CBoard::CBoard(std::span<const std::uint8_t> statusBytes) {
  std::copy_n(statusBytes.begin(), std::min(statusBytes.size(), status_.size()), status_.begin());
}

std::uint32_t CBoard::ip() const {
  return qor::getU32(status_, status::kIp);
}
std::uint32_t CBoard::mask() const {
  return qor::getU32(status_, status::kMask);
}
std::uint32_t CBoard::gateway() const {
  return qor::getU32(status_, status::kGateway);
}
std::array<std::uint8_t, 6> CBoard::mac() const {
  std::array<std::uint8_t, 6> m{};
  std::copy_n(status_.begin() + status::kMac, m.size(), m.begin());
  return m;
}
std::int32_t CBoard::deviceType() const {
  return qor::getI32(status_, status::kDeviceType);
}
std::int8_t CBoard::basebandMajor() const {
  return qor::getI8(status_, status::kBasebandMajor);
}
std::int8_t CBoard::basebandMinor() const {
  return qor::getI8(status_, status::kBasebandMinor);
}
std::int16_t CBoard::versionKMajor() const {
  return qor::getI16(status_, status::kVersionKMajor);
}
std::int16_t CBoard::versionKMinor() const {
  return qor::getI16(status_, status::kVersionKMinor);
}
std::int16_t CBoard::versionAMajor() const {
  return qor::getI16(status_, status::kVersionAMajor);
}
std::int16_t CBoard::versionAMinor() const {
  return qor::getI16(status_, status::kVersionAMinor);
}
std::uint32_t CBoard::sendAddress() const {
  return qor::getU32(status_, status::kSendAddress);
}
std::uint16_t CBoard::sendPort() const {
  return qor::getU16(status_, status::kSendPort);
}
std::uint16_t CBoard::sendMode() const {
  return qor::getU16(status_, status::kSendMode);
}
std::uint32_t CBoard::receiveAddress() const {
  return qor::getU32(status_, status::kReceiveAddress);
}
std::uint16_t CBoard::receivePort() const {
  return qor::getU16(status_, status::kReceivePort);
}
std::int16_t CBoard::receiveMode() const {
  return qor::getI16(status_, status::kReceiveMode);
}
std::int16_t CBoard::videoMode() const {
  return qor::getI16(status_, status::kVideoMode);
}
std::int16_t CBoard::videoWidth() const {
  return qor::getI16(status_, status::kVideoWidth);
}
std::int16_t CBoard::videoHeight() const {
  return qor::getI16(status_, status::kVideoHeight);
}

void CBoard::setIp(std::uint32_t address) {
  qor::putU32(status_, status::kIp, address);
}
void CBoard::setMask(std::uint32_t mask) {
  qor::putU32(status_, status::kMask, mask);
}
void CBoard::setGateway(std::uint32_t gateway) {
  qor::putU32(status_, status::kGateway, gateway);
}
void CBoard::setMac(const std::array<std::uint8_t, 6>& mac) {
  std::copy(mac.begin(), mac.end(), status_.begin() + status::kMac);
}
void CBoard::setName(std::string_view utf8) {
  qor::putText(status_, status::kName, status::kNameWidth, FitGbk(utf8, status::kNameWidth - 1));
}

bool CBoard::IsEncoder() const {
  return IsEncoderType(deviceType());
}

std::uint32_t CBoard::ContactAddress() const {
  return sourceAddress_ != 0 ? sourceAddress_ : ip();
}

namespace {

template <std::size_t N>
int refreshBlock(BoardLink& link, const std::string& address, int type,
                 std::array<std::uint8_t, N>& target) {
  std::array<std::uint8_t, N> buffer{};
  qor::putU32(buffer, 0, static_cast<std::uint32_t>(N));
  int result = link.getConfig(address, type, buffer);
  if (result == 0) target = buffer;
  return result;
}

}  // namespace

int CBoard::RefreshStatus(BoardLink& link) {
  return refreshBlock(link, AddressText(), 256, status_);
}
int CBoard::RefreshStreamInfo(BoardLink& link) {
  return refreshBlock(link, AddressText(), 269, streamInfo_);
}
int CBoard::RefreshStreamAccess(BoardLink& link) {
  return refreshBlock(link, AddressText(), 261, streamAccess_);
}
