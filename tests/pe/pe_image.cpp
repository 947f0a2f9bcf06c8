// The reader of pe_image.h. Offsets and sizes are those of the published PE/COFF format; the
// field names in the comments are the usual ones of that format.

#include "pe_image.h"

#include <fstream>
#include <iterator>

namespace pe {
namespace {

// Sizes and places in the headers.
constexpr uint32_t kDosLfanewOffset = 0x3c;       // e_lfanew: where the PE signature lies
constexpr uint32_t kFileHeaderSize = 20;          // the COFF file header after "PE\0\0"
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSubsystemOffset = 68;         // in the optional header, both kinds
constexpr uint32_t kPe32ImageBaseOffset = 28;
constexpr uint32_t kPe32PlusImageBaseOffset = 24;
constexpr uint32_t kPe32DirectoriesOffset = 92;   // NumberOfRvaAndSizes, then the directories
constexpr uint32_t kPe32PlusDirectoriesOffset = 108;

// Data directories by index.
constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kDebugDirectory = 6;
constexpr uint32_t kDelayImportDirectory = 13;

constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kDelayDescriptorSize = 32;
constexpr uint32_t kDebugEntrySize = 28;
constexpr uint32_t kResourceTableSize = 16;
constexpr uint32_t kResourceEntrySize = 8;
constexpr uint32_t kResourceHighBit = 0x80000000u;  // names a text, or points to a subtable

// A DLL name longer than this is taken for a missing terminator.
constexpr size_t kLongestDllName = 260;

struct DataDirectory {
  uint32_t Rva = 0;
  uint32_t Size = 0;
};

class Reader {
 public:
  explicit Reader(const Bytes& file) : file_(file) {}

  void Need(uint64_t offset, uint64_t size, const char* what) const {
    if (offset > file_.size() || size > file_.size() - offset) {
      throw Malformed(std::string(what) + " lies outside the file (offset " + std::to_string(offset) +
                      ", " + std::to_string(size) + " bytes)");
    }
  }
  uint16_t U16(uint64_t offset, const char* what) const {
    Need(offset, 2, what);
    return static_cast<uint16_t>(file_[offset] | file_[offset + 1] << 8);
  }
  uint32_t U32(uint64_t offset, const char* what) const {
    return U16(offset, what) | static_cast<uint32_t>(U16(offset + 2, what)) << 16;
  }
  uint64_t U64(uint64_t offset, const char* what) const {
    return U32(offset, what) | static_cast<uint64_t>(U32(offset + 4, what)) << 32;
  }
  Bytes Slice(uint64_t offset, uint64_t size, const char* what) const {
    Need(offset, size, what);
    return Bytes(file_.begin() + static_cast<std::ptrdiff_t>(offset),
                 file_.begin() + static_cast<std::ptrdiff_t>(offset + size));
  }

  // The file offset of `size` bytes at `rva`, which must lie inside one section's bytes in the
  // file (a section's tail that exists only in memory holds nothing that we read).
  uint64_t Offset(const std::vector<Section>& sections, uint32_t rva, uint32_t size, const char* what) const {
    for (const Section& section : sections) {
      const uint32_t length = section.VirtualSize != 0 && section.VirtualSize < section.RawSize
                                  ? section.VirtualSize : section.RawSize;
      if (rva >= section.VirtualAddress && rva - section.VirtualAddress < length) {
        const uint64_t start = rva - section.VirtualAddress;
        if (size > length - start) {
          throw Malformed(std::string(what) + " runs past the end of section " + section.Name);
        }
        const uint64_t offset = section.RawOffset + start;
        Need(offset, size, what);
        return offset;
      }
    }
    throw Malformed(std::string(what) + " has an RVA in no section: " + std::to_string(rva));
  }

  // A NUL-terminated ASCII text at an RVA.
  std::string Text(const std::vector<Section>& sections, uint32_t rva, const char* what) const {
    uint64_t offset = Offset(sections, rva, 1, what);
    std::string text;
    while (true) {
      Need(offset, 1, what);
      const char c = static_cast<char>(file_[offset++]);
      if (c == 0) return text;
      if (text.size() == kLongestDllName) throw Malformed(std::string(what) + " has no end");
      text += c;
    }
  }

