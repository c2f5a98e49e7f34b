// A find text written into each object's encoding: what it finds in bytes of
// each encoding, forwards and backwards, and across the objects of a file
// that mixes encodings.
#include "core/encodingchoice.h"
#include "core/search/findtext.h"
#include "core/search/occurrences.h"
#include "core/quibfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using codepages::TEncoding;

namespace {

struct TFindCase {
    const char* Name;
    const char* Text;  // UTF-8
    TEncoding Encoding;
    bool MatchCase;
    const char* Bytes;  // in Encoding
    int Position;       // 0-based; -1 for none
    int Length;
};

class FindInEncoding : public testing::TestWithParam<TFindCase> {};

TEST_P(FindInEncoding, FindsWhatTheBytesSayInThatEncoding)
{
    const TFindCase& C = GetParam();
    const TFindText Text = TFindText::OfUnicode(C.Text, C.MatchCase);
    const TNeedle* Needle = Text.In(C.Encoding);
    const std::string Bytes = C.Bytes;
    std::size_t Length = 0;
    const char* Hit = Needle ? Needle->FindIn(Bytes.data(), Bytes.size(), Length) : nullptr;
    EXPECT_EQ(C.Position, Hit ? int(Hit - Bytes.data()) : -1);
    EXPECT_EQ(C.Length, int(Length));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindInEncoding,
    testing::Values(
        TFindCase{"Dos850", "Beløb", TEncoding::Cp850, true, "Sum Bel\x9B" "b", 4, 5},
        TFindCase{"Dos850OtherCase", "BELØB", TEncoding::Cp850, false, "Sum Bel\x9B" "b", 4, 5},
        TFindCase{"Dos850CaseMatters", "BELØB", TEncoding::Cp850, true, "Sum BEL\x9B" "B", -1, 0},
        TFindCase{"Windows1252", "Beløb", TEncoding::Cp1252, false, "BEL\xD8" "B", 0, 5},
        TFindCase{"Utf8", "Beløb", TEncoding::Utf8, true, "x Bel\xC3\xB8" "b", 2, 6},
        TFindCase{"Utf8OtherCase", "beløb", TEncoding::Utf8, false, "x BEL\xC3\x98" "B", 2, 6},
        TFindCase{"Utf8NotInTheMiddleOfACharacter", "ø", TEncoding::Utf8, false, "\xC3\xC3\xB8", 1, 2},
        TFindCase{"Cyrillic866", "привет", TEncoding::Cp866, false, "\x8F\x90\x88\x82\x85\x92!", 0, 6},
        TFindCase{"Greek737", "ΣΟΦΙΑ", TEncoding::Cp737, false, "\xA9\xA6\xAD\xA0\x98", 0, 5},
        TFindCase{"OneCharacterPerByteFoldsAToZOnly", "é", TEncoding::Latin1, false, "\xC9", -1, 0},
        TFindCase{"OneCharacterPerByteExact", "é", TEncoding::Latin1, false, "\xE9", 0, 1},
        TFindCase{"NotWritableThere", "Привет", TEncoding::Cp850, false, "\x8F\x90\x88\x82\x85\x92", -1, 0},
        TFindCase{"AsciiEverywhere", "Sales", TEncoding::Cp866, false, "SALES", 0, 5}),
    [](const testing::TestParamInfo<TFindCase>& Info) { return std::string(Info.param.Name); });

TEST(FindText, PlainAsciiAndBytesNeedNoEncoding)
{
    EXPECT_FALSE(TFindText::OfUnicode("Sales Header", false).DependsOnEncoding());
    EXPECT_FALSE(TFindText::OfBytes("Bel\x9B" "b", false).DependsOnEncoding());
    EXPECT_TRUE(TFindText::OfUnicode("Beløb", false).DependsOnEncoding());
    EXPECT_TRUE(TFindText::OfUnicode("", false).Empty());
    // Not UTF-8: nowhere to be found, not a crash.
    EXPECT_EQ(nullptr, TFindText::OfUnicode("Bel\x9B" "b", true).In(TEncoding::Utf8));
}

// The ASCII shortcut holds only while no letter beyond ASCII folds into it.
TEST(FindText, NoCodePageFoldsIntoAscii)
{
    for (int E = 0; E < codepages::EncodingCount; ++E) {
        const auto& Fold = codepages::FoldTable(static_cast<TEncoding>(E));
        for (int Byte = 0x80; Byte < 0x100; ++Byte)
            ASSERT_GE(Fold[std::size_t(Byte)], 0x80) << codepages::Name(static_cast<TEncoding>(E)) << " " << Byte;
    }
}

// --- against the plainest reading, on random texts --------------------------------------

// Every occurrence's start and length, by decoding both and comparing
// characters (folded unless MatchCase).
std::vector<std::pair<std::size_t, std::size_t>> PlainOccurrences(const std::string& Bytes, const std::string& Utf8Text,
                                                                  TEncoding Encoding, bool MatchCase)
{
    const auto Chars = [&](std::string_view Text, TEncoding In) {
        std::vector<std::pair<char32_t, std::size_t>> Result;  // character, its byte length
        for (std::size_t I = 0; I < Text.size();) {
            char32_t Code = 0;
            std::size_t Length = 1;
            if (In == TEncoding::Utf8) {
                Length = codepages::Utf8SequenceAt(Text, I, Code);
                if (Length == 0) {
                    Code = 0xFFFF;  // matches nothing in the text sought
                    Length = 1;
                }
            } else {
                Code = codepages::DecodeTable(In)[static_cast<unsigned char>(Text[I])];
            }
            if (!MatchCase && (In == TEncoding::Utf8 || In != TEncoding::Latin1 || Code < 0x80))
                Code = FoldChar(Code);
            Result.emplace_back(Code, Length);
            I += Length;
        }
        return Result;
    };
    const auto Sought = Chars(Utf8Text, TEncoding::Utf8);
    std::vector<std::pair<std::size_t, std::size_t>> Found;
    for (std::size_t Start = 0; Start < Bytes.size(); ++Start) {
        // Decoding from every byte finds the occurrences that start mid-way.
        const auto Here = Chars(std::string_view(Bytes).substr(Start), Encoding);
        if (Here.size() < Sought.size())
            continue;
        std::size_t Length = 0;
        bool Match = true;
        for (std::size_t K = 0; K < Sought.size() && Match; ++K) {
            Match = Here[K].first == Sought[K].first;
            Length += Here[K].second;
        }
        if (Match && Start + Length <= Bytes.size())
            Found.emplace_back(Start, Length);
    }
    return Found;
}

TEST(FindText, AgreesWithDecodingOnRandomTexts)
{
    const std::vector<std::string> Letters = {"a", "A", "ø", "Ø", "é", "É", "ß", "п", "П", "σ", "Σ", " ", "\r\n"};
    const TEncoding Encodings[] = {TEncoding::Utf8, TEncoding::Cp850, TEncoding::Cp1252, TEncoding::Latin1,
                                   TEncoding::Cp866, TEncoding::Cp1253};
    std::mt19937 Random(7);
    for (int Round = 0; Round < 3000; ++Round) {
        const TEncoding Encoding = Encodings[Random() % std::size(Encodings)];
        std::string Utf8Body;
        for (int K = int(Random() % 30); K > 0; --K)
            Utf8Body += Letters[Random() % Letters.size()];
        std::string Sought;
        for (int K = 1 + int(Random() % 3); K > 0; --K)
            Sought += Letters[Random() % (Letters.size() - 2)];
        // Characters the encoding cannot hold are left out of its text.
        std::string Bytes;
        for (std::size_t I = 0; I < Utf8Body.size();) {
            char32_t Code = 0;
            const std::size_t Length = codepages::Utf8SequenceAt(Utf8Body, I, Code);
            if (auto Encoded = codepages::EncodeUtf8(Utf8Body.substr(I, Length), Encoding))
                Bytes += *Encoded;
            I += Length;
        }
        const bool MatchCase = Random() % 2;
        const auto Want = PlainOccurrences(Bytes, Sought, Encoding, MatchCase);
        const TFindText Text = TFindText::OfUnicode(Sought, MatchCase);
        const TNeedle* Needle = Text.In(Encoding);
        std::vector<std::pair<std::size_t, std::size_t>> Got;
        std::size_t Length = 0;
        for (std::size_t From = 0; Needle && From < Bytes.size();) {
            const char* Hit = Needle->FindIn(Bytes.data() + From, Bytes.size() - From, Length);
            if (!Hit)
                break;
            Got.emplace_back(std::size_t(Hit - Bytes.data()), Length);
            From = Got.back().first + 1;
        }
        ASSERT_EQ(Want, Got) << Sought << " in " << Utf8Body << " as " << codepages::Name(Encoding);
        // Backwards, each occurrence before the one after it.
        std::vector<std::pair<std::size_t, std::size_t>> Back;
        for (std::size_t Before = Bytes.size(); Needle;) {
            const char* Hit = Needle->FindLastIn(Bytes.data(), Bytes.size(), Before, Length);
            if (!Hit)
                break;
            Back.insert(Back.begin(), {std::size_t(Hit - Bytes.data()), Length});
            Before = Back.front().first;
        }
        ASSERT_EQ(Want, Back) << Sought << " in " << Utf8Body << " as " << codepages::Name(Encoding);
    }
}

// Texts long enough for the vector scans, full of places where an occurrence
// could begin and does not: every one is found, in order, from any start.
TEST(FindText, LongTextsWithManyNearMisses)
{
    const char Alphabet[] = {'a', 'A', 'b', 'B', 'x', ' '};
    std::mt19937 Random(11);
    for (int Round = 0; Round < 2000; ++Round) {
        std::string Bytes;
        for (int K = int(Random() % 300); K > 0; --K)
            Bytes += Alphabet[Random() % sizeof Alphabet];
        std::string Sought;
        for (int K = 1 + int(Random() % 6); K > 0; --K)
            Sought += Alphabet[Random() % 4];
        const bool MatchCase = Random() % 2;
        const TFindText Text = TFindText::OfUnicode(Sought, MatchCase);
        const TNeedle& Needle = *Text.In(TEncoding::Latin1);
        std::string FoldedBytes = Bytes, FoldedSought = Sought;
        if (!MatchCase) {
            UpperCaseAscii(FoldedBytes.data(), FoldedBytes.size());
            UpperCaseAscii(FoldedSought.data(), FoldedSought.size());
        }
        for (std::size_t From = Random() % 40; From < Bytes.size(); ++From) {
            std::size_t Length = 0;
            const char* Hit = Needle.FindIn(Bytes.data() + From, Bytes.size() - From, Length);
            const std::size_t Want = FoldedBytes.find(FoldedSought, From);
            ASSERT_EQ(Want == std::string::npos ? -1 : std::ptrdiff_t(Want), Hit ? Hit - Bytes.data() : -1)
                << Sought << " in " << Bytes << " from " << From << (MatchCase ? " case" : "");
        }
    }
}

// --- across the objects of a file ---------------------------------------------------------------

class MixedFile : public testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(Dir.File("mixed.txt"),
                       "OBJECT Table 1 Dos\r\n{ Bel\x9B" "b; BEL\x9D" "B }\r\n"               // DOS 850
                       "OBJECT Table 2 Utf\r\n{ Bel\xC3\xB8" "b; pe\xC3\xB1" "a }\r\n"         // UTF-8
                       "OBJECT Table 3 Rus\r\n{ \x8F\xE0\xA8\xA2\xA5\xE2 \xAF\xE0\xA8\xA2\xA5\xE2 }\r\n"  // DOS 866
                       "OBJECT Table 4 Plain\r\n{ Belob }\r\n");
        File.LoadFromFile(Dir.File("mixed.txt"));
        Encodings.Reset(File.Count());
    }

    // Every occurrence as successive Find Next presses find them.
    std::vector<std::tuple<int, int, int>> AllForward(const TFindText& Text, std::int64_t Block = 256 * 1024)
    {
        search::TOccurrenceSearch::BlockSize = Block;
        std::vector<std::tuple<int, int, int>> Found;
        std::int32_t Object = 0, Position = 1, Length = 0;
        while (File.FindNext(Object, Position, Length, Text, Encodings)) {
            Found.emplace_back(Object, Position, Length);
            Position += Length;
        }
        search::TOccurrenceSearch::BlockSize = 256 * 1024;
        return Found;
    }

    std::vector<std::tuple<int, int, int>> AllBackward(const TFindText& Text)
    {
        std::vector<std::tuple<int, int, int>> Found;
        std::int32_t Object = File.Count() - 1, Position = 1 << 30, Length = 0;
        while (File.FindPrevious(Object, Position, Length, Text, Encodings))
            Found.insert(Found.begin(), {Object, Position, Length});
        return Found;
    }

    TTempDir Dir;
    TObjectTextFile File;
    TEncodingChoice Encodings;
};

