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

// Something laid out before the run. Paths are Windows paths on drive C or D.
struct Item {
  enum class Kind { File, Folder };
  Kind Type = Kind::File;
  std::string Path;
  std::string Bytes;       // the contents of a file
  bool ReadOnly = false;   // no write permission (a read-only file or folder)
  bool Hidden = false;     // the hidden attribute
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
  std::vector<Box> Boxes;
  std::vector<Change> Changes;
  std::string TimeZone = "UTC";              // the TZ the installer runs in
  uint32_t SmallDriveD = 0;                  // > 0: drive D is a file system of this many KiB
  std::optional<std::vector<uint32_t>> NativeWrites;  // the size of every file write, traced natively
  NotApplicable Skip;
};

const std::vector<Scenario>& AllScenarios();

// Helpers for writing the table.
Item File(const std::string& path, const std::string& bytes);
Item Folder(const std::string& path);
Item WinIni(const std::string& bytes);
Change Payload(const std::string& folder, int count = -1);
Change Ini(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value);
Box Welcome(Answer reply = Answer::Ok);

}  // namespace e2e