 private:
  const Bytes& file_;
};

// Walks the resource tree: type, name and language tables, each entry of the last pointing to a
// data entry. `base` is the file offset of the root table and `limit` the size of the tree.
class ResourceWalker {
 public:
  ResourceWalker(const Reader& reader, const std::vector<Section>& sections, uint64_t base, uint32_t limit,
                 Image& image)
      : reader_(reader), sections_(sections), base_(base), limit_(limit), image_(image) {}

  void Walk() {
    Resource resource{};
    Table(0, 0, resource);
  }

 private:
  static constexpr int kLevels = 3;  // type, name, language

  void Inside(uint32_t offset, uint32_t size, const char* what) const {
    if (offset > limit_ || size > limit_ - offset) {
      throw Malformed(std::string(what) + " lies outside the resource directory");
    }
  }

  ResourceKey Key(uint32_t field) const {
    ResourceKey key;
    if ((field & kResourceHighBit) == 0) {
      if (field > 0xffff) throw Malformed("resource id above 65535");
      key.Id = static_cast<uint16_t>(field);
      return key;
    }
    const uint32_t offset = field & ~kResourceHighBit;
    Inside(offset, 2, "resource name");
    const uint16_t length = reader_.U16(base_ + offset, "resource name");
    Inside(offset + 2, 2u * length, "resource name");
    key.IsText = true;
    for (uint16_t i = 0; i < length; ++i) {
      const uint16_t unit = reader_.U16(base_ + offset + 2 + 2u * i, "resource name");
      key.Text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return key;
  }

  void Table(uint32_t offset, int level, Resource& resource) {
    Inside(offset, kResourceTableSize, "resource table");
    const uint64_t at = base_ + offset;
    const char* const names[kLevels] = {"resource type table", "resource name table", "resource language table"};
    image_.TimeStamps.push_back({names[level], reader_.U32(at + 4, "resource table")});
    const uint32_t entries = static_cast<uint32_t>(reader_.U16(at + 12, "resource table")) +
                             reader_.U16(at + 14, "resource table");
    Inside(offset + kResourceTableSize, entries * kResourceEntrySize, "resource entries");
    for (uint32_t i = 0; i < entries; ++i) {
      const uint64_t entry = at + kResourceTableSize + i * kResourceEntrySize;
      const ResourceKey key = Key(reader_.U32(entry, "resource entry"));
      const uint32_t target = reader_.U32(entry + 4, "resource entry");
      const bool isTable = (target & kResourceHighBit) != 0;
      if (isTable != (level < kLevels - 1)) throw Malformed("resource tree is not three levels deep");
      if (level == 0) resource.Type = key;
      if (level == 1) resource.Name = key;
      if (level == 2) {
        if (key.IsText) throw Malformed("resource language given as a text");
        resource.Language = key.Id;
        Data(target, resource);
        continue;
      }
      Table(target & ~kResourceHighBit, level + 1, resource);
    }
  }

  void Data(uint32_t offset, Resource resource) {
    Inside(offset, 16, "resource data entry");
    resource.Rva = reader_.U32(base_ + offset, "resource data entry");
    const uint32_t size = reader_.U32(base_ + offset + 4, "resource data entry");
    resource.Data = reader_.Slice(reader_.Offset(sections_, resource.Rva, size, "resource data"), size,
                                  "resource data");
    image_.Resources.push_back(resource);
  }

  const Reader& reader_;
  const std::vector<Section>& sections_;
  const uint64_t base_;
  const uint32_t limit_;
  Image& image_;
};

}  // namespace

Image ReadImage(const Bytes& file) {
  const Reader reader(file);
  Image image;
  image.FileSize = file.size();

  if (reader.U16(0, "DOS header") != 0x5a4d) throw Malformed("no MZ signature");
  const uint32_t pe = reader.U32(kDosLfanewOffset, "DOS header");
  if (reader.U32(pe, "PE signature") != 0x00004550) throw Malformed("no PE signature");

  const uint32_t header = pe + 4;
  image.Machine = reader.U16(header, "file header");
  const uint16_t sectionCount = reader.U16(header + 2, "file header");
  image.TimeStamps.push_back({"file header", reader.U32(header + 4, "file header")});
  const uint16_t optionalSize = reader.U16(header + 16, "file header");
  image.Characteristics = reader.U16(header + 18, "file header");

  const uint32_t optional = header + kFileHeaderSize;
  reader.Need(optional, optionalSize, "optional header");
  image.Magic = reader.U16(optional, "optional header");
  if (image.Magic != kMagicPe32 && image.Magic != kMagicPe32Plus) {
    throw Malformed("unknown optional header magic " + std::to_string(image.Magic));
  }
  const bool plus = image.Magic == kMagicPe32Plus;
  image.Subsystem = reader.U16(optional + kSubsystemOffset, "optional header");
  const uint64_t imageBase = plus ? reader.U64(optional + kPe32PlusImageBaseOffset, "optional header")
                                  : reader.U32(optional + kPe32ImageBaseOffset, "optional header");
  const uint32_t directoriesAt = plus ? kPe32PlusDirectoriesOffset : kPe32DirectoriesOffset;
  const uint32_t directoryCount = reader.U32(optional + directoriesAt, "optional header");
  if (directoriesAt + 4 + 8ull * directoryCount > optionalSize) {
    throw Malformed("data directories run past the optional header");
  }
  auto directory = [&](uint32_t index) {
    DataDirectory found;
    if (index < directoryCount) {
      found.Rva = reader.U32(optional + directoriesAt + 4 + 8 * index, "data directory");
      found.Size = reader.U32(optional + directoriesAt + 8 + 8 * index, "data directory");
    }
    return found;
  };

  const uint32_t sectionTable = optional + optionalSize;
  reader.Need(sectionTable, static_cast<uint64_t>(sectionCount) * kSectionHeaderSize, "section table");
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint32_t at = sectionTable + i * kSectionHeaderSize;
    Section section;
    for (uint32_t c = 0; c < 8 && file[at + c] != 0; ++c) section.Name += static_cast<char>(file[at + c]);
    section.VirtualSize = reader.U32(at + 8, "section header");
    section.VirtualAddress = reader.U32(at + 12, "section header");
    section.RawSize = reader.U32(at + 16, "section header");
    section.RawOffset = reader.U32(at + 20, "section header");
    reader.Need(section.RawOffset, section.RawSize, "section");
    image.Sections.push_back(section);
  }
  const std::vector<Section>& sections = image.Sections;

