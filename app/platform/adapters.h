#pragma once
// The PC's network adapters as the search and the adapter dialog see them. Linux reads them
// with getifaddrs; a Windows build replaces adapters.cpp with GetAdaptersInfo.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tav::platform {

struct Adapter {
  std::string name;                      // interface name, "eth0"
  std::string description;               // what the adapter dialog lists: name and first address
  unsigned index = 0;                    // interface index, as IP_PKTINFO reports it
  std::vector<std::uint32_t> addresses;  // IPv4, in the system's order (network order, LE-held)
  std::vector<std::uint32_t> masks;      // one per address
  std::array<std::uint8_t, 6> mac{};
  bool up = false;
  bool loopback = false;
};

// "eth0 (192.168.1.2)", or the name alone when it has no IPv4 address.
std::string describeAdapter(const std::string& name, const std::vector<std::uint32_t>& addresses);

// Every interface of the machine, loopback included. Empty with ok = false when the system
// refuses the enumeration.
std::vector<Adapter> listAdapters(bool* ok = nullptr);

// The adapters a user would choose among: not loopback, holding at least one IPv4 address.
std::vector<Adapter> boardAdapters(const std::vector<Adapter>& all);

// The host's first address: the first IPv4 address of the first adapter that is up and not
// loopback. (Asking the resolver for the host name's address often gives 127.0.1.1 on Linux.)
std::optional<std::uint32_t> hostFirstAddress(const std::vector<Adapter>& all);

// The adapter that holds the address; null when none does.
const Adapter* adapterWithAddress(const std::vector<Adapter>& all, std::uint32_t address);

}  // namespace tav::platform
