// show, get, set, restart and factory-reset: one board, one exchange each.

#include <qorsdk.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <fstream>
#include <istream>
#include <iterator>
#include <ostream>

#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "device/board_link.h"
#include "device/board_stream.h"
#include "device/channel_result.h"
#include "gbk.h"
#include "pages/record_pages.h"
#include "resources/string_table.h"
#include "wire.h"

namespace tav::ctl {
namespace {

// How a raw read is asked for: the size field the library checks and the bytes it may store.
struct ReadShape {
  std::uint32_t sizeField;
  std::size_t minBytes;  // a variable block (266, 267) holds at least this much
  bool variable;         // the block's own size field says how long it is
};

// The configuration exchange's waits: connect, then send and receive.
constexpr Millis kVariableConnectWait{2000};
constexpr Millis kVariableTransferWait{1600};

std::optional<ReadShape> ReadShapeOf(int type) {
  // Variable blocks may be as long as one reply: the library receives at most 65536 bytes.
  constexpr std::uint32_t kLongest = 65536 - 4;
  switch (type) {
    case 256:
    case 261:
      return ReadShape{200, 200, false};
    case 257:
    case 260:
      return ReadShape{80, 80, false};
    case 259:
      return ReadShape{1052, 1052, false};
    case 262:
      return ReadShape{4084, 4084, false};
    case 263:
      return ReadShape{76, 76, false};
    case 264:
      return ReadShape{8040, 8040, false};
    case 265:
      return ReadShape{68, 68, false};
    case 266:
      return ReadShape{kLongest, 20, true};
    case 267:
      return ReadShape{kLongest, 32, true};
    case 269:
      return ReadShape{388, 388, false};
    default:
      return std::nullopt;
  }
}

// Record lengths a write takes (the payload the library sends); empty: any (type 12 ignores it).
std::optional<std::vector<std::size_t>> WriteLengthsOf(int type) {
  switch (type) {
    case 0:
      return std::vector<std::size_t>{88};
    case 1:
      return std::vector<std::size_t>{28};
    case 2:
    case 7:
    case 8:
    case 15:
      return std::vector<std::size_t>{16};
    case 3:
    case 4:
    case 5:
    case 6:
    case 13:
      return std::vector<std::size_t>{0};
    case 9:
      return std::vector<std::size_t>{12};
    case 10:
      return std::vector<std::size_t>{8};
    case 11:
      return std::vector<std::size_t>{28, 228};
    case 12:
      return std::vector<std::size_t>{};
    case 14:
      return std::vector<std::size_t>{1052};
    case 16:
      return std::vector<std::size_t>{80};
    case 17:
      return std::vector<std::size_t>{36};
    case 18:
      return std::vector<std::size_t>{76};
    default:
      return std::nullopt;
  }
}

bool OnlyHexText(std::string_view text) {
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ' && c != '\t' && c != '\n' &&
        c != '\r')
      return false;
  return true;
}

// The record of `set`: hex digits, or @FILE whose content is hex text or the record's bytes.
std::optional<std::vector<std::uint8_t>> RecordArgument(std::string_view data, std::istream& in,
                                                        std::ostream& err) {
  if (data.starts_with('@')) {
    std::string path(data.substr(1));
    std::string content;
    if (path == "-") {
      content.assign(std::istreambuf_iterator<char>(in), {});
    } else {
      std::ifstream file(path, std::ios::binary);
      if (!file) {
        err << "tavctl: cannot read " << path << "\n";
        return std::nullopt;
      }
      content.assign(std::istreambuf_iterator<char>(file), {});
    }
    if (!OnlyHexText(content)) return std::vector<std::uint8_t>(content.begin(), content.end());
    data = content;
    auto bytes = ParseHex(data);
    if (!bytes) err << "tavctl: " << path << " holds an odd number of hex digits\n";
    return bytes;
  }
  auto bytes = ParseHex(data);
  if (!bytes) err << "tavctl: the record is not hex digits in pairs (or @FILE)\n";
  return bytes;
}

std::string LengthList(const std::vector<std::size_t>& lengths) {
  std::string text;
  for (std::size_t n : lengths) text += (text.empty() ? "" : " or ") + std::to_string(n);
  return text;
}

std::string YesNo(std::int32_t v) {
  return v ? "是" : "否";
}
std::string AddressPort(std::uint32_t a, unsigned port) {
  return qor::ipText(a) + ":" + std::to_string(port);
}

using Rows = std::vector<std::vector<std::string>>;

void Section(std::ostream& out, int titleId, const Rows& rows) {
  out << str(titleId) << "\n";
  Rows indented;
  for (const auto& row : rows) {
    indented.push_back(row);
    indented.back().front() = "  " + row.front();
  }
  PrintColumns(out, indented);
}

void PrintShow(std::ostream& out, const CBoard& board) {
  const auto& s = board.statusBlock();
  Section(out, kStrIdentityPage,
          {{"当前IP地址", board.AddressText()},
           {"类型", board.TypeName() + " (" + std::to_string(board.deviceType()) + ")"},
           {"软件版本", board.VersionText()},
           {"基带版本", board.BasebandText()},
           {"IP地址", qor::ipText(board.ip())},
           {"子网掩码", qor::ipText(board.mask())},
           {"网关", qor::ipText(board.gateway())},
           {"DHCP", YesNo(board.ip() == 0)},
           {"MAC地址", board.MacText()},
           {"设备名称", board.Name()}});
  Rows transport{{"通信方式", board.TransportName() + "@" + board.StreamAddressText()}};
  if (board.IsEncoder())
    transport.push_back({"发送", AddressPort(board.sendAddress(), board.sendPort()) + "  方式 " +
                                     std::to_string(board.sendMode())});
  else
    transport.push_back({"接收", AddressPort(board.receiveAddress(), board.receivePort()) +
                                     "  方式 " + std::to_string(board.receiveMode())});
  Section(out, kStrTransportPage, transport);
  Section(
      out, kStrPeripheralPage,
      {{"视频模式", board.VideoModeName()},
       {"模式号", std::to_string(board.videoMode())},
       {"分辨率", std::to_string(board.videoWidth()) + "x" + std::to_string(board.videoHeight())}});
  const int type = board.deviceType();
  if (PageApplies(RecordPage::VideoEncoding, type)) {
    auto v = ReadFields(RecordPage::VideoEncoding, s);
    Section(
        out, kStrVideoEncodingPage,
        {{"视频大小", std::to_string(v[video::kWidth]) + " X " + std::to_string(v[video::kHeight])},
         {"帧率(FPS)", std::to_string(v[video::kFrameRate])},
         {"码率(kbps)", std::to_string(v[video::kBitRate])},
         {"I帧间隔", std::to_string(v[video::kIFrameInterval])},
         {"CBR", YesNo(v[video::kCbr])},
         {"视频使能", YesNo(v[video::kEnable])}});
  }
  if (PageApplies(RecordPage::AudioEncoding, type)) {
    auto a = ReadFields(RecordPage::AudioEncoding, s);
    Section(out, kStrAudioEncodingPage,
            {{"采样率", std::to_string(a[audio::kSampleRate])},
             {"码率", std::to_string(a[audio::kBitRate])},
             {"立体声", YesNo(a[audio::kChannels] == 2)},
             {"音频使能", YesNo(a[audio::kEnable])}});
  }
  if (PageApplies(RecordPage::Volume, type)) {
    auto v = ReadFields(RecordPage::Volume, s);
    Section(
        out, kStrVolumePage,
        {{"音量", std::to_string(v[volume::kVolume])}, {"自动增益", YesNo(v[volume::kAutoGain])}});
  }
  if (PageApplies(RecordPage::VideoQuality, type)) {
    auto q = ReadFields(RecordPage::VideoQuality, s);
    Section(out, kStrVideoQualityPage,
            {{"亮度", std::to_string(q[quality::kBrightness])},
             {"色度", std::to_string(q[quality::kChroma])},
             {"饱和度", std::to_string(q[quality::kSaturation])}});
  }
}

Json ShowJson(const CBoard& board) {
  const auto& s = board.statusBlock();
  const int type = board.deviceType();
  Json j = BoardJson(board);
  j["dhcp"] = board.ip() == 0;
  if (PageApplies(RecordPage::VideoEncoding, type)) {
    auto v = ReadFields(RecordPage::VideoEncoding, s);
    j["videoEncoding"] = Json{{"width", v[video::kWidth]},
                              {"height", v[video::kHeight]},
                              {"frameRate", v[video::kFrameRate]},
                              {"bitRate", v[video::kBitRate]},
                              {"iFrameInterval", v[video::kIFrameInterval]},
                              {"cbr", v[video::kCbr] != 0},
                              {"enable", v[video::kEnable] != 0}};
  }
  if (PageApplies(RecordPage::AudioEncoding, type)) {
    auto a = ReadFields(RecordPage::AudioEncoding, s);
    j["audioEncoding"] = Json{{"sampleRate", a[audio::kSampleRate]},
                              {"bitRate", a[audio::kBitRate]},
                              {"channels", a[audio::kChannels]},
                              {"enable", a[audio::kEnable] != 0}};
  }
  if (PageApplies(RecordPage::Volume, type)) {
    auto v = ReadFields(RecordPage::Volume, s);
    j["volume"] = Json{{"level", v[volume::kVolume]}, {"autoGain", v[volume::kAutoGain] != 0}};
  }
  if (PageApplies(RecordPage::VideoQuality, type)) {
    auto q = ReadFields(RecordPage::VideoQuality, s);
    j["quality"] = Json{{"brightness", q[quality::kBrightness]},
                        {"chroma", q[quality::kChroma]},
                        {"saturation", q[quality::kSaturation]}};
  }
  return j;
}

// Types 266 and 267 are as long as the board makes them. The library stores as much of the
// block as the record's size field allows, so what arrived cannot be told from the record; the
// block is read here over the same exchange (head only on 4010, one answer, the same waits)
// to print exactly the bytes that came.
int GetVariable(const std::string& addressText, int type, const ReadShape& shape, std::ostream& out,
                std::ostream& err) {
  using namespace std::chrono;
  const std::uint8_t request = type == QORSDK_GET_VARIABLE_A ? 0x5A : 0x5C;
  const std::string what = "reading type " + std::to_string(type);
  std::uint32_t address = 0;
  qor::parseIp(addressText, address);
  StreamLimits limits;
  limits.connectWait = kVariableConnectWait;
  limits.overall = kVariableConnectWait + 2 * kVariableTransferWait;
  auto stream = OpenTcpStream(address, qor::kConfigPort, limits);
  if (!stream->connected()) {
    ReportConfigFailure(err, addressText, what, QORSDK_CONFIG_CONNECT);
    return ExitForConfigResult(QORSDK_CONFIG_CONNECT);
  }
  std::array<std::uint8_t, 4> head{};
  qor::putHead(head, request);
  if (!stream->sendAll(head, kVariableTransferWait)) {
    ReportConfigFailure(err, addressText, what, QORSDK_CONFIG_TRANSFER);
    return ExitForConfigResult(QORSDK_CONFIG_TRANSFER);
  }
  std::vector<std::uint8_t> reply(4 + shape.sizeField);
  // First the head and the size word, then as much as the size word announces (bounded by the
  // buffer), until the board closes or the exchange's time runs out.
  long got = stream->receive(reply, 8, kVariableTransferWait);
  if (got >= 8) {
    std::size_t want = std::clamp<std::size_t>(4 + std::size_t{qor::getU32(reply, 4)},
                                               4 + shape.minBytes, reply.size());
    if (static_cast<std::size_t>(got) < want) {
      long more = stream->receive(std::span(reply).subspan(static_cast<std::size_t>(got)),
                                  want - static_cast<std::size_t>(got), kVariableTransferWait);
      if (more > 0) got += more;
    }
  }
  int result = QORSDK_CONFIG_OK;
  if (got < 0)
    result = QORSDK_CONFIG_TRANSFER;
  else if (static_cast<std::size_t>(got) < 4 + shape.minBytes)
    result = got == 0 ? QORSDK_CONFIG_TRANSFER : QORSDK_CONFIG_SHORT_REPLY;
  else if (!qor::hasHead(reply, static_cast<std::uint8_t>(request + 1)))
    result = QORSDK_CONFIG_WRONG_HEAD;
  if (result != QORSDK_CONFIG_OK) {
    ReportConfigFailure(err, addressText, what, result);
    return ExitForConfigResult(result);
  }
  const auto block = qor::Bytes(reply).subspan(4, static_cast<std::size_t>(got) - 4);
  const std::uint32_t claimed = qor::getU32(block, 0);
  if (claimed != block.size())
    err << "tavctl: " << addressText << ": type " << type << ": the block's size word says "
        << claimed << " bytes, " << block.size() << " arrived; printed as arrived\n";
  out << HexText(block) << "\n";
  return kExitOk;
}

// A record of the board at `address`, contacted there whatever its status block says.
CBoard BoardAt(std::uint32_t address) {
  CBoard board;
  board.SetSourceAddress(address);
  return board;
}

}  // namespace