  if (const DataDirectory imports = directory(kImportDirectory); imports.Rva != 0) {
    for (uint32_t i = 0;; ++i) {
      const uint64_t at = reader.Offset(sections, imports.Rva + i * kImportDescriptorSize, kImportDescriptorSize,
                                        "import descriptor");
      const uint32_t nameRva = reader.U32(at + 12, "import descriptor");
      if (nameRva == 0) break;
      image.ImportedDlls.push_back(reader.Text(sections, nameRva, "imported DLL name"));
      image.TimeStamps.push_back({"import of " + image.ImportedDlls.back(), reader.U32(at + 4, "import descriptor")});
    }
  }

  if (const DataDirectory delayed = directory(kDelayImportDirectory); delayed.Rva != 0) {
    for (uint32_t i = 0;; ++i) {
      const uint64_t at = reader.Offset(sections, delayed.Rva + i * kDelayDescriptorSize, kDelayDescriptorSize,
                                        "delay-load descriptor");
      const uint32_t attributes = reader.U32(at, "delay-load descriptor");
      uint64_t name = reader.U32(at + 4, "delay-load descriptor");
      if (name == 0) break;
      // Descriptors of the first kind (attribute bit 0 clear) hold addresses, not RVAs.
      if ((attributes & 1) == 0) name -= imageBase;
      image.DelayImportedDlls.push_back(reader.Text(sections, static_cast<uint32_t>(name), "delay-loaded DLL name"));
      image.TimeStamps.push_back({"delay-load of " + image.DelayImportedDlls.back(),
                                  reader.U32(at + 28, "delay-load descriptor")});
    }
  }

  if (const DataDirectory exports = directory(kExportDirectory); exports.Rva != 0) {
    const uint64_t at = reader.Offset(sections, exports.Rva, 8, "export directory");
    image.TimeStamps.push_back({"export directory", reader.U32(at + 4, "export directory")});
  }

  if (const DataDirectory debug = directory(kDebugDirectory); debug.Rva != 0) {
    const uint64_t at = reader.Offset(sections, debug.Rva, debug.Size, "debug directory");
    for (uint32_t i = 0; i + kDebugEntrySize <= debug.Size; i += kDebugEntrySize) {
      image.TimeStamps.push_back({"debug directory", reader.U32(at + i + 4, "debug directory")});
    }
  }

