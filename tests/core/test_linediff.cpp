// The line diff: lines, the edit script (shortest, and right on its own
// terms), word marks and unified hunks.
#include "core/linediff.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace std::string_literals;
using TLines = std::vector<std::string_view>;

// "=2 -1 +1" for Equal 2, Delete 1, Insert 1.
std::string Shape(const TEditScript& Script)
{
    std::string S;
    for (const TDiffRun& Run : Script)
        S += (S.empty() ? "" : " ") + std::string(1, "=-+"[int(Run.Op)]) + std::to_string(Run.Count);
    return S;
}

// Lines of one character each: "abc" is a, b, c.
std::vector<std::string> Chars(const std::string& Text)
{
    std::vector<std::string> Lines;
    for (const char C : Text)
        Lines.emplace_back(1, C);
    return Lines;
}

TLines Views(const std::vector<std::string>& Lines) { return TLines(Lines.begin(), Lines.end()); }

// The length of a longest common subsequence, by the textbook table.
std::int64_t LcsLength(const TLines& A, const TLines& B)
{
    std::vector<std::vector<std::int64_t>> L(A.size() + 1, std::vector<std::int64_t>(B.size() + 1));
    for (std::size_t I = 1; I <= A.size(); ++I)
        for (std::size_t J = 1; J <= B.size(); ++J)
            L[I][J] = A[I - 1] == B[J - 1] ? L[I - 1][J - 1] + 1 : std::max(L[I - 1][J], L[I][J - 1]);
    return L[A.size()][B.size()];
}

// Checks that the script is well formed and turns Old into New.
void ExpectTurnsInto(const TLines& Old, const TLines& New, const TEditScript& Script)
{
    std::int32_t I = 0, J = 0;
    TLines Result;
    for (std::size_t R = 0; R < Script.size(); ++R) {
        const TDiffRun& Run = Script[R];
        ASSERT_GT(Run.Count, 0);
        ASSERT_EQ(I, Run.OldLine);
        ASSERT_EQ(J, Run.NewLine);
        if (R > 0) {
            ASSERT_NE(Script[R - 1].Op, Run.Op);
            ASSERT_FALSE(Script[R - 1].Op == TDiffOp::Insert && Run.Op == TDiffOp::Delete) << "deletions come first";
        }
        for (std::int32_t K = 0; K < Run.Count; ++K) {
            if (Run.Op == TDiffOp::Equal) {
                ASSERT_EQ(Old[std::size_t(I)], New[std::size_t(J)]);
                Result.push_back(Old[std::size_t(I)]);
            }
            if (Run.Op == TDiffOp::Insert)
                Result.push_back(New[std::size_t(J)]);
            I += Run.Op != TDiffOp::Insert;
            J += Run.Op != TDiffOp::Delete;
        }
    }
    EXPECT_EQ(std::int32_t(Old.size()), I);
    EXPECT_EQ(New, Result);
}

TEST(SplitLines, KeepsEachBreakWithItsLine)
{
    const struct {
        std::string Text;
        std::vector<std::string> Lines;
    } Cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a\n"}},
        {"a\r\nb", {"a\r\n", "b"}},
        {"\n\n", {"\n", "\n"}},
        {"a\rb\n", {"a\rb\n"}}, // a lone CR ends no line
        {"x\0y\n"s, {"x\0y\n"s}},
    };
    for (const auto& Case : Cases) {
        const TLines Lines = SplitLines(Case.Text);
        EXPECT_EQ(Views(Case.Lines), Lines) << Case.Text;
    }
}

