// Fleet descriptions: defaults, raw status blocks, and errors that name the field.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "le_bytes.h"
#include "qorsim.h"
#include "wire.h"

using nlohmann::json;

namespace {

std::string fleetError(const json& fleet) {
  try {
    qorsim::Simulator::fromJson(fleet);
  } catch (const qorsim::FleetError& e) {
    return e.what();
  }
  return "(accepted)";
}

qorsim::BoardState board(qorsim::Simulator& sim, std::size_t i) {
  qorsim::BoardState copy;
  sim.withBoard(i, [&](qorsim::BoardState& b) { copy = b; });
  return copy;
}

}  // namespace

TEST(SimFleet, BadFieldsAreNamedWithTheirBoard) {
  struct Case {
    const char* fleet;
    const char* mentions;
  } cases[] = {
      {R"([{"type": 1}])", "boards[0].address"},
      {R"([{"address": "10.77.0.300"}])", "boards[0].address"},
      {R"([{"address": "10.77.0.5"}, {"address": "10.77.0.6", "send": {"port": 70000}}])",
       "boards[1].send.port"},
      {R"([{"address": "10.77.0.5", "send": {"port": "1234"}}])", "boards[0].send.port"},
      {R"([{"address": "10.77.0.5", "mac": "00:11:22:33:44"}])", "boards[0].mac"},
      {R"([{"address": "10.77.0.5", "adress": "10.77.0.6"}])", "boards[0].adress: unknown field"},
      {R"([{"address": "10.77.0.5", "name": "一二三四五六七八九十一二三四五六"}])",
       "boards[0].name"},
      {R"([{"address": "10.77.0.5", "versions": {"k": "3"}}])", "boards[0].versions.k"},
      {R"([{"address": "10.77.0.5", "faults": {"delayMs": -1}}])", "boards[0].faults.delayMs"},
      {R"([{"address": "10.77.0.5", "faults": {"searchReplyFrom": "somewhere"}}])",
       "boards[0].faults.searchReplyFrom"},
      {R"([{"statusBlock": "00ff"}])", "boards[0].statusBlock"},
      {R"([{"address": "10.77.0.5", "stream": {"user": "abcdefghijklmnopqrstuvwxyz0123456"}}])",
       "boards[0].stream.user"},
      {R"({"boards": []})", "no boards"},
      {R"({"restartSeconds": "3", "boards": [{"address": "10.77.0.5"}]})", "fleet.restartSeconds"},
      {R"("a fleet")", "boards"},
      {R"([{"address": "0.0.0.0"}])", "boards[0].address"},
  };
  for (auto& c : cases) {
    std::string message = fleetError(json::parse(c.fleet));
    EXPECT_NE(message.find(c.mentions), std::string::npos) << c.fleet << "\n  gave: " << message;
  }
}

