// Upgrade package headers: the first bytes of a file and the file's length, read as both pages
// read them. The information line stays valid UTF-8, and the components a header lets through
// lie inside the file whatever its offsets and lengths claim.

#include <algorithm>
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "le_bytes.h"
#include "upgrade/upgrade_package.h"

using namespace tav::upgrade;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  // The file as long as the input, shorter (the header read comes short), and longer than
  // the header by the amount the last word says.
  const std::uint64_t lengths[] = {
      size, size / 2, std::uint64_t(size) + (size >= 4 ? qor::getU32(bytes, size - 4) : 0)};
  for (PageKind page : {PageKind::SingleBoard, PageKind::Batch}) {
    for (std::uint64_t fileLength : lengths) {
      PackageRead r = ReadPackage(bytes, fileLength, page);
      FUZZ_CHECK(fuzz::IsValidUtf8(r.infoLine));
      FUZZ_CHECK(fuzz::IsValidUtf8(r.header.magic));
      FUZZ_CHECK(r.tooShort == (fileLength < kShortHeaderSize));
      if (!r.header.valid) continue;
      FUZZ_CHECK(r.header.offsets.size() ==
                 (page == PageKind::SingleBoard ? kLongMaxComponents : kShortMaxComponents));
      ComponentCheck c = CheckComponents(r.header, fileLength);
      if (c.refusal.empty())
        FUZZ_CHECK(r.header.count >= 0 && c.components.size() == std::size_t(r.header.count));
      else
        FUZZ_CHECK(c.components.empty());
      for (const ComponentSpan& s : c.components) {
        FUZZ_CHECK(s.offset >= 1 && s.length >= 1);
        FUZZ_CHECK(std::uint64_t(s.offset) + s.length <= fileLength);
      }
      FUZZ_CHECK(fuzz::IsValidUtf8(c.refusal));
    }
  }
  return 0;
}
