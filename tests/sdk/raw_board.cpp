#include "raw_board.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>

#include "testlan.h"

namespace sdktest {

Bytes packet(std::uint8_t command, const Bytes& payload) {
  Bytes out(4 + payload.size());
  out[0] = 'q';
  out[1] = 'o';
  out[2] = 'r';
  out[3] = command;
  std::copy(payload.begin(), payload.end(), out.begin() + 4);
  return out;
}

RawBoard::RawBoard(std::string address, std::vector<std::uint16_t> ports, Answer answer)
    : answer_(std::move(answer)) {
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
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(port);
      inet_pton(AF_INET, address.c_str(), &a.sin_addr);
      if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0)
        return finish("cannot listen on " + address + ":" + std::to_string(port));
      listeners.push_back(fd);
    }
    finish(std::nullopt);
    serve(listeners);
  });
  std::unique_lock guard(ready);
  readyChanged.wait(guard, [&] { return done; });
  if (failure) {
    thread_.join();
    throw std::runtime_error(*failure);
  }
}

RawBoard::~RawBoard() {
  (void)!write(stopPipe_[1], "x", 1);
  thread_.join();
  close(stopPipe_[0]);
  close(stopPipe_[1]);
}

std::vector<Received> RawBoard::received(std::size_t count) {
  std::unique_lock guard(lock_);
  changed_.wait_for(guard, std::chrono::seconds(2), [&] { return received_.size() >= count; });
  return received_;
}

void RawBoard::drip(std::chrono::milliseconds pause) {
  std::lock_guard guard(lock_);
  drip_ = pause;
}

std::size_t RawBoard::connections() {
  std::lock_guard guard(lock_);
  return received_.size();
}

void RawBoard::serve(std::vector<int> listeners) {
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

namespace {

// A read request is complete after its head, and for the text command after the text's NUL.
bool requestComplete(const Bytes& r) {
  if (r.size() < 4) return false;
  if (r[3] != 0x51) return true;
  return std::find(r.begin() + 4, r.end(), 0) != r.end();
}

// Reads until the PC closes, the predicate holds, or five seconds pass.
void readUntil(int fd, Bytes& into, const std::function<bool(const Bytes&)>& enough) {
  std::uint8_t buffer[4096];
  pollfd p{fd, POLLIN, 0};
  while (!(enough && enough(into)) && poll(&p, 1, 5000) > 0) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    into.insert(into.end(), buffer, buffer + n);
  }
}

}  // namespace

void RawBoard::handle(int connection, std::uint16_t port) {
  Bytes request;
  readUntil(connection, request, answer_ ? requestComplete : std::function<bool(const Bytes&)>{});
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
    send(connection, reply->data(), reply->size(), MSG_NOSIGNAL);
  } else
    readUntil(connection, request, {});  // the rest of a write, or until the PC gives up
  close(connection);
  std::lock_guard guard(lock_);
  received_.push_back({port, std::move(request)});
  changed_.notify_all();
}

}  // namespace sdktest
