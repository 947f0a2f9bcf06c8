// Finding the host folder: the folder from WIN.INI when it holds the host's INI file, otherwise
// the folder of the host program that the user locates in the open-file dialog.

#include <cstring>

#include "setup/setup.h"

namespace {

constexpr char kHostProgram[] = "quorlinx.exe";
constexpr char kHostIni[] = "quorlin.ini";
// The dialog's filter: one description and pattern, the list closed by an empty text.
constexpr char kFilter[] = "Quorlin program\0quorlin*.exe\0";
// The file name buffer holds a path of up to 256 characters.
constexpr uint32_t kDialogFileCapacity = 257;
constexpr uint32_t kDialogFlags = SysOfnFileMustExist | SysOfnNoChangeDir | SysOfnHideReadOnly;

// The record's size is the one that includes the reserved and extended-flags fields: 88 bytes
// in this 32-bit program (a 64-bit build has its own).
static_assert(sizeof(void*) != 4 || sizeof(SysOpenFileName) == 88, "OPENFILENAME is 88 bytes");
static_assert(kDialogFlags == 4108, "file must exist, keep the current folder, no read-only box");
static_assert(kDialogFileCapacity <= sizeof Setup.DialogFileName, "the dialog is told less than it has");

// One attempt: the prompt, then the dialog. Returns true when the user chose a file; HostDir
// then holds its folder.
bool AskForHostProgram() {
  ComposeMessage({"Please locate the Quorlin program (", kHostProgram, ")"});
  ConfirmInLoopOrExit(Setup.MessageText, "Quorlin not found in default folder");

  JoinText(Setup.DialogFileName, sizeof Setup.DialogFileName, {kHostProgram});
  SysOpenFileName& record = Setup.OpenFileName;
  std::memset(&record, 0, sizeof record);
  record.StructSize = sizeof record;
  record.Owner = nullptr;
  record.Filter = kFilter;
  record.File = Setup.DialogFileName;
  record.MaxFile = kDialogFileCapacity;
  record.InitialDir = Setup.HostDir;
  record.Title = "Locate Quorlin Folder";
  record.Flags = kDialogFlags;
  if (SysGetOpenFileName(&record) == 0) return false;

  // The dialog writes at most kDialogFileCapacity bytes, so the path fits HostDir.
  Setup.DialogFileName[kDialogFileCapacity - 1] = 0;
  JoinText(Setup.HostDir, HostDirSize, {Setup.DialogFileName});
  CutAtLastSeparator(Setup.HostDir);
  return true;
}

}  // namespace

void CutAtLastSeparator(char* path) {
  char* last = nullptr;
  for (char* c = path; *c != 0; ++c) {
    if (SysIsLeadByte(*c) && c[1] != 0) {
      ++c;  // the trail byte may look like "\"
      continue;
    }
    if (*c == '\\' || *c == ':') last = c;
  }
  if (last != nullptr) *last = 0;
}

void LocateHostFolder() {
  CheckHostDirLength();
  char path[PathBufferSize];
  ComposeHostPath(path, kHostIni);
  if (IsExistingFile(path)) return;

  for (;;) {
    if (!AskForHostProgram()) continue;  // a cancelled dialog: ask again
    CheckHostDirLength();
    ComposeHostPath(path, kHostProgram);
    if (IsExistingFile(path)) break;
  }
  SysWriteProfileString("Applications", "Quorlin", Setup.HostDir);
}
