// The Windows services that the installer uses, declared once.
//
// Two backends implement this header: win32/ calls the Windows API ("A" forms, single-byte text
// of the system code page), and posix/ provides the same behaviour on Linux for the native build
// and its tests. Nothing outside src/platform/ talks to the operating system any other way.
//
// Conventions that hold for every declaration below:
// - Text is NUL-terminated single-byte text. Paths are Windows paths ("C:\TARN\quorlin.ini"),
//   "\" is the separator, names compare without regard to case, and a path of MaxPathLength or
//   more characters is refused by every operation that takes one.
// - Nothing here shows a message of its own or ends the process, except SysExitProcess.
// - Handles are opaque; a null handle means "none" and every operation accepts one (and fails).
#pragma once

#include <cstddef>
#include <cstdint>

// Longest path that a file operation accepts, in characters, not counting the NUL.
constexpr uint32_t MaxPathLength = 259;
// Size of a buffer that holds any path accepted here, NUL included (Windows' MAX_PATH).
constexpr uint32_t PathBufferSize = MaxPathLength + 1;

// ---------------------------------------------------------------------------------------------
// Start-up and end

// Prepares the process; called first of all. On Windows it restricts where DLLs are loaded from
// to the system folder and loads from there at once the DLLs that Windows' own UI code would
// otherwise look for beside the executable.
void SysStartUp();

// Ends the process with exit status 0. Output written so far is flushed.
[[noreturn]] void SysExitProcess();

// ---------------------------------------------------------------------------------------------
// Profile strings (INI files)
//
// A read copies the value of `key` in `section`, or `fallback` (trailing blanks removed; null
// counts as "") when the file, the section or the key is missing, cut to `size` - 1 characters
// and NUL-terminated; it returns the number of characters copied. Section and key names compare
// without regard to case, surrounding blanks of names and values are not part of them, and one
// pair of matching quotes around a value is removed. Only the first section of a name and the
// first key of a name in it count. With `size` 0 nothing is copied and 0 is returned.
//
// With a null `key` the read yields the key names of the section in file order, each followed by
// a NUL, and one more NUL after the last; the count returned leaves out that closing NUL. Lines
// without "=" and lines starting with ";" are not key names. When the list with its closing NUL
// does not fit in fewer than `size` bytes, it is cut so that the buffer ends with two NULs, and
// the count returned is `size` - 2.
//
// A write sets `key` in `section` to `value`, creating the file, the section (at the end of the
// file) or the key (after the last entry of the section) as needed; an existing value is replaced
// in its line. Every other line of the file is kept as it was. A null `value` removes the key, a
// null `key` the whole section. The result tells whether the file was written; the installer
// never looks at it.

uint32_t SysGetPrivateProfileString(const char* section, const char* key, const char* fallback,
                                    char* buffer, uint32_t size, const char* file);
bool SysWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file);

// The same for WIN.INI, the file "win.ini" in the Windows folder of drive C.
uint32_t SysGetProfileString(const char* section, const char* key, const char* fallback,
                             char* buffer, uint32_t size);
bool SysWriteProfileString(const char* section, const char* key, const char* value);

// ---------------------------------------------------------------------------------------------
// Message boxes: modal, no owner window.

constexpr uint32_t SysBoxOk = 0;            // an OK button
constexpr uint32_t SysBoxOkCancel = 1;      // OK and Cancel buttons
constexpr uint32_t SysBoxIconError = 16;    // the error icon (added to one of the above)

constexpr int SysAnswerOk = 1;
constexpr int SysAnswerCancel = 2;  // also Esc and the close button when there is a Cancel button

// Shows `text` ("\r" is a line break) under `caption` and waits for an answer: SysAnswerOk or
// SysAnswerCancel, or 0 when no box could be shown. A box without Cancel answers SysAnswerOk when
// it is closed.
int SysMessageBox(const char* text, const char* caption, uint32_t style);

// ---------------------------------------------------------------------------------------------
// Files and folders

constexpr uint32_t SysAttributeReadOnly = 0x01;
constexpr uint32_t SysAttributeHidden = 0x02;
constexpr uint32_t SysAttributeSystem = 0x04;
constexpr uint32_t SysAttributeDirectory = 0x10;
constexpr uint32_t SysAttributeArchive = 0x20;
constexpr uint32_t SysAttributeNormal = 0x80;
constexpr uint32_t SysInvalidAttributes = 0xFFFFFFFFu;  // the path does not exist or cannot be read

// The attributes of a file or folder, or SysInvalidAttributes.
uint32_t SysGetFileAttributes(const char* path);

// One entry found by a directory search.
struct SysFindData {
  uint32_t Attributes;           // as SysGetFileAttributes reports them
  char Name[PathBufferSize];     // the entry's name, without its folder
};
struct SysSearchTag;
using SysSearch = SysSearchTag*;

// Starts a search for `pattern`, a path whose last part may hold the wildcards "*" (any run of
// characters) and "?" (any one character), matched without regard to case; files and folders both
// match. Returns null when nothing matches (or the folder does not exist); otherwise `found` holds
// the first match and the search must be ended with SysFindClose.
SysSearch SysFindFirstFile(const char* pattern, SysFindData* found);
void SysFindClose(SysSearch search);

struct SysFileTag;
using SysFile = SysFileTag*;

