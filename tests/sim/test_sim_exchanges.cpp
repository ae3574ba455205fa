// The boards' side of the search and the configuration exchange, over real sockets in the
// test LAN.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "le_bytes.h"
#include "qorsim.h"
#include "raw_peer.h"
#include "wire.h"

using namespace std::chrono_literals;
using rawpeer::Bytes;
using rawpeer::head;

namespace {

Bytes block(const rawpeer::TcpResult& r) {
  return r.reply.size() > 4 ? Bytes(r.reply.begin() + 4, r.reply.end()) : Bytes{};
}

qorsim::Simulator threeBoards() {
  return qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 1, "name": "一号编码器"},
    {"address": "10.77.0.22", "type": 2, "receive": {"address": "239.1.2.3", "port": 5000, "mode": 1}},
    {"address": "10.77.0.23", "type": 7}
  ])"));
}

}  // namespace

TEST(SimSearch, EveryBoardAnswersOnceFromItsOwnAddress) {
  auto sim = threeBoards();
  sim.start();
  auto answers = rawpeer::search();
  ASSERT_EQ(answers.size(), 3u);
  std::set<std::string> from;
  for (auto& a : answers) {
    ASSERT_EQ(a.bytes.size(), 204u);
    EXPECT_TRUE(qor::hasHead(a.bytes, 0xE6));
    Bytes status(a.bytes.begin() + 4, a.bytes.end());
    EXPECT_EQ(qor::ipText(qor::getU32(status, 8)), a.from) << "the status block names the sender";
    from.insert(a.from);
  }
  EXPECT_EQ(from, (std::set<std::string>{"10.77.0.21", "10.77.0.22", "10.77.0.23"}));
  EXPECT_TRUE(sim.waitForJournal([](const qorsim::JournalEntry& e) {
    return e.board == "10.77.0.22" && e.endpoint == "udp:4007" && e.bytes == head(0xE5);
  }));
}

TEST(SimSearch, UnicastQuestionIsAnsweredByThatBoardOnly) {
  auto sim = threeBoards();
  sim.start();
  auto answers = rawpeer::search(500ms, "10.77.0.23");
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].from, "10.77.0.23");
}

TEST(SimSearch, ListenerBoundToThePcAddressGetsTheAnswers) {
  auto sim = threeBoards();
  sim.start();
  EXPECT_EQ(rawpeer::search(500ms, "255.255.255.255", "10.77.0.1").size(), 3u);
}

TEST(SimConfig, StatusReadGivesTheFleetValues) {
  auto sim = threeBoards();
  sim.start();
  auto r = rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5));
  ASSERT_TRUE(r.connected);
  ASSERT_EQ(r.reply.size(), 204u);
  EXPECT_TRUE(qor::hasHead(r.reply, 0xE6));
  Bytes s = block(r);
  EXPECT_EQ(qor::getU32(s, 0), 200u);
  EXPECT_EQ(qor::getI32(s, 68), 1);
  EXPECT_EQ(qor::getText(s, 36, 32), "\xD2\xBB\xBA\xC5\xB1\xE0\xC2\xEB\xC6\xF7") << "name in GBK";
}

TEST(SimConfig, WrittenRecordsShowInTheNextStatusRead) {
  auto sim = threeBoards();
  sim.start();
  struct Case {
    std::uint8_t command;
    std::size_t size, statusOffset;
  } cases[] = {{0x16, 28, 136}, {0x26, 16, 164}, {0xEE, 12, 180}, {0xEF, 8, 192}};
  for (auto c : cases) {
    Bytes w = head(c.command, 4 + c.size);
    qor::putU32(w, 4, static_cast<std::uint32_t>(c.size));
    for (std::size_t i = 8; i < w.size(); ++i) w[i] = static_cast<std::uint8_t>(i * 7 + c.command);
    ASSERT_TRUE(rawpeer::exchange("10.77.0.21", qor::kConfigPort, w, false).connected);
    ASSERT_TRUE(sim.waitForJournal([&](const qorsim::JournalEntry& e) { return e.bytes == w; }));
    auto r = rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5));
    Bytes s = block(r);
    ASSERT_EQ(s.size(), 200u);
    EXPECT_TRUE(std::equal(w.begin() + 4, w.end(), s.begin() + c.statusOffset))
        << "command " << int(c.command);
  }
}