TEST(DiffLines, FindsTheShortestScript)
{
    const struct {
        const char* Name;
        std::string Old, New, Shape;
    } Cases[] = {
        {"same", "abc", "abc", "=3"},
        {"both empty", "", "", ""},
        {"from nothing", "", "ab", "+2"},
        {"to nothing", "ab", "", "-2"},
        {"one replaced", "abcde", "abXde", "=2 -1 +1 =2"},
        {"inserted first", "bc", "abc", "+1 =2"},
        {"appended", "ab", "abc", "=2 +1"},
        {"deleted last", "abc", "ab", "=2 -1"},
        {"repeats", "aaaa", "aaa", "=3 -1"},
        {"two apart", "abcdefg", "aXcdeYg", "=1 -1 +1 =3 -1 +1 =1"},
        {"moved line", "abcd", "bcda", "-1 =3 +1"},
        // Lines found nowhere in the other text are left out of the search;
        // what is left must still be kept in its longest common order.
        {"unique lines between", "aXbYc", "aZbc", "=1 -1 +1 =1 -1 =1"},
        {"all different", "abc", "xyz", "-3 +3"},
    };
    for (const auto& Case : Cases) {
        const std::vector<std::string> Old = Chars(Case.Old), New = Chars(Case.New);
        const TEditScript Script = DiffLines(Views(Old), Views(New));
        EXPECT_EQ(Case.Shape, Shape(Script)) << Case.Name;
        ExpectTurnsInto(Views(Old), Views(New), Script);
    }
}

TEST(DiffLines, RandomPairsGetAShortestScriptThatTurnsOneIntoTheOther)
{
    std::mt19937 Random(7);
    for (int Round = 0; Round < 400; ++Round) {
        // Few distinct lines, so that many scripts are possible.
        const auto Text = [&Random](std::size_t Max) {
            std::string T;
            for (std::size_t N = Random() % Max; N > 0; --N)
                T += char('a' + Random() % 4);
            return T;
        };
        const std::vector<std::string> Old = Chars(Text(40)), New = Chars(Text(40));
        const TEditScript Script = DiffLines(Views(Old), Views(New));
        ExpectTurnsInto(Views(Old), Views(New), Script);
        EXPECT_EQ(std::int64_t(Old.size() + New.size()) - 2 * LcsLength(Views(Old), Views(New)), EditCount(Script))
            << "round " << Round;
    }
}

TEST(DiffLines, ComparesWholeLinesByteForByte)
{
    const std::vector<std::string> Old = {"a\r\n", "b\n", "c"}, New = {"a\n", "b\n", "c\n"};
    EXPECT_EQ("-1 +1 =1 -1 +1", Shape(DiffLines(Views(Old), Views(New))));
}

TEST(MarkWords, MarksTheWordsThatDiffer)
{
    const struct {
        std::string Old, New;
        std::vector<TTextSpan> OldMarks, NewMarks;
    } Cases[] = {
        {"Amount := 1;", "Amount := 1;", {}, {}},
        {"Amount := 1;", "Amount := 20;", {{10, 1}}, {{10, 2}}},
        {"IF Cust.FIND THEN", "IF Cust.FINDFIRST THEN", {{8, 4}}, {{8, 9}}},
        {"a b", "a  b", {{1, 1}}, {{1, 2}}},             // a run of blanks is one word
        {"x := y;", "x := y + z;", {}, {{6, 4}}},         // only inserted
        {"Name;Grösse;Wert", "Name;Größe;Wert", {{5, 7}}, {{5, 7}}}, // bytes from 0x80 are letters
        {"", "new", {}, {{0, 3}}},
        {"p(a,b)", "p(a,c)", {{4, 1}}, {{4, 1}}},
    };
    for (const auto& Case : Cases) {
        const TWordMarks Marks = MarkWords(Case.Old, Case.New);
        EXPECT_EQ(Case.OldMarks, Marks.Old) << Case.Old << " / " << Case.New;
        EXPECT_EQ(Case.NewMarks, Marks.New) << Case.Old << " / " << Case.New;
    }
}

TEST(MarkWords, LeavesTheSameTextUnmarkedOnBothSides)
{
    const auto Unmarked = [](std::string_view Line, const std::vector<TTextSpan>& Marks) {
        std::string Rest;
        std::int32_t At = 0;
        for (std::size_t M = 0; M < Marks.size(); ++M) {
            const TTextSpan& Mark = Marks[M];
            EXPECT_TRUE(M == 0 ? Mark.Start >= 0 : Mark.Start > At) << "in order, apart";
            EXPECT_GT(Mark.Length, 0);
            Rest.append(Line.substr(std::size_t(At), std::size_t(Mark.Start - At)));
            At = Mark.Start + Mark.Length;
        }
        EXPECT_LE(std::size_t(At), Line.size());
        return Rest.append(Line.substr(std::size_t(At)));
    };
    std::mt19937 Random(11);
    const char* const Words[] = {"IF", " ", "  ", "Cust", ".", "FIND", "(", ")", ";", "x1", "\t"};
    for (int Round = 0; Round < 300; ++Round) {
        std::string Old, New;
        for (std::size_t N = Random() % 12; N > 0; --N)
            Old += Words[Random() % std::size(Words)];
        for (std::size_t N = Random() % 12; N > 0; --N)
            New += Words[Random() % std::size(Words)];
        const TWordMarks Marks = MarkWords(Old, New);
        EXPECT_EQ(Unmarked(Old, Marks.Old), Unmarked(New, Marks.New)) << Old << " / " << New;
        EXPECT_EQ(Old == New, Marks.Old.empty() && Marks.New.empty());
    }
}

