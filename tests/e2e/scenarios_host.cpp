// Scenarios of finding the host folder, probing the host INI, and the gates that refuse or hold
// the run.

#include "scenario.h"

namespace e2e {
namespace {

const std::string kWinIni = "C:\\windows\\win.ini";

Change Recorded(const std::string& folder) { return Ini(kWinIni, "Applications", "Quorlin", folder); }

Box Undetermined() {
  return Failure("Error",
                 "Your Quorlin version could not be determined.\r\rIf you have just now installed it, you need to "
                 "first run it once and then run this program again.");
}

Box TooOld(const std::string& version) {
  return Failure("Error", "Quorlin version must be 41 or newer.\rYour version is " + version +
                              ".\r\rYou can download the newest Quorlin version from " + LEXORIN_DOWNLOAD_SITE);
}

Box WrongWidth() {
  return Failure("Error",
                 "Wrong setup program. \r\rYou have a 16-bit Quorlin and are trying to run the 32-bit Lexorin setup "
                 "program.");
}

Box HostRunning(Answer reply = Answer::Ok) {
  return Box{"Quorlin is running",
             "The installation cannot continue before Quorlin is closed.\rPlease do so and then press OK to continue.",
             ButtonSet::OkCancel, false, reply};
}

Box FolderTooLong() {
  return Failure("Error",
                 "The path of the Quorlin folder is too long.\r\rPlease install Quorlin in a folder with a shorter "
                 "path and then run this program again.");
}

}  // namespace

std::vector<Scenario> HostScenarios() {
  std::vector<Scenario> table;

  // Finding the host folder.
  {
    // A folder named like the host INI is no INI: the user is asked to locate the program.
    Scenario s;
    s.Name = "FolderNamedQuorlinIniStartsLocating";
    s.Layout = {File("C:\\TARN\\quorlinx.exe", "MZ"), Folder("C:\\TARN\\quorlin.ini")};
    s.Steps = {Welcome(), LocatePrompt(), Locate("C:\\TARN\\quorlinx.exe"), Undetermined()};
    s.Changes = {Recorded("C:\\TARN")};
    table.push_back(s);
  }
  {
    // Another program of the host picked in a folder without quorlinx.exe: asked again, and the
    // next dialog opens in that folder (a name typed there without a folder is found in it), with
    // quorlinx.exe proposed. Then the right folder.
    Scenario s;
    s.Name = "LocateLoopUntilTheHostProgramIsFound";
    s.Layout = Host("D:\\Q") + std::vector<Item>{Folder("C:\\TARN"), File("D:\\Old\\quorlin16.exe", "MZ 16")};
    s.Steps = {Welcome(),      LocatePrompt(), Locate("D:\\Old\\quorlin16.exe"), LocatePrompt(), Locate("quorlin16.exe"),
               LocatePrompt(), Locate("D:\\Q\\quorlinx.exe"), AltK()};
    s.Changes = std::vector<Change>{Recorded("D:\\Q")} + Installed("D:\\Q");
    table.push_back(s);
  }
  {
    // The host program at the root of a drive: the folder is the drive alone, "D:".
    Scenario s;
    s.Name = "HostAtDriveRoot";
    s.Layout = Host("D:");
    s.Steps = {Welcome(), LocatePrompt(), Locate("D:\\quorlinx.exe"), AltK()};
    s.Changes = std::vector<Change>{Recorded("D:")} + Installed("D:");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "CancelInDialogThenInPromptWritesNothing";
    s.Layout = {Folder("C:\\TARN"), WinIni("[Applications]\r\nOther=1\r\n")};
    s.Steps = {Welcome(), LocatePrompt(), Locate(""), LocatePrompt(Answer::Cancel)};
    table.push_back(s);
  }
  {
    // Without any way to show a box, the welcome box lets the run go on, but the locate prompt
    // ends it: the loop never runs on without a person.
    Scenario s;
    s.Name = "PromptThatCannotBeShownEndsTheRun";
    s.NoDisplay = true;
    s.Layout = {Folder("C:\\TARN"), File("D:\\Q\\quorlinx.exe", "MZ")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "HostFolderFromWinIniTooLong";
    const std::string folder = LongFolder(250);
    s.Layout = Host(folder) + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=" + folder + "\r\n")};
    s.Steps = {Welcome(), FolderTooLong()};
    table.push_back(s);
  }
  {
    // A program picked in a folder that leaves no room for the files to be made in it: the run
    // ends before the folder is recorded.
    Scenario s;
    s.Name = "HostFolderFromDialogTooLong";
    const std::string folder = LongFolder(248);
    s.Layout = {Folder("C:\\TARN"), File(folder + "\\q.exe", "MZ")};
    s.Steps = {Welcome(), LocatePrompt(), Locate(folder + "\\q.exe"), FolderTooLong()};
    table.push_back(s);
  }

  // The version gate compares texts, not numbers; the width gate comes after it.
  struct Version {
    const char* Name;
    const char* Ini;
    Box Refusal;  // an empty caption: the run passes
  };
  const Box passes;
  for (const Version& version : {
           Version{"41", "[Common]\r\nVersion=41\r\n", passes},
           Version{"42", "[Common]\r\nVersion=42\r\n", passes},
           Version{"40", "[Common]\r\nVersion=40\r\n", TooOld("40")},
           Version{"4IsAPrefixOf41", "[Common]\r\nVersion=4\r\n", TooOld("4")},
           Version{"5SortsAfter41", "[Common]\r\nVersion=5\r\n", passes},
           Version{"100IsReadAs10", "[Common]\r\nVersion=100\r\n", TooOld("10")},
           Version{"FromQuorlinSection", "[Common]\r\nOther=1\r\n[Quorlin]\r\nVersion=45\r\n", passes},
           Version{"CommonWinsOverQuorlin", "[Common]\r\nVersion=39\r\n[Quorlin]\r\nVersion=45\r\n", TooOld("39")},
           Version{"Missing", "[Common]\r\nOther=1\r\n", Undetermined()},
           Version{"InBrokenIni", "garbage\x01\x02\r\n[Common\r\nVersion 42\r\n=41\r\n[]\r\n", Undetermined()},
           Version{"OldWith16BitEngineGetsVersionBox",
                   "[Common]\r\nVersion=30\r\n[Spell Check]\r\nEngine16=C:\\TARN\\ssce5316.dll\r\n", TooOld("30")},
           Version{"16BitEngineIsRefused",
                   "[Common]\r\nVersion=42\r\n[Spell Check]\r\nEngine16=C:\\TARN\\ssce5316.dll\r\n", WrongWidth()},
           Version{"Empty16BitEntryPasses", "[Common]\r\nVersion=42\r\n[Spell Check]\r\nEngine16=\r\n", passes},
       }) {
    Scenario s;
    s.Name = std::string("HostVersion") + version.Name;
    s.Layout = Host("C:\\TARN", version.Ini);
    if (version.Refusal.Caption.empty()) {
      s.Steps = {Welcome(), AltK()};
      s.Changes = Installed("C:\\TARN");
    } else {
      s.Steps = {Welcome(), version.Refusal};
    }
    table.push_back(s);
  }

  // The host's windows hold the run until they are closed; only an exact title counts.
  struct Held {
    const char* Name;
    const char* Title;
    size_t Waits;  // how often the wait box is answered OK; the window closes before the last OK
  };
  for (const Held& held : {Held{"WaitsWhileQuorlinIsOpen", "Quorlin", 2},  // still open at the first OK
                           Held{"WaitsWhileUserSelectionIsOpen", "Select Quorlin User", 1},
                           Held{"WindowTitleStartingWithQuorlinDoesNotHold", "Quorlin - C:\\TARN", 0}}) {
    Scenario s;
    s.Name = held.Name;
    s.HeldWindow = held.Title;
    s.CloseWindowAtStep = held.Waits > 0 ? 1 + held.Waits : 0;
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome()};
    s.Steps.insert(s.Steps.end(), held.Waits, HostRunning());
    s.Steps.push_back(AltK());
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    // Cancel while the host runs: only the located folder has been recorded by then.
    Scenario s;
    s.Name = "CancelWhileQuorlinIsOpenWritesOnlyWinIni";
    s.HeldWindow = "Quorlin";
    s.Layout = Host("D:\\Q") + std::vector<Item>{Folder("C:\\TARN")};
    s.Steps = {Welcome(), LocatePrompt(), Locate("D:\\Q\\quorlinx.exe"), HostRunning(Answer::Cancel)};
    s.Changes = {Recorded("D:\\Q")};
    table.push_back(s);
  }
  return table;
}

}  // namespace e2e
