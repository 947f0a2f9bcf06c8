// Implements the path mapping, attributes and access rules of posix.h.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/posix/posix.h"

namespace posix {
namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const char* Root() {
  const char* root = std::getenv("LEXORIN_ROOT");
  return (root != nullptr && root[0] != 0) ? root : nullptr;
}

bool IsInvalidNameChar(char c, bool wildcards) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u < 32) return true;
  if (wildcards && (c == '*' || c == '?')) return false;
  return std::strchr("<>:\"|?*", c) != nullptr;
}

// Finds the entry of `folder` whose name matches `name` without regard to case; an exact match
// wins. Returns false when there is none.
bool FindEntry(const std::string& folder, const std::string& name, std::string* found) {
  struct stat info;
  if (::lstat((folder + "/" + name).c_str(), &info) == 0) {
    *found = name;
    return true;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool matched = false;
  while (struct dirent* entry = ::readdir(dir)) {
    if (SameName(entry->d_name, name.c_str())) {
      *found = entry->d_name;
      matched = true;
      break;
    }
  }
  ::closedir(dir);
  return matched;
}

}  // namespace

bool SameName(const char* a, const char* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (FoldCase(*a) != FoldCase(*b)) return false;
  }
  return *a == *b;
}

MapResult MapPath(const char* windowsPath, MappedPath* mapped, bool wildcards) {
  *mapped = MappedPath();
  const char* root = Root();
  if (root == nullptr) return MapResult::NoDrive;
  size_t length = std::strlen(windowsPath);
  if (length > MaxPathLength) return MapResult::TooLong;
  if (length == 0) return MapResult::Invalid;

  std::string path(windowsPath, length);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  char drive = 'c';
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    char letter = static_cast<char>(FoldCase(path[0]) - 'A' + 'a');
    if (letter < 'a' || letter > 'z') return MapResult::Invalid;
    drive = letter;
    start = 2;
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    return MapResult::Invalid;  // UNC and device paths are not provided
  }

  // Split into parts, resolving "." and ".." and dropping what Windows drops.
  std::vector<std::string> parts;
  size_t i = start;
  while (i <= path.size()) {
    size_t end = path.find('\\', i);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(i, end - i);
    bool last = end == path.size();
    i = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    for (char c : part) {
      if (IsInvalidNameChar(c, wildcards && last)) return MapResult::Invalid;
    }
    parts.push_back(part);
  }

  std::string native = std::string(root) + "/" + drive;
  struct stat info;
  if (::stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return MapResult::NoDrive;

  bool exists = true;
  bool parentExists = true;
  for (size_t p = 0; p < parts.size(); ++p) {
    const bool last = p + 1 == parts.size();
    std::string found;
    const bool pattern = wildcards && last && parts[p].find_first_of("*?") != std::string::npos;
    if (exists && !pattern && FindEntry(native, parts[p], &found)) {
      native += "/" + found;
    } else {
      if (!last) parentExists = false;
      exists = false;
      native += "/" + parts[p];
    }
  }
  mapped->Linux = native;
  mapped->Exists = exists;
  mapped->ParentExists = parentExists && !parts.empty();  // a drive root has no parent
  return MapResult::Ok;
}

bool MayWrite(const struct stat& info) {
  if (::geteuid() == info.st_uid) return (info.st_mode & S_IWUSR) != 0;
  if (::getegid() == info.st_gid) return (info.st_mode & S_IWGRP) != 0;
  return (info.st_mode & S_IWOTH) != 0;
}

uint32_t AttributesOf(const std::string& linuxPath, const struct stat& info) {
  uint32_t attributes = S_ISDIR(info.st_mode) ? SysAttributeDirectory : SysAttributeArchive;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= SysAttributeReadOnly;
  char word[32];
  ssize_t got = ::getxattr(linuxPath.c_str(), "user.DOSATTRIB", word, sizeof word - 1);
  if (got > 0) {
    word[got] = 0;
    unsigned long dos = std::strtoul(word, nullptr, 16);
    attributes |= static_cast<uint32_t>(dos) & (SysAttributeHidden | SysAttributeSystem);
  }
  return attributes;
}

void Trace(const char* format, ...) {
  static const char* enabled = std::getenv("LEXORIN_TRACE");
  if (enabled == nullptr || enabled[0] == 0) return;
  std::fputs("trace: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

}  // namespace posix
