// Implements the profile strings of platform.h for the posix backend: INI files read and edited
// as text, with the rules that platform.h states.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix.h"

namespace {

constexpr const char* kWinIni = "C:\\WINDOWS\\win.ini";
constexpr const char* kBlanks = " \t\r\v\f";

enum class Kind { Other, Section, Entry };

// One line of an INI file, as offsets into its text.
struct Line {
  size_t Start = 0;      // first character
  size_t End = 0;        // one past the last character before the line break
  size_t Next = 0;       // start of the next line (after "\n")
  Kind Type = Kind::Other;
  std::string Name;      // the section name, or the key name of an entry
  std::string Value;     // the value of an entry, quotes removed
  bool HasValue = false; // the entry has "="
};

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::vector<Line> Parse(const std::string& content) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < content.size()) {
    Line line;
    line.Start = start;
    size_t newline = content.find('\n', start);
    line.Next = newline == std::string::npos ? content.size() : newline + 1;
    line.End = newline == std::string::npos ? content.size() : newline;
    if (line.End > start && content[line.End - 1] == '\r') --line.End;
    // A NUL ends the text of its line.
    std::string text = content.substr(start, line.End - start);
    text.resize(std::strlen(text.c_str()));
    std::string trimmed = Trim(text);
    if (!trimmed.empty() && trimmed[0] == '[') {
      size_t close = trimmed.find(']');
      if (close != std::string::npos) {
        line.Type = Kind::Section;
        line.Name = Trim(trimmed.substr(1, close - 1));
      }
    } else if (!trimmed.empty()) {
      line.Type = Kind::Entry;
      size_t equals = trimmed.find('=');
      line.Name = Trim(trimmed.substr(0, equals));
      if (equals != std::string::npos) {
        line.HasValue = true;
        line.Value = Trim(trimmed.substr(equals + 1));
        const size_t n = line.Value.size();
        if (n >= 2 && (line.Value[0] == '"' || line.Value[0] == '\'') && line.Value[n - 1] == line.Value[0]) {
          line.Value = line.Value.substr(1, n - 2);
        }
      }
    }
    lines.push_back(line);
    start = line.Next;
  }
  return lines;
}

// The lines of the first section named `section`: [first, last) after its header, and the index
// of the header; false when there is no such section.
bool FindSection(const std::vector<Line>& lines, const char* section, size_t* header, size_t* last) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Type != Kind::Section || !posix::SameName(lines[i].Name.c_str(), section)) continue;
    *header = i;
    size_t end = i + 1;
    while (end < lines.size() && lines[end].Type != Kind::Section) ++end;
    *last = end;
    return true;
  }
  return false;
}

// The index of the first entry named `key` in the section, or `last` when there is none.
size_t FindKey(const std::vector<Line>& lines, size_t header, size_t last, const char* key) {
  for (size_t i = header + 1; i < last; ++i) {
    if (lines[i].Type == Kind::Entry && posix::SameName(lines[i].Name.c_str(), key)) return i;
  }
  return last;
}

bool ReadFile(const char* file, std::string* content, posix::MappedPath* mapped) {
  if (posix::MapPath(file, mapped) != posix::MapResult::Ok || !mapped->Exists) return false;
  int fd = ::open(mapped->Linux.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  char buffer[65536];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    content->append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return got == 0;
}

// Copies `text` cut to `size` - 1 characters; returns the count copied.
uint32_t CopyValue(const std::string& text, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  uint32_t count = text.size() < size - 1 ? static_cast<uint32_t>(text.size()) : size - 1;
  std::memcpy(buffer, text.data(), count);
  buffer[count] = 0;
  return count;
}

// Copies a list of names, each closed by a NUL, with one more NUL after the last; a list that
// does not fit is cut so that the buffer ends with two NULs. Windows counts a list that would
// fill the buffer to its last byte as one that does not fit.
uint32_t CopyList(const std::vector<std::string>& names, char* buffer, uint32_t size) {
  std::string list;
  for (const std::string& name : names) list += name + '\0';
  if (size == 0) return 0;
  if (list.size() + 1 < size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = 0;
    return static_cast<uint32_t>(list.size());
  }
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

// Writes `content` as the new text of the file: through a new file that replaces the old one in
// one step, so that a failed write leaves the old text; in place when no new file may be made in
// its folder.
bool WriteFile(const posix::MappedPath& mapped, const std::string& content) {
  const std::string folder = mapped.Linux.substr(0, mapped.Linux.rfind('/'));
  struct stat folderInfo;
  if (!mapped.ParentExists || ::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
    return false;
  }
  struct stat old;
  const bool exists = ::stat(mapped.Linux.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || !posix::MayWrite(old))) return false;
  const bool replace = posix::MayWrite(folderInfo);
  if (!exists && !replace) return false;

  const std::string target = replace ? mapped.Linux + ".lexorin-ini~" : mapped.Linux;
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  size_t done = 0;
  while (written && done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<size_t>(n);
  }
  if (written && exists && replace) {
    written = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (::geteuid() == 0) written = written && ::fchown(fd, old.st_uid, old.st_gid) == 0;
  }
  written = ::close(fd) == 0 && written;
  if (replace) {
    if (written) written = ::rename(target.c_str(), mapped.Linux.c_str()) == 0;
    if (!written) ::unlink(target.c_str());
  }
  return written;
}

}  // namespace

