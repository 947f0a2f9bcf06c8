// Checks of the Windows executables as files: the product (32-bit) cannot be run on the build
// machine, so what it imports, what resources it carries, how big it is and whether it depends
// on the build are read from the file itself. The 64-bit twin is held to the same rules and must
// carry the very same payload.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pe_image.h"

namespace {

using pe::Bytes;
using pe::Image;
using pe::Resource;
using pe::ResourceKey;

// The product must stay small: what it adds to its payload is under this many bytes.
constexpr uint64_t kLargestOverhead = 32 * 1024;

// ----------------------------------------------------------------------------------------------
// The two builds.

struct Build {
  const char* Name;    // test name suffix
  std::string Dir;     // its build folder
  uint16_t Magic;
  uint16_t Machine;
};

const Build kProduct{"Product", LEXORIN_PE_X86_DIR, pe::kMagicPe32, pe::kMachineI386};
const Build kTwin{"Twin", LEXORIN_PE_X64_DIR, pe::kMagicPe32Plus, pe::kMachineAmd64};

// Names the build in test names and messages, where a pointer would say nothing.
void PrintTo(const Build* build, std::ostream* out) { *out << build->Name; }

std::string ExecutablePath(const Build& build) { return build.Dir + "/lexorin-setup.exe"; }
std::string PayloadDir(const Build& build) { return build.Dir + "/payloads/lexorin-setup"; }

// Each executable is read once for all the tests.
struct Loaded {
  Bytes File;
  Image Parsed;
};

const Loaded& Load(const Build& build) {
  static std::map<std::string, Loaded> cache;
  auto found = cache.find(build.Name);
  if (found == cache.end()) {
    Loaded loaded;
    loaded.File = pe::ReadFile(ExecutablePath(build));
    loaded.Parsed = pe::ReadImage(loaded.File);
    found = cache.emplace(build.Name, std::move(loaded)).first;
  }
  return found->second;
}

ResourceKey Named(const std::string& text) {
  ResourceKey key;
  key.IsText = true;
  key.Text = text;
  return key;
}

ResourceKey Numbered(uint16_t id) {
  ResourceKey key;
  key.Id = id;
  return key;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

uint32_t LittleEndian32(const Bytes& bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// ----------------------------------------------------------------------------------------------
// The payload as the list describes it.

struct ListedFile {
  std::string Number;  // "001"
  std::string Name;
  int32_t Size;
  int Year, Month, Day, Hour, Minute, Second;
};

// Reads the product's payload list. The shipped list holds plain "file" lines only: the other
// directives exist to damage test payloads and have no place in the product.
std::vector<ListedFile> ReadPayloadList() {
  const std::string path = std::string(LEXORIN_PE_SOURCE_DIR) + "/payload/payload.list";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<ListedFile> files;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string verb, date, time, extra;
    if (!(words >> verb)) continue;
    ListedFile file{};
    if (verb != "file" || !(words >> file.Name >> file.Size >> date >> time) || (words >> extra)) {
      throw std::runtime_error("unexpected line in the product's payload list: " + line);
    }
    char tail;
    if (std::sscanf(date.c_str(), "%d-%d-%d%c", &file.Year, &file.Month, &file.Day, &tail) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d%c", &file.Hour, &file.Minute, &file.Second, &tail) != 3) {
      throw std::runtime_error("bad date or time in the product's payload list: " + line);
    }
    char number[8];
    std::snprintf(number, sizeof number, "%03zu", files.size() + 1);
    file.Number = number;
    files.push_back(file);
  }
  return files;
}

// The names of all payload resources of a list, in the order that they are packed.
std::vector<std::string> PayloadResourceNames(const std::vector<ListedFile>& files) {
  std::vector<std::string> names = {"FILES"};
  for (const ListedFile& file : files) {
    for (const char* kind : {"NAME", "TIME", "SIZE", "DATA"}) names.push_back(kind + file.Number);
  }
  return names;
}

// The one RCDATA resource with this name; fails the test when there is none or more than one
// (in several languages, which would leave the choice to the loader).
const Resource* PayloadResource(const Image& image, const std::string& name) {
  const Resource* found = nullptr;
  int count = 0;
  for (const Resource* resource : pe::ResourcesOfType(image, pe::kRtRcData)) {
    if (resource->Name == Named(name)) {
      found = resource;
      ++count;
    }
  }
  EXPECT_EQ(count, 1) << "RCDATA " << name;
  return count == 1 ? found : nullptr;
}

// ----------------------------------------------------------------------------------------------
// A small scanner of the manifest's XML: every element with its path from the root and its
// attributes. Comments are skipped, so that a commented-out element does not count; namespace
// prefixes are dropped; the elements must nest properly.

struct Element {
  std::string Path;  // "assembly/dependency/dependentAssembly/assemblyIdentity"
  std::map<std::string, std::string> Attributes;
};

std::string LocalName(const std::string& name) {
  const size_t colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

std::vector<Element> ScanXml(const std::string& xml) {
  std::vector<Element> elements;
  std::vector<std::string> open;
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string::npos) {
    if (xml.compare(at, 4, "<!--") == 0 || xml.compare(at, 2, "<?") == 0) {
      const bool comment = xml[at + 1] == '!';
      const size_t end = xml.find(comment ? "-->" : "?>", at);
      if (end == std::string::npos) throw std::runtime_error("unterminated comment or declaration");
      at = end + (comment ? 3 : 2);
      continue;
    }
    // The tag runs to the first '>' outside quotes.
    size_t end = at + 1;
    char quote = 0;
    for (; end < xml.size() && (quote != 0 || xml[end] != '>'); ++end) {
      if (quote == 0 && (xml[end] == '"' || xml[end] == '\'')) quote = xml[end];
      else if (xml[end] == quote) quote = 0;
    }
    if (end == xml.size()) throw std::runtime_error("unterminated tag");
    std::string tag = xml.substr(at + 1, end - at - 1);
    at = end + 1;
    if (!tag.empty() && tag[0] == '!') throw std::runtime_error("unexpected markup <" + tag + ">");
    if (!tag.empty() && tag[0] == '/') {
      std::istringstream closing(tag.substr(1));
      std::string name;
      closing >> name;
      if (open.empty() || open.back() != LocalName(name)) throw std::runtime_error("misnested </" + name + ">");
      open.pop_back();
      continue;
    }
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.pop_back();

    size_t i = 0;
    while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
    open.push_back(LocalName(tag.substr(0, i)));
    Element element;
    for (const std::string& name : open) element.Path += (element.Path.empty() ? "" : "/") + name;
    while (true) {
      while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
      if (i == tag.size()) break;
      const size_t equals = tag.find('=', i);
      if (equals == std::string::npos || equals + 1 >= tag.size() ||
          (tag[equals + 1] != '"' && tag[equals + 1] != '\'')) {
        throw std::runtime_error("bad attribute in <" + tag + ">");
      }
      const size_t close = tag.find(tag[equals + 1], equals + 2);
      if (close == std::string::npos) throw std::runtime_error("unterminated attribute in <" + tag + ">");
      std::string name = tag.substr(i, equals - i);
      name.erase(name.find_last_not_of(" \t\r\n") + 1);
      element.Attributes[name] = tag.substr(equals + 2, close - equals - 2);
      i = close + 1;
    }
    elements.push_back(element);
    if (empty) open.pop_back();
  }
  if (!open.empty()) throw std::runtime_error("<" + open.back() + "> is never closed");
  return elements;
}

std::vector<const Element*> ElementsAt(const std::vector<Element>& elements, const std::string& path) {
  std::vector<const Element*> found;
  for (const Element& element : elements) {
    if (element.Path == path) found.push_back(&element);
  }
  return found;
}

std::string Attribute(const Element& element, const std::string& name) {
  auto found = element.Attributes.find(name);
  return found == element.Attributes.end() ? "<none>" : found->second;
}

// ----------------------------------------------------------------------------------------------
// The checks that both builds must pass.

class ShippedExecutable : public testing::TestWithParam<const Build*> {
 protected:
  void SetUp() override {
    try {
      loaded_ = &Load(*GetParam());
    } catch (const std::exception& error) {
      FAIL() << ExecutablePath(*GetParam()) << ": " << error.what();
    }
  }
  const Image& image() const { return loaded_->Parsed; }
  const Bytes& file() const { return loaded_->File; }

 private:
  const Loaded* loaded_ = nullptr;
};

TEST_P(ShippedExecutable, IsAWindowsGuiProgramForItsMachine) {
  const Build& build = *GetParam();
  EXPECT_EQ(image().Magic, build.Magic);
  EXPECT_EQ(image().Machine, build.Machine);
  EXPECT_EQ(image().Subsystem, pe::kSubsystemWindowsGui);
  // IMAGE_FILE_EXECUTABLE_IMAGE set, IMAGE_FILE_DLL clear.
  EXPECT_NE(image().Characteristics & 0x0002, 0);
  EXPECT_EQ(image().Characteristics & 0x2000, 0);
}

TEST_P(ShippedExecutable, ImportsOnlyDllsThatEveryWindowsHas) {
  // The program is linked statically: what it imports must come with every Windows. The file
  // dialog's DLL is deliberately absent: the program loads it itself, from the system folder
  // only, so that a planted copy beside the installer (in a downloads folder, say) is never
  // loaded by the import table before any of our code runs.
  const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "msvcrt.dll"};
  EXPECT_FALSE(image().ImportedDlls.empty());
  for (const std::string& dll : image().ImportedDlls) {
    EXPECT_TRUE(allowed.count(Lower(dll))) << "imports " << dll;
    EXPECT_NE(Lower(dll), "comdlg32.dll");
    for (const char* runtime : {"libgcc", "libstdc++", "libwinpthread"}) {
      EXPECT_NE(Lower(dll).rfind(runtime, 0), 0u) << "imports the MinGW runtime DLL " << dll;
    }
  }
  const std::set<std::string> unique(image().ImportedDlls.begin(), image().ImportedDlls.end());
  EXPECT_EQ(unique.size(), image().ImportedDlls.size()) << "a DLL is imported twice";
  // A delay-loaded DLL is searched for like an imported one, so there must be none.
  EXPECT_TRUE(image().DelayImportedDlls.empty()) << "delay-loads " << image().DelayImportedDlls.front();
}

TEST_P(ShippedExecutable, CarriesExactlyThePayloadOfTheList) {
  const Build& build = *GetParam();
  const std::vector<ListedFile> files = ReadPayloadList();
  ASSERT_FALSE(files.empty());
  ASSERT_LE(files.size(), 255u) << "FILES holds the count in one byte";

  // No RCDATA resource beyond the payload, and none of them numbered instead of named.
  std::vector<std::string> expected = PayloadResourceNames(files);
  std::vector<std::string> actual;
  for (const Resource* resource : pe::ResourcesOfType(image(), pe::kRtRcData)) {
    actual.push_back(resource->Name.Describe());
  }
  std::sort(expected.begin(), expected.end());
  std::sort(actual.begin(), actual.end());
  EXPECT_EQ(actual, expected);

  const Resource* count = PayloadResource(image(), "FILES");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->Data, Bytes({static_cast<unsigned char>(files.size()), 0}));

