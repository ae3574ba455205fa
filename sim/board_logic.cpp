#include "board_logic.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "debug_registers.h"
#include "fleet.h"
#include "gbk.h"
#include "layout.h"
#include "service.h"
#include "video.h"
#include "upgrade.h"
#include "wire.h"

namespace qorsim {
namespace {

namespace L = layout;
using Reply = std::vector<std::uint8_t>;

std::string hex(std::uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

Reply answer(std::uint8_t command, qor::Bytes block) {
  Reply r(4 + block.size());
  qor::putHead(r, command);
  qor::putBytes(r, 4, block);
  return r;
}

// The payload of a fixed-size write, or nothing when the sender sent less (a head-only write
// carries no record and changes nothing).
std::optional<qor::Bytes> payload(qor::Bytes request, std::size_t size) {
  if (request.size() < 4 + size) return std::nullopt;
  return request.subspan(4, size);
}

std::string shortWrite(std::uint8_t cmd, std::size_t want, std::size_t got) {
  return "write " + hex(cmd) + " with " + std::to_string(got) + " of " + std::to_string(want) +
         " payload bytes: nothing applied";
}

// Cuts a GBK text to at most `max` bytes without splitting a double-byte character.
std::string cutGbk(std::string text, std::size_t max) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = static_cast<std::uint8_t>(text[i]) >= 0x81 ? 2 : 1;
    if (i + n > max) break;
    i += n;
  }
  text.resize(std::min(i, text.size()));
  return text;
}

std::string edidValues(const std::array<std::uint8_t, 256>& edid) {
  std::string out;
  out.reserve(256 * 5);
  char buf[8];
  for (std::uint8_t v : edid) {
    std::snprintf(buf, sizeof buf, "0x%02X;", v);
    out += buf;
  }
  return out;
}

// The command word: the text up to and including its ':' or up to its ';'.
std::string commandWord(std::string_view text) {
  std::size_t end = text.find_first_of(":;");
  if (end == std::string_view::npos) return std::string(text);
  return std::string(text.substr(0, text[end] == ':' ? end + 1 : end));
}

Outcome textWrite(BoardState& b, std::string_view text) {
  std::string word = commandWord(text);
  if (word == "lockedid:") {
    b.edidLocked = true;
    return {std::nullopt, "text \"" + std::string(text) + "\": EDID locked"};
  }
  if (word == "unlockedid:") {
    b.edidLocked = false;
    return {std::nullopt, "text \"" + std::string(text) + "\": EDID unlocked"};
  }
  return {std::nullopt, "text \"" + std::string(text) + "\": not understood, ignored"};
}

std::string requestText(qor::Bytes request) {
  if (request.size() <= 4) return {};
  return qor::getText(request, 4, request.size() - 4);
}

}  // namespace

bool hasMagic(qor::Bytes b) {
  return b.size() >= 4 && b[0] == qor::kMagic[0] && b[1] == qor::kMagic[1] &&
         b[2] == qor::kMagic[2];
}

