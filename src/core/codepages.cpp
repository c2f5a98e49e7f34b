#include "core/codepages.h"

#include "core/codepages_tables.h"
#include "core/simd.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

namespace codepages {

namespace {

using namespace tables;

struct TEncodingInfo {
    TEncoding Encoding;
    std::string_view Name;
    std::string_view Caption;
};

// The Thai code page is both the DOS and the Windows one of its systems; its
// table is the Windows form, hence the caption.
constexpr TEncodingInfo Infos[EncodingCount] = {
    {TEncoding::Latin1, "latin1", "One character per byte"},
    {TEncoding::Utf8, "utf-8", "UTF-8"},
    {TEncoding::Cp437, "cp437", "DOS 437"},
    {TEncoding::Cp737, "cp737", "DOS 737"},
    {TEncoding::Cp775, "cp775", "DOS 775"},
    {TEncoding::Cp850, "cp850", "DOS 850"},
    {TEncoding::Cp852, "cp852", "DOS 852"},
    {TEncoding::Cp855, "cp855", "DOS 855"},
    {TEncoding::Cp857, "cp857", "DOS 857"},
    {TEncoding::Cp860, "cp860", "DOS 860"},
    {TEncoding::Cp861, "cp861", "DOS 861"},
    {TEncoding::Cp865, "cp865", "DOS 865"},
    {TEncoding::Cp866, "cp866", "DOS 866"},
    {TEncoding::Cp874, "cp874", "Windows 874"},
    {TEncoding::Cp1250, "cp1250", "Windows 1250"},
    {TEncoding::Cp1251, "cp1251", "Windows 1251"},
    {TEncoding::Cp1252, "cp1252", "Windows 1252"},
    {TEncoding::Cp1253, "cp1253", "Windows 1253"},
    {TEncoding::Cp1254, "cp1254", "Windows 1254"},
    {TEncoding::Cp1255, "cp1255", "Windows 1255"},
    {TEncoding::Cp1256, "cp1256", "Windows 1256"},
    {TEncoding::Cp1257, "cp1257", "Windows 1257"},
    {TEncoding::Cp1258, "cp1258", "Windows 1258"},
};

constexpr bool InfosInEnumOrder()
{
    for (int I = 0; I < EncodingCount; ++I)
        if (int(Infos[I].Encoding) != I)
            return false;
    return true;
}
static_assert(InfosInEnumOrder(), "Infos must list the encodings in TEncoding's order");
static_assert(SingleByteCount == EncodingCount - 1, "every encoding but UTF-8 has byte tables");

const TEncodingInfo& InfoOf(TEncoding Encoding)
{
    const auto Index = std::size_t(Encoding);
    if (Index >= std::size_t(EncodingCount))
        throw std::invalid_argument("codepages: not an encoding");
    return Infos[Index];
}

// The row of the generated tables: Latin1 first, then the code pages, UTF-8 left out.
int TableIndex(TEncoding Encoding)
{
    if (InfoOf(Encoding).Encoding == TEncoding::Utf8)
        throw std::invalid_argument("codepages: UTF-8 has no byte table");
    return Encoding == TEncoding::Latin1 ? 0 : int(Encoding) - 1;
}

char AsciiLower(char C) { return C >= 'A' && C <= 'Z' ? char(C + ('a' - 'A')) : C; }

bool EqualIgnoringAsciiCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (AsciiLower(A[I]) != AsciiLower(B[I]))
            return false;
    return true;
}



constexpr char32_t Replacement = 0xFFFD;

// Every code point a single-byte encoding can write, with its byte, sorted by
// code point; built once from the decode tables.
struct TReverseTable {
    std::array<std::pair<char32_t, unsigned char>, 256> Entries;
    std::size_t Count = 0;
};

const TReverseTable& ReverseTable(int Index)
{
    static const auto All = [] {
        std::array<TReverseTable, SingleByteCount> Tables{};
        for (int T = 0; T < SingleByteCount; ++T) {
            auto& Table = Tables[std::size_t(T)];
            for (int Byte = 0; Byte < 256; ++Byte) {
                const char32_t Code = Decode[T][std::size_t(Byte)];
                if (Code != Replacement)
                    Table.Entries[Table.Count++] = {Code, static_cast<unsigned char>(Byte)};
            }
            std::sort(Table.Entries.begin(), Table.Entries.begin() + std::ptrdiff_t(Table.Count));
        }
        return Tables;
    }();
    return All[std::size_t(Index)];
}

// Object text is mostly ASCII: the skip over it is what detection costs. The
// places of the bytes above 0x7F from From on, as many as Room less a block's
// worth, into Places; returns how many, with From moved past the part looked
// at. A block of 64 bytes at a time, its high bytes taken from its mask. The
// loops are functions of their own, aligned, so that how fast they run does
// not depend on the code around them.
#if defined(__GNUC__) || defined(__clang__)
#define QUIB_OWN_LOOP __attribute__((noinline, aligned(64)))
#else
#define QUIB_OWN_LOOP
#endif

// A block's high bytes, from their mask; true when there may be no room for
// another block's.
inline bool AddPlaces(std::uint64_t Mask, std::size_t Block, std::size_t* Places, std::size_t& Count, std::size_t Room)
{
    do {  // not a for: the block holds one at least, so the first test would only mispredict
        Places[Count++] = Block + simd::CountTrailingZeros64(Mask);
        Mask &= Mask - 1;
    } while (Mask);
    return Count > Room - 64;
}

// After the blocks, byte by byte.
inline std::size_t FindHighBytesInTail(std::string_view Bytes, std::size_t& From, std::size_t I, std::size_t* Places,
                                       std::size_t Count, std::size_t Room)
{
    for (; I < Bytes.size(); ++I) {
        if (static_cast<unsigned char>(Bytes[I]) < 0x80)
            continue;
        Places[Count++] = I;
        if (Count == Room) {
            From = I + 1;
            return Count;
        }
    }
    From = I;
    return Count;
}

QUIB_OWN_LOOP
std::size_t FindHighBytes(std::string_view Bytes, std::size_t& From, std::size_t* Places, std::size_t Room)
{
    std::size_t I = From, Count = 0;
#ifdef QUIB_SSE2
    const char* const Data = Bytes.data();
    for (; I + 64 <= Bytes.size(); I += 64) {
        const auto Load = [&](std::size_t At) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + At)); };
        const __m128i A = Load(I), B = Load(I + 16), C = Load(I + 32), D = Load(I + 48);
        if (!_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(A, B), _mm_or_si128(C, D))))
            continue;
        const std::uint64_t Mask = std::uint64_t(unsigned(_mm_movemask_epi8(A))) |
                                   std::uint64_t(unsigned(_mm_movemask_epi8(B))) << 16 |
                                   std::uint64_t(unsigned(_mm_movemask_epi8(C))) << 32 |
                                   std::uint64_t(unsigned(_mm_movemask_epi8(D))) << 48;
        if (AddPlaces(Mask, I, Places, Count, Room)) {
            From = I + 64;
            return Count;
        }
    }
#endif
    return FindHighBytesInTail(Bytes, From, I, Places, Count, Room);
}

