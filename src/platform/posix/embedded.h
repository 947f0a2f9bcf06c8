// The payload resources linked into a native installer. payload-pack writes the one table of
// each installer (payload_table.cpp); resources.cpp looks names up in it.
#pragma once

struct EmbeddedResource {
  const char* Name;            // upper case, as in the Windows resource script
  const unsigned char* Data;   // the resource's bytes
  unsigned Size;               // their count
};

extern const EmbeddedResource EmbeddedResources[];
extern const unsigned EmbeddedResourceCount;
