#include "platform/adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "wire.h"

namespace tav::platform {

std::string describeAdapter(const std::string& name, const std::vector<std::uint32_t>& addresses) {
  if (addresses.empty()) return name;
  return name + " (" + qor::ipText(addresses.front()) + ")";
}

std::vector<Adapter> listAdapters(bool* ok) {
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) {
    if (ok) *ok = false;
    return {};
  }
  // getifaddrs gives one entry per (interface, address); gather them per interface name in the
  // order the interfaces first appear.
  std::vector<Adapter> adapters;
  std::map<std::string, std::size_t> slot;
  for (ifaddrs* it = head; it; it = it->ifa_next) {
    if (!it->ifa_name) continue;
    std::string name = it->ifa_name;
    auto found = slot.find(name);
    if (found == slot.end()) {
      found = slot.emplace(name, adapters.size()).first;
      Adapter a;
      a.name = name;
      a.index = if_nametoindex(it->ifa_name);
      adapters.push_back(std::move(a));
    }
    Adapter& a = adapters[found->second];
    a.up = a.up || (it->ifa_flags & IFF_UP);
    a.loopback = a.loopback || (it->ifa_flags & IFF_LOOPBACK);
    if (!it->ifa_addr) continue;
    if (it->ifa_addr->sa_family == AF_INET) {
      sockaddr_in addr;
      std::memcpy(&addr, it->ifa_addr, sizeof addr);
      std::uint32_t mask = 0;
      if (it->ifa_netmask) {
        sockaddr_in m;
        std::memcpy(&m, it->ifa_netmask, sizeof m);
        mask = m.sin_addr.s_addr;
      }
      // s_addr is already in network order, which held little-endian is our address form.
      a.addresses.push_back(addr.sin_addr.s_addr);
      a.masks.push_back(mask);
    } else if (it->ifa_addr->sa_family == AF_PACKET) {
      sockaddr_ll ll;
      std::memcpy(&ll, it->ifa_addr, sizeof ll);
      if (ll.sll_halen == 6) std::copy_n(ll.sll_addr, 6, a.mac.begin());
    }
  }
  freeifaddrs(head);
  for (Adapter& a : adapters) a.description = describeAdapter(a.name, a.addresses);
  if (ok) *ok = true;
  return adapters;
}

std::vector<Adapter> boardAdapters(const std::vector<Adapter>& all) {
  std::vector<Adapter> out;
  for (const Adapter& a : all)
    if (!a.loopback && !a.addresses.empty()) out.push_back(a);
  return out;
}

std::optional<std::uint32_t> hostFirstAddress(const std::vector<Adapter>& all) {
  for (const Adapter& a : all)
    if (a.up && !a.loopback && !a.addresses.empty()) return a.addresses.front();
  return std::nullopt;
}

const Adapter* adapterWithAddress(const std::vector<Adapter>& all, std::uint32_t address) {
  for (const Adapter& a : all)
    if (std::find(a.addresses.begin(), a.addresses.end(), address) != a.addresses.end()) return &a;
  return nullptr;
}

}  // namespace tav::platform
