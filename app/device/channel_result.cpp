#include "device/channel_result.h"

namespace tav {

std::string ChannelResultText(Channel channel, int code) {
  if (code == 0) return "success";
  switch (channel) {
    case Channel::Maintenance:
      switch (code) {
        case kMaintConnectFailed:
          return "connection failed";
        case kMaintSendIncomplete:
          return "packet not sent whole";
        case kMaintWrongHead:
          return "wrong answer head";
        case kMaintWrongLength:
          return "no answer of 528 bytes";
        case kMaintBoardStatus:
          return "board reported a failure status";
      }
      break;
    case Channel::Short:
      switch (code) {
        case kShortBadArgument:
          return "bad argument or wrong answer";
        case kShortNoSocket:
          return "no socket";
        case kShortConnectFailed:
          return "connection failed";
        case kShortSendIncomplete:
          return "packet not sent whole";
        case kShortNoAnswer:
          return "no answer";
      }
      if (code > 0) return std::to_string(code) + " bytes received";
      break;
    case Channel::Direct:
      switch (code) {
        case kDirectConnectFailed:
          return "connection failed";
        case kDirectNoAnswer:
          return "no valid answer";
      }
      break;
    case Channel::Datagram:
      if (code == kDatagramNotSent) return "datagram not sent";
      break;
  }
  return "unknown result " + std::to_string(code);
}

}  // namespace tav
