// The user of the Windows end-to-end scenarios: starts a program, waits for each dialog that it
// shows, writes down what the dialog says and answers it as a script tells.
//
//   uidriver.exe <script file> <log file> <program.exe> [seconds]
//
// The program starts with C:\ as its current folder. Whatever happens, the driver ends within
// `seconds` (30 unless given): a program still running then is ended and the log says so.
//
// The script has one line per step, in the order in which the program shows its dialogs:
//
//   box ok | box cancel         a message box: press OK or Cancel
//   open <path> | open cancel   the open-file dialog: type <path> as the file name and press Open,
//                               or press Cancel
//   hold <step> <title>         not a step: before the program starts, open a top-level window
//                               with this title, and close it when the dialog of step <step>
//                               (counting from 1) appears, before that dialog is answered
//   lock <path>                 not a step: before the program starts, open this file without
//                               sharing it, as another program may, and keep it open to the end
//
// Blank lines and lines starting with "#" are left out.
//
// The log holds one block per dialog in the order shown, in the form that the native installer
// prints on its terminal, and the program's exit status:
//
//   --- message box ---
//   caption: Lexorin
//   icon:    none            (or error, warning, information, question, other)
//   text:    first line
//            each "\r" of the text starts a line like this one
//   buttons: OK Cancel
//   answer:  Cancel
//   --- open file dialog ---
//   title:   Locate Quorlin Folder
//   file:    quorlinx.exe
//   path:    D:\Apps\Q\quorlinx.exe
//   exit: 0
//
// A dialog that the script does not expect at that point is written down all the same, so that
// the comparison with the expected dialogs fails, and is dismissed: Cancel, or OK when it has no
// Cancel. Each dialog is handled once: once answered it is left alone while it closes. A dialog
// that stays open because a box of its own objects to the answer (the open-file dialog's "file not
// found") counts as shown again once that box is answered, and takes the next step.
//
// Lines starting with "problem: " say why a run could not be judged (the program did not start,
// the time ran out); "note: " lines only help a reader. The driver's own status is 0 when it could
// play the run, whatever the program did, and 2 when it could not start it.

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The controls of the dialogs, by their ids in Windows' own dialog templates.
constexpr int kMessageTextId = 65535;   // the Static that holds a message box's text
constexpr int kMessageIconId = 1088;    // the Static that holds a message box's icon
constexpr int kFileNameComboId = 1148;  // the combo box whose Edit holds the open-file name

constexpr char kDialogClass[] = "#32770";
constexpr DWORD kPollMs = 20;             // how often the driver looks for a new dialog
constexpr DWORD kMessageTimeoutMs = 2000;  // the longest wait for another process's window
constexpr int kDefaultSeconds = 30;
constexpr int kTextCapacity = 4096;       // longest dialog text read, NUL included
constexpr char kIndent[] = "         ";
constexpr int kHoldWidth = 200;           // the size of a held window
constexpr int kHoldHeight = 100;
constexpr DWORD kReadyWaitMs = 1000;      // the longest wait for a dialog that shows to be complete:
                                          // a box's icon drawn, the file-name field made
constexpr long kIconTolerance = 2;        // the largest mean difference per colour of a matching icon

// The system icons that a message box may show, by the names that the log gives them.
struct SystemIcon {
  LPCSTR Id;
  const char* Name;
};
const SystemIcon kSystemIcons[] = {{IDI_ERROR, "error"},
                                   {IDI_WARNING, "warning"},
                                   {IDI_INFORMATION, "information"},
                                   {IDI_QUESTION, "question"}};

struct Step {
  enum class Kind { MessageBox, OpenFile };
  Kind Dialog = Kind::MessageBox;
  bool Cancel = false;  // press Cancel instead of OK or Open
  std::string Path;     // the file name typed into the open-file dialog
  int Line = 0;         // the script line, for messages
};

// A top-level window held open for the program to find until a step's dialog appears.
struct Hold {
  std::string Title;
  size_t Step = 0;      // 1-based
  HWND Window = nullptr;
};

struct Script {
  std::vector<Step> Steps;
  std::vector<Hold> Holds;
  std::vector<std::string> Locks;  // files held open without sharing while the program runs
};

FILE* Log = nullptr;              // the log file, flushed after every line
DWORD ProgramId = 0;              // the process id of the program being driven
ULONGLONG Deadline = 0;           // GetTickCount64 value at which the driver gives up

void Write(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(Log, format, args);
  va_end(args);
  std::fflush(Log);
}

bool TimeLeft() { return GetTickCount64() < Deadline; }