#ifdef QUIB_AVX2
// The same with half the loads and tests.
QUIB_OWN_LOOP __attribute__((target("avx2")))
std::size_t FindHighBytesAvx2(std::string_view Bytes, std::size_t& From, std::size_t* Places, std::size_t Room)
{
    std::size_t I = From, Count = 0;
    const char* const Data = Bytes.data();
    for (; I + 64 <= Bytes.size(); I += 64) {
        const __m256i A = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Data + I));
        const __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Data + I + 32));
        if (!_mm256_movemask_epi8(_mm256_or_si256(A, B)))
            continue;
        const std::uint64_t Mask = std::uint64_t(unsigned(_mm256_movemask_epi8(A))) |
                                   std::uint64_t(unsigned(_mm256_movemask_epi8(B))) << 32;
        if (AddPlaces(Mask, I, Places, Count, Room)) {
            From = I + 64;
            return Count;
        }
    }
    return FindHighBytesInTail(Bytes, From, I, Places, Count, Room);
}
#endif

// Calls Visit(Places, Count) with the places of the bytes above 0x7F, some
// at a time and in order, while it returns true.
template <class TVisit>
void ForEachHighBytes(std::string_view Bytes, TVisit Visit)
{
    constexpr std::size_t Room = 256;
    std::size_t Places[Room];
    for (std::size_t From = 0; From < Bytes.size();) {
#ifdef QUIB_AVX2
        const std::size_t Count = simd::HasAvx2() ? FindHighBytesAvx2(Bytes, From, Places, Room)
                                                  : FindHighBytes(Bytes, From, Places, Room);
#else
        const std::size_t Count = FindHighBytes(Bytes, From, Places, Room);
#endif
        if (Count > 0 && !Visit(Places, Count))
            return;
    }
}

}  // namespace

void AppendUtf8(std::string& Out, char32_t Code)
{
    if (Code < 0x80) {
        Out += char(Code);
    } else if (Code < 0x800) {
        Out += char(0xC0 | (Code >> 6));
        Out += char(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Out += char(0xE0 | (Code >> 12));
        Out += char(0x80 | ((Code >> 6) & 0x3F));
        Out += char(0x80 | (Code & 0x3F));
    } else {
        Out += char(0xF0 | (Code >> 18));
        Out += char(0x80 | ((Code >> 12) & 0x3F));
        Out += char(0x80 | ((Code >> 6) & 0x3F));
        Out += char(0x80 | (Code & 0x3F));
    }
}

std::size_t Utf8SequenceAt(std::string_view Bytes, std::size_t Pos, char32_t& Code)
{
    const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Bytes[I]); };
    const unsigned char Lead = Byte(Pos);
    if (Lead < 0x80) {
        Code = Lead;
        return 1;
    }
    std::size_t Length;
    unsigned char Low = 0x80, High = 0xBF;  // bounds of the second byte
    if (Lead >= 0xC2 && Lead <= 0xDF) {
        Length = 2;
        Code = Lead & 0x1Fu;
    } else if (Lead >= 0xE0 && Lead <= 0xEF) {
        Length = 3;
        Code = Lead & 0x0Fu;
        if (Lead == 0xE0)
            Low = 0xA0;
        else if (Lead == 0xED)
            High = 0x9F;
    } else if (Lead >= 0xF0 && Lead <= 0xF4) {
        Length = 4;
        Code = Lead & 0x07u;
        if (Lead == 0xF0)
            Low = 0x90;
        else if (Lead == 0xF4)
            High = 0x8F;
    } else {
        return 0;
    }
    if (Bytes.size() - Pos < Length)
        return 0;
    for (std::size_t I = 1; I < Length; ++I) {
        const unsigned char Next = Byte(Pos + I);
        if (I == 1 ? (Next < Low || Next > High) : (Next < 0x80 || Next > 0xBF))
            return 0;
        Code = (Code << 6) | (Next & 0x3Fu);
    }
    return Length;
}

std::string_view Name(TEncoding Encoding) { return InfoOf(Encoding).Name; }

std::optional<TEncoding> FromName(std::string_view Name)
{
    if (EqualIgnoringAsciiCase(Name, "utf8"))
        return TEncoding::Utf8;
    for (const auto& Info : Infos)
        if (EqualIgnoringAsciiCase(Name, Info.Name))
            return Info.Encoding;
    return std::nullopt;
}

std::string_view Caption(TEncoding Encoding) { return InfoOf(Encoding).Caption; }

bool IsSingleByte(TEncoding Encoding) { return InfoOf(Encoding).Encoding != TEncoding::Utf8; }

const std::array<char32_t, 256>& DecodeTable(TEncoding Encoding)
{
    return Decode[TableIndex(Encoding)];
}

const std::array<unsigned char, 256>& FoldTable(TEncoding Encoding)
{
    if (Encoding == TEncoding::Utf8)
        return AsciiFold;
    return Fold[TableIndex(Encoding)];
}

std::optional<std::string> EncodeUtf8(std::string_view Utf8Text, TEncoding Encoding)
{
    const bool Utf8 = Encoding == TEncoding::Utf8;
    const int Index = Utf8 ? -1 : TableIndex(Encoding);
    std::string Result;
    Result.reserve(Utf8Text.size());
    for (std::size_t I = 0; I < Utf8Text.size();) {
        char32_t Code;
        const std::size_t Length = Utf8SequenceAt(Utf8Text, I, Code);
        if (Length == 0)
            return std::nullopt;
        if (Utf8 || Code < 0x80) {
            // Every code page here is ASCII below 0x80 (the generator checks it).
            Result.append(Utf8Text.substr(I, Length));
        } else {
            const auto& Table = ReverseTable(Index);
            const auto End = Table.Entries.begin() + std::ptrdiff_t(Table.Count);
            const auto Found = std::lower_bound(Table.Entries.begin(), End,
                                                std::make_pair(Code, static_cast<unsigned char>(0)));
            if (Found == End || Found->first != Code)
                return std::nullopt;
            Result += char(Found->second);
        }
        I += Length;
    }
    return Result;
}

std::string DecodeToUtf8(std::string_view Bytes, TEncoding Encoding)
{
    std::string Result;
    Result.reserve(Bytes.size() + Bytes.size() / 8);
    if (Encoding == TEncoding::Utf8) {
        for (std::size_t I = 0; I < Bytes.size();) {
            char32_t Code;
            const std::size_t Length = Utf8SequenceAt(Bytes, I, Code);
            if (Length == 0) {
                AppendUtf8(Result, Replacement);
                ++I;
            } else {
                Result.append(Bytes.substr(I, Length));
                I += Length;
            }
        }
        return Result;
    }
    const auto& Table = Decode[TableIndex(Encoding)];
    for (const char C : Bytes)
        AppendUtf8(Result, Table[static_cast<unsigned char>(C)]);
    return Result;
}

// ---------------------------------------------------------------------------
// Detection
//
// Each candidate code page reads every byte above 0x7F as a character, and the
// reading scores by how much it looks like text:
//  - each byte by what it reads as beside its neighbours: letters beside
//    letters of the same script, in a sensible case, score; signs inside
//    words, box drawing, undefined bytes, a Cyrillic or Greek letter beside a
//    Latin one cost;
//  - the words (runs of letters) by the languages that write them: a reading
//    scores by how often one language, or two side by side as in captions of
//    two languages, use the letters of its words, counting only languages the
//    code page was made for and words whose letters one language has in full.
// The highest score wins; equal scores go to the first candidate in
// Candidates, which lists the code pages by how often the files use them.

