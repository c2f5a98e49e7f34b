#include "core/quibfile.h"

#include "core/encodingchoice.h"
#include "core/objectfolder.h"
#include "core/search/findtext.h"
#include "core/search/occurrences.h"
#include "core/readahead.h"
#include "core/simd.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <vector>


const char* const STitle = "Orvanta";

const std::string ObjectTypeNames[ObjectTypeCount] = {
    "Unknown", "Table", "Form", "Report", "Dataport", "Codeunit", "XMLport", "MenuSuite", "Page", "Query",
};

namespace {

const std::string_view SObjectMarker = "OBJECT ";
const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SInvalidInteger = "'%s' is not a valid integer value";
const char* const SReadError = "Stream read error";
const char* const SWriteError = "Stream write error";
const char* const SNoStream = "Cannot read the object's text: its file is no longer open.";

std::string FormatOne(const char* Format, std::string_view Value)
{
    std::string Result = Format;
    Result.replace(Result.find("%s"), 2, Value.data(), Value.size());
    return Result;
}

// The message of a read from Stream that fell short.
std::string ReadFailure(const platform::TStream& Stream)
{
    std::string Text = Stream.FailureText();
    return Text.empty() ? SReadError : Text;
}

bool IsLineBreak(char C) { return C == '\r' || C == '\n' || C == '\0'; }

using simd::CountTrailingZeros;
using simd::FindLineBreak;

#ifdef QUIB_AVX2
using simd::HasAvx2;

// The scan below, 32 bytes at a time, on processors that have AVX2.
__attribute__((target("avx2"))) const char* SkipToMarkerCandidateAvx2(const char* P, const char* End)
{
    const __m256i Cr = _mm256_set1_epi8('\r');
    const __m256i Lf = _mm256_set1_epi8('\n');
    const __m256i Zero = _mm256_setzero_si256();
    const __m256i O = _mm256_set1_epi8(SObjectMarker[0]);
    for (; End - P >= 32; P += 32) {
        const __m256i V = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P));
        const __m256i IsO = _mm256_cmpeq_epi8(V, O);
        if (!_mm256_movemask_epi8(IsO))
            continue;
        const __m256i Before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P - 1));
        const __m256i AfterBreak =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(Before, Cr), _mm256_cmpeq_epi8(Before, Lf)),
                            _mm256_cmpeq_epi8(Before, Zero));
        if (_mm256_movemask_epi8(_mm256_and_si256(IsO, AfterBreak)))
            return P; // the candidate is in this block
    }
    return P;
}
#endif

// First position C in [P, End) where an "O" follows a line break; P[-1] must be readable.
const char* FindMarkerCandidate(const char* P, const char* End)
{
#ifdef QUIB_AVX2
    if (HasAvx2())
        P = SkipToMarkerCandidateAvx2(P, End);
#endif
#ifdef QUIB_SSE2
    const __m128i Cr = _mm_set1_epi8('\r');
    const __m128i Lf = _mm_set1_epi8('\n');
    const __m128i Zero = _mm_setzero_si128();
    const __m128i O = _mm_set1_epi8(SObjectMarker[0]);
    for (; End - P >= 16; P += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const __m128i IsO = _mm_cmpeq_epi8(V, O);
        if (!_mm_movemask_epi8(IsO))
            continue;
        const __m128i Before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P - 1));
        const __m128i AfterBreak = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(Before, Cr), _mm_cmpeq_epi8(Before, Lf)), _mm_cmpeq_epi8(Before, Zero));
        if (const unsigned Mask = unsigned(_mm_movemask_epi8(_mm_and_si128(IsO, AfterBreak))))
            return P + CountTrailingZeros(Mask);
    }
#endif
    for (; P < End; ++P)
        if (*P == SObjectMarker[0] && IsLineBreak(P[-1]))
            return P;
    return End;
}

// Percent of P in Length, rounded to the nearest whole number, halves to even.
std::uint8_t PercentOf(std::int64_t P, std::int64_t Length)
{
    const std::int64_t Scaled = 100 * P;
    std::int64_t Quotient = Scaled / Length;
    const std::int64_t Twice = 2 * (Scaled % Length);
    if (Twice > Length || (Twice == Length && Quotient % 2 != 0))
        ++Quotient;
    return std::uint8_t(Quotient);
}