// Waits up to `ms` for `process` to end (or just waits, without one) while serving the driver's
// own windows; true when the process has ended.
bool Pause(DWORD ms, HANDLE process = nullptr) {
  const DWORD woke = MsgWaitForMultipleObjects(process != nullptr ? 1 : 0, &process, FALSE, ms, QS_ALLINPUT);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  return process != nullptr && woke == WAIT_OBJECT_0;
}

// Reads the script; on a line it cannot read, says which and returns false.
bool ReadScript(const char* path, Script* script) {
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "uidriver: cannot read the script %s\n", path);
    return false;
  }
  char buffer[1024];
  int number = 0;
  bool good = true;
  while (good && std::fgets(buffer, sizeof buffer, in) != nullptr) {
    ++number;
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    Step step;
    step.Line = number;
    if (word == "box" && (rest == "ok" || rest == "cancel")) {
      step.Cancel = rest == "cancel";
      script->Steps.push_back(step);
    } else if (word == "open" && !rest.empty()) {
      step.Dialog = Step::Kind::OpenFile;
      step.Cancel = rest == "cancel";
      if (!step.Cancel) step.Path = rest;
      script->Steps.push_back(step);
    } else if (word == "lock" && !rest.empty()) {
      script->Locks.push_back(rest);
    } else if (word == "hold" && rest.find(' ') != std::string::npos && std::atoi(rest.c_str()) > 0) {
      Hold hold;
      hold.Step = static_cast<size_t>(std::atoi(rest.c_str()));
      hold.Title = rest.substr(rest.find(' ') + 1);
      script->Holds.push_back(hold);
    } else {
      std::fprintf(stderr, "uidriver: %s line %d: cannot read \"%s\"\n", path, number, line.c_str());
      good = false;
    }
  }
  std::fclose(in);
  return good;
}

// The text of a window of another process; "" when it does not answer in time.
std::string TextOf(HWND window) {
  char text[kTextCapacity] = "";
  DWORD_PTR copied = 0;
  if (window == nullptr ||
      !SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &copied)) {
    return "";
  }
  return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

