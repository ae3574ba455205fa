// tavbench search N | status-read: one line of figures each, measured inside the test LAN
// against qorsim running in this process. Figures depend on the machine and its load; they are
// for comparing runs on one machine, not for asserting.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "detect/detection.h"
#include "device/board_list.h"
#include "device/notifier.h"
#include "generate.h"
#include "qorsdk.h"
#include "qorsim.h"
#include "shell/device_search.h"
#include "wire.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = address;
  return a;
}

struct RawCount {
  std::size_t boards = 0;
  double lastAnswerMs = 0;
};

// The least a receiver can do: a large buffer, one recv per datagram, a set of senders.
RawCount rawSearch(std::chrono::milliseconds window) {
  RawCount out;
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  int one = 1, size = 8 << 20;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  sockaddr_in local = endpoint(INADDR_ANY, qor::kAnswerPort);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    std::perror("tavbench: bind 5007");
    close(s);
    return out;
  }
  auto question = tav::DiscoveryRequest();
  sockaddr_in to = endpoint(INADDR_BROADCAST, qor::kSearchPort);
  auto start = Clock::now();
  sendto(s, question.data(), question.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  std::set<std::uint32_t> from;
  std::uint8_t buf[2048];
  for (auto end = start + window; Clock::now() < end;) {
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    sockaddr_in sender{};
    socklen_t len = sizeof sender;
    ssize_t n = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&sender), &len);
    if (n < 4 || buf[3] != tav::kCmdSearchReply) continue;
    from.insert(sender.sin_addr.s_addr);
    out.lastAnswerMs = ms(Clock::now() - start);
  }
  close(s);
  out.boards = from.size();
  return out;
}

struct EngineCount {
  int boards = 0;
  double lastAnswerMs = 0, drainMs = 0, finishMs = 0;
};

// The search engine Tavmon and tavctl share, driven as RunBlocking drives it, with each
// Drain and the end timed.
EngineCount engineSearch(std::chrono::milliseconds window) {
  EngineCount out;
  CBoardCtrl boards;
  tav::SilentNotifier quiet;
  tav::DeviceSearch search(boards, quiet);
  search.flushNeighbours = false;
  search.linkDiagnosis = tav::RunLinkDiagnosis;  // as Tavmon and tavctl end a search
  tav::ListenTarget target;
  auto start = Clock::now();
  search.Open(target);
  for (auto end = start + window; Clock::now() < end;) {
    pollfd p{search.ListenerFd(), POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    auto before = Clock::now();
    bool took = search.Drain() > 0;
    auto after = Clock::now();
    out.drainMs += ms(after - before);
    if (took) out.lastAnswerMs = ms(after - start);
  }
  auto before = Clock::now();
  search.Finish();
  out.finishMs = ms(Clock::now() - before);
  out.boards = boards.Count();
  return out;
}

int benchSearch(int count, int spreadMs) {
  auto sim = qorsim::Simulator::fromJson(qorsim::generateFleet(count, "10.77.0.0/16"));
  sim.setSearchSpread(std::chrono::milliseconds(spreadMs));
  auto startAt = Clock::now();
  sim.start();
  double simStartS = ms(Clock::now() - startAt) / 1000;
  RawCount raw = rawSearch(3000ms);
  std::this_thread::sleep_for(300ms);
  EngineCount engine = engineSearch(3000ms);
  std::printf(
      "search N=%d%s: raw %zu found %zu lost, last answer %.0f ms | search %d found %d lost, last "
      "answer taken %.0f ms, ingest %.0f ms, end of search %.0f ms | qorsim start %.1f s\n",
      count, spreadMs ? (" spread " + std::to_string(spreadMs) + " ms").c_str() : " burst",
      raw.boards, count - raw.boards, raw.lastAnswerMs, engine.boards, count - engine.boards,
      engine.lastAnswerMs, engine.drainMs, engine.finishMs, simStartS);
  return engine.boards == count ? 0 : 1;
}

// One TCP connect, "qor" 0xE5, the 204-byte answer, close: what a type 256 read costs at the
// least.
bool rawStatusRead(std::uint32_t address) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to = endpoint(address, qor::kConfigPort);
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  std::uint8_t question[4] = {'q', 'o', 'r', 0xE5};
  ok = ok && send(s, question, 4, MSG_NOSIGNAL) == 4;
  std::uint8_t buf[512];
  std::size_t got = 0;
  while (ok && got < 204) {
    ssize_t n = recv(s, buf + got, sizeof buf - got, 0);
    if (n <= 0) break;
    got += std::size_t(n);
  }
  close(s);
  return got >= 204;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int benchStatusRead(int reads) {
  auto sim = qorsim::Simulator::fromJson(qorsim::generateFleet(1, "10.77.0.0/24"));
  sim.start();
  const std::string text = sim.addresses().front();
  std::uint32_t address = 0;
  qor::parseIp(text, address);
  std::vector<double> raw, sdk;
  int failures = 0;
  std::uint8_t block[200];
  for (int i = 0; i < reads; ++i) {  // alternated, so load hits both alike
    auto t0 = Clock::now();
    failures += !rawStatusRead(address);
    auto t1 = Clock::now();
    std::uint32_t size = sizeof block;
    std::memcpy(block, &size, 4);
    failures += DEVICE_GetConfig(text.c_str(), 256, block) != 0;
    auto t2 = Clock::now();
    raw.push_back(ms(t1 - t0));
    sdk.push_back(ms(t2 - t1));
  }
  double r = median(raw), q = median(sdk);
  std::printf(
      "status-read x%d: qorsdk type 256 %.3f ms, raw TCP %.3f ms (medians), ratio %.2f, "
      "failures %d\n",
      reads, q, r, r > 0 ? q / r : 0, failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tavbench: timings inside the test LAN (scripts/bench)"};
  app.require_subcommand(1);
  int count = 1000, spreadMs = 0, reads = 200;
  auto* search = app.add_subcommand("search", "one search of N generated boards");
  search->add_option("N", count, "boards")->check(CLI::Range(1, 60000));
  search->add_option("--spread", spreadMs, "answers spread over MS ms (default: one burst)");
  auto* status = app.add_subcommand("status-read", "type 256 read: qorsdk against raw TCP");
  status->add_option("--reads", reads, "reads of each kind")->check(CLI::Range(1, 100000));
  CLI11_PARSE(app, argc, argv);
  try {
    if (*search) return benchSearch(count, spreadMs);
    return benchStatusRead(reads);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavbench: %s\n", e.what());
    return 2;
  }
}