int Show(std::string_view address, bool json, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  if (int exit = RefreshStatusOrReport(board, err); exit != kExitOk) return exit;
  if (json)
    out << JsonText(ShowJson(board)) << "\n";
  else
    PrintShow(out, board);
  return kExitOk;
}

int Get(std::string_view address, int type, std::string_view text, std::ostream& out,
        std::ostream& err) {
  auto contact = BoardAddress(address, err);
  if (!contact) return kExitBadArguments;
  const std::string addressText = qor::ipText(*contact);
  const std::string what = "reading type " + std::to_string(type);

  if (type == QORSDK_GET_TEXT_COMMAND) {
    std::string command = qor::utf8ToGbk(text);
    if (command.empty() || command.size() > QORSDK_TEXT_COMMAND_MAX ||
        command.find('\0') != std::string::npos) {
      err << "tavctl: type 268 needs a command text of 1 to " << QORSDK_TEXT_COMMAND_MAX
          << " bytes\n";
      return kExitBadArguments;
    }
    std::vector<char> buffer(QORSDK_TEXT_BUFFER_SIZE, 0);
    std::copy(command.begin(), command.end(), buffer.begin());
    if (int r = DEVICE_GetConfig(addressText.c_str(), type, buffer.data()); r != 0) {
      ReportConfigFailure(err, addressText, what, r);
      return ExitForConfigResult(r);
    }
    buffer.back() = 0;
    out << PrintableText(qor::gbkToUtf8(buffer.data()), true) << "\n";
    return kExitOk;
  }

  auto shape = ReadShapeOf(type);
  if (!shape) {
    err << "tavctl: " << type
        << " is not a block read (256-269 but 258; 268 takes a command text)\n";
    return kExitBadArguments;
  }
  if (!text.empty()) {
    err << "tavctl: only type 268 takes a command text\n";
    return kExitBadArguments;
  }
  if (shape->variable) return GetVariable(addressText, type, *shape, out, err);
  std::vector<std::uint8_t> record(std::max<std::size_t>(shape->sizeField, 4), 0);
  qor::putU32(record, 0, shape->sizeField);
  if (int r = DEVICE_GetConfig(addressText.c_str(), type, record.data()); r != 0) {
    ReportConfigFailure(err, addressText, what, r);
    return ExitForConfigResult(r);
  }
  out << HexText(record) << "\n";
  return kExitOk;
}