namespace {

struct TCandidate {
    TEncoding Encoding;
    // Few files use it: it has to read better by a point for every byte beyond
    // ASCII, so that German and French in 850 do not pass for Portuguese in 860.
    bool RarelyUsed;
};
constexpr TCandidate Candidates[] = {
    {TEncoding::Cp850, false},  {TEncoding::Cp1252, false}, {TEncoding::Cp1250, false},
    {TEncoding::Cp852, false},  {TEncoding::Cp1251, false}, {TEncoding::Cp866, false},
    {TEncoding::Cp437, false},  {TEncoding::Cp865, false},  {TEncoding::Cp1253, false},
    {TEncoding::Cp737, false},  {TEncoding::Cp1257, true},  {TEncoding::Cp775, true},
    {TEncoding::Cp1254, true},  {TEncoding::Cp857, true},   {TEncoding::Cp860, true},
    {TEncoding::Cp861, true},   {TEncoding::Cp855, true},   {TEncoding::Cp874, true},
    {TEncoding::Cp1255, true},  {TEncoding::Cp1256, true},  {TEncoding::Cp1258, true},
};
constexpr int CandidateCount = int(sizeof Candidates / sizeof Candidates[0]);
static_assert(CandidateCount == EncodingCount - 2, "every code page is a candidate");

// The letters beyond ASCII, in lower case, of the languages the files are
// written in; before the bar the frequent ones, after it the rarer ones.
// Languages that share their letters share a line.
constexpr std::string_view Alphabets[] = {
    "æøå|é",                                 // Danish, Norwegian
    "äåö|é",                                 // Swedish, Finnish
    "äöüß|",                                 // German
    "|éèëïöü",                               // Dutch
    "éèàçù|êëâîïôûüÿœæ",                     // French
    "áéíóñú|ü",                              // Spanish
    "àèéìòù|",                               // Italian
    "ãçéáíó|àâêôõú",                         // Portuguese
    "|áðéíóúýþæö",                           // Icelandic
    "áčéěířšúůýž|ďňóť",                      // Czech
    "|áäčďéíĺľňóôŕšťúýž",                    // Slovak
    "ąćęłńóśźż|",                            // Polish
    "|áéíóöőúüű",                            // Hungarian
    "čšž|ćđ",                                // Slovenian, Croatian
    "|ăâîșşțţ",                              // Romanian
    "çğıöşü|âîû",                            // Turkish
    "ąčęėįšųūž|",                            // Lithuanian
    "āčēīšūž|ģķļņ",                          // Latvian
    "|äõöüšž",                               // Estonian
    "оеаинтсрвлкмдпуя|ызьбгчйхжшюцщэфъё",    // Russian
    "|абвгґдеєжзиіїйклмнопрстуфхцчшщьюя",    // Ukrainian
    "|абвгдежзийклмнопрстуфхцчшщъьюя",       // Bulgarian
    "|абвгдђѓежзѕијклљмнњопрстћќуфхцчџш",    // Serbian, Macedonian
    "αοιετσνηυρπκμλάόέίής|ωγδθζξφχψβύώϊϋΐΰ", // Greek
};
constexpr int AlphabetCount = int(sizeof Alphabets / sizeof Alphabets[0]);
// Thai, Hebrew and Arabic: any letter of the script.
constexpr int OtherScriptLanguage = AlphabetCount;
constexpr int LanguageCount = AlphabetCount + 1;
static_assert(LanguageCount <= 32, "a language mask is 32 bits");

// What a letter adds to a language's fit, by the word it stands in: much when
// the language uses all the word's letters often, less when only some of them,
// less again when it uses them all but seldom; it takes away when the language
// lacks one of the word's letters.
constexpr int FrequentLetterFit = 4, MixedLetterFit = 3, RareLetterFit = 2, ForeignLetterFit = -3;
constexpr int SecondLanguageCost = 6;
// Letters further apart than this are in different words.
constexpr std::size_t LongestWord = 32;
// How many bytes beyond ASCII decide on a code page: 2,048 and 256 decide
// every object of the generated exports alike.
constexpr std::size_t EnoughHighBytes = 512;

// How far behind the best reading another one must fall for the text not to
// be in that code page although its neighbours are: far more than a short
// text's few accented words or signs can make up ("¿Confirma" in 852 leads
// 850 by a few points), little per byte beside the signs and box drawing
// inside every word that a text of another code page reads as.
constexpr std::int64_t StrongLeadAtLeast = 40, StrongLeadPerByte = 4;
constexpr std::int64_t StrongLead(std::size_t HighBytes)
{
    return std::max<std::int64_t>(StrongLeadAtLeast, StrongLeadPerByte * std::int64_t(HighBytes));
}

// What a byte adds to its reading, by what it reads as and beside what.
constexpr int NoTextScore = -10;                           // undefined, or a control character
constexpr int LoneGraphicScore = -5, GraphicRunScore = -1; // box drawing alone, or in a line of it
constexpr int MarkAfterLetterScore = 1, StrayMarkScore = -5;
constexpr int SignInWordScore = -4, SpaceInWordScore = -2;
constexpr int LetterScore = 2, SameScriptNeighbourScore = 1, NoTextNeighbourScore = -1;
constexpr int ScriptChangeScore = -5;                      // a Cyrillic letter beside a Latin one
constexpr int CaseBreakScore = -8;                         // "lÀngde", "ĘDesea"
constexpr int LowerAmongCapitalsScore = -2, SecondCapitalScore = -2;  // "KUNDEõNR", "DÚbito"
constexpr int AccentedRunScore = -2;                       // three Latin letters beyond ASCII in a row
constexpr int RarelyUsedPageScore = -1;                    // per byte beyond ASCII

// Three classes beside the generated ones: ASCII letters, whose neighbours read
// differently from those of letters beyond ASCII; and, for the byte after the
// one scored, an ASCII capital that starts a word ("¿Desea", not "ĘDesea").
enum : std::uint8_t { ccAsciiUpper = CharClassCount, ccAsciiLower, ccAsciiCapital, DetectClassCount };

constexpr bool IsLetter(int Class) { return Class >= ccLatinUpper; }
constexpr bool IsUpper(int Class)
{
    return Class == ccLatinUpper || Class == ccGreekUpper || Class == ccCyrillicUpper ||
           Class == ccAsciiUpper || Class == ccAsciiCapital;
}
constexpr bool IsLower(int Class)
{
    return Class == ccLatinLower || Class == ccGreekLower || Class == ccCyrillicLower ||
           Class == ccAsciiLower;
}
constexpr bool IsLatinBeyondAscii(int Class) { return Class == ccLatinUpper || Class == ccLatinLower; }
enum TScript { scNone, scLatin, scGreek, scCyrillic, scOther };
constexpr TScript ScriptOf(int Class)
{
    switch (Class) {
    case ccLatinUpper: case ccLatinLower: case ccAsciiUpper: case ccAsciiLower: case ccAsciiCapital:
        return scLatin;
    case ccGreekUpper: case ccGreekLower: return scGreek;
    case ccCyrillicUpper: case ccCyrillicLower: return scCyrillic;
    case ccOtherLetter: return scOther;
    default: return scNone;
    }
}

// How plausible a byte of class Self is between neighbours of classes Prev and Next.
int ScoreInContext(int Self, int Prev, int Next)
{
    const bool PrevLetter = IsLetter(Prev), NextLetter = IsLetter(Next);
    switch (Self) {
    case ccBad:
        return NoTextScore;
    case ccGraphic:
        return Prev == ccGraphic || Next == ccGraphic ? GraphicRunScore : LoneGraphicScore;
    case ccMark:
        return PrevLetter ? MarkAfterLetterScore : StrayMarkScore;
    case ccSymbol:
        // Signs open and close words ("¿", "«", "m²") but seldom stand inside one.
        return PrevLetter && NextLetter ? SignInWordScore : 0;
    case ccOther:
        return PrevLetter && NextLetter ? SpaceInWordScore : 0;
    default:
        break;
    }
    const TScript Script = ScriptOf(Self);
    int Score = LetterScore;
    for (const int Side : {Prev, Next}) {
        if (Side == ccBad || Side == ccGraphic)
            Score += NoTextNeighbourScore;
        else if (!IsLetter(Side))
            continue;
        else if (ScriptOf(Side) != Script)
            Score += ScriptChangeScore;
        else if (!IsLatinBeyondAscii(Side))
            Score += SameScriptNeighbourScore;  // Latin letters beyond ASCII seldom stand side by side
    }
    if ((IsUpper(Self) && IsLower(Prev)) || Next == ccAsciiCapital)
        Score += CaseBreakScore;
    if (IsLower(Self) && IsUpper(Prev) && IsUpper(Next))
        Score += LowerAmongCapitalsScore;
    if (IsUpper(Self) && IsUpper(Prev) && IsLower(Next))
        Score += SecondCapitalScore;
    if (IsLatinBeyondAscii(Self) && IsLatinBeyondAscii(Prev) && IsLatinBeyondAscii(Next))
        Score += AccentedRunScore;
    return Score;
}

// The candidates side by side, padded to whole vectors, for the sums every
// candidate takes of every byte.
constexpr int LaneCount = 32;
static_assert(CandidateCount <= LaneCount, "a lane per candidate");

// A byte beyond ASCII mostly stands between ASCII bytes, which read the same
// in every code page: such a byte's context score in every candidate is one
// row, picked by what the neighbours are.
enum TAsciiSide : std::uint8_t { asOther, asUpper, asLower };
constexpr int AsciiSideCount = 3;
constexpr int NeighbourKinds = AsciiSideCount * (AsciiSideCount + 1);  // the one after may start a word

// Bytes above 0x7F, bit N for 0x80 + N.
struct TByteSet {
    std::uint64_t Bits[2];
    void Add(unsigned char Byte) { Bits[(Byte >> 6) & 1] |= std::uint64_t(1) << (Byte & 63); }
    bool Meets(const TByteSet& Other) const { return (Bits[0] & Other.Bits[0]) | (Bits[1] & Other.Bits[1]); }
};

// Everything the detection looks up, built once.
struct TDetectTables {
    // Per candidate: the class of every byte (ASCII letters as ccAscii*).
    std::uint8_t Classes[CandidateCount][256];
    // Per candidate and byte above 0x7F read as a letter: the languages made
    // for by the code page that use the letter, and those that use it often.
    std::uint32_t Using[CandidateCount][128];
    std::uint32_t UsingOften[CandidateCount][128];
    // ScoreInContext for every combination of classes.
    std::int8_t Context[DetectClassCount][DetectClassCount][DetectClassCount];
    // What an ASCII byte is as a neighbour.
    TAsciiSide AsciiSides[128];
    // Per byte above 0x7F and kind of ASCII neighbours: its context score in
    // every candidate, a rarely used page's cost included.
    std::int8_t AsciiContext[128][NeighbourKinds][LaneCount];
    // Per byte above 0x7F: the most its letter can add to its words' fit in
    // every candidate (see WordCeiling).
    std::int8_t WordCeiling[128][LaneCount];
    // Per byte: its class in every candidate; after the bytes, an ASCII
    // capital that starts a word.
    std::uint8_t ByteClasses[257][LaneCount];
    // Per pair of candidates A, B: the bytes above 0x7F that B does not read
    // as A does or with fewer of A's languages (see DetectSingleByte).
    TByteSet ReadsBeyond[CandidateCount][CandidateCount];
    // Per candidate: Context, flat, a rarely used page's cost included.
    std::int8_t RareContext[CandidateCount][DetectClassCount * DetectClassCount * DetectClassCount];
};
constexpr int CapitalStartingWord = 256;

std::u32string CodePointsOf(std::string_view Utf8)
{
    std::u32string Result;
    for (std::size_t I = 0; I < Utf8.size();) {
        char32_t Code = Replacement;
        const std::size_t Length = Utf8SequenceAt(Utf8, I, Code);
        Result += Code;
        I += Length ? Length : 1;
    }
    return Result;
}

struct TAlphabet {
    std::u32string Frequent, Rare;
};

// The languages a code page was made for: it holds all their frequent letters
// (all their letters when none is marked frequent). Turkish cannot explain a
// reading in 850, which has no ş.
std::uint32_t HomeLanguages(const std::array<char32_t, 256>& Decode, const TAlphabet (&Alphabets)[AlphabetCount])
{
    std::uint32_t Home = 1u << OtherScriptLanguage;
    for (int L = 0; L < AlphabetCount; ++L) {
        const std::u32string& Needed = Alphabets[L].Frequent.empty() ? Alphabets[L].Rare : Alphabets[L].Frequent;
        const bool All = std::all_of(Needed.begin(), Needed.end(), [&](char32_t Letter) {
            return std::find(Decode.begin(), Decode.end(), Letter) != Decode.end();
        });
        if (All)
            Home |= 1u << L;
    }
    return Home;
}

// The most a letter can add to the fit of the words it stands in: a word
// scores per letter at most 4 when a language uses all its letters often, 3
// when one of them is used only seldom, and -3 when no language uses one of
// them. So the sum of these over a reading's letters bounds its words' fit,
// and a candidate whose context score and bound stay below the best reading
// so far needs no look at its words.
int WordCeiling(std::uint32_t Using, std::uint32_t UsingOften)
{
    if (UsingOften)
        return FrequentLetterFit;
    return Using ? MixedLetterFit : ForeignLetterFit;
}

// The side-by-side tables, from the per-candidate ones.
void FillByteClasses(TDetectTables& Tables)
{
    for (int Byte = 0; Byte < 0x80; ++Byte) {
        // ASCII reads the same in every code page; the first candidate speaks for all.
        const int Class = Tables.Classes[0][Byte];
        Tables.AsciiSides[Byte] = Class == ccAsciiUpper ? asUpper : Class == ccAsciiLower ? asLower : asOther;
    }
    for (int C = 0; C < CandidateCount; ++C) {
        for (int Byte = 0; Byte < 256; ++Byte)
            Tables.ByteClasses[Byte][C] = Tables.Classes[C][Byte];
        Tables.ByteClasses[CapitalStartingWord][C] = ccAsciiCapital;
        const int Rare = Candidates[C].RarelyUsed ? RarelyUsedPageScore : 0;
        const std::int8_t* Context = &Tables.Context[0][0][0];
        for (int At = 0; At < DetectClassCount * DetectClassCount * DetectClassCount; ++At)
            Tables.RareContext[C][At] = std::int8_t(Context[At] + Rare);
    }
}

void FillRows(TDetectTables& Tables)
{
    constexpr std::uint8_t SideClasses[AsciiSideCount] = {ccOther, ccAsciiUpper, ccAsciiLower};
    for (int High = 0; High < 128; ++High) {
        for (int C = 0; C < CandidateCount; ++C) {
            const int Self = Tables.Classes[C][0x80 + High];
            const int Rare = Candidates[C].RarelyUsed ? RarelyUsedPageScore : 0;
            for (int Prev = 0; Prev < AsciiSideCount; ++Prev)
                for (int Next = 0; Next <= AsciiSideCount; ++Next) {
                    const int NextClass = Next == AsciiSideCount ? int(ccAsciiCapital) : int(SideClasses[Next]);
                    Tables.AsciiContext[High][Prev * (AsciiSideCount + 1) + Next][C] =
                        std::int8_t(Tables.Context[Self][SideClasses[Prev]][NextClass] + Rare);
                }
            if (IsLetter(Self))
                Tables.WordCeiling[High][C] = std::int8_t(WordCeiling(Tables.Using[C][High], Tables.UsingOften[C][High]));
        }
    }
}

void FillReadsBeyond(TDetectTables& Tables)
{
    for (int A = 0; A < CandidateCount; ++A)
        for (int B = 0; B < CandidateCount; ++B)
            for (int High = 0; High < 128; ++High) {
                const bool SameKind = IsLetter(Tables.Classes[A][0x80 + High]) == IsLetter(Tables.Classes[B][0x80 + High]);
                const bool Fewer = (Tables.Using[B][High] & ~Tables.Using[A][High]) == 0 &&
                                   (Tables.UsingOften[B][High] & ~Tables.UsingOften[A][High]) == 0;
                if (!SameKind || !Fewer)
                    Tables.ReadsBeyond[A][B].Add(std::uint8_t(0x80 + High));
            }
}

const TDetectTables& DetectTables()
{
    static const auto Tables = [] {
        auto Result = std::make_unique<TDetectTables>();
        TAlphabet Letters[AlphabetCount];
        for (int L = 0; L < AlphabetCount; ++L) {
            const std::size_t Bar = Alphabets[L].find('|');
            Letters[L] = {CodePointsOf(Alphabets[L].substr(0, Bar)), CodePointsOf(Alphabets[L].substr(Bar + 1))};
        }
        for (int C = 0; C < CandidateCount; ++C) {
            const int T = TableIndex(Candidates[C].Encoding);
            const std::uint32_t Home = HomeLanguages(Decode[T], Letters);
            for (int Byte = 0; Byte < 256; ++Byte) {
                int Class = Classes[T][std::size_t(Byte)];
                if (Byte < 0x80 && Class == ccLatinUpper)
                    Class = ccAsciiUpper;
                else if (Byte < 0x80 && Class == ccLatinLower)
                    Class = ccAsciiLower;
                Result->Classes[C][Byte] = std::uint8_t(Class);
                if (Byte < 0x80)
                    continue;
                std::uint32_t Using = 0, UsingOften = 0;
                if (Class == ccOtherLetter) {
                    Using = UsingOften = 1u << OtherScriptLanguage;
                } else if (IsLetter(Class)) {
                    const char32_t Lower = Decode[T][Fold[T][std::size_t(Byte)]];
                    for (int L = 0; L < AlphabetCount; ++L) {
                        if (Letters[L].Frequent.find(Lower) != std::u32string::npos)
                            UsingOften |= 1u << L;
                        else if (Letters[L].Rare.find(Lower) == std::u32string::npos)
                            continue;
                        Using |= 1u << L;
                    }
                }
                Result->Using[C][Byte - 0x80] = Using & Home;
                Result->UsingOften[C][Byte - 0x80] = UsingOften & Home;
            }
        }
        for (int Self = 0; Self < DetectClassCount; ++Self)
            for (int Prev = 0; Prev < DetectClassCount; ++Prev)
                for (int Next = 0; Next < DetectClassCount; ++Next)
                    Result->Context[Self][Prev][Next] = std::int8_t(ScoreInContext(Self, Prev, Next));
        FillByteClasses(*Result);
        FillRows(*Result);
        FillReadsBeyond(*Result);
        return Result;
    }();
    return *Tables;
}

// The letters beyond ASCII of one word in one reading, by the languages that
// use them: all of them, all of them often, some of them often.
// No member initialisers: a reading's unused word groups stay unwritten, and
// a detection makes one reading per code page.
struct TWordLetters {
    std::uint32_t UsedByAll, FrequentInAll, FrequentInSome;
    std::int64_t Letters;
    static constexpr TWordLetters None() { return {~0u, ~0u, 0, 0}; }
    bool SameLanguages(const TWordLetters& Other) const
    {
        return UsedByAll == Other.UsedByAll && FrequentInAll == Other.FrequentInAll &&
               FrequentInSome == Other.FrequentInSome;
    }
    int FitPerLetter(int Language) const
    {
        // Looked up rather than tested: which way the tests go is a matter of chance.
        static constexpr std::int8_t Fits[8] = {
            ForeignLetterFit, ForeignLetterFit, RareLetterFit, MixedLetterFit,  // not frequent in all
            FrequentLetterFit, FrequentLetterFit, FrequentLetterFit, FrequentLetterFit,
        };
        const unsigned All = (FrequentInAll >> Language) & 1u, Used = (UsedByAll >> Language) & 1u,
                       Some = (FrequentInSome >> Language) & 1u;
        return Fits[All << 2 | Used << 1 | Some];
    }
};

// The words of one reading, those with the same languages added up; words
// beyond the capacity count as foreign to every language.
class TReadingWords {
public:
    void Letter(std::uint32_t Using, std::uint32_t UsingOften)
    {
        FWord.UsedByAll &= Using;
        FWord.FrequentInAll &= UsingOften;
        FWord.FrequentInSome |= UsingOften;
        ++FWord.Letters;
    }
    // Count words that hold one letter beyond ASCII each, the same one.
    void SameLetterWords(std::uint32_t Using, std::uint32_t UsingOften, std::int64_t Count)
    {
        EndWord();
        FWord = {Using, UsingOften, UsingOften, Count};
        EndWord();
    }
    void EndWord()
    {
        if (FWord.Letters == 0)
            return;
        const auto End = FGroups.begin() + FGroupCount;
        const auto Same = std::find_if(FGroups.begin(), End, [&](const TWordLetters& G) { return G.SameLanguages(FWord); });
        if (Same != End)
            Same->Letters += FWord.Letters;
        else if (FGroupCount < FGroups.size())
            FGroups[FGroupCount++] = FWord;
        else
            FForeignLetters += FWord.Letters;
        FWord = TWordLetters::None();
    }