// Smallest P whose percent exceeds Percent.
std::int64_t NextPercentThreshold(std::uint8_t Percent, std::int64_t Length)
{
    if (Percent >= 100)
        return std::numeric_limits<std::int64_t>::max();
    const std::int64_t Half = (2 * std::int64_t(Percent) + 1) * Length; // 200 * P at the halfway point
    if ((Percent + 1) % 2 == 0)
        return (Half + 199) / 200; // a halfway value rounds up to an even percent
    return Half / 200 + 1;
}

} // namespace

std::int32_t CheckedAdd(std::int32_t A, std::int32_t B)
{
    const std::int64_t R = std::int64_t(A) + B;
    if (R < INT32_MIN || R > INT32_MAX)
        throw EIntOverflow();
    return std::int32_t(R);
}

std::int32_t CheckedSub(std::int32_t A, std::int32_t B)
{
    const std::int64_t R = std::int64_t(A) - B;
    if (R < INT32_MIN || R > INT32_MAX)
        throw EIntOverflow();
    return std::int32_t(R);
}

std::int32_t StrToInt(std::string_view Text)
{
    const auto Fail = [Text]() { throw EConvertError(FormatOne(SInvalidInteger, Text)); };
    std::size_t I = 0;
    bool Negative = false;
    if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) {
        Negative = Text[I] == '-';
        ++I;
    }
    bool Hex = false;
    if (I < Text.size() && (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X')) {
        Hex = true;
        ++I;
    } else if (I + 1 < Text.size() && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Hex = true;
        I += 2;
    }
    if (I == Text.size())
        Fail();
    std::uint64_t Value = 0;
    for (; I < Text.size(); ++I) {
        const char C = Text[I];
        unsigned Digit = 0;
        if (C >= '0' && C <= '9')
            Digit = unsigned(C - '0');
        else if (Hex && C >= 'a' && C <= 'f')
            Digit = unsigned(C - 'a' + 10);
        else if (Hex && C >= 'A' && C <= 'F')
            Digit = unsigned(C - 'A' + 10);
        else
            Fail();
        Value = Value * (Hex ? 16 : 10) + Digit;
        if (Value > 0xFFFFFFFFull)
            Fail();
    }
    if (Hex) {
        // A hex value is a 32-bit pattern: FFFFFFFF is -1.
        std::uint32_t Pattern = std::uint32_t(Value);
        if (Negative)
            Pattern = 0u - Pattern;
        return std::int32_t(Pattern);
    }
    if (Negative ? Value > 2147483648ull : Value > 2147483647ull)
        Fail();
    return Negative ? std::int32_t(-std::int64_t(Value)) : std::int32_t(Value);
}

void UpperCaseAscii(char* Text, std::size_t Length)
{
    for (std::size_t I = 0; I < Length; ++I) {
        const unsigned char C = static_cast<unsigned char>(Text[I]);
        Text[I] = char(C - (unsigned(C - 'a') < 26u ? 32 : 0));
    }
}

std::vector<std::string> SharedExportNames(const std::vector<const TObjectTextObject*>& Objects,
                                           const std::function<std::string(const TObjectTextObject&)>& NameOf)
{
    struct TFirst {
        const TObjectTextObject* Object;
        bool Shared;
    };
    std::unordered_map<std::string, TFirst> Firsts;
    std::vector<std::string> Shared;
    for (const TObjectTextObject* Object : Objects) {
        std::string Name = NameOf ? NameOf(*Object) : Object->GetExportFileName();
        const auto [At, New] = Firsts.try_emplace(Name, TFirst{Object, false});
        if (New || At->second.Object == Object || At->second.Shared)
            continue;
        At->second.Shared = true;
        Shared.push_back(std::move(Name));
    }
    return Shared;
}

namespace {

// Text with each run of characters other than ASCII letters and digits made
// one underscore, none at either end.
std::string FileNamePart(std::string_view Text)
{
    std::string Part;
    bool Gap = false;
    for (const char C : Text) {
        const bool Kept = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9');
        if (!Kept) {
            Gap = true;
            continue;
        }
        if (Gap && !Part.empty())
            Part += '_';
        Gap = false;
        Part += C;
    }
    return Part;
}

std::string Padded(std::int64_t Number, int Digits)
{
    std::string Text = std::to_string(Number < 0 ? -Number : Number);
    if (int(Text.size()) < Digits)
        Text.insert(0, std::size_t(Digits) - Text.size(), '0');
    return Number < 0 ? "-" + Text : Text;
}

} // namespace

