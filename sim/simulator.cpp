#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <future>
#include <list>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "board_logic.h"
#include "discovery.h"
#include "maintenance.h"
#include "fleet.h"
#include "hostile.h"
#include "layout.h"
#include "qorsim.h"
#include "streams.h"
#include "scale.h"
#include "wire.h"

extern char** environ;

namespace qorsim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint16_t kTcpPorts[] = {qor::kConfigPort, qor::kFilePort, qor::kSerialPort,
                                       qor::kRegisterPort, qor::kRegisterAltPort};
constexpr auto kSilentHold = 10s;  // a silent board keeps the connection open, unanswered
constexpr std::size_t kMaxRequest = 70000;
constexpr std::size_t kMaxTransfer = std::size_t(256) << 20;  // upgrade components on 8060
constexpr std::size_t kJournalTransfer = std::size_t(1) << 20;
constexpr const char* kSecondInterface =
    "brd1";  // boards' side of the second adapter (10.88.0.0/24)
constexpr std::size_t kJournalLimit = 100000;
// Larger fleets listen once per TCP port on the wildcard address (five sockets per board would
// pass the process's descriptor limit) and find the board by the connection's local address.
constexpr std::size_t kPerAddressListenBoards = 512;

std::string errnoText() {
  return std::strerror(errno);
}

std::string hexByte(std::uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

in_addr toInAddr(std::uint32_t ip) {
  in_addr a{};
  const std::uint8_t o[4] = {std::uint8_t(ip), std::uint8_t(ip >> 8), std::uint8_t(ip >> 16),
                             std::uint8_t(ip >> 24)};
  std::memcpy(&a.s_addr, o, 4);
  return a;
}
std::uint32_t fromInAddr(in_addr a) {
  std::uint8_t o[4];
  std::memcpy(o, &a.s_addr, 4);
  return qor::ipFromOctets(o[0], o[1], o[2], o[3]);
}
sockaddr_in sockAddr(std::uint32_t ip, std::uint16_t port) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_port = htons(port);
  s.sin_addr = toInAddr(ip);
  return s;
}

// Addresses a board may take on the boards' interface: unicast and not loopback.
bool usableAddress(std::uint32_t ip) {
  std::uint8_t first = ip & 0xff;
  return ip != 0 && first != 0 && first != 127 && first < 224;
}

int prefixOf(std::uint32_t mask) {
  std::uint32_t host = __builtin_bswap32(mask);
  if (host == 0 || (~host & (~host + 1)) != 0) return 32;  // zero or not contiguous
  return __builtin_popcount(host);
}

std::string clockText() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  int ms = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
  return buf;
}

struct Board {
  BoardState state;
  FleetBoard factory;
};

struct Connection {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> done;
};

// A datagram waiting for its time (delayed search answers).
struct Pending {
  int socket;
  Clock::time_point due;
  std::uint32_t from;
  sockaddr_in to;
  std::vector<std::uint8_t> bytes;
  std::string line;
};

}  // namespace

struct Simulator::Impl {
  mutable std::mutex mu;
  std::condition_variable changed;  // journal grew or a reconfiguration finished
  std::vector<Board> boards;
  double restartSeconds = 3.0;
  std::deque<JournalEntry> journal;
  std::uint64_t reconfigAsked = 0, reconfigDone = 0;

  std::mutex logMu;
  std::function<void(const std::string&)> logSink;

  std::thread server;
  std::atomic<bool> stopping{false};
  bool running = false;
  int wakeFd = -1;
  std::mutex stopMu;
  std::condition_variable stopCv;
  std::mutex connMu;
  std::list<Connection> connections;

  // Owned by the serving thread.
  std::string netns, ifName;
  int ifIndex = 0;
  int secondIfIndex = 0;  // brd1, when the LAN has a second adapter
  int udp = -1;
  int maint = -1;  // UDP 6006
  std::uint32_t replyNumber = 0x5A17;
  std::map<std::pair<std::uint32_t, std::uint16_t>, int> listeners;
  std::set<std::uint32_t> interfaceAddresses;
  std::vector<Pending> pending;
  bool wildcardTcp = false;
  int searchSpreadMs = 0;  // search answers after a random delay in [0, this)
  std::mt19937 spreadRandom{std::random_device{}()};