TEST(SimConfig, EveryReadTypeAnswersWithItsCommandAndLength) {
  auto sim = threeBoards();
  sim.start();
  struct Read {
    int type;
    std::uint8_t request, reply;
    std::size_t minBlock;
  } reads[] = {{256, 0xE5, 0xE6, 200}, {257, 0xFD, 0xFE, 80},   {259, 0xC3, 0xC4, 1052},
               {260, 0xC5, 0xC6, 80},  {261, 0xFF, 0xFF, 200},  {262, 0xCC, 0xCD, 4084},
               {263, 0x54, 0x55, 76},  {264, 0x56, 0x57, 8040}, {265, 0x58, 0x59, 68},
               {266, 0x5A, 0x5B, 20},  {267, 0x5C, 0x5D, 32},   {269, 0xC7, 0xC8, 388}};
  for (auto r : reads) {
    auto answer = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(r.request));
    ASSERT_TRUE(qor::hasHead(answer.reply, r.reply)) << "type " << r.type;
    Bytes b = block(answer);
    if (r.type == 266 || r.type == 267) {
      EXPECT_GE(b.size(), r.minBlock) << "type " << r.type;
      EXPECT_EQ(qor::getU32(b, 0), b.size()) << "type " << r.type;
    } else {
      EXPECT_EQ(b.size(), r.minBlock) << "type " << r.type;
      EXPECT_EQ(qor::getU32(b, 0), r.minBlock) << "type " << r.type;
    }
  }
}

TEST(SimConfig, TransportWriteChangesTheFieldsOfTheBoardsKind) {
  auto sim = threeBoards();
  sim.start();
  auto transport = [](bool longForm) {
    Bytes w = head(0xEC, 4 + (longForm ? 228 : 28));
    qor::MutBytes r(w.data() + 4, w.size() - 4);
    qor::putU32(r, 0, 28);
    qor::putU32(r, 4, qor::ipFromOctets(239, 9, 9, 9));
    qor::putU16(r, 8, 4321);
    qor::putU16(r, 10, 1);
    qor::putU32(r, 12, qor::ipFromOctets(10, 77, 0, 21));
    qor::putU16(r, 16, 4322);
    qor::putU16(r, 18, 4);
    if (longForm) {
      qor::putU32(r, 28, 200);
      qor::putText(r, 36, 128, "rtsp://10.77.0.21:8554/live/main");
      qor::putText(r, 164, 32, "admin");
      qor::putText(r, 196, 32, "secret");
    }
    return w;
  };
  // Encoder, short form: send fields only.
  rawpeer::exchange("10.77.0.21", qor::kConfigPort, transport(false), false);
  ASSERT_TRUE(
      sim.waitForJournal([](auto& e) { return e.board == "10.77.0.21" && e.bytes.size() == 32; }));
  Bytes enc = block(rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5)));
  EXPECT_EQ(qor::ipText(qor::getU32(enc, 96)), "239.9.9.9");
  EXPECT_EQ(qor::getU16(enc, 100), 4321);
  EXPECT_EQ(qor::getU16(enc, 102), 1);
  EXPECT_EQ(qor::getU32(enc, 104), 0u);

  // Decoder, long form: receive fields and the stream-access block.
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, transport(true), false);
  ASSERT_TRUE(
      sim.waitForJournal([](auto& e) { return e.board == "10.77.0.22" && e.bytes.size() == 232; }));
  Bytes dec = block(rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0xE5)));
  EXPECT_EQ(qor::ipText(qor::getU32(dec, 104)), "10.77.0.21");
  EXPECT_EQ(qor::getU16(dec, 108), 4322);
  EXPECT_EQ(qor::getI16(dec, 110), 4);
  EXPECT_EQ(qor::ipText(qor::getU32(dec, 96)), "0.0.0.0");
  Bytes access = block(rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0xFF)));
  EXPECT_EQ(qor::getU32(access, 0), 200u);
  EXPECT_EQ(qor::getText(access, 8, 128), "rtsp://10.77.0.21:8554/live/main");
  EXPECT_EQ(qor::getText(access, 136, 32), "admin");
  EXPECT_EQ(qor::getText(access, 168, 32), "secret");
}