bool requestComplete(std::uint16_t port, qor::Bytes got) {
  if (got.size() < 4) return false;
  std::uint8_t cmd = got[3];
  auto need = [&](std::size_t n) { return got.size() >= n; };
  auto textDone = [&] { return std::find(got.begin() + 4, got.end(), 0) != got.end(); };
  switch (port) {
    case qor::kConfigPort:
      switch (cmd) {
        case 0xE5:
        case 0xFD:
        case 0xC3:
        case 0xC5:
        case 0xFF:
        case 0xCC:
        case 0x54:
        case 0x56:
        case 0x58:
        case 0x5A:
        case 0x5C:
        case 0xC7:
        case 0x3D:
          return true;  // reads are the head alone
        case 0x51:
        case 0x50:
          return textDone();
        case 0xF1:
        case 0xF3:
        case 0x3C:
          return need(qor::kFrameSize);
        case 0xE4:
          return need(4 + 88);
        case 0x16:
          return need(4 + 28);
        case 0x26:
          return need(4 + 16);
        case 0xED:
          return need(4 + 16);
        case 0xEE:
          return need(4 + 12);
        case 0xEF:
          return need(4 + 8);
        case 0xE8:
          return need(4 + 12);
        case 0xFB:
          return need(4 + 16);
        case 0xFC:
          return need(4 + 80);
        case 0x20:
          return need(4 + 36);
        case 0x53:
          return need(4 + 76);
        case 0x12:
        case 0x13:
        case 0x22:
        case 0x23:
          return true;
        case 0x31:
        case 0x34:
        case 0x3A:
          return true;  // clock, overlay, storage reads
        case 0x30:
          return need(4 + 40);
        case 0x33:
          return need(4 + 368);
        case 0x39:
          return need(4 + 20);
        case 0xEC: {
          // 28 or 228 bytes; only the sender knows, so the short form ends with its close.
          if (got.size() < 4 + 32) return false;
          bool longForm = qor::getU32(got, 4) > 28 || qor::getU32(got, 4 + 28) == 200;
          return !longForm || need(4 + L::kTransportLong);
        }
        default:
          return false;
      }
    case qor::kSerialPort:
      return cmd == 0xFA ? need(4 + 1052) : false;
    case qor::kFilePort:
      // A file write names its length; an upgrade component ends when the sender pauses.
      return cmd == 0xE7 && got.size() >= 4 + 272 && need(4 + std::size_t(qor::getU32(got, 4)));
    case qor::kRegisterPort:
    case qor::kRegisterAltPort:
      switch (cmd) {
        case 0xC0:
        case 0xC1:
        case 0xC9:
        case 0xCA:
          return need(L::kPacketSize);
        case 0xF1:
        case 0xF5:
          return true;
        case 0xF3:
          return need(20);
        case 0xF4:
          return need(40);
        default:
          return false;
      }
    default:
      return false;
  }
}

std::uint32_t contactAddress(const BoardState& b) {
  std::uint32_t from = 0;
  if (!b.faults.searchReplyFrom.empty() && qor::parseIp(b.faults.searchReplyFrom, from) &&
      from != 0)
    return from;
  return b.ip();
}

bool groupTargets(const BoardState& b, std::int32_t target) {
  if (target == -1) return true;
  if (target == -2) return b.isEncoderKind();
  if (target == -3) return !b.isEncoderKind();
  auto number = [](std::uint32_t a) {
    return __builtin_bswap32(a);
  };  // first octet most significant
  std::uint32_t t = static_cast<std::uint32_t>(target);
  return t == number(b.ip()) || t == number(contactAddress(b));
}

bool applyIdentity(BoardState& b, qor::Bytes record, bool rtspUrlDerived) {
  auto s = qor::MutBytes(b.status);
  std::uint32_t oldIp = b.ip();
  std::uint32_t ip = qor::getU32(record, L::kIdIp);
  if (ip != 0) {
    qor::putU32(s, L::kIp, ip);
    qor::putU32(s, L::kMask, qor::getU32(record, L::kIdMask));
    qor::putU32(s, L::kGateway, qor::getU32(record, L::kIdGateway));
  }
  qor::putBytes(s, L::kMac, record.subspan(L::kIdMac, 8));
  std::string name = cutGbk(qor::getText(record, L::kIdName, L::kIdNameWidth), L::kNameWidth - 1);
  qor::putText(s, L::kName, L::kNameWidth, name);
  b.name = qor::gbkToUtf8(name);
  refreshDerived(b, rtspUrlDerived);
  return b.ip() != oldIp;
}

std::string textAnswer(BoardState& b, std::string_view command) {
  std::string word = commandWord(command);
  if (word == "getunique:") return "sendunique:SN=" + b.serialNumber + ";ID=" + b.id + ";";
  if (word == "getedidlock") return std::string("sendedidlock:") + (b.edidLocked ? "1" : "0") + ";";
  if (word == "clearedid:") {
    if (b.edidLocked) return "sendediderror:3;";
    b.edid.fill(0xFF);  // an erased EEPROM
    return "sendediderror:0;";
  }
  if (word == "setperiphedid:") {
    if (b.isEncoderKind()) return "sendediderror:1;";  // no monitor on an encoder
    if (b.edidLocked) return "sendediderror:2;";
    b.edid = b.monitorEdid;
    return "sendediderror:0;";
  }
  if (word == "getedidinfo") return "sendedidinfo" + edidValues(b.edid);
  if (word == "getperiphedidinfo")
    return b.isEncoderKind() ? std::string("sendperiphedidinfo")
                             : "sendperiphedidinfo" + edidValues(b.monitorEdid);
  return "senderror:unknown command;";
}