  bool streams = false;
  std::unique_ptr<StreamSender> sender;
  void syncStreams() {
    if (streams && running && !sender)
      sender = std::make_unique<StreamSender>(netns, [this] {
        std::vector<StreamSource> out;
        std::lock_guard lock(mu);
        for (const auto& board : boards)
          if (auto source = streamSourceOf(board.state)) out.push_back(*source);
        return out;
      });
    if ((!streams || !running) && sender) sender.reset();
  }

  explicit Impl(Fleet fleet) : restartSeconds(fleet.restartSeconds) {
    for (auto& fb : fleet.boards) boards.push_back(Board{fb.state, fb});
  }

  void log(const std::string& line) {
    std::lock_guard lock(logMu);
    if (logSink) logSink(clockText() + " " + line);
  }

  void addJournal(const std::string& board, const std::string& endpoint, qor::Bytes bytes) {
    journal.push_back(JournalEntry{
        board, endpoint, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), Clock::now()});
    if (journal.size() > kJournalLimit) journal.pop_front();
    changed.notify_all();
  }

  // The board that answers TCP at an address: the first one there.
  Board* owner(std::uint32_t ip) {
    for (auto& b : boards)
      if (b.state.ip() == ip) return &b;
    return nullptr;
  }

  void wake() {
    std::uint64_t one = 1;
    if (wakeFd >= 0) [[maybe_unused]]
      auto n = ::write(wakeFd, &one, sizeof one);
  }

  // Asks the serving thread to bring addresses and listeners in line with the boards; with
  // `wait`, returns once that is done so the caller's next connection meets the new state.
  void requestReconfigure(std::unique_lock<std::mutex>& lock, bool wait) {
    if (!running) return;
    std::uint64_t target = ++reconfigAsked;
    wake();
    if (wait) changed.wait_for(lock, 5s, [&] { return reconfigDone >= target || stopping; });
  }

  bool sleepUnlessStopping(std::chrono::milliseconds d) {
    std::unique_lock lock(stopMu);
    return !stopCv.wait_for(lock, d, [&] { return stopping.load(); });
  }

  // What follows runs on the serving thread, or on connection threads where it says so.

  void loadInterfaceAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
      throw std::runtime_error("qorsim: cannot list the boards' addresses: " + errnoText());
    for (ifaddrs* i = list; i; i = i->ifa_next)
      if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET)
        interfaceAddresses.insert(
            fromInAddr(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr));
    freeifaddrs(list);
  }

  // Puts the missing addresses on the boards' interfaces in one netlink batch; returns those
  // that could not be added, each with its error text.
  std::map<std::uint32_t, std::string> addAddresses(
      const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ipMasks) {
    std::vector<InterfaceAddress> batch;
    std::set<std::uint32_t> queued;
    for (auto [ip, mask] : ipMasks)
      if (!interfaceAddresses.count(ip) && queued.insert(ip).second)
        batch.push_back({ip, prefixOf(mask), interfaceIndexFor(ip)});
    std::map<std::uint32_t, std::string> failed;
    std::vector<int> results = addInterfaceAddresses(batch);
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (results[i] == 0) {
        interfaceAddresses.insert(batch[i].ip);
        continue;
      }
      std::string dev = batch[i].interfaceIndex == secondIfIndex ? kSecondInterface : ifName;
      failed[batch[i].ip] = "cannot add " + qor::ipText(batch[i].ip) + "/" +
                            std::to_string(batch[i].prefix) + " on " + dev + ": " +
                            std::strerror(results[i]);
    }
    return failed;
  }

  int openListener(std::uint32_t ip, std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = sockAddr(ip, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 64) != 0) {
      log(qor::ipText(ip) + " tcp:" + std::to_string(port) + " cannot listen: " + errnoText());
      ::close(fd);
      return -1;
    }
    return fd;
  }

  // Boards in the second adapter's subnet live behind it, so the PC reaches them through lan1.
  int interfaceIndexFor(std::uint32_t ip) const {
    bool second = (ip & 0xff) == 10 && ((ip >> 8) & 0xff) == 88 && ((ip >> 16) & 0xff) == 0;
    return second && secondIfIndex ? secondIfIndex : ifIndex;
  }

  // Puts every board address on the interface and listens where a board answers TCP. Throws
  // only while starting; later failures are logged and the board stays unreachable.
  void reconfigure(bool starting) {
    struct Want {
      std::uint32_t ip, mask;
      bool tcp;
    };
    std::vector<Want> wants;
    {
      std::lock_guard lock(mu);
      std::set<std::uint32_t> seen;
      for (auto& b : boards) {
        std::uint32_t ip = b.state.ip();
        std::uint32_t mask = qor::getU32(qor::Bytes(b.state.status), layout::kMask);
        // Boards sharing an address: the first one answers TCP.
        bool first = seen.insert(ip).second;
        wants.push_back({ip, mask, first && !b.state.faults.refuseTcp});
        // The other address of a search reply only sends that reply; nothing listens there.
        std::uint32_t from = contactAddress(b.state);
        if (from != ip) wants.push_back({from, mask, false});
      }
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> missing;
    for (auto& w : wants)
      if (usableAddress(w.ip)) missing.push_back({w.ip, w.mask});
    auto failed = addAddresses(missing);
    if (starting && !failed.empty()) throw std::runtime_error("qorsim: " + failed.begin()->second);
    for (auto& [ip, error] : failed) log(error);
    std::set<std::pair<std::uint32_t, std::uint16_t>> desired;
    for (auto& w : wants) {
      if (!usableAddress(w.ip) || failed.count(w.ip)) continue;
      if (w.tcp)
        for (auto port : kTcpPorts) desired.insert({wildcardTcp ? 0u : w.ip, port});
    }
    for (auto it = listeners.begin(); it != listeners.end();) {
      if (desired.count(it->first)) {
        ++it;
        continue;
      }
      ::close(it->second);
      it = listeners.erase(it);
    }
    for (auto& key : desired) {
      if (listeners.count(key)) continue;
      int fd = openListener(key.first, key.second);
      if (fd >= 0) listeners[key] = fd;
    }
  }

  void setup() {
    int ns = open(netns.c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0)
      throw std::runtime_error("qorsim: cannot open the boards' namespace " + netns + ": " +
                               errnoText());
    int rc = setns(ns, CLONE_NEWNET);
    ::close(ns);
    if (rc != 0)
      throw std::runtime_error("qorsim: cannot enter the boards' namespace " + netns + ": " +
                               errnoText());
    ifIndex = static_cast<int>(if_nametoindex(ifName.c_str()));
    if (ifIndex == 0)
      throw std::runtime_error("qorsim: no interface " + ifName + " on the boards' side");
    secondIfIndex = static_cast<int>(if_nametoindex(kSecondInterface));
    loadInterfaceAddresses();
    {
      std::lock_guard lock(mu);
      wildcardTcp = boards.size() > kPerAddressListenBoards;
    }

    udp = openDatagramSocket(qor::kSearchPort);
    maint = openDatagramSocket(qor::kMaintPort);
    reconfigure(true);
  }

  int openDatagramSocket(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("qorsim: no UDP socket: " + errnoText());
    int one = 1, buffer = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    // The wildcard address: searches and group commands arrive as broadcasts.
    sockaddr_in a = sockAddr(0, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      int e = errno;
      ::close(fd);
      errno = e;
      throw std::runtime_error("qorsim: cannot bind UDP port " + std::to_string(port) +
                               " on the boards' side: " + errnoText());
    }
    return fd;
  }

  void closeAll() {
    for (auto& [key, fd] : listeners) ::close(fd);
    listeners.clear();
    if (udp >= 0) ::close(udp);
    if (maint >= 0) ::close(maint);
    udp = maint = -1;
    pending.clear();
  }

  void sendDatagram(const Pending& p) {
    msghdr msg{};
    iovec iov{const_cast<std::uint8_t*>(p.bytes.data()), p.bytes.size()};
    sockaddr_in to = p.to;
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst = toInAddr(p.from);  // sent from the board's own address
    if (to.sin_addr.s_addr == INADDR_BROADCAST) info.ipi_ifindex = interfaceIndexFor(p.from);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (sendmsg(p.socket, &msg, 0) < 0)
      log(p.line + ": send failed: " + errnoText());
    else
      log(p.line);
  }

  std::chrono::milliseconds spreadDelay() {
    if (searchSpreadMs <= 0) return {};
    return std::chrono::milliseconds(
        std::uniform_int_distribution<int>(0, searchSpreadMs - 1)(spreadRandom));
  }

  // Datagrams due now: one sends alone; several (the answers of many boards to one search)
  // leave as one burst, logged after the last has gone.
  void sendNow(const std::vector<Pending>& due) {
    if (due.size() == 1) sendDatagram(due.front());
    if (due.size() <= 1) return;
    std::map<int, std::vector<std::size_t>> bySocket;
    for (std::size_t i = 0; i < due.size(); ++i) bySocket[due[i].socket].push_back(i);
    for (auto& [socket, indexes] : bySocket) {
      std::vector<BurstDatagram> burst;
      for (std::size_t i : indexes) {
        const Pending& p = due[i];
        int index = p.to.sin_addr.s_addr == INADDR_BROADCAST ? interfaceIndexFor(p.from) : 0;
        burst.push_back({p.from, p.to, index, p.bytes});
      }
      std::vector<int> results = sendBurst(socket, burst);
      for (std::size_t k = 0; k < indexes.size(); ++k) {
        const Pending& p = due[indexes[k]];
        log(results[k] == 0 ? p.line : p.line + ": send failed: " + std::strerror(results[k]));
      }
    }
  }

  // Under mu.
  void restart(BoardState& b) {
    b.restartingUntil = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(restartSeconds));
    ++b.restarts;
  }
  // Under mu. Faults are the test's, not the board's settings, and stay. True when the board
  // moved back to another address.
  bool factoryReset(Board& board) {
    BoardState& b = board.state;
    std::uint32_t before = b.ip();
    Faults faults = b.faults;
    int restarts = b.restarts, resets = b.factoryResets;
    b = board.factory.state;
    b.faults = faults;
    b.restarts = restarts;
    b.factoryResets = resets + 1;
    return b.ip() != before;
  }

  // Which boards take in a datagram sent to `dst`: all of them for the limited broadcast, the
  // boards of a subnet for its broadcast, else the boards at that address.
  static bool hears(const BoardState& b, std::uint32_t dst) {
    if (dst == 0 || dst == 0xFFFFFFFF) return true;
    std::uint32_t ip = b.ip();
    std::uint32_t mask = qor::getU32(qor::Bytes(b.status), layout::kMask);
    return dst == ip || dst == (ip | ~mask) || dst == contactAddress(b);
  }

  void handleDatagram(qor::Bytes bytes, std::uint32_t src, std::uint16_t srcPort,
                      std::uint32_t dst) {
    std::vector<Pending> sends;
    std::vector<std::string> lines, heardBy;
    bool moved = false;
    {
      std::lock_guard lock(mu);
      auto now = Clock::now();
      for (auto& board : boards) {
        BoardState& b = board.state;
        if (!hears(b, dst)) continue;
        std::string who = qor::ipText(b.ip());
        heardBy.push_back(who);
        std::string head =
            who + " udp:4007 from " + qor::ipText(src) + ":" + std::to_string(srcPort) + " ";
        if (!hasMagic(bytes)) {
          lines.push_back(head + std::to_string(bytes.size()) +
                          " bytes without the qor head: ignored");
          continue;
        }
        std::uint8_t cmd = bytes[3];
        if (b.faults.silent || b.restarting(now)) {
          lines.push_back(head + "command " + hexByte(cmd) + ": " +
                          (b.faults.silent ? "silent" : "restarting") + ", no answer");
          continue;
        }
        if (cmd == 0xE5 || cmd == kDiscoveryQuestion) {
          std::vector<std::uint8_t> reply(4 + qor::kStatusBlockSize);
          qor::putHead(reply, 0xE6);
          qor::putBytes(reply, 4, b.status);
          if (cmd == kDiscoveryQuestion) reply = discoveryAnswer(b);
          applyReplyFaults(reply, b.faults);
          Pending p;
          p.socket = udp;
          p.due = now + std::chrono::milliseconds(b.faults.delayMs) + spreadDelay();
          p.from = contactAddress(b);
          p.to = b.faults.searchReplyBroadcast ? sockAddr(0xFFFFFFFF, qor::kAnswerPort)
                                               : sockAddr(src, qor::kAnswerPort);
          p.bytes = std::move(reply);
          p.line = head + "search -> " + describeReply(p.bytes) + " from " + qor::ipText(p.from) +
                   " to " + qor::ipText(fromInAddr(p.to.sin_addr)) + ":5007";
          if (b.faults.answerSearchTwice) sends.push_back(p);
          if (b.faults.floodSearchMs > 0) startFlood(p.from, src, p.bytes, b.faults.floodSearchMs);
          sends.push_back(std::move(p));
        } else if ((cmd == 0xE8 || cmd == 0xEB) && bytes.size() >= 12) {
          std::int32_t target = qor::getI32(bytes, 8);
          if (!groupTargets(b, target)) continue;
          if (cmd == 0xE8) {
            restart(b);
            lines.push_back(head + "restart (target " + std::to_string(target) + ")");
          } else {
            moved |= factoryReset(board);
            lines.push_back(head + "factory reset (target " + std::to_string(target) + ")");
          }
        } else if (cmd == 0xF0 && bytes.size() >= 12 + layout::kIdentitySize) {
          std::uint32_t contact = qor::getU32(bytes, 8);
          if (contact != b.ip() && contact != contactAddress(b)) continue;
          std::uint32_t before = b.ip();
          bool changed = applyIdentity(b, bytes.subspan(12, layout::kIdentitySize),
                                       board.factory.rtspUrlDerived);
          moved |= changed;
          lines.push_back(head + "network identity " + qor::ipText(before) + " -> " +
                          qor::ipText(b.ip()) + " \"" + b.name + "\"");
        } else {
          lines.push_back(head + std::to_string(bytes.size()) + " bytes, command " + hexByte(cmd) +
                          ": ignored");
        }
      }
    }
    settleDatagram("udp:4007", bytes, lines, heardBy, moved, sends);
  }

  // The maintenance dialog's protocol: answers go back to the asking socket.
  void handleMaintenanceDatagram(qor::Bytes bytes, std::uint32_t src, std::uint16_t srcPort,
                                 std::uint32_t dst) {
    std::vector<Pending> sends;
    std::vector<std::string> lines, heardBy;
    bool moved = false;
    {
      std::lock_guard lock(mu);
      auto now = Clock::now();
      for (auto& board : boards) {
        BoardState& b = board.state;
        if (!hears(b, dst)) continue;
        std::string who = qor::ipText(b.ip());
        heardBy.push_back(who);
        std::string head =
            who + " udp:6006 from " + qor::ipText(src) + ":" + std::to_string(srcPort) + " ";
        if (b.faults.silent || b.restarting(now)) {
          lines.push_back(head + (b.faults.silent ? "silent" : "restarting") + ", no answer");
          continue;
        }
        Outcome o =
            answerMaintenance(b, bytes, maintenanceReplyNumber(b, bytes, replyNumber, now));
        if (o.summary.empty()) continue;  // for another board
        if (o.restart) restart(b);
        if (o.factoryReset) moved |= factoryReset(board);
        if (!o.reply) {
          lines.push_back(head + o.summary);
          continue;
        }
        applyReplyFaults(*o.reply, b.faults);
        Pending p{maint,
                  now + std::chrono::milliseconds(b.faults.delayMs),
                  contactAddress(b),
                  sockAddr(src, srcPort),
                  std::move(*o.reply),
                  ""};
        p.line = head + o.summary + " -> " + describeReply(p.bytes);
        sends.push_back(std::move(p));
      }
    }
    settleDatagram("udp:6006", bytes, lines, heardBy, moved, sends);
  }

  // What every datagram ends with: the log, new addresses, the journal, then the answers
  // (now, or queued for a delayed board). Journaled once the boards have acted, so a test
  // that waits for the entry meets them at their new addresses.
  void settleDatagram(const char* endpoint, qor::Bytes bytes, const std::vector<std::string>& lines,
                      const std::vector<std::string>& heardBy, bool moved,
                      std::vector<Pending>& sends) {
    for (auto& l : lines) log(l);
    if (moved) reconfigure(false);
    {
      std::lock_guard lock(mu);
      for (auto& who : heardBy) addJournal(who, endpoint, bytes);
    }
    std::vector<Pending> now;
    for (auto& p : sends) (p.due <= Clock::now() ? now : pending).push_back(std::move(p));
    sendNow(now);
  }

  void receiveDatagrams(int fd) {
    std::vector<std::uint8_t> buf(65536);
    for (;;) {
      sockaddr_in from{};
      iovec iov{buf.data(), buf.size()};
      alignas(cmsghdr) char control[256];
      msghdr msg{};
      msg.msg_name = &from;
      msg.msg_namelen = sizeof from;
      msg.msg_iov = &iov;
      msg.msg_iovlen = 1;
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      ssize_t n = recvmsg(fd, &msg, 0);
      if (n < 0) return;
      std::uint32_t dst = 0;
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo info;
          std::memcpy(&info, CMSG_DATA(c), sizeof info);
          dst = fromInAddr(info.ipi_addr);
        }
      qor::Bytes bytes(buf.data(), static_cast<std::size_t>(n));
      if (fd == maint)
        handleMaintenanceDatagram(bytes, fromInAddr(from.sin_addr), ntohs(from.sin_port), dst);
      else
        handleDatagram(bytes, fromInAddr(from.sin_addr), ntohs(from.sin_port), dst);
    }
  }

  void acceptOn(std::uint32_t ip, std::uint16_t port, int listener) {
    for (;;) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      std::uint32_t local = ip;
      if (local == 0 && !answersTcpAt(fd, local)) continue;
      auto done = std::make_shared<std::atomic<bool>>(false);
      std::lock_guard lock(connMu);
      // Threads made here inherit this thread's network namespace.
      connections.push_back(Connection{std::thread([this, fd, local, port, done] {
                                         serveConnection(fd, local, port);
                                         *done = true;
                                       }),
                                       done});
    }
  }

  // A flooding board's answers go out from a thread of their own, reaped like a connection.
  void startFlood(std::uint32_t from, std::uint32_t to, std::vector<std::uint8_t> answer, int ms) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(connMu);
    connections.push_back(Connection{
        std::thread([this, from, to, answer, ms, done] {
          std::size_t n =
              floodSearchAnswers(from, to, answer, std::chrono::milliseconds(ms), stopping);
          log(qor::ipText(from) + " udp:4007 flooded " + std::to_string(n) + " search answers");
          *done = true;
        }),
        done});
  }

  // A connection taken on a wildcard listener: the board at its local address answers it; with
  // none there (or one that refuses TCP) the connection is reset at once, as near a refusal as
  // a listener that already accepted can come.
  bool answersTcpAt(int fd, std::uint32_t& local) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    bool answers = false;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
      local = fromInAddr(a.sin_addr);
      std::lock_guard lock(mu);
      Board* board = owner(local);
      answers = board && !board->state.faults.refuseTcp;
    }
    if (!answers) {
      linger reset{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(fd);
    }
    return answers;
  }

  void reapConnections(bool all) {
    std::list<Connection> finished;
    {
      std::lock_guard lock(connMu);
      for (auto it = connections.begin(); it != connections.end();) {
        if (all || *it->done) {
          finished.splice(finished.end(), connections, it++);
        } else {
          ++it;
        }
      }
    }
    for (auto& c : finished) c.thread.join();
  }

  // One request per connection, as the boards do.
  void serveConnection(int fd, std::uint32_t local, std::uint16_t port) {
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> buf(65536);
    auto lastData = Clock::now();
    // However the client paces its bytes (or never reads), the connection ends by this.
    const auto deadline = lastData + connectionDeadline(port);
    auto idle = requestIdle(port);
    std::size_t limit = port == qor::kFilePort ? kMaxTransfer : kMaxRequest;
    bool eof = false;
    while (!stopping && !requestComplete(port, request) && request.size() < limit) {
      if (Clock::now() >= deadline) {
        log(qor::ipText(local) + " tcp:" + std::to_string(port) + " " +
            std::to_string(request.size()) + " bytes, request not whole by the deadline: closed");
        ::close(fd);
        return;
      }
      pollfd p{fd, POLLIN, 0};
      int r = poll(&p, 1, 100);
      if (r < 0 && errno != EINTR) break;
      if (r > 0) {
        ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0) {
          eof = true;
          break;
        }
        request.insert(request.end(), buf.begin(), buf.begin() + n);
        lastData = Clock::now();
      } else if (Clock::now() - lastData > idle) {
        break;
      }
    }
    if (request.empty() || stopping) {
      ::close(fd);
      return;
    }
    std::string endpoint = "tcp:" + std::to_string(port);
    std::string who = qor::ipText(local);
    Outcome outcome;
    Faults faults;
    bool quiet = false;
    {
      std::unique_lock lock(mu);
      Board* board = owner(local);
      if (!board) {
        lock.unlock();
        ::close(fd);
        return;
      }
      BoardState& b = board->state;
      faults = b.faults;
      if (faults.silent || b.restarting() ||
          (faults.silentFiles && port == qor::kFilePort)) {
        quiet = true;
        outcome.summary = b.restarting() ? "restarting, no answer" : "silent, no answer";
      } else if (port == qor::kConfigPort) {
        outcome = handleConfig(b, request, board->factory.rtspUrlDerived);
      } else if (port == qor::kSerialPort) {
        outcome = handleSerial(b, request);
      } else if (port == qor::kRegisterPort || port == qor::kRegisterAltPort) {
        outcome = handleMaintenance(b, request);
      } else {
        outcome = handleFile(b, request);
      }
      quiet = quiet || outcome.hold;
      if (outcome.restart) restart(b);
      if (outcome.addressChanged) requestReconfigure(lock, true);
      addJournal(who, endpoint,
                 qor::Bytes(request).first(std::min(request.size(), kJournalTransfer)));
    }
    std::string line = who + " " + endpoint + " " + outcome.summary;
    if (quiet) {
      log(line);
      // Keep the line open without a word, as a board that hangs does, until the PC gives up.
      auto until = std::min<Clock::time_point>(Clock::now() + kSilentHold, deadline);
      while (!stopping && !eof && Clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) > 0 && recv(fd, buf.data(), buf.size(), 0) <= 0) break;
      }
      ::close(fd);
      return;
    }
    if (outcome.reply) {
      applyReplyFaults(*outcome.reply, faults);
      const auto delay = std::chrono::milliseconds(faults.delayMs) + outcome.delay;
      if (delay.count() > 0 && !sleepUnlessStopping(delay)) {
        ::close(fd);
        return;
      }
      std::size_t sent = sendPaced(fd, *outcome.reply, faults, deadline, stopping);
      line += " -> " + describeReply(outcome.reply);
      if (sent < outcome.reply->size())
        line += " (" + std::to_string(sent) + " bytes sent by the deadline)";
    }
    log(line);
    shutdown(fd, SHUT_WR);
    ::close(fd);
  }

  void serve(std::promise<void>& ready) {
    try {
      setup();
    } catch (...) {
      closeAll();
      ready.set_exception(std::current_exception());
      return;
    }
    ready.set_value();
    std::vector<pollfd> fds;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> keys;
    while (!stopping) {
      fds.clear();
      keys.clear();
      fds.push_back({wakeFd, POLLIN, 0});
      fds.push_back({udp, POLLIN, 0});
      fds.push_back({maint, POLLIN, 0});
      for (auto& [key, fd] : listeners) {
        fds.push_back({fd, POLLIN, 0});
        keys.push_back(key);
      }
      int timeout = 200;
      auto now = Clock::now();
      for (auto& p : pending)
        timeout = std::min<int>(
            timeout,
            std::max<int>(
                0, static_cast<int>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(p.due - now).count()) +
                       1));
      int r = poll(fds.data(), fds.size(), timeout);
      if (stopping) break;
      if (r > 0 && (fds[0].revents & POLLIN)) {
        std::uint64_t count;
        [[maybe_unused]] auto n = ::read(wakeFd, &count, sizeof count);
        std::uint64_t generation;
        {
          std::lock_guard lock(mu);
          generation = reconfigAsked;
        }
        reconfigure(false);
        std::lock_guard lock(mu);
        reconfigDone = std::max(reconfigDone, generation);
        changed.notify_all();
      }
      if (r > 0 && (fds[1].revents & POLLIN)) receiveDatagrams(udp);
      if (r > 0 && (fds[2].revents & POLLIN)) receiveDatagrams(maint);
      for (std::size_t i = 0; r > 0 && i < keys.size(); ++i)
        if (fds[i + 3].revents & POLLIN) {
          auto it = listeners.find(keys[i]);
          if (it != listeners.end()) acceptOn(keys[i].first, keys[i].second, it->second);
        }
      now = Clock::now();
      auto due = std::stable_partition(pending.begin(), pending.end(),
                                       [&](const Pending& p) { return p.due > now; });
      std::vector<Pending> dueNow(std::make_move_iterator(due),
                                  std::make_move_iterator(pending.end()));
      pending.erase(due, pending.end());
      sendNow(dueNow);
      reapConnections(false);
    }
    closeAll();
  }

  void start() {
    if (running) return;
    const char* ns = std::getenv("TAVMON_BOARD_NETNS");
    if (!ns || !*ns)
      throw std::runtime_error(
          "qorsim: TAVMON_BOARD_NETNS is not set. The simulator only runs on the boards' side of a "
          "private test LAN; start it with scripts/testlan -- qorsim FLEET.json");
    netns = ns;
    const char* dev = std::getenv("TAVMON_BOARD_IF");
    ifName = dev && *dev ? dev : "brd0";
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) throw std::runtime_error("qorsim: eventfd: " + errnoText());
    stopping = false;
    std::promise<void> ready;
    auto started = ready.get_future();
    server = std::thread([this, &ready] { serve(ready); });
    try {
      started.get();
    } catch (...) {
      server.join();
      ::close(wakeFd);
      wakeFd = -1;
      throw;
    }
    {
      std::lock_guard lock(mu);
      running = true;
    }
    syncStreams();
  }

  void stop() {
    if (!server.joinable()) return;
    sender.reset();
    {
      std::lock_guard lock(stopMu);
      stopping = true;
    }
    stopCv.notify_all();
    {
      std::lock_guard lock(mu);
      running = false;
      changed.notify_all();
    }
    wake();
    server.join();
    reapConnections(true);
    ::close(wakeFd);
    wakeFd = -1;
    stopping = false;
  }
};

