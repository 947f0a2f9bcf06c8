// Implements the message boxes, the window search and the open-file dialog of platform.h with the
// Windows API.

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

#include "platform/platform.h"

static_assert(SysBoxOk == MB_OK && SysBoxOkCancel == MB_OKCANCEL && SysBoxIconError == MB_ICONERROR,
              "box styles are Windows' own");
static_assert(SysAnswerOk == IDOK && SysAnswerCancel == IDCANCEL, "answers are Windows' own");

int SysMessageBox(const char* text, const char* caption, uint32_t style) {
  // Windows answers 0 when no box could be shown; Wine answers -1 (seen without an X display).
  const int answer = MessageBoxA(nullptr, text, caption, style);
  return answer < 0 ? 0 : answer;
}

static_assert(sizeof(SysOpenFileName) == sizeof(OPENFILENAMEA), "the dialog record is OPENFILENAMEA");
static_assert(offsetof(SysOpenFileName, Flags) == offsetof(OPENFILENAMEA, Flags) &&
                  offsetof(SysOpenFileName, FlagsEx) == offsetof(OPENFILENAMEA, FlagsEx) &&
                  offsetof(SysOpenFileName, File) == offsetof(OPENFILENAMEA, lpstrFile),
              "the dialog record is laid out as OPENFILENAMEA");
static_assert(SysOfnHideReadOnly == OFN_HIDEREADONLY && SysOfnNoChangeDir == OFN_NOCHANGEDIR &&
                  SysOfnFileMustExist == OFN_FILEMUSTEXIST,
              "dialog flags are Windows' own");

bool SysFindTopLevelWindow(const char* title) { return FindWindowExA(nullptr, nullptr, nullptr, title) != nullptr; }

int SysGetOpenFileName(SysOpenFileName* record) {
  // The common dialogs are loaded only now, by full path from the system folder: through the
  // import table they would be loaded at start, before DLL loading is restricted.
  typedef BOOL(WINAPI * GetOpenFileNameFunction)(OPENFILENAMEA*);
  static GetOpenFileNameFunction getOpenFileName = nullptr;
  if (getOpenFileName == nullptr) {
    char path[MAX_PATH];
    const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
    if (folder == 0 || folder > MAX_PATH - 16) return 0;
    lstrcpyA(path + folder, "\\comdlg32.dll");
    const HMODULE dialogs = LoadLibraryA(path);
    if (dialogs == nullptr) return 0;
    getOpenFileName = reinterpret_cast<GetOpenFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(dialogs, "GetOpenFileNameA")));
    if (getOpenFileName == nullptr) return 0;
  }
  return getOpenFileName(reinterpret_cast<OPENFILENAMEA*>(record));
}
