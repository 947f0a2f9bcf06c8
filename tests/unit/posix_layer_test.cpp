// What the posix layer promises beyond what Windows and it share (those rows are in
// tests/conformance): how drives and names are mapped, that an INI edit keeps every other byte,
// and that Windows' rules on attributes hold when the tests run as root.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/platform.h"
#include "platform/posix/posix.h"

namespace fs = std::filesystem;

namespace {

class PosixLayer : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lexorin-layer-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directories(root_ + "/c/windows");
    fs::create_directories(root_ + "/d");
    ::setenv("LEXORIN_ROOT", root_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code error;
    for (const auto& item : fs::recursive_directory_iterator(root_, error)) {
      fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root_, error);
    ::unsetenv("LEXORIN_ROOT");
  }
  std::string Linux(const std::string& relative) const { return root_ + "/" + relative; }
  void Put(const std::string& relative, const std::string& bytes) const {
    fs::create_directories(fs::path(Linux(relative)).parent_path());
    std::ofstream(Linux(relative), std::ios::binary) << bytes;
  }
  std::string Get(const std::string& relative) const {
    std::ifstream in(Linux(relative), std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
  }

  std::string root_;
};

TEST_F(PosixLayer, MapsDrivesAndNamesWithoutRegardToCase) {
  Put("c/Tarn/Users/Anna/x.txt", "x");
  struct Row {
    const char* Windows;
    posix::MapResult Result;
    const char* Linux;  // below the root
    bool Exists;
  };
  const Row rows[] = {
      {"C:\\TARN\\users\\ANNA\\X.TXT", posix::MapResult::Ok, "c/Tarn/Users/Anna/x.txt", true},
      {"c:/tarn/users/anna/x.txt", posix::MapResult::Ok, "c/Tarn/Users/Anna/x.txt", true},  // "/" as "\"
      {"\\TARN\\x", posix::MapResult::Ok, "c/Tarn/x", false},            // no drive: drive C
      {"TARN\\Users", posix::MapResult::Ok, "c/Tarn/Users", true},       // relative to C:\ .
      {"D:new\\file", posix::MapResult::Ok, "d/new/file", false},        // drive-relative: its root
      {"C:\\TARN\\..\\..\\..\\TARN", posix::MapResult::Ok, "c/Tarn", true},  // never above the drive
      {"C:\\TARN\\.\\\\Users\\", posix::MapResult::Ok, "c/Tarn/Users", true},  // "." and empty parts
      {"C:\\TARN.. \\Users", posix::MapResult::Ok, "c/Tarn/Users", true},  // trailing dots and blanks
      {"E:\\x", posix::MapResult::NoDrive, "", false},                   // no folder for drive E
      {"::users\\anna", posix::MapResult::Invalid, "", false},           // ":" in a name
      {"C:\\TARN\\a*b", posix::MapResult::Invalid, "", false},           // wildcards are not names
      {"\\\\server\\share\\x", posix::MapResult::Invalid, "", false},    // UNC paths not provided
      {"", posix::MapResult::Invalid, "", false},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    posix::MappedPath mapped;
    EXPECT_EQ(posix::MapPath(rows[i].Windows, &mapped), rows[i].Result) << "row " << i;
    if (rows[i].Result != posix::MapResult::Ok) continue;
    EXPECT_EQ(mapped.Linux, Linux(rows[i].Linux)) << "row " << i;
    EXPECT_EQ(mapped.Exists, rows[i].Exists) << "row " << i;
  }
}

TEST_F(PosixLayer, RefusesPathsOfMaxPathCharactersOrMore) {
  posix::MappedPath mapped;
  const std::string longest = "C:\\" + std::string(MaxPathLength - 3, 'a');
  EXPECT_EQ(posix::MapPath(longest.c_str(), &mapped), posix::MapResult::Ok);
  EXPECT_EQ(posix::MapPath((longest + "a").c_str(), &mapped), posix::MapResult::TooLong);
}

TEST_F(PosixLayer, WildcardsOnlyInTheLastPartOfASearch) {
  posix::MappedPath mapped;
  EXPECT_EQ(posix::MapPath("C:\\TARN\\*.clx", &mapped, true), posix::MapResult::Ok);
  EXPECT_EQ(posix::MapPath("C:\\T*\\x.clx", &mapped, true), posix::MapResult::Invalid);
}

TEST_F(PosixLayer, IniWriteKeepsEveryOtherByte) {
  // Odd spacing, a comment, blank lines, LF-only endings and a last line without a break: a
  // Windows edit keeps them all.
  const std::string before =
      "; host settings\r\n[Common]\r\n  Version = 42  \r\n\r\n[SSCE]\nHelpFile = old.hlp\n"
      "Other=1\n\n[Users]\r\n::users\\anna=x";
  Put("c/ini/q.ini", before);
  ASSERT_TRUE(SysWritePrivateProfileString("ssce", "HELPFILE", "C:\\TARN\\ssce.hlp", "C:\\ini\\q.ini"));
  ASSERT_TRUE(SysWritePrivateProfileString("SSCE", "MainLexPath", "C:\\TARN", "C:\\ini\\q.ini"));
  ASSERT_TRUE(SysWritePrivateProfileString("Users", "::users\\ben", "y", "C:\\ini\\q.ini"));
  ASSERT_TRUE(SysWritePrivateProfileString("Spell Check", "Engine32", "e.dll", "C:\\ini\\q.ini"));
  EXPECT_EQ(Get("c/ini/q.ini"),
            "; host settings\r\n[Common]\r\n  Version = 42  \r\n\r\n[SSCE]\nHelpFile=C:\\TARN\\ssce.hlp\n"
            "Other=1\nMainLexPath=C:\\TARN\r\n\n[Users]\r\n::users\\anna=x\r\n::users\\ben=y\r\n"
            "[Spell Check]\r\nEngine32=e.dll\r\n");
}

TEST_F(PosixLayer, BrokenIniFilesReadAsWellAsTheyCan) {
  struct Row {
    const char* Comment;
    std::string Bytes;
    const char* Expected;  // the value of [Common] Version (two characters at most), or "-"
  };
  const Row rows[] = {
      {"NUL bytes end the text of their line", std::string("[Common]\r\nVersion=42\0junk\r\n", 24), "42"},
      {"a header without its bracket is no section", "[Common\r\nVersion=42\r\n", "-"},
      {"an empty section name", "[]\r\nVersion=42\r\n[Common]\r\nVersion=43", "43"},
      {"carriage returns alone do not end lines", "[Common]\rVersion=42\r", "-"},
      {"a line of a megabyte", "[Common]\r\nVersion=" + std::string(1 << 20, '4') + "\r\n", "44"},
      {"an empty file", "", "-"},
  };
  for (const Row& row : rows) {
    Put("c/broken.ini", row.Bytes);
    char buffer[3];
    SysGetPrivateProfileString("Common", "Version", "-", buffer, sizeof buffer, "C:\\broken.ini");
    EXPECT_STREQ(buffer, row.Expected) << row.Comment;
    // A write keeps whatever it does not change.
    ASSERT_TRUE(SysWritePrivateProfileString("SSCE", "HelpFile", "h", "C:\\broken.ini")) << row.Comment;
    EXPECT_EQ(Get("c/broken.ini").substr(0, row.Bytes.size()), row.Bytes) << row.Comment;
  }
}

TEST_F(PosixLayer, IniWriteCreatesFileButNotFolder) {
  EXPECT_TRUE(SysWritePrivateProfileString("SSCE User", "UserLexFiles", "user.tlx", "C:\\new.ini"));
  EXPECT_EQ(Get("c/new.ini"), "[SSCE User]\r\nUserLexFiles=user.tlx\r\n");
  EXPECT_FALSE(SysWritePrivateProfileString("S", "k", "v", "C:\\missing\\new.ini"));
  EXPECT_FALSE(fs::exists(Linux("c/missing")));
}

TEST_F(PosixLayer, IniWriteKeepsModeAndLeavesNoHelperFile) {
  Put("c/q.ini", "[S]\r\nk=1\r\n");
  ::chmod(Linux("c/q.ini").c_str(), 0640);
  ASSERT_TRUE(SysWritePrivateProfileString("S", "k", "2", "C:\\q.ini"));
  struct stat info;
  ASSERT_EQ(::stat(Linux("c/q.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(Linux("c")), fs::directory_iterator()), 2);  // windows, q.ini
}

TEST_F(PosixLayer, ReadOnlyHoldsEvenForRoot) {
  Put("c/TARN/ro.ini", "[S]\r\nk=1\r\n");
  Put("c/TARN/ro.dll", "old");
  ::chmod(Linux("c/TARN/ro.ini").c_str(), 0444);
  ::chmod(Linux("c/TARN/ro.dll").c_str(), 0444);
  EXPECT_FALSE(SysWritePrivateProfileString("S", "k", "2", "C:\\TARN\\ro.ini"));
  EXPECT_EQ(SysCreateFile("C:\\TARN\\ro.dll", SysAccessReadWrite, SysShareNone), nullptr);
  EXPECT_FALSE(SysDeleteFile("C:\\TARN\\ro.dll"));
  EXPECT_EQ(Get("c/TARN/ro.ini"), "[S]\r\nk=1\r\n");
  EXPECT_EQ(Get("c/TARN/ro.dll"), "old");
  EXPECT_EQ(SysGetFileAttributes("C:\\TARN\\ro.dll") & SysAttributeReadOnly, SysAttributeReadOnly);

  // A folder without write permission takes no new entries.
  fs::create_directories(Linux("c/locked"));
  ::chmod(Linux("c/locked").c_str(), 0555);
  EXPECT_EQ(SysCreateFile("C:\\locked\\user.tlx", SysAccessWrite, SysShareRead), nullptr);
  char temp[PathBufferSize];
  EXPECT_FALSE(SysGetTempFileName("C:\\locked", "lxs", temp));
  EXPECT_TRUE(fs::is_empty(Linux("c/locked")));
}

TEST_F(PosixLayer, HiddenAndSystemComeFromTheDosAttributeWord) {
  Put("c/h.hlp", "old");
  Put("c/s.hlp", "old");
  ASSERT_EQ(::setxattr(Linux("c/h.hlp").c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
  ASSERT_EQ(::setxattr(Linux("c/s.hlp").c_str(), "user.DOSATTRIB", "0x24", 4, 0), 0);
  EXPECT_EQ(SysGetFileAttributes("C:\\h.hlp"), SysAttributeArchive | SysAttributeHidden);
  EXPECT_EQ(SysGetFileAttributes("C:\\s.hlp"), SysAttributeArchive | SysAttributeSystem);
  // Creating over them with normal attributes fails, as on Windows.
  EXPECT_EQ(SysCreateFile("C:\\h.hlp", SysAccessReadWrite, SysShareNone), nullptr);
  EXPECT_EQ(SysCreateFile("C:\\s.hlp", SysAccessReadWrite, SysShareNone), nullptr);
  EXPECT_EQ(Get("c/h.hlp"), "old");
}

TEST_F(PosixLayer, WriteBeyondFileSizeLimitFailsInsteadOfEndingTheProcess) {
  SysStartUp();  // ignores SIGXFSZ
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limit = {4096, old.rlim_max};
  SysFile file = SysCreateFile("C:\\big.dat", SysAccessReadWrite, SysShareNone);
  ASSERT_NE(file, nullptr);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::string chunk(16384, 'x');
  const int32_t written = SysWriteFile(file, chunk.data(), static_cast<uint32_t>(chunk.size()));
  ::setrlimit(RLIMIT_FSIZE, &old);
  SysCloseFile(file);
  EXPECT_EQ(written, -1);
}

}  // namespace
