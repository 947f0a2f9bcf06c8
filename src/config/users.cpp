// The per-user set-up: every user folder that the host lists gets a user lexicon and the
// engine's per-user entries in its own INI file.

#include "config/config.h"
#include "setup/setup.h"

namespace {

constexpr char kUserIni[] = "\\quorlin.ini";
constexpr char kUserLexicon[] = "user.tlx";
constexpr char kNewLexiconLine[] = "#LID 24941";

// The user's INI path is the longer of the two paths made in a user folder ("\user.tlx" is
// shorter), so a folder whose INI path fits has room for both.
static_assert(sizeof kUserIni > sizeof "\\user.tlx", "the INI path is the longer one");

}  // namespace

void SetUpUsers() {
  int32_t position = 0;
  while (position < Setup.UserKeyListLength) {
    // Each key name is a user folder: a full path, or one inside the host folder written "::".
    const char* key = Setup.UserKeyList + position;
    const uint32_t keyLength = BoundedLength(key, UserKeyListSize - 1 - static_cast<uint32_t>(position));
    position += static_cast<int32_t>(keyLength) + 1;
    if (keyLength >= 2 && key[0] == ':' && key[1] == ':') {
      TextAssign(&Setup.UserDir, Setup.HostDir);
      TextAppend(&Setup.UserDir, "\\");
      TextAppendChars(&Setup.UserDir, key + 2, keyLength - 2);
    } else {
      TextAssign(&Setup.UserDir, "");
      TextAppendChars(&Setup.UserDir, key, keyLength);
    }
    if (!IsExistingFolder(TextChars(&Setup.UserDir))) continue;

    // A folder too deep for its INI path cannot be set up; it counts as a lexicon that could not
    // be made, so that the final report says so, and nothing is written for it.
    if (!JoinText(Setup.UserIniPath, PathBufferSize, {TextChars(&Setup.UserDir), kUserIni})) {
      ++Setup.ErrorCount;
      continue;
    }
    ProvisionUserLexicon();
    SysWritePrivateProfileString("SSCE User", "UserLexPath", TextChars(&Setup.UserDir), Setup.UserIniPath);
    SysWritePrivateProfileString("SSCE User", "UserLexFiles", kUserLexicon, Setup.UserIniPath);
    SysWritePrivateProfileString("SSCE User", "LastSelectedLex", kUserLexicon, Setup.UserIniPath);
  }
}

void ProvisionUserLexicon() {
  char lexicon[PathBufferSize];
  if (!JoinText(lexicon, sizeof lexicon, {TextChars(&Setup.UserDir), "\\", kUserLexicon})) {
    ++Setup.ErrorCount;
    return;
  }
  // The file test never looks at dates, so a lexicon with an odd date counts as existing and is
  // never replaced.
  if (IsExistingFile(lexicon)) return;

  char hostLexicon[PathBufferSize];
  ComposeHostPath(hostLexicon, kUserLexicon);
  if (IsExistingFile(hostLexicon)) {
    SysCopyFile(hostLexicon, lexicon, false);  // a failed copy is not noticed
    return;
  }

  SysTextRewrite(&Setup.LexiconFile, lexicon);
  SysTextWriteLine(&Setup.LexiconFile, kNewLexiconLine);
  SysTextClose(&Setup.LexiconFile);
  if (SysTextIoResult(&Setup.LexiconFile) != 0) ++Setup.ErrorCount;
}