TEST(SimConfig, StreamInformationCarriesTheRtspUrl) {
  auto sim = threeBoards();
  sim.start();
  Bytes info = block(rawpeer::exchange("10.77.0.23", qor::kConfigPort, head(0xC7)));
  ASSERT_EQ(info.size(), 388u);
  EXPECT_EQ(qor::getText(info, 260, 128), "rtsp://10.77.0.23:8554/live/main");
}

TEST(SimConfig, PeripheralWriteSetsTheVideoMode) {
  auto sim = threeBoards();
  sim.start();
  Bytes w = head(0xED, 4 + 16);
  qor::putU32(w, 4, 16);
  qor::putU16(w, 8, 23);
  qor::putU16(w, 10, 1920);
  qor::putU16(w, 12, 1080);
  rawpeer::exchange("10.77.0.21", qor::kConfigPort, w, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == w; }));
  Bytes s = block(rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5)));
  EXPECT_EQ(qor::getI16(s, 124), 23);
  EXPECT_EQ(qor::getI16(s, 126), 1920);
  EXPECT_EQ(qor::getI16(s, 128), 1080);
  // The HDMI receiver now reports the interlaced field size.
  sim.withBoard("10.77.0.21", [](qorsim::BoardState& b) {
    EXPECT_EQ(b.registers[qorsim::registerKey(0, 0x6A, 0x09)] << 8 |
                  b.registers[qorsim::registerKey(0, 0x6A, 0x0A)],
              540);
  });
}

namespace {

std::string textCommand(const std::string& address, const std::string& text) {
  Bytes req = head(0x51);
  req.insert(req.end(), text.begin(), text.end());
  req.push_back(0);
  auto r = rawpeer::exchange(address, qor::kConfigPort, req);
  if (!qor::hasHead(r.reply, 0x52)) return "(no answer)";
  return qor::getText(r.reply, 4, r.reply.size() - 4);
}

void textWrite(qorsim::Simulator& sim, const std::string& address, const std::string& text) {
  Bytes req = head(0x50);
  req.insert(req.end(), text.begin(), text.end());
  req.push_back(0);
  rawpeer::exchange(address, qor::kConfigPort, req, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == req; }));
}

}  // namespace

TEST(SimConfig, TextCommandsAnswerIdentityAndEdid) {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 2, "serialNumber": 1234, "id": "甲7"},
    {"address": "10.77.0.22", "type": 1, "serialNumber": "0", "id": ""}
  ])"));
  sim.start();
  EXPECT_EQ(textCommand("10.77.0.21", "getunique:SN=;ID=;"),
            "sendunique:SN=1234;ID=\xBC\xD7"
            "7;")
      << "GBK on the wire";
  EXPECT_EQ(textCommand("10.77.0.22", "getunique:SN=;ID=;"), "sendunique:SN=0;ID=;");

  std::string edid = textCommand("10.77.0.21", "getedidinfo;");
  ASSERT_EQ(edid.size(), 12u + 256 * 5);
  EXPECT_EQ(edid.substr(0, 52), "sendedidinfo0x00;0xFF;0xFF;0xFF;0xFF;0xFF;0xFF;0x00;");
  EXPECT_EQ(textCommand("10.77.0.21", "getedidlock;"), "sendedidlock:0;");
  textWrite(sim, "10.77.0.21", "lockedid:;");
  EXPECT_EQ(textCommand("10.77.0.21", "getedidlock;"), "sendedidlock:1;");
  EXPECT_EQ(textCommand("10.77.0.21", "clearedid:;"), "sendediderror:3;")
      << "a locked EDID is kept";
  EXPECT_EQ(textCommand("10.77.0.21", "setperiphedid:;"), "sendediderror:2;");
  textWrite(sim, "10.77.0.21", "unlockedid:;");
  EXPECT_EQ(textCommand("10.77.0.21", "getedidlock;"), "sendedidlock:0;");
  EXPECT_EQ(textCommand("10.77.0.21", "setperiphedid:;"), "sendediderror:0;");
  std::string monitor = textCommand("10.77.0.21", "getperiphedidinfo;");
  EXPECT_EQ(edid.size() + 6, monitor.size());
  EXPECT_EQ(textCommand("10.77.0.21", "getedidinfo;").substr(12), monitor.substr(18))
      << "monitor EDID copied";
  EXPECT_EQ(textCommand("10.77.0.21", "clearedid:;"), "sendediderror:0;");
  EXPECT_EQ(textCommand("10.77.0.22", "setperiphedid:;"), "sendediderror:1;")
      << "an encoder has no monitor";
}

