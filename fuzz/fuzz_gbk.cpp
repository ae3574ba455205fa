// Text at the wire: whatever bytes a board sends as GBK come out as valid UTF-8, whatever text
// a user types goes out as GBK without a crash, and names cut to a slot stay whole characters.
// Also the dotted-quad parser that sits beside them.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/board.h"
#include "fuzz_check.h"
#include "gbk.h"
#include "wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::string utf8 = qor::gbkToUtf8(bytes);
  FUZZ_CHECK(fuzz::IsValidUtf8(utf8));

  std::string clean = qor::sanitizeUtf8(bytes);
  FUZZ_CHECK(fuzz::IsValidUtf8(clean));
  FUZZ_CHECK(qor::sanitizeUtf8(clean) == clean);
  if (fuzz::IsValidUtf8(bytes)) FUZZ_CHECK(clean == bytes);

  // GBK out and back: what utf8ToGbk writes is GBK throughout ('?' for what GBK cannot hold).
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string gbk = qor::utf8ToGbk(bytes);
  std::string back = qor::gbkToUtf8(gbk);
  FUZZ_CHECK(fuzz::IsValidUtf8(back));
  FUZZ_CHECK(back.find(kReplacement) == std::string::npos);

  // A name cut for the status block's 31 bytes must not end in half a character.
  for (std::size_t slot : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{127}}) {
    std::string fitted = tav::FitGbk(bytes, slot);
    FUZZ_CHECK(fitted.size() <= slot);
    FUZZ_CHECK(fitted.size() <= gbk.size());
    FUZZ_CHECK(gbk.compare(0, fitted.size(), fitted) == 0);
    FUZZ_CHECK(qor::gbkToUtf8(fitted).find(kReplacement) == std::string::npos);
  }

  std::uint32_t address = 0;
  if (qor::parseIp(bytes, address)) {
    std::uint32_t again = 0;
    FUZZ_CHECK(qor::parseIp(qor::ipText(address), again) && again == address);
  }
  return 0;
}
