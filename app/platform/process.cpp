#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace tav::platform {
namespace {

bool isExecutable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Everything the child needs is prepared before fork: after it only async-signal-safe calls.
struct Prepared {
  std::string path;
  std::vector<std::string> args;
  std::vector<char*> argv;
  bool ok() const { return !path.empty(); }
};

Prepared prepare(const std::vector<std::string>& argv) {
  Prepared p;
  if (argv.empty()) return p;
  p.path = findProgram(argv[0]);
  p.args = argv;
  for (auto& a : p.args) p.argv.push_back(a.data());
  p.argv.push_back(nullptr);
  return p;
}

void waitFor(pid_t pid, int* status) {
  while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return isExecutable(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path
                              : "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    std::string candidate = dir + "/" + name;
    if (isExecutable(candidate)) return candidate;
  }
  // Administration tools live in sbin, which a user's PATH often lacks.
  for (const char* sbin : {"/usr/sbin/", "/sbin/"}) {
    std::string candidate = sbin + name;
    if (isExecutable(candidate)) return candidate;
  }
  return {};
}

bool startDetached(const std::vector<std::string>& argv) {
  Prepared p = prepare(argv);
  if (!p.ok()) return false;
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return false;
  // Double fork: the intermediate child exits at once, so the program is reparented and
  // nobody has to wait for it.
  pid_t child = fork();
  if (child < 0) {
    close(ready[0]);
    close(ready[1]);
    return false;
  }
  if (child == 0) {
    close(ready[0]);
    pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, STDIN_FILENO);
      dup2(devnull, STDOUT_FILENO);
      dup2(devnull, STDERR_FILENO);
    }
    execv(p.path.c_str(), p.argv.data());
    char failed = 1;  // the pipe closes on a successful exec; one byte means it failed
    [[maybe_unused]] auto n = write(ready[1], &failed, 1);
    _exit(127);
  }
  close(ready[1]);
  int status = 0;
  waitFor(child, &status);
  char failed = 0;
  ssize_t n;
  while ((n = read(ready[0], &failed, 1)) < 0 && errno == EINTR) {
  }
  close(ready[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

ProcessResult runProcess(const std::vector<std::string>& argv) {
  ProcessResult result;
  Prepared p = prepare(argv);
  if (!p.ok()) {
    result.output = (argv.empty() ? std::string() : argv[0]) + ": not found";
    return result;
  }
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  pid_t child = fork();
  if (child < 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  if (child == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    execv(p.path.c_str(), p.argv.data());
    _exit(127);
  }
  close(out[1]);
  char buf[4096];
  for (;;) {
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n > 0) {
      result.output.append(buf, std::size_t(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(out[0]);
  int status = 0;
  waitFor(child, &status);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tav::platform