// A picture of `width` x `height` pixels in memory, 32 bits a pixel, top row first.
class Picture {
 public:
  Picture(HDC like, int width, int height) : Dc(CreateCompatibleDC(like)) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(like, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    Bits = static_cast<const DWORD*>(bits);
    old_ = SelectObject(Dc, bitmap_);
  }
  ~Picture() {
    SelectObject(Dc, old_);
    DeleteObject(bitmap_);
    DeleteDC(Dc);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  HDC Dc;
  const DWORD* Bits = nullptr;

 private:
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The mean difference per colour between two pictures of `count` pixels.
long Difference(const Picture& a, const Picture& b, int count) {
  long sum = 0;
  for (int i = 0; i < count; ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      sum += std::labs(static_cast<long>((a.Bits[i] >> shift) & 255) - static_cast<long>((b.Bits[i] >> shift) & 255));
    }
  }
  return sum / (3L * count);
}

// Names the icon that a message box shows: "none", one of kSystemIcons, or "other". Icon handles
// are not shared between processes (under Wine another process's icon cannot even be inspected),
// so the icon is told by its look: the control as drawn on the screen is compared with each
// system icon drawn here on the same background (the corner pixel, outside every system icon's
// shape). A box may not be painted yet when it first shows; the comparison is repeated a while.
const char* IconName(HWND control) {
  DWORD_PTR icon = 0;
  if (control == nullptr ||
      !SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &icon) || icon == 0) {
    return "none";
  }
  RECT area;
  GetWindowRect(control, &area);
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return "other";
  const HDC screen = GetDC(nullptr);
  const char* name = "other";
  bool found = false;
  {
    Picture shown(screen, width, height), drawn(screen, width, height);
    const RECT all = {0, 0, width, height};
    const ULONGLONG until = GetTickCount64() + kReadyWaitMs;
    for (;;) {
      BitBlt(shown.Dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
      const DWORD corner = shown.Bits[0];
      const HBRUSH background = CreateSolidBrush(RGB((corner >> 16) & 255, (corner >> 8) & 255, corner & 255));
      // The closest icon counts: the information and question icons differ in their glyph only.
      long closest = kIconTolerance + 1;
      for (const SystemIcon& candidate : kSystemIcons) {
        FillRect(drawn.Dc, &all, background);
        DrawIconEx(drawn.Dc, 0, 0, LoadIconA(nullptr, candidate.Id), width, height, 0, nullptr, DI_NORMAL);
        const long difference = Difference(shown, drawn, width * height);
        if (difference < closest) {
          closest = difference;
          name = candidate.Name;
          found = true;
        }
      }
      DeleteObject(background);
      if (found || GetTickCount64() >= until) break;
      Pause(kPollMs);
    }
  }
  ReleaseDC(nullptr, screen);
  return name;
}

bool Shown(HWND dialog, int id) {
  const HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowVisible(control);
}

// Writes a text as the log shows it: each "\r" starts an indented line. A "\n" is written as
// the two characters "\n", so that it shows and cannot pass for a "\r".
void WriteText(const char* label, const std::string& text) {
  Write("%s", label);
  for (char c : text) {
    if (c == '\r') {
      Write("\n%s", kIndent);
    } else if (c == '\n') {
      Write("\\n");
    } else {
      std::fputc(c, Log);
    }
  }
  Write("\n");
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Writes a message box down and answers it: as `step` says, or, when the script expects
// something else here, with Cancel (OK when there is no Cancel).
void PlayMessageBox(HWND dialog, const Step* step) {
  const bool hasOk = Shown(dialog, IDOK), hasCancel = Shown(dialog, IDCANCEL);
  const char* icon = IconName(GetDlgItem(dialog, kMessageIconId));
  Write("--- message box ---\ncaption: %s\nicon:    %s\n", TextOf(dialog).c_str(), icon);
  WriteText("text:    ", TextOf(GetDlgItem(dialog, kMessageTextId)));
  Write("buttons: %s\n", hasOk && hasCancel ? "OK Cancel" : hasOk ? "OK" : hasCancel ? "Cancel" : "none");

  const bool expected = step != nullptr && step->Dialog == Step::Kind::MessageBox;
  const bool cancel = expected ? step->Cancel : hasCancel;
  Write("answer:  %s\n", cancel ? "Cancel" : "OK");
  if (!expected) Write("note: this box is not in the script here; it was dismissed\n");
  Press(dialog, cancel ? IDCANCEL : IDOK);
}

BOOL CALLBACK FindEdit(HWND window, LPARAM context) {
  char name[16];
  if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, "Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(context) = window;
  return FALSE;
}

// The file-name field of the open-file dialog. The explorer-style dialog nests it: an extended
// combo box with id 1148 holds a combo box, which holds the Edit. It may not exist yet when the
// dialog first shows.
HWND FileNameField(HWND dialog) {
  HWND edit = nullptr;
  const ULONGLONG until = GetTickCount64() + kReadyWaitMs;
  for (;;) {
    const HWND combo = GetDlgItem(dialog, kFileNameComboId);
    if (combo != nullptr) EnumChildWindows(combo, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit != nullptr || GetTickCount64() >= until) return edit;
    Pause(kPollMs);
  }
}

// Writes the open-file dialog down and answers it: types the step's path and presses Open, or
// presses Cancel (also when the script expects something else here).
void PlayOpenFile(HWND dialog, const Step* step) {
  const HWND edit = FileNameField(dialog);
  Write("--- open file dialog ---\ntitle:   %s\nfile:    %s\n", TextOf(dialog).c_str(), TextOf(edit).c_str());
  const bool expected = step != nullptr && step->Dialog == Step::Kind::OpenFile;
  if (!expected || step->Cancel || edit == nullptr) {
    Write("path:    cancel\n");
    if (!expected) Write("note: this dialog is not in the script here; it was cancelled\n");
    if (expected && edit == nullptr) Write("problem: the dialog has no file-name field\n");
    Press(dialog, IDCANCEL);
    return;
  }
  Write("path:    %s\n", step->Path.c_str());
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(step->Path.c_str()), SMTO_ABORTIFHUNG,
                      kMessageTimeoutMs, &ignored);
  Press(dialog, IDOK);
}

// Any other dialog is written down by its title and closed.
void PlayOther(HWND dialog) {
  Write("--- dialog ---\ntitle:   %s\n", TextOf(dialog).c_str());
  Write("note: the driver does not know this dialog; it was closed\n");
  PostMessageA(dialog, WM_CLOSE, 0, 0);
}

// A search for a dialog of the program that has not been answered yet.
struct Search {
  const std::vector<HWND>* Answered;  // answered dialogs that are still open
  HWND Found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  // A dialog under a modal box of its own is disabled: it waits for that box, not for the user.
  if (owner != ProgramId || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  char name[64];
  if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpA(name, kDialogClass) != 0) return TRUE;
  for (HWND answered : *search->Answered) {
    if (answered == window) return TRUE;
  }
  search->Found = window;
  return FALSE;
}

void OpenHolds(Script* script) {
  for (Hold& hold : script->Holds) {
    // In the top left corner, away from the boxes in the middle of the screen, whose icons are
    // read from the screen.
    hold.Window = CreateWindowExA(0, "STATIC", hold.Title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  kHoldWidth, kHoldHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Write("note: holding the window \"%s\" open until dialog %u\n", hold.Title.c_str(),
          static_cast<unsigned>(hold.Step));
  }
}

void CloseHolds(Script* script, size_t step) {
  for (Hold& hold : script->Holds) {
    if (hold.Window == nullptr || (step != 0 && hold.Step != step)) continue;
    DestroyWindow(hold.Window);
    hold.Window = nullptr;
    if (step != 0) Write("note: closed the window \"%s\"\n", hold.Title.c_str());
  }
}

// Opens the files to be held without sharing; returns their handles.
std::vector<HANDLE> OpenLocks(const Script& script) {
  std::vector<HANDLE> handles;
  for (const std::string& path : script.Locks) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Write("problem: cannot hold %s open (error %lu)\n", path.c_str(), GetLastError());
    } else {
      Write("note: holding %s open without sharing\n", path.c_str());
      handles.push_back(file);
    }
  }
  return handles;
}

