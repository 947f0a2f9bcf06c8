// Starting a program for a test (process.h).

#include "process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
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

double Seconds(const struct timespec& since) {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec - since.tv_sec) + static_cast<double>(now.tv_nsec - since.tv_nsec) / 1e9;
}

// In the child: the program's environment and its start.
[[noreturn]] void Exec(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
  for (const std::string& setting : environment) ::putenv(::strdup(setting.c_str()));
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execv(args[0], args.data());
  std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
  ::_exit(127);
}

void Describe(int status, Finished* finished) {
  if (WIFEXITED(status)) {
    finished->ExitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    finished->Problem = "killed by signal " + std::to_string(WTERMSIG(status));
  }
}

}  // namespace

Finished Converse(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  const std::function<std::string(const std::string& line)>& answer, int seconds) {
  // A program that ends before it has read its answer must not end the test.
  ::signal(SIGPIPE, SIG_IGN);
  Finished finished;
  char errName[] = "/tmp/lexorin-errXXXXXX";
  const int err = ::mkstemp(errName);
  ::unlink(errName);
  int input[2], output[2];
  if (::pipe(input) != 0 || ::pipe(output) != 0) {
    finished.Problem = "cannot make pipes";
    return finished;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::setpgid(0, 0);
    ::dup2(input[0], 0);
    ::dup2(output[1], 1);
    ::dup2(err, 2);
    ::close(input[1]);
    ::close(output[0]);
    Exec(argv, environment);
  }
  ::close(input[0]);
  ::close(output[1]);

  struct timespec start;
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  std::string pending;
  int status = 0;
  bool open = true;
  while (open) {
    if (Seconds(start) >= seconds) {
      ::kill(-child, SIGKILL);
      finished.Problem = "timed out after " + std::to_string(seconds) + " s";
      break;
    }
    struct pollfd wait = {output[0], POLLIN, 0};
    if (::poll(&wait, 1, 50) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(output[0], buffer, sizeof buffer);
    if (got <= 0) {
      open = false;
      continue;
    }
    pending.append(buffer, static_cast<size_t>(got));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      finished.Output += line + "\n";
      const std::string reply = answer(line);
      if (!reply.empty() && ::write(input[1], reply.data(), reply.size()) < 0) {
        // The program has gone; what it showed is judged all the same.
      }
    }
  }
  finished.Output += pending;
  ::close(input[1]);
  ::close(output[0]);
  // The program may still run after it closed its output.
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (Seconds(start) >= seconds) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &status, 0);
      if (finished.Problem.empty()) finished.Problem = "timed out after " + std::to_string(seconds) + " s";
      break;
    }
    struct timespec pause = {0, 10 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  if (finished.Problem.empty()) Describe(status, &finished);
  finished.Errors = Slurp(err);
  ::close(err);
  return finished;
}

Companion StartCompanion(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& ready, int seconds) {
  Companion companion;
  int input[2], output[2];
  if (::pipe(input) != 0 || ::pipe(output) != 0) return companion;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input[0], 0);
    ::dup2(output[1], 1);
    ::close(input[1]);
    ::close(output[0]);
    Exec(argv, environment);
  }
  ::close(input[0]);
  ::close(output[1]);
  companion = Companion{child, input[1], output[0]};
  struct timespec start;
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  std::string said;
  while (said.find(ready + "\n") == std::string::npos && Seconds(start) < seconds) {
    struct pollfd wait = {companion.Output, POLLIN, 0};
    if (::poll(&wait, 1, 50) <= 0) continue;
    char buffer[256];
    const ssize_t got = ::read(companion.Output, buffer, sizeof buffer);
    if (got <= 0) break;
    said.append(buffer, static_cast<size_t>(got));
  }
  if (said.find(ready + "\n") == std::string::npos) {
    ::kill(child, SIGKILL);
    StopCompanion(&companion, seconds);
    companion.Pid = -1;
  }
  return companion;
}

void StopCompanion(Companion* companion, int seconds) {
  if (companion->Input >= 0) ::close(companion->Input);
  companion->Input = -1;
  if (companion->Pid > 0) {
    struct timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    int status = 0;
    while (::waitpid(companion->Pid, &status, WNOHANG) == 0) {
      if (Seconds(start) >= seconds) {
        ::kill(companion->Pid, SIGKILL);
        ::waitpid(companion->Pid, &status, 0);
        break;
      }
      struct timespec pause = {0, 10 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
    }
  }
  companion->Pid = -1;
  if (companion->Output >= 0) ::close(companion->Output);
  companion->Output = -1;
}

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
    Exec(argv, environment);
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
  if (finished.Problem.empty()) Describe(status, &finished);
  finished.Output = Slurp(out);
  finished.Errors = Slurp(err);
  ::close(out);
  ::close(err);
  ::close(in);
  return finished;
}

}  // namespace e2e
