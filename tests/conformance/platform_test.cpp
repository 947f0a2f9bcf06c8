// The platform interface against the real Windows API: every row here runs on the posix layer
// natively and on the win32 backend under Wine, and must pass on both. Output buffers are
// poisoned before each call, so that a buffer left untouched cannot pass.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support.h"

namespace {

using conformance::FreshFolder;
using conformance::LastWrite;
using conformance::ReadBytes;

constexpr char kPoison = '#';

void Put(const std::string& path, const std::string& bytes) {
  SysFile file = SysCreateFile(path.c_str(), SysAccessReadWrite, SysShareNone);
  ASSERT_NE(file, nullptr) << path;
  ASSERT_EQ(SysWriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size())),
            static_cast<int32_t>(bytes.size()));
  SysCloseFile(file);
}

// A read's result: the count and the bytes up to the count plus one (the closing NUL, and for a
// list the second NUL), so that a missing terminator shows.
std::string Read(const char* section, const char* key, const char* fallback, uint32_t size,
                 const std::string& file, uint32_t* count, uint32_t extra) {
  std::vector<char> buffer(size + 8, kPoison);
  *count = SysGetPrivateProfileString(section, key, fallback, buffer.data(), size, file.c_str());
  const uint32_t shown = *count + extra <= size ? *count + extra : size;
  return std::string(buffer.data(), shown);
}

// ---------------------------------------------------------------------------------------------
// Profile strings

const char kIni[] =
    "[S]\r\n"
    "noequals\r\n"
    ";c=comment\r\n"
    "empty=\r\n"
    "  spaced   =  sv  \r\n"
    "quoted=\"qv\"\r\n"
    "sq='sv'\r\n"
    "mq=\"abc\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "\ttab\t=\tt\t\r\n"
    "long=abcdefgh\r\n"
    "eq=a=b\r\n"
    "   lead=L\r\n"
    "\r\n"
    "[J] junk after the bracket\r\n"
    "k=j\r\n"
    "[ Sp ]\r\n"
    "k=sp\r\n"
    "[S]\r\n"
    "late=second section\r\n"
    "[E]\r\n"
    "last=no line break";

TEST(ProfileString, ReadsValuesAsWindowsDoes) {
  const std::string file = FreshFolder("profile-read") + "\\a.ini";
  Put(file, kIni);
  struct Row {
    const char* Comment;
    const char* Section;
    const char* Key;
    const char* Fallback;
    uint32_t Size;
    const char* Expected;  // the value as copied, NUL included
    uint32_t Count;
  };
  const Row rows[] = {
      {"a plain value", "S", "long", "def", 50, "abcdefgh", 8},
      {"section and key without regard to case", "s", "LONG", "def", 50, "abcdefgh", 8},
      {"blanks around key and value", "S", "spaced", "def", 50, "sv", 2},
      {"tabs around key and value", "S", "tab", "def", 50, "t", 1},
      {"blanks before the key", "S", "lead", "def", 50, "L", 1},
      {"double quotes removed", "S", "quoted", "def", 50, "qv", 2},
      {"single quotes removed", "S", "sq", "def", 50, "sv", 2},
      {"an unmatched quote stays", "S", "mq", "def", 50, "\"abc", 4},
      {"the first of two keys", "S", "dup", "def", 50, "first", 5},
      {"\"=\" inside the value", "S", "eq", "def", 50, "a=b", 3},
      {"an empty value is not the default", "S", "empty", "def", 50, "", 0},
      {"a line without \"=\" has no value", "S", "noequals", "def", 50, "def", 3},
      {"a later section of the same name", "S", "late", "def", 50, "def", 3},
      {"text after \"]\"", "J", "k", "def", 50, "j", 1},
      {"blanks inside the brackets", "Sp", "k", "def", 50, "sp", 2},
      {"the last line without a line break", "E", "last", "def", 50, "no line break", 13},
      {"a missing key", "S", "none", "def", 50, "def", 3},
      {"a missing section", "None", "k", "def", 50, "def", 3},
      {"trailing blanks of the default", "S", "none", "  dd  ", 50, "  dd", 4},
      {"a null default", "S", "none", nullptr, 50, "", 0},
      {"an empty key name", "S", "", "def", 50, "def", 3},
      {"cut to the size less one", "S", "long", "def", 4, "abc", 3},
      {"size 1 holds only the NUL", "S", "long", "def", 1, "", 0},
      {"the default is cut too", "S", "none", "default", 3, "de", 2},
  };
  for (const Row& row : rows) {
    uint32_t count = 0;
    const std::string got = Read(row.Section, row.Key, row.Fallback, row.Size, file, &count, 1);
    EXPECT_EQ(count, row.Count) << row.Comment;
    EXPECT_EQ(got, std::string(row.Expected, std::strlen(row.Expected) + 1)) << row.Comment;
  }
  uint32_t count = 1;
  char untouched = kPoison;
  count = SysGetPrivateProfileString("S", "long", "def", &untouched, 0, file.c_str());
  EXPECT_EQ(count, 0u) << "size 0";
  EXPECT_EQ(untouched, kPoison) << "size 0 writes nothing";
}