std::string TreeFileName(const TObjectTextObject& Object)
{
    std::string Kind = ObjectTypeNames[Object.ObjectType()];
    if (const std::string Word = FileNamePart(Object.UnknownKindWord()); !Word.empty())
        Kind = Word;
    std::string Name = Kind + "_" + Padded(Object.ID(), 4);
    if (const std::string Part = FileNamePart(Object.Name()); !Part.empty())
        Name += "_" + Part;
    return Kind + "/" + Padded(Object.ID() / 1000, 3) + "/" + Name + ".txt";
}

// --- TObjectTextObject -----------------------------------------------------

TObjectTextObject::TObjectTextObject(TObjectTextFile* AOwner, std::int32_t AOffset, std::string_view AHeader)
    : FOwner(AOwner), FOffset(AOffset)
{
    ParseHeader(AHeader);
}

std::string TObjectTextObject::GetExportFileName() const
{
    std::string Prefix = ObjectTypeNames[FObjectType].substr(0, 3);
    for (char& C : Prefix)
        if (C >= 'A' && C <= 'Z')
            C = char(C + 32);
    return Prefix + std::to_string(FID) + ".txt";
}

std::string TObjectTextObject::GetDisplayText() const
{
    std::string Text = ObjectTypeNames[FObjectType];
    Text += ' ';
    Text += std::to_string(FID);
    Text += ' ';
    Text.append(FName, FNameLength);
    return Text;
}

std::string TObjectTextObject::GetText() const
{
    std::string Text;
    ReadText(Text);
    return Text;
}

void TObjectTextObject::ReadText(std::string& Buffer) const
{
    platform::TStream& Stream = OwnerStream();
    Buffer.resize(std::size_t(FSize));
    if (!ReadBytes(Stream, Buffer.data())) {
        // Never hand out bytes that were not read.
        Buffer.clear();
        throw platform::EReadError(ReadFailure(Stream));
    }
}

std::string_view TObjectTextObject::ReadTextInto(std::string& Buffer) const
{
    platform::TStream& Stream = OwnerStream();
    if (Buffer.size() < std::size_t(FSize))
        Buffer.resize(std::size_t(FSize));
    if (!ReadBytes(Stream, Buffer.data()))
        throw platform::EReadError(ReadFailure(Stream));
    return std::string_view(Buffer.data(), std::size_t(FSize));
}

bool TObjectTextObject::ReadBytes(platform::TStream& Stream, char* Bytes) const
{
    return FSize == 0 ||
           (Stream.Seek(FOffset, platform::TSeekOrigin::soBeginning) == FOffset && Stream.Read(Bytes, FSize) == FSize);
}

void TObjectTextObject::SaveToStream(platform::TStream& Stream) const
{
    const std::string Text = GetText();
    if (Text.empty())
        return;
    if (Stream.Write(Text.data(), std::int64_t(Text.size())) != std::int64_t(Text.size()))
        throw platform::EWriteError(SWriteError, Stream.LastError());
}

bool TObjectTextObject::Search(std::int32_t& Position, std::string_view Text, bool MatchCase) const
{
    const TFindText Find = TFindText::OfBytes(Text, MatchCase);
    const std::int32_t From = Position > 1 ? Position - 1 : 0;
    Position = 0;
    if (Find.Empty() || From >= FSize) {
        std::string Buffer;
        ReadText(Buffer); // nothing to find, but a text that cannot be read still says so
        return false;
    }
    const TObjectTextObject* Self = this;
    const search::TObjectList Only{1, [Self](std::int32_t) {
                                       return search::TObjectBytes{Self->FOffset, Self->FSize, false};
                                   }};
    TEncodingChoice Bytes;
    Bytes.SetChosen(codepages::TEncoding::Latin1);
    search::TOccurrenceSearch Search(OwnerStream(), Only, Find, Bytes);
    Search.Run(0, From, {[&Position](const search::TOccurrence& Found) {
                   Position = Found.Position + 1;
                   return false;
               }});
    return Position != 0;
}

platform::TStream& TObjectTextObject::OwnerStream() const
{
    platform::TStream* Stream = FOwner ? FOwner->FStream.get() : nullptr;
    if (!Stream)
        throw platform::EReadError(SNoStream);
    return *Stream;
}

