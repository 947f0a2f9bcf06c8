// The Wine backend: the 64-bit Windows build of the installer, run under Wine on the X server of
// the test run, in a fresh prefix copied from the template. Drive C is the prefix's drive_c, drive
// D a folder of the work folder (or a small file system mounted there). The UI driver
// (tests/wine/uidriver.cpp) starts the installer, answers its boxes and writes them down.
//
// The work folder of a scenario, under the native build folder:
//
//   e2e-work/wine-<scenario>/prefix             the Wine prefix; prefix/drive_c is drive C
//   e2e-work/wine-<scenario>/d                  drive D
//   .../drive_c/users/Public/Downloads/         the installer and any planted DLLs
//   .../drive_c/users/Public/uidriver-*.txt     the driver's script and log
//
// C:\users is not part of a snapshot, so what the test itself puts there is not taken for
// something that the installer left.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <unistd.h>

#include "harness.h"
#include "process.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const std::string kPrefixScript = LEXORIN_WINE_PREFIX_SCRIPT;
const std::string kTemplate = LEXORIN_WINE_TEMPLATE;
const std::string kXvfbState = LEXORIN_XVFB_STATE;

// Where the test puts its files in the prefix, as Windows and as Linux paths below drive_c.
const std::string kDownloads = "C:\\users\\Public\\Downloads\\";
const std::string kScript = "C:\\users\\Public\\uidriver-script.txt";
const std::string kLog = "C:\\users\\Public\\uidriver-log.txt";

// The driver gives up after kDriverSeconds and writes down what it saw; the whole run, Wine's
// start-up and shutdown included, is killed after kRunSeconds.
constexpr int kDriverSeconds = 30;
constexpr int kRunSeconds = 60;
constexpr int kScriptSeconds = 60;  // copying or stopping a prefix

// An exit status of this value or more is an exception code: the program crashed.
constexpr unsigned long kFirstExceptionCode = 0xC0000000UL;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

// The X display of the test run, from the record that the display fixture keeps.
std::string Display() {
  std::ifstream in(kXvfbState);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("display=", 0) == 0) return line.substr(8);
  }
  throw std::runtime_error("no X display: " + kXvfbState + " names none (the xvfb_start test starts one)");
}

std::string Require(const std::string& path, const std::string& what) {
  if (!fs::exists(path)) throw std::runtime_error(what + " is missing: " + path + " (made by the windows-x64 build)");
  return path;
}

class Wine : public Backend {
 public:
  std::string Name() const override { return "Wine"; }

  Drives Prepare(const Scenario& scenario) override {
    work_ = NativeBuildDir() + "/e2e-work/wine-" + scenario.Name;
    display_ = Display();
    Remove();
    PrefixScript({"copy", kTemplate, work_}, true);
    fs::create_directories(work_ + "/d");
    if (scenario.SmallDriveD > 0) {
      MountSmallDrive(work_ + "/d", scenario.SmallDriveD);
      mounted_ = true;
    }
    const fs::path driveD = work_ + "/prefix/dosdevices/d:";
    std::error_code error;
    fs::remove(driveD, error);
    fs::create_symlink(work_ + "/d", driveD);
    drives_ = Drives{work_ + "/prefix/drive_c", work_ + "/d"};
    return drives_;
  }

  // Wine runs as "nobody" when the tests run as root (wine-prefix.sh): what was laid out becomes
  // that user's, as the prefix already is.
  void Adopt(const Drives& drives) override {
    if (::geteuid() != 0) return;
    for (const fs::directory_entry& item : fs::directory_iterator(drives.C)) {
      const std::string name = item.path().filename().string();
      if (name == "windows" || name == "users" || name == "Program Files" || name == "Program Files (x86)" ||
          name == "ProgramData") {
        continue;
      }
      Own(item.path(), true);
    }
    Own(drives.C + "/windows/win.ini", false);
    Own(drives.D, true);
  }

