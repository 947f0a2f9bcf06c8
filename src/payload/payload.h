// The payload: the files that travel inside the installer as numbered raw-data resources, and
// their extraction into the host folder.
//
// Resources: "FILES" (first byte: the number of files N), and for each number nnn from 001 to
// N: "NAME"nnn (the file name, NUL-terminated), "TIME"nnn (4 bytes: a DOS date-time in local
// time, date in the high 16 bits), "SIZE"nnn (4 bytes: the signed byte count) and "DATA"nnn (the
// bytes). Numbers are little-endian.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "setup/text.h"

// Files are written this many bytes at a time.
constexpr uint32_t ChunkSize = 16384;
// A resource name has at most this many characters.
constexpr uint32_t ResourceNameLength = 20;
// A payload file name may be at most this long, so that every message naming it fits.
constexpr uint32_t MaxPayloadNameLength = 200;

// One loaded resource.
struct PayloadResource {
  SysResource Handle;      // found by name
  const void* Block;       // the loaded block
  const uint8_t* Data;     // its bytes
  uint32_t Size;           // their count, for checking the resource before reading it
};

// What is known of the file being written.
struct PayloadEntry {
  uint32_t Stamp;  // DOS date-time
  int32_t Size;    // bytes to write
  Text Name;       // file name without folder
};

// The decimal text of `number`, filled on the left with `fill` up to `width` characters.
Text PadNumber(int32_t number, char fill, uint32_t width);

// Finds and loads the resource `name`; a missing one ends the run with an "Internal error" box.
void LoadPayloadResource(const Text* name, PayloadResource* resource);
void ReleasePayloadResource(PayloadResource* resource);

// Writes every payload file into `folder` with its stored date.
void ExtractPayload(const Text* folder);
