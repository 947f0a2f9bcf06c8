// Cutting the folder from the path chosen in the locate dialog.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "setup/setup.h"

namespace {

struct Row {
  const char* Comment;
  const char* CodePage;  // LEXORIN_CODEPAGE, or null for a single-byte code page
  std::string Path;
  std::string Folder;
};

TEST(CutAtLastSeparator, KeepsTheFolderOfTheChosenFile) {
  const Row rows[] = {
      {"a file in a folder", nullptr, "D:\\Apps\\Q\\quorlin32.exe", "D:\\Apps\\Q"},
      {"a file at a drive's root keeps only the drive", nullptr, "D:\\quorlinx.exe", "D:"},
      {"a drive-relative name cuts at the colon", nullptr, "D:quorlinx.exe", "D"},
      {"no separator at all: unchanged", nullptr, "quorlinx.exe", "quorlinx.exe"},
      {"a trailing separator goes", nullptr, "C:\\TARN\\", "C:\\TARN"},
      // Shift-JIS: 0x95 0x5C is one character whose second byte is "\".
      {"a trail byte equal to \\ is no separator", "932", "C:\\\x95\x5C\\quorlinx.exe", "C:\\\x95\x5C"},
      {"the same bytes in a single-byte code page", nullptr, "C:\\\x95\x5C\\quorlinx.exe", "C:\\\x95\x5C"},
      {"the last trail byte is no separator", "932", "C:\\Q\\\x95\x5C", "C:\\Q"},
      {"but is one in a single-byte code page", nullptr, "C:\\Q\\\x95\x5C", "C:\\Q\\\x95"},
      {"a lead byte at the very end", "932", "C:\\Q\\\x95", "C:\\Q"},
  };
  for (const Row& row : rows) {
    if (row.CodePage != nullptr) {
      ::setenv("LEXORIN_CODEPAGE", row.CodePage, 1);
    } else {
      ::unsetenv("LEXORIN_CODEPAGE");
    }
    char path[PathBufferSize];
    JoinText(path, sizeof path, {row.Path.c_str()});
    CutAtLastSeparator(path);
    EXPECT_EQ(std::string(path), row.Folder) << row.Comment;
  }
  ::unsetenv("LEXORIN_CODEPAGE");
}

}  // namespace