void TObjectTextObject::ParseHeader(std::string_view AHeader)
{
    static constexpr TObjectType KindByLetter[] = {
        // C, D, F, M, P, Q, R, T, X select a kind; every other first character leaves otUnknown.
        otCodeunit, otDataport, otForm, otMenuSuite, otPage, otQuery, otReport, otTable, otXMLport};
    static constexpr char Letters[] = "CDFMPQRTX";
    if (!AHeader.empty())
        if (const char* L = std::strchr(Letters, AHeader[0]); L && *L)
            FObjectType = KindByLetter[L - Letters];

    const std::size_t FirstSpace = AHeader.find(' ');
    const std::size_t NumberStart = FirstSpace == std::string_view::npos ? AHeader.size() : FirstSpace + 1;
    const std::size_t SecondSpace = AHeader.find(' ', NumberStart);
    const std::size_t NumberEnd = SecondSpace == std::string_view::npos ? AHeader.size() : SecondSpace;
    FID = StrToInt(AHeader.substr(NumberStart, NumberEnd - NumberStart));

    const std::string_view Name =
        SecondSpace == std::string_view::npos ? std::string_view() : AHeader.substr(SecondSpace + 1);
    FNameLength = std::uint8_t(std::min<std::size_t>(Name.size(), MaxNameLength));
    if (FNameLength > 0) // an empty name may have no storage at all: memcpy from null is undefined
        std::memcpy(FName, Name.data(), FNameLength);
    if (FObjectType == otUnknown && FOwner)
        FKindWord = FOwner->KeepKindWord(AHeader.substr(0, FirstSpace));
}

std::string_view TObjectTextObject::UnknownKindWord() const
{
    return FOwner && FKindWord != 0 ? std::string_view(FOwner->FKindWords[FKindWord]) : std::string_view();
}

TByteRange TObjectTextObject::PropertyRange(TObjectProperty Property) const
{
    const TPropertySpan& Span = FProperties[std::size_t(Property)];
    return {FOffset + Span.Start, Span.Length};
}

std::string TObjectTextObject::Property(TObjectProperty Property) const
{
    const TByteRange Range = PropertyRange(Property);
    std::string Value(std::size_t(Range.Length), '\0');
    if (Range.Length == 0)
        return Value;
    platform::TStream& Stream = OwnerStream();
    if (Stream.Seek(Range.Offset, platform::TSeekOrigin::soBeginning) != Range.Offset ||
        Stream.Read(Value.data(), Range.Length) != Range.Length)
        throw platform::EReadError(ReadFailure(Stream));
    return Value;
}

TPropertyValues TObjectTextObject::ReadProperties(std::string& Buffer) const
{
    // The values lie a few lines apart: one read from the first to the end of the last.
    std::int32_t First = INT32_MAX, End = 0;
    for (const TPropertySpan& Span : FProperties)
        if (Span.Length > 0) {
            First = std::min<std::int32_t>(First, Span.Start);
            End = std::max<std::int32_t>(End, Span.Start + Span.Length);
        }
    TPropertyValues Values;
    if (End == 0)
        return Values;
    Buffer.resize(std::size_t(End - First));
    platform::TStream& Stream = OwnerStream();
    if (Stream.Seek(FOffset + First, platform::TSeekOrigin::soBeginning) != FOffset + First ||
        Stream.Read(Buffer.data(), End - First) != End - First) {
        Buffer.clear();
        throw platform::EReadError(ReadFailure(Stream));
    }
    for (std::size_t I = 0; I < Values.size(); ++I)
        if (FProperties[I].Length > 0)
            Values[I] = std::string_view(Buffer.data() + (FProperties[I].Start - First), FProperties[I].Length);
    return Values;
}

void TObjectTextObject::SaveToFile(const std::string& FileName) const
{
    std::unique_ptr<platform::TFileStream> Stream = platform::TFileStream::CreateExclusive(FileName);
    try {
        SaveToStream(*Stream);
    } catch (const EQuibError&) {
        // A cut file would pass for the object: nothing of it stays.
        Stream.reset();
        platform::RemoveRegularFile(FileName);
        throw;
    }
}

void TObjectTextObject::SetEndOffset(std::int32_t EndOffset)
{
    FSize = CheckedSub(EndOffset, FOffset);
}

// --- splitting -------------------------------------------------------------

