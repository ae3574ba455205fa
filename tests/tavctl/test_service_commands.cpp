// tavctl's service commands over a scripted link: what they print, and the input they refuse
// before anything is sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "pages/clock_settings.h"
#include "pages/osd_settings.h"
#include "pages/storage_settings.h"
#include "scripted_link.h"
#include "service_commands.h"
#include "wire.h"

namespace ctl = tav::ctl;
using namespace tav;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Answer(std::uint8_t command, qor::Bytes block) {
  Bytes b(4 + block.size());
  qor::putHead(b, command);
  qor::putBytes(b, 4, block);
  return b;
}

}  // namespace

TEST(TavctlService, PrintsWhatTheBoardSaid) {
  test::ScriptedLink link;
  Bytes report(40);
  for (auto [off, v] : {std::pair{0, 256}, {4, 1024}, {16, 900}, {20, 800}, {28, 700}, {32, 3}})
    qor::putU32(report, off, v);
  link.next()->answers.push_back(Answer(0x3B, report));
  std::ostringstream out, err;
  ctl::StorageOptions storage{"10.77.0.9", false, {}, {}, {}};
  ASSERT_EQ(ctl::Storage(link, storage, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("Total size:\t900 MB\nUsed  size:\t800 MB\nRecord size:\t700 "
                           "MB\nFile count:\t3\n"),
            std::string::npos)
      << out.str();

  // A board's overlay text reaches the terminal with its control characters escaped.
  OverlayBlock block;
  block.time.text = u"A\x1b[2JB";
  link.next()->answers.push_back(Answer(0x35, EncodeOverlay(block)));
  out.str("");
  ctl::OsdOptions osd;
  osd.address = "10.77.0.9";
  ASSERT_EQ(ctl::Osd(link, osd, out, err), 0) << err.str();
  EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
  EXPECT_NE(out.str().find("A\\x1B[2JB"), std::string::npos) << out.str();

  link.next()->answers.push_back(Answer(0x32, EncodeClock({2015, 3, 7, 8, 9, 10})));
  out.str("");
  ctl::TimeOptions time{"10.77.0.9", std::nullopt, false, true};
  ASSERT_EQ(ctl::Time(link, time, out, err), 0);
  EXPECT_EQ(nlohmann::json::parse(out.str())["time"], "2015-03-07 08:09:10");
}

TEST(TavctlService, RefusesBeforeSending) {
  test::ScriptedLink link;
  std::ostringstream out, err;
  std::istringstream in("secret\n");
  EXPECT_EQ(ctl::Time(link, {"10.77.0.9", "2015-02-30x", false, false}, out, err), 2);
  ctl::OsdOptions osd;
  osd.address = "10.77.0.9";
  osd.channel = 4;
  EXPECT_EQ(ctl::Osd(link, osd, out, err), 2);
  osd.channel.reset();
  osd.text.colour = 6;
  EXPECT_EQ(ctl::Osd(link, osd, out, err), 2);
  EXPECT_EQ(ctl::Storage(link, {"10.77.0.9", false, "12MB", {}, {}}, out, err), 2);
  EXPECT_EQ(ctl::Password(link, {"10.77.0.9", "root", false, false}, in, out, err), 2);
  EXPECT_EQ(ctl::Password(link, {"10.77.0.9", "root\n", true, false}, in, out, err), 2);
  EXPECT_EQ(ctl::Time(link, {"255.255.255.255", std::nullopt, false, false}, out, err), 2);
  EXPECT_TRUE(link.opened.empty());

  // A silent board is "no answer"; the one that refuses, too.
  link.next();
  ctl::TimeOptions read{"10.77.0.9", std::nullopt, false, false};
  EXPECT_EQ(ctl::Time(link, read, out, err), 3);
  EXPECT_EQ(ctl::Time(link, read, out, err), 3);
  EXPECT_NE(err.str().find("recv error"), std::string::npos);
}