    // Whether some words counted as foreign for want of room.
    bool Full() const { return FForeignLetters > 0; }

    // The fit of the best language alone, or of the best pair. A language
    // that uses no word in full adds nothing to a pair: only the others are
    // tried, and, unless EveryPair, none at all when no pair could beat the
    // best one alone.
    std::int64_t LanguageFit(bool EveryPair = false) const
    {
        std::int64_t Letters = FForeignLetters;
        std::uint32_t Writing = 0;
        for (std::size_t G = 0; G < FGroupCount; ++G) {
            Letters += FGroups[G].Letters;
            Writing |= FGroups[G].UsedByAll;
        }
        std::int64_t Best = ForeignLetterFit * Letters;
        int Languages[LanguageCount];
        int LanguagesWriting = 0;
        for (std::uint32_t Bits = Writing; Bits; Bits &= Bits - 1)
            Languages[LanguagesWriting++] = int(simd::CountTrailingZeros(Bits));
        // Fit[G][K]: group G's fit in the K-th language writing.
        std::int64_t Fit[GroupCapacity][LanguageCount];
        std::int64_t Ceiling = ForeignLetterFit * FForeignLetters - SecondLanguageCost;
        std::int64_t WorstSum = 0;  // of every group's fit in the language that fits it least
        for (std::size_t G = 0; G < FGroupCount; ++G) {
            std::int64_t BestHere = ForeignLetterFit * FGroups[G].Letters;
            std::int64_t WorstHere = BestHere;
            for (int K = 0; K < LanguagesWriting; ++K) {
                Fit[G][K] = FGroups[G].FitPerLetter(Languages[K]) * FGroups[G].Letters;
                BestHere = std::max(BestHere, Fit[G][K]);
                WorstHere = std::min(WorstHere, Fit[G][K]);
            }
            Ceiling += BestHere;
            WorstSum += WorstHere;
        }
        std::int64_t Alone[LanguageCount];
        int ByAlone[LanguageCount];
        for (int K = 0; K < LanguagesWriting; ++K) {
            Alone[K] = ForeignLetterFit * FForeignLetters;
            for (std::size_t G = 0; G < FGroupCount; ++G)
                Alone[K] += Fit[G][K];
            Best = std::max(Best, Alone[K]);
            ByAlone[K] = K;
        }
        if (Ceiling <= Best && !EveryPair)
            return Best;
        // A pair's fit is its two languages' fits alone less, group by group,
        // the lesser of the two, which is no less than the group's worst: the
        // pairs are tried best alone first, and only while they could win.
        std::sort(ByAlone, ByAlone + LanguagesWriting, [&](int A, int B) { return Alone[A] > Alone[B]; });
        const std::int64_t Slack = -ForeignLetterFit * FForeignLetters - SecondLanguageCost - WorstSum;
        const auto CannotBeat = [&](int First, int Second) {
            return !EveryPair && Alone[First] + Alone[Second] + Slack <= Best;
        };
        for (int I = 0; I + 1 < LanguagesWriting; ++I) {
            const int First = ByAlone[I];
            if (CannotBeat(First, ByAlone[I + 1]))
                break;
            for (int J = I + 1; J < LanguagesWriting; ++J) {
                const int Second = ByAlone[J];
                if (CannotBeat(First, Second))
                    break;
                std::int64_t Pair = ForeignLetterFit * FForeignLetters - SecondLanguageCost;
                for (std::size_t G = 0; G < FGroupCount; ++G)
                    Pair += std::max(Fit[G][First], Fit[G][Second]);
                if (Pair > Best) {
                    Best = Pair;
                    if (Best >= Ceiling && !EveryPair)
                        return Best;
                }
            }
        }
        return Best;
    }

private:
    static constexpr std::size_t GroupCapacity = 48;
    TWordLetters FWord = TWordLetters::None();
    std::array<TWordLetters, GroupCapacity> FGroups;
    std::size_t FGroupCount = 0;
    std::int64_t FForeignLetters = 0;
};

constexpr bool IsAsciiLetter(unsigned char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

// What the detection takes from an object's bytes beyond ASCII, in one pass
// over them: per candidate, how well they read as letters, signs and marks in
// their context, and the ceiling of their words' fit (see WordCeiling); and
// the letters as the words hold them. Most words hold one ("Beløb"): those
// are counted by letter, so that a reading looks at such a letter once rather
// than at every word it stands in.
class THighBytes {
public:
    void Clear()
    {
        ForEachPresent([&](int Byte) { FAll[Byte] = FAlone[Byte] = 0; });
        FPresent = {};
        FCount = FWordStart = FLast = 0;
        FRunCount = 0;
    }

    // The bytes at Places, the next ones beyond ASCII, as many as there is
    // room for; false when there was not for all. Only noted here: the sums
    // are taken in one go at the end, where they can stay in registers. The
    // state is kept in locals, as the bytes written could otherwise be it.
    bool Take(std::string_view Bytes, const std::size_t* Places, std::size_t PlaceCount)
    {
        const auto ByteAt = [&](std::size_t At) { return static_cast<unsigned char>(Bytes[At]); };
        std::size_t Count = FCount, WordStart = FWordStart, Last = FLast;
        const std::size_t Taking = std::min(PlaceCount, EnoughHighBytes - Count);
        for (std::size_t P = 0; P < Taking; ++P) {
            const std::size_t I = Places[P];
            // A new word unless only ASCII letters join it to the one before.
            bool NewWord = Count == 0 || I - Last > LongestWord;
            for (std::size_t J = Last + 1; J < I && !NewWord; ++J)
                NewWord = !IsAsciiLetter(ByteAt(J));
            if (NewWord) {
                EndWord(WordStart, Count);
                WordStart = Count;
            }
            const unsigned char Next = I + 1 < Bytes.size() ? ByteAt(I + 1) : ' ';
            // A capital after it that a small letter follows starts a word: "¿Desea", not "ĘDesea".
            const unsigned char AfterNext = I + 2 < Bytes.size() ? ByteAt(I + 2) : ' ';
            // Not &&: which way each test goes is a matter of chance, so no branches.
            const bool NextStartsWord = (unsigned(Next - 'A') < 26u) & (unsigned(AfterNext - 'a') < 26u);
            FSelf[Count] = ByteAt(I);
            FPrev[Count] = I > 0 ? ByteAt(I - 1) : ' ';
            FNext[Count] = NextStartsWord ? std::uint16_t(CapitalStartingWord) : Next;
            ++Count;
            Last = I;
        }
        FCount = Count;
        FWordStart = WordStart;
        FLast = Last;
        return Taking == PlaceCount;
    }

    void Finish()
    {
        EndWord(FWordStart, FCount);
        for (std::size_t K = 0; K < FCount; ++K) {
            FPresent.Add(FSelf[K]);
            ++FAll[FSelf[K] - 0x80];
        }
        SumContexts();
        SumLetterCeilings();
    }

    std::size_t Count() const { return FCount; }
    std::int64_t Context(int C) const { return FContext[C]; }
    // The same, byte by byte from the per-candidate tables: what the rows
    // side by side are checked against.
    std::int64_t ContextOneByOne(int C) const
    {
        const TDetectTables& Tables = DetectTables();
        const auto& Class = Tables.Classes[C];
        std::int64_t Score = 0;
        for (std::size_t K = 0; K < FCount; ++K) {
            const int NextClass = FNext[K] == CapitalStartingWord ? int(ccAsciiCapital) : int(Class[FNext[K]]);
            Score += Tables.Context[Class[FSelf[K]]][Class[FPrev[K]]][NextClass] +
                     (Candidates[C].RarelyUsed ? RarelyUsedPageScore : 0);
        }
        return Score;
    }
    std::int64_t LetterCeilings(int C) const { return FCeiling[C]; }

    // How well the words read in the languages that use the code page; Full
    // when some words had to count as foreign for want of room.
    std::int64_t WordsScore(int C, bool& Full, bool EveryPair = false) const
    {
        const TDetectTables& Tables = DetectTables();
        const auto& Class = Tables.Classes[C];
        TReadingWords Words;
        ForEachPresent([&](int Byte) {
            if (FAlone[Byte] && IsLetter(Class[0x80 + Byte]))
                Words.SameLetterWords(Tables.Using[C][Byte], Tables.UsingOften[C][Byte], FAlone[Byte]);
        });
        for (int R = 0; R < FRunCount; ++R) {
            Words.EndWord();
            for (std::size_t K = FRuns[R].first; K < FRuns[R].second; ++K) {
                const int Self = FSelf[K];
                if (!IsLetter(Class[Self]))
                    Words.EndWord();
                else
                    Words.Letter(Tables.Using[C][Self - 0x80], Tables.UsingOften[C][Self - 0x80]);
            }
        }
        Words.EndWord();
        Full = Words.Full();
        return Words.LanguageFit(EveryPair);
    }

    bool Meets(const TByteSet& Bytes) const { return FPresent.Meets(Bytes); }

    // The code pages (bit 1 << TEncoding) the bytes cannot be in, their best
    // reading being candidate Own's. A client writing in a code page never
    // writes a byte it leaves undefined, nor a control character in captions
    // and code; yet one stray byte (a control character pasted in) is no
    // proof. So: candidate C is ruled out when it reads as no text at least a
    // quarter of the bytes beyond ASCII, and Own reads every one of those as
    // a letter. Box drawing and signs are never proof: objects hold them.
    std::uint32_t CannotBe(int Own) const
    {
        const TDetectTables& Tables = DetectTables();
        std::uint32_t Result = 0;
        for (int C = 0; C < CandidateCount; ++C) {
            std::size_t NoText = 0;
            bool Letters = true;
            ForEachPresent([&](int Byte) {
                if (Tables.Classes[C][0x80 + Byte] != ccBad)
                    return;
                NoText += FAll[Byte];
                Letters = Letters && IsLetter(Tables.Classes[Own][0x80 + Byte]);
            });
            if (NoText > 0 && Letters && NoText * 4 >= FCount)
                Result |= 1u << int(Candidates[C].Encoding);
        }
        return Result;
    }

    // A closer ceiling of a reading's words' fit than the sum of its letters'
    // ceilings: one language alone scores a letter 4 at most where it uses it
    // often, 3 where it uses it at all and -3 elsewhere; two languages side by
    // side cost SecondLanguageCost. Worth its cost only for a candidate that
    // the first ceiling cannot rule out.
    std::int64_t WordsCeiling(int C) const
    {
        const TDetectTables& Tables = DetectTables();
        std::int64_t Letters = 0, Using[LanguageCount] = {}, UsingOften[LanguageCount] = {};
        ForEachPresent([&](int Byte) {
            if (!IsLetter(Tables.Classes[C][0x80 + Byte]))
                return;
            const std::int64_t Count = FAll[Byte];
            Letters += Count;
            for (std::uint32_t Bits = Tables.Using[C][Byte]; Bits; Bits &= Bits - 1)
                Using[simd::CountTrailingZeros(Bits)] += Count;
            for (std::uint32_t Bits = Tables.UsingOften[C][Byte]; Bits; Bits &= Bits - 1)
                UsingOften[simd::CountTrailingZeros(Bits)] += Count;
        });
        std::int64_t Ceiling = FCeiling[C] - SecondLanguageCost;
        for (int Language = 0; Language < LanguageCount; ++Language)
            Ceiling = std::max(Ceiling, ForeignLetterFit * Letters +
                                            (MixedLetterFit - ForeignLetterFit) * Using[Language] +
                                            (FrequentLetterFit - MixedLetterFit) * UsingOften[Language]);
        return Ceiling;
    }

private:
    // A byte adds at most 128 to a lane: 256 of them fit in 16 bits.
    static constexpr std::size_t LaneChunk = 256;
    struct TLanes {
        std::int16_t V[LaneCount];
    };

    template <class TVisit>
    void ForEachPresent(TVisit Visit) const
    {
        for (int Half = 0; Half < 2; ++Half)
            for (std::uint64_t Bits = FPresent.Bits[Half]; Bits; Bits &= Bits - 1)
                Visit(Half * 64 + int(simd::CountTrailingZeros64(Bits)));
    }

    // Per candidate, how well the bytes read in their context.
    void SumContexts()
    {
        const TDetectTables& Tables = DetectTables();
        std::fill(std::begin(FContext), std::end(FContext), 0);
        for (std::size_t First = 0; First < FCount; First += LaneChunk) {
            TLanes Sums = {};
            for (std::size_t K = First; K < std::min(FCount, First + LaneChunk); ++K) {
                const int Self = FSelf[K], Prev = FPrev[K], Next = FNext[K];
                if (Prev < 0x80 && (Next < 0x80 || Next == CapitalStartingWord)) {
                    const int NextSide = Next == CapitalStartingWord ? AsciiSideCount : Tables.AsciiSides[Next];
                    AddRow(Sums, Tables.AsciiContext[Self - 0x80][Tables.AsciiSides[Prev] * (AsciiSideCount + 1) + NextSide]);
                    continue;
                }
                // A neighbour beyond ASCII reads differently in every code
                // page: the classes side by side give where to look for each.
                const std::uint8_t* SelfClass = Tables.ByteClasses[Self];
                const std::uint8_t* PrevClass = Tables.ByteClasses[Prev];
                const std::uint8_t* NextClass = Tables.ByteClasses[Next];
                std::uint16_t At[LaneCount];
                for (int L = 0; L < LaneCount; ++L)
                    At[L] = std::uint16_t((SelfClass[L] * DetectClassCount + PrevClass[L]) * DetectClassCount + NextClass[L]);
                for (int C = 0; C < CandidateCount; ++C)
                    Sums.V[C] = std::int16_t(Sums.V[C] + Tables.RareContext[C][At[C]]);
            }
            for (int L = 0; L < LaneCount; ++L)
                FContext[L] += Sums.V[L];
        }
    }

    // Lane by lane, which the compiler makes vector adds; through a copy, as
    // the row's bytes could otherwise be the lanes themselves.
    static void AddRow(TLanes& Lanes, const std::int8_t* Row)
    {
        TLanes Sum = Lanes;
        for (int L = 0; L < LaneCount; ++L)
            Sum.V[L] = std::int16_t(Sum.V[L] + Row[L]);
        Lanes = Sum;
    }

    // Per candidate, the sum of the letters' ceilings, letter by letter.
    void SumLetterCeilings()
    {
        // At most 4 for each of EnoughHighBytes letters: 16 bits will do.
        static_assert(FrequentLetterFit * EnoughHighBytes <= 32767, "letter ceilings fit in 16 bits");
        const TDetectTables& Tables = DetectTables();
        TLanes Sums = {};
        ForEachPresent([&](int Byte) {
            const std::int8_t* Row = Tables.WordCeiling[Byte];
            const std::int16_t Count = std::int16_t(FAll[Byte]);
            for (int L = 0; L < LaneCount; ++L)
                Sums.V[L] = std::int16_t(Sums.V[L] + Count * Row[L]);
        });
        std::copy(std::begin(Sums.V), std::end(Sums.V), std::begin(FCeiling));
    }

    // The word of the bytes [Start, End).
    void EndWord(std::size_t Start, std::size_t End)
    {
        if (End - Start == 1)
            ++FAlone[FSelf[Start] - 0x80];
        else if (End > Start)
            FRuns[FRunCount++] = {std::uint16_t(Start), std::uint16_t(End)};
    }

    std::size_t FCount = 0;
    std::int64_t FContext[LaneCount] = {}, FCeiling[LaneCount] = {};
    TByteSet FPresent = {};
    std::uint16_t FAll[128] = {}, FAlone[128] = {};  // Alone: as the only one of its word
    // Each byte beyond ASCII with its neighbours; the one after may be
    // CapitalStartingWord.
    unsigned char FSelf[EnoughHighBytes], FPrev[EnoughHighBytes];
    std::uint16_t FNext[EnoughHighBytes];
    std::size_t FWordStart = 0;
    std::size_t FLast = 0;  // the place of the last byte taken
    // The words that hold more than one: [first, second) of FSelf.
    std::pair<std::uint16_t, std::uint16_t> FRuns[EnoughHighBytes / 2];
    int FRunCount = 0;
};

// The bytes beyond ASCII of an object: whether they are all UTF-8, and, when
// not, the first of them, as many as it takes to decide on a code page. While
// they could still be UTF-8 only their places are kept: most objects that hold
// a sequence hold nothing else, and most that do not fail at their first byte.
class TCollector {
public:
    enum TFound { fAscii, fUtf8, fCodePage };

    TFound Collect(std::string_view Bytes, THighBytes& High)
    {
        bool Utf8 = true, Any = false;
        std::size_t Kept = 0;
        std::size_t SequenceEnd = 0;  // the UTF-8 sequences are checked up to here
        High.Clear();
        ForEachHighBytes(Bytes, [&](const std::size_t* Places, std::size_t Count) {
            Any = true;
            if (!Utf8)
                return High.Take(Bytes, Places, Count);
            for (std::size_t P = 0; P < Count; ++P) {
                const std::size_t I = Places[P];
                if (I >= SequenceEnd) {
                    char32_t Ignored;
                    const std::size_t Length = Utf8SequenceAt(Bytes, I, Ignored);
                    SequenceEnd = I + Length;
                    if (Length == 0) {
                        Utf8 = false;
                        return High.Take(Bytes, FPlaces, Kept) && High.Take(Bytes, Places + P, Count - P);
                    }
                }
                if (Kept < EnoughHighBytes)
                    FPlaces[Kept++] = I;
            }
            return true;
        });
        if (Utf8)
            return Any ? fUtf8 : fAscii;
        High.Finish();
        return fCodePage;
    }

private:
    std::size_t FPlaces[EnoughHighBytes];
};

// The best reading: the words cost the most, so the candidates are read in the
// order of their ceilings, and only as long as one could still win. A code
// page that reads every letter as the best one so far does, or with fewer of
// its languages (865 and 437 beside 850 for Danish), fits its words no better:
// its context score says whether it can win at all.
int BestCandidate(const THighBytes& High)
{
    const TDetectTables& Tables = DetectTables();
    // The order to read them in, as one number: the higher ceiling first, of
    // equal ones the first candidate. A read one drops to the bottom.
    constexpr std::int64_t ReadAlready = std::numeric_limits<std::int64_t>::min();
    std::int64_t Order[CandidateCount];
    for (int C = 0; C < CandidateCount; ++C)
        Order[C] = (High.Context(C) + High.LetterCeilings(C)) * 256 + (255 - C);
    int Winner = -1;
    std::int64_t Best = 0;
    bool WinnerFull = false;  // the winner's words did not all fit: no bound from them
    // Equal scores go to the first candidate.
    const auto CannotWin = [&](int C, std::int64_t Ceiling) {
        return Winner >= 0 && (Ceiling < Best || (Ceiling == Best && C > Winner));
    };
    for (;;) {
        int Next = 0;
        for (int C = 1; C < CandidateCount; ++C)
            Next = Order[C] > Order[Next] ? C : Next;
        if (Order[Next] == ReadAlready || CannotWin(Next, High.Context(Next) + High.LetterCeilings(Next)))
            break;
        Order[Next] = ReadAlready;
        if (Winner >= 0) {
            const bool NoBetterWords = !WinnerFull && !High.Meets(Tables.ReadsBeyond[Winner][Next]);
            if (NoBetterWords && CannotWin(Next, High.Context(Next) + Best - High.Context(Winner)))
                continue;
            if (CannotWin(Next, High.Context(Next) + High.WordsCeiling(Next)))
                continue;
        }
        bool Full = false;
        const std::int64_t Score = High.Context(Next) + High.WordsScore(Next, Full);
        if (Winner < 0 || Score > Best || (Score == Best && Next < Winner)) {
            Best = Score;
            Winner = Next;
            WinnerFull = Full;
        }
    }
    return Winner;
}

TEncoding DetectSingleByte(const THighBytes& High) { return Candidates[BestCandidate(High)].Encoding; }

// Every reading scored in full, byte by byte: the highest, of equal ones the first.
TEncoding DetectSingleByteInFull(const THighBytes& High)
{
    int Winner = 0;
    std::int64_t Best = 0;
    for (int C = 0; C < CandidateCount; ++C) {
        bool Full = false;
        const std::int64_t Score = High.ContextOneByOne(C) + High.WordsScore(C, Full, true);
        if (C == 0 || Score > Best) {
            Best = Score;
            Winner = C;
        }
    }
    return Candidates[Winner].Encoding;
}

}  // namespace

namespace {

// An object repeats its captions: the first few hundred letters beyond ASCII
// say all the rest would, and a big object costs no more. The bytes are
// collected into one place per thread.
struct TDetectState {
    TCollector Collector;
    THighBytes High;
};
TDetectState& ThreadState()
{
    static thread_local TDetectState State;
    return State;
}

std::optional<TEncoding> DetectWith(std::string_view Bytes, TEncoding (*SingleByte)(const THighBytes&))
{
    TDetectState& State = ThreadState();
    switch (State.Collector.Collect(Bytes, State.High)) {
    case TCollector::fAscii:
        return std::nullopt;
    case TCollector::fUtf8:
        return TEncoding::Utf8;
    default:
        return SingleByte(State.High);
    }
}

}  // namespace

std::optional<TEncoding> Detect(std::string_view Bytes) { return DetectWith(Bytes, DetectSingleByte); }

std::optional<TEncoding> DetectInFull(std::string_view Bytes) { return DetectWith(Bytes, DetectSingleByteInFull); }

TTextScores ScoreText(std::string_view Bytes)
{
    TTextScores Result;
    TDetectState& State = ThreadState();
    switch (State.Collector.Collect(Bytes, State.High)) {
    case TCollector::fAscii:
        return Result;
    case TCollector::fUtf8:
        Result.Detected = TEncoding::Utf8;
        return Result;
    default:
        break;
    }
    const THighBytes& High = State.High;
    const int Winner = BestCandidate(High);
    bool Full = false;
    const std::int64_t Best = High.Context(Winner) + High.WordsScore(Winner, Full);
    const std::int64_t Lead = StrongLead(High.Count());
    // Only a reading that could come closer than Lead is scored in full: the
    // ceilings rule the others out, as they do in the detection.
    for (int C = 0; C < CandidateCount; ++C) {
        std::int64_t Behind = Lead;
        if (C == Winner)
            Behind = 0;
        else if (High.Context(C) + High.LetterCeilings(C) > Best - Lead &&
                 High.Context(C) + High.WordsCeiling(C) > Best - Lead)
            Behind = std::min(Lead, Best - High.Context(C) - High.WordsScore(C, Full));
        // A reading as good as the best but later in Detect's order: a text
        // that cannot tell them apart sides with the one Detect prefers, as
        // it would alone (German reads alike in 850 and 852).
        Behind = std::max<std::int64_t>(Behind, C > Winner ? 1 : 0);
        Result.Behind[std::size_t(Candidates[C].Encoding)] = std::int32_t(Behind);
        if (Behind >= Lead)
            Result.Impossible |= 1u << int(Candidates[C].Encoding);
    }
    Result.Detected = Candidates[Winner].Encoding;
    Result.Impossible |= High.CannotBe(Winner);
    return Result;
}

void TScoreSum::Add(const TTextScores& Text)
{
    if (!Text.Detected || !IsSingleByte(*Text.Detected))
        return;
    for (std::size_t E = 0; E < FSums.size(); ++E)
        FSums[E] += Text.Behind[E];
    FAny = true;
}

std::optional<TEncoding> TScoreSum::Best() const
{
    if (!FAny)
        return std::nullopt;
    // Equal sums go to the first candidate, as in Detect.
    int Winner = 0;
    for (int C = 1; C < CandidateCount; ++C)
        if (FSums[std::size_t(Candidates[C].Encoding)] < FSums[std::size_t(Candidates[Winner].Encoding)])
            Winner = C;
    return Candidates[Winner].Encoding;
}

}  // namespace codepages
