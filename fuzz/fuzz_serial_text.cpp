// The serial page's send text turned into bytes.
//
// Input: the text as typed into the send field.

#include <cstdint>
#include <string>
#include <string_view>

#include "debug/serial_control.h"
#include "fuzz_check.h"
#include "le_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto bytes = tav::ConvertSendText(text);
  FUZZ_CHECK(text.size() < 2 ? bytes.empty() : bytes.size() == (text.size() + 2) / 3);
  // Bytes written back as a send text convert to themselves.
  FUZZ_CHECK(tav::ConvertSendText(tav::SendText(bytes)) == bytes || bytes.size() == 1);
  auto record = tav::SerialRecord(bytes, tav::RecordBaud(text));
  std::uint32_t count = qor::getU32(record, 4);
  FUZZ_CHECK(count <= tav::kSerialDataMax && count == std::min(bytes.size(), tav::kSerialDataMax));
  FUZZ_CHECK(qor::getU32(record, 16) != 0);
  return 0;
}