TEST(ProfileString, ListsKeyNames) {
  const std::string file = FreshFolder("profile-keys") + "\\a.ini";
  Put(file, kIni);
  // The list with its closing NUL: 51 characters, 52 bytes.
  const std::string all("empty\0spaced\0quoted\0sq\0mq\0dup\0dup\0tab\0long\0eq\0lead\0\0", 52);
  struct Row {
    const char* Comment;
    const char* Section;
    uint32_t Size;
    std::string Expected;  // the buffer's first bytes
    uint32_t Count;
    bool WineOmitsLastNul;  // known Wine difference: a cut list gets one closing NUL, not two
  };
  const std::string twoNuls("\0\0", 2);
  const Row rows[] = {
      {"keys with \"=\" but comments, in order, duplicates too", "S", 200, all, 51, false},
      {"without regard to case, one byte to spare", "s", 53, all, 51, false},
      {"a list that would fill the buffer exactly is cut", "S", 52, all.substr(0, 50) + twoNuls, 50, true},
      {"cut in the last name, ending in two NULs", "S", 50, all.substr(0, 48) + twoNuls, 48, true},
      {"cut in a name", "S", 10, std::string("empty\0sp\0\0", 10), 8, true},
      {"a missing section gives the default", "None", 50, std::string("def\0", 4), 3, false},
  };
  for (const Row& row : rows) {
    std::vector<char> buffer(row.Size + 8, kPoison);
    const uint32_t count = SysGetPrivateProfileString(row.Section, nullptr, "def", buffer.data(), row.Size,
                                                      file.c_str());
    EXPECT_EQ(count, row.Count) << row.Comment;
    const size_t compared = row.Expected.size() - (conformance::IsWindows() && row.WineOmitsLastNul ? 1 : 0);
    EXPECT_EQ(std::string(buffer.data(), compared), row.Expected.substr(0, compared)) << row.Comment;
  }
}

TEST(ProfileString, ReadsAMissingFileAsDefaults) {
  const std::string folder = FreshFolder("profile-missing");
  uint32_t count = 0;
  EXPECT_EQ(Read("S", "k", "def", 50, folder + "\\none.ini", &count, 1), std::string("def\0", 4));
  EXPECT_EQ(Read("Users", nullptr, "", 50, folder + "\\none.ini", &count, 1), std::string("\0", 1));
  EXPECT_EQ(count, 0u);
}

std::string Value(const std::string& file, const char* section, const char* key) {
  char buffer[300];
  std::memset(buffer, kPoison, sizeof buffer);
  SysGetPrivateProfileString(section, key, "<none>", buffer, sizeof buffer, file.c_str());
  return buffer;
}

