#include "scale.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qorsim {
namespace {

constexpr std::size_t kBatch = 256;  // messages per send; their acks fit one receive buffer

// Appends one RTM_NEWADDR request, sequence number `seq`.
void appendRequest(std::vector<std::uint8_t>& out, const InterfaceAddress& a, std::uint32_t seq) {
  const std::size_t attr = RTA_LENGTH(sizeof(std::uint32_t));
  const std::size_t size = NLMSG_LENGTH(sizeof(ifaddrmsg)) + 2 * RTA_ALIGN(attr);
  std::size_t at = out.size();
  out.resize(at + NLMSG_ALIGN(size));
  nlmsghdr head{};
  head.nlmsg_len = std::uint32_t(size);
  head.nlmsg_type = RTM_NEWADDR;
  head.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | NLM_F_CREATE | NLM_F_EXCL;
  head.nlmsg_seq = seq;
  ifaddrmsg body{};
  body.ifa_family = AF_INET;
  body.ifa_prefixlen = std::uint8_t(a.prefix);
  body.ifa_scope = RT_SCOPE_UNIVERSE;
  body.ifa_index = std::uint32_t(a.interfaceIndex);
  std::memcpy(out.data() + at, &head, sizeof head);
  std::size_t p = at + NLMSG_LENGTH(0);
  std::memcpy(out.data() + p, &body, sizeof body);
  p = at + NLMSG_LENGTH(sizeof(ifaddrmsg));
  for (unsigned short type : {IFA_LOCAL, IFA_ADDRESS}) {
    rtattr ra{};
    ra.rta_len = static_cast<unsigned short>(attr);
    ra.rta_type = type;
    std::memcpy(out.data() + p, &ra, sizeof ra);
    const std::uint8_t octets[4] = {std::uint8_t(a.ip), std::uint8_t(a.ip >> 8),
                                    std::uint8_t(a.ip >> 16), std::uint8_t(a.ip >> 24)};
    std::memcpy(out.data() + p + RTA_LENGTH(0), octets, 4);
    p += RTA_ALIGN(attr);
  }
}

}  // namespace

std::vector<int> addInterfaceAddresses(const std::vector<InterfaceAddress>& addresses) {
  std::vector<int> results(addresses.size(), ETIMEDOUT);
  if (addresses.empty()) return results;
  int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) throw std::runtime_error(std::string("netlink socket: ") + std::strerror(errno));
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    int e = errno;
    close(fd);
    throw std::runtime_error(std::string("netlink bind: ") + std::strerror(e));
  }
  timeval tv{2, 0};  // the kernel answers at once; this only bounds a lost ack
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);

  std::vector<std::uint8_t> request;
  std::vector<std::uint8_t> reply(1 << 16);
  for (std::size_t first = 0; first < addresses.size(); first += kBatch) {
    std::size_t last = std::min(addresses.size(), first + kBatch);
    request.clear();
    for (std::size_t i = first; i < last; ++i)
      appendRequest(request, addresses[i], std::uint32_t(i + 1));
    if (send(fd, request.data(), request.size(), 0) != ssize_t(request.size())) {
      for (std::size_t i = first; i < last; ++i) results[i] = errno ? errno : EIO;
      continue;
    }
    std::size_t pending = last - first;
    while (pending > 0) {
      ssize_t n = recv(fd, reply.data(), reply.size(), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // the rest keep ETIMEDOUT
      std::size_t at = 0;
      while (at + sizeof(nlmsghdr) <= std::size_t(n)) {
        nlmsghdr head;
        std::memcpy(&head, reply.data() + at, sizeof head);
        if (head.nlmsg_len < sizeof head || at + head.nlmsg_len > std::size_t(n)) break;
        if (head.nlmsg_type == NLMSG_ERROR && head.nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
            head.nlmsg_seq > first && head.nlmsg_seq <= last) {
          nlmsgerr err;
          std::memcpy(&err, reply.data() + at + NLMSG_LENGTH(0), sizeof err);
          int code = -err.error;
          results[head.nlmsg_seq - 1] = code == EEXIST ? 0 : code;
          --pending;
        }
        at += NLMSG_ALIGN(head.nlmsg_len);
      }
    }
  }
  close(fd);
  return results;
}

}  // namespace qorsim

namespace qorsim {

std::vector<int> sendBurst(int socket, std::span<const BurstDatagram> datagrams) {
  constexpr std::size_t kChunk = 1024;
  constexpr std::size_t kControl = CMSG_SPACE(sizeof(in_pktinfo));
  std::vector<int> results(datagrams.size(), 0);
  std::vector<mmsghdr> messages(std::min(kChunk, datagrams.size()));
  std::vector<iovec> iovs(messages.size());
  std::vector<sockaddr_in> targets(messages.size());
  std::vector<std::uint8_t> controls(messages.size() * kControl);
  std::size_t next = 0;
  while (next < datagrams.size()) {
    std::size_t count = std::min(messages.size(), datagrams.size() - next);
    std::fill(controls.begin(), controls.end(), 0);
    for (std::size_t i = 0; i < count; ++i) {
      const BurstDatagram& d = datagrams[next + i];
      iovs[i] = iovec{const_cast<std::uint8_t*>(d.bytes.data()), d.bytes.size()};
      targets[i] = d.to;
      msghdr& msg = messages[i].msg_hdr;
      msg = msghdr{};
      msg.msg_name = &targets[i];
      msg.msg_namelen = sizeof targets[i];
      msg.msg_iov = &iovs[i];
      msg.msg_iovlen = 1;
      msg.msg_control = controls.data() + i * kControl;
      msg.msg_controllen = kControl;
      cmsghdr* c = CMSG_FIRSTHDR(&msg);
      c->cmsg_level = IPPROTO_IP;
      c->cmsg_type = IP_PKTINFO;
      c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
      in_pktinfo info{};
      const std::uint8_t from[4] = {std::uint8_t(d.from), std::uint8_t(d.from >> 8),
                                    std::uint8_t(d.from >> 16), std::uint8_t(d.from >> 24)};
      std::memcpy(&info.ipi_spec_dst.s_addr, from, 4);  // sent from the board's own address
      info.ipi_ifindex = d.interfaceIndex;
      std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    int sent = sendmmsg(socket, messages.data(), unsigned(count), 0);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) {
      results[next] = sent < 0 ? errno : EIO;  // the first one failed: skip it, go on
      ++next;
      continue;
    }
    next += std::size_t(sent);
  }
  return results;
}

}  // namespace qorsim