TEST(SimConfig, IdentityWriteMovesTheBoard) {
  auto sim = threeBoards();
  sim.start();
  Bytes w = head(0xE4, 4 + 88);
  qor::MutBytes r(w.data() + 4, 88);
  qor::putU32(r, 0, 88);
  qor::putU32(r, 4, qor::ipFromOctets(10, 77, 0, 121));
  qor::putU32(r, 8, qor::ipFromOctets(255, 255, 255, 0));
  qor::putU32(r, 12, qor::ipFromOctets(10, 77, 0, 1));
  const std::uint8_t mac[8] = {0x00, 0x0e, 10, 77, 0, 121, 0, 0};
  std::copy(mac, mac + 8, w.begin() + 4 + 24);
  qor::putText(r, 32, 56, "\xD0\xC2\xC3\xFB");  // 新名 in GBK
  rawpeer::exchange("10.77.0.21", qor::kConfigPort, w, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == w; }));

  rawpeer::TcpResult moved;
  for (int i = 0; i < 20 && !qor::hasHead(moved.reply, 0xE6); ++i) {
    moved = rawpeer::exchange("10.77.0.121", qor::kConfigPort, head(0xE5));
    if (!moved.connected) std::this_thread::sleep_for(50ms);
  }
  Bytes s = block(moved);
  ASSERT_EQ(s.size(), 200u);
  EXPECT_EQ(qor::ipText(qor::getU32(s, 8)), "10.77.0.121");
  EXPECT_EQ(qor::ipText(qor::getU32(s, 16)), "10.77.0.1");
  EXPECT_EQ(qor::getText(s, 36, 32), "\xD0\xC2\xC3\xFB");
  EXPECT_EQ(qor::getI32(s, 68), 1) << "the device type is not part of the identity";
  EXPECT_EQ(s[33], 121);
  EXPECT_TRUE(rawpeer::exchange("10.77.0.21", qor::kConfigPort, head(0xE5)).refused)
      << "nothing at the old address";
  auto answers = rawpeer::search();
  EXPECT_EQ(std::count_if(answers.begin(), answers.end(),
                          [](auto& a) { return a.from == "10.77.0.121"; }),
            1);
}

TEST(SimDirectFrames, VideoPositionAndValue) {
  auto sim = threeBoards();
  sim.start();
  // Position write: -1 leaves a field, value -1 asks for the register at the address.
  Bytes w = head(0xF3, qor::kFrameSize);
  for (std::size_t off = 8; off <= 22; off += 2) qor::putU16(w, off, 0xFFFF);
  qor::putU16(w, 12, 640);  // X coordinate
  qor::putU32(w, 24, 0x1C71C80);
  qor::putU32(w, 28, 0xFFFFFFFF);
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, w, false);
  ASSERT_TRUE(sim.waitForJournal(
      [&](auto& e) { return e.bytes.size() == qor::kFrameSize && e.bytes[3] == 0xF3; }));
  auto read = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0xF1, qor::kFrameSize));
  ASSERT_EQ(read.reply.size(), 40u);
  EXPECT_EQ(read.reply[3], 0xF2);
  EXPECT_EQ(qor::getU16(read.reply, 8), 1920) << "width left as it was";
  EXPECT_EQ(qor::getU16(read.reply, 12), 640);
  EXPECT_EQ(qor::getU32(read.reply, 24), 0x1C71C80u);
  std::uint32_t reg = 0;
  sim.withBoard(1, [&](qorsim::BoardState& b) { reg = b.videoRegisters.at(0x1C71C80); });
  EXPECT_EQ(qor::getU32(read.reply, 28), reg);

  Bytes value = head(0x3C, qor::kFrameSize);
  qor::putU32(value, 8, 115200);
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, value, false);
  ASSERT_TRUE(sim.waitForJournal(
      [&](auto& e) { return e.bytes.size() == qor::kFrameSize && e.bytes[3] == 0x3C; }));
  auto v = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0x3D));
  ASSERT_EQ(v.reply.size(), 36u);
  EXPECT_TRUE(qor::hasHead(v.reply, 0x3E));
  EXPECT_EQ(qor::getU32(v.reply, 8), 115200u);
}

