#include "core/codepages.h"

#include "core/codepages_tables.h"
#include "core/simd.h"

#include <algorithm>
#include <cstring>
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

// Index of the first byte above 0x7F at or after From, or Bytes.size().
// Object text is mostly ASCII: the skip over it is what detection costs.
std::size_t FindHighByte(std::string_view Bytes, std::size_t From)
{
    constexpr std::uint64_t HighBits = 0x8080808080808080ull;
    std::size_t I = From;
#ifdef QUIB_SSE2
    // A byte's high bit is what movemask collects: 64 bytes per test.
    const char* const Data = Bytes.data();
    for (; I + 64 <= Bytes.size(); I += 64) {
        const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
        const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 16));
        const __m128i C = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 32));
        const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 48));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(A, B), _mm_or_si128(C, D))))
            break;
    }
#endif
    for (; I + 8 <= Bytes.size(); I += 8) {
        std::uint64_t Word;
        std::memcpy(&Word, Bytes.data() + I, 8);
        if (Word & HighBits)
            break;
    }
    for (; I < Bytes.size(); ++I)
        if (static_cast<unsigned char>(Bytes[I]) >= 0x80)
            return I;
    return Bytes.size();
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
constexpr std::size_t EnoughHighBytes = 2048;

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
};

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
        const std::uint32_t Bit = 1u << Language;
        if (FrequentInAll & Bit)
            return FrequentLetterFit;
        if (!(UsedByAll & Bit))
            return ForeignLetterFit;
        return FrequentInSome & Bit ? MixedLetterFit : RareLetterFit;
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

    // The fit of the best language alone, or of the best pair. A language
    // that uses no word in full adds nothing to a pair: only the others are
    // tried, and none at all when no pair could beat the best one alone.
    std::int64_t LanguageFit() const
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
        for (int Language = 0; Language < LanguageCount; ++Language)
            if (Writing & (1u << Language))
                Languages[LanguagesWriting++] = Language;
        // Fit[G][K]: group G's fit in the K-th language writing.
        std::int64_t Fit[GroupCapacity][LanguageCount];
        std::int64_t Ceiling = ForeignLetterFit * FForeignLetters - SecondLanguageCost;
        for (std::size_t G = 0; G < FGroupCount; ++G) {
            std::int64_t BestHere = ForeignLetterFit * FGroups[G].Letters;
            for (int K = 0; K < LanguagesWriting; ++K) {
                Fit[G][K] = FGroups[G].FitPerLetter(Languages[K]) * FGroups[G].Letters;
                BestHere = std::max(BestHere, Fit[G][K]);
            }
            Ceiling += BestHere;
        }
        for (int K = 0; K < LanguagesWriting; ++K) {
            std::int64_t Alone = ForeignLetterFit * FForeignLetters;
            for (std::size_t G = 0; G < FGroupCount; ++G)
                Alone += Fit[G][K];
            Best = std::max(Best, Alone);
        }
        if (Ceiling <= Best)
            return Best;
        for (int First = 0; First < LanguagesWriting; ++First)
            for (int Second = First + 1; Second < LanguagesWriting; ++Second) {
                std::int64_t Pair = ForeignLetterFit * FForeignLetters - SecondLanguageCost;
                for (std::size_t G = 0; G < FGroupCount; ++G)
                    Pair += std::max(Fit[G][First], Fit[G][Second]);
                Best = std::max(Best, Pair);
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

// A byte beyond ASCII with what its reading depends on besides its own class.
struct THighByte {
    unsigned char Self, Prev, Next;
    bool NextStartsWord;  // Next is a capital and a small letter follows it
    bool NewWord;         // nothing but ASCII letters joins it to the one before
};

// One pass over the bytes beyond ASCII from First on: whether they are all
// UTF-8, and the first of them, as many as it takes to decide on a code page.
struct THighBytes {
    bool Utf8 = true;
    std::size_t Count = 0;
    std::array<THighByte, EnoughHighBytes> Bytes;
};

void CollectHighBytes(std::string_view Bytes, std::size_t First, THighBytes& Out)
{
    const auto ByteAt = [&](std::size_t I) { return static_cast<unsigned char>(Bytes[I]); };
    Out.Utf8 = true;
    Out.Count = 0;
    std::size_t Last = First;
    std::size_t SequenceEnd = First;  // the UTF-8 sequences are checked up to here
    for (std::size_t I = First; I < Bytes.size(); Last = I, I = FindHighByte(Bytes, I + 1)) {
        if (Out.Utf8 && I >= SequenceEnd) {
            char32_t Ignored;
            const std::size_t Length = Utf8SequenceAt(Bytes, I, Ignored);
            Out.Utf8 = Length != 0;
            SequenceEnd = I + Length;
        }
        if (Out.Count == EnoughHighBytes) {
            if (!Out.Utf8)
                return;
            continue;
        }
        THighByte& High = Out.Bytes[Out.Count++];
        High.Self = ByteAt(I);
        High.Prev = I > 0 ? ByteAt(I - 1) : ' ';
        High.Next = I + 1 < Bytes.size() ? ByteAt(I + 1) : ' ';
        High.NextStartsWord = High.Next >= 'A' && High.Next <= 'Z' && I + 2 < Bytes.size() &&
                              ByteAt(I + 2) >= 'a' && ByteAt(I + 2) <= 'z';
        High.NewWord = I - Last > LongestWord;
        for (std::size_t J = Last + 1; J < I && !High.NewWord; ++J)
            High.NewWord = !IsAsciiLetter(ByteAt(J));
    }
}

// How well the bytes read as letters, signs and marks in their context.
std::int64_t ContextScore(int C, const THighByte* High, std::size_t Count)
{
    const TDetectTables& Tables = DetectTables();
    const auto& Class = Tables.Classes[C];
    std::int64_t Score = Candidates[C].RarelyUsed ? RarelyUsedPageScore * std::int64_t(Count) : 0;
    for (std::size_t K = 0; K < Count; ++K) {
        const THighByte& B = High[K];
        const int NextClass = B.NextStartsWord ? int(ccAsciiCapital) : int(Class[B.Next]);
        Score += Tables.Context[Class[B.Self]][Class[B.Prev]][NextClass];
    }
    return Score;
}

// How well the words read in the languages that use the code page.
std::int64_t WordsScore(int C, const THighByte* High, std::size_t Count)
{
    const TDetectTables& Tables = DetectTables();
    const auto& Class = Tables.Classes[C];
    TReadingWords Words;
    for (std::size_t K = 0; K < Count; ++K) {
        const unsigned char Self = High[K].Self;
        const bool Letter = IsLetter(Class[Self]);
        if (High[K].NewWord || !Letter)
            Words.EndWord();
        if (Letter)
            Words.Letter(Tables.Using[C][Self - 0x80], Tables.UsingOften[C][Self - 0x80]);
    }
    Words.EndWord();
    return Words.LanguageFit();
}

TEncoding DetectSingleByte(const THighBytes& High)
{
    const std::size_t Count = High.Count;
    std::int64_t Scores[CandidateCount];
    int ByScore[CandidateCount];
    for (int C = 0; C < CandidateCount; ++C) {
        Scores[C] = ContextScore(C, High.Bytes.data(), Count);
        ByScore[C] = C;
    }
    // The words cost the most: candidates whose bytes read so badly that even
    // the best fit cannot lift them to the leader are left out.
    std::stable_sort(std::begin(ByScore), std::end(ByScore), [&](int A, int B) { return Scores[A] > Scores[B]; });
    const std::int64_t HighestFit = FrequentLetterFit * std::int64_t(Count);
    int Winner = -1;
    std::int64_t Best = 0;
    for (const int C : ByScore) {
        if (Winner >= 0 && Scores[C] + HighestFit < Best)
            break;
        const std::int64_t Score = Scores[C] + WordsScore(C, High.Bytes.data(), Count);
        if (Winner < 0 || Score > Best || (Score == Best && C < Winner)) {
            Best = Score;
            Winner = C;
        }
    }
    return Candidates[Winner].Encoding;
}

}  // namespace

std::optional<TEncoding> Detect(std::string_view Bytes)
{
    const std::size_t First = FindHighByte(Bytes, 0);
    if (First == Bytes.size())
        return std::nullopt;
    // An object repeats its captions: the first few thousand letters beyond
    // ASCII say all the rest would, and a big object costs no more.
    static thread_local THighBytes High;
    CollectHighBytes(Bytes, First, High);
    if (High.Utf8)
        return TEncoding::Utf8;
    return DetectSingleByte(High);
}

}  // namespace codepages