// Splits a text into objects in one pass, fed in windows of the text so that a
// file need not be held whole. Every line that begins with the object marker
// starts an entry; progress is reported at the end of other lines whenever the
// whole percent changes.
//
// Rather than walking line by line, it jumps between the few places that
// matter: an "O" right after a line break (a possible object line), and the
// first line end at or after the next percent threshold.
class TObjectTextFile::TSplitter {
public:
    TSplitter(TObjectTextFile& Owner, std::int64_t Length)
        : FOwner(Owner), FLength(Length), FThreshold(Length > 0 ? NextPercentThreshold(0, Length) : INT64_MAX)
    {
        FOwner.DoProgress(pkStart, 0);
    }

    // Data holds the bytes [Base, Base + Count) of the text. Unless Base is 0,
    // it starts at most at Resume() - 1, for the look back at the byte before.
    void Feed(const char* Data, std::int64_t Base, std::int64_t Count)
    {
        FData = Data - Base; // indexed by text position from here on
        FEnd = Base + Count;
        const bool Final = FEnd == FLength;
        if (FHeaderOpen && !ContinueObjectLine(Final))
            return;
        if (FCheckLineFeed && !SkipLineFeed(Final))
            return;
        // Candidates need their 7 marker bytes inside the window.
        const std::int64_t Limit = Final ? FEnd : FEnd - std::int64_t(SObjectMarker.size()) + 1;
        while (FPos < Limit) {
            const std::int64_t Candidate = NextObjectLine(Limit);
            const std::int64_t Stop = Candidate != -1 ? Candidate : Final ? FLength + 1 : Limit;
            ReportThresholdsBefore(Stop, Final);
            if (Candidate == -1) {
                FPos = std::max(FPos, Limit);
                break;
            }
            if (!BeginObjectLine(Candidate, Final))
                return;
        }
        // No object line begins before FPos: the bytes up to it are the last object's.
        FProperties.Feed(FData, FPos);
    }

    // Where the next window must start (one byte earlier, for the look back).
    std::int64_t Resume() const { return FPos; }
    // No object line begins in [last object's start, SettledThrough()): an
    // object line still open has ended the one before it at its own start.
    std::int64_t SettledThrough() const { return FHeaderOpen ? FObjectStart : FPos; }

    void Finish()
    {
        if (FLast) {
            FLast->SetEndOffset(std::int32_t(FLength));
            EndProperties();
        }
        FOwner.DoProgress(pkDone, 100);
    }

private:
    // The next object line start in [FPos, Limit), or -1.
    std::int64_t NextObjectLine(std::int64_t Limit)
    {
        std::int64_t P = FPos;
        if (P == 0) {
            if (StartsWithMarker(0))
                return 0;
            P = 1;
        }
        while (P < Limit) {
            const char* Hit = FindMarkerCandidate(FData + P, FData + Limit);
            const std::int64_t C = Hit - FData;
            if (C >= Limit)
                break;
            if (StartsWithMarker(C))
                return C;
            P = C + 1;
        }
        return -1;
    }

    bool StartsWithMarker(std::int64_t P) const
    {
        return FEnd - P >= std::int64_t(SObjectMarker.size()) &&
               std::memcmp(FData + P, SObjectMarker.data(), SObjectMarker.size()) == 0;
    }

    // Reports every threshold crossed by a line end before Stop (no object line
    // lies in [FPos, Stop)).
    void ReportThresholdsBefore(std::int64_t Stop, bool Final)
    {
        while (FThreshold <= FLength) {
            const std::int64_t From = std::max(FThreshold, FPos);
            if (From >= Stop)
                return;
            const std::int64_t LineEnd = NextLineEnd(From, Final);
            if (LineEnd < 0 || LineEnd >= Stop)
                return; // decided in a later window, or by the object line at Stop
            const std::uint8_t Percent = PercentOf(LineEnd, FLength);
            FOwner.DoProgress(pkProgress, Percent);
            FThreshold = NextPercentThreshold(Percent, FLength);
        }
    }

    // The first end of a line's content at or after From: a line break that is
    // not the LF of a CR LF, or the end of a text that has no final break.
    // -1 when the window ends first.
    std::int64_t NextLineEnd(std::int64_t From, bool Final) const
    {
        std::int64_t P = From;
        for (;;) {
            const std::int64_t B = FindLineBreak(FData + P, FData + FEnd) - FData;
            if (B == FEnd) {
                // Past the last break there is a line only if the text does not end with
                // one, and only if that line is not the object line just taken.
                if (!Final || FPos >= FLength || IsLineBreak(FData[FLength - 1]))
                    return -1;
                return FLength;
            }
            if (FData[B] == '\n' && B > 0 && FData[B - 1] == '\r') {
                P = B + 1;
                continue;
            }
            return B;
        }
    }

