// The posix backend of platform.h: the installer's Windows services on Linux.
//
// OVERVIEW
//
// Drives. Windows paths are mapped under one root folder named by the environment variable
// LEXORIN_ROOT, one folder per drive letter in lower case, as in a Wine prefix: C:\TARN\ssce.hlp
// is $LEXORIN_ROOT/c/TARN/ssce.hlp. A drive whose folder is missing does not exist. The current
// folder of every drive is its root, and a path without a drive is on drive C. WIN.INI is
// C:\WINDOWS\win.ini.
//
// Names. Each part of a path is matched against the existing names of its folder without regard
// to case (ASCII letters only, as the installer's texts are ASCII); a name that does not exist yet
// is created as it is written. As in Windows, "/" counts as "\", empty parts and "." are dropped,
// ".." goes up (never above the drive), trailing dots and blanks of a part are dropped, and a part
// that holds one of <>:"|?* or a control character is an invalid name. Paths of MaxPathLength
// characters or more are refused. UNC and device paths (\\server\share, \\.\) are not provided.
//
// Attributes. A folder has the directory attribute; a file has the archive attribute. Neither
// has a write permission bit: read-only. Hidden and system are read from the extended attribute
// "user.DOSATTRIB" (a hexadecimal attribute word, as Wine and Samba store it). Access is checked
// from the permission bits as an ordinary user would meet them, also when the process runs as
// root: the owner's bits for the owner, the group's for the group, the others' for the rest. So a
// read-only file is never replaced, written or deleted, and no entry is made in a folder that may
// not be written to. Sharing modes are not enforced: Linux has no way to hold a file open against
// other programs.
//
// Profile strings. INI files are read and edited as text: an edit changes, adds or removes only
// the lines of the entry it writes and leaves every other byte of the file as it was. Text is
// single-byte; files in UTF-16 are not read.
//
// Time. DOS date-times are local time; the offset of the time zone in force now (TZ, daylight
// saving included) turns them into UTC, as Windows' LocalFileTimeToFileTime does.
//
// User interface. Message boxes and the open-file dialog are printed on standard output and
// answered on standard input (ui.cpp shows how). The end of standard input closes a box (Cancel
// where there is a Cancel button, OK otherwise) and cancels the dialog. Top-level windows are the
// windows of the X display in DISPLAY, where Wine shows those of Windows programs; without a
// display there are none.
//
// Code page. Single-byte, unless LEXORIN_CODEPAGE names a double-byte code page (932, 936, 949,
// 950), whose lead bytes SysIsLeadByte then reports.
//
// Resources. The payload resources are linked into the executable by payload-pack (see
// embedded.h) and found by name as Windows finds them.
//
// Tracing. With LEXORIN_TRACE set to a non-empty value, the file writes and the resource calls
// are reported on standard error, one line each ("trace: WriteFile 16384"), so that tests can
// count them.
#pragma once

#include <string>

#include <sys/stat.h>

#include "platform/platform.h"

namespace posix {

// Where a Windows path lies on Linux.
struct MappedPath {
  std::string Linux;      // the Linux path, existing names spelt as they exist
  bool Exists = false;    // every part of the path exists
  bool ParentExists = false;  // every part but the last exists (the folder that holds it)
};

enum class MapResult { Ok, Invalid, TooLong, NoDrive };

// Maps a Windows path. With `wildcards` the last part may hold "*" and "?" (it is then kept as
// written and not looked up).
MapResult MapPath(const char* windowsPath, MappedPath* mapped, bool wildcards = false);

// Case-insensitive comparison of single-byte names (ASCII letters folded).
bool SameName(const char* a, const char* b);

// Whether an ordinary user may write to what `info` describes (see Attributes above).
bool MayWrite(const struct stat& info);

// The Windows attributes of an existing entry.
uint32_t AttributesOf(const std::string& linuxPath, const struct stat& info);

// Writes one trace line when tracing is on.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace posix
