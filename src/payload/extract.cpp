// Extraction of the payload resources into the host folder.
//
// Each file is written into a new temporary file beside its target, dated, and only then moved
// over the target in one step. A write that fails part way (a full disk) therefore never leaves
// a half-written file or loses the file that stood there; the temporary file is removed.

#include "payload/payload.h"

#include "setup/setup.h"

namespace {

constexpr char kTempPrefix[] = "lxs";

uint32_t LittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Loads the resource `kind` + `number`.
void LoadNumbered(const char* kind, const Text* number, PayloadResource* resource) {
  Text name = {};
  TextAssign(&name, kind);
  TextAppend(&name, TextChars(number));
  LoadPayloadResource(&name, resource);
  TextFree(&name);
}

// Ends the run for a resource whose content cannot be what the layout says.
[[noreturn]] void FailDamaged(const char* kind, const Text* number) {
  ComposeMessage({"Resource \"", kind, TextChars(number), "\" is damaged. Aborting."});
  FailAndExit(Setup.MessageText, "Internal error");
}

[[noreturn]] void FailFile(const PayloadEntry* entry, const char* why) {
  ComposeMessage({TextChars(&entry->Name), why});
  FailAndExit(Setup.MessageText, "Fatal error");
}

// A payload name must be a plain file name: something to write inside the folder, never a path
// that leads out of it.
bool IsPlainFileName(const char* name, uint32_t length) {
  if (length == 0 || length > MaxPayloadNameLength) return false;
  for (uint32_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 32 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|') {
      return false;
    }
  }
  return !(length <= 2 && name[0] == '.' && (length == 1 || name[1] == '.'));
}

// Writes the data of one entry to `folder` + "\" + its name, as the file comment says.
void WritePayloadFile(const Text* folder, const PayloadEntry* entry, const uint8_t* data) {
  Text target = {};
  TextAssign(&target, TextChars(folder));
  TextAppend(&target, "\\");
  TextAppend(&target, TextChars(&entry->Name));
  if (target.Length > MaxPathLength || folder->Length > MaxPathLength - 13) {
    FailFile(entry, " could not be created (path too long).");
  }

  // Windows refuses to replace such files in place; a move would replace them, so they are
  // refused here the same way.
  const uint32_t attributes = SysGetFileAttributes(TextChars(&target));
  if (attributes != SysInvalidAttributes &&
      (attributes & (SysAttributeReadOnly | SysAttributeHidden | SysAttributeSystem | SysAttributeDirectory)) != 0) {
    FailFile(entry, " could not be created.");
  }

  char temporary[PathBufferSize];
  if (!SysGetTempFileName(TextChars(folder), kTempPrefix, temporary)) FailFile(entry, " could not be created.");
  SysFile file = SysCreateFile(temporary, SysAccessReadWrite, SysShareNone);

  // Size 0 still makes one write of 0 bytes; a failed creation shows up as a failed write.
  uint32_t left = static_cast<uint32_t>(entry->Size);
  uint32_t offset = 0;
  do {
    const uint32_t chunk = left < ChunkSize ? left : ChunkSize;
    if (SysWriteFile(file, data + offset, chunk) != static_cast<int32_t>(chunk)) {
      SysCloseFile(file);
      SysDeleteFile(temporary);
      FailFile(entry, " could not be created.");
    }
    offset += chunk;
    left -= chunk;
  } while (left > 0);

  // A date that cannot be set leaves the time of writing.
  SysSetFileTimeFromDos(file, static_cast<uint16_t>(entry->Stamp >> 16), static_cast<uint16_t>(entry->Stamp));
  SysCloseFile(file);
  if (!SysMoveFileReplace(temporary, TextChars(&target))) {
    SysDeleteFile(temporary);
    FailFile(entry, " could not be created.");
  }
  TextFree(&target);
}

}  // namespace

Text PadNumber(int32_t number, char fill, uint32_t width) {
  char digits[12];
  uint32_t count = 0;
  // Work with the magnitude as unsigned, so that the most negative number has one too.
  uint32_t magnitude = number < 0 ? 0u - static_cast<uint32_t>(number) : static_cast<uint32_t>(number);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) digits[count++] = '-';

  Text text = {};
  TextAssign(&text, "");
  for (uint32_t i = count; i < width; ++i) TextAppendChars(&text, &fill, 1);
  while (count > 0) TextAppendChars(&text, &digits[--count], 1);
  return text;
}

void LoadPayloadResource(const Text* name, PayloadResource* resource) {
  char buffer[ResourceNameLength + 1];
  JoinText(buffer, sizeof buffer, {TextChars(name)});
  resource->Handle = SysFindResource(buffer);
  if (resource->Handle == nullptr) {
    ComposeMessage({"Resource \"", TextChars(name), "\" not found. Aborting."});
    FailAndExit(Setup.MessageText, "Internal error");
  }
  resource->Block = SysLoadResource(resource->Handle);
  resource->Data = static_cast<const uint8_t*>(SysLockResource(resource->Block));
  resource->Size = resource->Data == nullptr ? 0 : SysSizeofResource(resource->Handle);
}

void ReleasePayloadResource(PayloadResource* resource) {
  SysFreeResource(resource->Block);
  *resource = PayloadResource{};
}

void ExtractPayload(const Text* folder) {
  PayloadResource info = {};
  PayloadResource data = {};
  Text none = {};

  Text files = {};
  TextAssign(&files, "FILES");
  LoadPayloadResource(&files, &info);
  TextFree(&files);
  if (info.Size < 1) FailDamaged("FILES", &none);
  const uint32_t count = info.Data[0];
  ReleasePayloadResource(&info);

  PayloadEntry entry = {};
  for (uint32_t i = 1; i <= count; ++i) {
    Text number = PadNumber(static_cast<int32_t>(i), '0', 3);

    LoadNumbered("NAME", &number, &info);
    const char* name = reinterpret_cast<const char*>(info.Data);
    if (info.Size == 0) FailDamaged("NAME", &number);
    const uint32_t nameLength = BoundedLength(name, info.Size - 1);
    if (nameLength >= info.Size || !IsPlainFileName(name, nameLength)) FailDamaged("NAME", &number);
    TextAssign(&entry.Name, name);
    ReleasePayloadResource(&info);

    LoadNumbered("TIME", &number, &info);
    if (info.Size < 4) FailDamaged("TIME", &number);
    entry.Stamp = LittleEndian32(info.Data);
    ReleasePayloadResource(&info);

    LoadNumbered("SIZE", &number, &info);
    if (info.Size < 4) FailDamaged("SIZE", &number);
    entry.Size = static_cast<int32_t>(LittleEndian32(info.Data));
    ReleasePayloadResource(&info);

    LoadNumbered("DATA", &number, &data);
    if (entry.Size < 0) FailFile(&entry, " could not be created (wrong size).");
    if (data.Size < static_cast<uint32_t>(entry.Size)) FailDamaged("DATA", &number);

    WritePayloadFile(folder, &entry, data.Data);
    ReleasePayloadResource(&data);
    TextFree(&number);
  }
  TextFree(&entry.Name);
}
