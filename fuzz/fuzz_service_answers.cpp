// What the service pages take from a board and from their edits: the clock, overlay and
// storage answers on 4010 (through the pages' whole read: head, length, block, form), the
// 16-byte answer of a file write, and the texts typed into the pages and tavctl.
//
// Input: [mode] then the bytes. Mode % 6: 0 clock answer, 1 overlay answer, 2 storage answer,
// 3 file-write answer, 4 clock text and size field, 5 credential and overlay text.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_link.h"
#include "device/notifier.h"
#include "fuzz_check.h"
#include "gbk.h"
#include "le_bytes.h"
#include "pages/clock_settings.h"
#include "pages/osd_settings.h"
#include "pages/password_file.h"
#include "pages/storage_settings.h"

namespace {

// A board that answers with the fuzzer's bytes, in one piece.
class AnswerLink final : public tav::NullBoardLink {
 public:
  explicit AnswerLink(qor::Bytes answer) : answer_(answer) {}
  int getConfig(const std::string&, int, std::span<std::uint8_t>) override { return 15; }
  int setConfig(const std::string&, int, std::span<const std::uint8_t>) override { return 15; }
  std::unique_ptr<tav::BoardStream> open(std::uint32_t, std::uint16_t,
                                         const tav::StreamLimits&) override {
    return std::make_unique<Stream>(answer_);
  }

 private:
  struct Stream final : tav::BoardStream {
    explicit Stream(qor::Bytes a) : answer(a) {}
    qor::Bytes answer;
    bool connected() const override { return true; }
    bool sendAll(std::span<const std::uint8_t>, tav::Millis) override { return true; }
    long receive(std::span<std::uint8_t> buffer, std::size_t, tav::Millis) override {
      std::size_t n = std::min(buffer.size(), answer.size());
      std::copy_n(answer.begin(), n, buffer.begin());
      answer = answer.subspan(n);
      return static_cast<long>(n);
    }
  };
  qor::Bytes answer_;
};

void CheckOverlayFields(const tav::OverlayFields& f) {
  FUZZ_CHECK(fuzz::IsValidUtf8(f.text));
  FUZZ_CHECK(f.colour >= -1 && f.colour < 6);
  // What the board sent goes back unchanged when the user changes nothing.
  auto units = tav::OverlayUnits(f.text);
  FUZZ_CHECK(units.has_value());
}

void FuzzServiceAnswer(int mode, qor::Bytes answer) {
  AnswerLink link(answer);
  tav::SilentNotifier quiet;
  if (mode == 0) {
    tav::ClockSettings page(link, quiet);
    if (page.Get(1) == tav::ServiceStatus::Ok) {
      FUZZ_CHECK(answer.size() >= 44);
      auto time = page.Read();
      FUZZ_CHECK(time.has_value());
      FUZZ_CHECK(tav::ClockText(*time).size() < 96);
    }
  } else if (mode == 1) {
    tav::OsdSettings page(link, quiet);
    if (page.Get(1) == tav::ServiceStatus::Ok) {
      FUZZ_CHECK(answer.size() >= 4 + tav::kOverlayBlockSize);
      CheckOverlayFields(page.form.time);
      CheckOverlayFields(page.form.channelText);
      FUZZ_CHECK(page.form.channel >= -1 && page.form.channel < 3);
      auto block = page.Read();
      FUZZ_CHECK(block.has_value());
      auto sent = tav::EncodeOverlay(*block);
      auto again = tav::DecodeOverlay(sent);
      FUZZ_CHECK(again && again->time.text == block->time.text &&
                 again->channelText.text == block->channelText.text);
      // Texts the board sent come back as the board's own units.
      auto board = tav::DecodeOverlay(answer.subspan(4));
      FUZZ_CHECK(board && board->time.text == block->time.text);
    }
  } else {
    tav::StorageSettings page(link, quiet);
    if (page.Get(1) == tav::ServiceStatus::Ok) {
      FUZZ_CHECK(answer.size() >= 4 + tav::kStorageReportSize);
      FUZZ_CHECK(page.form.report.ends_with("\r\n"));
      auto settings = page.Read();
      FUZZ_CHECK(settings && settings->fileSize == qor::getU32(answer, 4));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  qor::Bytes rest(data + 1, size - 1);
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 6) {
    case 0:
    case 1:
    case 2:
      FuzzServiceAnswer(data[0] % 6, rest);
      break;
    case 3: {
      auto v = tav::PasswordAnswerVerdict(rest);
      FUZZ_CHECK(!v.message.empty());
      FUZZ_CHECK(!v.ok() || rest.size() >= tav::kFileAnswerSize);
      break;
    }
    case 4:
      if (auto t = tav::ParseClockText(text))
        FUZZ_CHECK(tav::ParseClockText(tav::ClockText(*t)) == t);
      if (auto n = tav::ParseSizeField(text))
        FUZZ_CHECK(tav::ParseSizeField(std::to_string(*n)) == n);
      break;
    case 5: {
      if (auto gbk = tav::CredentialBytes(text)) {
        FUZZ_CHECK(gbk->find_first_of(std::string_view("\n\r=\0", 4)) == std::string::npos);
        FUZZ_CHECK(qor::gbkToUtf8(*gbk) == text);
      }
      if (auto units = tav::OverlayUnits(text)) {
        FUZZ_CHECK(units->size() <= tav::kOverlayTextUnits);
        FUZZ_CHECK(fuzz::IsValidUtf8(tav::OverlayText(*units)));
      }
      break;
    }
  }
  return 0;
}
