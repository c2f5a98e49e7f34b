#include "clicommands.h"

#include "clioutput.h"
#include "core/quibfile.h"

#include <filesystem>
#include <stdexcept>
#include <utility>

namespace cli {

int List(const std::string& FileName)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    TOutput Out;
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        Out << I << '\t' << std::string_view(ObjectTypeNames[Object.ObjectType()]) << '\t' << Object.ID() << '\t'
            << Escaped(Object.Name()) << '\t' << Object.Offset() << '\t' << Object.Size() << '\n';
    }
    Out.Flush();
    return 0;
}

int Find(const std::string& Text, const std::string& FileName, bool MatchCase)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
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

int Export(const std::string& FileName, const std::string& Folder, const std::vector<std::string>& Indexes,
           bool Force)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    std::vector<std::int32_t> Numbers;
    for (const std::string& Index : Indexes)
        Numbers.push_back(StrToInt(Index));
    if (Indexes.empty())
        for (std::int32_t I = 0; I < File.Count(); ++I)
            Numbers.push_back(I);
    // Paths are UTF-8 here, as the file layer takes them, on every system.
    const std::filesystem::path FolderPath = std::filesystem::u8path(Folder);
    std::vector<std::pair<const TObjectTextObject*, std::filesystem::path>> Exports;
    for (const std::int32_t Index : Numbers) {
        const TObjectTextObject& Object = File.Objects(Index); // raises for an index out of range
        Exports.emplace_back(&Object, FolderPath / std::filesystem::u8path(Object.GetExportFileName()));
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

} // namespace cli