TEST(SimFleet, FileErrorsNameTheFile) {
  std::string path = ::testing::TempDir() + "/broken_fleet.json";
  std::ofstream(path) << "[{\"address\": \"10.77.0.5\",]";
  try {
    qorsim::Simulator::fromFile(path);
    FAIL() << "accepted a broken file";
  } catch (const qorsim::FleetError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_THROW(qorsim::Simulator::fromFile(path + ".missing"), qorsim::FleetError);
}

TEST(SimFleet, DefaultsSuitTheDeviceType) {
  auto sim = qorsim::Simulator::fromJson(json::parse(R"([
    {"address": "10.77.0.5", "type": 7},
    {"address": "10.77.0.6", "type": 4, "name": "解码"}
  ])"));
  auto enc = board(sim, 0);
  qor::Bytes s(enc.status);
  EXPECT_EQ(qor::getU32(s, 0), 200u);
  EXPECT_EQ(qor::getU32(s, 4), 88u);
  EXPECT_EQ(qor::ipText(qor::getU32(s, 12)), "255.255.255.0");
  EXPECT_EQ(qor::ipText(qor::getU32(s, 16)), "10.77.0.254");
  EXPECT_EQ(std::vector<std::uint8_t>(enc.status.begin() + 28, enc.status.begin() + 34),
            (std::vector<std::uint8_t>{0x00, 0x0e, 10, 77, 0, 5}))
      << "MAC follows the boards' own rule";
  EXPECT_EQ(qor::getI16(s, 124), 27) << "SDI encoder captures SDI";
  EXPECT_EQ(qor::getU16(s, 102), 1);
  EXPECT_EQ(qor::ipText(qor::getU32(s, 96)), "239.77.0.5");
  EXPECT_EQ(qor::getU32(s, 136), 28u);
  EXPECT_EQ(qor::getU32(s, 164), 16u);
  EXPECT_EQ(qor::getU32(s, 180), 12u);
  EXPECT_EQ(qor::getU32(s, 192), 8u);
  EXPECT_EQ(enc.name, "SDI编码器-5");
  EXPECT_FALSE(enc.serialNumber.empty());
  EXPECT_EQ(qor::getText(enc.streamInfo, 260, 128), "rtsp://10.77.0.5:8554/live/main");

  auto dec = board(sim, 1);
  qor::Bytes d(dec.status);
  EXPECT_EQ(qor::getI16(d, 124), 131);
  EXPECT_EQ(qor::getU32(d, 96), 0u) << "decoders do not send";
  EXPECT_EQ(dec.name, "解码");
  EXPECT_EQ(dec.monitorEdid[0], 0x00);
  EXPECT_EQ(dec.monitorEdid[1], 0xFF);
}

TEST(SimFleet, RawStatusBlockIsTheBaseAndFieldsOverrideIt) {
  std::array<std::uint8_t, 200> raw{};
  qor::putU32(raw, 0, 200);
  qor::putU32(raw, 8, qor::ipFromOctets(10, 77, 0, 9));
  qor::putI32(raw, 68, 21);
  qor::putText(raw, 36, 32, "\xB2\xE2\xCA\xD4");  // 测试 in GBK
  raw[150] = 0xAB;                                // a byte the program only carries
  std::string hex;
  for (auto b : raw) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", b);
    hex += buf;
  }
  auto sim = qorsim::Simulator::fromJson(
      json::array({{{"statusBlock", hex}, {"receive", {{"mode", 101}}}}}));
  auto b = board(sim, 0);
  EXPECT_EQ(sim.addresses(), std::vector<std::string>{"10.77.0.9"});
  EXPECT_EQ(b.name, "测试");
  EXPECT_EQ(b.status[150], 0xAB);
  EXPECT_EQ(qor::getI16(b.status, 110), 101);
  EXPECT_EQ(b.deviceType(), 21);
}

TEST(SimFleet, DemoFleetCoversTheLan) {
  const char* dir = std::getenv("TAVMON_SIM_FLEETS");
  ASSERT_TRUE(dir);
  auto sim = qorsim::Simulator::fromFile(std::string(dir) + "/demo.json");
  ASSERT_GE(sim.boardCount(), 12u);
  std::set<int> types, sendModes, receiveModes, sendClasses;
  std::map<std::string, int> addressUse;
  bool foreign = false;
  for (std::size_t i = 0; i < sim.boardCount(); ++i) {
    auto b = board(sim, i);
    qor::Bytes s(b.status);
    types.insert(b.deviceType());
    std::string ip = qor::ipText(b.ip());
    ++addressUse[ip];
    if (ip.rfind("10.77.0.", 0) != 0) foreign = true;
    EXPECT_TRUE(b.faults.silent == false && b.faults.delayMs == 0) << "demo boards behave";
    if (b.isEncoderKind()) {
      int mode = qor::getU16(s, 102);
      std::uint32_t to = qor::getU32(s, 96);
      int first = to & 0xff, last = to >> 24;
      if (mode >= 3)
        sendClasses.insert(mode);
      else if (first >= 224 && first <= 239)
        sendClasses.insert(0);
      else if (last == 255)
        sendClasses.insert(1);
      else if (to == 0 && qor::getU16(s, 100) == 0)
        sendClasses.insert(2);
      else
        sendClasses.insert(10);
    } else {
      receiveModes.insert(qor::getI16(s, 110));
    }
  }
  EXPECT_EQ(types, (std::set<int>{1, 2, 3, 4, 7, 8, 9, 11, 20, 21}));
  EXPECT_EQ(sendClasses, (std::set<int>{0, 1, 2, 3, 5, 6, 8, 10}))
      << "multicast, broadcast, on demand, TCP, RTSP, RTMP, Onvif, unicast";
  EXPECT_EQ(receiveModes, (std::set<int>{0, 1, 2, 3, 4, 8, 101, 201}));
  EXPECT_TRUE(foreign);
  EXPECT_TRUE(
      std::any_of(addressUse.begin(), addressUse.end(), [](auto& p) { return p.second == 2; }));
}
