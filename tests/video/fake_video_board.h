#pragma once
// A board for the video pages' unit tests: a BoardLink answering the status read and taking
// configuration writes, and VideoChannels keeping registers and records, both journalling.
#include <map>
#include <string>
#include <vector>

#include "device/board_link.h"
#include "fake_board_link.h"
#include "le_bytes.h"
#include "video/video_channels.h"

namespace tav::test {

class FakeVideoBoard : public FakeBoardLink, public VideoChannels {
 public:
  StatusBlock status{};
  int statusResult = 0;
  int setResult = 0;
  struct ConfigWrite {
    int type;
    std::vector<std::uint8_t> record;
  };
  std::vector<ConfigWrite> configWrites;

  std::map<std::pair<int, int>, std::uint8_t> registers;  // (device, register)
  int exchangeResult = 0, exchangeAltResult = 0, postResult = 0;
  struct Post {
    bool alt;
    int device;
    std::vector<RegisterWrite> writes;
  };
  std::vector<Post> posts;
  std::vector<std::pair<int, RegisterWrite>> setBytes;

  Record16 record16{};
  Record36 record36{};
  int record16Result = 0, record36Result = 0, writeRecord36Result = 0;
  std::vector<Record16> written16;
  std::vector<Record36> written36;
  VideoPosition position{};
  int positionResult = 0;
  std::vector<VideoPosition> writtenPositions;

  int getConfig(const std::string&, int type, std::span<std::uint8_t> record) override {
    if (type != 256 || statusResult != 0) return statusResult ? statusResult : 1;
    std::copy(status.begin(), status.end(), record.begin());
    return 0;
  }
  int setConfig(const std::string&, int type, std::span<const std::uint8_t> record) override {
    configWrites.push_back({type, {record.begin(), record.end()}});
    return setResult;
  }
  std::unique_ptr<BoardStream> open(std::uint32_t, std::uint16_t, const StreamLimits&) override {
    return nullptr;
  }

  int query(RegisterBlock& body, int result) {
    if (result != 0) return result;
    const int device = qor::getU16(body, 4);
    for (int i = 0; i < qor::getU16(body, 6); ++i)
      body[268 + i] = registers[{device, body[12 + i]}];
    return 0;
  }
  int exchange(RegisterBlock& body) override { return query(body, exchangeResult); }
  int exchangeAlt(RegisterBlock& body) override { return query(body, exchangeAltResult); }
  int record(const RegisterBlock& body, bool alt) {
    Post post{alt, qor::getU16(body, 4), {}};
    for (int i = 0; i < qor::getU16(body, 6); ++i)
      post.writes.push_back({body[12 + i], body[268 + i]});
    posts.push_back(post);
    return postResult;
  }
  int post(const RegisterBlock& body) override { return record(body, false); }
  int postAlt(const RegisterBlock& body) override { return record(body, true); }
  int setByte(int device, std::uint8_t reg, std::uint8_t value) override {
    setBytes.push_back({device, {reg, value}});
    return postResult;
  }
  int readRecord16(Record16& r) override {
    if (record16Result == 0) r = record16;
    return record16Result;
  }
  int writeRecord16(const Record16& r) override {
    written16.push_back(r);
    return record16Result;
  }
  int readRecord36(Record36& r) override {
    if (record36Result == 0) r = record36;
    return record36Result;
  }
  int writeRecord36(const Record36& r) override {
    written36.push_back(r);
    return writeRecord36Result;
  }
  int readVideoPosition(VideoPosition& p, Notifier&) override {
    if (positionResult == 0) p = position;
    return positionResult;
  }
  int writeVideoPosition(const VideoPosition& p, Notifier&) override {
    writtenPositions.push_back(p);
    return 0;
  }
};

}  // namespace tav::test