  for (const ListedFile& file : files) {
    SCOPED_TRACE(file.Number + " " + file.Name);
    const Resource* name = PayloadResource(image(), "NAME" + file.Number);
    const Resource* time = PayloadResource(image(), "TIME" + file.Number);
    const Resource* size = PayloadResource(image(), "SIZE" + file.Number);
    const Resource* data = PayloadResource(image(), "DATA" + file.Number);
    if (name == nullptr || time == nullptr || size == nullptr || data == nullptr) continue;

    EXPECT_EQ(AsText(name->Data), file.Name + '\0');
    // The time is a DOS date (high word) and time (low word), read back field by field.
    ASSERT_EQ(time->Data.size(), 4u);
    const uint32_t stamp = LittleEndian32(time->Data);
    EXPECT_EQ(1980 + (stamp >> 25), static_cast<uint32_t>(file.Year));
    EXPECT_EQ(stamp >> 21 & 0xf, static_cast<uint32_t>(file.Month));
    EXPECT_EQ(stamp >> 16 & 0x1f, static_cast<uint32_t>(file.Day));
    EXPECT_EQ(stamp >> 11 & 0x1f, static_cast<uint32_t>(file.Hour));
    EXPECT_EQ(stamp >> 5 & 0x3f, static_cast<uint32_t>(file.Minute));
    EXPECT_EQ((stamp & 0x1f) * 2, static_cast<uint32_t>(file.Second));
    ASSERT_EQ(size->Data.size(), 4u);
    EXPECT_EQ(static_cast<int32_t>(LittleEndian32(size->Data)), file.Size);
    EXPECT_EQ(data->Data.size(), static_cast<size_t>(file.Size));
  }

