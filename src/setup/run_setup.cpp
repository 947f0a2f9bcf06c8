// The installation sequence: the one straight run from start to the final report, and the boxes
// that every stage uses to confirm or to end it.

#include "config/config.h"
#include "payload/payload.h"
#include "setup/setup.h"

#ifndef LEXORIN_DOWNLOAD_SITE
#error "LEXORIN_DOWNLOAD_SITE must name the download site (a build option)"
#endif

SetupState Setup;

const char DownloadSite[] = LEXORIN_DOWNLOAD_SITE;

namespace {

constexpr char kDefaultHostDir[] = "C:\\TARN";

// The longest name of a file that the installation puts into the host folder is that of the
// engine library, "ssce5332.dll", 12 characters; the host folder must leave room for it and its
// separator. (Temporary files, "lxsFFFF.tmp", are shorter.)
constexpr uint32_t kMaxHostDirLength = MaxPathLength - 13;

constexpr char kSuccess[] = "Installation completed successfully.\r\r";
constexpr char kNeedDictionaries[] = "You will now need to install one or more dictionaries.\r";
constexpr char kDownloadFrom[] = "Download them from ";
constexpr char kAltK[] = "You can spell-checK a new text in Quorlin by pressing Alt-K.";
constexpr char kDoneWithErrors[] = "Installation done, but errors encountered during installation.";

static_assert(sizeof kSuccess + sizeof kNeedDictionaries + sizeof kDownloadFrom + sizeof DownloadSite +
                      sizeof "\r" - 4 <= MessageTextSize,
              "the dictionaries message must fit MessageText with this download site");

}  // namespace

void ConfirmOrExit(const char* text, const char* caption) {
  if (SysMessageBox(text, caption, SysBoxOkCancel) == SysAnswerCancel) SysExitProcess();
}

void ConfirmInLoopOrExit(const char* text, const char* caption) {
  // Only a person's OK goes round the loop again; Cancel, and a box that could not be shown at
  // all, end the run.
  if (SysMessageBox(text, caption, SysBoxOkCancel) != SysAnswerOk) SysExitProcess();
}

void FailAndExit(const char* text, const char* caption) {
  SysMessageBox(text, caption, SysBoxOk | SysBoxIconError);
  SysExitProcess();
}

void ComposeMessage(std::initializer_list<const char*> pieces) {
  if (!JoinText(Setup.MessageText, MessageTextSize, pieces)) {
    FailAndExit("A message is too long to be shown. Installation aborted.", "Internal error");
  }
}

namespace {

[[noreturn]] void FailHostDirTooLong() {
  FailAndExit(
      "The path of the Quorlin folder is too long.\r\r"
      "Please install Quorlin in a folder with a shorter path and then run this program again.",
      "Error");
}

}  // namespace

void CheckHostDirLength() {
  if (BoundedLength(Setup.HostDir, kMaxHostDirLength) > kMaxHostDirLength) FailHostDirTooLong();
}

void ComposeHostPath(char* path, const char* fileName) {
  if (!JoinText(path, PathBufferSize, {Setup.HostDir, "\\", fileName})) FailHostDirTooLong();
}

bool IsExistingFile(const char* path) {
  SysFindData found;
  SysSearch search = SysFindFirstFile(path, &found);
  if (search == nullptr) return false;
  SysFindClose(search);
  return (found.Attributes & SysAttributeDirectory) == 0;
}

bool IsExistingFolder(const char* path) {
  const uint32_t attributes = SysGetFileAttributes(path);
  return attributes != SysInvalidAttributes && (attributes & SysAttributeDirectory) != 0;
}

void RunSetup() {
  SysStartUp();
  Setup.ErrorCount = 0;
  SysGetProfileString("Applications", "Quorlin", kDefaultHostDir, Setup.HostDir, HostDirSize);

  ComposeMessage({"Installation of Lexorin for ", WidthTag, "-bit Quorlin is about to begin."});
  ConfirmOrExit(Setup.MessageText, "Lexorin");

  LocateHostFolder();
  ProbeHost();
  CheckHostGates();

  Text folder = {};
  TextAssign(&folder, Setup.HostDir);
  ExtractPayload(&folder);
  TextFree(&folder);

  RegisterEngine();
  SetUpUsers();
  ReportCompletion();
  SysExitProcess();
}

void ReportCompletion() {
  if (Setup.ErrorCount != 0) {
    ComposeMessage({kDoneWithErrors});
  } else {
    // Any entry that matches counts, a folder named like a dictionary too.
    char pattern[PathBufferSize];
    ComposeHostPath(pattern, "*.clx");
    SysSearch search = SysFindFirstFile(pattern, &Setup.SearchRecord);
    if (search == nullptr) {
      ComposeMessage({kSuccess, kNeedDictionaries, kDownloadFrom, DownloadSite, "\r"});
    } else {
      ComposeMessage({kSuccess, kAltK});
    }
    SysFindClose(search);
  }
  SysMessageBox(Setup.MessageText, "", SysBoxOk);
}
