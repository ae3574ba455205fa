#include "testlan.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace testlan {
namespace {

bool gEntered = false;
int gBoardNs = -1;

[[noreturn]] void fail(const std::string& step) {
  throw std::runtime_error("test LAN: " + step + " failed (" + std::strerror(errno) +
                           "); tests that need the LAN cannot run on this machine");
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream f(path);
  f << text;
  f.close();
  if (!f) fail("writing " + path);
}

void must(const std::vector<std::string>& argv, bool board = false) {
  if (run(argv, board) != 0) {
    std::string cmd;
    for (auto& a : argv) cmd += (cmd.empty() ? "" : " ") + a;
    errno = 0;
    fail("'" + cmd + "'");
  }
}

void addAdapter(const std::string& pcDev, const std::string& boardDev, const std::string& pcCidr,
                bool defaultRoute) {
  must({"ip", "link", "add", pcDev, "type", "veth", "peer", "name", boardDev});
  must({"ip", "link", "set", boardDev, "netns", boardNetnsPath()});
  must({"ip", "addr", "add", pcCidr, "dev", pcDev});
  must({"ip", "link", "set", pcDev, "up"});
  must({"ip", "link", "set", boardDev, "up"}, true);
  if (defaultRoute) {
    must({"ip", "route", "add", "default", "dev", pcDev});
    must({"ip", "route", "add", "default", "dev", boardDev}, true);
  }
}

}  // namespace

void enter(const Options& options) {
  if (gEntered) return;
  uid_t uid = getuid();
  gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) fail("unshare(user+net)");
  writeFile("/proc/self/setgroups", "deny");
  writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
  writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");

  int pcNs = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  if (pcNs < 0) fail("opening the PC namespace");
  if (unshare(CLONE_NEWNET) != 0) fail("unshare(net) for the boards");
  gBoardNs = open("/proc/self/ns/net", O_RDONLY);  // inherited: children find it by path
  if (gBoardNs < 0) fail("opening the boards' namespace");
  if (setns(pcNs, CLONE_NEWNET) != 0) fail("returning to the PC namespace");
  close(pcNs);

  must({"ip", "link", "set", "lo", "up"});
  must({"ip", "link", "set", "lo", "up"}, true);
  addAdapter("lan0", "brd0", std::string(kPcAddress) + "/24", true);
  if (options.secondAdapter)
    addAdapter("lan1", "brd1", std::string(kSecondPcAddress) + "/24", false);

  setenv("TAVMON_BOARD_NETNS", boardNetnsPath().c_str(), 1);
  setenv("TAVMON_BOARD_IF", "brd0", 1);
  gEntered = true;
}

bool entered() {
  return gEntered;
}

std::string boardNetnsPath() {
  return "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(gBoardNs);
}

void enterBoardSide() {
  const char* path = std::getenv("TAVMON_BOARD_NETNS");
  if (!path) throw std::runtime_error("test LAN: TAVMON_BOARD_NETNS is not set");
  int ns = open(path, O_RDONLY | O_CLOEXEC);
  if (ns < 0) fail("opening the boards' namespace");
  int rc = setns(ns, CLONE_NEWNET);
  close(ns);
  if (rc != 0) fail("entering the boards' namespace");
}

void addBoardAddress(const std::string& address, int prefix, const std::string& device) {
  const std::string cidr = address + "/" + std::to_string(prefix);
  if (run({"ip", "addr", "replace", cidr, "dev", device}, true) != 0)
    throw std::runtime_error("test LAN: cannot add board address " + cidr + " on " + device);
}

int run(const std::vector<std::string>& argv, bool inBoardNamespace) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (inBoardNamespace && setns(gBoardNs, CLONE_NEWNET) != 0) _exit(126);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testlan