// Plays the whole run; returns the driver's status.
int Drive(Script* script, const char* program) {
  const std::vector<HANDLE> locks = OpenLocks(*script);
  struct CloseLocks {
    const std::vector<HANDLE>& Handles;
    ~CloseLocks() {
      for (HANDLE handle : Handles) CloseHandle(handle);
    }
  } closeLocks{locks};
  OpenHolds(script);
  // A crash must end the program at once with its exception code, not wait on an error report;
  // the program inherits this mode. Wine ignores it: there the template prefix names a debugger
  // that cannot start (wine-prefix.sh).
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  std::string commandLine = std::string("\"") + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &started)) {
    Write("problem: cannot start %s (error %lu)\n", program, GetLastError());
    CloseHolds(script, 0);
    return 2;
  }
  CloseHandle(started.hThread);
  ProgramId = started.dwProcessId;

  // Answered dialogs that are still open: closing takes a moment.
  size_t shown = 0;
  std::vector<HWND> answered;
  bool ended = false;
  while (!ended && TimeLeft()) {
    for (size_t i = answered.size(); i-- > 0;) {
      if (!IsWindow(answered[i])) answered.erase(answered.begin() + static_cast<long>(i));
    }
    Search search{&answered};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.Found == nullptr) {
      ended = Pause(kPollMs, started.hProcess);
      continue;
    }
    const HWND dialog = search.Found;
    // A box over an answered dialog takes the place of that answer (the open-file dialog's "file
    // not found"): once the box is gone, the dialog asks again and is played as the next step.
    const HWND owner = GetWindow(dialog, GW_OWNER);
    for (size_t i = answered.size(); i-- > 0;) {
      if (answered[i] == owner) answered.erase(answered.begin() + static_cast<long>(i));
    }
    ++shown;
    CloseHolds(script, shown);
    const Step* step = shown <= script->Steps.size() ? &script->Steps[shown - 1] : nullptr;
    if (GetDlgItem(dialog, kFileNameComboId) != nullptr) {
      PlayOpenFile(dialog, step);
    } else if (GetDlgItem(dialog, kMessageTextId) != nullptr) {
      PlayMessageBox(dialog, step);
    } else {
      PlayOther(dialog);
    }
    answered.push_back(dialog);
  }
  if (!ended) {
    Write("problem: the program was still running when the time ran out (%u dialogs answered, %u of them still "
          "open); it was ended\n",
          static_cast<unsigned>(shown), static_cast<unsigned>(answered.size()));
    TerminateProcess(started.hProcess, 1);
    WaitForSingleObject(started.hProcess, INFINITE);
  } else {
    for (size_t i = shown; i < script->Steps.size(); ++i) {
      Write("note: the program ended before script line %d\n", script->Steps[i].Line);
    }
    DWORD status = 0;
    GetExitCodeProcess(started.hProcess, &status);
    Write("exit: %lu\n", status);
  }
  CloseHandle(started.hProcess);
  CloseHolds(script, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: uidriver.exe <script file> <log file> <program.exe> [seconds]\n");
    return 2;
  }
  const int seconds = argc == 5 ? std::atoi(argv[4]) : kDefaultSeconds;
  Deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds > 0 ? seconds : kDefaultSeconds) * 1000;
  Script script;
  if (!ReadScript(argv[1], &script)) return 2;
  Log = std::fopen(argv[2], "wb");
  if (Log == nullptr) {
    std::fprintf(stderr, "uidriver: cannot write the log %s\n", argv[2]);
    return 2;
  }
  const int status = Drive(&script, argv[3]);
  std::fclose(Log);
  return status;
}
