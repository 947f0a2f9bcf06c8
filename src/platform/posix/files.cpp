// Implements the files and folders of platform.h for the posix backend (see posix.h).

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix.h"

using posix::MappedPath;
using posix::MapPath;
using posix::MapResult;

namespace {

// A handle is the file descriptor plus one, so that descriptor 0 is not a null handle.
SysFile HandleOf(int fd) { return reinterpret_cast<SysFile>(static_cast<intptr_t>(fd) + 1); }
int DescriptorOf(SysFile file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

// Whether a new entry may be made in the folder that holds `path`.
bool MayWriteIn(const MappedPath& mapped) {
  if (!mapped.ParentExists) return false;
  struct stat folder;
  return ::stat(ParentOf(mapped.Linux).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
         posix::MayWrite(folder);
}

// Whether an existing file at `mapped` may be replaced: a file (not a folder) that is neither
// read-only nor carries any of the attributes in `refused`, in a folder that may be written to.
bool MayReplace(const MappedPath& mapped, uint32_t refused) {
  struct stat info;
  if (::stat(mapped.Linux.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode) || !posix::MayWrite(info)) return false;
  return (posix::AttributesOf(mapped.Linux, info) & refused) == 0 && MayWriteIn(mapped);
}

bool IsFile(const MappedPath& mapped) {
  struct stat info;
  return mapped.Exists && ::stat(mapped.Linux.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool WriteAll(int fd, const unsigned char* data, size_t length) {
  while (length > 0) {
    ssize_t done = ::write(fd, data, length);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    length -= static_cast<size_t>(done);
  }
  return true;
}

// Windows' wildcard match: "*" any run of characters, "?" any one, case folded.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*') {
    for (const char* rest = name;; ++rest) {
      if (Matches(pattern + 1, rest)) return true;
      if (*rest == 0) return false;
    }
  }
  if (*name == 0) return false;
  const char a[2] = {*pattern, 0};
  const char b[2] = {*name, 0};
  return (*pattern == '?' || posix::SameName(a, b)) && Matches(pattern + 1, name + 1);
}

}  // namespace

struct SysSearchTag {
  std::vector<SysFindData> Matches;
};

uint32_t SysGetFileAttributes(const char* path) {
  MappedPath mapped;
  struct stat info;
  if (MapPath(path, &mapped) != MapResult::Ok || !mapped.Exists ||
      ::stat(mapped.Linux.c_str(), &info) != 0) {
    return SysInvalidAttributes;
  }
  return posix::AttributesOf(mapped.Linux, info);
}

SysSearch SysFindFirstFile(const char* pattern, SysFindData* found) {
  MappedPath mapped;
  if (MapPath(pattern, &mapped, true) != MapResult::Ok || !mapped.ParentExists) return nullptr;
  const std::string folder = ParentOf(mapped.Linux);
  const std::string wanted = mapped.Linux.substr(folder.size() + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return nullptr;
  SysSearchTag* search = new SysSearchTag;
  while (struct dirent* entry = ::readdir(dir)) {
    if (!Matches(wanted.c_str(), entry->d_name)) continue;
    std::string full = folder + "/" + entry->d_name;
    struct stat info;
    if (::stat(full.c_str(), &info) != 0 || std::strlen(entry->d_name) > MaxPathLength) continue;
    SysFindData data;
    data.Attributes = posix::AttributesOf(full, info);
    std::snprintf(data.Name, sizeof data.Name, "%s", entry->d_name);
    search->Matches.push_back(data);
  }
  ::closedir(dir);
  if (search->Matches.empty()) {
    delete search;
    return nullptr;
  }
  // NTFS lists a folder in name order; readdir has no order.
  std::sort(search->Matches.begin(), search->Matches.end(),
            [](const SysFindData& a, const SysFindData& b) { return strcasecmp(a.Name, b.Name) < 0; });
  *found = search->Matches.front();
  return search;
}

void SysFindClose(SysSearch search) { delete search; }

SysFile SysCreateFile(const char* path, uint32_t access, uint32_t /*share: not enforced*/) {
  MappedPath mapped;
  if (MapPath(path, &mapped) != MapResult::Ok) return nullptr;
  if (mapped.Exists) {
    if (!MayReplace(mapped, SysAttributeHidden | SysAttributeSystem)) return nullptr;
  } else if (!MayWriteIn(mapped)) {
    return nullptr;
  }
  const int mode = access == SysAccessReadWrite ? O_RDWR : O_WRONLY;
  int fd = ::open(mapped.Linux.c_str(), mode | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? nullptr : HandleOf(fd);
}

int32_t SysWriteFile(SysFile file, const void* data, uint32_t length) {
  posix::Trace("WriteFile %u", length);
  if (file == nullptr) return -1;
  return WriteAll(DescriptorOf(file), static_cast<const unsigned char*>(data), length)
             ? static_cast<int32_t>(length)
             : -1;
}

bool SysSetFileTimeFromDos(SysFile file, uint16_t dosDate, uint16_t dosTime) {
  if (file == nullptr) return false;
  struct tm fields = {};
  fields.tm_year = 80 + (dosDate >> 9);
  fields.tm_mon = ((dosDate >> 5) & 15) - 1;
  fields.tm_mday = dosDate & 31;
  fields.tm_hour = dosTime >> 11;
  fields.tm_min = (dosTime >> 5) & 63;
  fields.tm_sec = (dosTime & 31) * 2;
  static const int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int year = 1900 + fields.tm_year;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (fields.tm_mon < 0 || fields.tm_mon > 11 || fields.tm_mday < 1 ||
      fields.tm_mday > kDaysInMonth[fields.tm_mon] || (fields.tm_mon == 1 && !leap && fields.tm_mday > 28) ||
      fields.tm_hour > 23 || fields.tm_min > 59 || fields.tm_sec > 59) {
    return false;
  }
  // The local time as if it were UTC, less the offset in force now.
  time_t now = std::time(nullptr);
  struct tm local;
  ::localtime_r(&now, &local);
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = 0;
  times[1].tv_sec = ::timegm(&fields) - local.tm_gmtoff;
  times[1].tv_nsec = 0;
  return ::futimens(DescriptorOf(file), times) == 0;
}

void SysCloseFile(SysFile file) {
  if (file != nullptr) ::close(DescriptorOf(file));
}

bool SysGetTempFileName(const char* folder, const char* prefix, char* path) {
  if (std::strlen(folder) > MaxPathLength - 13) return false;
  MappedPath mapped;
  struct stat info;
  if (MapPath(folder, &mapped) != MapResult::Ok || !mapped.Exists ||
      ::stat(mapped.Linux.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !posix::MayWrite(info)) {
    return false;
  }
  char pre[4] = {};
  std::strncpy(pre, prefix, 3);
  // Like Windows: start from a changing number and count up until a name is free.
  struct timespec clock;
  ::clock_gettime(CLOCK_MONOTONIC, &clock);
  unsigned start = static_cast<unsigned>(clock.tv_nsec / 1000 + ::getpid()) & 0xFFFF;
  for (unsigned n = 0; n < 0x10000; ++n) {
    unsigned unique = (start + n) & 0xFFFF;
    if (unique == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "%s%X.tmp", pre, unique);
    int fd = ::open((mapped.Linux + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    ::close(fd);
    const char* separator = (folder[0] != 0 && folder[std::strlen(folder) - 1] == '\\') ? "" : "\\";
    std::snprintf(path, PathBufferSize, "%s%s%s", folder, separator, name);
    return true;
  }
  return false;
}

bool SysMoveFileReplace(const char* from, const char* to) {
  MappedPath source, target;
  if (MapPath(from, &source) != MapResult::Ok || !IsFile(source) || !MayWriteIn(source)) return false;
  if (MapPath(to, &target) != MapResult::Ok) return false;
  if (target.Exists ? !MayReplace(target, 0) : !MayWriteIn(target)) return false;
  return ::rename(source.Linux.c_str(), target.Linux.c_str()) == 0;
}

bool SysDeleteFile(const char* path) {
  MappedPath mapped;
  if (MapPath(path, &mapped) != MapResult::Ok || !IsFile(mapped) || !MayReplace(mapped, 0)) return false;
  return ::unlink(mapped.Linux.c_str()) == 0;
}

bool SysCopyFile(const char* from, const char* to, bool failIfExists) {
  MappedPath source, target;
  if (MapPath(from, &source) != MapResult::Ok || !IsFile(source)) return false;
  if (MapPath(to, &target) != MapResult::Ok) return false;
  if (target.Exists) {
    if (failIfExists || !MayReplace(target, SysAttributeHidden)) return false;
  } else if (!MayWriteIn(target)) {
    return false;
  }
  int in = ::open(source.Linux.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info;
  ::fstat(in, &info);
  int out = ::open(target.Linux.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool copied = out >= 0;
  unsigned char buffer[65536];
  while (copied) {
    ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = WriteAll(out, buffer, static_cast<size_t>(got));
  }
  if (out >= 0) {
    struct timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    ::futimens(out, times);
    ::fchmod(out, info.st_mode & 07777);
    copied = ::close(out) == 0 && copied;
  }
  ::close(in);
  return copied;
}