TEST(SimSerial, DataIsPassedToThePortAndJournaled) {
  auto sim = threeBoards();
  sim.start();
  Bytes w = head(0xFA, 4 + 1052);
  qor::putU32(w, 4, 1052);
  qor::putU32(w, 8, 7);
  qor::putU32(w, 20, 9600);
  const std::uint8_t frame[7] = {0xff, 0x01, 0x00, 0x08, 0x00, 0x3f, 0x48};
  std::copy(frame, frame + 7, w.begin() + 24);
  EXPECT_TRUE(rawpeer::exchange("10.77.0.23", qor::kSerialPort, w, false).connected);
  ASSERT_TRUE(
      sim.waitForJournal([&](auto& e) { return e.endpoint == "tcp:8067" && e.bytes == w; }));
  sim.withBoard("10.77.0.23", [&](qorsim::BoardState& b) {
    ASSERT_EQ(b.serialOut.size(), 1u);
    EXPECT_EQ(b.serialOut[0], Bytes(frame, frame + 7));
  });
}

namespace {

Bytes maintenance(std::uint8_t cmd, std::uint16_t device, std::uint16_t bus,
                  std::vector<std::uint8_t> registers, std::vector<std::uint8_t> values = {}) {
  Bytes p = head(cmd, 528);
  qor::putU32(p, 4, 524);
  qor::putU16(p, 8, device);
  qor::putU16(p, 10, static_cast<std::uint16_t>(registers.size()));
  qor::putU16(p, 14, bus);
  std::copy(registers.begin(), registers.end(), p.begin() + 16);
  std::copy(values.begin(), values.end(), p.begin() + 272);
  return p;
}

}  // namespace

TEST(SimMaintenance, RegisterFilePerBusAndDeviceOnBothPorts) {
  auto sim = threeBoards();
  sim.start();
  Bytes set = maintenance(0xC0, 0x42, 2, {0x10, 0x11, 0x12}, {0xA1, 0xA2, 0xA3});
  EXPECT_TRUE(rawpeer::exchange("10.77.0.21", qor::kRegisterAltPort, set, false).connected);
  ASSERT_TRUE(
      sim.waitForJournal([&](auto& e) { return e.endpoint == "tcp:8070" && e.bytes == set; }));

  auto query = rawpeer::exchange("10.77.0.21", qor::kRegisterPort,
                                 maintenance(0xC1, 0x42, 2, {0x12, 0x10, 0x11}));
  ASSERT_EQ(query.reply.size(), 528u);
  EXPECT_TRUE(qor::hasHead(query.reply, 0xC2));
  EXPECT_EQ(qor::getU16(query.reply, 12), 1) << "status done";
  EXPECT_EQ(Bytes(query.reply.begin() + 272, query.reply.begin() + 275), (Bytes{0xA3, 0xA1, 0xA2}));
  EXPECT_EQ(query.reply[275], 0) << "only n registers answered";

  auto otherBus =
      rawpeer::exchange("10.77.0.21", qor::kRegisterPort, maintenance(0xC1, 0x42, 0, {0x10}));
  EXPECT_EQ(otherBus.reply[272], 0) << "bus 0 is another register file";

  // Batch of 256 over the capture front end: the detect registers follow the capture mode.
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  auto batch = rawpeer::exchange("10.77.0.21", qor::kRegisterPort, maintenance(0xC1, 0x42, 0, all));
  ASSERT_EQ(batch.reply.size(), 528u);
  int lines = ((batch.reply[272 + 0xB3] & 0x07) << 8) | batch.reply[272 + 0xB4];
  EXPECT_EQ(lines, 1125) << "1080-line input";
}