constexpr uint32_t SysAccessWrite = 1;        // write access
constexpr uint32_t SysAccessReadWrite = 3;    // read and write access
constexpr uint32_t SysShareNone = 0;          // nobody else may open the file meanwhile
constexpr uint32_t SysShareRead = 1;          // others may open it to read

// Creates the file at `path` with normal attributes, truncating and replacing a file that exists
// there. Fails (returns null) for a read-only, hidden or system file, a folder, a folder that may
// not be written to, a missing folder, or a file in use without the sharing asked for.
SysFile SysCreateFile(const char* path, uint32_t access, uint32_t share);

// Writes `length` bytes; returns the number written, or -1 when the write failed outright.
int32_t SysWriteFile(SysFile file, const void* data, uint32_t length);

// Sets the last-write time of an open file from a DOS date and time taken as local time. The
// local time is turned into UTC with the offset of the time zone in force now (daylight saving
// as it is now, not as it was on that date). Creation and last-access times stay. Returns false
// for a date or time that does not exist (month 13, 30 February, hour 24) or a failed call.
bool SysSetFileTimeFromDos(SysFile file, uint16_t dosDate, uint16_t dosTime);

void SysCloseFile(SysFile file);

// Creates a new, empty file with a unique name "<prefix><hex>.tmp" in `folder` (prefix: the first
// three characters) and puts its path into `path`, a buffer of PathBufferSize bytes. `folder` may
// be at most MaxPathLength - 13 characters long. Returns false when no file could be created.
bool SysGetTempFileName(const char* folder, const char* prefix, char* path);

// Moves the file `from` to `to` in one step, replacing a file that stands at `to`. Fails when
// `to` is a folder or a file in use without sharing.
bool SysMoveFileReplace(const char* from, const char* to);

bool SysDeleteFile(const char* path);

// Copies the file `from` to `to` with its contents, attributes and last-write time. With
// `failIfExists` an existing `to` is left alone and the copy fails; otherwise it is replaced
// (unless it is read-only or hidden).
bool SysCopyFile(const char* from, const char* to, bool failIfExists);

// ---------------------------------------------------------------------------------------------
// The text file: a file written as lines of text whose operations share one error status. The
// status is 0 until an operation fails, then stays non-zero until SysTextIoResult reads it.

struct SysTextFile {
  SysFile File;   // null while closed
  int Status;     // 0, or the first failure since the status was last read
};

// Creates (or truncates) the file at `path`, at most MaxPathLength characters, for writing, with
// read sharing and normal attributes.
void SysTextRewrite(SysTextFile* text, const char* path);
// Writes `line` followed by carriage return and line feed.
void SysTextWriteLine(SysTextFile* text, const char* line);
void SysTextClose(SysTextFile* text);
// Returns the status and clears it.
int SysTextIoResult(SysTextFile* text);

// ---------------------------------------------------------------------------------------------
// Raw-data resources (RT_RCDATA) of the installer's own executable, found by name without regard
// to case and without asking for a language.

struct SysResourceTag;
using SysResource = SysResourceTag*;

SysResource SysFindResource(const char* name);              // null when there is none
const void* SysLoadResource(SysResource resource);           // the loaded block, or null
const void* SysLockResource(const void* block);              // its data, or null
uint32_t SysSizeofResource(SysResource resource);            // its length in bytes
void SysFreeResource(const void* block);                     // gives the block back

// ---------------------------------------------------------------------------------------------
// Windows and text

// Whether a top-level window with exactly this title exists (hidden ones too).
bool SysFindTopLevelWindow(const char* title);

// Whether `c` is the first byte of a double-byte character in the system code page; never in a
// single-byte code page.
bool SysIsLeadByte(char c);

// ---------------------------------------------------------------------------------------------
// The open-file dialog

constexpr uint32_t SysOfnHideReadOnly = 0x4;      // no read-only check box
constexpr uint32_t SysOfnNoChangeDir = 0x8;       // the current folder stays as it was
constexpr uint32_t SysOfnFileMustExist = 0x1000;  // only an existing file can be chosen

// The record that the open-file dialog is filled from, laid out as Windows' OPENFILENAMEA
// (88 bytes in a 32-bit program).
struct SysOpenFileName {
  uint32_t StructSize;
  void* Owner;
  void* Instance;
  const char* Filter;            // pairs of texts: description, pattern; closed by an empty text
  char* CustomFilter;
  uint32_t MaxCustomFilter;
  uint32_t FilterIndex;
  char* File;                    // in: the proposed file name; out: the chosen full path
  uint32_t MaxFile;              // the capacity of File that the dialog is told
  char* FileTitle;
  uint32_t MaxFileTitle;
  const char* InitialDir;
  const char* Title;
  uint32_t Flags;
  uint16_t FileOffset;
  uint16_t FileExtension;
  const char* DefaultExtension;
  intptr_t CustomData;
  void* Hook;
  const char* TemplateName;
  void* Reserved;
  uint32_t Reserved2;
  uint32_t FlagsEx;
};

// Shows the open-file dialog described by `record` (no owner window) and waits until the user
// chooses a file or cancels. Returns non-zero when a file was chosen: record->File then holds its
// full path. Returns 0 when the user cancelled or the dialog could not be shown.
int SysGetOpenFileName(SysOpenFileName* record);