Simulator::Simulator(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Simulator::Simulator(Simulator&&) noexcept = default;
Simulator& Simulator::operator=(Simulator&& other) noexcept {
  if (this != &other) {
    if (impl_) impl_->stop();
    impl_ = std::move(other.impl_);
  }
  return *this;
}
Simulator::~Simulator() {
  if (impl_) impl_->stop();
}

Simulator Simulator::fromJson(const nlohmann::json& fleet) {
  return Simulator(std::make_unique<Impl>(parseFleet(fleet)));
}

Simulator Simulator::fromFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw FleetError("fleet: cannot read " + path + ": " + errnoText());
  nlohmann::json fleet;
  try {
    fleet = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception& e) {
    throw FleetError("fleet: " + path + " is not valid JSON: " + e.what());
  }
  try {
    return fromJson(fleet);
  } catch (const FleetError& e) {
    throw FleetError(path + ": " + e.what());
  }
}

Simulator Simulator::generated(int count) {
  return Simulator(std::make_unique<Impl>(generatedFleet(count)));
}

void Simulator::start() {
  impl_->start();
}
void Simulator::stop() {
  impl_->stop();
}
void Simulator::setStreams(bool on) {
  impl_->streams = on;
  impl_->syncStreams();
}

std::size_t Simulator::boardCount() const {
  std::lock_guard lock(impl_->mu);
  return impl_->boards.size();
}

