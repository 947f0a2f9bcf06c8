// Scenarios of the engine's entries in the host INI and of setting up the host's users.

#include "scenario.h"

namespace e2e {
namespace {

const std::string kHostIni = "[Common]\r\nVersion=42\r\n";

Box DoneWithErrors() { return Box{"", "Installation done, but errors encountered during installation."}; }

// A user folder dated outside the DOS range (1980 to 2107).
Item Dated(Item item, int64_t modified) {
  item.Modified = modified;
  return item;
}

}  // namespace

std::vector<Scenario> UserScenarios() {
  std::vector<Scenario> table;
  {
    Scenario s;
    s.Name = "EmptyUsersSection";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n") + std::vector<Item>{Folder("C:\\TARN\\users\\anna")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN");
    table.push_back(s);
  }
  {
    // "::" names a folder inside the host folder; a folder that does not exist is passed over.
    Scenario s;
    s.Name = "UsersInsideTheHostFolder";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::users\\anna=\r\n::users\\gone=\r\n::users\\ben=x\r\n") +
               std::vector<Item>{Folder("C:\\TARN\\users\\anna"), Folder("C:\\TARN\\users\\ben")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\anna") + UserSetUp("C:\\TARN\\users\\ben");
    table.push_back(s);
  }
  {
    // One leading colon is no "::": the key is taken as it is, names no folder, and is passed
    // over; a full path is taken as it is.
    Scenario s;
    s.Name = "SingleColonAndFullPathTakenAsTheyAre";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n:users\\anna=\r\nD:\\mail\\ben=\r\n") +
               std::vector<Item>{Folder("C:\\TARN\\users\\anna"), Folder("D:\\mail\\ben")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("D:\\mail\\ben");
    table.push_back(s);
  }
  {
    // "::" alone is the host folder itself, with a separator after it.
    Scenario s;
    s.Name = "DoubleColonAloneSetsUpTheHostFolder";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::=\r\n");
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("C:\\TARN\\");
    table.push_back(s);
  }
  {
    // An existing lexicon is left alone, whatever its date; the entries are written all the same.
    Scenario s;
    s.Name = "ExistingUserLexiconIsKept";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::users\\anna=\r\n::users\\ben=\r\n") +
               std::vector<Item>{Dated(File("C:\\TARN\\users\\anna\\user.tlx", "#LID 24941\r\nanna's words\r\n"),
                                       157766400),  // 1975
                                 Dated(File("C:\\TARN\\users\\ben\\user.tlx", "#LID 24941\r\nben's words\r\n"),
                                       7258118400)};  // 2200
    s.Steps = {Welcome(), AltK()};
    s.Changes =
        Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\anna", "") + UserSetUp("C:\\TARN\\users\\ben", "");
    table.push_back(s);
  }
  {
    Scenario s;
    s.Name = "HostLexiconIsCopiedToTheUser";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::users\\anna=\r\n") +
               std::vector<Item>{File("C:\\TARN\\user.tlx", "#LID 24941\r\nhost words\r\n"),
                                 Folder("C:\\TARN\\users\\anna")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\anna", "#LID 24941\r\nhost words\r\n");
    table.push_back(s);
  }
  {
    // Anna's folder may not be written to: her lexicon cannot be made, her existing INI file still
    // gets the entries, Ben is set up, and the report says that something failed.
    Scenario s;
    s.Name = "LexiconThatCannotBeMadeIsReported";
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::users\\anna=\r\n::users\\ben=\r\n") +
               std::vector<Item>{ReadOnly(Folder("C:\\TARN\\users\\anna")),
                                 File("C:\\TARN\\users\\anna\\quorlin.ini", "[Mail]\r\nSignature=Anna\r\n"),
                                 Folder("C:\\TARN\\users\\ben")};
    s.Steps = {Welcome(), DoneWithErrors()};
    s.Changes =
        Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\anna", "") + UserSetUp("C:\\TARN\\users\\ben");
    table.push_back(s);
  }
  {
    // A user folder of 249 characters, too deep for its INI path (261 characters), is not set up
    // and counts as a failed lexicon; the next user is set up.
    Scenario s;
    s.Name = "UserFolderTooDeepIsReported";
    const std::string deep = "users\\" + std::string(50, 'd') + "\\" + std::string(50, 'd') + "\\" +
                             std::string(50, 'd') + "\\" + std::string(50, 'd') + "\\" + std::string(31, 'd');
    s.Layout = Host("C:\\TARN", kHostIni + "[Users]\r\n::" + deep + "=\r\n::users\\ben=\r\n") +
               std::vector<Item>{Folder("C:\\TARN\\" + deep), Folder("C:\\TARN\\users\\ben")};
    s.Steps = {Welcome(), DoneWithErrors()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\ben");
    table.push_back(s);
  }
  {
    // 45 keys of 64 characters do not fit the 2561-byte list: it is cut in the 40th key, whose
    // cut name is used as it is and names no folder. Keys 1 to 39 are set up.
    Scenario s;
    s.Name = "KeyListLongerThanItsBuffer";
    std::string users = "[Users]\r\n";
    std::vector<Item> folders;
    std::vector<Change> setUp;
    for (int i = 1; i <= 45; ++i) {
      const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
      const std::string folder = "users\\u" + number + std::string(53, 'x');
      users += "::" + folder + "=\r\n";
      if (i == 1 || i == 39 || i == 40 || i == 41) folders.push_back(Folder("C:\\TARN\\" + folder));
      if (i == 1 || i == 39) setUp = setUp + UserSetUp("C:\\TARN\\" + folder);
    }
    s.Layout = Host("C:\\TARN", kHostIni + users) + folders;
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + setUp;
    table.push_back(s);
  }
  {
    // A second run leaves one copy of each entry and every other entry as it was.
    Scenario s;
    s.Name = "SecondRunLeavesOneCopyOfEachEntry";
    s.Runs = 2;
    s.Layout = Host("C:\\TARN", kHostIni +
                                    "[Spell Check]\r\nDictionary=keep\r\n[SSCE]\r\nExtra=keep\r\n"
                                    "[Users]\r\n::users\\anna=\r\n") +
               std::vector<Item>{File("C:\\TARN\\users\\anna\\quorlin.ini",
                                      "[SSCE User]\r\nOther=keep\r\n[Mail]\r\nSignature=Anna\r\n")};
    s.Steps = {Welcome(), AltK()};
    s.Changes = Installed("C:\\TARN") + UserSetUp("C:\\TARN\\users\\anna");
    table.push_back(s);
  }
  return table;
}

}  // namespace e2e
