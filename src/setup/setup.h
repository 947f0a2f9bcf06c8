// Installation control: the one record that every stage shares, the boxes that end or confirm the
// run, and the stages of the installation sequence.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/platform.h"
#include "setup/text.h"

// The engine library's name is "ssce" + version tag + width tag + ".dll"; this installer is the
// 32-bit one.
constexpr char EngineVersionTag[] = "53";
constexpr char WidthTag[] = "32";

// Capacities of the fixed text buffers, NUL included.
constexpr uint32_t HostVersionSize = 3;
constexpr uint32_t HostDirSize = 257;
constexpr uint32_t MessageTextSize = 260;
constexpr uint32_t UserKeyListSize = 2561;

// Everything the installation knows, for the whole process; all zero at start.
struct SetupState {
  bool Is16BitHost;                      // the host INI names a 16-bit engine
  char HostVersion[HostVersionSize];     // the host's version text, at most 2 characters
  char HostDir[HostDirSize];             // the host folder, as found (no separator added or removed)
  char HostIniPath[PathBufferSize];      // HostDir + "\quorlin.ini"
  char UserIniPath[PathBufferSize];      // the INI file of the user being set up
  char HelpFilePath[PathBufferSize];     // HostDir + "\ssce.hlp"
  char EnginePath[PathBufferSize];       // HostDir + "\ssce5332.dll"
  char DialogFileName[PathBufferSize];   // file name of the locate dialog (it is told 257)
  char MessageText[MessageTextSize];     // the message being composed
  char UserKeyList[UserKeyListSize];     // key names of the host's "Users" section, NUL-separated
  int32_t UserKeyListLength;             // the count returned when UserKeyList was read
  Text UserDir;                          // the folder of the user being set up
  int32_t ErrorCount;                    // user lexicons that could not be created
  SysTextFile LexiconFile;               // the user lexicon being created
  SysFindData SearchRecord;              // the search for dictionaries in the final report
  SysOpenFileName OpenFileName;          // the locate dialog's record
};

extern SetupState Setup;

// The host name of the maker's download site, set when the installer is built.
extern const char DownloadSite[];

// Runs the whole installation; never returns.
[[noreturn]] void RunSetup();

// Shows an OK/Cancel box without icon; ends the process when the answer is Cancel.
void ConfirmOrExit(const char* text, const char* caption);

// The same for a box that a loop shows until a person acts: a box that could not be shown at all
// ends the process too, so that the loop never runs on without a person.
void ConfirmInLoopOrExit(const char* text, const char* caption);

// Shows an OK box with the error icon, then ends the process.
[[noreturn]] void FailAndExit(const char* text, const char* caption);

// Composes a message in Setup.MessageText from `pieces`. A message that would not fit ends the
// run with an error box instead.
void ComposeMessage(std::initializer_list<const char*> pieces);

// Ends the run with an error box when HostDir leaves no room for the names of the files that the
// installation makes in it.
void CheckHostDirLength();

// Composes HostDir + "\" + `fileName` into `path` (PathBufferSize bytes). A host folder too long
// for that ends the run with an error box.
void ComposeHostPath(char* path, const char* fileName);

// A path is an existing file when a directory search for it finds an entry that is not a folder.
bool IsExistingFile(const char* path);
// A path is an existing folder when its attributes can be read and say so.
bool IsExistingFolder(const char* path);

// The stages of the sequence, in their order.
void LocateHostFolder();
void ProbeHost();
void CheckHostGates();
void WaitForHostClosed();

// Cuts `path` at its last "\" or ":" (that character and what follows go), minding the second
// bytes of double-byte characters, which are not separators.
void CutAtLastSeparator(char* path);

// The final box: success (with a hint when the host folder has no dictionary) or the error text.
void ReportCompletion();
