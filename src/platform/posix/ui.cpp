// Implements the message boxes of platform.h for the posix backend: a box is printed on standard
// output and answered with a line on standard input.
//
// What a box looks like on the terminal:
//
//   --- message box ---
//   caption: Lexorin
//   icon:    none
//   text:    Installation of Lexorin for 32-bit Quorlin is about to begin.
//   buttons: OK Cancel
//   answer:  OK
//
// Each "\r" of the text starts a new line, indented like the first. The answer is read from
// standard input; when that is not a terminal the answer is echoed, so that a transcript shows it.

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "platform/posix/posix.h"

namespace {

constexpr const char* kIndent = "         ";

// Reads one line from standard input without its line break; false at the end of input.
bool ReadAnswer(std::string* line) {
  line->clear();
  int c;
  while ((c = std::getchar()) != EOF && c != '\n') line->push_back(static_cast<char>(c));
  if (c == EOF && line->empty()) return false;
  while (!line->empty() && (line->back() == '\r' || line->back() == ' ')) line->pop_back();
  return true;
}

}  // namespace

int SysMessageBox(const char* text, const char* caption, uint32_t style) {
  const bool cancel = (style & 15) == SysBoxOkCancel;
  std::printf("--- message box ---\ncaption: %s\nicon:    %s\ntext:    ", caption,
              (style & SysBoxIconError) != 0 ? "error" : "none");
  for (const char* c = text; *c != 0; ++c) {
    if (*c == '\r') {
      std::printf("\n%s", kIndent);
    } else {
      std::putchar(*c);
    }
  }
  std::printf("\nbuttons: %s\n", cancel ? "OK Cancel" : "OK");
  const bool echo = ::isatty(STDIN_FILENO) == 0;
  for (;;) {
    std::printf("answer:  ");
    std::fflush(stdout);
    std::string line;
    if (!ReadAnswer(&line)) {
      std::printf("%s(end of input)\n", cancel ? "Cancel " : "OK ");
      return cancel ? SysAnswerCancel : SysAnswerOk;
    }
    if (line.empty() || posix::SameName(line.c_str(), "ok") || posix::SameName(line.c_str(), "o")) {
      if (echo) std::printf("OK\n");
      return SysAnswerOk;
    }
    if (cancel && (posix::SameName(line.c_str(), "cancel") || posix::SameName(line.c_str(), "c"))) {
      if (echo) std::printf("Cancel\n");
      return SysAnswerCancel;
    }
    if (echo) std::printf("%s\n", line.c_str());
    std::printf("         (answer %s)\n", cancel ? "OK or Cancel" : "OK");
  }
}
