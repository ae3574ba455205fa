#pragma once
// What lets qorsim serve thousands of boards: their addresses put on the boards' interface in
// batches over one rtnetlink socket (a fraction of a second where one `ip addr add` per address
// takes minutes), and search answers sent as one burst.

#include <netinet/in.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qorsim {

struct InterfaceAddress {
  std::uint32_t ip;  // as on the wire (first octet lowest byte)
  int prefix;        // 0..32
  int interfaceIndex;
};

// Adds every address in the calling thread's network namespace. Returns one result per
// address: 0 when it is on the interface afterwards (an address already there counts), else
// the errno the kernel gave. Throws std::runtime_error when no netlink socket can be opened.
std::vector<int> addInterfaceAddresses(const std::vector<InterfaceAddress>& addresses);

// One datagram of a burst, sent from `from` (a board's address) to `to`; `interfaceIndex` picks
// the interface for a broadcast (0: the routing table decides).
struct BurstDatagram {
  std::uint32_t from;
  sockaddr_in to;
  int interfaceIndex;
  std::span<const std::uint8_t> bytes;
};

// Sends every datagram back to back through sendmmsg. Returns one result per datagram: 0 when
// sent, else the errno of its send.
std::vector<int> sendBurst(int socket, std::span<const BurstDatagram> datagrams);

}  // namespace qorsim
