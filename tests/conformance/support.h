// What the platform conformance rows need beyond platform.h, given by each backend's test support:
// making and removing folders, reading a file back, marking it read-only, reading its date.
#pragma once

#include <cstdint>
#include <string>

namespace conformance {

// The Windows path of an empty scratch folder for one test, made fresh.
std::string FreshFolder(const std::string& name);
void MakeFolder(const std::string& path);
// The bytes of a file, or "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
void SetReadOnly(const std::string& path, bool readOnly);
// The last-write time of a file in seconds since 1970 UTC, or -1.
int64_t LastWrite(const std::string& path);
// Sets the last-write time of a file, seconds since 1970 UTC.
void SetLastWrite(const std::string& path, int64_t seconds);
// Whether the backend under test is the real Windows API.
bool IsWindows();

}  // namespace conformance