std::vector<std::string> Simulator::addresses() const {
  std::lock_guard lock(impl_->mu);
  std::vector<std::string> out;
  for (auto& b : impl_->boards) out.push_back(qor::ipText(b.state.ip()));
  return out;
}

void Simulator::withBoard(std::size_t index, const std::function<void(BoardState&)>& f) {
  std::unique_lock lock(impl_->mu);
  if (index >= impl_->boards.size())
    throw std::out_of_range("qorsim: no board number " + std::to_string(index) +
                            " (the fleet has " + std::to_string(impl_->boards.size()) + ")");
  f(impl_->boards[index].state);
  impl_->requestReconfigure(lock, true);
}

void Simulator::withBoard(const std::string& address, const std::function<void(BoardState&)>& f) {
  std::size_t index = 0;
  {
    std::lock_guard lock(impl_->mu);
    std::uint32_t ip = 0;
    bool parsed = qor::parseIp(address, ip);
    auto& boards = impl_->boards;
    auto it = std::find_if(boards.begin(), boards.end(),
                           [&](const Board& b) { return parsed && b.state.ip() == ip; });
    if (it == boards.end()) throw std::out_of_range("qorsim: no board at " + address);
    index = static_cast<std::size_t>(it - boards.begin());
  }
  withBoard(index, f);
}

