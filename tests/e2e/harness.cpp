// Laying out drives, taking snapshots and judging a run (harness.h).

#include "harness.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace e2e {
namespace {

// Every laid-out file is dated 2020-06-15 12:00:00 UTC, so that a file that was rewritten shows.
constexpr int64_t kLayoutTime = 1592222400;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

// The path of a Windows path below the drive folders, in Snapshot form ("c/TARN/x").
std::string DrivePath(const std::string& windowsPath) {
  std::string out(1, static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath.at(0)))));
  std::string rest = windowsPath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  // Windows reads two separators in a row as one; so must the snapshot's names.
  for (size_t twice; (twice = rest.find("//")) != std::string::npos;) rest.erase(twice, 1);
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  return out + rest;
}

// Top-level folders of drive C that belong to the system (or to Wine), not to a scenario.
bool IsSystemFolder(const std::string& name) {
  static const char* const kSystem[] = {"windows", "users", "program files", "program files (x86)",
                                        "programdata"};
  for (const char* system : kSystem) {
    if (Lower(name) == system) return true;
  }
  return false;
}

void Walk(const std::string& folder, const std::string& name, Snapshot* snapshot) {
  std::error_code error;
  for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
    const std::string leaf = item.path().filename().string();
    const std::string child = name + "/" + leaf;
    struct stat info;
    if (::lstat(item.path().c_str(), &info) != 0 || S_ISLNK(info.st_mode)) continue;
    const bool top = name.size() == 1;
    if (top && name == "c" && IsSystemFolder(leaf)) {
      if (Lower(leaf) == "windows") {
        const std::string winIni = item.path().string() + "/win.ini";
        struct stat iniInfo;
        if (::stat(winIni.c_str(), &iniInfo) == 0) {
          Entry entry{child + "/win.ini", false, ReadAll(winIni), iniInfo.st_mtim.tv_sec,
                      (iniInfo.st_mode & 0222) == 0};
          (*snapshot)[Lower(entry.Name)] = entry;
        }
      }
      continue;
    }
    Entry entry{child, S_ISDIR(info.st_mode), "", info.st_mtim.tv_sec, (info.st_mode & 0222) == 0};
    if (entry.Folder) {
      entry.Modified = 0;  // a folder's date changes with its contents; it is not checked
      (*snapshot)[Lower(child)] = entry;
      Walk(item.path().string(), child, snapshot);
    } else {
      entry.Bytes = ReadAll(item.path().string());
      (*snapshot)[Lower(child)] = entry;
    }
  }
}

// An INI file as its entries, in order: what both Windows and the native layer must agree on,
// whatever spacing and blank lines they keep.
struct IniEntry {
  std::string Section, Key, Value;
};

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<IniEntry> ParseIni(const std::string& bytes) {
  std::vector<IniEntry> entries;
  std::istringstream in(bytes);
  std::string line, section;
  bool inSection = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty()) continue;
    if (line[0] == '[') {
      section = Trim(line.substr(1, line.find(']') - 1));
      inSection = true;
      entries.push_back({section, "", ""});  // the header itself, so that empty sections count
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entries.push_back({section, line, "\x01(no value)"});
    } else {
      entries.push_back({section, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))});
    }
  }
  return entries;
}

void SetIni(std::vector<IniEntry>* entries, const std::string& section, const std::string& key,
            const std::string& value) {
  size_t header = entries->size();
  for (size_t i = 0; i < entries->size(); ++i) {
    const IniEntry& entry = (*entries)[i];
    if (Lower(entry.Section) != Lower(section)) continue;
    if (header == entries->size()) header = i;
    if (entry.Key.empty()) {
      if (i != header) break;  // a later section of the same name does not count
      continue;
    }
    if (Lower(entry.Key) == Lower(key)) {
      (*entries)[i].Value = value;
      return;
    }
  }
  if (header == entries->size()) {
    entries->push_back({section, "", ""});
    entries->push_back({section, key, value});
    return;
  }
  size_t after = header;
  while (after + 1 < entries->size() && Lower((*entries)[after + 1].Section) == Lower(section) &&
         !(*entries)[after + 1].Key.empty()) {
    ++after;
  }
  entries->insert(entries->begin() + static_cast<long>(after) + 1, {section, key, value});
}

std::string ShowIni(const std::vector<IniEntry>& entries) {
  std::string out;
  for (const IniEntry& entry : entries) {
    out += entry.Key.empty() ? "[" + entry.Section + "] " : entry.Key + "=" + entry.Value + " ";
  }
  return out;
}

bool SameIni(const std::vector<IniEntry>& a, const std::vector<IniEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i].Section) != Lower(b[i].Section) || Lower(a[i].Key) != Lower(b[i].Key) ||
        a[i].Value != b[i].Value) {
      return false;
    }
  }
  return true;
}

std::string ShowTime(int64_t seconds) {
  time_t t = static_cast<time_t>(seconds);
  struct tm fields;
  ::gmtime_r(&t, &fields);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &fields);
  return std::string(text) + " (" + std::to_string(seconds) + ")";
}

}  // namespace

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

