// Implements the message boxes and the open-file dialog of platform.h for the posix backend: they
// are printed on standard output and answered with a line on standard input.
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
// Each "\r" of the text starts a new line, indented like the first. A box that cannot be printed
// (standard output is closed) could not be shown: the answer is 0.
//
// And the open-file dialog:
//
//   --- open file dialog ---
//   title:   Locate Quorlin Folder
//   filter:  Quorlin program (quorlin*.exe)
//   folder:  C:\TARN
//   file:    quorlinx.exe
//   path:    D:\Apps\Q\quorlinx.exe
//
// The answer is a Windows path, relative to the folder shown or full; a folder opens that folder
// and asks again. "cancel", an empty line or the end of input cancels the dialog.
//
// Answers are read from standard input; when that is not a terminal they are echoed, so that a
// transcript shows them.

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
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 0;
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

namespace {

// A path typed into the dialog, made full: relative names are in the folder shown.
std::string FullPath(const std::string& folder, const std::string& typed) {
  if (typed.size() >= 2 && typed[1] == ':') return typed;
  if (!typed.empty() && typed[0] == '\\') return typed;
  if (folder.empty()) return typed;
  return folder + (folder.back() == '\\' ? "" : "\\") + typed;
}

}  // namespace

int SysGetOpenFileName(SysOpenFileName* record) {
  std::string folder = record->InitialDir != nullptr ? record->InitialDir : "";
  const uint32_t initial = SysGetFileAttributes(folder.c_str());
  if (initial == SysInvalidAttributes || (initial & SysAttributeDirectory) == 0) {
    folder = "C:\\";  // like Windows: a missing initial folder opens the current one
  }
  std::printf("--- open file dialog ---\ntitle:   %s\nfilter:  ", record->Title != nullptr ? record->Title : "Open");
  for (const char* pair = record->Filter; pair != nullptr && *pair != 0;) {
    const char* pattern = pair + std::strlen(pair) + 1;
    std::printf("%s (%s)  ", pair, pattern);
    pair = pattern + std::strlen(pattern) + 1;
  }
  std::printf("\nfolder:  %s\nfile:    %s\n", folder.c_str(), record->File != nullptr ? record->File : "");
  const bool echo = ::isatty(STDIN_FILENO) == 0;
  for (;;) {
    std::printf("path:    ");
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 0;
    std::string line;
    if (!ReadAnswer(&line)) {
      std::printf("(end of input) Cancel\n");
      return 0;
    }
    if (echo) std::printf("%s\n", line.c_str());
    if (line.empty() || posix::SameName(line.c_str(), "cancel")) return 0;
    const std::string path = FullPath(folder, line);
    const uint32_t attributes = SysGetFileAttributes(path.c_str());
    if (attributes != SysInvalidAttributes && (attributes & SysAttributeDirectory) != 0) {
      folder = path;
      std::printf("folder:  %s\n", folder.c_str());
      continue;
    }
    if ((record->Flags & SysOfnFileMustExist) != 0 && attributes == SysInvalidAttributes) {
      std::printf("         (%s: file not found)\n", path.c_str());
      continue;
    }
    // Like Windows, a chosen path that does not fit the buffer fails the dialog.
    if (record->File == nullptr || path.size() + 1 > record->MaxFile) return 0;
    std::memcpy(record->File, path.c_str(), path.size() + 1);
    return 1;
  }
}