  // Every packed file of this build went in unchanged, and nothing else was packed.
  std::set<std::string> packed;
  for (const auto& entry : std::filesystem::directory_iterator(PayloadDir(build) + "/res")) {
    const std::string name = entry.path().stem().string();
    packed.insert(name);
    SCOPED_TRACE(entry.path().string());
    const Resource* resource = PayloadResource(image(), name);
    if (resource != nullptr) {
      EXPECT_TRUE(resource->Data == pe::ReadFile(entry.path().string()));
    }
  }
  EXPECT_EQ(packed, std::set<std::string>(expected.begin(), expected.end()));
}

TEST_P(ShippedExecutable, AgreesWithWhatTheScenariosExpect) {
  // payload.expect is what the end-to-end scenarios check an installation against; it must
  // describe the very files of the list, so that those checks test the product's payload.
  const std::vector<ListedFile> files = ReadPayloadList();
  std::ifstream in(PayloadDir(*GetParam()) + "/payload.expect");
  ASSERT_TRUE(in);
  std::string line;
  size_t row = 0;
  while (std::getline(in, line)) {
    ASSERT_LT(row, files.size()) << "extra line: " << line;
    const ListedFile& file = files[row++];
    std::istringstream words(line);
    std::string number, stamp, bytesFile, name;
    int32_t size = 0;
    ASSERT_TRUE(words >> number >> size >> stamp >> bytesFile >> name) << line;
    EXPECT_EQ(number, file.Number);
    EXPECT_EQ(size, file.Size);
    EXPECT_EQ(name, file.Name);
    const Resource* time = PayloadResource(image(), "TIME" + file.Number);
    const Resource* data = PayloadResource(image(), "DATA" + file.Number);
    if (time != nullptr) {
      EXPECT_EQ(std::stoul(stamp, nullptr, 16), LittleEndian32(time->Data)) << line;
    }
    if (data != nullptr) {
      EXPECT_TRUE(data->Data == pe::ReadFile(bytesFile)) << line;
    }
  }
  EXPECT_EQ(row, files.size());
}

