// set-ip: the network identity page's apply, from the command line.

#include <qorsdk.h>

#include <ostream>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "device/board_link.h"
#include "device/board_list.h"
#include "device/channel_result.h"
#include "pages/identity_settings.h"
#include "platform/adapters.h"
#include "resources/string_table.h"
#include "shell/device_search.h"
#include "wire.h"

namespace tav::ctl {
namespace {

// The board as Tavmon would have it in its list: read at its address, or, when it cannot be
// reached there (another subnet), taken from a search like the list's row.
std::optional<CBoard> LocateBoard(std::uint32_t address, int waitMs, std::ostream& err) {
  CBoard board;
  board.SetSourceAddress(address);
  const int read = board.RefreshStatus();
  if (read == QORSDK_CONFIG_OK) return board;

  CBoardCtrl boards;
  CaptureNotifier quiet;
  DeviceSearch search(boards, quiet);
  search.RunBlocking(ChooseListenTarget(platform::listAdapters(), ""),
                     std::chrono::milliseconds(waitMs));
  for (const CBoard& found : boards)
    if (found.ContactAddress() == address) return found;
  err << "tavctl: " << qor::ipText(address) << ": no board answered (status block: result " << read
      << " (" << QORSDK_ConfigResultText(read) << "); not among " << boards.Count()
      << " boards found by a search)\n";
  return std::nullopt;
}

bool ParseField(const char* flag, const std::string& text, std::uint32_t& value,
                std::ostream& err) {
  if (qor::parseIp(text, value)) return true;
  err << "tavctl: " << flag << " '" << text << "' is not an address (a.b.c.d)\n";
  return false;
}

}  // namespace

int SetIp(const SetIpOptions& options, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(options.address, err);
  if (!contact) return kExitBadArguments;

  IdentityInput input;
  const bool anyAddress = !options.ip.empty() || !options.mask.empty() || !options.gateway.empty();
  if (options.dhcp) {
    if (anyAddress) {
      err << "tavctl: --dhcp takes no --ip, --mask or --gateway\n";
      return kExitBadArguments;
    }
  } else if (options.ip.empty() || options.mask.empty() || options.gateway.empty()) {
    err << "tavctl: set-ip needs --ip, --mask and --gateway (or --dhcp)\n";
    return kExitBadArguments;
  } else if (!ParseField("--ip", options.ip, input.addresses.ip, err) ||
             !ParseField("--mask", options.mask, input.addresses.mask, err) ||
             !ParseField("--gateway", options.gateway, input.addresses.gateway, err)) {
    return kExitBadArguments;
  }
  if (options.waitMs < 0 || options.waitMs > 600000) {
    err << "tavctl: --wait takes 0 to 600000 ms\n";
    return kExitBadArguments;
  }

  auto board = LocateBoard(*contact, options.waitMs, err);
  if (!board) return kExitNoAnswer;
  input.name = options.name.value_or(board->Name());
  const std::string before = board->AddressText();

  // The page's two questions are answered by the flags that ask for what they warn about.
  CaptureNotifier notes;
  notes.answer = [&](std::string_view question) {
    if (question == str(kStrAskDhcp)) return options.dhcp;
    if (question == str(kStrAskGatewayOutsideSubnet)) return options.force;
    return false;
  };
  // Keep both transports' results to name them if the apply fails.
  struct ResultKeepingLink : ForwardingLink {
    using ForwardingLink::ForwardingLink;
    std::optional<int> exchangeResult, commandResult;
    int setConfig(const std::string& address, int type,
                  std::span<const std::uint8_t> record) override {
      exchangeResult = ForwardingLink::setConfig(address, type, record);
      return *exchangeResult;
    }
    int broadcast(std::span<const std::uint8_t> datagram) override {
      commandResult = ForwardingLink::broadcast(datagram);
      return *commandResult;
    }
  } link(LanLink());
  auto& exchangeResult = link.exchangeResult;
  auto& commandResult = link.commandResult;

  const IdentityOutcome outcome =
      ApplyIdentity(*board, input, ReadPcNetwork().firstAdapter, notes, link);
  switch (outcome) {
    case IdentityOutcome::Refused:
      for (const auto& line : notes.lines) err << "tavctl: " << TerminalLine(line.text) << "\n";
      for (const auto& question : notes.questions) {
        if (question == str(kStrAskGatewayOutsideSubnet) && !options.force)
          err << "tavctl: " << str(kStrAskGatewayOutsideSubnet)
              << " (add --force to set it anyway)\n";
        if (question == str(kStrAskDhcp) && !options.dhcp)
          err << "tavctl: all addresses 0.0.0.0: use --dhcp\n";
      }
      return kExitBadArguments;
    case IdentityOutcome::Failed:
      err << "tavctl: " << before << ": " << TerminalLine(str(kStrIdentitySetFailed));
      if (exchangeResult)
        err << " configuration exchange: result " << *exchangeResult << " ("
            << QORSDK_ConfigResultText(*exchangeResult) << ");";
      if (commandResult)
        err << " network command: result " << *commandResult << " ("
            << ChannelResultText(Channel::Datagram, *commandResult) << ")";
      err << "\n";
      return kExitExchangeFailed;
    case IdentityOutcome::Done:
      break;
  }
  for (const auto& line : notes.lines)
    if (!line.message && line.text != str(kStrIdentitySetOk))
      out << TerminalLine(line.text) << "\n";
  out << before << ": " << TerminalLine(str(kStrIdentitySetOk))
      << (commandResult ? " (UDP network command)" : " (configuration exchange, type 0)");
  if (input.addresses.ip != 0) out << " now " << qor::ipText(input.addresses.ip);
  out << "\n";
  return kExitOk;
}

}  // namespace tav::ctl
