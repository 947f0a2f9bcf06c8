// A small reader of Windows executables (PE32 and PE32+), enough for the checks of the shipped
// installer: the headers, the section table, the imported DLLs and every resource.
//
// It reads a whole file that is already in memory and never trusts an offset, a size or an RVA
// that it finds there: anything that points outside the file or outside its section makes
// ReadImage throw pe::Malformed, so that a damaged executable fails a test instead of being
// read as garbage.

#ifndef LEXORIN_TESTS_PE_PE_IMAGE_H
#define LEXORIN_TESTS_PE_PE_IMAGE_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pe {

using Bytes = std::vector<unsigned char>;

// Header values that mean something to the checks.
constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kMagicPe32Plus = 0x20b;
constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kSubsystemWindowsGui = 2;

// Resource types by number.
constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtRcData = 10;
constexpr uint16_t kRtGroupIcon = 14;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kRtManifest = 24;

class Malformed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Section {
  std::string Name;         // up to 8 characters, without the padding NULs
  uint32_t VirtualAddress;  // RVA of its first byte
  uint32_t VirtualSize;
  uint32_t RawOffset;       // where its bytes lie in the file
  uint32_t RawSize;
};

// The type or the name of a resource: a number, or a text (held here as ASCII; any character
// beyond ASCII is kept as '?', which no name of ours contains).
struct ResourceKey {
  bool IsText = false;
  uint16_t Id = 0;
  std::string Text;

  bool operator==(const ResourceKey& other) const {
    return IsText == other.IsText && (IsText ? Text == other.Text : Id == other.Id);
  }
  std::string Describe() const { return IsText ? Text : "#" + std::to_string(Id); }
};

struct Resource {
  ResourceKey Type;
  ResourceKey Name;
  uint16_t Language;
  uint32_t Rva;   // where the data lies once loaded
  Bytes Data;     // its bytes, as many as the data entry's size says
};

// A time stamp that the image records, with where it was found.
struct TimeStamp {
  std::string Where;
  uint32_t Value;
};

struct Image {
  uint64_t FileSize = 0;
  uint16_t Machine = 0;
  uint16_t Characteristics = 0;
  uint16_t Magic = 0;  // kMagicPe32 or kMagicPe32Plus
  uint16_t Subsystem = 0;
  std::vector<Section> Sections;
  std::vector<std::string> ImportedDlls;       // in the order of the import directory
  std::vector<std::string> DelayImportedDlls;  // likewise, from the delay-load directory
  std::vector<Resource> Resources;             // in the order of the resource directory
  // Every time stamp field: the file header's, each resource directory table's, each import
  // descriptor's (a bound import records one there), the export and debug directories'.
  std::vector<TimeStamp> TimeStamps;
};

// Reads an executable file; throws Malformed when it is not one or when any of its structures
// points outside the file.
Image ReadImage(const Bytes& file);

// The whole of a file; throws std::runtime_error when it cannot be read.
Bytes ReadFile(const std::string& path);

// The resources of one type, and the one resource of a type and name (nullptr when none is).
std::vector<const Resource*> ResourcesOfType(const Image& image, uint16_t type);
const Resource* ResourceNamed(const Image& image, uint16_t type, const ResourceKey& name);

// One node of a version record (an RT_VERSION resource): its key, its value and the nodes
// inside it. The root's key is "VS_VERSION_INFO" and its value the fixed part; below it lie
// "StringFileInfo" (string tables, then strings) and "VarFileInfo" ("Translation").
struct VersionNode {
  std::string Key;   // ASCII, as ResourceKey
  bool IsText = false;
  Bytes Value;       // the value's bytes as stored
  std::string Text;  // for a text value: its characters up to the NUL, as ASCII
  std::vector<VersionNode> Children;

  // The first child with this key (nullptr when there is none).
  const VersionNode* Child(const std::string& key) const;
};

// Reads a version record; throws Malformed when a node's length runs past its parent.
VersionNode ReadVersionRecord(const Bytes& data);

// The fixed part of a version record (VS_FIXEDFILEINFO), field by field.
struct FixedFileInfo {
  uint32_t Signature, StructureVersion;
  uint32_t FileVersionHigh, FileVersionLow, ProductVersionHigh, ProductVersionLow;
  uint32_t FlagsMask, Flags, Os, Type, Subtype, DateHigh, DateLow;
};
constexpr uint32_t kFixedFileInfoSignature = 0xfeef04bd;
constexpr uint32_t kVftApp = 1;

// Reads the fixed part from the root's value; throws Malformed when it is too short.
FixedFileInfo ReadFixedFileInfo(const Bytes& value);

}  // namespace pe

#endif  // LEXORIN_TESTS_PE_PE_IMAGE_H