  if (const DataDirectory resources = directory(kResourceDirectory); resources.Rva != 0) {
    const uint64_t base = reader.Offset(sections, resources.Rva, resources.Size, "resource directory");
    ResourceWalker(reader, sections, base, resources.Size, image).Walk();
  }
  return image;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<const Resource*> ResourcesOfType(const Image& image, uint16_t type) {
  std::vector<const Resource*> found;
  for (const Resource& resource : image.Resources) {
    if (!resource.Type.IsText && resource.Type.Id == type) found.push_back(&resource);
  }
  return found;
}

const Resource* ResourceNamed(const Image& image, uint16_t type, const ResourceKey& name) {
  for (const Resource* resource : ResourcesOfType(image, type)) {
    if (resource->Name == name) return resource;
  }
  return nullptr;
}

const VersionNode* VersionNode::Child(const std::string& key) const {
  for (const VersionNode& child : Children) {
    if (child.Key == key) return &child;
  }
  return nullptr;
}

namespace {

constexpr uint32_t kVersionNodeHeaderSize = 6;  // wLength, wValueLength, wType
constexpr uint16_t kVersionTextType = 1;
constexpr uint32_t kFixedFileInfoSize = 52;

uint32_t AlignTo4(uint32_t offset) { return (offset + 3u) & ~3u; }

// Reads the node at `offset` of `data`, which must end by `end`. Every node starts on a 32-bit
// boundary of the record, and so do its value and its first child.
VersionNode ReadVersionNode(const Reader& reader, uint32_t offset, uint32_t end) {
  if (offset + kVersionNodeHeaderSize > end) throw Malformed("version node header runs past its parent");
  const uint16_t length = reader.U16(offset, "version node");
  const uint16_t valueLength = reader.U16(offset + 2, "version node");
  const uint16_t type = reader.U16(offset + 4, "version node");
  const uint32_t nodeEnd = offset + length;
  if (length < kVersionNodeHeaderSize || nodeEnd > end) throw Malformed("version node runs past its parent");

  VersionNode node;
  node.IsText = type == kVersionTextType;
  uint32_t at = offset + kVersionNodeHeaderSize;
  while (true) {
    if (at + 2 > nodeEnd) throw Malformed("version node key has no end");
    const uint16_t unit = reader.U16(at, "version node key");
    at += 2;
    if (unit == 0) break;
    node.Key += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  at = AlignTo4(at);
  // A text value's length counts UTF-16 units, a binary one's bytes. Writers disagree about
  // whether the NUL is counted, so the value is cut at the node's end rather than trusted.
  uint32_t valueBytes = node.IsText ? 2u * valueLength : valueLength;
  if (at > nodeEnd) at = nodeEnd;
  if (valueBytes > nodeEnd - at) valueBytes = nodeEnd - at;
  node.Value = reader.Slice(at, valueBytes, "version value");
  if (node.IsText) {
    for (size_t i = 0; i + 1 < node.Value.size(); i += 2) {
      const uint16_t unit = static_cast<uint16_t>(node.Value[i] | node.Value[i + 1] << 8);
      if (unit == 0) break;
      node.Text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
  }
  for (at = AlignTo4(at + valueBytes); at < nodeEnd; at = AlignTo4(at + reader.U16(at, "version node"))) {
    node.Children.push_back(ReadVersionNode(reader, at, nodeEnd));
  }
  return node;
}

}  // namespace

VersionNode ReadVersionRecord(const Bytes& data) {
  const Reader reader(data);
  return ReadVersionNode(reader, 0, static_cast<uint32_t>(data.size()));
}

FixedFileInfo ReadFixedFileInfo(const Bytes& value) {
  if (value.size() < kFixedFileInfoSize) throw Malformed("the fixed part of the version record is too short");
  const Reader reader(value);
  uint32_t fields[kFixedFileInfoSize / 4];
  for (uint32_t i = 0; i < kFixedFileInfoSize / 4; ++i) fields[i] = reader.U32(4 * i, "fixed file info");
  return FixedFileInfo{fields[0], fields[1], fields[2], fields[3], fields[4],  fields[5], fields[6],
                       fields[7], fields[8], fields[9], fields[10], fields[11], fields[12]};
}

}  // namespace pe
