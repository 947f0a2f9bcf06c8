// Implements the message boxes of platform.h with the Windows API.

#include <windows.h>

#include "platform/platform.h"

static_assert(SysBoxOk == MB_OK && SysBoxOkCancel == MB_OKCANCEL && SysBoxIconError == MB_ICONERROR,
              "box styles are Windows' own");
static_assert(SysAnswerOk == IDOK && SysAnswerCancel == IDCANCEL, "answers are Windows' own");

int SysMessageBox(const char* text, const char* caption, uint32_t style) {
  return MessageBoxA(nullptr, text, caption, style);
}
