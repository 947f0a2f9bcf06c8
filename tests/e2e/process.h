// Starting a program for a test, with its input, output and a time limit.
#pragma once

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

}  // namespace e2e
