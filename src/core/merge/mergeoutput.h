// Writing a merge: the merged export as one file, or one file per object
// under the objects' export names. Every file is written under a temporary
// name beside its place and renamed into it once complete, so a failure
// never leaves a partial file where the merge was to go.
//
// Used by the companion and the merge window alike; the window hands in the
// texts its user edited or resolved in place of the merger's.
#pragma once

#include "core/merge/filemerge.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class TFileStream;
}

namespace merge {

// A file written under a temporary name beside Target, renamed into place by
// Commit; removed when it goes uncommitted. Raises std::runtime_error with the
// target's full path and the system's reason.
class TSafeFile {
public:
    explicit TSafeFile(std::string Target);
    ~TSafeFile();
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    void Write(std::string_view Bytes);
    void Commit();

private:
    void Flush();

    std::string FTarget, FTemporary;
    std::unique_ptr<platform::TFileStream> FStream;
    std::string FBuffer;
};

// True when both names lead to one file (or one would be written over the other).
bool SameFile(const std::string& A, const std::string& B);

// The text of an entry as written: the merger's, or one the caller keeps.
// Called once per entry, in order; the view lasts until the next call.
using TMergedTextOf = std::function<std::string_view(TMergeEntry& Entry)>;
using TBytesSink = std::function<void(std::string_view Bytes)>;

// Raised when the progress callback asks to stop; nothing is left at the target.
class EMergeCancelled : public std::runtime_error {
public:
    EMergeCancelled() : std::runtime_error("The merge was cancelled") {}
};

// Where a merge goes: one export (OURS' lines before its first object, then
// each object's text, a line break put between two where the first lacks
// one) or one file per object under a folder, deleted objects left out.
// Entries' statuses are set as their texts are taken. Raises
// std::runtime_error naming the file.
class TMergeOutput {
public:
    explicit TMergeOutput(TFileMerger& Merger) : FMerger(Merger) {}

    // Without TextOf, each entry's text is the merger's.
    void WriteExport(const TBytesSink& Out, std::vector<TMergeEntry>& Entries, const TMergedTextOf& TextOf = {});
    void WriteFile(const std::string& FileName, std::vector<TMergeEntry>& Entries, const TMergedTextOf& TextOf = {});
    // Refuses, before writing anything, when two objects would share a file name.
    void WriteSplit(const std::string& Folder, std::vector<TMergeEntry>& Entries, const TMergedTextOf& TextOf = {});
    // Called after each entry written; false stops with EMergeCancelled.
    void SetProgress(TMergeProgress Progress) { FProgress = std::move(Progress); }

    // The object an entry names in the files: OURS', else THEIRS', else BASE's.
    const TObjectTextObject& ObjectOf(const TMergeEntry& Entry) const;

private:
    std::string_view Text(const TMergedTextOf& TextOf, TMergeEntry& Entry);
    void Step(std::size_t Done, std::size_t Total) const;

    TFileMerger& FMerger;
    TMergeProgress FProgress;
};

} // namespace merge
