#pragma once
// Result codes of the program's own channels to a board, and their names in words. The codes
// are the values the pages show ("错误号=%d"), so they stay plain integers.

#include <string>

namespace tav {

// Maintenance packets on 8068/8070.
inline constexpr int kMaintOk = 0;
inline constexpr int kMaintConnectFailed = -1;
inline constexpr int kMaintSendIncomplete = -2;
inline constexpr int kMaintWrongHead = -3;
inline constexpr int kMaintWrongLength = -4;   // answer not 528 bytes (also: no answer)
inline constexpr int kMaintBoardStatus = -11;  // the board answered with a status other than 1

// Short packets on 8068 (SendShort and the record operations).
inline constexpr int kShortBadArgument = -1;  // also: wrong answer length or head
inline constexpr int kShortNoSocket = -2;
inline constexpr int kShortConnectFailed = -3;
inline constexpr int kShortSendIncomplete = -4;
inline constexpr int kShortNoAnswer = -5;

// Direct frames on 4010.
inline constexpr int kDirectOk = 0;
inline constexpr int kDirectConnectFailed = 1;
inline constexpr int kDirectNoAnswer = 2;  // ReadVideoPosition only: nothing valid came back

// UDP datagrams (group and network commands).
inline constexpr int kDatagramSent = 0;
inline constexpr int kDatagramNotSent = 1;

enum class Channel { Maintenance, Short, Direct, Datagram };

// The code in words, for the log and tavctl, e.g. "connection failed".
std::string ChannelResultText(Channel channel, int code);

}  // namespace tav
