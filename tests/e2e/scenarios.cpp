// The table of end-to-end scenarios (scenario.h).

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

Item WinIni(const std::string& bytes) { return File("C:\\windows\\win.ini", bytes); }

Change Payload(const std::string& folder, int count) {
  Change change;
  change.Type = Change::Kind::Payload;
  change.Path = folder;
  change.Count = count;
  return change;
}

Change Ini(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value) {
  Change change;
  change.Type = Change::Kind::Ini;
  change.Path = path;
  change.Section = section;
  change.Key = key;
  change.Value = value;
  return change;
}

Box Welcome(Answer reply) {
  return Box{"Lexorin", "Installation of Lexorin for 32-bit Quorlin is about to begin.", ButtonSet::OkCancel,
             false, reply};
}

namespace {

const std::string kDownloadSite = LEXORIN_DOWNLOAD_SITE;

Box AltK() {
  return Box{"", "Installation completed successfully.\r\rYou can spell-checK a new text in Quorlin by pressing Alt-K."};
}

Box NeedDictionaries() {
  return Box{"",
             "Installation completed successfully.\r\rYou will now need to install one or more dictionaries.\r"
             "Download them from " + kDownloadSite + "\r"};
}

Box Failure(const std::string& caption, const std::string& text) { return Box{caption, text, ButtonSet::Ok, true}; }

Item ReadOnly(Item item) {
  item.ReadOnly = true;
  return item;
}

Item Hidden(Item item) {
  item.Hidden = true;
  return item;
}

// A host installation: its program and its INI file.
std::vector<Item> Host(const std::string& folder, const std::string& ini = "[Common]\r\nVersion=42\r\n") {
  return {File(folder + "\\quorlinx.exe", "MZ stand-in for the host program\r\n"),
          File(folder + "\\quorlin.ini", ini)};
}

std::vector<Item> operator+(std::vector<Item> a, const std::vector<Item>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A folder path of exactly `length` characters on drive D, made of 50-character parts.
std::string LongFolder(size_t length) {
  std::string path = "D:";
  while (path.size() < length) {
    const size_t part = std::min<size_t>(50, length - path.size() - 1);
    path += "\\" + std::string(part, 'q');
  }
  return path;
}

std::vector<Scenario> MakeScenarios() {
  std::vector<Scenario> table;
  const std::string winIniOtherApp = "[Applications]\r\nOther=C:\\OTHER\r\n";

  {
    Scenario s;
    s.Name = "CancelAtWelcomeWritesNothing";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{WinIni(winIniOtherApp)};
    s.Boxes = {Welcome(Answer::Cancel)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FullPayloadInDefaultFolder";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{WinIni(winIniOtherApp)};
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FullPayloadInFolderFromWinIni";
    s.Layout = Host("D:\\Mail\\Quorlin") + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=D:\\Mail\\Quorlin\r\n"),
                                                             Folder("C:\\TARN")};
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("D:\\Mail\\Quorlin")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ReportAsksForDictionaries";
    s.Installer = "no-clx";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), NeedDictionaries()};
    s.Changes = {Payload("C:\\TARN")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FolderNamedLikeDictionaryCounts";
    s.Installer = "no-clx";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Folder("C:\\TARN\\extra.clx")};
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NoFilesInPayload";
    s.Installer = "no-files";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), NeedDictionaries()};
    s.NativeWrites = std::vector<uint32_t>();
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "MissingName003StopsAtThirdFile";
    s.Installer = "missing-name003";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\ssceam.tlx", "old lexicon")};
    s.Boxes = {Welcome(), Failure("Internal error", "Resource \"NAME003\" not found. Aborting.")};
    s.Changes = {Payload("C:\\TARN", 2)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NegativeSizeIsRefused";
    s.Installer = "negative-size";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{File("C:\\TARN\\SSCE5332.dll", "old engine")};
    s.Boxes = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created (wrong size).")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "NegativeSizeWithoutDataReportsMissingData";
    s.Installer = "negative-size-no-data";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), Failure("Internal error", "Resource \"DATA002\" not found. Aborting.")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ChunkEdgeSizes";
    s.Installer = "chunk-edges";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
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
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "ReadOnlyTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{ReadOnly(File("C:\\TARN\\SSCE5332.dll", "old engine"))};
    s.Boxes = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created.")};
    s.Changes = {Payload("C:\\TARN", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "HiddenTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Hidden(File("C:\\TARN\\ssce.hlp", "old help"))};
    s.Boxes = {Welcome(), Failure("Fatal error", "SSCE.HLP could not be created.")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "FolderInPlaceOfTargetIsKept";
    s.Layout = Host("C:\\TARN") + std::vector<Item>{Folder("C:\\TARN\\ssceam.tlx")};
    s.Boxes = {Welcome(), Failure("Fatal error", "ssceam.tlx could not be created.")};
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
    s.Boxes = {Welcome(), Failure("Fatal error", "SSCE5332.dll could not be created.")};
    s.Changes = {Payload("D:\\Q", 1)};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "DatesInZoneWithDaylightSavingInForceNow";
    s.TimeZone = "NZST-12NZDT,M9.5.0,M4.1.0/3";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "DatesInZoneWestOfGreenwich";
    s.TimeZone = "EST5EDT,M3.2.0,M11.1.0";
    s.Layout = Host("C:\\TARN");
    s.Boxes = {Welcome(), AltK()};
    s.Changes = {Payload("C:\\TARN")};
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
    s.Layout = Host("C:\\TARN\\Q");
    s.Layout.push_back(WinIni("[Applications]\r\nQuorlin=C:\\TARN\\Q\r\n"));
    s.Boxes = {Welcome(), Failure("Internal error", std::string("Resource \"") + damage.Resource +
                                                        "\" is damaged. Aborting.")};
    if (damage.FilesWritten > 0) s.Changes = {Payload("C:\\TARN\\Q", damage.FilesWritten)};
    table.push_back(s);
  }

  {
    // The host folder leaves no room for a payload file's name.
    Scenario s;
    s.Name = "HostFolderTooLongForPayload";
    const std::string folder = LongFolder(250);
    s.Layout = Host(folder) + std::vector<Item>{WinIni("[Applications]\r\nQuorlin=" + folder + "\r\n")};
    s.Boxes = {Welcome(), Failure("Fatal error", "SSCE.HLP could not be created (path too long).")};
    table.push_back(s);
  }
  return table;
}

}  // namespace

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> table = MakeScenarios();
  return table;
}

}  // namespace e2e
