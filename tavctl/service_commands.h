#pragma once
// time, osd, storage and password: the service pages of one board from the command line. The
// commands take the link to the boards so tests can script it; the registration hands them
// the LAN's.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "device/board_link.h"

namespace CLI {
class App;
}

namespace tav::ctl {

struct TimeOptions {
  std::string address;
  std::optional<std::string> set;  // "YYYY-MM-DD HH:MM:SS"
  bool sync = false;               // the PC's local time
  bool json = false;
};
int Time(BoardLink& link, const TimeOptions& options, std::ostream& out, std::ostream& err);

struct OverlayColumnOptions {
  std::optional<bool> shown;
  std::optional<std::string> text;  // UTF-8, at most 64 UTF-16 units
  std::optional<std::int32_t> x, y, transparency, background, colour, scale;
  bool any() const {
    return shown || text || x || y || transparency || background || colour || scale;
  }
};
struct OsdOptions {
  std::string address;
  bool json = false;
  bool defaults = false;            // start from the page's defaults, not the board's overlays
  std::optional<int> channel;       // 1-3
  OverlayColumnOptions time, text;  // the time overlay and the channel-text overlay
};
int Osd(BoardLink& link, const OsdOptions& options, std::ostream& out, std::ostream& err);

struct StorageOptions {
  std::string address;
  bool json = false;
  std::optional<std::string> fileSize, reserved;  // MB
  std::optional<bool> save;
};
int Storage(BoardLink& link, const StorageOptions& options, std::ostream& out, std::ostream& err);

struct PasswordOptions {
  std::string address;
  std::string user;
  bool passwordStdin = false;  // the password is the first line of standard input
  bool json = false;
};
// `sleep` replaces the 1 s pauses between receive attempts (tests).
int Password(BoardLink& link, const PasswordOptions& options, std::istream& in, std::ostream& out,
             std::ostream& err, std::function<void(Millis)> sleep = {});

// The four subcommands on `app`; Run gives the exit status when one of them was chosen.
class ServiceCli {
 public:
  explicit ServiceCli(CLI::App& app);
  std::optional<int> Run(std::istream& in, std::ostream& out, std::ostream& err);

 private:
  CLI::App *time_, *osd_, *storage_, *password_;
  TimeOptions timeOptions_;
  OsdOptions osdOptions_;
  StorageOptions storageOptions_;
  PasswordOptions passwordOptions_;
};

}  // namespace tav::ctl
