// orvanta-cli: lists, searches and splits object text files on the viewer's model.
#include "core/quibfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

const char* const SUsage =
    "Usage: orvanta-cli list FILE\n"
    "       orvanta-cli find [--match-case] TEXT FILE\n"
    "       orvanta-cli export [--force] FILE DIR [INDEX...]\n"
    "\n"
    "list    one line per object: index, kind, number, name, offset, size (tab-separated)\n"
    "find    every occurrence of TEXT, as successive Find Next presses find them:\n"
    "        object index, 1-based position, object (exit 1 when there is none)\n"
    "export  writes all objects, or the given indexes, into DIR under their export names;\n"
    "        an existing file is an error unless --force; every index and every\n"
    "        existing file is checked before the first file is written\n"
    "\n"
    "In the output of list and find, a tab, line break or backslash in a name is\n"
    "written as \\t, \\n, \\r or \\\\, so that each line keeps its columns.\n"
    "Any failure, writing the output included, prints the message on standard\n"
    "error and exits with 2.\n";

// The system's words for an output failure.
std::string OutputError(int Error)
{
    std::string Message = "Cannot write to standard output";
    if (Error != 0)
        Message.append(": ").append(std::strerror(Error));
    return Message;
}

// Names are free text: the characters that would split a line or a column are
// written as escapes, and the escape character itself doubled.
std::string Escaped(std::string_view Text)
{
    std::string Result;
    Result.reserve(Text.size());
    for (const char C : Text) {
        switch (C) {
        case '\t': Result += "\\t"; break;
        case '\n': Result += "\\n"; break;
        case '\r': Result += "\\r"; break;
        case '\\': Result += "\\\\"; break;
        default: Result += C;
        }
    }
    return Result;
}

// Output gathered in large blocks rather than flushed line by line.
class TOutput {
public:
    ~TOutput()
    {
        // Best effort on the way out of an error; the normal path flushes explicitly.
        if (!FBuffer.empty())
            std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout);
    }
    TOutput& operator<<(std::string_view Text)
    {
        FBuffer.append(Text.data(), Text.size());
        if (FBuffer.size() >= (1u << 20))
            Flush();
        return *this;
    }
    TOutput& operator<<(std::int32_t Value) { return *this << std::string_view(std::to_string(Value)); }
    TOutput& operator<<(char C) { return *this << std::string_view(&C, 1); }
    void Flush()
    {
        errno = 0;
        if (!FBuffer.empty() && std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout) != FBuffer.size())
            throw std::runtime_error(OutputError(errno));
        FBuffer.clear();
    }

private:
    std::string FBuffer;
};

struct TUsageError {};

int List(const std::vector<std::string>& Args)
{
    if (Args.size() != 1)
        throw TUsageError();
    TObjectTextFile File;
    File.LoadFromFile(Args[0]);
    TOutput Out;
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        Out << I << '\t' << std::string_view(ObjectTypeNames[Object.ObjectType()]) << '\t' << Object.ID() << '\t'
            << Escaped(Object.Name()) << '\t' << Object.Offset() << '\t' << Object.Size() << '\n';
    }
    Out.Flush();
    return 0;
}

int Find(std::vector<std::string> Args)
{
    bool MatchCase = false;
    if (!Args.empty() && Args[0] == "--match-case") {
        MatchCase = true;
        Args.erase(Args.begin());
    }
    if (Args.size() != 2)
        throw TUsageError();
    const std::string& Text = Args[0];
    TObjectTextFile File;
    File.LoadFromFile(Args[1]);
    TOutput Out;
    std::int32_t ObjectIndex = 0;
    std::int32_t Position = 1;
    bool Found = false;
    while (File.FindNext(ObjectIndex, Position, Text, MatchCase)) {
        Found = true;
        Out << ObjectIndex << '\t' << Position << '\t' << Escaped(File.Objects(ObjectIndex).GetDisplayText())
            << '\n';
        // The next search starts right after this occurrence, as the window's does.
        Position = CheckedAdd(Position, std::int32_t(Text.size()));
    }
    Out.Flush();
    return Found ? 0 : 1;
}

int Export(std::vector<std::string> Args)
{
    bool Force = false;
    if (!Args.empty() && Args[0] == "--force") {
        Force = true;
        Args.erase(Args.begin());
    }
    if (Args.size() < 2)
        throw TUsageError();
    TObjectTextFile File;
    File.LoadFromFile(Args[0]);
    std::vector<std::int32_t> Indexes;
    for (std::size_t I = 2; I < Args.size(); ++I)
        Indexes.push_back(StrToInt(Args[I]));
    if (Args.size() == 2)
        for (std::int32_t I = 0; I < File.Count(); ++I)
            Indexes.push_back(I);
    // Paths are UTF-8 here, as the file layer takes them, on every system.
    const std::filesystem::path Folder = std::filesystem::u8path(Args[1]);
    std::vector<std::pair<const TObjectTextObject*, std::filesystem::path>> Exports;
    for (const std::int32_t Index : Indexes) {
        const TObjectTextObject& Object = File.Objects(Index); // raises for an index out of range
        Exports.emplace_back(&Object, Folder / std::filesystem::u8path(Object.GetExportFileName()));
    }
    // A bad index or an existing file leaves the folder as it was.
    const auto CheckFree = [Force](const std::filesystem::path& Target) {
        if (!Force && std::filesystem::exists(Target))
            throw std::runtime_error(Target.u8string() + " already exists.");
    };
    for (const auto& Export : Exports)
        CheckFree(Export.second);
    for (const auto& [Object, Target] : Exports) {
        CheckFree(Target); // two objects of the same export name
        Object->SaveToFile(Target.u8string());
    }
    return 0;
}

// The arguments in UTF-8. On Windows the narrow ones are in the ANSI code
// page, which holds few of the names a file may have: take the wide ones.
std::vector<std::string> Arguments(int argc, char** argv)
{
#ifdef _WIN32
    int Count = 0;
    if (wchar_t** Wide = CommandLineToArgvW(GetCommandLineW(), &Count)) {
        std::vector<std::string> Args;
        for (int I = 1; I < Count; ++I)
            Args.push_back(platform::WideToUtf8(Wide[I], std::wcslen(Wide[I])));
        LocalFree(Wide);
        return Args;
    }
#endif
    return std::vector<std::string>(argv + 1, argv + argc);
}

int Run(std::vector<std::string> Args)
{
    try {
        if (Args.empty())
            throw TUsageError();
        const std::string Command = Args[0];
        Args.erase(Args.begin());
        if (Command == "--help" || Command == "-h") {
            std::fputs(SUsage, stdout);
            return 0;
        }
        if (Command == "list")
            return List(Args);
        if (Command == "find")
            return Find(Args);
        if (Command == "export")
            return Export(Args);
        throw TUsageError();
    } catch (const TUsageError&) {
        std::fputs(SUsage, stderr);
        return 2;
    } catch (const std::exception& Error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", Error.what());
        return 2;
    }
}

// Output goes out in blocks: a failure to write it may show only now, however
// little there was. A closed standard output only counts when there was output
// for it, and then the flush has failed already. Report is false once a
// failure has been reported: one message is enough.
bool OutputComplete(bool Report)
{
    errno = 0;
    const bool Flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    int Error = errno;
    errno = 0;
    const bool Closed = std::fclose(stdout) == 0 || errno == EBADF;
    if (Error == 0)
        Error = errno;
    if (Flushed && Closed)
        return true;
    if (Report)
        std::fprintf(stderr, "%s\n", OutputError(Error).c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const int Status = Run(Arguments(argc, argv));
    return OutputComplete(Status != 2) ? Status : 2;
}
