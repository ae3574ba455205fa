// testlan [--second-adapter] -- COMMAND [ARGS...]
// Runs COMMAND inside a fresh private test LAN and returns its exit status.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "testlan.h"

int main(int argc, char** argv) {
  testlan::Options options;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "--second-adapter") == 0)
      options.secondAdapter = true;
    else if (std::strcmp(argv[i], "--") == 0) {
      ++i;
      break;
    } else
      break;
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: testlan [--second-adapter] -- COMMAND [ARGS...]\n");
    return 2;
  }
  try {
    testlan::enter(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[i], argv + i);
    std::perror(argv[i]);
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
