#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char **environ;

namespace samplegen {

std::string quoteCommand(const std::vector<std::string> &argv) {
  std::string line;
  for (const std::string &arg : argv) {
    if (!line.empty()) line += ' ';
    if (arg.find_first_of(" '\"\\$;&|<>()*?") == std::string::npos && !arg.empty()) {
      line += arg;
      continue;
    }
    line += '\'';
    for (char c : arg) line += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

void runProgram(const std::vector<std::string> &argv) {
  if (argv.empty()) throw std::logic_error("runProgram without a program");
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
  }

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waiting for " + argv[0] + " failed");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                              : "signal " + std::to_string(WTERMSIG(status));
    throw std::runtime_error(argv[0] + " failed (" + how + "): " + quoteCommand(argv));
  }
}

}  // namespace samplegen
