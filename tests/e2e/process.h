// Starting a program for a test, with its input, output and a time limit.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace e2e {

struct Finished {
  int ExitStatus = -1;   // -1 when it did not exit by itself
  std::string Problem;   // "killed by signal 11", "timed out after 60 s", or ""
  std::string Output;    // standard output
  std::string Errors;    // standard error
};

// Runs `argv` with `environment` added to this process's, `input` on its standard input, and
// kills it (and its process group) after `seconds`.
Finished RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                    const std::string& input, int seconds);

// Runs `argv` like RunProgram, but talks with it: every line it writes on its standard output is
// handed to `answer`, whose result (when not empty) is written to the program's standard input.
Finished Converse(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  const std::function<std::string(const std::string& line)>& answer, int seconds);

// A program started in the background, with a pipe to its standard input and one from its
// standard output.
struct Companion {
  int Pid = -1;
  int Input = -1;   // write end of its standard input
  int Output = -1;  // read end of its standard output
};

// Starts `argv`; returns once it has written the line `ready` (or has ended, or `seconds` passed:
// then Pid is -1 and it has been killed).
Companion StartCompanion(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& ready, int seconds);
// Closes its standard input and waits for it to end (killing it after `seconds`).
void StopCompanion(Companion* companion, int seconds);

}  // namespace e2e
