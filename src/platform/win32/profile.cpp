// Implements the profile strings of platform.h with the Windows API.

#include <windows.h>

#include "platform/platform.h"

uint32_t SysGetPrivateProfileString(const char* section, const char* key, const char* fallback,
                                    char* buffer, uint32_t size, const char* file) {
  return GetPrivateProfileStringA(section, key, fallback, buffer, size, file);
}

bool SysWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file) {
  return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

uint32_t SysGetProfileString(const char* section, const char* key, const char* fallback,
                             char* buffer, uint32_t size) {
  return GetProfileStringA(section, key, fallback, buffer, size);
}

bool SysWriteProfileString(const char* section, const char* key, const char* value) {
  return WriteProfileStringA(section, key, value) != FALSE;
}
