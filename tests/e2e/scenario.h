// End-to-end scenarios: what is laid out before an installer runs, the boxes it must show with
// the answers given to them, and what it must change. One table (scenarios.cpp) runs against
// every backend; a row that one backend cannot show says so, with the reason, in plain sight.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

enum class ButtonSet { Ok, OkCancel };
enum class Answer { Ok, Cancel };

// A message box that the installer must show, and how the user answers it.
struct Box {
  std::string Caption;
  std::string Text;  // "\r" for each line break, as the installer composes it
  ButtonSet Buttons = ButtonSet::Ok;
  bool ErrorIcon = false;
  Answer Reply = Answer::Ok;
};

// The open-file dialog that the installer must show, and what the user does in it.
struct Dialog {
  std::string Title;
  std::string FileName;  // the file name it proposes
  std::string Typed;     // the path the user types and opens (relative to the folder the dialog
                         // shows, or full); "" presses Cancel
};

// One thing the user sees and answers, in the order shown.
struct Step {
  Step(const Box& box) : IsDialog(false), Box(box) {}              // NOLINT: a box is a step
  Step(const Dialog& dialog) : IsDialog(true), Dialog(dialog) {}   // NOLINT: so is a dialog
  bool IsDialog;
  e2e::Box Box;
  e2e::Dialog Dialog;
};

// Something laid out before the run. Paths are Windows paths on drive C or D.
struct Item {
  enum class Kind { File, Folder };
  Kind Type = Kind::File;
  std::string Path;
  std::string Bytes;       // the contents of a file
  bool ReadOnly = false;   // no write permission (a read-only file or folder)
  bool Hidden = false;     // the hidden attribute
  int64_t Modified = 0;    // the last-write time, seconds since 1970 UTC; 0 for the usual one
};

// Something the run must change; everything else laid out must stay as it was, bytes and dates,
// and nothing else may appear.
struct Change {
  enum class Kind {
    Payload,  // the payload files written into Path: all of them, or the first Count
    File,     // Path holds exactly Bytes (its date is not checked)
    Ini,      // the INI file Path holds the entry Section/Key = Value (other entries unchanged)
  };
  Kind Type = Kind::Payload;
  std::string Path;
  int Count = -1;
  std::string Bytes;
  std::string Section, Key, Value;
};

// How a backend takes part in a scenario.
struct NotApplicable {
  bool Native = false;
  bool Wine = false;
  std::string Why;  // shown in the test's output
};

struct Scenario {
  std::string Name;
  std::string Installer = "lexorin-setup";  // or the name of a test payload (tests/payloads)
  std::vector<Item> Layout;
  std::vector<Step> Steps;
  std::vector<Change> Changes;
  int Runs = 1;                              // the installer runs this often, with the same steps
  std::string HeldWindow;                    // a top-level window with this title is open at start
  size_t CloseWindowAtStep = 0;              // and is closed when this step (from 1) is shown,
                                             // before it is answered; 0: it stays open
  bool NoDisplay = false;                    // no box or dialog can be shown at all
  std::string LockedFile;                    // a file that another program holds open, unshared
  std::string TimeZone = "UTC";              // the TZ the installer runs in
  uint32_t SmallDriveD = 0;                  // > 0: drive D is a file system of this many KiB
  std::optional<std::vector<uint32_t>> NativeWrites;  // the size of every file write, traced natively
  std::vector<std::string> PlantedDlls;      // DLLs put beside the installer; each one that is loaded
                                             // leaves C:\planted-<name>.txt behind (Windows only)
  NotApplicable Skip;
};

const std::vector<Scenario>& AllScenarios();

// The parts of the table, by what they show.
std::vector<Scenario> PayloadScenarios();  // extraction and the final report
std::vector<Scenario> HostScenarios();     // finding the host, probing it, the gates
std::vector<Scenario> UserScenarios();     // the engine's entries and the users

// Helpers for writing the table.
Item File(const std::string& path, const std::string& bytes);
Item Folder(const std::string& path);
Item ReadOnly(Item item);
Item Hidden(Item item);
Item WinIni(const std::string& bytes);
// A folder path of exactly `length` characters on drive D, made of parts of up to 50 characters.
std::string LongFolder(size_t length);
// A host installation in `folder`: its program and its INI file.
std::vector<Item> Host(const std::string& folder, const std::string& ini = "[Common]\r\nVersion=42\r\n");
std::vector<Item> operator+(std::vector<Item> a, const std::vector<Item>& b);

Change Payload(const std::string& folder, int count = -1);
Change Ini(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value);
Change FileNow(const std::string& path, const std::string& bytes);
// The four engine entries in the host INI of `folder`.
std::vector<Change> Registered(const std::string& folder);
// The whole payload and the engine entries: a host installed.
std::vector<Change> Installed(const std::string& folder);
// A user set up: the lexicon `lexicon` (the new one unless given) and the three entries.
std::vector<Change> UserSetUp(const std::string& folder, const std::string& lexicon = "#LID 24941\r\n");
std::vector<Change> operator+(std::vector<Change> a, const std::vector<Change>& b);

Box Welcome(Answer reply = Answer::Ok);
Box AltK();
Box NeedDictionaries();
Box Failure(const std::string& caption, const std::string& text);
Box LocatePrompt(Answer reply = Answer::Ok);
Dialog Locate(const std::string& typed);

}  // namespace e2e
