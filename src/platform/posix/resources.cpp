// Implements the resources of platform.h for the posix backend: the table that payload-pack
// linked into the executable (embedded.h).

#include "platform/posix/embedded.h"
#include "platform/posix/posix.h"

// A resource handle and a loaded block are both the table entry; nothing is loaded or freed.

SysResource SysFindResource(const char* name) {
  posix::Trace("FindResource %s", name);
  for (unsigned i = 0; i < EmbeddedResourceCount; ++i) {
    if (posix::SameName(EmbeddedResources[i].Name, name)) {
      return reinterpret_cast<SysResource>(const_cast<EmbeddedResource*>(&EmbeddedResources[i]));
    }
  }
  return nullptr;
}

const void* SysLoadResource(SysResource resource) {
  if (resource == nullptr) return nullptr;
  posix::Trace("LoadResource %s", reinterpret_cast<const EmbeddedResource*>(resource)->Name);
  return resource;
}

const void* SysLockResource(const void* block) {
  return block == nullptr ? nullptr : static_cast<const EmbeddedResource*>(block)->Data;
}

uint32_t SysSizeofResource(SysResource resource) {
  return resource == nullptr ? 0 : reinterpret_cast<const EmbeddedResource*>(resource)->Size;
}

void SysFreeResource(const void* block) {
  if (block != nullptr) posix::Trace("FreeResource %s", static_cast<const EmbeddedResource*>(block)->Name);
}
