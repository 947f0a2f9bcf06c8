// Conformance support for the posix layer: the drives live in a fresh root folder per run.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <utime.h>

#include "platform/posix/posix.h"
#include "support.h"

namespace fs = std::filesystem;

namespace conformance {
namespace {

const std::string& Root() {
  static const std::string root = [] {
    char pattern[] = "/tmp/lexorin-conformance-XXXXXX";
    std::string made = ::mkdtemp(pattern);
    fs::create_directories(made + "/c/windows");
    ::setenv("LEXORIN_ROOT", made.c_str(), 1);
    std::atexit([] {
      std::error_code error;
      for (const auto& item : fs::recursive_directory_iterator(Root(), error)) {
        fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, error);
      }
      fs::remove_all(Root(), error);
    });
    return made;
  }();
  return root;
}

// The root is made before any test runs, as every test reaches the drives.
const bool kRootMade = !Root().empty();

std::string Linux(const std::string& path) {
  Root();
  posix::MappedPath mapped;
  posix::MapPath(path.c_str(), &mapped);
  return mapped.Linux;
}

}  // namespace

std::string FreshFolder(const std::string& name) {
  const std::string path = "C:\\conformance\\" + name;
  const std::string native = Linux(path);
  std::error_code error;
  if (fs::exists(native, error)) {
    for (const auto& item : fs::recursive_directory_iterator(native, error)) {
      fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(native, error);
  }
  fs::create_directories(native);
  return path;
}

void MakeFolder(const std::string& path) { fs::create_directories(Linux(path)); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(Linux(path), std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

void SetReadOnly(const std::string& path, bool readOnly) {
  struct stat info;
  const std::string native = Linux(path);
  if (::stat(native.c_str(), &info) != 0) return;
  ::chmod(native.c_str(), readOnly ? (info.st_mode & ~0222u) : (info.st_mode | 0200u));
}

int64_t LastWrite(const std::string& path) {
  struct stat info;
  return ::stat(Linux(path).c_str(), &info) == 0 ? info.st_mtim.tv_sec : -1;
}

void SetLastWrite(const std::string& path, int64_t seconds) {
  struct utimbuf times = {static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
  ::utime(Linux(path).c_str(), &times);
}

bool IsWindows() { return false; }

}  // namespace conformance