void MountSmallDrive(const std::string& folder, uint32_t kib) {
  const std::string options = "size=" + std::to_string(kib) + "k";
  if (::mount("lexorin-test", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    throw std::runtime_error("cannot mount a small file system on " + folder + " (the test needs root): " +
                             std::strerror(errno));
  }
}

namespace {

void MakeFoldersWritable(const fs::path& path) {
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(path, error))) return;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
  for (const fs::directory_entry& item : fs::directory_iterator(path, error)) MakeFoldersWritable(item.path());
}

}  // namespace

void RemoveWorkFolder(const std::string& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) return;
  ::umount2((folder + "/d").c_str(), MNT_DETACH);
  MakeFoldersWritable(folder);
  fs::remove_all(folder, error);
}

std::string LinuxPath(const Drives& drives, const std::string& windowsPath) {
  const std::string relative = DrivePath(windowsPath);
  const std::string& root = relative[0] == 'c' ? drives.C : drives.D;
  return root + relative.substr(1);
}

void LayOut(const Scenario& scenario, const Drives& drives) {
  for (const Item& item : scenario.Layout) {
    const std::string path = LinuxPath(drives, item.Path);
    if (item.Type == Item::Kind::Folder) {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(fs::path(path).parent_path());
    WriteAll(path, item.Bytes);
    const time_t modified = static_cast<time_t>(item.Modified != 0 ? item.Modified : kLayoutTime);
    struct utimbuf times = {modified, modified};
    ::utime(path.c_str(), &times);
  }
  // Attributes last, so that read-only folders were still writable while being filled.
  for (auto item = scenario.Layout.rbegin(); item != scenario.Layout.rend(); ++item) {
    const std::string path = LinuxPath(drives, item->Path);
    if (item->Hidden) ::setxattr(path.c_str(), "user.DOSATTRIB", "0x2", 3, 0);
    if (item->ReadOnly) ::chmod(path.c_str(), item->Type == Item::Kind::Folder ? 0555 : 0444);
  }
}

Snapshot Take(const Drives& drives) {
  Snapshot snapshot;
  Walk(drives.C, "c", &snapshot);
  if (!drives.D.empty()) Walk(drives.D, "d", &snapshot);
  return snapshot;
}

int64_t ExpectedUtc(uint32_t dosStamp, const std::string& timeZone) {
  const uint32_t date = dosStamp >> 16, time = dosStamp & 0xFFFF;
  struct tm fields = {};
  fields.tm_year = 80 + static_cast<int>(date >> 9);
  fields.tm_mon = static_cast<int>((date >> 5) & 15) - 1;
  fields.tm_mday = static_cast<int>(date & 31);
  fields.tm_hour = static_cast<int>(time >> 11);
  fields.tm_min = static_cast<int>((time >> 5) & 63);
  fields.tm_sec = static_cast<int>((time & 31) * 2);

  const char* old = std::getenv("TZ");
  const std::string saved = old == nullptr ? "" : old;
  ::setenv("TZ", timeZone.c_str(), 1);
  ::tzset();
  time_t now = std::time(nullptr);
  struct tm local;
  ::localtime_r(&now, &local);
  const long offset = local.tm_gmtoff;
  if (old == nullptr) {
    ::unsetenv("TZ");
  } else {
    ::setenv("TZ", saved.c_str(), 1);
  }
  ::tzset();
  return static_cast<int64_t>(::timegm(&fields)) - offset;
}

std::string Compare(const Scenario& scenario, const Snapshot& before, const Snapshot& after) {
  Snapshot expected = before;
  std::map<std::string, bool> timeChecked;  // keys whose date is not checked map to false
  std::map<std::string, std::vector<IniEntry>> ini;

  for (const Change& change : scenario.Changes) {
    const std::string where = DrivePath(change.Path);
    if (change.Type == Change::Kind::Payload) {
      std::ifstream list(NativeBuildDir() + "/payloads/" +
                         (scenario.Installer == "lexorin-setup" ? scenario.Installer
                                                                : "payload-" + scenario.Installer) +
                         "/payload.expect");
      if (!list) return "cannot read the payload's payload.expect\n";
      std::string number, data, name;
      int64_t size;
      std::string stamp;
      int count = 0;
      while (list >> number >> size >> stamp >> data >> name) {
        if (change.Count >= 0 && count >= change.Count) break;
        ++count;
        Entry entry{where + "/" + name, false, ReadAll(data).substr(0, static_cast<size_t>(size)),
                    ExpectedUtc(static_cast<uint32_t>(std::stoul(stamp, nullptr, 16)), scenario.TimeZone),
                    false};
        expected[Lower(entry.Name)] = entry;
      }
      if (change.Count > count) return "the payload has fewer files than the scenario expects\n";
    } else if (change.Type == Change::Kind::File) {
      expected[Lower(where)] = Entry{where, false, change.Bytes, 0, false};
      timeChecked[Lower(where)] = false;
    } else {
      const std::string key = Lower(where);
      if (ini.count(key) == 0) {
        auto old = before.find(key);
        ini[key] = ParseIni(old == before.end() ? "" : old->second.Bytes);
      }
      SetIni(&ini[key], change.Section, change.Key, change.Value);
      expected[key] = Entry{where, false, "", 0, false};
      timeChecked[key] = false;
    }
  }
  // Folders that hold expected files exist (the Windows folder is not part of a snapshot).
  for (const auto& item : Snapshot(expected)) {
    std::string folder = item.second.Name;
    while (folder.rfind('/') != std::string::npos && folder.rfind('/') > 1) {
      folder.resize(folder.rfind('/'));
      if (Lower(folder) == "c/windows") break;
      if (expected.count(Lower(folder)) == 0) expected[Lower(folder)] = Entry{folder, true, "", 0, false};
    }
  }

  std::string differences;
  for (const auto& item : expected) {
    const Entry& want = item.second;
    auto found = after.find(item.first);
    if (found == after.end()) {
      differences += "missing: " + want.Name + "\n";
      continue;
    }
    const Entry& got = found->second;
    if (want.Folder != got.Folder) {
      differences += want.Name + (want.Folder ? " should be a folder\n" : " should be a file\n");
      continue;
    }
    if (ini.count(item.first) != 0) {
      const std::vector<IniEntry> entries = ParseIni(got.Bytes);
      if (!SameIni(ini[item.first], entries)) {
        differences += want.Name + " entries\n  are:       " + ShowIni(entries) +
                       "\n  should be: " + ShowIni(ini[item.first]) + "\n";
      }
      continue;
    }
    if (want.Bytes != got.Bytes) {
      differences += want.Name + ": " + std::to_string(got.Bytes.size()) + " bytes that differ from the " +
                     std::to_string(want.Bytes.size()) + " expected\n";
    }
    if (!want.Folder && timeChecked.count(item.first) == 0 && want.Modified != got.Modified) {
      differences += want.Name + ": last written " + ShowTime(got.Modified) + ", expected " +
                     ShowTime(want.Modified) + "\n";
    }
    if (want.ReadOnly != got.ReadOnly && timeChecked.count(item.first) == 0) {
      differences += want.Name + (want.ReadOnly ? " lost its read-only mark\n" : " became read-only\n");
    }
  }
  for (const auto& item : after) {
    if (expected.count(item.first) == 0) differences += "unexpected: " + item.second.Name + "\n";
  }
  return differences;
}

std::vector<Shown> ParseShown(const std::string& log) {
  std::vector<Shown> shown;
  std::istringstream in(log);
  std::string line;
  bool inText = false;
  auto value = [&line]() { return line.size() > 9 ? line.substr(9) : std::string(); };
  while (std::getline(in, line)) {
    if (line == "--- message box ---" || line == "--- open file dialog ---") {
      shown.emplace_back();
      shown.back().IsDialog = line != "--- message box ---";
      inText = false;
      continue;
    }
    if (shown.empty()) continue;
    Shown& step = shown.back();
    const bool textLine = inText && line.rfind("         ", 0) == 0;
    inText = false;
    if (textLine) {
      step.Text += "\r" + value();
      inText = true;
    } else if (line.rfind("caption:", 0) == 0 || line.rfind("title:", 0) == 0) {
      step.Caption = value();
    } else if (line.rfind("icon:", 0) == 0) {
      step.ErrorIcon = value() == "error";
    } else if (line.rfind("text:", 0) == 0) {
      step.Text = value();
      inText = true;
    } else if (line.rfind("file:", 0) == 0 && step.IsDialog) {
      step.Text = value();
    } else if (line.rfind("buttons:", 0) == 0) {
      step.Buttons = value() == "OK Cancel" ? ButtonSet::OkCancel : ButtonSet::Ok;
    }
  }
  return shown;
}

std::string CompareSteps(const std::vector<Step>& expected, const std::vector<Shown>& shown) {
  auto box = [](const std::string& caption, const std::string& text, ButtonSet buttons, bool icon) {
    return "box [" + caption + "] \"" + Visible(text) + "\" " + (buttons == ButtonSet::OkCancel ? "OK/Cancel" : "OK") +
           (icon ? " error icon" : " no icon");
  };
  auto dialog = [](const std::string& title, const std::string& file) {
    return "open-file dialog [" + title + "] proposing \"" + file + "\"";
  };
  std::string differences;
  for (size_t i = 0; i < expected.size() || i < shown.size(); ++i) {
    std::string want = "(nothing)", got = "(nothing)";
    if (i < expected.size()) {
      const Step& step = expected[i];
      want = step.IsDialog ? dialog(step.Dialog.Title, step.Dialog.FileName)
                           : box(step.Box.Caption, step.Box.Text, step.Box.Buttons, step.Box.ErrorIcon);
    }
    if (i < shown.size()) {
      const Shown& step = shown[i];
      got = step.IsDialog ? dialog(step.Caption, step.Text)
                          : box(step.Caption, step.Text, step.Buttons, step.ErrorIcon);
    }
    if (want != got) {
      differences += "step " + std::to_string(i + 1) + "\n  shown:    " + got + "\n  expected: " + want + "\n";
    }
  }
  return differences;
}

}  // namespace e2e
