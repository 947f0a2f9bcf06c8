// Implements the text file of platform.h on top of the file operations, for both backends.

#include <cstring>

#include "platform/platform.h"

namespace {

// Failure codes kept in the status; only "non-zero" matters to callers.
constexpr int kCannotCreate = 2;
constexpr int kCannotWrite = 29;
constexpr int kNotOpen = 103;

void Fail(SysTextFile* text, int code) {
  if (text->Status == 0) text->Status = code;
}

}  // namespace

void SysTextRewrite(SysTextFile* text, const char* path) {
  if (text->File != nullptr) SysTextClose(text);
  text->File = std::strlen(path) <= MaxPathLength ? SysCreateFile(path, SysAccessWrite, SysShareRead)
                                                  : nullptr;
  if (text->File == nullptr) Fail(text, kCannotCreate);
}

void SysTextWriteLine(SysTextFile* text, const char* line) {
  if (text->File == nullptr) return Fail(text, kNotOpen);
  const uint32_t length = static_cast<uint32_t>(std::strlen(line));
  if (SysWriteFile(text->File, line, length) != static_cast<int32_t>(length) ||
      SysWriteFile(text->File, "\r\n", 2) != 2) {
    Fail(text, kCannotWrite);
  }
}

void SysTextClose(SysTextFile* text) {
  if (text->File == nullptr) return Fail(text, kNotOpen);
  SysCloseFile(text->File);
  text->File = nullptr;
}

int SysTextIoResult(SysTextFile* text) {
  const int status = text->Status;
  text->Status = 0;
  return status;
}