TEST(SimMaintenance, SixteenBitRegisters) {
  auto sim = threeBoards();
  sim.start();
  Bytes set = maintenance(0xC9, 0, 0, {});
  qor::putU16(set, 10, 1);
  qor::putU16(set, 16, 0x1234);
  qor::putU16(set, 272, 0xBEEF);
  rawpeer::exchange("10.77.0.21", qor::kRegisterPort, set, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == set; }));
  Bytes q = maintenance(0xCA, 0, 0, {});
  qor::putU16(q, 10, 1);
  qor::putU16(q, 16, 0x1234);
  auto r = rawpeer::exchange("10.77.0.21", qor::kRegisterPort, q);
  ASSERT_EQ(r.reply.size(), 528u);
  EXPECT_TRUE(qor::hasHead(r.reply, 0xCB));
  EXPECT_EQ(qor::getU32(r.reply, 12), 1u);
  EXPECT_EQ(qor::getU16(r.reply, 272), 0xBEEF);
}

TEST(SimMaintenance, ShortPacketRecords) {
  auto sim = threeBoards();
  sim.start();
  auto p16 = rawpeer::exchange("10.77.0.21", qor::kRegisterPort, head(0xF1));
  ASSERT_EQ(p16.reply.size(), 20u);
  EXPECT_TRUE(qor::hasHead(p16.reply, 0xF2));
  EXPECT_EQ(qor::getU32(p16.reply, 12), 1920u);

  Bytes w16 = head(0xF3, 20);
  qor::putU32(w16, 4, 3);
  qor::putU32(w16, 8, 5);
  qor::putU32(w16, 12, 1912);
  qor::putU32(w16, 16, 1072);
  rawpeer::exchange("10.77.0.21", qor::kRegisterPort, w16, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == w16; }));
  Bytes expected = w16;
  expected[3] = 0xF2;
  EXPECT_EQ(rawpeer::exchange("10.77.0.21", qor::kRegisterPort, head(0xF1)).reply, expected);

  Bytes w36 = head(0xF4, 40);
  qor::putU32(w36, 4, 1600);
  qor::putU32(w36, 8, 1200);
  qor::putU32(w36, 12, 60);
  qor::putU32(w36, 16, 162000000);
  qor::putU16(w36, 20, 2160);
  qor::putU16(w36, 22, 1250);
  rawpeer::exchange("10.77.0.21", qor::kRegisterPort, w36, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == w36; }));
  auto r36 = rawpeer::exchange("10.77.0.21", qor::kRegisterPort, head(0xF5));
  ASSERT_EQ(r36.reply.size(), 40u);
  EXPECT_TRUE(qor::hasHead(r36.reply, 0xF6));
  EXPECT_TRUE(std::equal(w36.begin() + 4, w36.begin() + 28, r36.reply.begin() + 4));
  EXPECT_NE(qor::getU16(r36.reply, 36), 0) << "the board's own measurements stay";
}

