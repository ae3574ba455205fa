#include "board_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "testlan.h"

namespace tav::test {

namespace {

sockaddr_in Endpoint(const std::string& address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  return sa;
}

// Reads until the PC closes, `enough` holds, or nothing came for `quiet`.
void ReadUntil(int fd, Bytes& into, const BoardPeer::Complete& enough,
               std::chrono::milliseconds quiet) {
  std::uint8_t buffer[9000];
  pollfd p{fd, POLLIN, 0};
  while (!(enough && enough(into)) && poll(&p, 1, static_cast<int>(quiet.count())) > 0) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    into.insert(into.end(), buffer, buffer + n);
  }
}

}  // namespace

Bytes Packet(std::uint8_t command, const Bytes& payload) {
  Bytes out{'q', 'o', 'r', command};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes MaintAnswer(std::uint8_t command, std::uint16_t status, std::uint8_t dataByte) {
  Bytes a(528, 0);
  a[0] = 'q';
  a[1] = 'o';
  a[2] = 'r';
  a[3] = command;
  a[4] = 0x0c;  // body size 524, little-endian
  a[5] = 0x02;
  a[4 + 8] = static_cast<std::uint8_t>(status);
  a[4 + 9] = static_cast<std::uint8_t>(status >> 8);
  a[4 + 268] = dataByte;
  return a;
}

bool ConfigRequestComplete(const Bytes& r) {
  if (r.size() < 4) return false;
  if (r[3] != 0x51) return true;
  return std::find(r.begin() + 4, r.end(), 0) != r.end();
}

BoardPeer::BoardPeer(std::string address, std::vector<std::uint16_t> ports, Answer answer,
                     Complete complete, std::chrono::milliseconds quiet)
    : answer_(std::move(answer)), complete_(std::move(complete)), quiet_(quiet) {
  testlan::addBoardAddress(address);
  if (pipe(stopPipe_) != 0) throw std::runtime_error("pipe");
  // Listeners are opened on the board thread, after it entered the boards' namespace; the
  // constructor waits for them so a test never connects too early.
  std::mutex ready;
  std::condition_variable readyChanged;
  std::optional<std::string> failure;
  bool done = false;
  thread_ = std::thread([&, address, ports] {
    std::vector<int> listeners;
    auto finish = [&](std::optional<std::string> error) {
      std::lock_guard guard(ready);
      failure = std::move(error);
      done = true;
      readyChanged.notify_one();
    };
    try {
      testlan::enterBoardSide();
    } catch (const std::exception& e) {
      return finish(e.what());
    }
    for (std::uint16_t port : ports) {
      int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      int one = 1;
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
      sockaddr_in a = Endpoint(address, port);
      if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0) {
        close(fd);
        for (int l : listeners) close(l);
        return finish("cannot listen on " + address + ":" + std::to_string(port));
      }
      listeners.push_back(fd);
    }
    finish(std::nullopt);
    serve(listeners);
  });
  std::unique_lock guard(ready);
  readyChanged.wait(guard, [&] { return done; });
  if (failure) {
    thread_.join();
    close(stopPipe_[0]);
    close(stopPipe_[1]);
    throw std::runtime_error(*failure);
  }
}

BoardPeer::~BoardPeer() {
  (void)!write(stopPipe_[1], "x", 1);
  thread_.join();
  close(stopPipe_[0]);
  close(stopPipe_[1]);
}

std::vector<Received> BoardPeer::received(std::size_t count, std::chrono::milliseconds wait) {
  std::unique_lock guard(lock_);
  changed_.wait_for(guard, wait, [&] { return received_.size() >= count; });
  return received_;
}

void BoardPeer::drip(std::chrono::milliseconds pause) {
  std::lock_guard guard(lock_);
  drip_ = pause;
}

std::size_t BoardPeer::connections() {
  std::lock_guard guard(lock_);
  return received_.size();
}

void BoardPeer::serve(std::vector<int> listeners) {
  std::vector<pollfd> polled{{stopPipe_[0], POLLIN, 0}};
  for (int fd : listeners) polled.push_back({fd, POLLIN, 0});
  while (poll(polled.data(), polled.size(), -1) >= 0 && !(polled[0].revents & POLLIN)) {
    for (std::size_t i = 1; i < polled.size(); ++i) {
      if (!(polled[i].revents & POLLIN)) continue;
      sockaddr_in self{};
      socklen_t length = sizeof self;
      getsockname(polled[i].fd, reinterpret_cast<sockaddr*>(&self), &length);
      int connection = accept4(polled[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection >= 0) handle(connection, ntohs(self.sin_port));
    }
  }
  for (int fd : listeners) close(fd);
}

void BoardPeer::handle(int connection, std::uint16_t port) {
  Bytes request;
  ReadUntil(connection, request, answer_ ? complete_ : Complete{}, quiet_);
  std::optional<Bytes> reply = answer_ ? answer_(request) : std::nullopt;
  std::chrono::milliseconds pause;
  {
    std::lock_guard guard(lock_);
    pause = drip_;
  }
  if (reply && pause.count() > 0) {
    for (std::uint8_t byte : *reply) {
      if (send(connection, &byte, 1, MSG_NOSIGNAL) != 1) break;
      std::this_thread::sleep_for(pause);
    }
  } else if (reply) {
    if (!reply->empty()) send(connection, reply->data(), reply->size(), MSG_NOSIGNAL);
  } else {
    ReadUntil(connection, request, {}, quiet_);  // the rest of a write, or until the PC gives up
  }
  close(connection);
  std::lock_guard guard(lock_);
  received_.push_back({port, std::move(request)});
  changed_.notify_all();
}

TcpPeer::TcpPeer(const std::string& address, std::uint16_t port, std::vector<Turn> turns)
    : turnCount_(turns.size()),
      script_(std::make_shared<Script>(std::move(turns))),
      peer_(
          address, {port},
          [s = script_](const Bytes&) -> std::optional<Bytes> {
            std::lock_guard guard(s->lock);
            if (s->next >= s->turns.size()) return std::nullopt;
            return s->turns[s->next++].answer;
          },
          [s = script_](const Bytes& request) {
            std::lock_guard guard(s->lock);
            return s->next >= s->turns.size() || request.size() >= s->turns[s->next].requestSize;
          },
          std::chrono::seconds(1)) {}

std::vector<Bytes> TcpPeer::requests() {
  std::vector<Bytes> out;
  std::vector<Received> got = peer_.received(turnCount_, std::chrono::seconds(15));
  for (std::size_t i = 0; i < got.size(); ++i) {
    // A turn takes its request size and no more; what came after it is not the request.
    if (i < script_->turns.size() && got[i].bytes.size() > script_->turns[i].requestSize)
      got[i].bytes.resize(script_->turns[i].requestSize);
    out.push_back(std::move(got[i].bytes));
  }
  return out;
}

UdpListener::UdpListener(std::uint16_t port) {
  // The socket is made on a helper thread inside the boards' namespace; the descriptor stays
  // usable from any thread afterwards.
  std::thread([&] {
    testlan::enterBoardSide();
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = Endpoint("0.0.0.0", port);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }).join();
  if (fd_ < 0) throw std::runtime_error("cannot bind the boards' UDP port");
}

UdpListener::~UdpListener() {
  if (fd_ >= 0) close(fd_);
}

Bytes UdpListener::next(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return {};
  Bytes bytes(65536);
  ssize_t n = recv(fd_, bytes.data(), bytes.size(), 0);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

}  // namespace tav::test
