// Which objects of a file may refer to one object: those that spell its
// number where a reference by number can stand, or its name (letters in any
// case). A quick look over the bytes before the reference scan, a little
// wider than the scan, so that the scan reads only the objects that pass.
//
// TTargetFilter looks at one object's text; TLoadFilter takes the same look
// on the load's own pass over the file, so that objects it rules out are
// never read again. Standard C++ only.
#pragma once

#include "core/references/referenceindex.h"
#include "core/search/findtext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace references {

class TTargetFilter {
public:
    explicit TTargetFilter(const TTarget& Target);

    // Whether Text, the text of Entry, may refer to the target. Numbers in
    // Entry's Date and Time stamps never do.
    bool Passes(std::string_view Text, const TObjectTextObject& Entry) const;
    // Whether Text spells the name.
    bool Spells(std::string_view Text) const;
    // How much of Text, the text of Entry, holds every reference to the
    // target itself: up to the end of the line of the last number or name
    // that Passes would count. A reference to a member may lie further on.
    std::size_t Reach(std::string_view Text, const TObjectTextObject& Entry) const;

private:
    std::string FDigits;
    TNeedle FNumber, FName;
    bool FNameEmpty;
};

// Whether a text spells a member's name (letters in any case): a text that
// does not holds no reference to a member of that name.
class TMemberFilter {
public:
    explicit TMemberFilter(std::string_view Member);
    bool Spells(std::string_view Text) const;

private:
    TNeedle FName;
};

// Unknown: read the object to tell; ByName: read it to tell by the name
// alone, the number being ruled out.
enum class TVerdict : std::uint8_t { No, Yes, Unknown, ByName };

class TLoadFilter {
public:
    // The target is the first object of kind Type (none: any kind) and
    // number ID, as FindObject finds it, or, when the file has none, the
    // missing one; its name is learnt when its object line has been read.
    // File outlives the filter.
    TLoadFilter(const TObjectTextFile& File, std::optional<TObjectType> Type, std::int32_t ID);

    // The load's read observer (TObjectTextFile::SetOnRead).
    void Read(const char* Bytes, std::int64_t Position, std::int64_t Length);
    // After the load.
    void Finish();

    // Per object of the file, for Target as resolved after the load: No
    // where TTargetFilter would say no, Yes where it may say yes, ByName
    // where only the name is left to look for (objects before the target's
    // own), Unknown where the load could not tell (every object when Target
    // is not the one looked for, or the load was not seen whole).
    std::vector<TVerdict> Verdicts(const TTarget& Target) const;

private:
    static constexpr std::uint8_t NumberMark = 1, NameMark = 2;
    void LearnName(std::int64_t Position);
    void LookForNumber(const char* Bytes, std::int64_t Position, std::int64_t Length);
    void LookForName(const char* Bytes, std::int64_t Position, std::int64_t Length);
    // Marks the objects that hold the waiting hits, as far as the split has listed them.
    void Settle(bool AllListed);
    void Mark(std::vector<std::int64_t>& Hits, std::uint8_t Mark, bool Stamps, std::int64_t Through,
              bool AllListed);
    std::int32_t ObjectAt(std::int64_t Position, std::int32_t Count) const;
    void KeepCarry(const char* Bytes, std::int64_t Length);

    const TObjectTextFile& FFile;
    const std::optional<TObjectType> FType;
    const std::int32_t FID;
    const std::string FDigits;
    const TNeedle FNumber;
    std::optional<TNeedle> FName;         // once the target's object line is read
    std::string FNameText;
    std::int64_t FNameFrom = -1;          // where the look for the name began
    std::int32_t FListed = 0;             // objects looked at for the target
    bool FTargetSeen = false;
    std::string FCarry;                   // the last bytes before the piece at hand
    std::int64_t FSeen = -1;              // where the bytes seen end; -1: none yet
    std::int64_t FStart = 0;              // where they began
    bool FWhole = true;                   // seen in order, without a gap
    bool FFinished = false;
    std::vector<std::int64_t> FNumberHits, FNameHits;  // not yet placed in an object
    std::vector<std::uint8_t> FMarks;     // per object
};

}  // namespace references