    // The last object's property block is read: it ends where FProperties was fed up to.
    void EndProperties()
    {
        FProperties.Finish();
        FLast->FProperties = FProperties.Spans();
    }

    // Starts the object line at Start; false when the window ends inside it.
    bool BeginObjectLine(std::int64_t Start, bool Final)
    {
        if (FLast) {
            FLast->SetEndOffset(std::int32_t(Start));
            FProperties.Feed(FData, Start);
            EndProperties();
        }
        FObjectStart = Start;
        FHeader.clear();
        FHeaderOpen = true;
        FPos = Start + std::int64_t(SObjectMarker.size());
        return ContinueObjectLine(Final);
    }

    bool ContinueObjectLine(bool Final)
    {
        const std::int64_t Break = FindLineBreak(FData + FPos, FData + FEnd) - FData;
        if (Break == FEnd && !Final) {
            FHeader.append(FData + FPos, std::size_t(FEnd - FPos));
            FPos = FEnd;
            return false;
        }
        std::string_view Header(FData + FPos, std::size_t(Break - FPos));
        if (!FHeader.empty()) {
            FHeader.append(Header.data(), Header.size());
            Header = FHeader;
        }
        FHeaderOpen = false;
        FOwner.FObjects.emplace_back(&FOwner, std::int32_t(FObjectStart), Header);
        FLast = &FOwner.FObjects.back();
        FHeader.clear();
        // The property block follows the object line: read in the same pass.
        FProperties.Start(FObjectStart, Break);
        FPos = Break;
        if (Break < FEnd) {
            FPos = Break + 1;
            FCheckLineFeed = FData[Break] == '\r';
            return !FCheckLineFeed || SkipLineFeed(Final);
        }
        return true;
    }

    bool SkipLineFeed(bool Final)
    {
        if (FPos == FEnd)
            return Final; // the next window tells
        FCheckLineFeed = false;
        if (FData[FPos] == '\n')
            ++FPos;
        return true;
    }

    TObjectTextFile& FOwner;
    const std::int64_t FLength;
    std::int64_t FThreshold;
    const char* FData = nullptr;
    std::int64_t FEnd = 0;
    std::int64_t FPos = 0;
    TObjectTextObject* FLast = nullptr;
    bool FHeaderOpen = false;
    bool FCheckLineFeed = false;
    std::int64_t FObjectStart = 0;
    std::string FHeader;
    TPropertyReader FProperties; // the last object's block
};

// --- TObjectTextFile -------------------------------------------------------

std::int64_t TObjectTextFile::LoadWindowSize = std::int64_t(1) << 18;

TObjectTextFile::TObjectTextFile() = default;

TObjectTextFile::~TObjectTextFile()
{
    FStream.reset(); // closes the file before the entries go
}

void TObjectTextFile::DoProgress(TProgressKind Kind, std::uint8_t Percent)
{
    if (FOnProgress)
        FOnProgress(*this, Kind, Percent);
}

std::int32_t TObjectTextFile::GetCount() const
{
    return std::int32_t(FObjects.size());
}

TObjectTextObject& TObjectTextFile::ObjectAt(std::int32_t Index)
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(std::string(SListIndexError).replace(std::strlen(SListIndexError) - 3, 2,
                                                              std::to_string(Index)));
    return FObjects[std::size_t(Index)];
}

std::uint32_t TObjectTextFile::KeepKindWord(std::string_view Word)
{
    if (Word.empty())
        return 0;
    if (const auto Kept = FKindWordNumbers.find(Word); Kept != FKindWordNumbers.end())
        return Kept->second;
    const auto Number = std::uint32_t(FKindWords.size());
    FKindWordNumbers.emplace(FKindWords.emplace_back(Word), Number);
    return Number;
}

void TObjectTextFile::ClearObjects()
{
    FObjects.clear();
    FKindWordNumbers.clear();
    FKindWords.resize(1);
}