TEST_F(MixedFile, EachObjectIsSearchedInItsOwnEncoding)
{
    using TFound = std::vector<std::tuple<int, int, int>>;
    const TFindText Belob = TFindText::OfUnicode("beløb", false);
    EXPECT_EQ((TFound{{0, 23, 5}, {0, 30, 5}, {1, 23, 6}}), AllForward(Belob));
    // Pieces of one byte put every occurrence across a seam.
    EXPECT_EQ(AllForward(Belob), AllForward(Belob, 1));
    EXPECT_EQ(AllForward(Belob), AllBackward(Belob));
    EXPECT_EQ((TFound{{2, 23, 6}, {2, 30, 6}}), AllForward(TFindText::OfUnicode("ПРИВЕТ", false)));
    EXPECT_EQ((TFound{{1, 31, 5}}), AllForward(TFindText::OfUnicode("PEÑA", false)));
    EXPECT_EQ((TFound{}), AllForward(TFindText::OfUnicode("PEÑA", true)));
    EXPECT_EQ((TFound{{3, 25, 5}}), AllForward(TFindText::OfUnicode("BELOB", false)));
}

// An object without the text's ASCII part is passed over before its
// encoding is known; one with it is detected and searched.
TEST_F(MixedFile, AsciiPartSparesTheDetection)
{
    using TFound = std::vector<std::tuple<int, int, int>>;
    EXPECT_EQ((TFound{}), AllForward(TFindText::OfUnicode("Tablet ø", false)));
    EXPECT_EQ(std::nullopt, Encodings.KnownForText(0));
    EXPECT_EQ((TFound{{0, 30, 7}}), AllForward(TFindText::OfUnicode("BEL\u00d8B }", false)));
    EXPECT_TRUE(Encodings.KnownForText(0).has_value());
}

TEST_F(MixedFile, ChosenEncodingHoldsForEveryObject)
{
    using TFound = std::vector<std::tuple<int, int, int>>;
    Encodings.SetChosen(TEncoding::Latin1);
    // Latin-1 reads "ø" as 0xF8, which none of them holds; case folds A to Z only.
    EXPECT_EQ((TFound{}), AllForward(TFindText::OfUnicode("beløb", false)));
    Encodings.SetChosen(TEncoding::Cp850);
    EXPECT_EQ((TFound{{0, 23, 5}, {0, 30, 5}}), AllForward(TFindText::OfUnicode("beløb", false)));
}

TEST_F(MixedFile, PreviousStopsAtTheFirstObject)
{
    std::int32_t Object = 0, Position = 23, Length = 0;
    EXPECT_FALSE(File.FindPrevious(Object, Position, Length, TFindText::OfUnicode("beløb", false), Encodings));
    Object = 1, Position = 23;
    ASSERT_TRUE(File.FindPrevious(Object, Position, Length, TFindText::OfUnicode("beløb", false), Encodings));
    EXPECT_EQ(std::make_tuple(0, 30, 5), std::make_tuple(Object, Position, Length));
}

}  // namespace
