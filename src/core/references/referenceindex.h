// Where-used across a loaded file: which objects each object refers to and
// where, built once from every object's text on a worker thread beside the
// window, and the answers Go to Definition, Find References and the companion
// ask of it.
//
// The index keeps the references that name an object (positions and object
// indexes, no text); references to a member are found by scanning again the
// few objects that refer to its object, since a member is reached only
// through a variable of the object's type, the object's own code or a
// property naming it. Standard C++ only; reads raise platform::EReadError.
#pragma once

#include "core/references/referencescanner.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace references {

class TLoadFilter;
enum class TVerdict : std::uint8_t;

// An object referred to: one of the file's, or one missing from it (Object
// -1), known then by kind and number, or by kind and name (ID 0).
struct TTarget {
    std::int32_t Object = -1;
    TObjectType Type = otUnknown;
    std::int32_t ID = 0;
    std::string Name;
};

// A referring place: the object's index, the marked bytes in its text and
// their line (1-based, as the text view numbers lines).
struct TPlace {
    std::int32_t Object = 0;
    std::int32_t Offset = 0;
    std::int32_t Length = 0;
    std::int32_t Line = 1;
    bool operator==(const TPlace& O) const
    {
        return Object == O.Object && Offset == O.Offset && Length == O.Length && Line == O.Line;
    }
};

struct TDependency {
    TTarget Target;
    std::int32_t Count = 0;  // references to it
};

// A reference found at a caret, its target resolved.
struct TResolved {
    TReference Reference;  // views into the text searched
    TTarget Target;
};

// Where a reference leads: the object and the line (1-based) of its member,
// -1 when the object holds no member of that name; Object -1 when the object
// is missing from the file.
struct TDefinition {
    std::int32_t Object = -1;
    std::int32_t Line = -1;
};

class TReferenceIndex {
public:
    // Object names and numbers from File's headers (again on Build); File
    // must outlive the index.
    explicit TReferenceIndex(const TObjectTextFile& File);

    // Done objects of Count; called every few objects.
    using TProgress = std::function<void(std::int32_t Done, std::int32_t Count)>;
    // Reads and scans every object through Reader (SecondReader() of the
    // file), and on a second thread through a duplicate of Reader when it
    // gives one; false when Cancel was set, leaving the index empty.
    // Progress is called on the calling thread only.
    bool Build(platform::TStream& Reader, const TProgress& Progress = {}, const std::atomic<bool>* Cancel = nullptr);
    bool Built() const { return FBuilt; }

    // The file's object a reference names, or the missing one it names.
    TTarget Resolve(const TReference& Reference) const;
    TTarget TargetOf(std::int32_t Object) const;

    // Every reference naming Target, by referring object and position.
    std::vector<TPlace> RefsTo(const TTarget& Target) const;
    // Every reference to Target's member (a field, procedure ...), found by
    // scanning Target and the objects that refer to it through Reader.
    std::vector<TPlace> RefsTo(const TTarget& Target, std::string_view Member, platform::TStream& Reader,
                               const std::atomic<bool>* Cancel = nullptr) const;
    // The objects that object Object refers to, in the order of kind, number and name.
    std::vector<TDependency> DepsOf(std::int32_t Object) const;

    // The reference under Offset in Text, the text of object Object (for
    // Ctrl+click, F12, hover). An unqualified name is a member only if its
    // record has one of that name: with Reader that is checked, else the
    // result says Reference.Implicit and Definition tells.
    std::optional<TResolved> ReferenceAt(std::int32_t Object, std::string_view Text, std::int32_t Offset,
                                         platform::TStream* Reader = nullptr) const;
    // The member whose definition (a field's row, a procedure's heading) lies
    // under Offset in object Object's own Text: for Find References there.
    std::optional<TResolved> MemberAt(std::int32_t Object, std::string_view Text, std::int32_t Offset) const;
    // Where a reference leads, reading the target's text through Reader.
    TDefinition Definition(const TResolved& Found, platform::TStream& Reader) const;
    // The line (1-based) of the field, procedure, trigger, key or control
    // Member in object Object's Text; -1 when none is called so.
    static std::int32_t MemberLine(std::string_view Text, TObjectType Type, std::int32_t ID, std::string_view Member);

    // Without the index, for one question asked once (the companion): the
    // references to Target (with Member: to that member), found by scanning
    // only the objects where Target's number or name occurs. Found gets
    // each with the referring object's text. The same places as RefsTo.
    using TFound = std::function<void(const TPlace& Place, std::string_view Text)>;
    void ScanFor(const TTarget& Target, std::string_view Member, platform::TStream& Reader, const TFound& Found) const;
    // The same, reading again only the objects that Filter, which watched
    // the load of this index's file, cannot rule out.
    void ScanFor(const TTarget& Target, std::string_view Member, platform::TStream& Reader, const TFound& Found,
                 const TLoadFilter& Filter) const;
    // Both read and scan on two threads when Reader gives a duplicate; Found
    // is called on the calling thread, in the order of the objects.
    // What object Object refers to, as DepsOf says it, from its text alone.
    std::vector<TDependency> ScanDepsOf(std::int32_t Object, platform::TStream& Reader) const;

    // Bytes the index holds, for the benchmark.
    std::size_t MemoryUsed() const;

private:
    struct TEntry {
        std::int32_t Offset, Length, Line;
        std::int32_t Target;  // >= 0: an object; < 0: ~ the missing one's index
    };

    struct TChunk;
    void LearnNames();
    void ScanInto(TChunk& Chunk, std::int32_t Object, platform::TStream& Reader, TReferenceScanner& Scanner,
                  std::string& Buffer) const;
    void Merge(std::vector<TChunk>& Chunks);
    std::int32_t MissingKey(TTarget Target);
    std::int32_t KeyOf(const TTarget& Target) const;
    TTarget TargetOfKey(std::int32_t Key) const;
    std::int32_t ObjectNamed(TObjectType Type, std::string_view Name) const;
    std::int32_t ObjectNumbered(TObjectType Type, std::int32_t ID) const;
    bool Names(const TReference& Reference, const TTarget& Target) const;
    static std::vector<TDependency> Counted(std::vector<TTarget> Targets);
    void ScanObjects(const TTarget& Target, std::string_view Member, platform::TStream& Reader, const TFound& Found,
                     const std::vector<TVerdict>& Verdicts) const;

    const TObjectTextFile& FFile;
    std::unordered_map<std::uint64_t, std::int32_t> FByNumber;
    std::unordered_map<std::string, std::int32_t> FByName;  // kind byte + folded name
    std::vector<std::int32_t> FFirst;    // per object: its first entry; one more at the end
    std::vector<TEntry> FEntries;
    std::vector<std::int32_t> FByTarget; // entry indexes in the order of their targets
    std::vector<TTarget> FMissing;
    std::unordered_map<std::string, std::int32_t> FMissingKeys;
    bool FBuilt = false;
};

// Reads object Object's text into Buffer through Reader.
std::string_view ReadObject(const TObjectTextFile& File, std::int32_t Object, platform::TStream& Reader,
                            std::string& Buffer);

}  // namespace references