TEST_P(ShippedExecutable, HasAnIconWhoseImagesAllExist) {
  const std::vector<const Resource*> groups = pe::ResourcesOfType(image(), pe::kRtGroupIcon);
  const std::vector<const Resource*> icons = pe::ResourcesOfType(image(), pe::kRtIcon);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_FALSE(icons.empty());

  // The group: reserved 0, type 1 (icon), a count, then 14 bytes for each image.
  const Bytes& group = groups[0]->Data;
  ASSERT_GE(group.size(), 6u);
  EXPECT_EQ(group[0] | group[1] << 8, 0);
  EXPECT_EQ(group[2] | group[3] << 8, 1);
  const size_t count = group[4] | group[5] << 8;
  ASSERT_EQ(group.size(), 6 + 14 * count);
  std::set<uint16_t> used;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* entry = &group[6 + 14 * i];
    const uint32_t width = entry[0] == 0 ? 256 : entry[0];
    const uint32_t bytes = LittleEndian32(Bytes(entry + 8, entry + 12));
    const uint16_t id = static_cast<uint16_t>(entry[12] | entry[13] << 8);
    SCOPED_TRACE("icon image " + std::to_string(id));
    used.insert(id);
    const Resource* icon = pe::ResourceNamed(image(), pe::kRtIcon, Numbered(id));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Data.size(), bytes);
    // An image is a bitmap (its header's size is 40, its height twice the width for the
    // mask) or a PNG file.
    ASSERT_GE(icon->Data.size(), 12u);
    const bool png = icon->Data[0] == 0x89 && AsText(Bytes(icon->Data.begin() + 1, icon->Data.begin() + 4)) == "PNG";
    if (!png) {
      EXPECT_EQ(LittleEndian32(icon->Data), 40u);
      EXPECT_EQ(LittleEndian32(Bytes(icon->Data.begin() + 4, icon->Data.begin() + 8)), width);
      EXPECT_EQ(LittleEndian32(Bytes(icon->Data.begin() + 8, icon->Data.begin() + 12)), 2 * width);
    }
  }
  EXPECT_EQ(used.size(), icons.size()) << "an icon image that no group uses";
}

