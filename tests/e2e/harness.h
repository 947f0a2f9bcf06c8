// Running a scenario: laying out the drives, running an installer on a backend, and checking what
// it showed and what it changed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "scenario.h"

namespace e2e {

// A box or the open-file dialog as the installer showed it.
struct Shown {
  bool IsDialog = false;
  std::string Caption;  // of a box, or the dialog's title
  std::string Text;     // of a box, or the file name the dialog proposed
  ButtonSet Buttons = ButtonSet::Ok;
  bool ErrorIcon = false;
};

// What a run showed.
struct RunResult {
  std::vector<Shown> Steps;
  int ExitStatus = -1;     // -1 when the process did not end by itself
  std::string Problem;     // why the run could not be judged (a time-out, a crash), or ""
  std::string Transcript;  // everything the run printed, for the failure message
  std::vector<uint32_t> Writes;  // traced file writes (native backend only)
};

// The Linux folders that hold drives C and D for one run.
struct Drives {
  std::string C;
  std::string D;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::string Name() const = 0;
  // Makes fresh, empty drives for the scenario.
  virtual Drives Prepare(const Scenario& scenario) = 0;
  // Hands what was laid out to the user that runs the installer.
  virtual void Adopt(const Drives& drives) = 0;
  virtual RunResult Run(const Scenario& scenario) = 0;
  // Ends what Prepare started; `keep` leaves the drives for a look after a failure.
  virtual void CleanUp(bool keep) = 0;
};

Backend* NativeBackend();
Backend* WineBackend();

// The folder of the native build and of the 64-bit Windows build.
std::string NativeBuildDir();
std::string WindowsBuildDir();
// Where an installer lies for a backend: the product "lexorin-setup" or a test payload's name.
std::string InstallerPath(const std::string& installer, bool windows);

// The Linux path of a Windows path on the drives, spelt as given (no case folding).
std::string LinuxPath(const Drives& drives, const std::string& windowsPath);

// Makes `folder` a file system of its own of `kib` KiB (a small, soon full disk); the test needs
// root for it.
void MountSmallDrive(const std::string& folder, uint32_t kib);
// Removes the work folder of a run: unmounts its drive D, makes its folders writable again (its
// files are left as they are: they may be hard links shared with a template) and deletes it.
void RemoveWorkFolder(const std::string& folder);

// Lays out the scenario's items on the drives.
void LayOut(const Scenario& scenario, const Drives& drives);

// One file or folder as found on the drives.
struct Entry {
  std::string Name;      // the path below the drive folders, as found ("c/TARN/ssce.hlp")
  bool Folder = false;
  std::string Bytes;
  int64_t Modified = 0;  // last-write time, seconds since 1970 UTC
  bool ReadOnly = false;
};
// Keyed by the path in lower case: Windows names compare without regard to case.
using Snapshot = std::map<std::string, Entry>;

Snapshot Take(const Drives& drives);

// The UTC time that a DOS date-time (local) gets when it is converted with the offset in force
// now in `timeZone`.
int64_t ExpectedUtc(uint32_t dosStamp, const std::string& timeZone);

// Compares what the run left with what it should have left; returns the differences, one per
// line, or "" when there are none.
std::string Compare(const Scenario& scenario, const Snapshot& before, const Snapshot& after);

// Compares what was shown with the steps expected; "" when they agree.
std::string CompareSteps(const std::vector<Step>& expected, const std::vector<Shown>& shown);

// Reads a log of boxes and dialogs: blocks opened by "--- message box ---" with "caption:",
// "icon:", "text:" (continued on indented lines) and "buttons:" lines, and blocks opened by
// "--- open file dialog ---" with "title:" and "file:" lines. Both the native installer's terminal
// and the Windows UI driver write this form.
std::vector<Shown> ParseShown(const std::string& log);

// Shows a text with "\r" as "\\r", for failure messages.
std::string Visible(const std::string& text);

}  // namespace e2e
