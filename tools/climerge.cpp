#include "climerge.h"

#include "clicommands.h"
#include "cliinput.h"
#include "clioutput.h"
#include "core/merge/filemerge.h"
#include "core/merge/mergeoutput.h"
#include "platform/filestream.h"

#include <cstdio>
#include <stdexcept>

namespace cli {

namespace {

using merge::TMergeEntry;
using merge::TMergeStatus;

const char* StatusWord(TMergeStatus Status)
{
    switch (Status) {
    case TMergeStatus::Conflict: return "CONFLICT";
    case TMergeStatus::Merged: return "MERGED";
    case TMergeStatus::Ours: return "OURS";
    case TMergeStatus::Theirs: return "THEIRS";
    case TMergeStatus::Added: return "ADDED";
    case TMergeStatus::Deleted: return "DELETED";
    case TMergeStatus::Unchanged:
    case TMergeStatus::Pending: break;
    }
    return nullptr;
}

} // namespace

int Merge(const std::string& BaseName, const std::string& OursName, const std::string& TheirsName,
          TMergeCommand Command)
{
    for (const std::string* Input : {&BaseName, &OursName, &TheirsName})
        if (!Command.Output.empty() && merge::SameFile(Command.Output, *Input))
            throw std::runtime_error("The merge would be written over its input \"" + platform::FullPath(*Input) +
                                     "\"; nothing was written.");
    TObjectTextFile Base, Ours, Theirs;
    LoadInput(Base, BaseName);
    LoadInput(Ours, OursName);
    LoadInput(Theirs, TheirsName);
    Command.Options.Markers.Base = BaseName;
    Command.Options.Markers.Ours = OursName;
    Command.Options.Markers.Theirs = TheirsName;
    std::vector<TMergeEntry> Entries = merge::MatchThree(Base, Ours, Theirs);
    merge::TFileMerger Merger(Base, Ours, Theirs, Command.Options);
    if (Command.Detect) {
        const TEncodingOption Auto{TEncodingOption::ekAuto};
        Merger.SetEncodings(FileEncodingsFor(Base, Auto), FileEncodingsFor(Ours, Auto), FileEncodingsFor(Theirs, Auto));
    }
    merge::TMergeOutput Output(Merger);
    const bool ToStandardOutput = Command.SplitInto.empty() && Command.Output.empty();
    TOutput Out; // the export, or the lines
    if (!Command.SplitInto.empty())
        Output.WriteSplit(Command.SplitInto, Entries);
    else if (ToStandardOutput)
        Output.WriteExport([&Out](std::string_view Bytes) { Out << Bytes; }, Entries);
    else
        Output.WriteFile(Command.Output, Entries);
    bool Conflicts = false;
    std::string Lines;
    for (const TMergeEntry& Entry : Entries) {
        Conflicts = Conflicts || Entry.Status == TMergeStatus::Conflict;
        const char* Word = StatusWord(Entry.Status);
        if (!Word || (!Command.Report && Entry.Status != TMergeStatus::Conflict))
            continue;
        Lines += std::string(Word) + '\t' + ObjectTypeNames[Entry.ObjectType] + '\t' + std::to_string(Entry.ID) +
                 '\t' + Escaped(Output.ObjectOf(Entry).Name());
        if (Entry.Status == TMergeStatus::Conflict)
            Lines += '\t' + std::to_string(Entry.Conflicts);
        Lines += '\n';
    }
    // The lines go where the export does not.
    if (ToStandardOutput) {
        Out.Flush();
        std::fputs(Lines.c_str(), stderr);
    } else {
        Out << Lines;
        Out.Flush();
    }
    return Conflicts ? 1 : 0;
}

} // namespace cli