TEST(SimService, ClockOverlaysAndStorageKeepWhatWasSet) {
  auto sim = threeBoards();
  sim.start();
  Bytes setClock = head(0x30, 44);
  const std::pair<std::size_t, std::int32_t> when[] = {{0, 115}, {4, 2},  {8, 7},
                                                       {20, 8},  {24, 9}, {28, 10}};
  for (auto [off, v] : when) qor::putI32(setClock, 4 + off, v);
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, setClock, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == setClock; }));
  auto clock = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0x31));
  ASSERT_EQ(clock.reply.size(), 44u);
  EXPECT_TRUE(qor::hasHead(clock.reply, 0x32));
  for (auto [off, v] : when) {
    if (off == 28) continue;
    EXPECT_EQ(qor::getI32(clock.reply, 4 + off), v) << "offset " << off;
  }
  EXPECT_LE(qor::getI32(clock.reply, 4 + 28) - 10, 2) << "seconds run on";

  auto overlay = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0x34));
  ASSERT_EQ(overlay.reply.size(), 372u);
  EXPECT_TRUE(qor::hasHead(overlay.reply, 0x35));
  EXPECT_EQ(qor::getU16(overlay.reply, 4 + 188 + 20), u'时');
  Bytes setOverlay = head(0x33, 372);
  qor::putU32(setOverlay, 8, 2);
  qor::putU16(setOverlay, 4 + 8 + 20, 'A');
  qor::putU16(setOverlay, 4 + 8 + 22, 'B');
  qor::putU32(setOverlay, 4 + 8 + 148, 3);
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, setOverlay, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == setOverlay; }));
  Bytes expected = setOverlay;
  expected[3] = 0x35;
  EXPECT_EQ(rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0x34)).reply, expected);

  Bytes setStorage = head(0x39, 24);
  qor::putU32(setStorage, 4, 512);
  qor::putU32(setStorage, 8, 2048);
  qor::putU32(setStorage, 20, 0);
  rawpeer::exchange("10.77.0.22", qor::kConfigPort, setStorage, false);
  ASSERT_TRUE(sim.waitForJournal([&](auto& e) { return e.bytes == setStorage; }));
  auto storage = rawpeer::exchange("10.77.0.22", qor::kConfigPort, head(0x3A));
  ASSERT_EQ(storage.reply.size(), 44u);
  EXPECT_TRUE(qor::hasHead(storage.reply, 0x3B));
  EXPECT_EQ(qor::getU32(storage.reply, 4), 512u);
  EXPECT_EQ(qor::getU32(storage.reply, 8), 2048u);
  EXPECT_GT(qor::getU32(storage.reply, 20), 0u) << "total size";
  EXPECT_EQ(qor::getU32(storage.reply, 40), 0u) << "save switch";
}

TEST(SimFiles, LoginFileAndUpgradeComponentsAreAnswered) {
  auto sim = threeBoards();
  sim.start();
  std::string text = "username=root\npasswd=s3cret\n";
  Bytes write = head(0xE7, 4 + 272);
  qor::putU32(write, 4, static_cast<std::uint32_t>(272 + text.size()));
  qor::putU32(write, 8, static_cast<std::uint32_t>(text.size()));
  qor::putU32(write, 16, 4);
  qor::putText(write, 20, 256, "/mnt/apps/configFile/login.ini");
  write.insert(write.end(), text.begin(), text.end());
  auto answer = rawpeer::exchange("10.77.0.22", qor::kFilePort, write);
  ASSERT_EQ(answer.reply.size(), 16u);
  EXPECT_TRUE(qor::hasHead(answer.reply, 0xEA));
  EXPECT_EQ(qor::getU32(answer.reply, 4), 12u);
  EXPECT_EQ(qor::getU32(answer.reply, 8), 0xE7u);
  EXPECT_EQ(qor::getI32(answer.reply, 12), 1);
  sim.withBoard("10.77.0.22", [&](qorsim::BoardState& b) {
    EXPECT_EQ(b.files["/mnt/apps/configFile/login.ini"], text);
  });

  // A component is taken whole once the sender pauses, however large.
  Bytes component(3 << 20);
  for (std::size_t i = 0; i < component.size(); ++i)
    component[i] = static_cast<std::uint8_t>(i * 31);
  auto upgraded = rawpeer::exchange("10.77.0.21", qor::kFilePort, component, true, 5000ms);
  ASSERT_EQ(upgraded.reply.size(), 16u);
  EXPECT_EQ(qor::getI32(upgraded.reply, 12), 1);
  sim.withBoard("10.77.0.21", [&](qorsim::BoardState& b) {
    EXPECT_EQ(b.upgradeComponents, std::vector<std::size_t>{component.size()});
  });
}