Outcome handleConfig(BoardState& b, qor::Bytes request, bool rtspUrlDerived) {
  if (!hasMagic(request)) return {std::nullopt, "request without the qor head: ignored"};
  std::uint8_t cmd = request[3];
  auto s = qor::MutBytes(b.status);
  auto read = [&](std::uint8_t reply, qor::Bytes block, const std::string& what) {
    return Outcome{answer(reply, block), "read " + what};
  };
  auto stored = [&](std::uint8_t reply, const std::string& what) {
    auto it = b.readBlocks.find(reply);
    if (it == b.readBlocks.end()) return Outcome{std::nullopt, "read " + what + ": no block"};
    return read(reply, it->second, what);
  };
  auto write = [&](std::size_t size, auto apply, const std::string& what) -> Outcome {
    auto p = payload(request, size);
    if (!p) return {std::nullopt, shortWrite(cmd, size, request.size() - 4)};
    b.lastWrite[cmd].assign(p->begin(), p->end());
    Outcome o{std::nullopt, "write " + what};
    apply(*p, o);
    return o;
  };
  auto copyTo = [&](std::size_t offset) {
    return [&, offset](qor::Bytes p, Outcome&) { qor::putBytes(s, offset, p); };
  };

  switch (cmd) {
    case 0xE5:
      return read(0xE6, b.status, "status block (type 256)");
    case 0xFD:
      return stored(0xFE, "key block (type 257/258)");
    case 0xC3:
      return stored(0xC4, "serial block (type 259)");
    case 0xC5:
      return stored(0xC6, "version block (type 260)");
    case 0xFF:
      return read(0xFF, b.streamAccess, "stream-access block (type 261)");
    case 0xCC:
      return stored(0xCD, "block type 262");
    case 0x54:
      return stored(0x55, "block type 263");
    case 0x56:
      return stored(0x57, "block type 264");
    case 0x58:
      return stored(0x59, "block type 265");
    case 0x5A:
      return stored(0x5B, "block type 266");
    case 0x5C:
      return stored(0x5D, "block type 267");
    case 0xC7:
      return read(0xC8, b.streamInfo, "stream-information block (type 269)");
    case 0x51: {
      std::string text = requestText(request);
      std::string reply = textAnswer(b, text);
      Reply r(4 + reply.size() + 1, 0);
      qor::putHead(r, 0x52);
      std::copy(reply.begin(), reply.end(), r.begin() + 4);
      std::string shown = reply.size() > 40 ? reply.substr(0, 40) + "..." : reply;
      return {r, "text \"" + text + "\" -> \"" + shown + "\""};
    }
    case 0x50: {
      std::string text = requestText(request);
      b.lastWrite[cmd].assign(request.begin() + 4, request.end());
      return textWrite(b, text);
    }
    case 0xE4:
      return write(
          88,
          [&](qor::Bytes p, Outcome& o) {
            std::uint32_t before = b.ip();
            o.addressChanged = applyIdentity(b, p, rtspUrlDerived);
            o.summary = "write network identity (type 0): " + qor::ipText(before) + " -> " +
                        qor::ipText(b.ip()) + " \"" + b.name + "\"";
          },
          "network identity");
    case 0x16:
      return write(L::kVideoRecordSize, copyTo(L::kVideoRecord), "video encoding (type 1)");
    case 0x26:
      return write(L::kAudioRecordSize, copyTo(L::kAudioRecord), "audio encoding (type 2)");
    case 0xEE:
      return write(L::kQualityRecordSize, copyTo(L::kQualityRecord), "video quality (type 9)");
    case 0xEF:
      return write(L::kVolumeRecordSize, copyTo(L::kVolumeRecord), "volume (type 10)");
    case 0x12:
    case 0x13:
    case 0x22:
    case 0x23:
      b.lastWrite[cmd].clear();
      return {std::nullopt, "command " + hex(cmd) + " (types 3-6): noted"};
    case 0xED:
      return write(
          16,
          [&](qor::Bytes p, Outcome&) {
            applyPeripheral(b, p);
            refreshDerived(b, rtspUrlDerived);
          },
          "peripheral settings (type 7/8)");
    case 0xEC: {
      if (request.size() < 4 + L::kTransportShort)
        return {std::nullopt, shortWrite(cmd, 28, request.size() - 4)};
      auto p = request.subspan(4, std::min(request.size() - 4, L::kTransportLong));
      b.lastWrite[cmd].assign(p.begin(), p.end());
      std::string what;
      if (b.isEncoderKind()) {
        qor::putU32(s, L::kSendAddress, qor::getU32(p, 4));
        qor::putU16(s, L::kSendPort, qor::getU16(p, 8));
        qor::putU16(s, L::kSendMode, qor::getU16(p, 10));
        what = "send " + qor::ipText(qor::getU32(p, 4)) + ":" + std::to_string(qor::getU16(p, 8)) +
               " mode " + std::to_string(qor::getU16(p, 10));
      } else {
        qor::putU32(s, L::kReceiveAddress, qor::getU32(p, 12));
        qor::putU16(s, L::kReceivePort, qor::getU16(p, 16));
        qor::putU16(s, L::kReceiveMode, qor::getU16(p, 18));
        what = "receive " + qor::ipText(qor::getU32(p, 12)) + ":" +
               std::to_string(qor::getU16(p, 16)) + " mode " + std::to_string(qor::getI16(p, 18));
      }
      if (p.size() >= L::kTransportLong) {
        std::copy(p.begin() + 28, p.begin() + 228, b.streamAccess.begin());
        what += ", stream access \"" +
                qor::getText(b.streamAccess, L::kAccessUrl, L::kAccessUrlWidth) + "\"";
      }
      return {std::nullopt,
              "write transport (type 11, " + std::to_string(p.size()) + " bytes): " + what};
    }
    case 0xE8: {
      Outcome o{std::nullopt, "restart (type 12)"};
      o.restart = true;
      return o;
    }
    case 0xFB:
      return write(
          16, [](qor::Bytes, Outcome&) {}, "record 0xFB (type 15)");
    case 0xFC:
      return write(
          80, [&](qor::Bytes p, Outcome&) { b.readBlocks[0xFE].assign(p.begin(), p.end()); },
          "key block (type 16)");
    case 0x20:
      return write(
          36, [](qor::Bytes, Outcome&) {}, "record 0x20 (type 17)");
    case 0x53:
      return write(
          76, [&](qor::Bytes p, Outcome&) { b.readBlocks[0x55].assign(p.begin(), p.end()); },
          "record 0x53 (type 18)");
    case 0x31: {
      std::time_t t = std::time(nullptr) + b.clockOffset;
      std::tm tm{};
      localtime_r(&t, &tm);
      std::array<std::uint8_t, 40> clock{};
      const std::pair<std::size_t, int> fields[] = {{0, tm.tm_year}, {4, tm.tm_mon},
                                                    {8, tm.tm_mday}, {20, tm.tm_hour},
                                                    {24, tm.tm_min}, {28, tm.tm_sec}};
      for (auto [off, v] : fields) qor::putI32(clock, off, v);
      char text[32];
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
      return {answer(0x32, clock), std::string("read clock ") + text};
    }
    case 0x30:
      return write(
          40,
          [&](qor::Bytes p, Outcome& o) {
            std::tm tm{};
            tm.tm_year = qor::getI32(p, 0);
            tm.tm_mon = qor::getI32(p, 4);
            tm.tm_mday = qor::getI32(p, 8);
            tm.tm_hour = qor::getI32(p, 20);
            tm.tm_min = qor::getI32(p, 24);
            tm.tm_sec = qor::getI32(p, 28);
            tm.tm_isdst = -1;
            std::time_t t = std::mktime(&tm);
            if (t != static_cast<std::time_t>(-1))
              b.clockOffset = static_cast<std::int64_t>(t - std::time(nullptr));
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
            o.summary = std::string("set clock ") + text;
          },
          "clock");
    case 0x34:
      return read(0x35, b.overlay, "overlays");
    case 0x33:
      return write(
          368,
          [&](qor::Bytes p, Outcome& o) {
            o.summary = "write overlays of channel " + std::to_string(storeOverlay(b, p));
          },
          "overlays");
    case 0x3A:
      return read(0x3B, b.storage, "storage report");
    case 0x39:
      return write(
          20,
          [&](qor::Bytes p, Outcome&) {
            auto st = qor::MutBytes(b.storage);
            qor::putU32(st, 0, qor::getU32(p, 0));
            qor::putU32(st, 4, qor::getU32(p, 4));
            qor::putU32(st, 36, qor::getU32(p, 16));
          },
          "storage settings");
    case 0xF1: {
      Reply r = answer(0xF2, b.videoPosition);
      return {r, "read video position"};
    }
    case 0xF3: {
      if (request.size() < 4 + 36) return {std::nullopt, shortWrite(cmd, 36, request.size() - 4)};
      auto p = request.subspan(4, 36);
      auto vp = qor::MutBytes(b.videoPosition);
      // -1 in a 16-bit field leaves it; value -1 asks for the register at the address.
      for (std::size_t off = 4; off <= 18; off += 2)
        if (qor::getU16(p, off) != 0xFFFF) qor::putU16(vp, off, qor::getU16(p, off));
      std::uint32_t reg = qor::getU32(p, 20);
      std::uint32_t value = qor::getU32(p, 24);
      qor::putU32(vp, 20, reg);
      if (value == 0xFFFFFFFF) {
        auto it = b.videoRegisters.find(reg);
        qor::putU32(vp, 24, it == b.videoRegisters.end() ? 0 : it->second);
      } else {
        b.videoRegisters[reg] = value;
        qor::putU32(vp, 24, value);
      }
      return {std::nullopt, "write video position"};
    }
    case 0x3C: {
      if (request.size() < 4 + 32) return {std::nullopt, shortWrite(cmd, 32, request.size() - 4)};
      b.value = qor::getU32(request, 8);
      return {std::nullopt, "write value " + std::to_string(b.value)};
    }
    case 0x3D: {
      Reply r(36, 0);
      qor::putHead(r, 0x3E);
      qor::putU32(r, 8, b.value);
      return {r, "read value " + std::to_string(b.value)};
    }
    default:
      return {std::nullopt, "unknown command " + hex(cmd) + ": ignored"};
  }
}