TEST_P(ShippedExecutable, HasTheVersionRecord) {
  const std::vector<const Resource*> records = pe::ResourcesOfType(image(), pe::kRtVersion);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->Name, Numbered(1));
  pe::VersionNode root;
  pe::FixedFileInfo fixed{};
  try {
    root = pe::ReadVersionRecord(records[0]->Data);
    fixed = pe::ReadFixedFileInfo(root.Value);
  } catch (const std::exception& error) {
    FAIL() << error.what();
  }
  EXPECT_EQ(root.Key, "VS_VERSION_INFO");

  EXPECT_EQ(fixed.Signature, pe::kFixedFileInfoSignature);
  EXPECT_EQ(fixed.FileVersionHigh, 0x00010000u) << "1.0";
  EXPECT_EQ(fixed.FileVersionLow, 0u) << ".0.0";
  EXPECT_EQ(fixed.ProductVersionHigh, 0x00010000u);
  EXPECT_EQ(fixed.ProductVersionLow, 0u);
  EXPECT_EQ(fixed.Type, pe::kVftApp);
  EXPECT_EQ(fixed.Flags, 0u) << "neither a debug, a pre-release nor a patched build";
  EXPECT_EQ(fixed.DateHigh | fixed.DateLow, 0u) << "a file date would make the build depend on the clock";

  // The strings lie in the table of the language and code page that "Translation" names, the
  // one that Explorer and VerQueryValue look in.
  const pe::VersionNode* translations = root.Child("VarFileInfo") ? root.Child("VarFileInfo")->Child("Translation") : nullptr;
  ASSERT_NE(translations, nullptr);
  ASSERT_EQ(translations->Value.size(), 4u);
  char tableKey[16];
  std::snprintf(tableKey, sizeof tableKey, "%04X%04X", translations->Value[0] | translations->Value[1] << 8,
                translations->Value[2] | translations->Value[3] << 8);
  const pe::VersionNode* strings = root.Child("StringFileInfo");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->Children.size(), 1u);
  const pe::VersionNode& table = strings->Children[0];
  EXPECT_EQ(table.Key, tableKey);

  const struct {
    const char* Key;
    const char* Value;
  } rows[] = {
      {"FileDescription", "Lexorin Installation"},
      {"ProductName", "Lexorin Installation"},
      {"FileVersion", "1.0.0.0"},
      {"ProductVersion", "1.0.0.0"},
  };
  for (const auto& row : rows) {
    const pe::VersionNode* value = table.Child(row.Key);
    ASSERT_NE(value, nullptr) << row.Key;
    EXPECT_TRUE(value->IsText) << row.Key;
    EXPECT_EQ(value->Text, row.Value) << row.Key;
  }
}