TEST(MarkWords, MarksOverlongLinesWhole)
{
    std::string Old, New;
    for (std::int32_t I = 0; I < MaxWords; ++I)
        Old += "w ";
    New = Old + "x";
    const TWordMarks Marks = MarkWords(Old, New);
    EXPECT_EQ(std::vector<TTextSpan>({{0, std::int32_t(Old.size())}}), Marks.Old);
    EXPECT_EQ(std::vector<TTextSpan>({{0, std::int32_t(New.size())}}), Marks.New);
}

std::string Unified(const std::string& OldText, const std::string& NewText, int Context = 3)
{
    const TLines Old = SplitLines(OldText), New = SplitLines(NewText);
    std::string Out;
    WriteUnifiedHunks(Out, Old, New, DiffLines(Old, New), Context);
    return Out;
}

std::string Numbered(int From, int To, const std::string& Break = "\n")
{
    std::string Text;
    for (int I = From; I <= To; ++I)
        Text += std::to_string(I) + Break;
    return Text;
}

TEST(WriteUnifiedHunks, WritesHunksAsDiffDoes)
{
    const struct {
        const char* Name;
        std::string Old, New;
        std::string Hunks;
    } Cases[] = {
        {"same", Numbered(1, 5), Numbered(1, 5), ""},
        {"context cut at the start", Numbered(1, 10), "1\nX\n" + Numbered(3, 10),
         "@@ -1,5 +1,5 @@\n 1\n-2\n+X\n 3\n 4\n 5\n"},
        {"one line each", "a\n", "b\n", "@@ -1 +1 @@\n-a\n+b\n"},
        {"changes six apart share a hunk", Numbered(1, 12), "1\n2\nX\n" + Numbered(4, 9) + "Y\n11\n12\n",
         "@@ -1,12 +1,12 @@\n 1\n 2\n-3\n+X\n 4\n 5\n 6\n 7\n 8\n 9\n-10\n+Y\n 11\n 12\n"},
        {"seven apart do not", Numbered(1, 13), "1\n2\nX\n" + Numbered(4, 10) + "Y\n12\n13\n",
         "@@ -1,6 +1,6 @@\n 1\n 2\n-3\n+X\n 4\n 5\n 6\n@@ -8,6 +8,6 @@\n 8\n 9\n 10\n-11\n+Y\n 12\n 13\n"},
        {"inserted: an empty old range names the line before", Numbered(1, 8), Numbered(1, 8) + "9\n",
         "@@ -6,3 +6,4 @@\n 6\n 7\n 8\n+9\n"},
        {"created", "", "a\nb\n", "@@ -0,0 +1,2 @@\n+a\n+b\n"},
        {"removed", "a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
        {"no newline at the end", "a\nb", "a\nc",
         "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n"},
        {"newline added at the end", "a\nb", "a\nb\n",
         "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
        {"CR kept as it is", "a\r\nb\r\n", "a\r\nc\r\n", "@@ -1,2 +1,2 @@\n a\r\n-b\r\n+c\r\n"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(Case.Hunks, Unified(Case.Old, Case.New)) << Case.Name;
}

TEST(WriteUnifiedHunks, TakesTheContextAsked)
{
    EXPECT_EQ("@@ -3 +3 @@\n-3\n+X\n", Unified(Numbered(1, 5), "1\n2\nX\n4\n5\n", 0));
    EXPECT_EQ("@@ -2,3 +2,3 @@\n 2\n-3\n+X\n 4\n", Unified(Numbered(1, 5), "1\n2\nX\n4\n5\n", 1));
}

} // namespace
