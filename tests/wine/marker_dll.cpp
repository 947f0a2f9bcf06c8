// A DLL that gives itself away: built under the names of system DLLs and planted beside an
// installer, it leaves the file C:\planted-<its own file name>.txt as soon as a process loads it.
// The file holds the path of the program that loaded it, for the failure message.

#include <windows.h>

namespace {

// Room for "C:\planted-" + a DLL's file name + ".txt".
constexpr DWORD kNameCapacity = MAX_PATH;

void LeaveMark(HINSTANCE self) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(self, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const char* name = module;
  for (const char* c = module; *c != 0; ++c) {
    if (*c == '\\' || *c == '/') name = c + 1;
  }
  char mark[kNameCapacity] = "C:\\planted-";
  if (lstrlenA(mark) + lstrlenA(name) + lstrlenA(".txt") >= static_cast<int>(kNameCapacity)) return;
  lstrcatA(mark, name);
  lstrcatA(mark, ".txt");

  char program[MAX_PATH];
  const DWORD programLength = GetModuleFileNameA(nullptr, program, MAX_PATH);
  const HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, program, programLength, &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
  return TRUE;
}
