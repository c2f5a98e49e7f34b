#include "clicompare.h"

#include "cliinput.h"
#include "clioutput.h"
#include "core/compare.h"

#include <filesystem>

namespace cli {

namespace {

std::string_view StatusName(TCompareStatus Status)
{
    switch (Status) {
    case TCompareStatus::Identical: return "identical";
    case TCompareStatus::Changed: return "changed";
    case TCompareStatus::Added: return "added";
    case TCompareStatus::Deleted: return "deleted";
    case TCompareStatus::Pending: break;
    }
    return "pending";
}

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code Error;
    return std::filesystem::equivalent(std::filesystem::u8path(A), std::filesystem::u8path(B), Error);
}

} // namespace

int Compare(const std::string& OldName, const std::string& NewName, const TCompareCommand& Options)
{
    TObjectTextFile OldFile, NewFile;
    LoadInput(OldFile, OldName);
    // Given twice, a file is compared with itself, read once.
    const bool Twice = SameFile(OldName, NewName);
    if (!Twice)
        LoadInput(NewFile, NewName);
    const TObjectTextFile& New = Twice ? OldFile : NewFile;
    const TCompareOptions Compared{Options.Strict};
    TOutput Out;
    std::string Diff;
    bool Differs = false;
    for (const TCompareEntry& Entry : CompareFiles(OldFile, New, Compared)) {
        const bool Identical = Entry.Status == TCompareStatus::Identical;
        Differs = Differs || !Identical;
        if (Options.Unified) {
            Diff.clear();
            WriteUnifiedDiff(Diff, OldFile, New, Entry, Compared);
            Out << Diff;
        } else if (!Identical || Options.All) {
            const TObjectTextObject& Object =
                Entry.NewIndex >= 0 ? New.Objects(Entry.NewIndex) : OldFile.Objects(Entry.OldIndex);
            Out << StatusName(Entry.Status) << '\t' << std::string_view(ObjectTypeNames[Entry.ObjectType]) << '\t'
                << Entry.ID << '\t' << Escaped(Object.Name()) << '\n';
        }
    }
    Out.Flush();
    return Differs ? 1 : 0;
}

} // namespace cli