  RunResult Run(const Scenario& scenario) override {
    const std::string installer = Require(InstallerPath(scenario.Installer, true), "the installer");
    const std::string driver = Require(WindowsBuildDir() + "/tests/wine/uidriver.exe", "the UI driver");
    const std::string name = fs::path(installer).filename().string();

    const std::string downloads = LinuxPath(drives_, kDownloads) + "/";
    fs::create_directories(downloads);
    fs::copy_file(installer, downloads + name, fs::copy_options::overwrite_existing);
    std::string overrides;
    for (const std::string& dll : scenario.PlantedDlls) {
      fs::copy_file(Require(WindowsBuildDir() + "/tests/wine/planted/" + dll, "the marker DLL " + dll),
                    downloads + dll, fs::copy_options::overwrite_existing);
      overrides += (overrides.empty() ? "" : ",") + fs::path(dll).stem().string();
    }
    // "n,b": Wine takes a DLL of that name from beside the program when there is one, as Windows
    // does for a DLL that is not one of its known system DLLs.
    if (!overrides.empty()) overrides += "=n,b";
    WriteScript(scenario);
    if (::geteuid() == 0) Own(LinuxPath(drives_, "C:\\users\\Public"), true);

    const Finished finished = RunProgram(
        {kPrefixScript, "run", work_, driver, kScript, kLog, kDownloads + name, std::to_string(kDriverSeconds)},
        {"TZ=" + scenario.TimeZone, "DISPLAY=" + (scenario.NoDisplay ? std::string() : display_),
         "WINEDLLOVERRIDES=" + overrides},
        "", kRunSeconds);
    RunResult result = ReadLog(ReadAll(LinuxPath(drives_, kLog)));
    result.Transcript += finished.Output + finished.Errors;
    if (!finished.Problem.empty()) {
      result.Problem += "the UI driver under Wine: " + finished.Problem + "\n";
    } else if (finished.ExitStatus != 0) {
      result.Problem += "the UI driver ended with status " + std::to_string(finished.ExitStatus) + "\n";
    }
    return result;
  }

  void CleanUp(bool keep) override {
    // A run that was cut short leaves Wine's processes of the prefix behind.
    PrefixScript({"stop", work_}, false);
    if (mounted_) ::umount2((work_ + "/d").c_str(), MNT_DETACH);
    mounted_ = false;
    if (!keep) Remove();
  }

 private:
  // The driver's script: the answer to each box and dialog, in order, and the window to hold.
  void WriteScript(const Scenario& scenario) {
    std::ofstream script(LinuxPath(drives_, kScript), std::ios::binary | std::ios::trunc);
    for (const Step& step : scenario.Steps) {
      if (step.IsDialog) {
        script << "open " << (step.Dialog.Typed.empty() ? "cancel" : step.Dialog.Typed) << "\n";
      } else {
        script << (step.Box.Reply == Answer::Cancel ? "box cancel\n" : "box ok\n");
      }
    }
    if (!scenario.LockedFile.empty()) script << "lock " << scenario.LockedFile << "\n";
    if (!scenario.HeldWindow.empty()) {
      // A window that stays open is closed after the last step, when the driver ends.
      const size_t close = scenario.CloseWindowAtStep != 0 ? scenario.CloseWindowAtStep : scenario.Steps.size() + 1;
      script << "hold " << close << " " << scenario.HeldWindow << "\n";
    }
  }

  // What the driver's log says: the boxes, the installer's exit status, and the driver's problems.
  static RunResult ReadLog(const std::string& log) {
    RunResult result;
    result.Steps = ParseShown(log);
    result.Transcript = log;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("exit: ", 0) == 0) {
        const unsigned long status = std::stoul(line.substr(6));
        result.ExitStatus = static_cast<int>(status);
        if (status >= kFirstExceptionCode) {
          std::ostringstream code;
          code << "the installer crashed with exception 0x" << std::hex << std::uppercase << status << "\n";
          result.Problem += code.str();
        }
      } else if (line.rfind("problem: ", 0) == 0) {
        result.Problem += line.substr(9) + "\n";
      }
    }
    if (log.empty()) result.Problem += "the UI driver left no log\n";
    return result;
  }

  // Runs wine-prefix.sh; with `required`, a failure ends the test.
  void PrefixScript(std::vector<std::string> arguments, bool required) {
    arguments.insert(arguments.begin(), kPrefixScript);
    const Finished finished = RunProgram(arguments, {}, "", kScriptSeconds);
    if (required && (!finished.Problem.empty() || finished.ExitStatus != 0)) {
      throw std::runtime_error("wine-prefix.sh " + arguments[1] + " failed: " + finished.Problem + " " +
                               finished.Output + finished.Errors);
    }
  }

  // Hands `path`, and with `tree` everything below it, to the user that Wine runs as.
  void Own(const fs::path& path, bool tree) {
    static const uid_t user = [] {
      const struct passwd* entry = ::getpwnam("nobody");
      if (entry == nullptr) throw std::runtime_error("there is no user nobody to run Wine as");
      return entry->pw_uid;
    }();
    static const gid_t group = [] {
      const struct group* entry = ::getgrnam("nogroup");
      if (entry == nullptr) throw std::runtime_error("there is no group nogroup to run Wine as");
      return entry->gr_gid;
    }();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) return;
    if (::lchown(path.c_str(), user, group) != 0) {
      throw std::runtime_error("cannot hand " + path.string() + " to nobody: " + std::strerror(errno));
    }
    if (!tree || !fs::is_directory(fs::symlink_status(path, error))) return;
    for (const fs::directory_entry& item : fs::directory_iterator(path)) Own(item.path(), true);
  }

  void Remove() { RemoveWorkFolder(work_); }

  std::string work_;
  std::string display_;
  Drives drives_;
  bool mounted_ = false;
};

}  // namespace

Backend* WineBackend() {
  static Wine backend;
  return &backend;
}

}  // namespace e2e
