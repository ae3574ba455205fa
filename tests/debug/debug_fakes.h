#pragma once
// A board link and a maintenance port that answer from a script and keep what was sent.
#include <deque>
#include <string>
#include <vector>

#include "debug/maintenance_port.h"
#include "device/board_link.h"
#include "fake_board_link.h"
#include "device/notifier.h"

namespace tav::test {

class FakeLink final : public FakeBoardLink {
 public:
  struct Call {
    std::string address;
    int type;
    std::vector<std::uint8_t> bytes;  // request as passed (type 268: the text up to its NUL)
    std::string text() const { return std::string(bytes.begin(), bytes.end()); }
  };
  struct Answer {
    int result = 0;
    std::string text;  // type 268 answers
  };
  std::vector<Call> gets, sets;
  std::deque<Answer> answers;  // for getConfig, front first; empty: result 15
  int setResult = 0;

  int getConfig(const std::string& address, int type, std::span<std::uint8_t> record) override {
    std::string request(reinterpret_cast<const char*>(record.data()));
    gets.push_back({address, type, std::vector<std::uint8_t>(request.begin(), request.end())});
    if (answers.empty()) return 15;
    Answer a = answers.front();
    answers.pop_front();
    if (a.result != 0) return a.result;
    std::fill(record.begin(), record.end(), 0);
    std::copy_n(a.text.begin(), std::min(a.text.size(), record.size() - 1), record.begin());
    return 0;
  }
  int setConfig(const std::string& address, int type,
                std::span<const std::uint8_t> record) override {
    sets.push_back({address, type, std::vector<std::uint8_t>(record.begin(), record.end())});
    return setResult;
  }
  std::unique_ptr<BoardStream> open(std::uint32_t, std::uint16_t, const StreamLimits&) override {
    return nullptr;
  }
};

class FakePort final : public MaintenancePort {
 public:
  struct Call {
    std::string what;  // "queryByte", "setByte", "queryWord", "setWord", "exchange", "post"
    bool alt = false;
    int code = 0;
    std::uint16_t reg = 0, value = 0;
    RegisterBlock body{};
  };
  std::vector<Call> calls;
  int result = 0;
  std::uint16_t answerValue = 0;
  RegisterBlock answerBody{};  // exchange answers with this body when set (size field non-zero)
  std::uint32_t baud = 0;
  int writeResult = 0;
  std::vector<std::uint32_t> written;

  int queryByte(int code, std::uint8_t reg, std::uint8_t& value) override {
    calls.push_back({"queryByte", false, code, reg, 0, {}});
    if (result == 0) value = static_cast<std::uint8_t>(answerValue);
    return result;
  }
  int setByte(int code, std::uint8_t reg, std::uint8_t value) override {
    calls.push_back({"setByte", false, code, reg, value, {}});
    return result;
  }
  int queryWord(std::uint16_t reg, std::uint16_t& value) override {
    calls.push_back({"queryWord", false, 0, reg, 0, {}});
    if (result == 0) value = answerValue;
    return result;
  }
  int setWord(std::uint16_t reg, std::uint16_t value) override {
    calls.push_back({"setWord", false, 0, reg, value, {}});
    return result;
  }
  int exchange(RegisterBlock& body, bool alt) override {
    calls.push_back({"exchange", alt, 0, 0, 0, body});
    if (answerBody[0] != 0) body = answerBody;
    return result;
  }
  int post(const RegisterBlock& body, bool alt) override {
    calls.push_back({"post", alt, 0, 0, 0, body});
    return result;
  }
  std::uint32_t readValue() override { return baud; }
  int writeValue(std::uint32_t value, Notifier& notifier) override {
    written.push_back(value);
    if (writeResult == 1) notifier.message("CONNECT FAILED!", NoticeIcon::Error);
    return writeResult;
  }
};

}  // namespace tav::test