void Simulator::setFaults(const std::string& address, const Faults& faults) {
  withBoard(address, [&](BoardState& b) { b.faults = faults; });
}
void Simulator::setFaults(std::size_t index, const Faults& faults) {
  withBoard(index, [&](BoardState& b) { b.faults = faults; });
}

void Simulator::setSearchSpread(std::chrono::milliseconds spread) {
  std::lock_guard lock(impl_->mu);
  impl_->searchSpreadMs = static_cast<int>(std::max<std::int64_t>(0, spread.count()));
}

void Simulator::setRestartSeconds(double seconds) {
  std::lock_guard lock(impl_->mu);
  impl_->restartSeconds = std::max(0.0, seconds);
}

std::vector<JournalEntry> Simulator::journal() const {
  std::lock_guard lock(impl_->mu);
  return {impl_->journal.begin(), impl_->journal.end()};
}

void Simulator::clearJournal() {
  std::lock_guard lock(impl_->mu);
  impl_->journal.clear();
}

bool Simulator::waitForJournal(const std::function<bool(const JournalEntry&)>& pred,
                               std::chrono::milliseconds timeout) {
  std::unique_lock lock(impl_->mu);
  return impl_->changed.wait_for(lock, timeout, [&] {
    return std::any_of(impl_->journal.begin(), impl_->journal.end(), pred);
  });
}

void Simulator::setLogSink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(impl_->logMu);
  impl_->logSink = std::move(sink);
}

}  // namespace qorsim
