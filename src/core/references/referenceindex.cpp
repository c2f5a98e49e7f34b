#include "core/references/referenceindex.h"

#include "core/objectoutline.h"
#include "core/references/targetfilter.h"
#include "core/search/findtext.h"

#include <algorithm>
#include <limits>
#include <map>
#include <thread>
#include <tuple>

namespace references {

namespace {

std::uint64_t NumberKey(TObjectType Type, std::int32_t ID)
{
    return std::uint64_t(Type) << 32 | std::uint32_t(ID);
}

std::string NameKey(TObjectType Type, std::string_view Name)
{
    std::string Key(1, char(Type));
    for (const char C : Name)
        Key += C >= 'A' && C <= 'Z' ? char(C + 32) : C;
    return Key;
}

bool Within(std::int32_t Offset, std::int32_t Start, std::int32_t Length)
{
    return Offset >= Start && Offset <= Start + Length;
}

// Of the references under Offset, the one a caret means: the narrowest whose
// marked bytes hold it, else the narrowest that holds it at all.
const TReference* Under(const std::vector<TReference>& References, std::int32_t Offset,
                        const std::function<bool(const TReference&)>& Wanted)
{
    const TReference* Best = nullptr;
    bool BestMarked = false;
    for (const TReference& Reference : References) {
        if (!Wanted(Reference) || !Within(Offset, Reference.Offset, Reference.Length))
            continue;
        const bool Marked = Within(Offset, Reference.MarkOffset, Reference.MarkLength);
        if (!Best || (Marked && !BestMarked) || (Marked == BestMarked && Reference.Length < Best->Length)) {
            Best = &Reference;
            BestMarked = Marked;
        }
    }
    return Best;
}

// An outline caption's own name: "1 No." -> "No.", "LOCAL Post" -> "Post",
// "TextBox \"No.\"" -> "No.", "No. - OnValidate" -> "OnValidate".
bool CaptionNames(const TOutlineEntry& Entry, std::string_view Member)
{
    std::string_view Caption = Entry.Caption;
    if (const std::size_t Dash = Caption.rfind(" - "); Entry.Kind == TOutlineKind::Trigger && Dash != std::string_view::npos)
        Caption.remove_prefix(Dash + 3);
    if (Entry.Kind == TOutlineKind::Control || Entry.Kind == TOutlineKind::Field || Entry.Kind == TOutlineKind::Procedure)
        if (const std::size_t Space = Caption.find(' '); Space != std::string_view::npos)
            Caption.remove_prefix(Space + 1);
    if (Caption.size() >= 2 && Caption.front() == '"' && Caption.back() == '"')
        Caption = Caption.substr(1, Caption.size() - 2);
    return SameName(Caption, Member);
}

}  // namespace

std::string_view ReadObject(const TObjectTextFile& File, std::int32_t Object, platform::TStream& Reader,
                            std::string& Buffer)
{
    const TObjectTextObject& Entry = File.Objects(Object);
    if (Buffer.size() < std::size_t(Entry.Size()))
        Buffer.resize(std::size_t(Entry.Size()));
    if (Entry.Size() > 0 && (Reader.Seek(Entry.Offset(), platform::TSeekOrigin::soBeginning) != Entry.Offset() ||
                             Reader.Read(Buffer.data(), Entry.Size()) != Entry.Size()))
        throw platform::EReadError("Stream read error");
    return std::string_view(Buffer.data(), std::size_t(Entry.Size()));
}

TReferenceIndex::TReferenceIndex(const TObjectTextFile& File) : FFile(File) { LearnNames(); }

void TReferenceIndex::LearnNames()
{
    FByNumber.clear();
    FByName.clear();
    for (std::int32_t I = 0; I < FFile.Count(); ++I) {
        const TObjectTextObject& Object = FFile.Objects(I);
        // The first object of a kind and number, or name, is the one meant.
        FByNumber.emplace(NumberKey(Object.ObjectType(), Object.ID()), I);
        FByName.emplace(NameKey(Object.ObjectType(), Object.Name()), I);
    }
}

std::int32_t TReferenceIndex::ObjectNumbered(TObjectType Type, std::int32_t ID) const
{
    const auto Found = FByNumber.find(NumberKey(Type, ID));
    return Found == FByNumber.end() ? -1 : Found->second;
}

std::int32_t TReferenceIndex::ObjectNamed(TObjectType Type, std::string_view Name) const
{
    const auto Found = FByName.find(NameKey(Type, Name));
    return Found == FByName.end() ? -1 : Found->second;
}

TTarget TReferenceIndex::TargetOf(std::int32_t Object) const
{
    const TObjectTextObject& Entry = FFile.Objects(Object);
    return {Object, Entry.ObjectType(), Entry.ID(), std::string(Entry.Name())};
}

TTarget TReferenceIndex::Resolve(const TReference& Reference) const
{
    const std::int32_t Object =
        Reference.Name.empty() ? ObjectNumbered(Reference.Type, Reference.ID) : ObjectNamed(Reference.Type, Reference.Name);
    if (Object >= 0)
        return TargetOf(Object);
    return {-1, Reference.Type, Reference.ID, std::string(Reference.Name)};
}

bool TReferenceIndex::Names(const TReference& Reference, const TTarget& Target) const
{
    const TTarget Named = Resolve(Reference);
    if (Target.Object >= 0 || Named.Object >= 0)
        return Named.Object == Target.Object;
    return Named.Type == Target.Type && Named.ID == Target.ID && SameName(Named.Name, Target.Name);
}

std::int32_t TReferenceIndex::MissingKey(TTarget Target)
{
    const std::string Key = Target.ID != 0 ? NameKey(Target.Type, "#" + std::to_string(Target.ID))
                                           : NameKey(Target.Type, "$" + Target.Name);
    const auto [Found, Added] = FMissingKeys.emplace(Key, std::int32_t(FMissing.size()));
    if (Added)
        FMissing.push_back(std::move(Target));
    return ~Found->second;
}

std::int32_t TReferenceIndex::KeyOf(const TTarget& Target) const
{
    if (Target.Object >= 0)
        return Target.Object;
    const std::string Key = Target.ID != 0 ? NameKey(Target.Type, "#" + std::to_string(Target.ID))
                                           : NameKey(Target.Type, "$" + Target.Name);
    const auto Found = FMissingKeys.find(Key);
    return Found == FMissingKeys.end() ? std::numeric_limits<std::int32_t>::min() : ~Found->second;
}

TTarget TReferenceIndex::TargetOfKey(std::int32_t Key) const
{
    return Key >= 0 ? TargetOf(Key) : FMissing[std::size_t(~Key)];
}

// The references a run of objects makes, resolved, as one worker found them.
struct TReferenceIndex::TChunk {
    struct TFound {
        std::int32_t Offset, Length, Line;
        std::int32_t Object;  // -1: Missing[Index]
        std::int32_t Missing;
    };
    std::vector<std::int32_t> Counts;  // per object
    std::vector<TFound> Found;
    std::vector<TTarget> Missing;
};

namespace {
constexpr std::int32_t ChunkObjects = 32;

// Runs Work(Reader, true) here and, when Both and the reader gives a second
// one, Work(second, false) on a thread beside it. A failure on either sets
// Stop, so the other ends early, and is raised here once both are done.
template <typename TWork>
void OnTwoReaders(platform::TStream& Reader, bool Both, std::atomic<bool>& Stop, const TWork& Work)
{
    std::unique_ptr<platform::TStream> Second = Both ? Reader.Duplicate() : nullptr;
    std::exception_ptr Failure;
    std::thread Helper;
    if (Second)
        Helper = std::thread([&] {
            try {
                Work(*Second, false);
            } catch (...) {
                Failure = std::current_exception();
                Stop = true;
            }
        });
    try {
        Work(Reader, true);
    } catch (...) {
        Stop = true;
        if (Helper.joinable())
            Helper.join();
        throw;
    }
    if (Helper.joinable())
        Helper.join();
    if (Failure)
        std::rethrow_exception(Failure);
}
}  // namespace

bool TReferenceIndex::Build(platform::TStream& Reader, const TProgress& Progress, const std::atomic<bool>* Cancel)
{
    FFirst.clear();
    FEntries.clear();
    FByTarget.clear();
    FMissing.clear();
    FMissingKeys.clear();
    FBuilt = false;
    LearnNames();
    const std::int32_t Count = FFile.Count();
    std::vector<TChunk> Chunks(std::size_t((Count + ChunkObjects - 1) / ChunkObjects));
    std::atomic<std::int32_t> Next{0}, Done{0};
    std::atomic<bool> Stop{false};
    const auto Cancelled = [&] {
        if (Cancel && Cancel->load(std::memory_order_relaxed))
            Stop = true;
        return Stop.load(std::memory_order_relaxed);
    };
    // Each worker takes the next run of objects until none is left; runs are
    // merged in order, so the index is the same whoever scanned what.
    const auto Work = [&](platform::TStream& Stream, bool Reports) {
        TReferenceScanner Scanner;
        std::string Buffer;
        for (std::int32_t C = Next++; std::size_t(C) < Chunks.size() && !Cancelled(); C = Next++) {
            TChunk& Chunk = Chunks[std::size_t(C)];
            const std::int32_t End = std::min(Count, (C + 1) * ChunkObjects);
            for (std::int32_t I = C * ChunkObjects; I < End && !Cancelled(); ++I)
                ScanInto(Chunk, I, Stream, Scanner, Buffer);
            Done += End - C * ChunkObjects;
            if (Reports && Progress)
                Progress(Done.load(), Count);
        }
    };
    OnTwoReaders(Reader, Chunks.size() > 1, Stop, Work);
    if (Stop)
        return false;
    if (Progress && Count > 0)
        Progress(Count, Count);
    Merge(Chunks);
    FBuilt = true;
    return true;
}

void TReferenceIndex::ScanInto(TChunk& Chunk, std::int32_t Object, platform::TStream& Reader,
                               TReferenceScanner& Scanner, std::string& Buffer) const
{
    const TObjectTextObject& Entry = FFile.Objects(Object);
    const std::string_view Text = ReadObject(FFile, Object, Reader, Buffer);
    std::int32_t Found = 0;
    for (const TReference& Reference : Scanner.Scan(Text, Entry.ObjectType(), Entry.ID(), TScanDepth::Objects)) {
        TTarget Target = Resolve(Reference);
        if (Reference.Weak && Target.Object < 0)
            continue;
        const std::int32_t Missing = Target.Object < 0 ? std::int32_t(Chunk.Missing.size()) : -1;
        if (Target.Object < 0)
            Chunk.Missing.push_back(std::move(Target));
        Chunk.Found.push_back({Reference.MarkOffset, Reference.MarkLength, Reference.Line, Target.Object, Missing});
        ++Found;
    }
    Chunk.Counts.push_back(Found);
}

void TReferenceIndex::Merge(std::vector<TChunk>& Chunks)
{
    std::size_t Total = 0;
    for (const TChunk& Chunk : Chunks)
        Total += Chunk.Found.size();
    FEntries.reserve(Total);
    for (TChunk& Chunk : Chunks) {
        std::size_t At = 0;
        for (const std::int32_t Found : Chunk.Counts) {
            FFirst.push_back(std::int32_t(FEntries.size()));
            for (const std::size_t End = At + std::size_t(Found); At < End; ++At) {
                const TChunk::TFound& F = Chunk.Found[At];
                const std::int32_t Key = F.Object >= 0 ? F.Object : MissingKey(std::move(Chunk.Missing[std::size_t(F.Missing)]));
                FEntries.push_back({F.Offset, F.Length, F.Line, Key});
            }
        }
        Chunk = {};
    }
    FFirst.push_back(std::int32_t(FEntries.size()));
    FByTarget.resize(FEntries.size());
    for (std::size_t I = 0; I < FByTarget.size(); ++I)
        FByTarget[I] = std::int32_t(I);
    std::stable_sort(FByTarget.begin(), FByTarget.end(),
                     [this](std::int32_t A, std::int32_t B) { return FEntries[std::size_t(A)].Target < FEntries[std::size_t(B)].Target; });
}

std::vector<TPlace> TReferenceIndex::RefsTo(const TTarget& Target) const
{
    std::vector<TPlace> Places;
    const std::int32_t Key = KeyOf(Target);
    const auto Less = [this](std::int32_t Entry, std::int32_t K) { return FEntries[std::size_t(Entry)].Target < K; };
    for (auto I = std::lower_bound(FByTarget.begin(), FByTarget.end(), Key, Less);
         I != FByTarget.end() && FEntries[std::size_t(*I)].Target == Key; ++I) {
        const TEntry& Entry = FEntries[std::size_t(*I)];
        const std::int32_t Object = std::int32_t(std::upper_bound(FFirst.begin(), FFirst.end(), *I) - FFirst.begin()) - 1;
        Places.push_back({Object, Entry.Offset, Entry.Length, Entry.Line});
    }
    return Places;
}

std::vector<TPlace> TReferenceIndex::RefsTo(const TTarget& Target, std::string_view Member, platform::TStream& Reader,
                                            const std::atomic<bool>* Cancel) const
{
    std::vector<std::int32_t> Objects;
    if (Target.Object >= 0)
        Objects.push_back(Target.Object);
    for (const TPlace& Place : RefsTo(Target))
        Objects.push_back(Place.Object);
    std::sort(Objects.begin(), Objects.end());
    Objects.erase(std::unique(Objects.begin(), Objects.end()), Objects.end());
    std::vector<TPlace> Places;
    TReferenceScanner Scanner;
    std::string Buffer;
    const TMemberFilter Filter(Member);
    for (const std::int32_t Object : Objects) {
        if (Cancel && Cancel->load(std::memory_order_relaxed))
            break;
        const TObjectTextObject& Entry = FFile.Objects(Object);
        const std::string_view Text = ReadObject(FFile, Object, Reader, Buffer);
        if (!Filter.Spells(Text))
            continue;  // a member's reference spells its name
        for (const TReference& Reference : Scanner.Scan(Text, Entry.ObjectType(), Entry.ID(), TScanDepth::Members, Member))
            if (!Reference.Definition && SameName(Reference.Member, Member) && Names(Reference, Target))
                Places.push_back({Object, Reference.MarkOffset, Reference.MarkLength, Reference.Line});
    }
    return Places;
}

std::vector<TDependency> TReferenceIndex::Counted(std::vector<TTarget> Targets)
{
    const auto Before = [](const TTarget& A, const TTarget& B) {
        return std::tie(A.Type, A.ID, A.Name, A.Object) < std::tie(B.Type, B.ID, B.Name, B.Object);
    };
    std::sort(Targets.begin(), Targets.end(), Before);
    std::vector<TDependency> Dependencies;
    for (TTarget& Target : Targets) {
        if (Dependencies.empty() || Before(Dependencies.back().Target, Target))
            Dependencies.push_back({std::move(Target), 0});
        ++Dependencies.back().Count;
    }
    return Dependencies;
}

std::vector<TDependency> TReferenceIndex::DepsOf(std::int32_t Object) const
{
    std::vector<TTarget> Targets;
    if (Object >= 0 && std::size_t(Object) + 1 < FFirst.size())
        for (std::int32_t I = FFirst[std::size_t(Object)]; I < FFirst[std::size_t(Object) + 1]; ++I)
            Targets.push_back(TargetOfKey(FEntries[std::size_t(I)].Target));
    return Counted(std::move(Targets));
}

std::vector<TDependency> TReferenceIndex::ScanDepsOf(std::int32_t Object, platform::TStream& Reader) const
{
    const TObjectTextObject& Entry = FFile.Objects(Object);
    std::string Buffer;
    TReferenceScanner Scanner;
    std::vector<TTarget> Targets;
    for (const TReference& Reference :
         Scanner.Scan(ReadObject(FFile, Object, Reader, Buffer), Entry.ObjectType(), Entry.ID(), TScanDepth::Objects)) {
        TTarget Target = Resolve(Reference);
        if (Target.Object >= 0 || !Reference.Weak)
            Targets.push_back(std::move(Target));
    }
    // Missing objects named differently in case are one.
    for (TTarget& Target : Targets)
        if (Target.Object < 0)
            for (const TTarget& Other : Targets)
                if (Other.Object < 0 && Other.Type == Target.Type && Other.ID == Target.ID && SameName(Other.Name, Target.Name)) {
                    Target.Name = Other.Name;
                    break;
                }
    return Counted(std::move(Targets));
}

namespace {

// One object's references to the target, as a worker found them, waiting
// to be told in the order of the objects.
struct TScanned {
    std::atomic<bool> Done{false};
    std::vector<TPlace> Places;
};

}  // namespace

void TReferenceIndex::ScanFor(const TTarget& Target, std::string_view Member, platform::TStream& Reader,
                              const TFound& Found) const
{
    ScanObjects(Target, Member, Reader, Found, std::vector<TVerdict>(std::size_t(FFile.Count()), TVerdict::Unknown));
}

void TReferenceIndex::ScanFor(const TTarget& Target, std::string_view Member, platform::TStream& Reader,
                              const TFound& Found, const TLoadFilter& Filter) const
{
    ScanObjects(Target, Member, Reader, Found, Filter.Verdicts(Target));
}

void TReferenceIndex::ScanObjects(const TTarget& Target, std::string_view Member, platform::TStream& Reader,
                                  const TFound& Found, const std::vector<TVerdict>& Verdicts) const
{
    // Every reference spells the number or the name; the object's own
    // code reaches its members without either.
    std::vector<std::int32_t> Objects;
    for (std::int32_t Object = 0; Object < FFile.Count(); ++Object)
        if (Verdicts[std::size_t(Object)] != TVerdict::No || (Object == Target.Object && !Member.empty()))
            Objects.push_back(Object);
    const TTargetFilter Filter(Target);
    const TMemberFilter MemberFilter(Member);
    const TScanDepth Depth = Member.empty() ? TScanDepth::Objects : TScanDepth::Members;
    std::unique_ptr<TScanned[]> Scanned(new TScanned[Objects.size()]);
    std::atomic<std::size_t> Next{0};
    std::atomic<bool> Stop{false};
    const auto Scan = [&](std::size_t I, platform::TStream& Stream, TReferenceScanner& Scanner,
                          std::string& Buffer) -> std::string_view {
        const std::int32_t Object = Objects[I];
        const TObjectTextObject& Entry = FFile.Objects(Object);
        const std::string_view Text = ReadObject(FFile, Object, Stream, Buffer);
        const bool Own = Object == Target.Object && !Member.empty();
        const TVerdict Verdict = Verdicts[std::size_t(Object)];
        if (!Own && ((Verdict == TVerdict::Unknown && !Filter.Passes(Text, Entry)) ||
                     (Verdict == TVerdict::ByName && !Filter.Spells(Text))))
            return Text;
        // A member's reference spells its name.
        if (!Member.empty() && !MemberFilter.Spells(Text))
            return Text;
        TScanned& Into = Scanned[I];
        // Past the last number or name nothing more refers to the object itself.
        const std::string_view Scope = Member.empty() ? Text.substr(0, Filter.Reach(Text, Entry)) : Text;
        for (const TReference& Reference : Scanner.Scan(Scope, Entry.ObjectType(), Entry.ID(), Depth, Member)) {
            if (Reference.Definition || !SameName(Reference.Member, Member) || !Names(Reference, Target))
                continue;
            if (Reference.Weak && Target.Object < 0)
                continue;
            Into.Places.push_back({Object, Reference.MarkOffset, Reference.MarkLength, Reference.Line});
        }
        return Text;
    };
    // Each worker takes the next object until none is left.
    using TAfter = std::function<void(std::size_t I, std::string_view Text)>;
    const auto Work = [&](platform::TStream& Stream, const TAfter& After) {
        TReferenceScanner Scanner;
        std::string Buffer;
        for (std::size_t I = Next++; I < Objects.size() && !Stop.load(std::memory_order_relaxed); I = Next++) {
            const std::string_view Text = Scan(I, Stream, Scanner, Buffer);
            Scanned[I].Done.store(true, std::memory_order_release);
            if (After)
                After(I, Text);
        }
    };
    // The referring objects' texts are not kept: the one just scanned is at
    // hand, the others are read again.
    std::size_t Told = 0;
    std::string Again;
    const TAfter Tell = [&](std::size_t Current, std::string_view CurrentText) {
        for (; Told < Objects.size() && Scanned[Told].Done.load(std::memory_order_acquire); ++Told) {
            if (Scanned[Told].Places.empty())
                continue;
            const std::string_view Text =
                Told == Current ? CurrentText : ReadObject(FFile, Objects[Told], Reader, Again);
            for (const TPlace& Place : Scanned[Told].Places)
                Found(Place, Text);
            std::vector<TPlace>().swap(Scanned[Told].Places);
        }
    };
    // Only this thread tells, in order, what both have scanned.
    OnTwoReaders(Reader, Objects.size() > 1, Stop,
                 [&](platform::TStream& Stream, bool Here) { Work(Stream, Here ? Tell : TAfter()); });
    Tell(Objects.size(), {});
}

std::optional<TResolved> TReferenceIndex::ReferenceAt(std::int32_t Object, std::string_view Text, std::int32_t Offset,
                                                      platform::TStream* Reader) const
{
    const TObjectTextObject& Entry = FFile.Objects(Object);
    TReferenceScanner Scanner;
    const std::vector<TReference>& References = Scanner.Scan(Text, Entry.ObjectType(), Entry.ID(), TScanDepth::Members);
    std::string Buffer;
    const TReference* Found = Under(References, Offset, [&](const TReference& Reference) {
        if (Reference.Definition)
            return false;
        if (!Reference.Implicit || !Reader)
            return true;
        const TTarget Target = Resolve(Reference);
        return Target.Object >= 0 &&
               MemberLine(ReadObject(FFile, Target.Object, *Reader, Buffer), Target.Type, Target.ID, Reference.Member) > 0;
    });
    if (!Found)
        return std::nullopt;
    return TResolved{*Found, Resolve(*Found)};
}

std::optional<TResolved> TReferenceIndex::MemberAt(std::int32_t Object, std::string_view Text, std::int32_t Offset) const
{
    const TObjectTextObject& Entry = FFile.Objects(Object);
    TReferenceScanner Scanner;
    const TReference* Found = Under(Scanner.Scan(Text, Entry.ObjectType(), Entry.ID(), TScanDepth::Members), Offset,
                                    [](const TReference& Reference) { return Reference.Definition; });
    if (!Found)
        return std::nullopt;
    return TResolved{*Found, TargetOf(Object)};
}

TDefinition TReferenceIndex::Definition(const TResolved& Found, platform::TStream& Reader) const
{
    TDefinition Definition;
    Definition.Object = Found.Target.Object;
    if (Definition.Object < 0)
        return Definition;
    if (Found.Reference.Member.empty()) {
        Definition.Line = 1;
        return Definition;
    }
    std::string Buffer;
    Definition.Line = MemberLine(ReadObject(FFile, Definition.Object, Reader, Buffer), Found.Target.Type,
                                 Found.Target.ID, Found.Reference.Member);
    return Definition;
}

std::int32_t TReferenceIndex::MemberLine(std::string_view Text, TObjectType Type, std::int32_t ID, std::string_view Member)
{
    TReferenceScanner Scanner;
    for (const TReference& Reference : Scanner.Scan(Text, Type, ID, TScanDepth::Members))
        if (Reference.Definition && SameName(Reference.Member, Member))
            return Reference.Line;
    // Triggers, keys and controls, as the outline names them.
    const TObjectOutline Outline(Text);
    for (const TOutlineEntry& Entry : Outline.Entries())
        if (Entry.Kind != TOutlineKind::Field && Entry.Kind != TOutlineKind::Procedure && CaptionNames(Entry, Member))
            return Entry.Line + 1;
    return -1;
}

std::size_t TReferenceIndex::MemoryUsed() const
{
    std::size_t Bytes = FFirst.capacity() * sizeof(std::int32_t) + FEntries.capacity() * sizeof(TEntry) +
                        FByTarget.capacity() * sizeof(std::int32_t) + FMissing.capacity() * sizeof(TTarget);
    // The maps: a node (key, value, link, hash) and a bucket each.
    Bytes += FByNumber.size() * (sizeof(std::uint64_t) + 32) + FByName.size() * (sizeof(std::string) + 40) +
             FMissingKeys.size() * (sizeof(std::string) + 40);
    return Bytes;
}

}  // namespace references
