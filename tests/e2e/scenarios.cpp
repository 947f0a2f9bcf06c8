// The table of end-to-end scenarios (scenario.h): the helpers that write it, and its first part,
// the payload's extraction and the final report.

#include <algorithm>

#include "scenario.h"

namespace e2e {

Item File(const std::string& path, const std::string& bytes) {
  Item item;
  item.Path = path;
  item.Bytes = bytes;
  return item;
}

Item Folder(const std::string& path) {
  Item item;
  item.Type = Item::Kind::Folder;
  item.Path = path;
  return item;
}

Item ReadOnly(Item item) {
  item.ReadOnly = true;
  return item;
}

Item Hidden(Item item) {
  item.Hidden = true;
  return item;
}

Item WinIni(const std::string& bytes) { return File("C:\\windows\\win.ini", bytes); }

std::vector<Item> Host(const std::string& folder, const std::string& ini) {
  return {File(folder + "\\quorlinx.exe", "MZ stand-in for the host program\r\n"), File(folder + "\\quorlin.ini", ini)};
}

std::vector<Item> operator+(std::vector<Item> a, const std::vector<Item>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Change Payload(const std::string& folder, int count) {
  Change change;
  change.Type = Change::Kind::Payload;
  change.Path = folder;
  change.Count = count;
  return change;
}

Change Ini(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  Change change;
  change.Type = Change::Kind::Ini;
  change.Path = path;
  change.Section = section;
  change.Key = key;
  change.Value = value;
  return change;
}

Change FileNow(const std::string& path, const std::string& bytes) {
  Change change;
  change.Type = Change::Kind::File;
  change.Path = path;
  change.Bytes = bytes;
  return change;
}

std::vector<Change> Registered(const std::string& folder) {
  const std::string ini = folder + "\\quorlin.ini";
  return {Ini(ini, "Spell Check", "Engine32", folder + "\\ssce5332.dll"),
          Ini(ini, "SSCE", "HelpFile", folder + "\\ssce.hlp"), Ini(ini, "SSCE", "MainLexPath", folder),
          Ini(ini, "SSCE", "MainLexFiles", "SSCEAM.TLX,SSCEAM2.CLX")};
}

std::vector<Change> Installed(const std::string& folder) { return std::vector<Change>{Payload(folder)} + Registered(folder); }

std::vector<Change> UserSetUp(const std::string& folder, const std::string& lexicon) {
  const std::string ini = folder + "\\quorlin.ini";
  std::vector<Change> changes = {Ini(ini, "SSCE User", "UserLexPath", folder),
                                 Ini(ini, "SSCE User", "UserLexFiles", "user.tlx"),
                                 Ini(ini, "SSCE User", "LastSelectedLex", "user.tlx")};
  if (!lexicon.empty()) changes.insert(changes.begin(), FileNow(folder + "\\user.tlx", lexicon));
  return changes;
}

std::vector<Change> operator+(std::vector<Change> a, const std::vector<Change>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Box Welcome(Answer reply) {
  return Box{"Lexorin", "Installation of Lexorin for 32-bit Quorlin is about to begin.", ButtonSet::OkCancel, false,
             reply};
}

Box AltK() {
  return Box{"", "Installation completed successfully.\r\rYou can spell-checK a new text in Quorlin by pressing Alt-K."};
}

Box NeedDictionaries() {
  return Box{"", std::string("Installation completed successfully.\r\rYou will now need to install one or more "
                             "dictionaries.\rDownload them from ") +
                     LEXORIN_DOWNLOAD_SITE + "\r"};
}

Box Failure(const std::string& caption, const std::string& text) { return Box{caption, text, ButtonSet::Ok, true}; }

Box LocatePrompt(Answer reply) {
  return Box{"Quorlin not found in default folder", "Please locate the Quorlin program (quorlinx.exe)",
             ButtonSet::OkCancel, false, reply};
}

Dialog Locate(const std::string& typed) { return Dialog{"Locate Quorlin Folder", "quorlinx.exe", typed}; }

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> table = [] {
    std::vector<Scenario> all;
    for (auto part : {PayloadScenarios, HostScenarios, UserScenarios}) {
      std::vector<Scenario> scenarios = part();
      all.insert(all.end(), scenarios.begin(), scenarios.end());
    }
    return all;
  }();
  return table;
}

std::string LongFolder(size_t length) {
  std::string path = "D:";
  while (path.size() < length) {
    const size_t part = std::min<size_t>(50, length - path.size() - 1);
    path += "\\" + std::string(part, 'q');
  }
  return path;
}

std::vector<Scenario> PayloadScenarios() {
  std::vector<Scenario> table;
  const std::string winIniOtherApp = "[Applications]\r\nOther=C:\\OTHER\r\n";

  {
    Scenario s;
    s.Name = "CancelAtWelcomeWritesNothing";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{WinIni(winIniOtherApp)};
    s.Steps = {Welcome(Answer::Cancel)};
    table.push_back(s);
  }
  {
    // No "Quorlin" entry in WIN.INI: the folder is C:\TARN, and WIN.INI stays as it was.
    Scenario s;
    s.Name = "FullPayloadInDefaultFolder";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{WinIni(winIniOtherApp)};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FullPayloadInFolderFromWinIni";
    s.Layout = Host("D:\\Mail\\Quorlin") +
               std::vector<Item>{WinIni("[Applications]\r\nQuorlin=D:\\Mail\\Quorlin\r\n"), Folder("C:\\TARN")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("D:\\Mail\\Quorlin");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ReportAsksForDictionaries";
    s.Installer = "no-clx";
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome(), NeedDictionaries()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FolderNamedLikeDictionaryCounts";
    s.Installer = "no-clx";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Folder("C:\\TARN\\extra.clx")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NoFilesInPayload";
    s.Installer = "no-files";
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome(), NeedDictionaries()};
    s.Changes = Registered("C:\\TARN");
    s.NativeWrites = std::vector<uint32_t>();
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "MissingName003StopsAtThirdFile";
    s.Installer = "missing-name003";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\ssceam.tlx", "old lexicon")};
    s.Steps = {Welcome(), Failure("Internal error", "Resource \"NAME003\" not found. Aborting.")};
    s.Changes = {Payload("C:\\TARN", 2)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NegativeSizeIsRefused";
    s.Installer = "negative-size";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\SSCE5332.dll", "old engine")};
    s.Steps = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created (wrong size).")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NegativeSizeWithoutDataReportsMissingData";
    s.Installer = "negative-size-no-data";
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome(), Failure("Internal error", "Resource \"DATA002\" not found. Aborting.")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ChunkEdgeSizes";
    s.Installer = "chunk-edges";
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    std::vector<uint32_t> writes = {0, 16384, 16384, 1};
    writes.insert(writes.end(), 10, 16384);
    writes.push_back(4096);
    writes.push_back(10);
    s.NativeWrites = writes;
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "LargerExistingFileIsReplaced";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\ssce.hlp", std::string(40000, 'x'))};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ReadOnlyTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{ReadOnly(File("C:\\TARN\\SSCE5332.dll", "old engine"))};
    s.Steps = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created.")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "HiddenTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Hidden(File("C:\\TARN\\ssce.hlp", "old help"))};
    s.Steps = {Welcome(), Failure("Fatal error", "SSCE.HLP could not be created.")};
    table.push_back(s);
  }
  {
    // Another program holds the engine library open without sharing it: it cannot be replaced.
    Scenario s;
    s.Name = "TargetHeldOpenByAnotherProgramIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\SSCE5332.dll", "engine in use")};
    s.LockedFile = "C:\\TARN\\SSCE5332.dll";
    s.Steps = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created.")};
    s.Changes = {Payload("C:\\TARN", 1)};
    s.Skip.Native = true;
    s.Skip.Why = "Linux has no way for a program to hold a file open against others";
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FolderInPlaceOfTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Folder("C:\\TARN\\ssceam.tlx")};
    s.Steps = {Welcome(), Failure("Fatal error", "ssceam.tlx could not be created.")};
    s.Changes = {Payload("C:\\TARN", 2)};
    table.push_back(s);
  }
  {
    // The disk fills while the engine library is written: the old library stays as it was and
    // no temporary file is left behind.
    Scenario s;
    s.Name = "FullDiskKeepsOldFile";
    s.SmallDriveD = 160;
    s.Layout = Host("D:\\Q") + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=D:\\Q\r\n"),
                                                 File("D:\\Q\\SSCE5332.dll", std::string(60000, 'o'))};
    s.Steps = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created.")};
    s.Changes = {Payload("D:\\Q", 1)};
    table.push_back(s);
  }
  // The dates are converted with the offset in force now: in December daylight saving is in
  // force in New Zealand and not in New York.
  struct Zone {
    const char* Name;
    const char* TimeZone;
  };
  for (const Zone& zone : {Zone{"DatesInZoneWithDaylightSavingInForceNow", "NZST-12NZDT,M9.5.0,M4.1.0/3"},
                           Zone{"DatesInZoneWestOfGreenwich", "EST5EDT,M3.2.0,M11.1.0"}}) {
    Scenario s;
    s.Name = zone.Name;
    s.TimeZone = zone.TimeZone;
    s.Layout = Host("C:\\TARN");
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    // The installer usually runs from a downloads folder, where anything may lie. DLLs named like
    // the system DLLs that message boxes, theming and the open-file dialog use are planted beside
    // it; Wine is told to prefer them to its own, as Windows would for DLLs outside its list of
    // known DLLs. version.dll is not among them: Wine's own user32 imports it at start-up, before
    // any code of the program runs, so under Wine no program can keep a planted one out. The
    // host folder is located, so that the open-file dialog is shown too.
    Scenario s;
    s.Name = "PlantedDllsAreNotLoaded";
    s.Layout = Host("D:\\Q") + std::vector<Item>{WinIni(winIniOtherApp)};
    s.PlantedDlls = {"uxtheme.dll", "msimg32.dll", "comctl32.dll", "dwmapi.dll", "propsys.dll"};
    s.Steps = {Welcome(), LocatePrompt(), Locate("D:\\Q\\quorlinx.exe"), AltK()};
    s.Changes = std::vector<Change>{Ini("C:\\windows\\win.ini", "Applications", "Quorlin", "D:\\Q")} + Installed("D:\\Q");
    s.Skip.Native = true;
    s.Skip.Why = "there are no DLLs on Linux";
    table.push_back(s);
  }

  // Damaged resources end the run before the file of that number is created.
  struct Damage {
    const char* Name;
    const char* Installer;
    const char* Resource;
    int FilesWritten;
  };
  for (const Damage& damage : {Damage{"DataShorterThanSize", "damaged-data", "DATA002", 1},
                               Damage{"TimeShorterThanFourBytes", "damaged-time", "TIME002", 1},
                               Damage{"SizeShorterThanFourBytes", "damaged-size", "SIZE002", 1},
                               Damage{"NameWithoutNul", "damaged-name", "NAME002", 1},
                               Damage{"NameLeadingOutOfFolder", "escaping-name", "NAME002", 1},
                               Damage{"EmptyFilesResource", "damaged-files", "FILES", 0}}) {
    Scenario s;
    s.Name = std::string("Damaged") + damage.Name;
    s.Installer = damage.Installer;
    s.Layout = Host("C:\\TARN\\Q") + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=C:\\TARN\\Q\r\n")};
    s.Steps = {Welcome(),
               Failure("Internal error", std::string("Resource \"") + damage.Resource + "\" is damaged. Aborting.")};
    if (damage.FilesWritten > 0) s.Changes = {Payload("C:\\TARN\\Q", damage.FilesWritten)};
    table.push_back(s);
  }

  {
    // A payload file whose name leaves no room in the (otherwise long enough) host folder.
    Scenario s;
    s.Name = "PayloadNameTooLongForFolder";
    s.Installer = "long-name";
    const std::string folder = LongFolder(120);
    s.Layout = Host(folder) + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=" + folder + "\r\n")};
    s.Steps = {Welcome(), Failure("Fatal error", std::string(140, 'n') + ".dat could not be created (path too long).")};
    s.Changes = {Payload(folder, 1)};
    table.push_back(s);
  }
  return table;
}

}  // namespace e2e
