#include "device/tcp_channel.h"

#include <algorithm>
#include <vector>

#include "device/board_stream.h"
#include "device/notifier.h"
#include "le_bytes.h"
#include "wire.h"

namespace tav {
namespace {

constexpr std::size_t kAnswerBufferSize = 1024;
constexpr const char* kConnectFailedText = "CONNECT FAILED!";

Millis asMillis(std::chrono::microseconds timeout) {
  return std::chrono::ceil<Millis>(timeout);
}

// Connect wait, send time-out and receive time-out end to end: a board that drips its answer
// cannot hold the caller past their sum.
StreamLimits limitsFor(std::chrono::microseconds receiveTimeout) {
  StreamLimits limits;
  limits.connectWait = asMillis(kConnectWait);
  limits.overall = limits.connectWait + asMillis(kSendTimeout) + asMillis(receiveTimeout);
  return limits;
}

// Direct frames on 4010: a failed connection is told to the user.
std::unique_ptr<BoardStream> connectDirect(std::uint32_t address, Notifier& notifier) {
  auto stream = OpenTcpStream(address, qor::kConfigPort, limitsFor(kLongReceiveTimeout));
  if (!stream->connected()) notifier.message(kConnectFailedText, NoticeIcon::Error);
  return stream;
}

std::vector<std::uint8_t> makeFrame(std::uint8_t command) {
  std::vector<std::uint8_t> frame(qor::kFrameSize, 0);
  qor::putHead(frame, command);
  return frame;
}

// Receives until `expected` bytes have come (more may come with them), the board closes or the
// time-out passes; once more after an error when `retry` is set.
long receiveAnswer(BoardStream& stream, std::span<std::uint8_t> buffer, std::size_t expected,
                   Millis timeout, bool retry) {
  long n = stream.receive(buffer, expected, timeout);
  if (n < 0 && retry) n = stream.receive(buffer, expected, timeout);
  return n;
}

}  // namespace

RegisterBlock MakeRegisterBlock(int code) {
  RegisterBlock body{};
  qor::putU32(body, regblock::kSize, kMaintBodySize);
  qor::putU16(body, regblock::kCode, static_cast<std::uint16_t>(code));
  qor::putU16(body, regblock::kCount, 1);
  return body;
}

int MaintenanceExchange(std::uint32_t address, std::uint16_t port, const MaintRequest& request,
                        RegisterBlock& body) {
  auto stream = OpenTcpStream(address, port, limitsFor(request.receiveTimeout));
  if (!stream->connected()) return kMaintConnectFailed;

  std::array<std::uint8_t, kMaintPacketSize> packet{};
  qor::putHead(packet, request.command);
  qor::putBytes(packet, 4, body);
  if (!stream->sendAll(packet, asMillis(kSendTimeout))) return kMaintSendIncomplete;
  if (request.answer == 0) return kMaintOk;

  std::array<std::uint8_t, kAnswerBufferSize> answer{};
  long n = receiveAnswer(*stream, answer, kMaintPacketSize, asMillis(request.receiveTimeout),
                         request.retryReceive);
  if (n != static_cast<long>(kMaintPacketSize)) return kMaintWrongLength;
  if (!qor::hasHead(answer, request.answer)) return kMaintWrongHead;
  std::copy_n(answer.begin() + 4, body.size(), body.begin());
  std::uint32_t status = request.wordStatus ? qor::getU32(body, regblock::kStatus)
                                            : qor::getU16(body, regblock::kStatus);
  return status == 1 ? kMaintOk : kMaintBoardStatus;
}

int SendShort(std::uint32_t address, const std::uint8_t* bytes, int length, std::uint8_t* answer,
              int answerSize) {
  if (bytes == nullptr || length < 0 || (answerSize > 0 && answer == nullptr))
    return kShortBadArgument;
  // A socket that cannot be made shows up as a connection that failed.
  auto stream = OpenTcpStream(address, qor::kRegisterPort, limitsFor(kLongReceiveTimeout));
  if (!stream->connected()) return kShortConnectFailed;
  if (!stream->sendAll({bytes, static_cast<std::size_t>(length)}, asMillis(kSendTimeout)))
    return kShortSendIncomplete;
  if (answerSize <= 0) return 0;
  const std::size_t size = static_cast<std::size_t>(answerSize);
  long n = stream->receive({answer, size}, size, asMillis(kLongReceiveTimeout));
  if (n <= 0) return kShortNoAnswer;
  return static_cast<int>(n);
}

Record36 EncodeVideoPosition(const VideoPosition& p) {
  Record36 r{};
  const std::int16_t values[] = {p.width,
                                 p.length,
                                 p.x,
                                 p.y,
                                 p.horizontalPosition,
                                 p.verticalPosition,
                                 p.horizontalSpacing,
                                 p.verticalSpacing};
  for (std::size_t i = 0; i < 8; ++i) qor::putI16(r, 4 + 2 * i, values[i]);
  qor::putU32(r, 20, p.registerAddress);
  qor::putI32(r, 24, p.registerValue);
  return r;
}

bool DecodeVideoPositionAnswer(std::span<const std::uint8_t> answer, VideoPosition& p) {
  // Head, the record's leading zero word, eight 16-bit values and two 32-bit values.
  if (answer.size() < 32) return false;
  std::int16_t* values[] = {&p.width,
                            &p.length,
                            &p.x,
                            &p.y,
                            &p.horizontalPosition,
                            &p.verticalPosition,
                            &p.horizontalSpacing,
                            &p.verticalSpacing};
  for (std::size_t i = 0; i < 8; ++i) *values[i] = qor::getI16(answer, 8 + 2 * i);
  p.registerAddress = qor::getU32(answer, 24);
  p.registerValue = qor::getI32(answer, 28);
  return true;
}

}  // namespace tav