uint32_t SysGetPrivateProfileString(const char* section, const char* key, const char* fallback,
                                    char* buffer, uint32_t size, const char* file) {
  std::string content;
  posix::MappedPath mapped;
  std::vector<Line> lines;
  if (ReadFile(file, &content, &mapped)) lines = Parse(content);

  if (section == nullptr) {
    std::vector<std::string> names;
    for (const Line& line : lines) {
      if (line.Type == Kind::Section && !line.Name.empty()) names.push_back(line.Name);
    }
    return CopyList(names, buffer, size);
  }
  size_t header = 0, last = 0;
  const bool found = FindSection(lines, section, &header, &last);
  if (key == nullptr && found) {
    std::vector<std::string> names;
    for (size_t i = header + 1; i < last; ++i) {
      const Line& line = lines[i];
      if (line.Type == Kind::Entry && line.HasValue && !line.Name.empty() && line.Name[0] != ';') {
        names.push_back(line.Name);
      }
    }
    return CopyList(names, buffer, size);
  }
  if (found && key != nullptr && key[0] != 0) {
    size_t at = FindKey(lines, header, last, key);
    if (at < last && lines[at].HasValue) return CopyValue(lines[at].Value, buffer, size);
  }
  std::string text = fallback == nullptr ? std::string() : std::string(fallback);
  text.erase(text.find_last_not_of(' ') + 1);
  return CopyValue(text, buffer, size);
}

bool SysWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file) {
  if (section == nullptr) return false;
  posix::MappedPath mapped;
  std::string content;
  if (!ReadFile(file, &content, &mapped)) {
    if (posix::MapPath(file, &mapped) != posix::MapResult::Ok) return false;
    content.clear();
  }
  std::vector<Line> lines = Parse(content);
  size_t header = 0, last = 0;
  const bool found = FindSection(lines, section, &header, &last);

  if (key == nullptr) {  // remove the section
    if (!found) return true;
    const size_t end = last < lines.size() ? lines[last].Start : content.size();
    content.erase(lines[header].Start, end - lines[header].Start);
    return WriteFile(mapped, content);
  }
  if (value == nullptr) {  // remove the key
    if (!found) return true;
    size_t at = FindKey(lines, header, last, key);
    if (at == last) return true;
    content.erase(lines[at].Start, lines[at].Next - lines[at].Start);
    return WriteFile(mapped, content);
  }

  const std::string entry = std::string(key) + "=" + value;
  if (!found) {
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    content += "[" + std::string(section) + "]\r\n" + entry + "\r\n";
    return WriteFile(mapped, content);
  }
  size_t at = FindKey(lines, header, last, key);
  if (at < last) {
    content.replace(lines[at].Start, lines[at].End - lines[at].Start, lines[at].Name + "=" + value);
    return WriteFile(mapped, content);
  }
  // A new key goes after the last entry of the section, or right after its header.
  size_t after = header;
  for (size_t i = header + 1; i < last; ++i) {
    if (lines[i].Type == Kind::Entry) after = i;
  }
  size_t insert = lines[after].Next;
  std::string text = entry + "\r\n";
  if (lines[after].Next == lines[after].End) text = "\r\n" + text;  // the last line had no break
  content.insert(insert, text);
  return WriteFile(mapped, content);
}

uint32_t SysGetProfileString(const char* section, const char* key, const char* fallback,
                             char* buffer, uint32_t size) {
  return SysGetPrivateProfileString(section, key, fallback, buffer, size, kWinIni);
}

bool SysWriteProfileString(const char* section, const char* key, const char* value) {
  return SysWritePrivateProfileString(section, key, value, kWinIni);
}
