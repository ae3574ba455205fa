// What the settings pages take from outside: the board's "sendunique:" text answer (as GBK in
// the SDK's text buffer, and as UTF-8), an integer typed into an edit field, the blocks a page
// refreshes from (status, stream information, stream access) and the identity records built
// over a board's current identity.
//
// Input: [mode] then the bytes. Mode % 4: 0 GBK answer, 1 UTF-8 answer, 2 edit field,
// 3 status block (200) + stream information (388) + stream access (200), zero-filled.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/board.h"
#include "device/datagrams.h"
#include "fuzz_check.h"
#include "gbk.h"
#include "le_bytes.h"
#include "pages/field_text.h"
#include "pages/identity_settings.h"
#include "pages/record_pages.h"
#include "pages/transport_settings.h"

namespace {

void CheckUniqueIds(const tav::UniqueIds& ids) {
  if (ids.serialNumber) {
    // Shown as a positive number: digits only, no leading zero.
    const std::string& sn = *ids.serialNumber;
    FUZZ_CHECK(!sn.empty() && sn.front() != '0');
    FUZZ_CHECK(std::all_of(sn.begin(), sn.end(), [](char c) { return c >= '0' && c <= '9'; }));
  }
  if (ids.id) {
    FUZZ_CHECK(!ids.id->empty() && ids.id->size() <= 63);
    FUZZ_CHECK(ids.id->find(';') == std::string::npos);
    FUZZ_CHECK(fuzz::IsValidUtf8(*ids.id));
  }
}

void FuzzGbkAnswer(std::string_view bytes) {
  // The text buffer as ReadUniqueIds holds it after the exchange: cut and terminated.
  std::vector<char> buffer(tav::kIdentityTextBuffer, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), buffer.size()), buffer.begin());
  buffer.back() = 0;
  CheckUniqueIds(tav::ParseUniqueAnswer(qor::gbkToUtf8(buffer.data())));
}

void FuzzIntegerField(std::string_view text) {
  auto value = tav::ParseIntegerField(text);
  if (!value) return;
  FUZZ_CHECK(tav::ParseIntegerField(std::to_string(*value)) == value);
}

void FuzzBlocks(std::string_view bytes) {
  std::vector<std::uint8_t> all(200 + 388 + 200, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), all.size()), all.begin());
  const qor::Bytes status(all.data(), 200), streamInfo(all.data() + 200, 388),
      streamAccess(all.data() + 588, 200);

  CBoard board(status);
  tav::IdentityShown shown = tav::ShowIdentity(board);
  for (const std::string* text : {&shown.addressText, &shown.typeName, &shown.versionText,
                                  &shown.macText, &shown.name, &shown.basebandText})
    FUZZ_CHECK(fuzz::IsValidUtf8(*text));

  for (tav::RecordPage page : {tav::RecordPage::VideoEncoding, tav::RecordPage::AudioEncoding,
                               tav::RecordPage::Volume, tav::RecordPage::VideoQuality}) {
    tav::FieldValues values = tav::ReadFields(page, status);
    FUZZ_CHECK(values.size() == tav::LayoutOf(page).fields.size());
    std::vector<std::uint8_t> record = tav::BuildRecord(page, tav::ValuesToSend(page, values));
    FUZZ_CHECK(record.size() == tav::LayoutOf(page).size);
    tav::PageApplies(page, board.deviceType());
  }

  // A new identity named by user text (here the stream-access bytes as GBK): the name stays in
  // its slot, so the device type and versions after it reach the board unchanged.
  tav::IdentityInput input{shown.addresses, qor::gbkToUtf8(qor::getText(streamAccess, 0, 200))};
  auto current = status.subspan<tav::status::kIdentity, tav::status::kIdentitySize>();
  auto record = tav::BuildIdentityRecord(current, input.addresses.ip, input.addresses.mask,
                                         input.addresses.gateway, input.name, 0x12345678);
  constexpr std::size_t kNameEnd =
      tav::status::kName - tav::status::kIdentity + tav::status::kNameWidth;
  FUZZ_CHECK(record[kNameEnd - 1] == 0);
  FUZZ_CHECK(std::equal(record.begin() + kNameEnd, record.end(), current.begin() + kNameEnd));
  auto configRecord = tav::IdentityConfigRecord(board, input, 0x12345678);
  FUZZ_CHECK(std::all_of(configRecord.begin() + kNameEnd, configRecord.end(),
                         [](std::uint8_t b) { return b == 0; }));
  if (tav::NameUnchanged(board, input.name)) {
    // A name left as shown goes back as the board's own 32 bytes.
    FUZZ_CHECK(std::equal(configRecord.begin() + kNameEnd - tav::status::kNameWidth,
                          configRecord.begin() + kNameEnd, status.begin() + tav::status::kName));
  } else {
    FUZZ_CHECK(configRecord[kNameEnd - 1] == 0);
    // A name that is not refused reaches the board whole.
    if (tav::NameRefusal(input.name).empty())
      FUZZ_CHECK(qor::gbkToUtf8(qor::getText(configRecord, kNameEnd - tav::status::kNameWidth,
                                             tav::status::kNameWidth)) == input.name);
  }

  tav::TransportSettings transport;
  transport.Load(status);
  switch (transport.NeededExtra()) {
    case tav::TransportExtra::StreamInfo:
      transport.TakeStreamInfo(&streamInfo);
      break;
    case tav::TransportExtra::StreamAccess:
      transport.TakeStreamAccess(streamAccess);
      break;
    case tav::TransportExtra::None:
      break;
  }
  for (const std::string* text :
       {&transport.form.url, &transport.form.user, &transport.form.password, &transport.form.hint})
    FUZZ_CHECK(fuzz::IsValidUtf8(*text));
  if (auto plan = transport.Plan()) FUZZ_CHECK(plan->record.size() == tav::kTransportRecordSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      FuzzGbkAnswer(rest);
      break;
    case 1:
      CheckUniqueIds(tav::ParseUniqueAnswer(rest));
      break;
    case 2:
      FuzzIntegerField(rest);
      break;
    case 3:
      FuzzBlocks(rest);
      break;
  }
  return 0;
}
