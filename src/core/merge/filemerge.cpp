#include "core/merge/filemerge.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace merge {

namespace {

// Kind (the known kinds in their order, then the unknown ones by their word),
// number and occurrence: what pairs objects and orders those THEIRS lacks.
using TKey = std::tuple<int, std::string_view, std::int32_t, std::int32_t>;

std::vector<TKey> Keys(const TObjectTextFile& File)
{
    std::map<std::tuple<int, std::string_view, std::int32_t>, std::int32_t> Seen;
    std::vector<TKey> Result;
    Result.reserve(std::size_t(File.Count()));
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        const int Kind = Object.ObjectType() == otUnknown ? ObjectTypeCount : int(Object.ObjectType());
        const std::int32_t Occurrence = Seen[{Kind, Object.UnknownKindWord(), Object.ID()}]++;
        Result.emplace_back(Kind, Object.UnknownKindWord(), Object.ID(), Occurrence);
    }
    return Result;
}

} // namespace

std::vector<TMergeEntry> MatchThree(const TObjectTextFile& Base, const TObjectTextFile& Ours,
                                    const TObjectTextFile& Theirs)
{
    std::map<TKey, TMergeEntry> Others; // in BASE or OURS, not in THEIRS
    const std::vector<TKey> TheirsKeys = Keys(Theirs);
    std::map<TKey, std::int32_t> InTheirs;
    for (std::int32_t I = 0; I < std::int32_t(TheirsKeys.size()); ++I)
        InTheirs.emplace(TheirsKeys[std::size_t(I)], I);
    std::vector<TMergeEntry> FromTheirs(TheirsKeys.size());
    const auto EntryFor = [&](const TKey& Key) -> TMergeEntry& {
        const auto Found = InTheirs.find(Key);
        return Found != InTheirs.end() ? FromTheirs[std::size_t(Found->second)] : Others[Key];
    };
    const auto Fill = [&](const TObjectTextFile& File, std::int32_t TMergeEntry::*Index) {
        const std::vector<TKey> FileKeys = Keys(File);
        for (std::int32_t I = 0; I < std::int32_t(FileKeys.size()); ++I) {
            TMergeEntry& Entry = EntryFor(FileKeys[std::size_t(I)]);
            Entry.*Index = I;
            Entry.ObjectType = File.Objects(I).ObjectType();
            Entry.ID = File.Objects(I).ID();
        }
    };
    Fill(Base, &TMergeEntry::BaseIndex);
    Fill(Ours, &TMergeEntry::OursIndex);
    Fill(Theirs, &TMergeEntry::TheirsIndex);
    // THEIRS' order, each other object before the first of THEIRS' that sorts after it.
    std::vector<TMergeEntry> Entries;
    Entries.reserve(FromTheirs.size() + Others.size());
    auto Other = Others.begin();
    for (std::size_t I = 0; I < FromTheirs.size(); ++I) {
        for (; Other != Others.end() && Other->first < TheirsKeys[I]; ++Other)
            Entries.push_back(Other->second);
        Entries.push_back(FromTheirs[I]);
    }
    for (; Other != Others.end(); ++Other)
        Entries.push_back(Other->second);
    return Entries;
}

TFileMerger::TFileMerger(const TObjectTextFile& Base, const TObjectTextFile& Ours, const TObjectTextFile& Theirs,
                         const TMergeOptions& Options)
    : FBase(Base), FOurs(Ours), FTheirs(Theirs), FOptions(Options), FComparer(TCompareOptions{Options.Strict})
{
}

const TObjectTextObject* TFileMerger::BaseObject(const TMergeEntry& Entry) const
{
    return Entry.BaseIndex >= 0 ? &FBase.Objects(Entry.BaseIndex) : nullptr;
}

const TObjectTextObject* TFileMerger::OursObject(const TMergeEntry& Entry) const
{
    return Entry.OursIndex >= 0 ? &FOurs.Objects(Entry.OursIndex) : nullptr;
}

const TObjectTextObject* TFileMerger::TheirsObject(const TMergeEntry& Entry) const
{
    return Entry.TheirsIndex >= 0 ? &FTheirs.Objects(Entry.TheirsIndex) : nullptr;
}

void TFileMerger::SetEncodings(std::shared_ptr<const TFileEncodings> Base, std::shared_ptr<const TFileEncodings> Ours,
                               std::shared_ptr<const TFileEncodings> Theirs)
{
    FBaseEncodings = std::move(Base);
    FOursEncodings = std::move(Ours);
    FTheirsEncodings = std::move(Theirs);
}

