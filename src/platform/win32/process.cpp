// Implements start-up and the end of the process of platform.h with the Windows API.

#include <windows.h>

#include "platform/platform.h"

void SysStartUp() {
  // Don't load DLLs from the installer's own folder: it is often a downloads folder where
  // anything may lie. SetDefaultDllDirectories exists from Windows 8 (and Windows 7 with
  // KB2533623); look it up so that older systems still run.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  // The common controls and the theming code load these by routes that ignore the default
  // directories; once loaded from the system folder, those loads find them already in memory.
  static const char* const kPreloaded[] = {"uxtheme.dll", "msimg32.dll"};
  char path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
  if (folder == 0 || folder > MAX_PATH - 16) return;
  for (const char* name : kPreloaded) {
    lstrcpyA(path + folder, "\\");
    lstrcatA(path + folder, name);
    LoadLibraryA(path);
  }
}

void SysExitProcess() { ExitProcess(0); }

bool SysIsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }
