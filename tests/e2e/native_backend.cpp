// The native backend: the Linux build of the installer, its drives under one root folder, its
// boxes answered on standard input and read from standard output.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include <sys/mount.h>

#include "harness.h"
#include "process.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

// Makes everything below `path` writable again, so that it can be removed.
void Unprotect(const fs::path& path) {
  std::error_code error;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
  if (fs::is_directory(path, error) && !fs::is_symlink(path, error)) {
    for (const fs::directory_entry& item : fs::directory_iterator(path, error)) Unprotect(item.path());
  }
}

class Native : public Backend {
 public:
  std::string Name() const override { return "native"; }

  Drives Prepare(const Scenario& scenario) override {
    root_ = NativeBuildDir() + "/e2e-work/native-" + scenario.Name;
    Remove();
    fs::create_directories(root_ + "/c/windows");
    fs::create_directories(root_ + "/d");
    if (scenario.SmallDriveD > 0) {
      const std::string options = "size=" + std::to_string(scenario.SmallDriveD) + "k";
      if (::mount("lexorin-test", (root_ + "/d").c_str(), "tmpfs", 0, options.c_str()) != 0) {
        throw std::runtime_error("cannot mount a small file system on " + root_ +
                                 "/d (the test needs root): " + std::strerror(errno));
      }
      mounted_ = true;
    }
    return Drives{root_ + "/c", root_ + "/d"};
  }

  void Adopt(const Drives&) override {}

  RunResult Run(const Scenario& scenario) override {
    std::string answers;
    for (const Box& box : scenario.Boxes) answers += box.Reply == Answer::Cancel ? "cancel\n" : "ok\n";
    Finished finished = RunProgram({InstallerPath(scenario.Installer, false)},
                                   {"LEXORIN_ROOT=" + root_, "TZ=" + scenario.TimeZone, "LEXORIN_TRACE=1"},
                                   answers, 60);
    RunResult result;
    result.ExitStatus = finished.ExitStatus;
    result.Problem = finished.Problem;
    result.Transcript = finished.Output + finished.Errors;
    result.Boxes = ParseBoxes(finished.Output);
    std::istringstream trace(finished.Errors);
    std::string line;
    while (std::getline(trace, line)) {
      if (line.rfind("trace: WriteFile ", 0) == 0) result.Writes.push_back(std::stoul(line.substr(17)));
    }
    return result;
  }

  void CleanUp(bool keep) override {
    if (mounted_) ::umount2((root_ + "/d").c_str(), MNT_DETACH);
    mounted_ = false;
    if (!keep) Remove();
  }

 private:
  void Remove() {
    std::error_code error;
    if (!fs::exists(root_, error)) return;
    ::umount2((root_ + "/d").c_str(), MNT_DETACH);
    Unprotect(root_);
    fs::remove_all(root_, error);
  }

  std::string root_;
  bool mounted_ = false;
};

}  // namespace

Backend* NativeBackend() {
  static Native backend;
  return &backend;
}

}  // namespace e2e
