#pragma once
// The network transport page without a display: how a board's send or receive settings show
// as one of nine choices (the page mode), what each choice fills in and enables, and the
// checks and the 228-byte record of the apply.
//
// Page modes: the same number means a different thing for encoders and decoders. Choices in
// the page's order select modes 0, 1, 2, 3, 4, 6, 7, 8, 9; mode 5 is a decoder's dynamic
// switch (the switch box ticked).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "le_bytes.h"
#include "pages/or_refusal.h"

class CBoard;

namespace tav {

class BoardLink;

inline constexpr int kTransportType = 11;
inline constexpr std::size_t kTransportRecordSize = 228;
inline constexpr std::size_t kUrlMaxBytes = 127;        // stream URL slot 128 with its NUL
inline constexpr std::size_t kCredentialMaxBytes = 31;  // user and password slots 32
inline constexpr int kNoPageMode = -1;
inline constexpr int kSwitchPageMode = 5;
inline constexpr std::size_t kChoiceCount = 9;
inline constexpr std::array<int, kChoiceCount> kChoiceModes{0, 1, 2, 3, 4, 6, 7, 8, 9};

// Which block the refresh needs besides the status block.
enum class TransportExtra { None, StreamInfo, StreamAccess };
// Unknown: before the first successful refresh (the page shows its template texts).
enum class TransportKind { Unknown, Encoder, Decoder };

struct ChoiceLook {
  std::string label;
  bool enabled = true;
};

// What the page's controls show. The widget writes back address, port, switch, URL, user and
// password before each action.
struct TransportForm {
  TransportKind kind = TransportKind::Unknown;
  bool type21 = false;
  int pageMode = kNoPageMode;
  int checkedMode = kNoPageMode;  // the checked choice (differs from pageMode in mode 5)
  std::uint32_t address = 0;
  bool addressEnabled = true;
  std::int32_t port = 0;
  bool portEnabled = true;
  bool switchOn = false;
  bool switchEnabled = true;
  bool switchVisible = true;
  std::string url, user, password;  // UTF-8
  bool urlShown = false;
  bool credentialsShown = false;
  std::string hint;
};

std::string TransportKindLabel(TransportKind kind);
std::string TransportAddressLabel(TransportKind kind);
ChoiceLook TransportChoiceLook(TransportKind kind, std::size_t choice);

// The board record's send and receive fields a write changes.
struct TransportApplied {
  bool encoder = false;
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  std::uint16_t mode = 0;
};

struct TransportPlan {
  std::array<std::uint8_t, kTransportRecordSize> record{};
  TransportApplied applied;
};

// Why the apply sends nothing.
enum class TransportRefusal {
  NotRead,                 // no board read yet: the kind is unknown
  NoChoice,                // no choice the board's kind can send or receive by
  PortOutOfRange,          // outside 0..65535
  PortZero,                // port 0 where the choice needs one
  UrlTooLong,              // the GBK URL does not fit its slot whole
  CredentialTooLong,       // user or password does not fit its slot whole
  AllOnesAddress,          // an encoder sending to 255.255.255.255
  NotUnicast,              // unicast to a multicast or .255 address
  NotMulticast,            // multicast to an address outside 224..239
  BroadcastOutsideSubnet,  // broadcast not ending in 255 or outside the board's subnet
};
// The message the page shows for a refusal: every one is message 252.
std::string TransportRefusalText(TransportRefusal refusal);
using TransportPlanResult = OrRefusal<TransportPlan, TransportRefusal>;

class TransportSettings {
 public:
  TransportForm form;

  // Refresh: the status block decides the kind, the choice and the values.
  void Load(qor::Bytes status);
  TransportExtra NeededExtra() const { return extra_; }
  // The stream-information block, or null when its read failed.
  void TakeStreamInfo(const qor::Bytes* streamInfo);
  // The stream-access block after a successful read.
  void TakeStreamAccess(qor::Bytes streamAccess);

  void Choose(int pageMode);
  void SetSwitch(bool on);

  // The record for the form, or why the input is refused.
  TransportPlanResult Plan() const;

 private:
  void ApplyRules();
  bool encoder() const { return form.kind == TransportKind::Encoder; }

  std::uint32_t boardIp_ = 0;
  std::uint32_t boardMask_ = 0;
  TransportExtra extra_ = TransportExtra::None;
};

// Sends the plan's record (type 11); on success the board record takes the applied fields.
int WriteTransport(CBoard& board, const TransportPlan& plan, BoardLink& link);
void StoreTransport(qor::MutBytes status, const TransportApplied& applied);

}  // namespace tav
