#include "platform/sysinfo.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winver.h>

#include <cstring>
#ifdef _MSC_VER
#pragma comment(lib, "version.lib")
#endif
#else
#include <unistd.h>
#endif

#ifndef ORVANTA_VERSION
#define ORVANTA_VERSION ""
#endif

namespace platform {

namespace {

// Kept in step with the LegalCopyright of resources/orvanta.rc.in.
constexpr const char* BuildCopyright = "Copyright (C) 2026 The Orvanta developers";
constexpr const char* BuildProductName = "Orvanta";

std::uint32_t LoadPercent(std::uint64_t Total, std::uint64_t Available)
{
    if (Total == 0 || Available >= Total)
        return 0;
    // Per cent in use, rounded to the nearest whole number.
    const std::uint64_t Used = Total - Available;
    const long double Percent = static_cast<long double>(Used) * 100.0L / static_cast<long double>(Total);
    const auto Rounded = static_cast<std::uint64_t>(Percent + 0.5L);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(Rounded, 100));
}

#ifdef _WIN32

TMemoryStatus QueryMemoryStatus()
{
    MEMORYSTATUSEX Status{};
    Status.dwLength = sizeof(Status);
    if (!GlobalMemoryStatusEx(&Status))
        return {};
    return {Status.ullTotalPhys, std::min<std::uint32_t>(Status.dwMemoryLoad, 100)};
}

std::string QueryValue(const std::vector<char>& Block, const char* Name)
{
    const std::string SubBlock = std::string("\\StringFileInfo\\040904E4\\") + Name;
    void* Value = nullptr;
    UINT Length = 0;
    if (!VerQueryValueA(Block.data(), SubBlock.c_str(), &Value, &Length) || Value == nullptr)
        return {};
    // The value ends at its NUL, whatever length the resource claims.
    const char* Text = static_cast<const char*>(Value);
    return std::string(Text, strnlen(Text, Length));
}

TVersionData QueryVersionData(const std::string& ExePath)
{
    DWORD Handle = 0;
    const DWORD Size = GetFileVersionInfoSizeA(ExePath.c_str(), &Handle);
    if (Size == 0)
        return {};
    std::vector<char> Block(Size, '\0');
    if (!GetFileVersionInfoA(ExePath.c_str(), 0, Size, Block.data()))
        return {};
    return {QueryValue(Block, "ProductName"), QueryValue(Block, "FileVersion"),
            QueryValue(Block, "LegalCopyright")};
}

#else

TMemoryStatus QueryMemoryStatus()
{
    std::ifstream File("/proc/meminfo");
    if (File) {
        std::ostringstream Text;
        Text << File.rdbuf();
        const TMemoryStatus Status = ParseMemInfo(Text.str());
        if (Status.TotalPhys != 0)
            return Status;
    }
    // No /proc: the total at least, from the page count.
    const long Pages = sysconf(_SC_PHYS_PAGES);
    const long PageSize = sysconf(_SC_PAGESIZE);
    if (Pages <= 0 || PageSize <= 0)
        return {};
    return {static_cast<std::uint64_t>(Pages) * static_cast<std::uint64_t>(PageSize), 0};
}

TVersionData QueryVersionData(const std::string& /*ExePath*/)
{
    return {BuildProductName, ORVANTA_VERSION, BuildCopyright};
}

#endif

} // namespace

TMemoryStatus ParseMemInfo(const std::string& Text)
{
    std::uint64_t Total = 0, Available = 0, Free = 0, Buffers = 0, Cached = 0;
    bool HasTotal = false, HasAvailable = false;
    std::istringstream Lines(Text);
    std::string Line;
    while (std::getline(Lines, Line)) {
        std::istringstream Fields(Line);
        std::string Key;
        std::uint64_t KiB = 0;
        if (!(Fields >> Key >> KiB))
            continue;
        const std::uint64_t Bytes = KiB * 1024;
        if (Key == "MemTotal:") {
            Total = Bytes;
            HasTotal = true;
        } else if (Key == "MemAvailable:") {
            Available = Bytes;
            HasAvailable = true;
        } else if (Key == "MemFree:") {
            Free = Bytes;
        } else if (Key == "Buffers:") {
            Buffers = Bytes;
        } else if (Key == "Cached:") {
            Cached = Bytes;
        }
    }
    if (!HasTotal)
        return {};
    if (!HasAvailable)
        Available = Free + Buffers + Cached;
    return {Total, LoadPercent(Total, Available)};
}

TMemoryStatus GetMemoryStatus()
{
    return QueryMemoryStatus();
}

TVersionData GetVersionData(const std::string& ExePath)
{
    return QueryVersionData(ExePath);
}

std::string FormatThousands(std::uint64_t Value, const std::string& Separator)
{
    const std::string Digits = std::to_string(Value);
    std::string Result;
    Result.reserve(Digits.size() + Digits.size() / 3 * Separator.size());
    for (std::size_t I = 0; I < Digits.size(); ++I) {
        if (I != 0 && (Digits.size() - I) % 3 == 0)
            Result += Separator;
        Result += Digits[I];
    }
    return Result;
}

} // namespace platform
