// The native backend: the Linux build of the installer, its drives under one root folder, its
// boxes and dialogs read from its standard output and answered on its standard input as they
// appear. A scenario that holds a window open gets an X server of its own, so that no other test
// run's windows can be seen.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/mount.h>

#include "harness.h"
#include "process.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

constexpr int kRunSeconds = 60;
constexpr int kWindowSeconds = 10;
const std::string kXvfbScript = LEXORIN_XVFB_SCRIPT;
const std::string kXWindow = LEXORIN_X_WINDOW;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

class Native : public Backend {
 public:
  std::string Name() const override { return "native"; }

  Drives Prepare(const Scenario& scenario) override {
    root_ = NativeBuildDir() + "/e2e-work/native-" + scenario.Name;
    Remove();
    fs::create_directories(root_ + "/c/windows");
    fs::create_directories(root_ + "/d");
    if (scenario.SmallDriveD > 0) {
      MountSmallDrive(root_ + "/d", scenario.SmallDriveD);
      mounted_ = true;
    }
    display_.clear();
    if (!scenario.HeldWindow.empty()) StartDisplay();
    return Drives{root_ + "/c", root_ + "/d"};
  }

  void Adopt(const Drives&) override {}

  RunResult Run(const Scenario& scenario) override {
    const std::string installer = InstallerPath(scenario.Installer, false);
    std::vector<std::string> environment = {"LEXORIN_ROOT=" + root_, "TZ=" + scenario.TimeZone, "LEXORIN_TRACE=1"};
    if (!display_.empty()) environment.push_back("DISPLAY=" + display_);

    Companion window;
    if (!scenario.HeldWindow.empty()) {
      window = StartCompanion({kXWindow, scenario.HeldWindow}, {"DISPLAY=" + display_}, "open", kWindowSeconds);
      if (window.Pid < 0) throw std::runtime_error("cannot hold the window \"" + scenario.HeldWindow + "\" open");
    }

    RunResult result;
    size_t shown = 0;
    auto answer = [&](const std::string& line) -> std::string {
      const bool box = StartsWith(line, "buttons: ");
      const bool dialog = StartsWith(line, "file:    ");
      if (StartsWith(line, "         (") && line.find("file not found)") != std::string::npos) {
        result.Problem += "the open-file dialog refused the path typed: " + line.substr(10) + "\n";
        return "cancel\n";
      }
      if (!box && !dialog) return "";
      ++shown;
      if (shown == scenario.CloseWindowAtStep) StopCompanion(&window, kWindowSeconds);
      const Step* step = shown <= scenario.Steps.size() ? &scenario.Steps[shown - 1] : nullptr;
      if (dialog) {
        return step != nullptr && step->IsDialog && !step->Dialog.Typed.empty() ? step->Dialog.Typed + "\n"
                                                                                 : "cancel\n";
      }
      // A box that is not expected here is dismissed as the UI driver does: Cancel, or OK when it
      // has none.
      const bool hasCancel = line == "buttons: OK Cancel";
      const bool cancel = step == nullptr || step->IsDialog || step->Box.Reply == Answer::Cancel;
      return cancel && hasCancel ? "cancel\n" : "ok\n";
    };
    // Without any way to show a box, the installer's standard output is closed.
    const std::vector<std::string> argv =
        scenario.NoDisplay ? std::vector<std::string>{"/bin/sh", "-c", "exec \"$0\" >&-", installer}
                           : std::vector<std::string>{installer};
    const Finished finished = Converse(argv, environment, answer, kRunSeconds);
    StopCompanion(&window, kWindowSeconds);

    result.ExitStatus = finished.ExitStatus;
    result.Problem += finished.Problem;
    result.Transcript = finished.Output + finished.Errors;
    result.Steps = ParseShown(finished.Output);
    std::istringstream trace(finished.Errors);
    std::string line;
    while (std::getline(trace, line)) {
      if (StartsWith(line, "trace: WriteFile ")) result.Writes.push_back(std::stoul(line.substr(17)));
    }
    return result;
  }

  void CleanUp(bool keep) override {
    if (mounted_) ::umount2((root_ + "/d").c_str(), MNT_DETACH);
    mounted_ = false;
    if (!display_.empty()) RunProgram({kXvfbScript, "stop", root_ + "/xvfb.state"}, {}, "", kWindowSeconds);
    display_.clear();
    if (!keep) Remove();
  }

 private:
  void StartDisplay() {
    const std::string state = root_ + "/xvfb.state";
    const Finished started = RunProgram({kXvfbScript, "start", state}, {}, "", kWindowSeconds);
    std::ifstream in(state);
    std::string line;
    while (std::getline(in, line)) {
      if (StartsWith(line, "display=")) display_ = line.substr(8);
    }
    if (display_.empty()) throw std::runtime_error("cannot start an X server: " + started.Output + started.Errors);
  }

  void Remove() { RemoveWorkFolder(root_); }

  std::string root_;
  std::string display_;
  bool mounted_ = false;
};

}  // namespace

Backend* NativeBackend() {
  static Native backend;
  return &backend;
}

}  // namespace e2e
