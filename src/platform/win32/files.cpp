// Implements the files and folders of platform.h with the Windows API.

#include <windows.h>

#include "platform/platform.h"

static_assert(SysAttributeReadOnly == FILE_ATTRIBUTE_READONLY && SysAttributeHidden == FILE_ATTRIBUTE_HIDDEN &&
                  SysAttributeSystem == FILE_ATTRIBUTE_SYSTEM && SysAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY &&
                  SysAttributeArchive == FILE_ATTRIBUTE_ARCHIVE && SysAttributeNormal == FILE_ATTRIBUTE_NORMAL &&
                  SysInvalidAttributes == INVALID_FILE_ATTRIBUTES,
              "attributes are Windows' own");
static_assert(PathBufferSize == MAX_PATH, "a path buffer holds MAX_PATH characters");

namespace {

SysFile FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<SysFile>(handle);
}

HANDLE ToHandle(SysFile file) {
  return file == nullptr ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(file);
}

}  // namespace

uint32_t SysGetFileAttributes(const char* path) { return GetFileAttributesA(path); }

SysSearch SysFindFirstFile(const char* pattern, SysFindData* found) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  found->Attributes = data.dwFileAttributes;
  lstrcpynA(found->Name, data.cFileName, sizeof found->Name);
  return reinterpret_cast<SysSearch>(search);
}

void SysFindClose(SysSearch search) {
  if (search != nullptr) FindClose(reinterpret_cast<HANDLE>(search));
}

SysFile SysCreateFile(const char* path, uint32_t access, uint32_t share) {
  const DWORD desired = access == SysAccessReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  const DWORD sharing = share == SysShareRead ? FILE_SHARE_READ : 0;
  return FromHandle(CreateFileA(path, desired, sharing, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int32_t SysWriteFile(SysFile file, const void* data, uint32_t length) {
  DWORD written = 0;
  if (!WriteFile(ToHandle(file), data, length, &written, nullptr)) return -1;
  return static_cast<int32_t>(written);
}

bool SysSetFileTimeFromDos(SysFile file, uint16_t dosDate, uint16_t dosTime) {
  FILETIME local, utc;
  return DosDateTimeToFileTime(dosDate, dosTime, &local) && LocalFileTimeToFileTime(&local, &utc) &&
         SetFileTime(ToHandle(file), nullptr, nullptr, &utc);
}

void SysCloseFile(SysFile file) {
  if (file != nullptr) CloseHandle(ToHandle(file));
}

bool SysGetTempFileName(const char* folder, const char* prefix, char* path) {
  if (lstrlenA(folder) > static_cast<int>(MaxPathLength - 13)) return false;
  return GetTempFileNameA(folder, prefix, 0, path) != 0;
}

bool SysMoveFileReplace(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool SysDeleteFile(const char* path) { return DeleteFileA(path) != FALSE; }

bool SysCopyFile(const char* from, const char* to, bool failIfExists) {
  return CopyFileA(from, to, failIfExists ? TRUE : FALSE) != FALSE;
}