Outcome handleSerial(BoardState& b, qor::Bytes request) {
  if (!qor::hasHead(request, 0xFA)) return {std::nullopt, "not serial data: ignored"};
  auto p = payload(request, 1052);
  if (!p) return {std::nullopt, shortWrite(0xFA, 1052, request.size() - 4)};
  b.lastWrite[0xFA].assign(p->begin(), p->end());
  std::uint32_t count = std::min<std::uint32_t>(qor::getU32(*p, 4), 1052 - 20);
  std::uint32_t baud = qor::getU32(*p, 16);
  b.serialOut.emplace_back(p->begin() + 20, p->begin() + 20 + count);
  std::string bytes;
  for (std::uint32_t i = 0; i < count && i < 16; ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, i ? "-%02x" : "%02x", (*p)[20 + i]);
    bytes += buf;
  }
  return {std::nullopt, "serial out " + std::to_string(count) + " bytes at " +
                            std::to_string(baud) + " baud: " + bytes};
}

Outcome handleMaintenance(BoardState& b, qor::Bytes request) {
  if (!hasMagic(request)) return {std::nullopt, "packet without the qor head: ignored"};
  std::uint8_t cmd = request[3];
  switch (cmd) {
    case 0xC0:
    case 0xC1:
    case 0xC9:
    case 0xCA: {
      if (request.size() < L::kPacketSize)
        return {std::nullopt, shortWrite(cmd, 524, request.size() - 4)};
      Reply packet(request.begin(), request.begin() + L::kPacketSize);
      auto body = qor::MutBytes(packet).subspan(4);
      std::uint16_t device = qor::getU16(body, L::kBodyDevice);
      std::uint16_t bus = qor::getU16(body, L::kBodyBus);
      std::size_t count = std::min<std::size_t>(qor::getU16(body, L::kBodyCount), L::kBodyArea);
      char what[96];
      if (cmd == 0xC1 || cmd == 0xC0) {
        if (cmd == 0xC1) prepareBatchRead(body);
        for (std::size_t i = 0; i < count; ++i) {
          std::uint32_t key = registerKey(bus, device, body[L::kBodyParams + i]);
          if (cmd == 0xC0)
            b.registers[key] = body[L::kBodyData + i];
          else
            body[L::kBodyData + i] = b.registers.count(key) ? b.registers[key] : 0;
        }
        std::snprintf(what, sizeof what, "%s %zu register(s) of bus %u device 0x%02X from 0x%02X",
                      cmd == 0xC0 ? "set" : "query", count, bus, device,
                      count ? body[L::kBodyParams] : 0);
        if (cmd == 0xC0) return {std::nullopt, what};
        qor::putU16(body, L::kBodyStatus, 1);
        qor::putHead(packet, 0xC2);
        return {packet, what};
      }
      std::uint16_t address = qor::getU16(body, L::kBodyParams);
      if (cmd == 0xC9) {
        b.words[address] = qor::getU16(body, L::kBodyData);
        std::snprintf(what, sizeof what, "set word 0x%04X = 0x%04X", address, b.words[address]);
        return {std::nullopt, what};
      }
      std::uint16_t value = b.words.count(address) ? b.words[address] : 0;
      qor::putU32(body, L::kBodyStatus, 1);
      qor::putU16(body, L::kBodyData, value);
      qor::putHead(packet, 0xCB);
      std::snprintf(what, sizeof what, "query word 0x%04X = 0x%04X", address, value);
      return {packet, what};
    }
    case 0xF1:
      return {answer(0xF2, b.picturePosition), "read picture position"};
    case 0xF3:
      if (request.size() < 20) return {std::nullopt, shortWrite(cmd, 16, request.size() - 4)};
      std::copy(request.begin() + 4, request.begin() + 20, b.picturePosition.begin());
      return {std::nullopt, "write picture position"};
    case 0xF5:
      return {answer(0xF6, b.customerTiming), "read customer timing"};
    case 0xF4:
      if (request.size() < 40) return {std::nullopt, shortWrite(cmd, 36, request.size() - 4)};
      // Offsets 24-35 are the board's own measurements; the tool sends them as zero.
      std::copy(request.begin() + 4, request.begin() + 28, b.customerTiming.begin());
      return {std::nullopt, "write customer timing"};
    default:
      return {std::nullopt, "unknown command " + hex(cmd) + ": ignored"};
  }
}

