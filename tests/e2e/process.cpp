// Starting a program for a test (process.h).

#include "process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace e2e {
namespace {

std::string Slurp(int fd) {
  std::string out;
  ::lseek(fd, 0, SEEK_SET);
  char buffer[65536];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(got));
  return out;
}

}  // namespace

Finished RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                    const std::string& input, int seconds) {
  Finished finished;
  char outName[] = "/tmp/lexorin-outXXXXXX";
  char errName[] = "/tmp/lexorin-errXXXXXX";
  char inName[] = "/tmp/lexorin-inXXXXXX";
  int out = ::mkstemp(outName), err = ::mkstemp(errName), in = ::mkstemp(inName);
  ::unlink(outName);
  ::unlink(errName);
  ::unlink(inName);
  if (::write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    finished.Problem = "cannot write the input";
    return finished;
  }
  ::lseek(in, 0, SEEK_SET);

  pid_t child = ::fork();
  if (child == 0) {
    ::setpgid(0, 0);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const std::string& setting : environment) ::putenv(::strdup(setting.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
    ::_exit(127);
  }
  int status = 0;
  struct timespec start, now;
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec - start.tv_sec >= seconds) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &status, 0);
      finished.Problem = "timed out after " + std::to_string(seconds) + " s";
      break;
    }
    struct timespec pause = {0, 20 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  if (finished.Problem.empty()) {
    if (WIFEXITED(status)) {
      finished.ExitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      finished.Problem = "killed by signal " + std::to_string(WTERMSIG(status));
    }
  }
  finished.Output = Slurp(out);
  finished.Errors = Slurp(err);
  ::close(out);
  ::close(err);
  ::close(in);
  return finished;
}

}  // namespace e2e
