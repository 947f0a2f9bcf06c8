// Implements start-up and the end of the process of platform.h for the posix backend.

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "platform/platform.h"

void SysStartUp() {
  // There are no DLLs here. A write beyond a file-size limit must fail as Windows' WriteFile
  // fails, not end the process with SIGXFSZ.
  std::signal(SIGXFSZ, SIG_IGN);
}

void SysExitProcess() {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
