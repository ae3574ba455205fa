// tavctl's video commands against simulated boards: mode, detection and position read back,
// a mode applied, capture registers and both position records.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli.h"
#include "commands.h"
#include "le_bytes.h"
#include "qorsim.h"

namespace ctl = tav::ctl;

namespace {

struct CtlRun {
  int status;
  std::string out, err;
};

CtlRun tavctl(std::vector<std::string> args) {
  args.insert(args.begin(), "tavctl");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::istringstream in;
  std::ostringstream out, err;
  int status = ctl::RunCli(static_cast<int>(argv.size()), argv.data(), in, out, err);
  return {status, out.str(), err.str()};
}

qorsim::Simulator fleet() {
  auto sim = qorsim::Simulator::fromJson(nlohmann::json::parse(R"([
    {"address": "10.77.0.21", "type": 1, "video": {"mode": 12, "width": 1920, "height": 1080}},
    {"address": "10.77.0.22", "type": 4, "versions": {"a": "3.1"}, "video": {"mode": 131, "width": 1024, "height": 768}},
    {"address": "10.77.0.23", "type": 20, "video": {"mode": 3, "width": 1280, "height": 1024}}
  ])"));
  sim.start();
  return sim;
}

template <class F>
bool until(qorsim::Simulator& sim, int index, F done) {
  for (int i = 0; i < 300; ++i) {
    bool ok = false;
    sim.withBoard(index, [&](qorsim::BoardState& b) { ok = done(b); });
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

TEST(TavctlVideo, ShowsModeDetectionAndPosition) {
  auto sim = fleet();
  CtlRun r = tavctl({"video", "10.77.0.21", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["mode"], "CAPTURE_HDMI_1920x1080_60Hz");
  EXPECT_EQ(j["resolution"], "1080P");
  EXPECT_NE(j["detect"].get<std::string>().find("(1080P)"), std::string::npos);
  EXPECT_EQ(j["picturePosition"]["width"], 1920);

  r = tavctl({"video", "10.77.0.22"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("DISPLAY_VGA_1024x768_60Hz"), std::string::npos);
  EXPECT_NE(r.out.find("左右位置 0"), std::string::npos) << r.out;
}

TEST(TavctlVideo, AppliesAModeFromTheTable) {
  auto sim = fleet();
  CtlRun r = tavctl({"video", "10.77.0.21", "--mode", "CAPTURE_HDMI_1280x1024", "--refresh", "75",
                     "--audio", "HDMI"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(until(sim, 0, [](auto& b) { return qor::getU16(b.status, 124) == 21; }));
  sim.withBoard(0, [](auto& b) {
    EXPECT_EQ(qor::getU16(b.status, 126), 1280);
    EXPECT_EQ(qor::getU16(b.status, 130), 0x0100);
  });
  EXPECT_EQ(tavctl({"video", "10.77.0.21", "--mode", "CAPTURE_NOTHING"}).status,
            ctl::kExitBadArguments);
  EXPECT_EQ(tavctl({"video", "10.77.0.99"}).status, ctl::kExitNoAnswer);
}

TEST(TavctlVideo, CaptureAndPositions) {
  auto sim = fleet();
  CtlRun r = tavctl({"capture", "10.77.0.23", "--voffset", "0x35", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["lines"], 1125);
  ASSERT_TRUE(until(sim, 2, [](auto& b) {
    return b.registers.count(qorsim::registerKey(0, 0x42, 0x7F)) &&
           b.registers[qorsim::registerKey(0, 0x42, 0x7F)] == 0x35;
  }));
  r = tavctl({"capture", "10.77.0.23", "--clock", "1000"});
  EXPECT_EQ(r.status, ctl::kExitExchangeFailed);
  EXPECT_NE(r.err.find("请输入参数"), std::string::npos);

  r = tavctl({"position", "10.77.0.21", "--clear", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["picturePosition"]["up"], -1);
  ASSERT_TRUE(until(sim, 0, [](auto& b) { return qor::getI32(b.picturePosition, 4) == -1; }));
  r = tavctl({"position", "10.77.0.21"});
  EXPECT_NE(r.out.find("上移 -1  左移 -1  长宽 0x0"), std::string::npos) << r.out;

  r = tavctl({"position", "10.77.0.22", "--video", "--set-video", "1024,768,0,0,26,5,0,0"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(until(sim, 1, [](auto& b) { return qor::getU16(b.videoPosition, 12) == 1200; }));
  r = tavctl({"position", "10.77.0.22", "--video", "--register", "1C71F81"});
  EXPECT_EQ(r.status, ctl::kExitBadArguments);
  r = tavctl({"position", "10.77.0.22", "--video", "--register", "1C71C00", "--value", "BEEF"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(until(sim, 1, [](auto& b) { return b.videoRegisters[0x1C71C00] == 0xBEEF; }));
  // The read asks by a write and then reads; after the write above either order gives BEEF.
  r = tavctl({"position", "10.77.0.22", "--video", "--register", "1C71C00", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["register"]["value"], "beef");

  qorsim::Faults faults;
  faults.refuseTcp = true;
  sim.setFaults(0, faults);
  EXPECT_EQ(tavctl({"position", "10.77.0.21"}).status, ctl::kExitNoAnswer);
}