TEST_P(ShippedExecutable, HasTheApplicationManifest) {
  const std::vector<const Resource*> manifests = pe::ResourcesOfType(image(), pe::kRtManifest);
  ASSERT_EQ(manifests.size(), 1u);
  // Id 1 is the manifest that Windows reads when it creates the process.
  EXPECT_EQ(manifests[0]->Name, Numbered(1));
  std::vector<Element> elements;
  try {
    elements = ScanXml(AsText(manifests[0]->Data));
  } catch (const std::exception& error) {
    FAIL() << "the manifest is not well formed: " << error.what();
  }

  // Version 6 of the common controls, identified as the side-by-side store knows it: a wrong
  // version or key token stops the program from starting at all.
  const std::vector<const Element*> dependencies =
      ElementsAt(elements, "assembly/dependency/dependentAssembly/assemblyIdentity");
  ASSERT_EQ(dependencies.size(), 1u);
  const Element& controls = *dependencies[0];
  EXPECT_EQ(Attribute(controls, "type"), "win32");
  EXPECT_EQ(Attribute(controls, "name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(Attribute(controls, "version"), "6.0.0.0");
  EXPECT_EQ(Lower(Attribute(controls, "publicKeyToken")), "6595b64144ccf1df");

  const std::vector<const Element*> levels =
      ElementsAt(elements, "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel");
  ASSERT_EQ(levels.size(), 1u);
  EXPECT_EQ(Attribute(*levels[0], "level"), "requireAdministrator");
  // uiAccess="true" is granted only to signed programs in trusted folders.
  EXPECT_NE(Attribute(*levels[0], "uiAccess"), "true");

  // Windows ignores an Id that it does not know, so each must be one of the published ones.
  const std::map<std::string, std::string> knownSystems = {
      {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "Windows Vista"},
      {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7"},
      {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8"},
      {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1"},
      {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10 and 11"},
  };
  std::set<std::string> declared;
  for (const Element* os : ElementsAt(elements, "assembly/compatibility/application/supportedOS")) {
    const std::string id = Lower(Attribute(*os, "Id"));
    EXPECT_TRUE(knownSystems.count(id)) << "unknown supportedOS " << id;
    EXPECT_TRUE(declared.insert(id).second) << "supportedOS " << id << " declared twice";
  }
  EXPECT_TRUE(declared.count("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"))
      << "without the newest entry the program runs with the compatibility shims of an older Windows";
}

TEST_P(ShippedExecutable, RecordsNoTimeAndNoBuildPath) {
  for (const pe::TimeStamp& stamp : image().TimeStamps) {
    EXPECT_EQ(stamp.Value, 0u) << "time stamp in the " << stamp.Where;
  }
  // The folders of the build and of the source, as single-byte text and as UTF-16.
  const std::string contents(file().begin(), file().end());
  for (const std::string& folder : {std::string(LEXORIN_PE_BUILD_DIR), std::string(LEXORIN_PE_SOURCE_DIR)}) {
    std::string wide;
    for (char c : folder) wide += std::string{c, '\0'};
    EXPECT_EQ(contents.find(folder), std::string::npos) << folder;
    EXPECT_EQ(contents.find(wide), std::string::npos) << folder << " in UTF-16";
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, ShippedExecutable, testing::Values(&kProduct, &kTwin),
                         [](const testing::TestParamInfo<const Build*>& info) { return info.param->Name; });

// ----------------------------------------------------------------------------------------------
// Checks of the product alone, and of the two builds against each other.

TEST(ShippedProduct, PayloadIsTheSameAsTheTwins) {
  const Image& product = Load(kProduct).Parsed;
  const Image& twin = Load(kTwin).Parsed;
  std::map<std::string, const Resource*> twins;
  for (const Resource* resource : pe::ResourcesOfType(twin, pe::kRtRcData)) twins[resource->Name.Describe()] = resource;
  const std::vector<const Resource*> products = pe::ResourcesOfType(product, pe::kRtRcData);
  EXPECT_EQ(products.size(), twins.size());
  for (const Resource* resource : products) {
    const auto found = twins.find(resource->Name.Describe());
    ASSERT_NE(found, twins.end()) << resource->Name.Describe() << " is missing from the twin";
    EXPECT_TRUE(resource->Data == found->second->Data) << resource->Name.Describe() << " differs";
  }
}

TEST(ShippedProduct, AddsLessThan32KiBToItsPayload) {
  const Loaded& loaded = Load(kProduct);
  uint64_t payload = 0;
  for (const std::string& name : PayloadResourceNames(ReadPayloadList())) {
    const Resource* resource = PayloadResource(loaded.Parsed, name);
    if (resource != nullptr) payload += resource->Data.size();
  }
  const uint64_t overhead = loaded.Parsed.FileSize - payload;
  std::cout << "lexorin-setup.exe: " << loaded.Parsed.FileSize << " bytes, payload " << payload
            << " bytes, the rest " << overhead << " bytes\n";
  RecordProperty("overhead", std::to_string(overhead));
  EXPECT_LT(overhead, kLargestOverhead);
}

// ----------------------------------------------------------------------------------------------
// The reader itself must refuse a damaged file rather than read garbage from it, or the checks
// above could pass on nonsense.

TEST(PeReader, RefusesDamagedFiles) {
  const Bytes& good = Load(kProduct).File;
  const uint32_t pe = LittleEndian32(Bytes(good.begin() + 0x3c, good.begin() + 0x40));
  const struct {
    const char* Damage;
    void (*Apply)(Bytes& file, uint32_t pe);
  } rows[] = {
      {"no MZ signature", [](Bytes& file, uint32_t) { file[0] = 'X'; }},
      {"PE header offset past the end", [](Bytes& file, uint32_t) { file[0x3c + 3] = 0x7f; }},
      {"no PE signature", [](Bytes& file, uint32_t pe) { file[pe] = 'X'; }},
      {"unknown optional header magic", [](Bytes& file, uint32_t pe) { file[pe + 24] = 0x07; }},
      {"cut inside the section table", [](Bytes& file, uint32_t pe) { file.resize(pe + 24 + 0xe0 + 20); }},
      {"cut inside the last section", [](Bytes& file, uint32_t) { file.resize(file.size() - 1); }},
  };
  for (const auto& row : rows) {
    Bytes damaged = good;
    row.Apply(damaged, pe);
    EXPECT_THROW(pe::ReadImage(damaged), pe::Malformed) << row.Damage;
  }
  EXPECT_NO_THROW(pe::ReadImage(good));
}

}  // namespace