std::chrono::milliseconds requestIdle(std::uint16_t port) {
  return std::chrono::milliseconds(port == qor::kFilePort ? 500 : 1000);
}

Outcome handleFile(BoardState& b, qor::Bytes request) {
  Reply r(16, 0);
  qor::putHead(r, 0xEA);
  qor::putU32(r, 4, 12);
  qor::putU32(r, 8, 0xE7);
  auto result = [&](std::int32_t code, const std::string& what) {
    qor::putI32(r, 12, code);
    return Outcome{r, what + ", result " + std::to_string(code)};
  };
  if (qor::hasHead(request, 0xE7) && request.size() >= 4 + 272) {
    auto descriptor = request.subspan(4, 272);
    std::size_t total = qor::getU32(descriptor, 0), length = qor::getU32(descriptor, 4);
    std::string path = qor::getText(descriptor, 16, 256);
    if (total != 272 + length || request.size() < 4 + total)
      return result(2, "file write to \"" + path + "\" with bad lengths");
    const std::int32_t code = fileWriteResult(b, path);
    if (fileWriteKept(code))
      b.files[path].assign(reinterpret_cast<const char*>(request.data()) + 4 + 272, length);
    return result(code, "file write " + std::to_string(length) + " bytes to \"" + path + "\"");
  }
  if (request.empty()) return result(0, "empty upgrade component");
  return handleUpgrade(b, request);
}

void applyReplyFaults(std::vector<std::uint8_t>& reply, const Faults& faults) {
  if (faults.wrongHead && reply.size() >= 4) reply[3] = static_cast<std::uint8_t>(reply[3] + 1);
  if (faults.cutReply > 0)
    reply.resize(reply.size() > std::size_t(faults.cutReply) ? reply.size() - faults.cutReply : 0);
}

std::string describeReply(const std::optional<std::vector<std::uint8_t>>& reply) {
  if (!reply) return "no answer";
  if (reply->size() < 4) return std::to_string(reply->size()) + " bytes";
  return hex((*reply)[3]) + ", " + std::to_string(reply->size()) + " bytes";
}

}  // namespace qorsim
