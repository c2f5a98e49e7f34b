// What the About box shows of the machine and of the build: the memory status
// and the version data of the running executable.
//
// Nothing here throws: a value the system does not give stays zero or empty.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct TMemoryStatus {
    std::uint64_t TotalPhys = 0;  // bytes of physical memory
    std::uint32_t MemoryLoad = 0; // per cent of physical memory in use, 0 to 100
};

// The memory status at this moment.
TMemoryStatus GetMemoryStatus();

// Reads the memory status from text in the form of /proc/meminfo (kB values):
// the total from MemTotal, the load from MemAvailable (or, on kernels without
// it, MemFree + Buffers + Cached). Zero total when MemTotal is missing.
TMemoryStatus ParseMemInfo(const std::string& Text);

struct TVersionData {
    std::string ProductName;
    std::string FileVersion;
    std::string LegalCopyright;
};

// The version data of the executable at ExePath. On Windows the values of its
// version resource's string table 040904E4, each empty when missing; elsewhere
// executables carry no version resource and the values are the build's own.
TVersionData GetVersionData(const std::string& ExePath);

// Value in decimal with its digits grouped by thousands: 523712 -> "523,712"
// for the separator ",". Separator may be several bytes (a UTF-8 character).
std::string FormatThousands(std::uint64_t Value, const std::string& Separator);

} // namespace platform