int Set(std::string_view address, int type, std::string_view data, std::istream& in,
        std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(address, err);
  if (!contact) return kExitBadArguments;
  const std::string addressText = qor::ipText(*contact);

  std::vector<std::uint8_t> record;
  if (type == QORSDK_SET_TEXT_COMMAND) {
    std::string command = qor::utf8ToGbk(data);
    if (command.empty() || command.size() > QORSDK_TEXT_COMMAND_MAX ||
        command.find('\0') != std::string::npos) {
      err << "tavctl: type 19 needs a command text of 1 to " << QORSDK_TEXT_COMMAND_MAX
          << " bytes\n";
      return kExitBadArguments;
    }
    record.assign(command.begin(), command.end());
    record.push_back(0);
  } else {
    auto lengths = WriteLengthsOf(type);
    if (!lengths) {
      err << "tavctl: " << type << " is not a configuration write (0-19)\n";
      return kExitBadArguments;
    }
    auto given = RecordArgument(data, in, err);
    if (!given) return kExitBadArguments;
    if (!lengths->empty() &&
        std::find(lengths->begin(), lengths->end(), given->size()) == lengths->end()) {
      err << "tavctl: type " << type << " takes a record of " << LengthList(*lengths)
          << " bytes, not " << given->size() << "\n";
      return kExitBadArguments;
    }
    record = std::move(*given);
  }
  // The library reads a fixed payload from the record (type 11 also looks at offset 28): give
  // it zeros past what was supplied rather than whatever lies beyond.
  const std::size_t supplied = record.size();
  std::vector<std::uint8_t> padded(std::max<std::size_t>(supplied, 256), 0);
  std::copy(record.begin(), record.end(), padded.begin());
  const void* argument = supplied == 0 ? nullptr : padded.data();
  if (int r = DEVICE_SetConfig(addressText.c_str(), type, argument); r != 0) {
    ReportConfigFailure(err, addressText, "writing type " + std::to_string(type), r);
    return ExitForConfigResult(r);
  }
  out << addressText << ": type " << type << " written (" << supplied << " bytes)\n";
  return kExitOk;
}

int Restart(std::string_view address, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  if (int r = RestartBoard(board, LanLink()); r != 0) {
    err << "tavctl: " << board.AddressText() << ": " << str(kStrRestartFailed) << " result " << r
        << " (" << QORSDK_ConfigResultText(r) << ")\n";
    return ExitForConfigResult(r);
  }
  out << board.AddressText() << ": " << str(kStrRestartOk) << "\n";
  return kExitOk;
}

int FactoryReset(std::string_view address, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  if (int r = board.FactoryReset(); r != kDatagramSent) {
    err << "tavctl: " << board.AddressText() << ": " << str(kStrFactoryResetFailed) << " result "
        << r << " (" << ChannelResultText(Channel::Datagram, r) << ")\n";
    return kExitExchangeFailed;
  }
  out << board.AddressText() << ": " << str(kStrFactoryResetOk) << "\n";
  return kExitOk;
}

}  // namespace tav::ctl