using namespace tav;

namespace {

int query(BoardLink& link, std::uint32_t address, std::uint16_t port, std::uint8_t command,
          std::uint8_t answer, RegisterBlock& body, bool exchange) {
  MaintRequest request{command, answer};
  if (exchange) {
    request.receiveTimeout = kLongReceiveTimeout;
    request.retryReceive = true;
  }
  request.wordStatus = answer == 0xCB;
  return link.maintenance(address, port, request, body);
}

int post(BoardLink& link, std::uint32_t address, std::uint16_t port, std::uint8_t command,
         const RegisterBlock& body) {
  RegisterBlock copy = body;
  return link.maintenance(address, port, MaintRequest{command}, copy);
}

template <std::size_t N>
int readRecord(BoardLink& link, std::uint32_t address, std::uint8_t command,
               std::uint8_t answerCommand, std::array<std::uint8_t, N>& record) {
  std::array<std::uint8_t, 4> request{};
  qor::putHead(request, command);
  // The answer is the head and the record: wait for that much, not for a buffer's worth.
  std::array<std::uint8_t, N + 4> answer{};
  int n = link.sendShort(address, request, answer);
  if (n < 0) return n;
  if (n < static_cast<int>(N + 4) || !qor::hasHead(answer, answerCommand)) return kShortBadArgument;
  std::copy_n(answer.begin() + 4, N, record.begin());
  return 0;
}

template <std::size_t N>
int writeRecord(BoardLink& link, std::uint32_t address, std::uint8_t command,
                const std::array<std::uint8_t, N>& record) {
  std::array<std::uint8_t, N + 4> packet{};
  qor::putHead(packet, command);
  qor::putBytes(packet, 4, record);
  int n = link.sendShort(address, packet, {});
  return n < 0 ? n : 0;
}

}  // namespace

int CBoard::QueryByte(int code, std::uint8_t parameter, std::uint8_t& value,
                      BoardLink& link) const {
  RegisterBlock body = MakeRegisterBlock(code & 0xff);
  body[regblock::kParameters] = parameter;
  int result = query(link, ContactAddress(), qor::kRegisterPort, kCmdMaintQuery, 0xC2, body, false);
  if (result == kMaintOk) value = body[regblock::kData];
  return result;
}

int CBoard::SetByte(int code, std::uint8_t parameter, std::uint8_t value, BoardLink& link) const {
  RegisterBlock body = MakeRegisterBlock(code & 0xff);
  body[regblock::kParameters] = parameter;
  body[regblock::kData] = value;
  return post(link, ContactAddress(), qor::kRegisterPort, kCmdMaintSet, body);
}

int CBoard::Exchange(RegisterBlock& body, BoardLink& link) const {
  return query(link, ContactAddress(), qor::kRegisterPort, kCmdMaintQuery, 0xC2, body, true);
}
int CBoard::Post(const RegisterBlock& body, BoardLink& link) const {
  return post(link, ContactAddress(), qor::kRegisterPort, kCmdMaintSet, body);
}
int CBoard::ExchangeAlt(RegisterBlock& body, BoardLink& link) const {
  return query(link, ContactAddress(), qor::kRegisterAltPort, kCmdMaintQuery, 0xC2, body, true);
}
int CBoard::PostAlt(const RegisterBlock& body, BoardLink& link) const {
  return post(link, ContactAddress(), qor::kRegisterAltPort, kCmdMaintSet, body);
}

