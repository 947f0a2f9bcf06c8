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

// The system code page is single-byte unless LEXORIN_CODEPAGE names a double-byte one: 932
// (Japanese), 936 (Simplified Chinese), 949 (Korean) or 950 (Traditional Chinese).
bool SysIsLeadByte(char c) {
  const char* value = std::getenv("LEXORIN_CODEPAGE");
  const int codePage = value == nullptr ? 1252 : std::atoi(value);
  const unsigned char u = static_cast<unsigned char>(c);
  switch (codePage) {
    case 932:
      return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
    case 936:
    case 949:
    case 950:
      return u >= 0x81 && u <= 0xFE;
    default:
      return false;
  }
}
