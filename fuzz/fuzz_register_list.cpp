// The register pages' typed input: a register list and the number fields.
//
// Input: the list text as typed or read from a file.

#include <cstdint>
#include <string>
#include <string_view>

#include "debug/register_debug.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto pairs = tav::ParseRegisterList(text);
  FUZZ_CHECK(pairs.size() <= 256);
  // The rewritten list reads back the same and stays put when rewritten again.
  std::string rewritten = tav::RegisterListText(pairs);
  FUZZ_CHECK(tav::ParseRegisterList(rewritten) == pairs);
  FUZZ_CHECK(tav::RegisterListText(tav::ParseRegisterList(rewritten)) == rewritten);
  tav::RegisterBlock block = tav::WriteBlock(0x42, 2, pairs);
  FUZZ_CHECK(tav::BlockPairs(block) == pairs);

  std::uint32_t n = tav::ParseNumber(text);
  std::string shown = tav::NumberText(static_cast<std::uint16_t>(n), false);
  FUZZ_CHECK(tav::ParseNumber(shown) == static_cast<std::uint16_t>(n));
  // A field the check lets through is read within its bounds, never cut to fit.
  if (!tav::NumberFieldProblem("f", text, 0xFF)) FUZZ_CHECK(n <= 0xFF);
  if (!tav::RegisterListProblem(text))
    for (std::string_view line : {text.substr(0, text.find_first_of("\r\n"))})
      if (auto comma = line.find(','); comma != std::string_view::npos && comma != 0)
        FUZZ_CHECK(tav::ParseNumber(line.substr(comma + 1)) <= 0xFF);
  return 0;
}
