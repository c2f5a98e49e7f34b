// Fuzzes Search and FindNext on a file loaded from disk (a temporary file,
// on tmpfs where there is one): arbitrary text, pattern, start position, case
// flag and read piece size; each result is checked against a plain scan of the object's
// bytes, so a match must lie within the text, really match, and be the first
// one at or after the start.
//
// Input: the pattern's bytes, then the text; taken from the end: flags, the
// pattern's length and source, the start position, the start object and the
// size of the pieces the search reads.
#include "fuzzcheck.h"
#include "core/search/occurrences.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace fuzzcheck;

namespace {

const std::string& TempFile()
{
    static const std::string Path = [] {
        std::filesystem::path Dir = "/dev/shm";
        std::error_code Ec;
        if (!std::filesystem::is_directory(Dir, Ec))
            Dir = std::filesystem::temp_directory_path();
        return (Dir / ("orvanta-fuzz-search-" + std::to_string(::getpid()) + ".txt")).string();
    }();
    return Path;
}

void WriteTempFile(const std::string& Text)
{
    std::FILE* Out = std::fopen(TempFile().c_str(), "wb");
    FUZZ_CHECK(Out != nullptr, TempFile());
    const bool Written = std::fwrite(Text.data(), 1, Text.size(), Out) == Text.size();
    FUZZ_CHECK(std::fclose(Out) == 0 && Written, TempFile());
}

struct TRemoveAtExit {
    ~TRemoveAtExit() { std::remove(TempFile().c_str()); }
} RemoveAtExit;

std::string Case(std::string Text, std::uint8_t Flip)
{
    for (std::size_t I = 0; I < Text.size(); ++I)
        if ((Flip >> (I % 8)) & 1) {
            char& C = Text[I];
            if (C >= 'a' && C <= 'z')
                C = char(C - 32);
            else if (C >= 'A' && C <= 'Z')
                C = char(C + 32);
        }
    return Text;
}

std::string Show(const std::string& Pattern, std::int32_t Start, bool MatchCase)
{
    return "pattern '" + Pattern + "' from " + std::to_string(Start) + (MatchCase ? ", match case" : "");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t Flags = In.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t PatternLength = In.ConsumeIntegral<std::uint8_t>() % 24;
    const std::uint16_t PatternFrom = In.ConsumeIntegral<std::uint16_t>();
    const std::uint32_t RawPosition = In.ConsumeIntegral<std::uint32_t>();
    const std::uint8_t RawObject = In.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t PieceByte = In.ConsumeIntegral<std::uint8_t>();
    const bool MatchCase = Flags & 1;
    std::string Pattern = In.ConsumeBytesAsString(Flags & 2 ? 0 : PatternLength);
    const std::string Text = In.ConsumeRemainingBytesAsString();
    if (Flags & 2 && !Text.empty()) // a piece of the text itself, so that matches are common
        Pattern = Case(Text.substr(PatternFrom % Text.size(), PatternLength), Flags);

    // Mostly pieces shorter than the pattern or the object, now and then the usual size.
    struct TPieceSize {
        std::int64_t Saved = search::TOccurrenceSearch::BlockSize;
        ~TPieceSize() { search::TOccurrenceSearch::BlockSize = Saved; }
    } PieceSize;
    if (PieceByte < 224)
        search::TOccurrenceSearch::BlockSize = 1 + PieceByte % 48;

    WriteTempFile(Text);
    TObjectTextFile File;
    try {
        File.LoadFromFile(TempFile());
    } catch (const EConvertError&) {
        // The entries before the bad header stay, readable from the held file.
    }
    const TLoad Expected = ReferenceSplit(Text);
    FUZZ_CHECK(EntriesOf(File) == Expected.Entries, Describe(Expected));

    std::vector<std::string> Texts;
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& O = File.Objects(I);
        Texts.push_back(O.GetText());
        FUZZ_CHECK(Texts.back() == Text.substr(std::size_t(O.Offset()), std::size_t(O.Size())), "text of " +
                                                                                                std::to_string(I));
    }
    const std::int32_t Count = File.Count();

    // One entry, from a start inside or just past its text, or far beyond.
    const auto StartIn = [&](std::size_t Length) {
        return Flags & 4 ? std::int32_t(RawPosition & 0x7fffffff) : std::int32_t(RawPosition % (Length + 3));
    };
    if (Count > 0) {
        const std::int32_t Index = RawObject % Count;
        const std::int32_t Start = StartIn(Texts[std::size_t(Index)].size());
        std::int32_t Position = Start;
        const bool Found = File.Objects(Index).Search(Position, Pattern, MatchCase);
        const std::int32_t Want = ReferenceSearch(Texts[std::size_t(Index)], Start, Pattern, MatchCase);
        FUZZ_CHECK(Position == Want, Show(Pattern, Start, MatchCase) + " gave " + std::to_string(Position) +
                                         ", not " + std::to_string(Want));
        FUZZ_CHECK(Found == (Position != 0), Show(Pattern, Start, MatchCase));
        if (Found) {
            FUZZ_CHECK(Position >= std::max(Start, 1) &&
                           std::size_t(Position) - 1 + Pattern.size() <= Texts[std::size_t(Index)].size(),
                       Show(Pattern, Start, MatchCase));
            FUZZ_CHECK(MatchesAt(Texts[std::size_t(Index)], std::size_t(Position) - 1, Pattern, MatchCase),
                       Show(Pattern, Start, MatchCase));
        }
    }

    // Across the entries, from any object (one before the first and past the last included).
    std::int32_t Object = std::int32_t(RawObject % (Count + 2)) - 1;
    const std::int32_t FirstObject = Object;
    const std::int32_t Start = StartIn(Object >= 0 && Object < Count ? Texts[std::size_t(Object)].size() : 0);
    std::int32_t Position = Start;
    std::int32_t WantObject = Object, WantPosition = Position;
    bool WantFound = false;
    for (std::int32_t I = std::max(Object, 0); I < Count; ++I) {
        WantObject = I;
        WantPosition = ReferenceSearch(Texts[std::size_t(I)], I == Object ? Start : 0, Pattern, MatchCase);
        if (WantPosition) {
            WantFound = true;
            break;
        }
        WantObject = I + 1;
    }
    try {
        const bool Found = File.FindNext(Object, Position, Pattern, MatchCase);
        FUZZ_CHECK(FirstObject >= 0, "FindNext from object -1 did not raise");
        FUZZ_CHECK(Found == WantFound && Object == WantObject && Position == WantPosition,
                   "FindNext " + Show(Pattern, Start, MatchCase) + " in object " + std::to_string(FirstObject) +
                       " gave " + std::to_string(Object) + "/" + std::to_string(Position) + ", not " +
                       std::to_string(WantObject) + "/" + std::to_string(WantPosition));
    } catch (const EListError& E) {
        FUZZ_CHECK(FirstObject == -1, E.what());
        FUZZ_CHECK(std::string(E.what()) == "List index out of bounds (-1)", E.what());
    }
    return 0;
}