int CBoard::QueryWord(std::uint16_t address, std::uint16_t& value, BoardLink& link) const {
  RegisterBlock body = MakeRegisterBlock(0);
  qor::putU16(body, regblock::kParameters, address);
  int result =
      query(link, ContactAddress(), qor::kRegisterPort, kCmdMaintQueryWord, 0xCB, body, false);
  if (result == kMaintOk) value = qor::getU16(body, regblock::kData);
  return result;
}

int CBoard::SetWord(std::uint16_t address, std::uint16_t value, BoardLink& link) const {
  RegisterBlock body = MakeRegisterBlock(0);
  qor::putU16(body, regblock::kParameters, address);
  qor::putU16(body, regblock::kData, value);
  return post(link, ContactAddress(), qor::kRegisterPort, kCmdMaintSetWord, body);
}

int CBoard::ReadRecord16(Record16& record, BoardLink& link) const {
  return readRecord(link, ContactAddress(), kCmdReadRecord16, 0xF2, record);
}
int CBoard::WriteRecord16(const Record16& record, BoardLink& link) const {
  return writeRecord(link, ContactAddress(), kCmdWriteRecord16, record);
}
int CBoard::ReadRecord36(Record36& record, BoardLink& link) const {
  return readRecord(link, ContactAddress(), kCmdReadRecord36, 0xF6, record);
}
int CBoard::WriteRecord36(const Record36& record, BoardLink& link) const {
  return writeRecord(link, ContactAddress(), kCmdWriteRecord36, record);
}

// The video position and WriteValue frames go to the status block's IP, not the contact address.
int CBoard::ReadVideoPosition(VideoPosition& position, Notifier& notifier) const {
  auto stream = connectDirect(ip(), notifier);
  if (!stream->connected()) return kDirectConnectFailed;
  if (!stream->sendAll(makeFrame(kCmdReadVideoPosition), asMillis(kSendTimeout)))
    return kDirectNoAnswer;
  std::vector<std::uint8_t> answer(qor::kFrameSize, 0);
  long n = stream->receive(answer, kVideoPositionAnswerBytes, asMillis(kLongReceiveTimeout));
  // Only the command byte is checked: the boards' magic is not relied on here.
  if (n < 4 || answer[3] != 0xF2) return kDirectNoAnswer;
  VideoPosition read = position;
  if (!DecodeVideoPositionAnswer(std::span(answer).first(static_cast<std::size_t>(n)), read))
    return kDirectNoAnswer;
  position = read;
  return kDirectOk;
}

int CBoard::WriteVideoPosition(const VideoPosition& position, Notifier& notifier) const {
  auto stream = connectDirect(ip(), notifier);
  if (!stream->connected()) return kDirectOk;
  std::vector<std::uint8_t> frame = makeFrame(kCmdWriteVideoPosition);
  qor::putBytes(frame, 4, EncodeVideoPosition(position));
  stream->sendAll(frame, asMillis(kSendTimeout));
  return kDirectOk;
}

int CBoard::WriteValue(std::uint32_t value, Notifier& notifier) const {
  auto stream = connectDirect(ip(), notifier);
  if (!stream->connected()) return kDirectConnectFailed;
  std::vector<std::uint8_t> frame = makeFrame(kCmdWriteValue);
  qor::putU32(frame, 8, value);  // payload: 32-bit 0, the value, 24 bytes 0
  stream->sendAll(frame, asMillis(kSendTimeout));
  return kDirectOk;
}

std::uint32_t CBoard::ReadValue() const {
  auto stream = OpenTcpStream(ContactAddress(), qor::kConfigPort, limitsFor(kLongReceiveTimeout));
  if (!stream->connected()) return 0;
  std::array<std::uint8_t, 4> request{};
  qor::putHead(request, kCmdReadValue);
  if (!stream->sendAll(request, asMillis(kSendTimeout))) return 0;
  std::array<std::uint8_t, kAnswerBufferSize> answer{};
  long n = receiveAnswer(*stream, answer, kValueAnswerBytes, asMillis(kLongReceiveTimeout), true);
  if (n != static_cast<long>(kValueAnswerBytes) || !qor::hasHead(answer, 0x3E)) return 0;
  return qor::getU32(answer, 8);
}
