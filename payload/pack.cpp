// payload-pack: turns a payload list into the resources that an installer carries.
//
//   payload-pack <list> <output folder>
//
// The list has one directive per line ('#' starts a comment):
//
//   file <name> <size> <yyyy-mm-dd> <hh:mm:ss> [data=<bytes>]
//       The next numbered file. Its "DATA" resource holds <bytes> bytes (default: <size>, or 0
//       for a negative size) of a deterministic stand-in made from the name.
//   count <n>            "FILES" says n files instead of the number of file lines.
//   omit <resource>      Leaves a resource out ("NAME003").
//   raw <resource> <hex> Gives a resource exactly these bytes ("-" for none).
//
// Output, all inside the output folder:
//   res/<RESOURCE>.bin   one file per resource
//   payload.rc           RCDATA statements for windres
//   payload_table.cpp    the same resources embedded in a native program (see
//                        src/platform/posix/embedded.h)
//   payload.expect       what an installation must produce: "<number> <size> <stamp hex>
//                        <bytes file> <name>" for each file whose four resources exist
//
// A file is rewritten only when its contents change, so that builds stay incremental.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct Resource {
  std::string Name;
  Bytes Data;
};

[[noreturn]] void Fail(const std::string& list, int line, const std::string& why) {
  std::fprintf(stderr, "%s:%d: %s\n", list.c_str(), line, why.c_str());
  std::exit(1);
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string Number(int i) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%03d", i);
  return buffer;
}

void PutLittleEndian32(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The stand-in for a payload file: a line naming it, then bytes from a generator seeded by
// the name, so that every build makes the same bytes and different files differ.
Bytes StandIn(const std::string& name, int64_t count) {
  Bytes out;
  std::string header = "Lexorin stand-in for " + name + "\r\n";
  uint32_t state = 2166136261u;
  for (unsigned char c : name) state = (state ^ c) * 16777619u;
  if (state == 0) state = 1;
  for (int64_t i = 0; i < count; ++i) {
    if (i < static_cast<int64_t>(header.size())) {
      out.push_back(static_cast<unsigned char>(header[i]));
      continue;
    }
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    out.push_back(static_cast<unsigned char>(state >> 24));
  }
  return out;
}

bool ParseStamp(const std::string& date, const std::string& time, uint32_t& stamp) {
  int year, month, day, hour, minute, second;
  char tail;
  if (std::sscanf(date.c_str(), "%d-%d-%d%c", &year, &month, &day, &tail) != 3) return false;
  if (std::sscanf(time.c_str(), "%d:%d:%d%c", &hour, &minute, &second, &tail) != 3) return false;
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 59 || second % 2 != 0) {
    return false;
  }
  uint32_t dosDate = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  uint32_t dosTime = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  stamp = (dosDate << 16) | dosTime;
  return true;
}

bool ParseHex(const std::string& text, Bytes& out) {
  if (text == "-") return true;
  if (text.size() % 2 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    char pair[3] = {text[i], text[i + 1], 0};
    char* end = nullptr;
    long value = std::strtol(pair, &end, 16);
    if (*end != 0) return false;
    out.push_back(static_cast<unsigned char>(value));
  }
  return true;
}

