// The EDID page's answers: the 256-value EDID text, the lock and error-code answers, and the
// decoder that fills "结果分析：" from whatever bytes came back.
//
// Input: the answer text as the board sends it (after the SDK's cut at its text buffer).

#include <cstdint>
#include <string>
#include <string_view>

#include "debug/edid_tools.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view answer(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 2047));
  answer = answer.substr(0, answer.find('\0'));

  for (std::string_view word : {tav::kEdidBoardAnswer, tav::kEdidMonitorAnswer}) {
    tav::EdidAnswer a = tav::ParseEdidAnswer(answer, word);
    FUZZ_CHECK(a.converted <= 256);
    FUZZ_CHECK(a.wordMatched || a.converted == 0);
    for (std::size_t i = a.converted; i < 256; ++i) FUZZ_CHECK(a.bytes[i] == 0);
    std::string text = tav::EdidText(a.bytes);
    FUZZ_CHECK(text.size() == 256 * 5 + 31 * 2);
    tav::EdidSummary s = tav::DecodeEdid(a.bytes);
    FUZZ_CHECK(s.manufacturer.size() == 3);
    for (char c : s.monitorName + s.serialText) FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    FUZZ_CHECK(s.ctaTimings.size() <= 6);
    std::string summary = tav::EdidSummaryText(s);
    FUZZ_CHECK(fuzz::IsValidUtf8(summary));
  }
  for (std::string_view word : {tav::kEdidLockAnswer, tav::kEdidErrorAnswer}) {
    tav::AnswerCode c = tav::ParseCodeAnswer(answer, word);
    FUZZ_CHECK(c.wordMatched || !c.code);
  }
  return 0;
}
