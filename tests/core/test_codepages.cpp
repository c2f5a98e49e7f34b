#include "core/codepages.h"
#include "core/codepages_tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#if __has_include(<iconv.h>) && !defined(_WIN32)
#include <iconv.h>
#define ORVANTA_HAVE_ICONV 1
#endif
#if defined(__GLIBC__)
#include <clocale>
#include <cwctype>
#include <locale.h>
#endif

namespace codepages {
// Test names and failures show the encoding's name rather than its byte.
void PrintTo(TEncoding Encoding, std::ostream* Out) { *Out << Name(Encoding); }
}  // namespace codepages

namespace {

using codepages::TEncoding;

std::vector<TEncoding> AllEncodings()
{
    std::vector<TEncoding> Result;
    for (int I = 0; I < codepages::EncodingCount; ++I)
        Result.push_back(TEncoding(I));
    return Result;
}

std::vector<TEncoding> SingleByteEncodings()
{
    std::vector<TEncoding> Result;
    for (const TEncoding Encoding : AllEncodings())
        if (Encoding != TEncoding::Utf8)
            Result.push_back(Encoding);
    return Result;
}

std::string NameOf(const testing::TestParamInfo<TEncoding>& Info)
{
    std::string Name(codepages::Name(Info.param));
    for (char& C : Name)
        if (C == '-')
            C = '_';
    return Name;
}

constexpr char32_t Replacement = 0xFFFD;

// ---------------------------------------------------------------------------
// The tables of every single-byte encoding

class CodePageTable : public testing::TestWithParam<TEncoding> {
protected:
    const std::array<char32_t, 256>& Decode() const { return codepages::DecodeTable(GetParam()); }
    const std::array<unsigned char, 256>& Fold() const { return codepages::FoldTable(GetParam()); }
};

#if ORVANTA_HAVE_ICONV
// The code point the system's iconv reads one byte as; U+FFFD when it refuses it.
char32_t IconvDecode(iconv_t Converter, unsigned char Byte)
{
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    char In[1] = {char(Byte)};
    unsigned char Out[16] = {};
    char* InPtr = In;
    char* OutPtr = reinterpret_cast<char*>(Out);
    std::size_t InLeft = 1, OutLeft = sizeof Out;
    if (iconv(Converter, &InPtr, &InLeft, &OutPtr, &OutLeft) == std::size_t(-1))
        return Replacement;
    // Some converters hold a base letter back for a combining mark that may follow.
    iconv(Converter, nullptr, nullptr, &OutPtr, &OutLeft);
    if (sizeof Out - OutLeft != 4)
        return Replacement;
    return char32_t(Out[0]) | char32_t(Out[1]) << 8 | char32_t(Out[2]) << 16 | char32_t(Out[3]) << 24;
}
#endif

TEST_P(CodePageTable, DecodesEveryByteAsIconvDoes)
{
#if ORVANTA_HAVE_ICONV
    std::string IconvName = GetParam() == TEncoding::Latin1 ? "ISO-8859-1" : std::string(codepages::Name(GetParam()));
    for (char& C : IconvName)
        C = char(std::toupper(static_cast<unsigned char>(C)));
    const iconv_t Converter = iconv_open("UTF-32LE", IconvName.c_str());
    if (Converter == iconv_t(-1))
        GTEST_SKIP() << "iconv does not know " << IconvName;
    for (int Byte = 0; Byte < 256; ++Byte)
        EXPECT_EQ(Decode()[std::size_t(Byte)], IconvDecode(Converter, static_cast<unsigned char>(Byte)))
            << "byte 0x" << std::hex << Byte;
    iconv_close(Converter);
#else
    GTEST_SKIP() << "no iconv here";
#endif
}

TEST_P(CodePageTable, IsAsciiBelow0x80)
{
    for (int Byte = 0; Byte < 0x80; ++Byte) {
        EXPECT_EQ(Decode()[std::size_t(Byte)], char32_t(Byte));
        const int Lower = Byte >= 'A' && Byte <= 'Z' ? Byte + ('a' - 'A') : Byte;
        EXPECT_EQ(Fold()[std::size_t(Byte)], Lower) << "byte 0x" << std::hex << Byte;
    }
}

TEST_P(CodePageTable, FoldingTwiceIsFoldingOnce)
{
    for (int Byte = 0; Byte < 256; ++Byte) {
        const unsigned char Once = Fold()[std::size_t(Byte)];
        EXPECT_EQ(Fold()[Once], Once) << "byte 0x" << std::hex << Byte;
    }
}

TEST_P(CodePageTable, FoldsToTheLowerCaseLetterWhenTheCodePageHasIt)
{
    if (GetParam() == TEncoding::Latin1)
        GTEST_SKIP() << "one character per byte folds A to Z only (IsAsciiBelow0x80)";
#if defined(__GLIBC__)
    const locale_t Unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    if (Unicode == locale_t(nullptr))
        GTEST_SKIP() << "no C.UTF-8 locale";
    for (int Byte = 0; Byte < 256; ++Byte) {
        const char32_t Code = Decode()[std::size_t(Byte)];
        char32_t Lower = Code == Replacement ? Code : char32_t(towlower_l(wint_t(Code), Unicode));
        if (Code >= 0x80 && Lower < 0x80)
            Lower = Code; // the dotted capital I: nothing folds into ASCII
        int Expected = Byte;
        for (int Other = 0; Other < 256 && Lower != Code; ++Other)
            if (Decode()[std::size_t(Other)] == Lower) {
                Expected = Other;
                break;
            }
        EXPECT_EQ(Fold()[std::size_t(Byte)], Expected) << "byte 0x" << std::hex << Byte;
    }
    freelocale(Unicode);
#else
    GTEST_SKIP() << "no Unicode case mapping to compare with here";
#endif
}

TEST_P(CodePageTable, RoundTripsEveryDefinedByte)
{
    for (int Byte = 0; Byte < 256; ++Byte) {
        const std::string Bytes(1, char(Byte));
        const std::string Text = codepages::DecodeToUtf8(Bytes, GetParam());
        if (Decode()[std::size_t(Byte)] == Replacement) {
            EXPECT_EQ(Text, "\xEF\xBF\xBD") << "byte 0x" << std::hex << Byte;
            continue;
        }
        EXPECT_EQ(codepages::EncodeUtf8(Text, GetParam()), Bytes) << "byte 0x" << std::hex << Byte;
    }
}

INSTANTIATE_TEST_SUITE_P(SingleByte, CodePageTable, testing::ValuesIn(SingleByteEncodings()), NameOf);

// Letters and what they fold to, as text: the bytes come from the tables.
struct TFoldRow {
    TEncoding Encoding;
    const char* Letter;
    const char* Folded;
};

void PrintTo(const TFoldRow& Row, std::ostream* Out)
{
    *Out << Row.Letter << " to " << Row.Folded << " in " << codepages::Name(Row.Encoding);
}

class FoldRow : public testing::TestWithParam<TFoldRow> {};

TEST_P(FoldRow, FoldsTheLetter)
{
    const TFoldRow& Row = GetParam();
    const auto Letter = codepages::EncodeUtf8(Row.Letter, Row.Encoding);
    const auto Folded = codepages::EncodeUtf8(Row.Folded, Row.Encoding);
    ASSERT_TRUE(Letter && Letter->size() == 1);
    ASSERT_TRUE(Folded && Folded->size() == 1);
    EXPECT_EQ(codepages::FoldTable(Row.Encoding)[static_cast<unsigned char>((*Letter)[0])],
              static_cast<unsigned char>((*Folded)[0]));
}

INSTANTIATE_TEST_SUITE_P(
    Letters, FoldRow,
    testing::Values(TFoldRow{TEncoding::Cp850, "Æ", "æ"}, TFoldRow{TEncoding::Cp850, "Ø", "ø"},
                    TFoldRow{TEncoding::Cp850, "ß", "ß"}, TFoldRow{TEncoding::Cp1252, "Ä", "ä"},
                    TFoldRow{TEncoding::Cp1252, "Š", "š"}, TFoldRow{TEncoding::Cp1252, "Ÿ", "ÿ"},
                    TFoldRow{TEncoding::Cp852, "Č", "č"}, TFoldRow{TEncoding::Cp1250, "Ř", "ř"},
                    TFoldRow{TEncoding::Cp866, "Я", "я"}, TFoldRow{TEncoding::Cp1251, "Ё", "ё"},
                    TFoldRow{TEncoding::Cp737, "Σ", "σ"}, TFoldRow{TEncoding::Cp1253, "Ά", "ά"},
                    // The dotted capital I stays: nothing folds into ASCII.
                    TFoldRow{TEncoding::Cp857, "İ", "İ"}, TFoldRow{TEncoding::Cp1254, "Ş", "ş"},
                    TFoldRow{TEncoding::Cp1257, "Ų", "ų"},
                    // No lower case in the code page: the letter stays.
                    TFoldRow{TEncoding::Cp437, "Γ", "Γ"},
                    // One character per byte folds A to Z only.
                    TFoldRow{TEncoding::Latin1, "Ä", "Ä"}, TFoldRow{TEncoding::Latin1, "Q", "q"},
                    TFoldRow{TEncoding::Utf8, "Q", "q"}));

// ---------------------------------------------------------------------------
// Text in and out

struct TUnencodableRow {
    const char* Name;
    const char* Utf8;
    TEncoding Encoding;
};

void PrintTo(const TUnencodableRow& Row, std::ostream* Out) { *Out << Row.Name; }

class Unencodable : public testing::TestWithParam<TUnencodableRow> {};

TEST_P(Unencodable, GivesNothing) { EXPECT_EQ(codepages::EncodeUtf8(GetParam().Utf8, GetParam().Encoding), std::nullopt); }

INSTANTIATE_TEST_SUITE_P(
    Texts, Unencodable,
    testing::Values(TUnencodableRow{"EuroIn850", "Betrag in €", TEncoding::Cp850},
                    TUnencodableRow{"CyrillicIn1252", "Сумма", TEncoding::Cp1252},
                    TUnencodableRow{"CzechIn850", "Částka", TEncoding::Cp850},
                    TUnencodableRow{"GreekIn866", "Ποσό", TEncoding::Cp866},
                    TUnencodableRow{"EuroAsOneCharacterPerByte", "€", TEncoding::Latin1},
                    TUnencodableRow{"ReplacementCharacterIn1252", "\xEF\xBF\xBD", TEncoding::Cp1252},
                    TUnencodableRow{"CutSequence", "Bel\xC3", TEncoding::Cp1252},
                    TUnencodableRow{"OverlongSlash", "\xC0\xAF", TEncoding::Utf8},
                    TUnencodableRow{"Surrogate", "\xED\xA0\x80", TEncoding::Utf8},
                    TUnencodableRow{"AboveUnicode", "\xF4\x90\x80\x80", TEncoding::Cp850}),
    [](const testing::TestParamInfo<TUnencodableRow>& Info) { return std::string(Info.param.Name); });

TEST(EncodeUtf8, WritesTheLettersOfTheCodePage)
{
    EXPECT_EQ(codepages::EncodeUtf8("Periodelængde", TEncoding::Cp850), "Periodel\x91ngde");
    EXPECT_EQ(codepages::EncodeUtf8("Periodelængde", TEncoding::Cp1252), "Periodel\xE6ngde");
    EXPECT_EQ(codepages::EncodeUtf8("Periodelængde", TEncoding::Utf8), "Periodelængde");
    EXPECT_EQ(codepages::EncodeUtf8("", TEncoding::Cp866), "");
}

struct TUtf8DecodeRow {
    const char* Name;
    const char* Bytes;
    const char* Text;
};

void PrintTo(const TUtf8DecodeRow& Row, std::ostream* Out) { *Out << Row.Name; }

class Utf8Decode : public testing::TestWithParam<TUtf8DecodeRow> {};

TEST_P(Utf8Decode, ReplacesEveryByteOutsideAValidSequence)
{
    EXPECT_EQ(codepages::DecodeToUtf8(GetParam().Bytes, TEncoding::Utf8), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Utf8Decode,
    testing::Values(TUtf8DecodeRow{"Valid", "Beløb €", "Beløb €"},
                    TUtf8DecodeRow{"LoneContinuation", "a\x80z", "a\uFFFDz"},
                    TUtf8DecodeRow{"Overlong", "\xC0\xAF", "\uFFFD\uFFFD"},
                    TUtf8DecodeRow{"Surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
                    TUtf8DecodeRow{"AboveUnicode", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
                    TUtf8DecodeRow{"CutAtTheEnd", "Bel\xE2\x82", "Bel\uFFFD\uFFFD"},
                    TUtf8DecodeRow{"CodePage850", "Bel\x9B" "b", "Bel\uFFFDb"}),
    [](const testing::TestParamInfo<TUtf8DecodeRow>& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// Names

class EncodingName : public testing::TestWithParam<TEncoding> {};

TEST_P(EncodingName, FromNameGivesTheEncodingBackInAnyCase)
{
    const std::string Name(codepages::Name(GetParam()));
    std::string Upper = Name, Mixed = Name;
    for (std::size_t I = 0; I < Name.size(); ++I) {
        Upper[I] = char(std::toupper(static_cast<unsigned char>(Name[I])));
        if (I % 2 == 0)
            Mixed[I] = Upper[I];
    }
    EXPECT_EQ(codepages::FromName(Name), GetParam());
    EXPECT_EQ(codepages::FromName(Upper), GetParam());
    EXPECT_EQ(codepages::FromName(Mixed), GetParam());
    EXPECT_FALSE(codepages::Caption(GetParam()).empty());
    EXPECT_EQ(codepages::IsSingleByte(GetParam()), GetParam() != TEncoding::Utf8);
}

INSTANTIATE_TEST_SUITE_P(All, EncodingName, testing::ValuesIn(AllEncodings()), NameOf);

TEST(EncodingName, TakesUtf8WithoutTheDash) { EXPECT_EQ(codepages::FromName("UTF8"), TEncoding::Utf8); }

TEST(EncodingName, UnknownNamesGiveNothing)
{
    for (const char* Name : {"", "none", "cp999", "cp85", "cp8500", "utf-16", "latin-1", " cp850"})
        EXPECT_EQ(codepages::FromName(Name), std::nullopt) << Name;
}

TEST(EncodingName, CaptionsSayWhatTheUserReads)
{
    EXPECT_EQ(codepages::Caption(TEncoding::Latin1), "One character per byte");
    EXPECT_EQ(codepages::Caption(TEncoding::Utf8), "UTF-8");
    EXPECT_EQ(codepages::Caption(TEncoding::Cp850), "DOS 850");
    EXPECT_EQ(codepages::Caption(TEncoding::Cp1252), "Windows 1252");
}

TEST(EncodingName, ProgrammingErrorsAreRefused)
{
    EXPECT_THROW(codepages::DecodeTable(TEncoding::Utf8), std::invalid_argument);
    EXPECT_THROW(codepages::Name(TEncoding(codepages::EncodingCount)), std::invalid_argument);
    EXPECT_THROW(codepages::DecodeToUtf8("x", TEncoding(200)), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// Detection

TEST(Detect, NothingBeyondAsciiGivesNothing)
{
    EXPECT_EQ(codepages::Detect(""), std::nullopt);
    EXPECT_EQ(codepages::Detect("OBJECT Table 18 Customer\r\n{\r\n  CaptionML=ENU=Customer;\r\n}\r\n"), std::nullopt);
}

TEST(Detect, ValidUtf8IsUtf8)
{
    EXPECT_EQ(codepages::Detect("CaptionML=[DAN=Periodelængde;DEU=Periodenlänge];"), TEncoding::Utf8);
    EXPECT_EQ(codepages::Detect("\xEF\xBB\xBFOBJECT Codeunit 1 Application"), TEncoding::Utf8);
}

TEST(Detect, OneInvalidSequenceMakesItACodePage)
{
    // "Beløb" in UTF-8 beside "Periodelængde" in 850.
    const auto Found = codepages::Detect("Bel\xC3\xB8" "b Periodel\x91ngde");
    ASSERT_TRUE(Found);
    EXPECT_NE(*Found, TEncoding::Utf8);
    EXPECT_NE(*Found, TEncoding::Latin1);
}

// Detection scores a byte between ASCII neighbours in all code pages at once,
// which holds only while ASCII reads the same in every one of them.
TEST(Detect, AsciiReadsTheSameInEveryCodePage)
{
    namespace tables = codepages::tables;
    for (int Table = 1; Table < tables::SingleByteCount; ++Table)
        for (std::size_t Byte = 0; Byte < 0x80; ++Byte)
            EXPECT_EQ(tables::Classes[Table][Byte], tables::Classes[0][Byte]) << "table " << Table << ", byte " << Byte;
}

// The bytes beyond ASCII are found 64 at a time: where they fall against
// those blocks, or against the end of the text, must not change the outcome;
// nor must it matter whether the bytes that read as UTF-8 come before a stray
// byte or after it.
TEST(Detect, SameWhereverTheBytesFall)
{
    const std::string Dos850 = "Periodel\x91ngde Bel\x9B" "b";
    const std::string Utf8 = "Periodel\xC3\xA6ngde Bel\xC3\xB8" "b";
    const auto Expected = codepages::Detect(Dos850);
    const auto StrayFirst = codepages::Detect("\x91 " + Utf8);
    ASSERT_TRUE(Expected);
    ASSERT_TRUE(StrayFirst);
    ASSERT_NE(StrayFirst, TEncoding::Utf8);
    for (std::size_t Pad = 0; Pad <= 140; ++Pad) {
        SCOPED_TRACE(Pad);
        const std::string Spaces(Pad, ' ');
        EXPECT_EQ(codepages::Detect(Spaces + Dos850 + Spaces), Expected);
        EXPECT_EQ(codepages::Detect(Spaces + Utf8 + Spaces), TEncoding::Utf8);
        EXPECT_EQ(codepages::Detect(Spaces + Utf8 + Spaces + " \x91"), StrayFirst);
    }
}

// Short, realistic pieces of objects, written in their language's DOS code
// page, its Windows code page and UTF-8. A detected code page that reads every
// letter the same as the one written is as good.
struct TSnippet {
    const char* Name;
    TEncoding Dos, Windows;
    const char* Text;
};

const TSnippet Snippets[] = {
    {"Danish", TEncoding::Cp850, TEncoding::Cp1252,
     "    { 3   ;   ;Period Length       ;DateFormula   ;CaptionML=[ENU=Period Length;\r\n"
     "                                                   DAN=Periodelængde] }\r\n"
     "    // Beløbet må ikke være større end kreditmaksimum\r\n"},
    {"DanishAndGerman", TEncoding::Cp850, TEncoding::Cp1252,
     "    CaptionML=[DAN=Periodelængde;DEU=Periodenlänge];\r\n"},
    {"German", TEncoding::Cp850, TEncoding::Cp1252,
     "    { 12  ;   ;Currency Code       ;Code10        ;CaptionML=[ENU=Currency Code;\r\n"
     "                                                   DEU=Währungscode] }\r\n"
     "    // Prüfung der Fälligkeit für gesperrte Debitoren\r\n"},
    {"French", TEncoding::Cp850, TEncoding::Cp1252,
     "    { 24  ;   ;Due Date            ;Date          ;CaptionML=[ENU=Due Date;\r\n"
     "                                                   FRA=Date d'échéance] }\r\n"
     "    // Vérifier la référence du règlement à la création\r\n"},
    {"Spanish", TEncoding::Cp850, TEncoding::Cp1252,
     "    { 5   ;   ;Posting Date        ;Date          ;CaptionML=[ENU=Posting Date;\r\n"
     "                                                   ESP=Fecha de registro] }\r\n"
     "      Text001@1000 : TextConst 'ENU=Delete the line?;ESP=¿Desea eliminar la línea de descripción?';\r\n"},
    {"Czech", TEncoding::Cp852, TEncoding::Cp1250,
     "    { 15  ;   ;Amount              ;Decimal       ;CaptionML=[ENU=Amount;\r\n"
     "                                                   CSY=Částka] }\r\n"
     "    // Kontrola účtu před zaúčtováním dokladu\r\n"},
    {"Polish", TEncoding::Cp852, TEncoding::Cp1250,
     "    { 15  ;   ;Quantity            ;Decimal       ;CaptionML=[ENU=Quantity;\r\n"
     "                                                   PLK=Ilość] }\r\n"
     "    // Sprawdź, czy wartość jest większa od zera\r\n"},
    {"Russian", TEncoding::Cp866, TEncoding::Cp1251,
     "    { 15  ;   ;Amount              ;Decimal       ;CaptionML=[ENU=Amount;\r\n"
     "                                                   RUS=Сумма] }\r\n"
     "    // Проверка суммы перед учетом\r\n"},
    {"Greek", TEncoding::Cp737, TEncoding::Cp1253,
     "    { 15  ;   ;Amount              ;Decimal       ;CaptionML=[ENU=Amount;\r\n"
     "                                                   ELL=Ποσό] }\r\n"
     "    // Έλεγχος του ποσού πριν από την καταχώρηση\r\n"},
    // German captions with French comments once read as Portuguese in 860.
    {"GermanAndFrench", TEncoding::Cp850, TEncoding::Cp1252,
     "    CaptionML=[DEU=Währungscode];\r\n"
     "    // Société française: référence client obligatoire\r\n"},
    // An opening question mark before a capital once read as a Polish letter.
    {"SpanishQuestion", TEncoding::Cp850, TEncoding::Cp1252,
     "      Text001@1000 : TextConst 'ENU=Delete?;ESP=¿Desea borrar?';\r\n"},
};

enum TForm { fmDos, fmWindows, fmUtf8 };

struct TSnippetRow {
    const TSnippet* Snippet;
    TForm Form;
    TEncoding Encoding() const
    {
        return Form == fmDos ? Snippet->Dos : Form == fmWindows ? Snippet->Windows : TEncoding::Utf8;
    }
};

std::vector<TSnippetRow> SnippetRows()
{
    std::vector<TSnippetRow> Rows;
    for (const TSnippet& Snippet : Snippets)
        for (const TForm Form : {fmDos, fmWindows, fmUtf8})
            Rows.push_back({&Snippet, Form});
    return Rows;
}

void PrintTo(const TSnippetRow& Row, std::ostream* Out)
{
    *Out << Row.Snippet->Name << " in " << codepages::Name(Row.Encoding());
}

class DetectSnippet : public testing::TestWithParam<TSnippetRow> {};

TEST_P(DetectSnippet, ReadsEveryLetterRight)
{
    const TSnippetRow& Row = GetParam();
    const auto Bytes = codepages::EncodeUtf8(Row.Snippet->Text, Row.Encoding());
    ASSERT_TRUE(Bytes) << "the snippet cannot be written in " << codepages::Name(Row.Encoding());
    const auto Found = codepages::Detect(*Bytes);
    ASSERT_TRUE(Found);
    EXPECT_EQ(codepages::DecodeToUtf8(*Bytes, *Found), Row.Snippet->Text)
        << "written in " << codepages::Name(Row.Encoding()) << ", read as " << codepages::Name(*Found);
}

std::string SnippetRowName(const testing::TestParamInfo<TSnippetRow>& Info)
{
    static const char* const Forms[] = {"Dos", "Windows", "Utf8"};
    return std::string(Info.param.Snippet->Name) + "_" + Forms[Info.param.Form];
}

INSTANTIATE_TEST_SUITE_P(Snippets, DetectSnippet, testing::ValuesIn(SnippetRows()), SnippetRowName);

// Detection rules most code pages out without reading their words in full.
// Those shortcuts must never change the answer: not on two snippets side by
// side in any of their forms (two languages, two code pages in one object),
// nor on words with random bytes beyond ASCII in them.
TEST(Detect, ShortcutsNeverChangeTheAnswer)
{
    std::vector<std::string> Pieces;
    for (const TSnippetRow& Row : SnippetRows())
        if (const auto Bytes = codepages::EncodeUtf8(Row.Snippet->Text, Row.Encoding()))
            Pieces.push_back(*Bytes);
    for (const std::string& First : Pieces)
        for (const std::string& Second : Pieces)
            ASSERT_EQ(codepages::Detect(First + Second), codepages::DetectInFull(First + Second)) << First + Second;

    std::mt19937 Random(11);
    const auto Below = [&](unsigned Limit) { return unsigned(Random() % Limit); };
    for (int Text = 0; Text < 2000; ++Text) {
        std::string Bytes;
        for (unsigned Word = 0, Words = 1 + Below(12); Word < Words; ++Word) {
            for (unsigned Letter = 0, Letters = 1 + Below(8); Letter < Letters; ++Letter)
                Bytes += Below(4) == 0 ? char(0x80 + Below(128)) : char((Below(3) == 0 ? 'A' : 'a') + Below(26));
            Bytes += " .,;'\r\n"[Below(7)];
        }
        ASSERT_EQ(codepages::Detect(Bytes), codepages::DetectInFull(Bytes)) << Bytes;
    }
}

}  // namespace