void WriteIfChanged(const std::string& path, const std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::stringstream old;
    old << in.rdbuf();
    if (old.str() == contents) return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) {
    std::fprintf(stderr, "payload-pack: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Escapes a text for a double-quoted string in C, in an assembler directive or in a resource
// script, and puts it in quotes.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: payload-pack <list> <output folder>\n");
    return 2;
  }
  const std::string list = argv[1];
  const std::string outDir = argv[2];
  std::ifstream in(list);
  if (!in) {
    std::fprintf(stderr, "payload-pack: cannot read %s\n", list.c_str());
    return 1;
  }

  struct File {
    std::string Name;
    int64_t Size;
    uint32_t Stamp;
    int64_t DataBytes;
  };
  std::vector<File> files;
  std::map<std::string, Bytes> raw;
  std::vector<std::string> omitted;
  int count = -1;

  std::string text;
  int lineNumber = 0;
  while (std::getline(in, text)) {
    ++lineNumber;
    size_t hash = text.find('#');
    if (hash != std::string::npos) text.resize(hash);
    std::istringstream words(text);
    std::string verb;
    if (!(words >> verb)) continue;
    if (verb == "file") {
      File file;
      std::string date, time, extra;
      if (!(words >> file.Name >> file.Size >> date >> time)) Fail(list, lineNumber, "bad file line");
      if (!ParseStamp(date, time, file.Stamp)) Fail(list, lineNumber, "bad date or time");
      if (file.Size > INT32_MAX || file.Size < INT32_MIN) Fail(list, lineNumber, "size out of range");
      file.DataBytes = file.Size < 0 ? 0 : file.Size;
      if (words >> extra) {
        if (extra.rfind("data=", 0) != 0) Fail(list, lineNumber, "unknown option " + extra);
        file.DataBytes = std::atoll(extra.c_str() + 5);
      }
      files.push_back(file);
    } else if (verb == "count") {
      if (!(words >> count) || count < 0 || count > 255) Fail(list, lineNumber, "bad count");
    } else if (verb == "omit") {
      std::string name;
      if (!(words >> name)) Fail(list, lineNumber, "omit what?");
      omitted.push_back(Upper(name));
    } else if (verb == "raw") {
      std::string name, hex;
      if (!(words >> name >> hex)) Fail(list, lineNumber, "bad raw line");
      Bytes bytes;
      if (!ParseHex(hex, bytes)) Fail(list, lineNumber, "bad hex");
      raw[Upper(name)] = bytes;
    } else {
      Fail(list, lineNumber, "unknown directive " + verb);
    }
  }
  if (files.size() > 255) Fail(list, lineNumber, "more than 255 files");

  std::vector<Resource> resources;
  resources.push_back({"FILES", {static_cast<unsigned char>(count < 0 ? files.size() : count), 0}});
  for (size_t i = 0; i < files.size(); ++i) {
    const File& file = files[i];
    const std::string n = Number(static_cast<int>(i + 1));
    Resource name{"NAME" + n, Bytes(file.Name.begin(), file.Name.end())};
    name.Data.push_back(0);
    Resource time{"TIME" + n, {}};
    PutLittleEndian32(time.Data, file.Stamp);
    Resource size{"SIZE" + n, {}};
    PutLittleEndian32(size.Data, static_cast<uint32_t>(static_cast<int32_t>(file.Size)));
    resources.push_back(name);
    resources.push_back(time);
    resources.push_back(size);
    resources.push_back({"DATA" + n, StandIn(file.Name, file.DataBytes)});
  }

  std::vector<Resource> kept;
  for (Resource& resource : resources) {
    auto replaced = raw.find(resource.Name);
    if (replaced != raw.end()) {
      resource.Data = replaced->second;
      raw.erase(replaced);
    }
    bool omit = false;
    for (const std::string& name : omitted) omit = omit || name == resource.Name;
    if (!omit) kept.push_back(resource);
  }
  for (const auto& extra : raw) kept.push_back({extra.first, extra.second});

  const std::string resDir = outDir + "/res";
  ::mkdir(outDir.c_str(), 0755);
  ::mkdir(resDir.c_str(), 0755);

  std::string rc = "// Generated by payload-pack from " + list + "\n";
  std::string table =
      "// Generated by payload-pack from " + list +
      "\n#include \"platform/posix/embedded.h\"\n\n__asm__(\".section .rodata\\n\"\n";
  std::string entries;
  for (size_t i = 0; i < kept.size(); ++i) {
    const Resource& resource = kept[i];
    const std::string path = resDir + "/" + resource.Name + ".bin";
    WriteIfChanged(path, std::string(resource.Data.begin(), resource.Data.end()));
    rc += resource.Name + " RCDATA " + Quoted(path) + "\n";
    const std::string label = "lexorin_resource_" + std::to_string(i);
    table += "        " + Quoted(".balign 16\n" + label + ":\n.incbin " + Quoted(path) + "\n") + "\n";
    entries += "extern const unsigned char " + label + "[] __asm__(\"" + label + "\");\n";
  }
  table += "        \".previous\\n\");\n\n" + entries + "\nconst EmbeddedResource EmbeddedResources[] = {\n";
  for (size_t i = 0; i < kept.size(); ++i) {
    table += "    {\"" + kept[i].Name + "\", lexorin_resource_" + std::to_string(i) + ", " +
             std::to_string(kept[i].Data.size()) + "u},\n";
  }
  if (kept.empty()) table += "    {nullptr, nullptr, 0u},\n";
  table += "};\nconst unsigned EmbeddedResourceCount = " + std::to_string(kept.size()) + "u;\n";

  std::string expect;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string n = Number(static_cast<int>(i + 1));
    bool complete = true;
    for (const char* kind : {"NAME", "TIME", "SIZE", "DATA"}) {
      bool found = false;
      for (const Resource& resource : kept) found = found || resource.Name == kind + n;
      complete = complete && found;
    }
    if (!complete) continue;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%08x", files[i].Stamp);
    expect += n + " " + std::to_string(files[i].Size) + " " + stamp + " " + resDir + "/DATA" + n +
              ".bin " + files[i].Name + "\n";
  }

  WriteIfChanged(outDir + "/payload.rc", rc);
  WriteIfChanged(outDir + "/payload_table.cpp", table);
  WriteIfChanged(outDir + "/payload.expect", expect);
  return 0;
}
