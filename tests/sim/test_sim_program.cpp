// The qorsim program as a user runs it: on the demo fleet inside the LAN, and refusing a bad
// fleet file or a machine that is not a test LAN.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>

#include "gbk.h"
#include "le_bytes.h"
#include "raw_peer.h"
#include "wire.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

struct Child {
  pid_t pid = -1;
  int out = -1, err = -1;
  std::string outText, errText;
  bool outEnded = false, errEnded = false;

  // Reads what the child wrote until `done` holds for the collected stdout, both streams end,
  // or the time passes.
  bool readUntil(const std::function<bool(const std::string&)>& done,
                 std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!done(outText)) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      until - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0 || (outEnded && errEnded)) return false;
      pollfd fds[2] = {{outEnded ? -1 : out, POLLIN, 0}, {errEnded ? -1 : err, POLLIN, 0}};
      if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
      char buf[4096];
      for (int i = 0; i < 2; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
        ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n > 0)
          (i == 0 ? outText : errText).append(buf, static_cast<std::size_t>(n));
        else
          (i == 0 ? outEnded : errEnded) = true;
      }
    }
    return true;
  }

  int wait() {
    readUntil([](const std::string&) { return false; }, 3000ms);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out);
    close(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
};

Child spawn(std::vector<std::string> args, const std::vector<std::string>& unset = {}) {
  Child c;
  int outPipe[2], errPipe[2];
  EXPECT_EQ(pipe2(outPipe, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(errPipe, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    bool drop = false;
    for (auto& u : unset) drop |= v.rfind(u + "=", 0) == 0;
    if (!drop) env.push_back(v);
  }
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  EXPECT_EQ(posix_spawn(&c.pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0)
      << args[0];
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  c.out = outPipe[0];
  c.err = errPipe[0];
  return c;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  if (!v) throw std::runtime_error(std::string(name) + " is not set; run this test through ctest");
  return v;
}
std::string program() {
  return env("TAVMON_BIN") + "/qorsim";
}
std::string demo() {
  return env("TAVMON_SIM_FLEETS") + "/demo.json";
}

}  // namespace

TEST(SimProgram, ServesTheDemoFleetUntilTerminated) {
  Child sim = spawn({program(), demo()});
  ASSERT_TRUE(sim.readUntil(
      [](const std::string& s) { return s.find("serving") != std::string::npos; }, 5000ms))
      << sim.errText;
  auto answers = rawpeer::search(1000ms);
  std::set<std::string> names;
  std::multiset<std::string> from;
  for (auto& a : answers) {
    ASSERT_EQ(a.bytes.size(), 204u);
    names.insert(qor::gbkToUtf8(qor::getText(a.bytes, 4 + 36, 32)));
    from.insert(a.from);
  }
  EXPECT_EQ(answers.size(), 20u)
      << "one answer per board, both boards of the shared address included";
  EXPECT_EQ(names.size(), answers.size());
  EXPECT_TRUE(names.count("会议室编码器"));
  EXPECT_EQ(from.count("10.77.0.40"), 2u);
  EXPECT_EQ(from.count("192.168.1.50"), 1u)
      << "the board in a foreign subnet answers the broadcast";
  auto status = rawpeer::exchange("192.168.1.50", qor::kConfigPort, rawpeer::head(0xE5));
  EXPECT_EQ(status.reply.size(), 204u);
  auto shared = rawpeer::exchange("10.77.0.40", qor::kConfigPort, rawpeer::head(0xE5));
  EXPECT_EQ(qor::gbkToUtf8(qor::getText(shared.reply, 4 + 36, 32)), "临时编码器A")
      << "the first board answers TCP";

  ASSERT_TRUE(sim.readUntil(
      [](const std::string& s) { return s.find("search ->") != std::string::npos; }, 2000ms));
  kill(sim.pid, SIGTERM);
  EXPECT_EQ(sim.wait(), 0) << sim.errText;
  EXPECT_NE(sim.outText.find("192.168.1.50 tcp:4010 read status block"), std::string::npos)
      << sim.outText;
}

TEST(SimProgram, BadFleetFileExitsWithTheFieldNamed) {
  std::string path = ::testing::TempDir() + "/bad_port_fleet.json";
  std::ofstream(path)
      << R"([{"address": "10.77.0.5"}, {"address": "10.77.0.6", "send": {"port": -4}}])";
  Child sim = spawn({program(), path});
  EXPECT_EQ(sim.wait(), 2);
  EXPECT_NE(sim.errText.find("boards[1].send.port"), std::string::npos) << sim.errText;
}

TEST(SimProgram, RefusesToRunOutsideTheTestLan) {
  Child sim = spawn({program(), demo()}, {"TAVMON_BOARD_NETNS"});
  EXPECT_EQ(sim.wait(), 1);
  EXPECT_NE(sim.errText.find("TAVMON_BOARD_NETNS"), std::string::npos) << sim.errText;
}