void TObjectTextFile::LoadFromStream(platform::TStream& Stream)
{
    ClearObjects();
    const std::int64_t Start = Stream.Position();
    const std::int64_t Remaining = std::max<std::int64_t>(0, Stream.Size() - Start);
    if (Remaining > INT32_MAX)
        throw EIntOverflow();

    // One pass over the text a piece at a time rather than one buffer of the
    // whole file: the same split, without holding the file in memory. The
    // pieces are read ahead on a thread of their own while those before are
    // split, so the system's copying of the bytes costs the split no time.
    TSplitter Splitter(*this, Remaining);
    TReadAhead Pieces(Stream, Remaining, std::max<std::int64_t>(LoadWindowSize, 1), 64);
    std::int64_t Done = 0; // bytes read
    std::string Tail;      // the last bytes the splitter has not passed, with one to look back at
    std::string Joined;    // a tail longer than the room before a piece, and the piece
    do {
        const TReadAhead::TPiece Piece = Pieces.Next();
        if (Piece.Short)
            throw platform::EReadError(ReadFailure(Stream)); // the file shrank or could not be read
        if (FOnRead)
            FOnRead(Piece.Data, Start + Done, Piece.Size);
        const std::int64_t Base = Done - std::int64_t(Tail.size());
        char* Window = Piece.Data - Tail.size();
        if (std::int64_t(Tail.size()) <= Pieces.Room()) {
            std::memcpy(Window, Tail.data(), Tail.size());
        } else {
            Joined.assign(Tail).append(Piece.Data, std::size_t(Piece.Size));
            Window = Joined.data();
        }
        Done += Piece.Size;
        Splitter.Feed(Window, Base, Done - Base);
        FSplitThrough = Start + Splitter.SettledThrough();
        const std::int64_t Keep = std::max<std::int64_t>(Base, Splitter.Resume() - 1);
        Tail.assign(Window + (Keep - Base), std::size_t(Done - Keep));
    } while (Done < Remaining);
    Splitter.Finish();
    FSplitThrough = Start + Remaining;
}

void TObjectTextFile::ParseText(std::string_view Text)
{
    if (Text.size() > std::size_t(INT32_MAX))
        throw EIntOverflow();
    TSplitter Splitter(*this, std::int64_t(Text.size()));
    Splitter.Feed(Text.data(), 0, std::int64_t(Text.size()));
    Splitter.Finish();
}

void TObjectTextFile::Close()
{
    ClearObjects();
    FFileName.clear();
}

bool TObjectTextFile::FindNext(std::int32_t& ObjectIndex, std::int32_t& Position, std::string_view Text,
                               bool MatchCase)
{
    TEncodingChoice Bytes; // the text is bytes: no encoding is ever asked for
    std::int32_t Length = 0;
    return FindNext(ObjectIndex, Position, Length, TFindText::OfBytes(Text, MatchCase), Bytes);
}

search::TObjectList TObjectTextFile::SearchList() const
{
    return {GetCount(), [this](std::int32_t Index) {
                const TObjectTextObject& Object = FObjects[std::size_t(Index)];
                return search::TObjectBytes{Object.Offset(), Object.Size(), Object.ObjectType() == otReport};
            }};
}

bool TObjectTextFile::FindNext(std::int32_t& ObjectIndex, std::int32_t& Position, std::int32_t& Length,
                               const TFindText& Text, TEncodingChoice& Encodings)
{
    if (ObjectIndex < 0)
        ObjectAt(ObjectIndex); // says which index is wrong
    const std::int32_t From = Position > 1 ? Position - 1 : 0;
    const bool AtTheEnd = ObjectIndex >= GetCount();
    bool Found = false;
    if (Text.Empty()) {
        // Nothing to find, but a text that cannot be read still says so.
        std::string Buffer;
        for (; ObjectIndex < GetCount(); ++ObjectIndex)
            ObjectAt(ObjectIndex).ReadText(Buffer);
    } else if (ObjectIndex < GetCount()) {
        search::TOccurrenceSearch Search(ObjectAt(ObjectIndex).OwnerStream(), SearchList(), Text, Encodings);
        Search.Run(ObjectIndex, From, {[&](const search::TOccurrence& Occurrence) {
                       ObjectIndex = Occurrence.Object;
                       Position = Occurrence.Position + 1;
                       Length = Occurrence.Length;
                       Found = true;
                       return false;
                   }});
    }
    if (!Found && !AtTheEnd) {
        // Past the last object; already there, nothing changes.
        ObjectIndex = GetCount();
        Position = 0;
    }
    return Found;
}

