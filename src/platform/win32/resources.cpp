// Implements the resources of platform.h with the Windows API.

#include <windows.h>

#include "platform/platform.h"

SysResource SysFindResource(const char* name) {
  return reinterpret_cast<SysResource>(FindResourceA(nullptr, name, MAKEINTRESOURCEA(10)));  // RT_RCDATA
}

const void* SysLoadResource(SysResource resource) {
  return LoadResource(nullptr, reinterpret_cast<HRSRC>(resource));
}

const void* SysLockResource(const void* block) {
  return LockResource(const_cast<HGLOBAL>(block));
}

uint32_t SysSizeofResource(SysResource resource) {
  return SizeofResource(nullptr, reinterpret_cast<HRSRC>(resource));
}

void SysFreeResource(const void* block) {
  // Unlocking is a no-op on Win32; FreeResource gives the block back.
  FreeResource(const_cast<HGLOBAL>(block));
}
