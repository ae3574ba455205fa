// A fleet file as qorsim reads it: text that is not JSON or not a fleet is refused with
// FleetError naming the field; nothing else may escape and nothing may crash.

#include <cstdint>
#include <nlohmann/json.hpp>

#include "fleet.h"
#include "fuzz_check.h"
#include "qorsim.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nlohmann::json fleet = nlohmann::json::parse(data, data + size, nullptr, false);
  if (fleet.is_discarded()) return 0;
  try {
    qorsim::Fleet parsed = qorsim::parseFleet(fleet);
    FUZZ_CHECK(!parsed.boards.empty());
    for (const qorsim::FleetBoard& board : parsed.boards) {
      FUZZ_CHECK(board.state.ip() != 0);
      FUZZ_CHECK(fuzz::IsValidUtf8(board.state.name));
    }
  } catch (const qorsim::FleetError& e) {
    FUZZ_CHECK(e.what()[0] != '\0');
  }
  return 0;
}