bool TObjectTextFile::FindPrevious(std::int32_t& ObjectIndex, std::int32_t& Position, std::int32_t& Length,
                                   const TFindText& Text, TEncodingChoice& Encodings)
{
    if (ObjectIndex > GetCount() - 1) {
        ObjectIndex = GetCount() - 1;
        Position = std::numeric_limits<std::int32_t>::max();
    }
    if (ObjectIndex >= 0 && !Text.Empty()) {
        search::TOccurrenceSearch Search(ObjectAt(ObjectIndex).OwnerStream(), SearchList(), Text, Encodings);
        for (; ObjectIndex >= 0; --ObjectIndex, Position = std::numeric_limits<std::int32_t>::max()) {
            // Position is 1-based: an occurrence must begin before Position - 1.
            search::TOccurrence Found;
            if (Search.LastBefore(ObjectIndex, Position > 1 ? Position - 1 : 0, Found)) {
                Position = Found.Position + 1;
                Length = Found.Length;
                return true;
            }
        }
    }
    ObjectIndex = 0;
    Position = 0;
    Length = 0;
    return false;
}

namespace {

// A byte order mark of UTF-16, or text whose bytes at every other place are
// mostly NUL, as Latin letters are in UTF-16.
bool LooksLikeUtf16Text(std::string_view Start)
{
    if (Start.size() >= 2 && ((Start[0] == '\xFF' && Start[1] == '\xFE') || (Start[0] == '\xFE' && Start[1] == '\xFF')))
        return true;
    std::size_t Nuls[2] = {0, 0};
    for (std::size_t I = 0; I < Start.size(); ++I)
        Nuls[I % 2] += Start[I] == '\0';
    const std::size_t Pairs = Start.size() / 2;
    return Pairs >= 4 && std::max(Nuls[0], Nuls[1]) * 4 >= Pairs * 3 && std::min(Nuls[0], Nuls[1]) * 4 < Pairs;
}

} // namespace

void TObjectTextFile::LoadFromFile(const std::string& FileName)
{
    FStream.reset(); // first: the file may be the one held now
    LoadFromHeld(platform::TFileStream::OpenExclusiveRead(FileName), FileName);
}

void TObjectTextFile::LoadFromHeld(std::unique_ptr<platform::TStream> Stream, const std::string& FileName)
{
    Load(std::move(Stream), FileName, nullptr);
}

void TObjectTextFile::LoadFromFolder(const std::string& Folder)
{
    FStream.reset(); // first: the files may be the ones held now
    FFolder.reset();
    std::shared_ptr<const TObjectFolder> Files = TObjectFolder::Scan(Folder);
    auto Stream = std::make_unique<TFolderStream>(Files);
    Load(std::move(Stream), Folder, std::move(Files));
}

void TObjectTextFile::LoadFromPath(const std::string& Path)
{
    if (!IsFolder(Path)) {
        LoadFromFile(Path);
        return;
    }
    std::string Folder = Path;
    while (Folder.size() > 1 && (Folder.back() == '/' || Folder.back() == '\\'))
        Folder.pop_back();
    LoadFromFolder(Folder);
}

void TObjectTextFile::Load(std::unique_ptr<platform::TStream> Stream, const std::string& FileName,
                           std::shared_ptr<const TObjectFolder> Folder)
{
    FStream = std::move(Stream);
    FFolder = std::move(Folder);
    FSplitThrough = 0;
    LoadFromStream(*FStream);
    FFileName = FileName;
}

std::string TObjectTextFile::ObjectFilePath(std::int32_t Index) const
{
    const TObjectTextObject& Object = Objects(Index);
    if (!FFolder)
        return {};
    const std::size_t File = FFolder->FileAt(Object.Offset());
    return File < FFolder->Files().size() ? FFolder->Files()[File].Path : std::string();
}

bool TObjectTextFile::LooksLikeUtf16() const
{
    if (!FStream || !FObjects.empty())
        return false;
    std::string Start(512, '\0');
    if (FStream->Seek(0, platform::TSeekOrigin::soBeginning) != 0)
        return false;
    Start.resize(std::size_t(std::max<std::int64_t>(0, FStream->Read(Start.data(), std::int64_t(Start.size())))));
    return LooksLikeUtf16Text(Start);
}
