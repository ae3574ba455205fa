#include "pages/service_exchange.h"

#include <algorithm>
#include <array>

#include "wire.h"

namespace tav {
namespace {

StreamLimits StreamLimitsOf(const ServiceLimits& limits) {
  return StreamLimits{limits.connectWait, limits.overall};
}

std::vector<std::uint8_t> Request(std::uint8_t command, qor::Bytes payload) {
  std::vector<std::uint8_t> bytes(4 + payload.size(), 0);
  qor::putHead(bytes, command);
  qor::putBytes(bytes, 4, payload);
  return bytes;
}

}  // namespace

std::string_view ServiceStatusText(ServiceStatus status) {
  switch (status) {
    case ServiceStatus::NoConnection:
      return "connect error";
    case ServiceStatus::SendError:
      return "send error";
    case ServiceStatus::RecvError:
      return "recv error";
    case ServiceStatus::HeadError:
      return "head error";
    case ServiceStatus::Ok:
    case ServiceStatus::Refused:
      break;
  }
  return {};
}

ServiceAnswer ServiceRead(BoardLink& link, std::uint32_t address, std::uint8_t command,
                          std::uint8_t answerCommand, std::size_t blockSize,
                          const ServiceLimits& limits) {
  ServiceAnswer answer;
  auto stream = link.open(address, kServicePort, StreamLimitsOf(limits));
  if (!stream || !stream->connected()) return answer;
  if (!stream->sendAll(Request(command, {}), limits.ioTimeout)) {
    answer.status = ServiceStatus::SendError;
    return answer;
  }
  // One answer, taken whole even when TCP hands it over in pieces.
  std::array<std::uint8_t, kServiceAnswerMax> buffer{};
  const std::size_t wanted = std::min(4 + blockSize, buffer.size());
  long got = stream->receive(buffer, wanted, limits.ioTimeout);
  if (got <= 0) {
    answer.status = ServiceStatus::RecvError;
    return answer;
  }
  const auto received = qor::Bytes(buffer).first(static_cast<std::size_t>(got));
  if (!qor::hasHead(received, answerCommand)) {
    answer.status = ServiceStatus::HeadError;
    return answer;
  }
  // A block cut short would show whatever lay in the buffer: refuse it as a failed receive.
  if (received.size() < 4 + blockSize) {
    answer.status = ServiceStatus::RecvError;
    return answer;
  }
  answer.block.assign(received.begin() + 4, received.begin() + 4 + blockSize);
  answer.status = ServiceStatus::Ok;
  return answer;
}

ServiceStatus ServiceWrite(BoardLink& link, std::uint32_t address, std::uint8_t command,
                           qor::Bytes payload, const ServiceLimits& limits) {
  auto stream = link.open(address, kServicePort, StreamLimitsOf(limits));
  if (!stream || !stream->connected()) return ServiceStatus::NoConnection;
  if (!stream->sendAll(Request(command, payload), limits.ioTimeout))
    return ServiceStatus::SendError;
  return ServiceStatus::Ok;
}

void ReportService(ServiceStatus status, Notifier& notifier, std::string_view okText) {
  switch (status) {
    case ServiceStatus::Ok:
      if (!okText.empty()) {
        notifier.message(okText, NoticeIcon::Information);
        notifier.log(okText);
      }
      return;
    case ServiceStatus::NoConnection:
      notifier.log(ServiceStatusText(status));
      return;
    case ServiceStatus::SendError:
    case ServiceStatus::RecvError:
    case ServiceStatus::HeadError:
      notifier.message(ServiceStatusText(status), NoticeIcon::Error);
      notifier.log(ServiceStatusText(status));
      return;
    case ServiceStatus::Refused:
      return;
  }
}

}  // namespace tav
