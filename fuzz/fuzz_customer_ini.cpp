// The "customer.ini" reader over any bytes: at most 16 entries, names of at most 31 bytes
// without blanks, and entries that parse the same when written back in the file's form.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "video/customer_timings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tav::CustomerTable table = tav::ParseCustomerIni(text);
  FUZZ_CHECK(table.entries.size() <= tav::kCustomerTableSize);
  std::string again;
  for (const auto& entry : table.entries) {
    FUZZ_CHECK(!entry.name.empty() && entry.name.size() <= tav::kCustomerNameLimit);
    FUZZ_CHECK(entry.name.find_first_of(" \t\r\n") == std::string::npos);
    const tav::CustomerTiming& t = entry.timing;
    FUZZ_CHECK(t.type == 0 && t.blockLength == 0 && t.lineCount == 0);
    again +=
        "E."
        "name = " +
        entry.name + "\n";
    auto line = [&](const char* key, long long v) {
      again += std::string("E.") + key + " = " + std::to_string(v) + "\n";
    };
    line("width", static_cast<std::int32_t>(t.width));
    line("height", static_cast<std::int32_t>(t.height));
    line("freq", static_cast<std::int32_t>(t.freq));
    line("clock", static_cast<std::int32_t>(t.clock));
    line("maxwidth", t.maxWidth);
    line("maxheight", t.maxHeight);
    line("offsetHori", t.offsetHori);
    line("offsetVert", t.offsetVert);
  }
  if (again.size() <= tav::kCustomerFileLimit) {
    const tav::CustomerTable back = tav::ParseCustomerIni(again);
    FUZZ_CHECK(back.entries.size() == table.entries.size());
    for (std::size_t i = 0; i < back.entries.size(); ++i)
      FUZZ_CHECK(back.entries[i].timing == table.entries[i].timing);
  }
  return 0;
}