TEST(ProfileString, WritesCreateReplaceAndRemove) {
  const std::string folder = FreshFolder("profile-write");
  const std::string file = folder + "\\quorlin.ini";
  // A write creates the file, then a section, then a key; another replaces a value in place.
  EXPECT_TRUE(SysWritePrivateProfileString("Spell Check", "Engine32", "C:\\TARN\\ssce5332.dll", file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[Spell Check]\r\nEngine32=C:\\TARN\\ssce5332.dll\r\n");
  EXPECT_TRUE(SysWritePrivateProfileString("SSCE", "HelpFile", "old", file.c_str()));
  EXPECT_TRUE(SysWritePrivateProfileString("SSCE", "MainLexPath", "C:\\TARN", file.c_str()));
  EXPECT_TRUE(SysWritePrivateProfileString("ssce", "HELPFILE", "C:\\TARN\\ssce.hlp", file.c_str()));
  EXPECT_TRUE(SysWritePrivateProfileString("Spell Check", "Other", "1", file.c_str()));
  EXPECT_EQ(ReadBytes(file),
            "[Spell Check]\r\nEngine32=C:\\TARN\\ssce5332.dll\r\nOther=1\r\n"
            "[SSCE]\r\nHelpFile=C:\\TARN\\ssce.hlp\r\nMainLexPath=C:\\TARN\r\n");
  // A null value removes the key, a null key the section.
  EXPECT_TRUE(SysWritePrivateProfileString("Spell Check", "Other", nullptr, file.c_str()));
  EXPECT_EQ(Value(file, "Spell Check", "Other"), "<none>");
  EXPECT_TRUE(SysWritePrivateProfileString("SSCE", nullptr, nullptr, file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[Spell Check]\r\nEngine32=C:\\TARN\\ssce5332.dll\r\n");
}

TEST(ProfileString, WriteKeepsOtherEntries) {
  const std::string file = FreshFolder("profile-keep") + "\\quorlin.ini";
  Put(file, "[Common]\r\nVersion=42\r\n[SSCE]\r\nMainLexFiles=old\r\nKeep=this\r\n[Users]\r\n::users\\anna=\r\n");
  EXPECT_TRUE(SysWritePrivateProfileString("SSCE", "MainLexFiles", "SSCEAM.TLX,SSCEAM2.CLX", file.c_str()));
  EXPECT_EQ(ReadBytes(file),
            "[Common]\r\nVersion=42\r\n[SSCE]\r\nMainLexFiles=SSCEAM.TLX,SSCEAM2.CLX\r\nKeep=this\r\n"
            "[Users]\r\n::users\\anna=\r\n");
}

TEST(ProfileString, WriteFailsWithoutItsFolderOrOnAReadOnlyFile) {
  const std::string folder = FreshFolder("profile-fail");
  EXPECT_FALSE(SysWritePrivateProfileString("S", "k", "v", (folder + "\\missing\\q.ini").c_str()));
  EXPECT_EQ(SysGetFileAttributes((folder + "\\missing").c_str()), SysInvalidAttributes);
  const std::string file = folder + "\\ro.ini";
  Put(file, "[S]\r\nk=1\r\n");
  conformance::SetReadOnly(file, true);
  EXPECT_FALSE(SysWritePrivateProfileString("S", "k", "2", file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[S]\r\nk=1\r\n");
  conformance::SetReadOnly(file, false);
}

TEST(ProfileString, WinIniIsTheFileInTheWindowsFolder) {
  ASSERT_TRUE(SysWriteProfileString("Lexorin Conformance", "Quorlin", "D:\\Mail"));
  char buffer[64];
  std::memset(buffer, kPoison, sizeof buffer);
  EXPECT_EQ(SysGetProfileString("lexorin conformance", "QUORLIN", "C:\\TARN", buffer, sizeof buffer), 7u);
  EXPECT_STREQ(buffer, "D:\\Mail");
  EXPECT_EQ(Value("C:\\windows\\win.ini", "Lexorin Conformance", "Quorlin"), "D:\\Mail");
  EXPECT_TRUE(SysWriteProfileString("Lexorin Conformance", nullptr, nullptr));
  std::memset(buffer, kPoison, sizeof buffer);
  EXPECT_EQ(SysGetProfileString("Lexorin Conformance", "Quorlin", "C:\\TARN", buffer, 5), 4u);
  EXPECT_STREQ(buffer, "C:\\T");
}

// ---------------------------------------------------------------------------------------------
// Files and folders

TEST(Files, AttributesAndSearches) {
  const std::string folder = FreshFolder("files-search");
  Put(folder + "\\ssceam2.clx", "x");
  Put(folder + "\\Quorlin.INI", "x");
  conformance::MakeFolder(folder + "\\extra.clx");
  conformance::MakeFolder(folder + "\\sub");
  Put(folder + "\\ro.dll", "x");
  conformance::SetReadOnly(folder + "\\ro.dll", true);

  EXPECT_EQ(SysGetFileAttributes((folder + "\\ssceam2.clx").c_str()), SysAttributeArchive);
  EXPECT_EQ(SysGetFileAttributes((folder + "\\SUB").c_str()), SysAttributeDirectory);
  EXPECT_EQ(SysGetFileAttributes((folder + "\\ro.dll").c_str()), SysAttributeArchive | SysAttributeReadOnly);
  EXPECT_EQ(SysGetFileAttributes((folder + "\\none").c_str()), SysInvalidAttributes);
  EXPECT_EQ(SysGetFileAttributes((folder + "\\none\\x").c_str()), SysInvalidAttributes);
  EXPECT_EQ(SysGetFileAttributes((folder + "\\sub\\").c_str()), SysAttributeDirectory);

  struct Row {
    const char* Comment;
    std::string Pattern;
    const char* First;  // the entry found first, or null for none
    uint32_t Attributes;
  };
  const Row rows[] = {
      {"a file by its name, another case", folder + "\\QUORLIN.ini", "Quorlin.INI", SysAttributeArchive},
      {"a folder by its name", folder + "\\sub", "sub", SysAttributeDirectory},
      {"a missing name", folder + "\\quorlinx.exe", nullptr, 0},
      {"a pattern matching a folder and a file", folder + "\\*.clx", "extra.clx", SysAttributeDirectory},
      {"a pattern without regard to case", folder + "\\*.CLX", "extra.clx", SysAttributeDirectory},
      {"\"?\" for one character", folder + "\\ssceam?.clx", "ssceam2.clx", SysAttributeArchive},
      {"a pattern that matches nothing", folder + "\\*.tlx", nullptr, 0},
      {"a pattern in a missing folder", folder + "\\none\\*.clx", nullptr, 0},
  };
  for (const Row& row : rows) {
    SysFindData found;
    std::memset(&found, kPoison, sizeof found);
    SysSearch search = SysFindFirstFile(row.Pattern.c_str(), &found);
    if (row.First == nullptr) {
      EXPECT_EQ(search, nullptr) << row.Comment;
      continue;
    }
    ASSERT_NE(search, nullptr) << row.Comment;
    EXPECT_STREQ(found.Name, row.First) << row.Comment;
    EXPECT_EQ(found.Attributes, row.Attributes) << row.Comment;
    SysFindClose(search);
  }
  conformance::SetReadOnly(folder + "\\ro.dll", false);
}

TEST(Files, CreateTruncatesAndRefusesWhatWindowsRefuses) {
  const std::string folder = FreshFolder("files-create");
  Put(folder + "\\a.dat", std::string(40000, 'o'));
  Put(folder + "\\a.dat", "new");
  EXPECT_EQ(ReadBytes(folder + "\\a.dat"), "new");

  Put(folder + "\\ro.dat", "old");
  conformance::SetReadOnly(folder + "\\ro.dat", true);
  conformance::MakeFolder(folder + "\\dir");
  struct Row {
    const char* Comment;
    std::string Path;
    bool WineAccepts;  // known Wine difference: Windows refuses it, Wine does not
  };
  const Row refused[] = {
      {"a read-only file", folder + "\\ro.dat", false},
      {"a folder", folder + "\\dir", false},
      {"a missing folder", folder + "\\none\\a.dat", false},
      {"an invalid name", folder + "\\a?.dat", false},
      {"a path of MAX_PATH characters", folder + "\\" + std::string(PathBufferSize - folder.size() - 1, 'a'), true},
  };
  for (const Row& row : refused) {
    SysFile file = SysCreateFile(row.Path.c_str(), SysAccessReadWrite, SysShareNone);
    if (conformance::IsWindows() && row.WineAccepts) {
      SysCloseFile(file);
      SysDeleteFile(row.Path.c_str());
      continue;
    }
    EXPECT_EQ(file, nullptr) << row.Comment;
  }
  EXPECT_EQ(ReadBytes(folder + "\\ro.dat"), "old");
  conformance::SetReadOnly(folder + "\\ro.dat", false);
  EXPECT_EQ(SysWriteFile(nullptr, "x", 1), -1) << "a write without a file fails";
}

TEST(Files, WriteReportsTheCountAndWritesNothingForZero) {
  const std::string path = FreshFolder("files-write") + "\\w.dat";
  SysFile file = SysCreateFile(path.c_str(), SysAccessReadWrite, SysShareNone);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(SysWriteFile(file, "abc", 0), 0);
  EXPECT_EQ(SysWriteFile(file, "abc", 3), 3);
  SysCloseFile(file);
  EXPECT_EQ(ReadBytes(path), "abc");
}

// 2001-05-29 11:07:50 as a DOS date and time.
constexpr uint16_t kDosDate = ((2001 - 1980) << 9) | (5 << 5) | 29;
constexpr uint16_t kDosTime = (11 << 11) | (7 << 5) | (50 / 2);

TEST(Files, DatesFromDosDateAndTime) {
  // Run with TZ=UTC: the local time is then the UTC time.
  const std::string folder = FreshFolder("files-dates");
  struct Row {
    const char* Comment;
    uint16_t Date, Time;
    bool Set;
    int64_t Expected;  // seconds since 1970 when set
  };
  const Row rows[] = {
      {"a date of the payload", kDosDate, kDosTime, true, 991134470},
      {"the first DOS date", (0 << 9) | (1 << 5) | 1, 0, true, 315532800},
      {"the last DOS date", (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, true, 4354819198},
      {"29 February of a leap year", (20 << 9) | (2 << 5) | 29, 0, true, 951782400},
      {"month 13", (21 << 9) | (13 << 5) | 1, 0, false, 0},
      {"month 0", (21 << 9) | (0 << 5) | 1, 0, false, 0},
      {"day 0", (21 << 9) | (5 << 5) | 0, 0, false, 0},
      {"30 February", (21 << 9) | (2 << 5) | 30, 0, false, 0},
      {"hour 24", kDosDate, (24 << 11), false, 0},
      {"minute 60", kDosDate, (60 << 5), false, 0},
      {"second 60", kDosDate, 30, false, 0},
  };
  int i = 0;
  for (const Row& row : rows) {
    const std::string path = folder + "\\d" + std::to_string(i++) + ".dat";
    SysFile file = SysCreateFile(path.c_str(), SysAccessReadWrite, SysShareNone);
    ASSERT_NE(file, nullptr);
    SysWriteFile(file, "x", 1);
    EXPECT_EQ(SysSetFileTimeFromDos(file, row.Date, row.Time), row.Set) << row.Comment;
    SysCloseFile(file);
    if (row.Set) EXPECT_EQ(LastWrite(path), row.Expected) << row.Comment;
  }
}

TEST(Files, TemporaryFilesMoveAndDelete) {
  const std::string folder = FreshFolder("files-temp");
  char first[PathBufferSize], second[PathBufferSize];
  std::memset(first, kPoison, sizeof first);
  ASSERT_TRUE(SysGetTempFileName(folder.c_str(), "lxs", first));
  ASSERT_TRUE(SysGetTempFileName(folder.c_str(), "lxs", second));
  EXPECT_STRNE(first, second);
  const std::string name = std::string(first).substr(folder.size() + 1);
  EXPECT_EQ(name.substr(0, 3), "lxs") << name;
  EXPECT_TRUE(name.size() > 7 && (name.substr(name.size() - 4) == ".tmp" || name.substr(name.size() - 4) == ".TMP"))
      << name;
  EXPECT_EQ(ReadBytes(first), "") << "the name is taken by an empty file";
  EXPECT_FALSE(SysGetTempFileName((folder + "\\none").c_str(), "lxs", second));

  Put(first, "new");
  Put(folder + "\\target.dll", "old and longer");
  EXPECT_TRUE(SysMoveFileReplace(first, (folder + "\\target.dll").c_str()));
  EXPECT_EQ(ReadBytes(folder + "\\target.dll"), "new");
  EXPECT_EQ(SysGetFileAttributes(first), SysInvalidAttributes);

  conformance::MakeFolder(folder + "\\dir");
  EXPECT_FALSE(SysMoveFileReplace(second, (folder + "\\dir").c_str())) << "a folder is not replaced";
  EXPECT_TRUE(SysDeleteFile(second));
  EXPECT_FALSE(SysDeleteFile(second));
}

TEST(Files, CopyReplacesUnlessAskedNotTo) {
  const std::string folder = FreshFolder("files-copy");
  const std::string source = folder + "\\user.tlx";
  Put(source, "#LID 24941\r\nword\r\n");
  conformance::SetLastWrite(source, 1592222400);
  const std::string target = folder + "\\copy.tlx";
  EXPECT_TRUE(SysCopyFile(source.c_str(), target.c_str(), false));
  EXPECT_EQ(ReadBytes(target), "#LID 24941\r\nword\r\n");
  EXPECT_EQ(LastWrite(target), 1592222400) << "a copy keeps the date";
  Put(target, "other");
  EXPECT_FALSE(SysCopyFile(source.c_str(), target.c_str(), true));
  EXPECT_EQ(ReadBytes(target), "other");
  EXPECT_TRUE(SysCopyFile(source.c_str(), target.c_str(), false));
  EXPECT_EQ(ReadBytes(target), "#LID 24941\r\nword\r\n");
  EXPECT_FALSE(SysCopyFile((folder + "\\none.tlx").c_str(), target.c_str(), false));
  EXPECT_FALSE(SysCopyFile(source.c_str(), (folder + "\\none\\x.tlx").c_str(), false));
}

TEST(TextFile, WritesALineAndSharesOneStatus) {
  const std::string folder = FreshFolder("text-file");
  SysTextFile text = {};
  SysTextRewrite(&text, (folder + "\\user.tlx").c_str());
  SysTextWriteLine(&text, "#LID 24941");
  SysTextClose(&text);
  EXPECT_EQ(SysTextIoResult(&text), 0);
  EXPECT_EQ(ReadBytes(folder + "\\user.tlx"), "#LID 24941\r\n");

  // Every step of a failed creation fails; the status is read once and then cleared.
  SysTextRewrite(&text, (folder + "\\none\\user.tlx").c_str());
  SysTextWriteLine(&text, "#LID 24941");
  SysTextClose(&text);
  EXPECT_NE(SysTextIoResult(&text), 0);
  EXPECT_EQ(SysTextIoResult(&text), 0);

  const std::string tooLong = folder + "\\" + std::string(PathBufferSize, 'u');
  SysTextRewrite(&text, tooLong.c_str());
  SysTextClose(&text);
  EXPECT_NE(SysTextIoResult(&text), 0);
}

}  // namespace