std::optional<TObjectEncodings> TFileMerger::EncodingsOf(const TMergeEntry& Entry) const
{
    if (!FBaseEncodings || !FOursEncodings || !FTheirsEncodings)
        return std::nullopt;
    const auto Of = [](const TFileEncodings& File, std::int32_t Index) {
        return Index >= 0 ? File.ForObject(Index) : std::nullopt;
    };
    TObjectEncodings Result{Of(*FBaseEncodings, Entry.BaseIndex), Of(*FOursEncodings, Entry.OursIndex),
                            Of(*FTheirsEncodings, Entry.TheirsIndex)};
    const std::optional<codepages::TEncoding> Target =
        Result.Ours ? Result.Ours : FOursEncodings->CodePage() ? FOursEncodings->CodePage()
                                  : Result.Theirs             ? Result.Theirs
                                                              : Result.Base;
    if (!Target)
        return std::nullopt; // all plain ASCII
    Result.Target = *Target;
    for (const std::optional<codepages::TEncoding>& Version : {Result.Base, Result.Ours, Result.Theirs})
        if (Version && *Version != *Target)
            return Result;
    return std::nullopt;
}

std::string_view TFileMerger::Merge(TMergeEntry& Entry)
{
    const TObjectTextObject* const BaseObject = this->BaseObject(Entry);
    const TObjectTextObject* const OursObject = this->OursObject(Entry);
    const TObjectTextObject* const TheirsObject = this->TheirsObject(Entry);
    const std::string_view Base = BaseObject ? BaseObject->ReadTextInto(FBaseText) : std::string_view();
    const std::string_view Ours = OursObject ? OursObject->ReadTextInto(FOursText) : std::string_view();
    const std::string_view Theirs = TheirsObject ? TheirsObject->ReadTextInto(FTheirsText) : std::string_view();
    Entry.Conflicts = 0;
    Entry.Structured = false;
    const auto Take = [&Entry](TMergeStatus Status, std::string_view Text) {
        Entry.Status = Status;
        return Text;
    };
    if (!OursObject && !TheirsObject)
        return Take(TMergeStatus::Deleted, {});
    if (!OursObject || !TheirsObject) {
        const std::string_view Kept = OursObject ? Ours : Theirs;
        if (!BaseObject)
            return Take(TMergeStatus::Added, Kept);
        if (!FComparer.Differ(Base, Kept))
            return Take(TMergeStatus::Deleted, {});
        Entry.Conflicts = 1; // deleted against changed: the change kept, for a look
        return Take(TMergeStatus::Conflict, Kept);
    }
    const bool OursChanged = !BaseObject || FComparer.Differ(Base, Ours);
    const bool TheirsChanged = !BaseObject || FComparer.Differ(Base, Theirs);
    if (!OursChanged)
        return Take(TheirsChanged ? TMergeStatus::Theirs : TMergeStatus::Unchanged, TheirsChanged ? Theirs : Ours);
    if (!TheirsChanged)
        return Take(TMergeStatus::Ours, Ours);
    if (!FComparer.Differ(Ours, Theirs))
        return Take(BaseObject ? TMergeStatus::Merged : TMergeStatus::Added, Ours);
    const std::optional<std::string_view> BaseText = BaseObject ? std::optional(Base) : std::nullopt;
    const std::optional<TObjectEncodings> Encodings = EncodingsOf(Entry);
    TObjectMergeResult Result = Encodings ? MergeEncodedTexts(BaseText, Ours, Theirs, *Encodings, FOptions)
                                          : MergeObjectTexts(BaseText, Ours, Theirs, FOptions);
    FMerged = std::move(Result.Merged);
    Entry.Structured = Result.Structured;
    Entry.Conflicts = std::int32_t(FMerged.Conflicts.size());
    return Take(Entry.Conflicts > 0 ? TMergeStatus::Conflict : TMergeStatus::Merged, FMerged.Text);
}

TMergedText TFileMerger::MergedText(TMergeEntry& Entry)
{
    const std::string_view Text = Merge(Entry);
    if (Text.data() == FMerged.Text.data())
        return FMerged;
    return TMergedText{std::string(Text), {}};
}

std::vector<TMergeEntry> MergeFiles(const TObjectTextFile& Base, const TObjectTextFile& Ours,
                                    const TObjectTextFile& Theirs, const TMergeOptions& Options,
                                    const TMergeSink& Sink, const TMergeProgress& Progress)
{
    std::vector<TMergeEntry> Entries = MatchThree(Base, Ours, Theirs);
    TFileMerger Merger(Base, Ours, Theirs, Options);
    const std::int32_t Total = std::int32_t(Entries.size());
    std::int32_t Done = 0;
    for (TMergeEntry& Entry : Entries) {
        const std::string_view Text = Merger.Merge(Entry);
        if (Sink)
            Sink(Entry, Text);
        ++Done;
        if (Progress && !Progress(Done, Total))
            break;
    }
    return Entries;
}

} // namespace merge
